// Command handlers: the three families against the recording client fake.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "bridge/bridge.h"
#include "pdmclient/vtpdm.h"
#include "platform/platform.h"
#include "support/fake_pdm.h"

namespace {

std::vector<std::string> debug_lines;
void record_debug(const char* text) { debug_lines.push_back(text); }

// Replaces the platform's debug output with a recorder for the life of a test.
struct HandlerTest : testing::Test {
    void (*saved)(const char*) = nullptr;
    void SetUp() override {
        fake_pdm::reset();
        debug_lines.clear();
        saved = platform.debug_output;
        platform.debug_output = record_debug;
    }
    void TearDown() override { platform.debug_output = saved; }
};

struct Row {
    command_action handler;
    const char* library;
};

const Row status_rows[] = {
    {VTCmdQueryChangeReq, "QueryChangeReq"}, {VTCmdNewChangeReq, "NewChangeReq"},
    {VTCmdQueryChangeOrd, "QueryChangeOrd"}, {VTCmdNewChangeOrd, "NewChangeOrd"},
    {VTCmdQueryAssignedTask, "QueryAssignedTask"}, {VTCmdHide, "Hide"}, {VTCmdShow, "Show"},
    {VTCmdOptions, "Options"}, {VTCmdHelp, "Help"}, {VTCmdAbout, "About"},
};

const Row plain_rows[] = {
    {VTCmdProjectBrowser, "ProjectBrowser"}, {VTCmdFindArchive, "FindArchive"},
    {VTCmdQueryOnDocuments, "QueryOnDocuments"}, {VTCmdQueryOnParts, "QueryOnParts"},
    {VTCmdQueryOnBom, "QueryOnBom"}, {VTCmdQueryViews, "QueryViews"},
    {VTCmdBomViews, "BomViews"}, {VTCmdDocumentData, "DocumentData"},
    {VTCmdPartData, "PartData"}, {VTCmdSaveIntoProject, "SaveIntoProject"},
    {VTCmdImportIntoProject, "ImportIntoProject"},
};

struct CodeRow {
    command_action handler;
    const char* code;
};

const CodeRow code_rows[] = {{VTCmdLogin, "VMM_USER_LOGIN"},
                             {VTCmdNewEntity, "VMM_EE_NEW"},
                             {VTCmdPswManager, "VT_PB::PWSMANAGER"}};

// The rows above against the one lists: every handler of the bridge's list stands in exactly
// one family (VTCmdNone aside), and every library function they name is a function of the
// client list that takes no argument, named by one handler only.
TEST(HandlerRows, CoverTheHandlerListAndNameClientFunctionsWithoutArguments) {
    std::map<const void*, int> family_count;
    for (const Row& row : status_rows) ++family_count[reinterpret_cast<const void*>(row.handler)];
    for (const Row& row : plain_rows) ++family_count[reinterpret_cast<const void*>(row.handler)];
    for (const CodeRow& row : code_rows) ++family_count[reinterpret_cast<const void*>(row.handler)];
    ++family_count[reinterpret_cast<const void*>(&VTCmdNone)];
    std::vector<std::string> listed;
#define LISTED(handler) \
    listed.push_back(#handler); \
    EXPECT_EQ(family_count[reinterpret_cast<const void*>(&handler)], 1) << #handler;
    VT_COMMAND_HANDLERS(LISTED)
#undef LISTED
    EXPECT_EQ(listed.size(), family_count.size()) << "a row names a handler the list lacks";

    std::map<std::string, int> without_argument;
#define CLIENT(name, argument, default_answer) \
    if (std::string(#argument) == "none") without_argument[#name] = 0;
    VTPDM_FUNCTION_LIST(CLIENT)
#undef CLIENT
    std::vector<const Row*> all;
    for (const Row& row : status_rows) all.push_back(&row);
    for (const Row& row : plain_rows) all.push_back(&row);
    for (const Row* row : all) {
        ASSERT_EQ(without_argument.count(row->library), 1u) << row->library;
        EXPECT_EQ(++without_argument[row->library], 1) << row->library << " served twice";
    }
}

TEST_F(HandlerTest, StatusHandlersPassTheLibraryResultUnchanged) {
    for (const Row& row : status_rows) {
        for (int answer : {0, 7, -3}) {
            fake_pdm::reset();
            fake_pdm::answers[row.library] = answer;
            int dummy = 0;
            EXPECT_EQ(row.handler(42, &dummy, &dummy), answer) << row.library;
            EXPECT_EQ(fake_pdm::calls, std::vector<std::string>{row.library});
        }
    }
    EXPECT_TRUE(debug_lines.empty());
}

TEST_F(HandlerTest, PlainHandlersReturnZeroWhateverTheLibrarySays) {
    for (const Row& row : plain_rows) {
        fake_pdm::reset();
        fake_pdm::answers[row.library] = 9;
        EXPECT_EQ(row.handler(1, nullptr, nullptr), 0) << row.library;
        EXPECT_EQ(fake_pdm::calls, std::vector<std::string>{row.library});
    }
    EXPECT_TRUE(debug_lines.empty());
}

TEST_F(HandlerTest, CommandCodeHandlersTraceTheCodeThenCallCmdExec) {
    for (const CodeRow& row : code_rows) {
        fake_pdm::reset();
        debug_lines.clear();
        fake_pdm::answers["CmdExec"] = 5;
        EXPECT_EQ(row.handler(3, nullptr, nullptr), 0);
        EXPECT_EQ(debug_lines, std::vector<std::string>{row.code});
        EXPECT_EQ(fake_pdm::calls, std::vector<std::string>{std::string("CmdExec(") + row.code + ")"});
    }
}

TEST_F(HandlerTest, NoneCallsNothing) {
    EXPECT_EQ(VTCmdNone(0, nullptr, nullptr), 0);
    EXPECT_TRUE(fake_pdm::calls.empty());
    EXPECT_TRUE(debug_lines.empty());
}

}  // namespace

#include "tests/support/child.h"

VT_CHILD(new_entity_command) { return VTCmdNewEntity(0, nullptr, nullptr); }

namespace {

// Through the real platform layer: the code reaches the debug output (standard error plus a line
// end on POSIX, OutputDebugStringA on Windows, which writes nothing to the streams).
TEST(HandlerDebugOutput, CommandCodeReachesThePlatformDebugOutput) {
    auto result = vt_test::run_child("new_entity_command");
    ASSERT_TRUE(result.exited);
    EXPECT_EQ(result.exit_code, 0);
#if defined(_WIN32)
    EXPECT_EQ(result.err, "");
#else
    EXPECT_EQ(result.err, "VMM_EE_NEW\n");
#endif
}

}  // namespace
