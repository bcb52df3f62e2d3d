// Recording fake of the client library: each of the 32 functions records its call and returns
// the answer set for it.
#include "support/fake_pdm.h"

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

#define FAKE_none(name, default_answer)                   \
    int name(void) {                                      \
        if (fake_pdm::count_only) ++fake_pdm::counted;    \
        else fake_pdm::calls.push_back(#name);            \
        return fake_pdm::answer(#name, default_answer);   \
    }
#define FAKE_text(name, default_answer)                                               \
    int name(const char* text) {                                                      \
        if (fake_pdm::count_only) ++fake_pdm::counted;                                \
        else fake_pdm::calls.push_back(std::string(#name "(") + (text ? text : "<null>") + ")"); \
        return fake_pdm::answer(#name, default_answer);                               \
    }
#define FAKE(name, argument, default_answer) FAKE_##argument(name, default_answer)

extern "C" {
VTPDM_FUNCTION_LIST(FAKE)
}
