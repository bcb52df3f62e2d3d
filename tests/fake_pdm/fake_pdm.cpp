// Recording fake of the client library: each of the 32 functions records its call and returns
// the answer set for it.
#include "tests/fake_pdm/fake_pdm.h"

#include "pdmclient/vtpdm.h"

namespace fake_pdm {

std::vector<std::string> calls;
std::map<std::string, int> answers;
bool count_only = false;
size_t counted = 0;

void reset() {
    calls.clear();
    answers.clear();
    counted = 0;
}

static int answer(const char* name, int default_answer) {
    if (answers.empty()) return default_answer;
    auto found = answers.find(name);
    return found != answers.end() ? found->second : default_answer;
}

} // namespace fake_pdm

#define FAKE_PLAIN(name)                                  \
    int name(void) {                                      \
        if (fake_pdm::count_only) ++fake_pdm::counted;    \
        else fake_pdm::calls.push_back(#name);            \
        return fake_pdm::answer(#name, 0);                \
    }
#define FAKE_TEXT(name, default_answer)                                               \
    int name(const char* text) {                                                      \
        if (fake_pdm::count_only) ++fake_pdm::counted;                                \
        else fake_pdm::calls.push_back(std::string(#name "(") + (text ? text : "<null>") + ")"); \
        return fake_pdm::answer(#name, default_answer);                               \
    }

extern "C" {
FAKE_PLAIN(BeforeInit) FAKE_PLAIN(Start) FAKE_PLAIN(AfterInit) FAKE_PLAIN(Stop)
FAKE_PLAIN(QueryChangeReq) FAKE_PLAIN(NewChangeReq) FAKE_PLAIN(QueryChangeOrd)
FAKE_PLAIN(NewChangeOrd) FAKE_PLAIN(QueryAssignedTask) FAKE_PLAIN(Hide) FAKE_PLAIN(Show)
FAKE_PLAIN(Options) FAKE_PLAIN(Help) FAKE_PLAIN(About) FAKE_PLAIN(ProjectBrowser)
FAKE_PLAIN(FindArchive) FAKE_PLAIN(QueryOnDocuments) FAKE_PLAIN(QueryOnParts)
FAKE_PLAIN(QueryOnBom) FAKE_PLAIN(QueryViews) FAKE_PLAIN(BomViews) FAKE_PLAIN(DocumentData)
FAKE_PLAIN(PartData) FAKE_PLAIN(SaveIntoProject) FAKE_PLAIN(ImportIntoProject)
FAKE_TEXT(CmdExec, 0) FAKE_TEXT(AfterOpen, 0) FAKE_TEXT(BeforeSave, 1) FAKE_TEXT(BeforeClose, 0)
FAKE_TEXT(AfterClose, 0) FAKE_TEXT(SwitchDocument, 0) FAKE_TEXT(AfterSave, 0)
}
