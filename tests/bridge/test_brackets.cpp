// Host command brackets: attaching to the commands the host knows, and the bracket function
// against the recording client fake.  The host is vthost's host model: its built-in commands
// and their ids are the host's own.  The bracket table and the gateway's entry caches are
// written once per process, so every case runs in a fresh child process.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bridge/brackets.h"
#include "bridge/bridge.h"
#include "frame/gateway.h"
#include "support/fake_pdm.h"
#include "tests/support/child_test.h"
#include "tests/support/test_host.h"

namespace {

using vthost::HostCall;

// The five commands the bridge brackets, in its look-up order.
const std::vector<std::string> bracketed_names = {"XProCmdModelSave", "XProCmdExit", "ProCmdWinCloseAsyn",
                                                  "XTestCheckButtonOpt2", "XTestRadioGroupOpt"};

// A host that knows its own three built-in commands and, with `test_commands`, the two test
// commands as well.  An unknown name gets the host's "not found" and, like a careless host, a
// stray value in the id.
vthost::Host& start_host(bool test_commands) {
    fake_pdm::reset();
    vthost::Host& host = test_host::install();
    if (test_commands) {
        host.add_builtin_command("XTestCheckButtonOpt2");
        host.add_builtin_command("XTestRadioGroupOpt");
    }
    host.answers["ProCmdCmdIdFind_v"] = [](const HostCall& call) -> std::optional<int> {
        *reinterpret_cast<int*>(call.words[2]) = 999;
        return std::nullopt;  // the model answers, writing the id only when it knows the name
    };
    return host;
}

void forget_command(vthost::Host& host, const std::string& name) {
    host.commands.erase(std::remove_if(host.commands.begin(), host.commands.end(),
                                       [&](const vthost::Command& command) { return command.name == name; }),
                        host.commands.end());
}

int id_of(const std::string& name) {
    const vthost::Command* command = test_host::host().command_by_name(name);
    return command != nullptr ? command->id : 0;
}

std::vector<int> table_ids() {
    std::vector<int> ids;
    for (const bracket_entry& entry : VTBracketTable) ids.push_back(entry.id);
    return ids;
}

// The ids that received the bracket function, checking each attachment's other arguments, and
// that the host holds the bracket on that command.
std::vector<int> bracketed_ids() {
    std::vector<int> ids;
    for (const HostCall& call : test_host::host().recorded) {
        if (call.name != "ProCmdBracketFuncAdd_v") continue;
        EXPECT_EQ(call.words.size(), 5u);
        EXPECT_EQ(call.words[0], test_host::app_handle);
        EXPECT_EQ(call.words[2], reinterpret_cast<intptr_t>(&VTBracketFunc));
        EXPECT_STREQ(reinterpret_cast<const char*>(call.words[3]), "VTBracketFunc");
        EXPECT_EQ(call.words[4], 0);
        int id = static_cast<int>(call.words[1]);
        const vthost::Command* command = test_host::host().command_by_id(id);
        EXPECT_TRUE(command != nullptr && command->brackets.size() == 1 &&
                    command->brackets[0].function == &VTBracketFunc && command->brackets[0].name == "VTBracketFunc")
            << id;
        ids.push_back(id);
    }
    return ids;
}

std::vector<int> ids_of(const std::vector<std::string>& names) {
    std::vector<int> ids;
    for (const std::string& name : names) ids.push_back(id_of(name));
    return ids;
}

VT_CHILD_TEST(Brackets, EveryKnownCommandIsLookedUpThenBracketed) {
    start_host(true);
    bridge_attach_brackets();
    std::vector<std::string> order;
    for (const HostCall& call : test_host::host().recorded) {
        order.push_back(call.name == "ProCmdCmdIdFind_v" ? std::string(reinterpret_cast<const char*>(call.words[1]))
                                                         : call.name);
    }
    std::vector<std::string> expected = bracketed_names;
    expected.insert(expected.end(), 5, "ProCmdBracketFuncAdd_v");
    EXPECT_EQ(order, expected);
    EXPECT_EQ(test_host::host().recorded[0].words[0], test_host::app_handle);
    std::vector<int> ids = ids_of(bracketed_names);
    EXPECT_EQ(std::count(ids.begin(), ids.end(), 0), 0) << "the host knows all five";
    EXPECT_EQ(table_ids(), ids);
    EXPECT_EQ(bracketed_ids(), ids);
    EXPECT_TRUE(fake_pdm::calls.empty());
}

VT_CHILD_TEST(Brackets, OneWindowCloseIsReportedBeforeAndAfter) {
    start_host(true);
    bridge_attach_brackets();
    EXPECT_EQ(test_host::run_command("ProCmdWinCloseAsyn"), (std::vector<int>{1, 0}));
    EXPECT_EQ(fake_pdm::calls, (std::vector<std::string>{"SwitchDocument(CloseWindow)",
                                                         "SwitchDocument(CloseWindow)"}));
    // Whatever the client library answers, the close goes ahead with the host's own flag.
    const int close = id_of("ProCmdWinCloseAsyn");
    fake_pdm::answers["SwitchDocument"] = 1;
    EXPECT_EQ(VTBracketFunc(close, nullptr, 7, nullptr), 7);
    EXPECT_EQ(fake_pdm::calls.size(), 3u);
}

VT_CHILD_TEST(Brackets, OtherCommandsPassThroughWithoutALibraryCall) {
    start_host(true);
    bridge_attach_brackets();
    for (const char* name : {"XProCmdModelSave", "XProCmdExit", "XTestCheckButtonOpt2", "XTestRadioGroupOpt"})
        EXPECT_EQ(test_host::run_command(name), (std::vector<int>{1, 0})) << name;
    const int close = id_of("ProCmdWinCloseAsyn");
    for (int id : {999, 0, -close, close + 100}) {
        EXPECT_EQ(VTBracketFunc(id, nullptr, 1, nullptr), 1) << id;
        EXPECT_EQ(VTBracketFunc(id, nullptr, 0, nullptr), 0) << id;
    }
    EXPECT_TRUE(fake_pdm::calls.empty());
}

VT_CHILD_TEST(Brackets, UnknownNamesKeepIdZeroAndGetNoBracket) {
    vthost::Host& host = start_host(false);
    // The host knows the save command only under another name.
    host.command_by_name("XProCmdModelSave")->name = "XProCmdModelSave_v";
    bridge_attach_brackets();
    const int exit = id_of("XProCmdExit"), close = id_of("ProCmdWinCloseAsyn");
    EXPECT_EQ(table_ids(), (std::vector<int>{0, exit, close, 0, 0}));
    EXPECT_EQ(bracketed_ids(), (std::vector<int>{exit, close}));
    EXPECT_EQ(test_host::run_command("ProCmdWinCloseAsyn"), (std::vector<int>{1, 0}));
    EXPECT_EQ(test_host::run_command("XProCmdModelSave_v"), std::vector<int>{});
    EXPECT_EQ(fake_pdm::calls, (std::vector<std::string>{"SwitchDocument(CloseWindow)",
                                                         "SwitchDocument(CloseWindow)"}));
}

VT_CHILD_TEST(Brackets, NoKnownNameAttachesNothing) {
    vthost::Host& host = start_host(false);
    for (const std::string& name : bracketed_names) forget_command(host, name);
    bridge_attach_brackets();
    EXPECT_EQ(table_ids(), (std::vector<int>{0, 0, 0, 0, 0}));
    EXPECT_TRUE(bracketed_ids().empty());
    EXPECT_TRUE(fake_pdm::calls.empty());
}

VT_CHILD_TEST(Brackets, HostWithoutTheCommandFunctionsAttachesNothing) {
    fake_pdm::reset();
    test_host::install({"ProCmdCmdIdFind_v", "ProCmdBracketFuncAdd_v"});
    VTBracketTable[2].id = 13;  // a stale id must not survive the failed lookup
    bridge_attach_brackets();
    EXPECT_EQ(table_ids(), (std::vector<int>{0, 0, 0, 0, 0}));
    EXPECT_TRUE(test_host::host().recorded.empty());
}

VT_CHILD_TEST(Brackets, FirstEntryWithTheIdDecides) {
    // A host that gives the window close the same id as an earlier command: the earlier entry
    // matches first and the close is not reported.
    vthost::Host& host = start_host(false);
    host.command_by_name("XProCmdExit")->id = id_of("ProCmdWinCloseAsyn");
    bridge_attach_brackets();
    EXPECT_EQ(VTBracketFunc(id_of("ProCmdWinCloseAsyn"), nullptr, 1, nullptr), 1);
    EXPECT_TRUE(fake_pdm::calls.empty());
}

TEST(Brackets, TableNamesTheFiveCommandsInOrder) {
    std::vector<std::string> names;
    for (const bracket_entry& entry : VTBracketTable) names.push_back(entry.name);
    EXPECT_EQ(names, bracketed_names);
}

}  // namespace
