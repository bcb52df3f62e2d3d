// vthost's session script reader with arbitrary text: every line of the input is read as a
// script line and as a model key.  A line the reader accepts must carry the arguments its command
// takes, each in the form that command needs; a refused line must say why.  Bytes of any kind
// (stray carriage returns, invalid UTF-8, zero bytes inside a line) may come in.
#include <cstdint>
#include <cstring>
#include <string>

#include "host/host_model.h"
#include "host/script.h"

namespace {

using vthost::ScriptCommand;

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

bool has_blank(const std::string& word) {
    for (char c : word)
        if (blank(c)) return true;
    return false;
}

void check_model_key(const std::string& text) {
    std::string name, type, error;
    if (!vthost::parse_model_key(text, name, type, error)) {
        if (error.empty()) __builtin_trap();
        return;
    }
    // An accepted key splits at its last full stop into a name of 1 to 79 UTF-16 units and a
    // type of 1 to 3 letters or digits.
    if (name.empty() || type.empty() || type.size() > 3) __builtin_trap();
    if (name + "." + type != text) __builtin_trap();
    if (vthost::widen(name).size() > 79) __builtin_trap();
    for (char c : type)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) __builtin_trap();
}

void check_line(const std::string& line) {
    ScriptCommand command;
    std::string error;
    if (!vthost::parse_script_line(line, command, error)) {
        if (error.empty()) __builtin_trap();
        return;
    }
    size_t expected = 0;
    switch (command.kind) {
        case ScriptCommand::NOTHING:
            if (!command.args.empty()) __builtin_trap();
            return;
        case ScriptCommand::SAVE: case ScriptCommand::CLOSE: case ScriptCommand::CLOSE_WINDOW:
        case ScriptCommand::MENU: case ScriptCommand::QUIT: case ScriptCommand::REGENERATE:
            expected = 0;
            break;
        case ScriptCommand::OPEN: case ScriptCommand::ACTIVATE: case ScriptCommand::PICK:
            expected = 1;
            break;
        case ScriptCommand::COPY: case ScriptCommand::RENAME: case ScriptCommand::SETENV:
            expected = 2;
            break;
        default:
            __builtin_trap();
    }
    if (command.args.size() != expected) __builtin_trap();
    if (command.comment_line) __builtin_trap();
    if (command.kind == ScriptCommand::SETENV) {
        // The name is a C identifier; the value is the rest of the line without outer blanks.
        const std::string& name = command.args[0];
        if (name.empty() || (name[0] >= '0' && name[0] <= '9')) __builtin_trap();
        const std::string& value = command.args[1];
        if (!value.empty() && (blank(value.front()) || blank(value.back()))) __builtin_trap();
        return;
    }
    for (const std::string& arg : command.args) {
        if (arg.empty() || has_blank(arg)) __builtin_trap();
        if (command.kind == ScriptCommand::PICK) continue;
        if (command.kind == ScriptCommand::ACTIVATE && arg == "none") continue;
        std::string name, type, key_error;
        if (!vthost::parse_model_key(arg, name, type, key_error)) __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        check_line(line);
        check_model_key(line);
        start = end + 1;
    }
    return 0;
}
