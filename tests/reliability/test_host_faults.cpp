// A host that lacks, or refuses, each of the thirteen host functions in turn.  Start-up must end
// with the status defined for that function, every later call of the start-up sequence must still
// be made, and the session that follows must run and report what the missing answer implies.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "bridge/bridge.h"
#include "module/entry.h"
#include "support/fake_pdm.h"
#include "tests/reliability/addin_session.h"
#include "tests/support/child.h"
#include "frame/vt_constants.h"
#include "tests/support/test_host.h"

namespace {

using addin_session::called_functions;
using addin_session::joined;

// The host model with VT_HOST_FUNCTION left out of its table (VT_HOST_MODE=missing) or refusing
// (VT_HOST_MODE=refuse: -1, or 0 from prodev_pass_version_info); the whole host otherwise.
std::vector<host_function_pair> faulty_table() {
    const char* function = getenv("VT_HOST_FUNCTION");
    const char* mode = getenv("VT_HOST_MODE");
    std::string table_name = function != nullptr ? std::string(function) + "_v" : "";
    vthost::Host& host = test_host::reset();
    std::set<std::string> missing;
    if (mode != nullptr && strcmp(mode, "missing") == 0) missing.insert(table_name);
    if (mode != nullptr && strcmp(mode, "refuse") == 0) host.refused.insert(table_name);
    return vthost::host_function_table(missing);
}

}  // namespace

// Start-up and a short session against the faulty host; every fact on a line of its own.
VT_CHILD(host_fault) {
    fake_pdm::reset();
    static std::vector<host_function_pair> table = faulty_table();
    int status = addin_session::start(table.data(), static_cast<int>(table.size()));
    printf("status: %d\n", status);
    printf("host: %s\n", joined(called_functions(), " ").c_str());
    printf("pdm: %s\n", joined(fake_pdm::calls).c_str());
    fake_pdm::calls.clear();
    if (status != 0) return 0;

    vthost::Host& host = test_host::host();
    host.open_model("PUMP", "PRT");
    std::optional<int> save = host.notify(VT_NOTIFY_BEFORE_SAVE);
    printf("save: %s\n", save ? std::to_string(*save).c_str() : "no hook");
    host.notify(VT_NOTIFY_WINDOW_CHANGED);
    test_host::run_command("ProCmdWinCloseAsyn");
    printf("model access: %d\n", ModelAccess());
    addin_session::work();
    fake_pdm::calls.erase(fake_pdm::calls.begin() + std::min<size_t>(fake_pdm::calls.size(), 4),
                          fake_pdm::calls.end());
    user_terminate_plus();
    printf("session: %s\n", joined(fake_pdm::calls).c_str());
    return 0;
}

namespace {

struct Outcome {
    std::map<std::string, std::string> facts;
    std::string text;
};

Outcome run_host(const std::string& function, const std::string& mode) {
    vt_test::ChildEnv env = {{"ALLOW_CRASH", std::nullopt}, {"PRO_EXPECTED_EXIT_STATUS", std::nullopt},
                             {"VT_HOST_FUNCTION", function}, {"VT_HOST_MODE", mode}};
    vt_test::ChildResult r = vt_test::run_child("host_fault", env);
    Outcome outcome;
    outcome.text = r.out + r.err;
    EXPECT_TRUE(r.exited && r.exit_code == 0)
        << function << " " << mode << ": " << (r.exited ? "exit " : "signal ") << r.exit_code << "\n" << outcome.text;
    size_t start = 0;
    while (start < r.out.size()) {
        size_t end = r.out.find('\n', start);
        if (end == std::string::npos) end = r.out.size();
        std::string line = r.out.substr(start, end - start);
        size_t colon = line.find(": ");
        if (colon != std::string::npos) outcome.facts[line.substr(0, colon)] = line.substr(colon + 2);
        else if (line.size() > 1 && line.back() == ':') outcome.facts[line.substr(0, line.size() - 1)] = "";
        start = end + 1;
    }
    return outcome;
}

std::vector<std::string> words(const std::string& text) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(' ', start);
        if (end == std::string::npos) end = text.size();
        if (end > start) out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

std::vector<std::string> without(std::vector<std::string> names, const std::string& name) {
    names.erase(std::remove(names.begin(), names.end(), name), names.end());
    return names;
}

const char* const host_functions[] = {
    "ProMenubarMenuAdd", "ProMenubarmenuMenuAdd", "ProMenubarmenuPushbuttonAdd", "ProCmdActionAdd",
    "ProCmdDesignate", "ProCmdIconSet", "ProNotificationSet", "ProCmdCmdIdFind", "ProCmdBracketFuncAdd",
    "ProMdlCurrentGet", "ProMdlDataGet", "prodev_pass_version_info", "ProEngineerDisplayversionGet",
};

const std::string started = "BeforeInit|Start|AfterInit";
const std::string normal_session =
    "BeforeSave(PUMP.PRT)|SwitchDocument(PUMP.PRT)|SwitchDocument(CloseWindow)|SwitchDocument(CloseWindow)|Stop";

class HostFaults : public ::testing::Test {
protected:
    static void SetUpTestSuite() { baseline = new Outcome(run_host("", "")); }
    static void TearDownTestSuite() { delete baseline; }
    static Outcome* baseline;

    static std::vector<std::string> baseline_calls() { return words(baseline->facts["host"]); }
};
Outcome* HostFaults::baseline = nullptr;

TEST_F(HostFaults, TheWholeHostStartsAndRunsASession) {
    EXPECT_EQ(baseline->facts["status"], "0");
    EXPECT_EQ(baseline->facts["pdm"], started);
    EXPECT_EQ(baseline->facts["save"], "0");
    EXPECT_EQ(baseline->facts["model access"], "3");
    EXPECT_EQ(baseline->facts["session"], normal_session) << baseline->text;
    // Every host function takes part in start-up or the session.
    std::vector<std::string> names = baseline_calls();
    for (const char* function : host_functions) {
        if (std::string(function) == "ProMdlCurrentGet" || std::string(function) == "ProMdlDataGet") continue;
        EXPECT_NE(std::find(names.begin(), names.end(), function), names.end()) << function;
    }
}

// A function the host does not hold: the gateway answers -1 and start-up goes on.
TEST_F(HostFaults, EachMissingFunctionLeavesEveryOtherCall) {
    for (const char* function : host_functions) {
        SCOPED_TRACE(function);
        Outcome o = run_host(function, "missing");
        std::string name = function;
        std::vector<std::string> expected = without(baseline_calls(), name);
        // A -1 from prodev_pass_version_info counts as the host accepting the version.
        EXPECT_EQ(o.facts["status"], "0") << o.text;
        EXPECT_EQ(o.facts["pdm"], started);
        if (name == "ProCmdCmdIdFind") expected = without(expected, "ProCmdBracketFuncAdd");
        EXPECT_EQ(words(o.facts["host"]), expected);
        EXPECT_NE(o.facts["session"].find("Stop"), std::string::npos) << o.text;
    }
}

// A function that answers with an error: every later call is still made, except where the
// answer is what decides (the version information, the command look-ups of the brackets).
TEST_F(HostFaults, EachRefusedFunctionLeavesEveryLaterCall) {
    for (const char* function : host_functions) {
        SCOPED_TRACE(function);
        Outcome o = run_host(function, "refuse");
        std::string name = function;
        std::vector<std::string> expected = baseline_calls();
        if (name == "prodev_pass_version_info") {
            EXPECT_EQ(o.facts["status"], "-1");
            EXPECT_EQ(o.facts["pdm"], "") << "the bridge must not start";
            expected.erase(std::find(expected.begin(), expected.end(), name) + 1, expected.end());
            EXPECT_EQ(words(o.facts["host"]), expected);
            continue;
        }
        EXPECT_EQ(o.facts["status"], "0") << o.text;
        EXPECT_EQ(o.facts["pdm"], started);
        if (name == "ProCmdCmdIdFind") expected = without(expected, "ProCmdBracketFuncAdd");
        EXPECT_EQ(words(o.facts["host"]), expected);
        EXPECT_NE(o.facts["session"].find("Stop"), std::string::npos) << o.text;
    }
}

TEST_F(HostFaults, WithoutCommandLookUpsNoWindowCloseIsReported) {
    for (const char* mode : {"missing", "refuse"}) {
        for (const char* function : {"ProCmdCmdIdFind", "ProCmdBracketFuncAdd"}) {
            Outcome o = run_host(function, mode);
            EXPECT_EQ(o.facts["session"], "BeforeSave(PUMP.PRT)|SwitchDocument(PUMP.PRT)|AfterOpen(PUMP.PRT)|"
                                          "SwitchDocument(PUMP.PRT)|Stop")
                << function << " " << mode;
        }
    }
}

TEST_F(HostFaults, WithoutACurrentModelTheHooksNameNone) {
    for (const char* mode : {"missing", "refuse"}) {
        Outcome o = run_host("ProMdlCurrentGet", mode);
        // BeforeSave still asked, with the empty key; its 1 lets the save go ahead.
        EXPECT_EQ(o.facts["save"], "0") << mode;
        EXPECT_EQ(o.facts["model access"], "1") << mode;
        EXPECT_EQ(o.facts["session"].substr(0, 29), "BeforeSave()|SwitchDocument()") << mode;
    }
}

TEST_F(HostFaults, WithoutModelDataTheSaveIsRefusedUnasked) {
    for (const char* mode : {"missing", "refuse"}) {
        Outcome o = run_host("ProMdlDataGet", mode);
        EXPECT_EQ(o.facts["save"], "1") << mode;
        EXPECT_EQ(o.facts["model access"], "3") << mode;
        // Neither BeforeSave nor SwitchDocument hears of a model the host cannot describe.
        EXPECT_EQ(o.facts["session"].substr(0, 55), "SwitchDocument(CloseWindow)|SwitchDocument(CloseWindow)")
            << mode << ": " << o.facts["session"];
    }
}

TEST_F(HostFaults, WithoutSubscriptionsNoEventReachesTheLibrary) {
    Outcome o = run_host("ProNotificationSet", "refuse");
    EXPECT_EQ(o.facts["save"], "no hook");
    EXPECT_EQ(o.facts["session"], "SwitchDocument(CloseWindow)|SwitchDocument(CloseWindow)|"
                                  "SwitchDocument(CloseWindow)|SwitchDocument(CloseWindow)|Stop");
}

}  // namespace
