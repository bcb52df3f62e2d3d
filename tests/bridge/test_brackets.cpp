// Host command brackets: attaching to the commands the host knows, and the bracket function
// against the recording client fake.  The bracket table and the gateway's entry caches are
// written once per process, so every case runs in a fresh child process.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "bridge/brackets.h"
#include "bridge/bridge.h"
#include "frame/gateway.h"
#include "tests/fake_pdm/fake_pdm.h"
#include "tests/support/child_test.h"
#include "tests/support/recording_host.h"

namespace {

using recording_host::Call;

const int handle = 44;

// The host's command ids by name; a name not listed is unknown to the host.
std::map<std::string, int> known_commands;

// Installs a host that answers ProCmdCmdIdFind from known_commands.  An unknown name gets a
// non-zero status and, like a careless host, a stray value in the id.
void start_host(std::map<std::string, int> commands) {
    known_commands = std::move(commands);
    fake_pdm::reset();
    recording_host::reset();
    recording_host::install({
        recording_host::typed<"ProCmdCmdIdFind_v", int, int, const char*, int*>(),
        recording_host::typed<"ProCmdBracketFuncAdd_v", int, int, int, command_bracket,
                              const char*, void*>(),
    });
    gateway_install_handle(handle);
    recording_host::behaviour["ProCmdCmdIdFind_v"] = [](const Call& call) {
        const char* name = reinterpret_cast<const char*>(call.words[1]);
        int* id = reinterpret_cast<int*>(call.words[2]);
        auto found = known_commands.find(name);
        if (found == known_commands.end()) {
            *id = 999;
            return 4;
        }
        *id = found->second;
        return 0;
    };
}

std::vector<int> table_ids() {
    std::vector<int> ids;
    for (const bracket_entry& entry : VTBracketTable) ids.push_back(entry.id);
    return ids;
}

// The ids that received the bracket function, checking each attachment's other arguments.
std::vector<int> bracketed_ids() {
    std::vector<int> ids;
    for (const Call& call : recording_host::calls) {
        if (call.name != "ProCmdBracketFuncAdd_v") continue;
        EXPECT_EQ(call.words.size(), 5u);
        EXPECT_EQ(call.words[0], handle);
        EXPECT_EQ(call.words[2], reinterpret_cast<intptr_t>(&VTBracketFunc));
        EXPECT_STREQ(reinterpret_cast<const char*>(call.words[3]), "VTBracketFunc");
        EXPECT_EQ(call.words[4], 0);
        ids.push_back(static_cast<int>(call.words[1]));
    }
    return ids;
}

const std::map<std::string, int> all_known = {
    {"XProCmdModelSave", 11}, {"XProCmdExit", 12}, {"ProCmdWinCloseAsyn", 13},
    {"XTestCheckButtonOpt2", 14}, {"XTestRadioGroupOpt", 15}};

VT_CHILD_TEST(Brackets, EveryKnownCommandIsLookedUpThenBracketed) {
    start_host(all_known);
    bridge_attach_brackets();
    std::vector<std::string> order;
    for (const Call& call : recording_host::calls) {
        order.push_back(call.name == "ProCmdCmdIdFind_v"
                            ? std::string(reinterpret_cast<const char*>(call.words[1]))
                            : call.name);
    }
    EXPECT_EQ(order, (std::vector<std::string>{"XProCmdModelSave", "XProCmdExit",
                                               "ProCmdWinCloseAsyn", "XTestCheckButtonOpt2",
                                               "XTestRadioGroupOpt", "ProCmdBracketFuncAdd_v",
                                               "ProCmdBracketFuncAdd_v", "ProCmdBracketFuncAdd_v",
                                               "ProCmdBracketFuncAdd_v", "ProCmdBracketFuncAdd_v"}));
    EXPECT_EQ(recording_host::calls[0].words[0], handle);
    EXPECT_EQ(table_ids(), (std::vector<int>{11, 12, 13, 14, 15}));
    EXPECT_EQ(bracketed_ids(), (std::vector<int>{11, 12, 13, 14, 15}));
    EXPECT_TRUE(fake_pdm::calls.empty());
}

VT_CHILD_TEST(Brackets, OneWindowCloseIsReportedBeforeAndAfter) {
    start_host(all_known);
    bridge_attach_brackets();
    int value = 0;
    EXPECT_EQ(VTBracketFunc(13, &value, 1, nullptr), 1);
    EXPECT_EQ(fake_pdm::calls, std::vector<std::string>{"SwitchDocument(CloseWindow)"});
    EXPECT_EQ(VTBracketFunc(13, &value, 0, nullptr), 0);
    EXPECT_EQ(fake_pdm::calls, (std::vector<std::string>{"SwitchDocument(CloseWindow)",
                                                         "SwitchDocument(CloseWindow)"}));
    // Whatever the client library answers, the close goes ahead with the host's own flag.
    fake_pdm::answers["SwitchDocument"] = 1;
    EXPECT_EQ(VTBracketFunc(13, nullptr, 7, nullptr), 7);
    EXPECT_EQ(fake_pdm::calls.size(), 3u);
}

VT_CHILD_TEST(Brackets, OtherCommandsPassThroughWithoutALibraryCall) {
    start_host(all_known);
    bridge_attach_brackets();
    for (int id : {11, 12, 14, 15, 999, 0, -13}) {
        EXPECT_EQ(VTBracketFunc(id, nullptr, 1, nullptr), 1) << id;
        EXPECT_EQ(VTBracketFunc(id, nullptr, 0, nullptr), 0) << id;
    }
    EXPECT_TRUE(fake_pdm::calls.empty());
}

VT_CHILD_TEST(Brackets, UnknownNamesKeepIdZeroAndGetNoBracket) {
    start_host({{"XProCmdExit", 12}, {"ProCmdWinCloseAsyn", 13}, {"XProCmdModelSave_v", 40}});
    bridge_attach_brackets();
    EXPECT_EQ(table_ids(), (std::vector<int>{0, 12, 13, 0, 0}));
    EXPECT_EQ(bracketed_ids(), (std::vector<int>{12, 13}));
    EXPECT_EQ(VTBracketFunc(13, nullptr, 1, nullptr), 1);
    EXPECT_EQ(fake_pdm::calls, std::vector<std::string>{"SwitchDocument(CloseWindow)"});
}

VT_CHILD_TEST(Brackets, NoKnownNameAttachesNothing) {
    start_host({});
    bridge_attach_brackets();
    EXPECT_EQ(table_ids(), (std::vector<int>{0, 0, 0, 0, 0}));
    EXPECT_TRUE(bracketed_ids().empty());
    EXPECT_TRUE(fake_pdm::calls.empty());
}

VT_CHILD_TEST(Brackets, HostWithoutTheCommandFunctionsAttachesNothing) {
    fake_pdm::reset();
    recording_host::reset();
    recording_host::install({});
    VTBracketTable[2].id = 13;  // a stale id must not survive the failed lookup
    bridge_attach_brackets();
    EXPECT_EQ(table_ids(), (std::vector<int>{0, 0, 0, 0, 0}));
    EXPECT_TRUE(recording_host::calls.empty());
}

VT_CHILD_TEST(Brackets, FirstEntryWithTheIdDecides) {
    // A host that gives the window close the same id as an earlier command: the earlier entry
    // matches first and the close is not reported.
    start_host({{"XProCmdExit", 13}, {"ProCmdWinCloseAsyn", 13}});
    bridge_attach_brackets();
    EXPECT_EQ(VTBracketFunc(13, nullptr, 1, nullptr), 1);
    EXPECT_TRUE(fake_pdm::calls.empty());
}

TEST(Brackets, TableNamesTheFiveCommandsInOrder) {
    std::vector<std::string> names;
    for (const bracket_entry& entry : VTBracketTable) names.push_back(entry.name);
    EXPECT_EQ(names, (std::vector<std::string>{"XProCmdModelSave", "XProCmdExit",
                                               "ProCmdWinCloseAsyn", "XTestCheckButtonOpt2",
                                               "XTestRadioGroupOpt"}));
}

}  // namespace
