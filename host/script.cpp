/* Reading session script lines: comment stripping, splitting into words, and the argument
 * rules of each command. */
#include "host/script.h"

#include "host/host_model.h"

namespace vthost {

namespace {

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::vector<std::string> split_words(const std::string& text) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && blank(text[i])) ++i;
        size_t start = i;
        while (i < text.size() && !blank(text[i])) ++i;
        if (i > start) words.push_back(text.substr(start, i - start));
    }
    return words;
}

std::string trim(const std::string& text) {
    size_t start = 0, end = text.size();
    while (start < end && blank(text[start])) ++start;
    while (end > start && blank(text[end - 1])) --end;
    return text.substr(start, end - start);
}

struct CommandRule {
    const char* word;
    ScriptCommand::Kind kind;
    int models;         /* how many NAME.TYPE arguments; -1 for another form */
    const char* usage;
};

const CommandRule rules[] = {
    {"open", ScriptCommand::OPEN, 1, "open NAME.TYPE"},
    {"activate", ScriptCommand::ACTIVATE, -1, "activate NAME.TYPE|none"},
    {"save", ScriptCommand::SAVE, 0, "save"},
    {"close", ScriptCommand::CLOSE, 0, "close"},
    {"close-window", ScriptCommand::CLOSE_WINDOW, 0, "close-window"},
    {"pick", ScriptCommand::PICK, -1, "pick BUTTON"},
    {"menu", ScriptCommand::MENU, 0, "menu"},
    {"quit", ScriptCommand::QUIT, 0, "quit"},
    {"copy", ScriptCommand::COPY, 2, "copy NAME.TYPE NEW.TYPE"},
    {"rename", ScriptCommand::RENAME, 2, "rename NAME.TYPE NEW.TYPE"},
    {"regenerate", ScriptCommand::REGENERATE, 0, "regenerate"},
    {"setenv", ScriptCommand::SETENV, -1, "setenv NAME VALUE"},
};

bool valid_variable_name(const std::string& name) {
    if (name.empty()) return false;
    for (size_t i = 0; i < name.size(); ++i) {
        char c = name[i];
        bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
        if (!letter && !(i > 0 && c >= '0' && c <= '9')) return false;
    }
    return true;
}

}  // namespace

bool unescape_word(const std::string& word, std::string& text, std::string& error) {
    auto hex = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    text.clear();
    for (size_t i = 0; i < word.size(); ++i) {
        if (word[i] != '\\') {
            text += word[i];
            continue;
        }
        if (i + 3 >= word.size() || word[i + 1] != 'x' || hex(word[i + 2]) < 0 || hex(word[i + 3]) < 0) {
            error = "bad escape in '" + word + "': write \\xHH with two hex digits";
            return false;
        }
        text += static_cast<char>(hex(word[i + 2]) * 16 + hex(word[i + 3]));
        i += 3;
    }
    return true;
}

bool parse_model_key(const std::string& text, std::string& name, std::string& type, std::string& error) {
    size_t dot = text.rfind('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == text.size()) {
        error = "'" + text + "' is not NAME.TYPE";
        return false;
    }
    name = text.substr(0, dot);
    type = text.substr(dot + 1);
    if (widen(name).size() > 79) {
        error = "model name '" + name + "' is longer than 79 characters";
        return false;
    }
    bool type_ok = type.size() <= 3;
    for (char c : type)
        type_ok = type_ok && ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'));
    if (!type_ok) {
        error = "model type '" + type + "' is not 1 to 3 letters or digits";
        return false;
    }
    return true;
}

bool parse_script_line(const std::string& line, ScriptCommand& command, std::string& error) {
    command = ScriptCommand();
    std::string text = line;
    if (!text.empty() && text.back() == '\r') text.pop_back();
    std::string trimmed = trim(text);
    if (!trimmed.empty() && trimmed[0] == '#') {
        command.comment_line = true;
        command.comment = trimmed.substr(1);
        return true;
    }
    for (size_t i = 1; i < text.size(); ++i) {
        if (text[i] == '#' && blank(text[i - 1])) {
            text.erase(i);
            break;
        }
    }
    std::vector<std::string> words = split_words(text);
    if (words.empty()) return true;

    const CommandRule* rule = nullptr;
    for (const CommandRule& candidate : rules)
        if (words[0] == candidate.word) rule = &candidate;
    if (rule == nullptr) {
        error = "unknown command '" + words[0] + "'";
        return false;
    }
    command.kind = rule->kind;
    std::vector<std::string> args(words.begin() + 1, words.end());
    std::string usage = std::string("usage: ") + rule->usage;
    if (rule->kind != ScriptCommand::SETENV) {
        for (std::string& arg : args) {
            std::string text;
            if (!unescape_word(arg, text, error)) return false;
            arg = text;
        }
    }

    if (rule->kind == ScriptCommand::SETENV) {
        if (args.empty() || !valid_variable_name(args[0])) {
            error = args.empty() ? usage : "'" + args[0] + "' is not a variable name; " + usage;
            return false;
        }
        std::string rest = trim(text);
        rest = trim(rest.substr(rest.find(args[0], 6) + args[0].size()));
        command.args = {args[0], rest};
        return true;
    }
    int wanted = rule->models >= 0 ? rule->models : 1;
    if (static_cast<int>(args.size()) != wanted) {
        error = usage;
        return false;
    }
    if (rule->kind == ScriptCommand::ACTIVATE && args[0] == "none") {
        command.args = args;
        return true;
    }
    if (rule->models != 0 && rule->kind != ScriptCommand::PICK) {
        for (const std::string& arg : args) {
            std::string name, type;
            if (!parse_model_key(arg, name, type, error)) {
                error += "; " + usage;
                return false;
            }
        }
    }
    command.args = args;
    return true;
}

}  // namespace vthost
