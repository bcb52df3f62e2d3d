/* The stand-in Vantor client library.
 *
 * It exports the 32 functions of the real library and tells a person what the add-in asked:
 * every call prints one line to standard output, flushed at once, such as
 *     VTProeVEXO: BeforeSave("PUMP.PRT") -> 1
 * Answers are 0, except BeforeSave, which answers 1 (save allowed).  VTPDM_ANSWERS, read at every
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

int plain(const char* function) { return report(function, nullptr, answer_for(function, 0)); }

std::string document_note() {
    if (current_document.empty()) return "  (no current document)";
    return "  (current document " + current_document + ")";
}

int document_command(const char* function) {
    return report(function, nullptr, answer_for(function, 0), document_note());
}

std::string text_of(const char* argument) { return argument != nullptr ? argument : ""; }

} // namespace

extern "C" {

int BeforeInit(void) { return plain("BeforeInit"); }
int Start(void) { return plain("Start"); }
int AfterInit(void) { return plain("AfterInit"); }
int Stop(void) {
    char note[64];
    snprintf(note, sizeof note, "  (%zu document%s open)", open_documents.size(),
             open_documents.size() == 1 ? "" : "s");
    return report("Stop", nullptr, answer_for("Stop", 0), note);
}

int QueryChangeReq(void) { return plain("QueryChangeReq"); }
int NewChangeReq(void) { return plain("NewChangeReq"); }
int QueryChangeOrd(void) { return plain("QueryChangeOrd"); }
int NewChangeOrd(void) { return plain("NewChangeOrd"); }
int QueryAssignedTask(void) { return plain("QueryAssignedTask"); }
int Hide(void) { return plain("Hide"); }
int Show(void) { return plain("Show"); }
int Options(void) { return plain("Options"); }
int Help(void) { return plain("Help"); }
int About(void) { return plain("About"); }

int ProjectBrowser(void) { return plain("ProjectBrowser"); }
int FindArchive(void) { return plain("FindArchive"); }
int QueryOnDocuments(void) { return plain("QueryOnDocuments"); }
int QueryOnParts(void) { return plain("QueryOnParts"); }
int QueryOnBom(void) { return plain("QueryOnBom"); }
int QueryViews(void) { return plain("QueryViews"); }
int BomViews(void) { return plain("BomViews"); }
int DocumentData(void) { return document_command("DocumentData"); }
int PartData(void) { return document_command("PartData"); }
int SaveIntoProject(void) { return document_command("SaveIntoProject"); }
int ImportIntoProject(void) { return document_command("ImportIntoProject"); }

int CmdExec(const char* command_code) {
    return report("CmdExec", text_of(command_code).c_str(), answer_for("CmdExec", 0));
}

int AfterOpen(const char* document_key) {
    std::string key = text_of(document_key);
    if (!key.empty() && std::find(open_documents.begin(), open_documents.end(), key) == open_documents.end())
        open_documents.push_back(key);
    return report("AfterOpen", key.c_str(), answer_for("AfterOpen", 0));
}

int BeforeSave(const char* document_key) {
    return report("BeforeSave", text_of(document_key).c_str(), answer_for("BeforeSave", 1));
}

int BeforeClose(const char* document_key) {
    return report("BeforeClose", text_of(document_key).c_str(), answer_for("BeforeClose", 0));
}

int AfterClose(const char* document_key) {
    std::string key = text_of(document_key);
    open_documents.erase(std::remove(open_documents.begin(), open_documents.end(), key), open_documents.end());
    if (current_document == key) current_document.clear();
    return report("AfterClose", key.c_str(), answer_for("AfterClose", 0));
}

int SwitchDocument(const char* document_key) {
    std::string key = text_of(document_key);
    if (key != "CloseWindow") current_document = key;
    return report("SwitchDocument", key.c_str(), answer_for("SwitchDocument", 0));
}

/* VTPDM_WITHOUT_AFTERSAVE builds a library that lacks one of the 32 exports, as an outdated or
 * damaged installation would: the add-in must then refuse to load. */
#ifndef VTPDM_WITHOUT_AFTERSAVE
int AfterSave(const char* document_key) {
    return report("AfterSave", text_of(document_key).c_str(), answer_for("AfterSave", 0));
}
#endif

}
