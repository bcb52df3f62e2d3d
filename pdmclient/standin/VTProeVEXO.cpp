/* The stand-in Vantor client library.
 *
 * It exports the 32 functions of the real library and tells a person what the add-in asked:
 * every call prints one line to standard output, flushed at once, such as
 *     VTProeVEXO: BeforeSave("PUMP.PRT") -> 1
 * Answers are the defaults of the function list (vtpdm_functions.h).  VTPDM_ANSWERS, read at every
 * call, overrides answers by name: VTPDM_ANSWERS="BeforeSave=0,About=3".  The library also keeps
 * what the hooks told it (the open documents and the current one) and says so when a document
 * command asks.  With VTPDM_SILENT set (not empty) it prints nothing: vthost's installation
 * check starts the add-in against it in place of the real library. */
#include "pdmclient/vtpdm.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::vector<std::string> open_documents;
std::string current_document;
std::string last_reported_answers; /* a malformed setting is reported once */

bool parse_answer(const std::string& entry, std::string& name, int& value) {
    size_t equals = entry.find('=');
    if (equals == std::string::npos || equals == 0 || equals + 1 == entry.size()) return false;
    name = entry.substr(0, equals);
    const char* text = entry.c_str() + equals + 1;
    char* end = nullptr;
    long number = strtol(text, &end, 10);
    if (*end != '\0' || number < -2147483647L - 1 || number > 2147483647L) return false;
    value = static_cast<int>(number);
    return true;
}

/* The answer for a function: its default unless VTPDM_ANSWERS names it. */
int answer_for(const char* function, int default_answer) {
    const char* setting = getenv("VTPDM_ANSWERS");
    if (setting == nullptr || *setting == '\0') return default_answer;
    int answer = default_answer;
    std::string all(setting), bad;
    size_t start = 0;
    while (start <= all.size()) {
        size_t comma = all.find(',', start);
        std::string entry = all.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        start = comma == std::string::npos ? all.size() + 1 : comma + 1;
        std::string name;
        int value = 0;
        if (entry.empty()) continue;
        if (!parse_answer(entry, name, value)) {
            if (bad.empty()) bad = entry;
            continue;
        }
        if (name == function) answer = value;
    }
    if (!bad.empty() && last_reported_answers != all) {
        fprintf(stderr, "VTProeVEXO: VTPDM_ANSWERS entry \"%s\" is not NAME=NUMBER; ignored\n", bad.c_str());
        fflush(stderr);
    }
    last_reported_answers = all;
    return answer;
}

int report(const char* function, const char* argument, int result, const std::string& note = "") {
    const char* silent = getenv("VTPDM_SILENT");
    if (silent != nullptr && *silent != '\0') return result;
    if (argument != nullptr)
        printf("VTProeVEXO: %s(\"%s\") -> %d%s\n", function, argument, result, note.c_str());
    else
        printf("VTProeVEXO: %s() -> %d%s\n", function, result, note.c_str());
    fflush(stdout);
    return result;
}

std::string document_note() {
    if (current_document.empty()) return "  (no current document)";
    return "  (current document " + current_document + ")";
}

bool is_document_command(const std::string& function) {
    return function == "DocumentData" || function == "PartData" || function == "SaveIntoProject" ||
           function == "ImportIntoProject";
}

/* One call: what the library keeps of it, then its line with the answer.  argument is null for
 * a function without one. */
int called(const char* function, const char* argument, int default_answer) {
    const std::string name = function;
    const std::string key = argument != nullptr ? argument : "";
    std::string note;
    if (name == "Stop") {
        char text[64];
        snprintf(text, sizeof text, "  (%zu document%s open)", open_documents.size(),
                 open_documents.size() == 1 ? "" : "s");
        note = text;
    } else if (is_document_command(name)) {
        note = document_note();
    } else if (name == "AfterOpen") {
        if (!key.empty() && std::find(open_documents.begin(), open_documents.end(), key) == open_documents.end())
            open_documents.push_back(key);
    } else if (name == "AfterClose") {
        open_documents.erase(std::remove(open_documents.begin(), open_documents.end(), key), open_documents.end());
        if (current_document == key) current_document.clear();
    } else if (name == "SwitchDocument") {
        if (key != "CloseWindow") current_document = key;
    }
    return report(function, argument, answer_for(function, default_answer), note);
}

} // namespace

/* Every function of the list, with its default answer.  A text argument that is null is
 * reported as the empty text. */
#define STANDIN_none(name, default_answer) \
    int name(void) { return called(#name, nullptr, default_answer); }
#define STANDIN_text(name, default_answer) \
    int name(const char* text) { return called(#name, text != nullptr ? text : "", default_answer); }
#define STANDIN(name, argument, default_answer) STANDIN_##argument(name, default_answer)

/* VTPDM_WITHOUT_AFTERSAVE builds a library that lacks one of the 32 exports, as an outdated or
 * damaged installation would: the add-in must then refuse to load.  Its AfterSave is defined
 * under another name, so that no AfterSave is exported. */
#ifdef VTPDM_WITHOUT_AFTERSAVE
#define AfterSave standin_lacks_AfterSave
#endif

extern "C" {
VTPDM_FUNCTION_LIST(STANDIN)
}
