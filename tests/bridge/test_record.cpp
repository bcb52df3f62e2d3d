// The session recorder, against the fake host (events, commands, brackets through what the bridge
// registered) and the recording client fake: what the file holds, what it never changes.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bridge/bridge.h"
#include "bridge/record.h"
#include "vt_version.h"
#include "platform/platform.h"
#include "support/fake_pdm.h"
#include "tests/support/test_host.h"
#include "text/text.h"

namespace {

using Lines = std::vector<std::string>;

int not_a_command(int, void*, void*) { return 0; }

void fixed_time(platform_time* now) { *now = platform_time{2026, 3, 4, 5, 6, 7}; }

model_record wide_record(const std::u16string& name, const std::u16string& type) {
    model_record record;
    memset(&record, 0, sizeof record);
    for (size_t i = 0; i < name.size() && i < 80; i++) record.name[i] = name[i];
    for (size_t i = 0; i < type.size() && i < 4; i++) record.type[i] = type[i];
    return record;
}

struct RecordTest : testing::Test {
    std::string path;
    platform_table saved_platform = platform;
    int saved_language = 0;

    void SetUp() override {
        test_host::install();
        fake_pdm::reset();
        saved_language = lang_set(0);
        platform.local_time = fixed_time;
        path = testing::TempDir() + "vt_record_" +
               testing::UnitTest::GetInstance()->current_test_info()->name() + ".vth";
        std::remove(path.c_str());
        platform.set_environment("VT_VEXO_RECORD", path.c_str());
    }
    void TearDown() override {
        if (record_active) record_end(0);
        platform.set_environment("VT_VEXO_RECORD", "");
        platform = saved_platform;
        std::remove(path.c_str());
        lang_set(saved_language < 0 ? 0 : saved_language);
        test_host::reset();
    }
    void start(const char* version = "26", const char* build = "2004280") {
        ASSERT_EQ(bridge_initialize(0, nullptr, version, build, nullptr), 0);
        fake_pdm::reset();
    }
    void with_current(const std::string& name, const std::string& type) {
        test_host::host().open_model(name, type);
    }
    void without_current() { test_host::host().current_window = 0; }
    int pick(const char* menu, const char* button) {
        const vthost::Command* command = test_host::button_command(button);
        EXPECT_TRUE(command != nullptr && test_host::host().find_menu(menu) != nullptr) << menu << " " << button;
        return command != nullptr ? command->action(0, nullptr, nullptr) : -999;
    }
    // The host's id of its asynchronous window close.
    static int window_close_id() { return test_host::host().command_by_name("ProCmdWinCloseAsyn")->id; }
    // Raises a notification through the host; -999 when no hook is subscribed.
    static int notify(int type, model_record* first = nullptr, model_record* second = nullptr) {
        return test_host::host().notify(type, first, second).value_or(-999);
    }
    Lines file_lines() const {
        std::ifstream in(path, std::ios::binary);
        Lines lines;
        std::string line;
        while (std::getline(in, line)) lines.push_back(line);
        return lines;
    }
    // The lines after the header and the start-up calls.
    Lines body() const {
        Lines lines = file_lines();
        for (size_t i = 0; i < lines.size(); ++i)
            if (lines[i] == "setenv VTPDM_ANSWERS") return Lines(lines.begin() + i + 1, lines.end());
        return {};
    }
};

TEST_F(RecordTest, HeaderNamesDateHostLanguageAddinAndStartupCalls) {
    fake_pdm::answers["Start"] = 4;
    start();
    EXPECT_EQ(record_active, 1);
    EXPECT_EQ(file_lines(),
              (Lines{"# vt-vexo session recording, 2026-03-04 05:06:07",
                     "# host version \"26\", build \"2004280\", language 0 (usascii)",
                     std::string("# add-in vt-vexo ") + VT_VEXO_VERSION,
                     "# replay: vthost --lang 0 FILE; vthost --compare FILE checks the client library's calls",
                     "# VTProeVEXO: BeforeInit() -> 0", "# VTProeVEXO: Start() -> 4",
                     "# VTProeVEXO: AfterInit() -> 0", "setenv VTPDM_ANSWERS"}));
}

TEST_F(RecordTest, HostTextsInTheHeaderAreEscapedAndCut) {
    std::string version = "2\"6\n\\" + std::string(200, 'v');
    start(version.c_str(), "\xE4");
    Lines lines = file_lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[1], "# host version \"2\\x226\\x0A\\x5C" + std::string(59, 'v') +
                            "\", build \"\\xE4\", language 0 (usascii)");
}

TEST_F(RecordTest, EventsBecomeTheScriptCommandsThatCauseThem) {
    start();
    model_record pump = test_host::make_record("PUMP", "PRT");
    model_record body_asm = test_host::make_record("BODY", "ASM");
    with_current("PUMP", "PRT");
    notify(19, &pump);
    notify(24);
    with_current("BODY", "ASM");
    notify(24);
    notify(1);
    notify(3);
    notify(8, &pump, &body_asm);
    notify(6, &body_asm, &pump);
    pick("UserMenuO", "G14");
    pick("UserMenuO", "G7a");
    pick("GEN", "G4");
    pick("UserMenuO", "GLABEL0");
    test_host::run_command("ProCmdWinCloseAsyn");
    notify(9);
    notify(11, &body_asm);
    without_current();
    notify(24);
    bridge_terminate();
    EXPECT_EQ(record_active, 0);
    EXPECT_EQ(body(), (Lines{
                          "open PUMP.PRT",
                          "# VTProeVEXO: AfterOpen(\"PUMP.PRT\") -> 0",
                          "# VTProeVEXO: SwitchDocument(\"PUMP.PRT\") -> 0",
                          "activate BODY.ASM",
                          "# VTProeVEXO: SwitchDocument(\"BODY.ASM\") -> 0",
                          "save",
                          "# VTProeVEXO: BeforeSave(\"BODY.ASM\") -> 1",
                          "regenerate",
                          "copy PUMP.PRT BODY.ASM",
                          "rename BODY.ASM PUMP.PRT",
                          "pick G14",
                          "# VTProeVEXO: DocumentData() -> 0",
                          "pick G7a",
                          "# VTProeVEXO: CmdExec(\"VMM_USER_LOGIN\") -> 0",
                          "pick G4",
                          "# VTProeVEXO: Hide() -> 0",
                          "pick GLABEL0",
                          "close-window",
                          "# VTProeVEXO: SwitchDocument(\"CloseWindow\") -> 0",
                          "# VTProeVEXO: SwitchDocument(\"CloseWindow\") -> 0",
                          "close",
                          "# VTProeVEXO: BeforeClose(\"\") -> 0",
                          "# VTProeVEXO: AfterClose(\"BODY.ASM\") -> 0",
                          "activate none",
                          "# VTProeVEXO: SwitchDocument(\"\") -> 0",
                          "quit",
                          "# VTProeVEXO: Stop() -> 0",
                      }));
}

// The window close of a session: bracket, the window change inside it, bracket; one entry.
TEST_F(RecordTest, TheWindowChangeInsideTheWindowCloseBelongsToIt) {
    start();
    with_current("PUMP", "PRT");
    EXPECT_EQ(VTBracketFunc(window_close_id(), nullptr, 1, nullptr), 1);
    without_current();
    notify(24);
    EXPECT_EQ(VTBracketFunc(window_close_id(), nullptr, 0, nullptr), 0);
    EXPECT_EQ(body(), (Lines{"close-window", "# VTProeVEXO: SwitchDocument(\"CloseWindow\") -> 0",
                             "# VTProeVEXO: SwitchDocument(\"\") -> 0",
                             "# VTProeVEXO: SwitchDocument(\"CloseWindow\") -> 0"}));
}

TEST_F(RecordTest, AnswersThatDifferFromTheStandInsComeFirstAsASetenvLine) {
    start();
    with_current("PUMP", "PRT");
    fake_pdm::answers["BeforeSave"] = 0;
    notify(1);
    notify(1); // the same answer again: nothing to set
    fake_pdm::answers["BeforeSave"] = 1;
    fake_pdm::answers["About"] = -2;
    fake_pdm::answers["SwitchDocument"] = 3;
    notify(1);
    pick("UserMenuO", "G3");
    notify(24);
    EXPECT_EQ(body(), (Lines{
                          "setenv VTPDM_ANSWERS BeforeSave=0",
                          "save",
                          "# VTProeVEXO: BeforeSave(\"PUMP.PRT\") -> 0",
                          "save",
                          "# VTProeVEXO: BeforeSave(\"PUMP.PRT\") -> 0",
                          "setenv VTPDM_ANSWERS",
                          "save",
                          "# VTProeVEXO: BeforeSave(\"PUMP.PRT\") -> 1",
                          "setenv VTPDM_ANSWERS About=-2",
                          "pick G3",
                          "# VTProeVEXO: About() -> -2",
                          "setenv VTPDM_ANSWERS About=-2,SwitchDocument=3",
                          "activate PUMP.PRT",
                          "# VTProeVEXO: SwitchDocument(\"PUMP.PRT\") -> 3",
                      }));
}

// An open whose window change never comes, a close the host did not announce, a bracket that
// only leaves: what happened is written all the same, in order.
TEST_F(RecordTest, ActionsCutShortStillWriteWhatHappened) {
    start();
    model_record pump = test_host::make_record("PUMP", "PRT");
    with_current("PUMP", "PRT");
    notify(19, &pump);
    notify(1);
    notify(11, &pump);
    EXPECT_EQ(VTBracketFunc(window_close_id(), nullptr, 0, nullptr), 0);
    test_host::host().answers["ProMdlDataGet_v"] = [](const vthost::HostCall&) { return -2; };
    notify(24);
    EXPECT_EQ(body(), (Lines{
                          "open PUMP.PRT",
                          "# VTProeVEXO: AfterOpen(\"PUMP.PRT\") -> 0",
                          "save",
                          "# VTProeVEXO: BeforeSave(\"PUMP.PRT\") -> 1",
                          "# the host closed PUMP.PRT without the notice before",
                          "# VTProeVEXO: AfterClose(\"PUMP.PRT\") -> 0",
                          "# VTProeVEXO: SwitchDocument(\"CloseWindow\") -> 0",
                          "# the current window changed; its model could not be read",
                      }));
}

TEST_F(RecordTest, NamesAreUtf8FromTheHostsUtf16WithWhatAScriptCannotHoldEscaped) {
    lang_set(1); // Japanese: the library gets EUC-JP, the script UTF-8
    start();
    model_record odd = wide_record(u"\u30AE\u30A2 #\\\x01\U0002000B\xD800.", u"prt");
    notify(19, &odd);
    bridge_terminate(); // the open is written once it is over
    Lines lines = body();
    ASSERT_GE(lines.size(), 2u) << testing::PrintToString(file_lines());
    EXPECT_EQ(lines[0], "open \u30AE\u30A2\\x20\\x23\\x5C\\x01\U0002000B\uFFFD..prt");
    EXPECT_EQ(lines[1], "# VTProeVEXO: AfterOpen(\"\\xA5\\xAE\\xA5\\xA2 #\\x5C\\x01???..prt\") -> 0");
}

TEST_F(RecordTest, NoLineIsLongerThanTheBoundWhateverTheNames) {
    start();
    std::u16string widest(80, u'#');
    model_record first = wide_record(widest, u"\x01\x02\x03\x04");
    model_record second = wide_record(std::u16string(80, u'\u30AE'), u"ABCD");
    notify(6, &first, &second);
    for (const char* name : {"QueryChangeReq", "NewChangeReq", "QueryChangeOrd", "NewChangeOrd",
                             "QueryAssignedTask", "Hide", "Show", "Options", "Help", "About"})
        fake_pdm::answers[name] = -2147483647 - 1;
    pick("UserMenuO", "G3");
    Lines lines = body();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].size(), 7 + 80 * 4 + 1 + 4 * 4 + 1 + 80 * 3 + 1 + 4u);
    EXPECT_EQ(lines[1], "setenv VTPDM_ANSWERS About=-2147483648");
    for (const std::string& line : file_lines()) EXPECT_LE(line.size(), size_t(RECORD_LINE_MAX));
}

// Recording on, recording off, the file unwritable: the host and the library see the same.
TEST_F(RecordTest, RecordingNeverChangesWhatTheHostIsAnswered) {
    auto session = [this]() {
        std::vector<int> answers;
        fake_pdm::reset();
        with_current("PUMP", "PRT");
        for (int library : {1, 0, -4}) {
            fake_pdm::answers["BeforeSave"] = library;
            fake_pdm::answers["Help"] = library;
            answers.push_back(notify(1));
            answers.push_back(pick("UserMenuO", "G6"));
        }
        model_record pump = test_host::make_record("PUMP", "PRT");
        answers.push_back(notify(19, &pump));
        answers.push_back(notify(8, &pump, &pump));
        answers.push_back(notify(6, &pump, &pump));
        for (int answer : test_host::run_command("ProCmdWinCloseAsyn")) answers.push_back(answer);
        answers.push_back(pick("UserMenuO", "G7a"));
        answers.push_back(bridge_terminate());
        return std::make_pair(answers, fake_pdm::calls);
    };
    start();
    ASSERT_EQ(record_active, 1);
    auto recorded = session();
    EXPECT_EQ(record_active, 0);

    test_host::install();
    platform.set_environment("VT_VEXO_RECORD", "");
    start();
    ASSERT_EQ(record_active, 0);
    auto plain = session();
    EXPECT_EQ(recorded, plain);
    EXPECT_EQ(plain.first, (std::vector<int>{0, 1, 1, 0, 0, -4, 0, 0, 0, 1, 0, 0, 0}));

    test_host::install();
    std::string unwritable = testing::TempDir() + "no_such_directory/recording.vth";
    platform.set_environment("VT_VEXO_RECORD", unwritable.c_str());
    testing::internal::CaptureStdout();
    start();
    std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(record_active, 0);
    EXPECT_EQ(log, "vt_vexo: cannot open the recording file " + unwritable + "; recording is off\n");
    EXPECT_EQ(session(), plain);
}

#if !defined(_WIN32)
TEST_F(RecordTest, AFileThatCannotBeWrittenStopsTheRecordingWithOneLine) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    platform.set_environment("VT_VEXO_RECORD", "/dev/full");
    testing::internal::CaptureStdout();
    start();
    with_current("PUMP", "PRT");
    EXPECT_EQ(notify(1), 0);
    std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(record_active, 0);
    EXPECT_EQ(log, "vt_vexo: cannot write the recording file /dev/full; recording stopped\n");
    EXPECT_EQ(fake_pdm::calls, Lines{"BeforeSave(PUMP.PRT)"});
}
#endif

// The recorder names a command by the button that runs it: every handler has one, and the host
// runs that very handler for it.
TEST_F(RecordTest, EveryHandlerHasTheButtonThatRunsIt) {
    start();
#define VT_CHECK_BUTTON(fn)                                                             \
    {                                                                                        \
        const char* button = bridge_button_of(fn);                                      \
        ASSERT_NE(button, nullptr) << #fn;                                              \
        const vthost::Command* action = test_host::button_command(button);                   \
        ASSERT_NE(action, nullptr) << #fn << " " << button;                            \
        EXPECT_EQ(action->action, fn) << #fn << " " << button;                    \
    }
    VT_COMMAND_HANDLERS(VT_CHECK_BUTTON)
#undef VT_CHECK_BUTTON
    EXPECT_EQ(bridge_button_of(not_a_command), nullptr);
    EXPECT_EQ(bridge_button_of(nullptr), nullptr);   // not the sub-menus, which run nothing
}

TEST_F(RecordTest, EveryCommandIsRecordedAsThePickOfItsButton) {
    start();
    Lines expected;
#define VT_RUN_RECORDED(fn)                                                                  \
    if (fn != VTCmdNone) {                                                                   \
        fn(0, nullptr, nullptr);                                                             \
        expected.push_back(std::string("pick ") + bridge_button_of(fn));                     \
    }
    VT_COMMAND_HANDLERS(VT_RUN_RECORDED)
#undef VT_RUN_RECORDED
    Lines picks;
    for (const std::string& line : body())
        if (line.rfind("pick ", 0) == 0) picks.push_back(line);
    EXPECT_EQ(picks, expected);
    EXPECT_EQ(expected.size(), 24u);
}

TEST_F(RecordTest, WhatTheBridgeCannotNameIsWrittenAsAComment) {
    // Nothing is written before start-up opens the file.
    record_hook(RECORD_SAVING, nullptr, "BeforeSave", "", 1);
    record_command(VTCmdAbout, "About", nullptr, 0);
    record_bracket(1, 0);
    EXPECT_TRUE(file_lines().empty());
    lang_set(21);                          // a code without a language name
    record_begin(nullptr, nullptr);
    ASSERT_EQ(record_active, 1);
    record_hook(RECORD_OPENED, nullptr, "AfterOpen", "", 0);
    record_hook(RECORD_SWITCHED, nullptr, "SwitchDocument", "", 0);
    record_hook(RECORD_SWITCHED, nullptr, nullptr, nullptr, 0);
    record_hook(RECORD_CLOSED, nullptr, "AfterClose", "", 0);
    record_command(not_a_command, nullptr, nullptr, 0);
    record_end(0);
    Lines lines = file_lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[1], "# host version \"\", build \"\", language 21");
    auto has = [&](const std::string& text) {
        for (const std::string& line : lines)
            if (line == text) return true;
        return false;
    };
    EXPECT_TRUE(has("open ")) << "an opened model the hook could not read";
    EXPECT_TRUE(has("# the current window changed; its model could not be read"));
    EXPECT_TRUE(has("# the host closed  without the notice before"));
    EXPECT_TRUE(has("# a command without a button"));
    EXPECT_TRUE(has("quit"));
}

TEST_F(RecordTest, NamesBeyondAsciiAndLoneSurrogatesAreWrittenAsUtf8) {
    start();
    const char16_t name[] = {u'\u00e9', u'\u05d0', u'\u30a2', 0xD83D, 0xDE00, 0xDC00, u'z', 0};
    model_record model = wide_record(name, u"PRT");
    notify(19, &model);
    notify(24);          // the open's entry ends with the window change that follows it
    Lines lines = body();
    ASSERT_FALSE(lines.empty());
    // e-acute and alef take two bytes, katakana A three, the pair four; the lone low
    // surrogate becomes U+FFFD.
    EXPECT_EQ(lines[0], "open \xC3\xA9\xD7\x90\xE3\x82\xA2\xF0\x9F\x98\x80\xEF\xBF\xBDz.PRT") << lines[0];
}

// What UTF-8 cannot hold or a script line cannot show, at the edges: DEL is escaped, a high
// surrogate pairs only with a low one that follows inside the same field, and a private-use
// character is written like any other.
TEST_F(RecordTest, SurrogatesPairOnlyInsideTheirOwnField) {
    start();
    const char16_t odd[] = {u'a', 0x7F, 0xD83D, 0xE000, 0xE000, 0};
    model_record first = wide_record(odd, u"PRT");
    notify(19, &first);
    // The name's last unit a high surrogate, the type's first a low one: two lone units.
    std::u16string edge(79, u'n');
    edge += char16_t(0xD83D);
    const char16_t type[] = {0xDE00, u'P', 0};
    model_record second = wide_record(edge, type);
    notify(19, &second);
    bridge_terminate();
    Lines lines = body();
    ASSERT_GE(lines.size(), 4u) << testing::PrintToString(file_lines());
    EXPECT_EQ(lines[0], "open a\\x7F\xEF\xBF\xBD\xEE\x80\x80\xEE\x80\x80.PRT");
    EXPECT_EQ(lines[2], "open " + std::string(79, 'n') + "\xEF\xBF\xBD.\xEF\xBF\xBDP");
}

// The copy and rename notifications without both models: a comment, and the host gets the
// answer it gets without recording.
TEST_F(RecordTest, PairNotificationsWithoutTheirModelsAreWrittenAsComments) {
    start();
    model_record pump = test_host::make_record("PUMP", "PRT");
    EXPECT_EQ(notify(8), 0);
    EXPECT_EQ(notify(6, &pump, nullptr), 0);
    EXPECT_EQ(notify(8, nullptr, &pump), 0);
    EXPECT_EQ(body(), (Lines{"# copy without its two models", "# rename without its two models",
                             "# copy without its two models"}));
}

// With recording on, the hooks that find no model make no call, and the entry says only what
// the host did.
TEST_F(RecordTest, HooksWithoutAModelWriteTheActionAlone) {
    start();
    with_current("PUMP", "PRT");
    test_host::host().answers["ProMdlDataGet_v"] = [](const vthost::HostCall&) { return -2; };
    EXPECT_EQ(notify(1), 1);      // a current model the host cannot describe
    notify(19);
    bridge_terminate();
    EXPECT_EQ(body(), (Lines{"save", "open ", "quit", "# VTProeVEXO: Stop() -> 0"}));
    EXPECT_EQ(fake_pdm::calls, Lines{"Stop"});   // no library call but the last
}

// A call under a name the client library does not have is left out, not written as another.
TEST_F(RecordTest, ACallOfAnUnknownFunctionIsLeftOut) {
    start();
    record_hook(RECORD_SAVING, nullptr, "NoSuchFunction", "PUMP.PRT", 5);
    record_hook(RECORD_REGENERATED, nullptr, "", nullptr, 5);
    record_end(0);
    EXPECT_EQ(body(), (Lines{"save", "regenerate", "quit", "# VTProeVEXO: Stop() -> 0"}));
}

// An entry keeps at most four calls, however many window changes a host sends inside one
// window close; the next action is written whole.
TEST_F(RecordTest, AnEntryKeepsAtMostFourCalls) {
    start();
    with_current("PUMP", "PRT");
    EXPECT_EQ(VTBracketFunc(window_close_id(), nullptr, 1, nullptr), 1);
    for (int i = 0; i < 5; ++i) notify(24);
    EXPECT_EQ(VTBracketFunc(window_close_id(), nullptr, 0, nullptr), 0);
    notify(1);
    Lines lines = body();
    EXPECT_EQ(lines, (Lines{"close-window", "# VTProeVEXO: SwitchDocument(\"CloseWindow\") -> 0",
                            "# VTProeVEXO: SwitchDocument(\"PUMP.PRT\") -> 0",
                            "# VTProeVEXO: SwitchDocument(\"PUMP.PRT\") -> 0",
                            "# VTProeVEXO: SwitchDocument(\"PUMP.PRT\") -> 0", "save",
                            "# VTProeVEXO: BeforeSave(\"PUMP.PRT\") -> 1"}));
}

// A second start-up ends the recording in progress with its quit before the new header.
TEST_F(RecordTest, StartingAgainEndsTheRecordingInProgress) {
    start();
    with_current("PUMP", "PRT");
    notify(1);
    start();
    EXPECT_EQ(record_active, 1);
    Lines lines = file_lines();
    std::vector<size_t> headers;
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i].rfind("# vt-vexo session recording, ", 0) == 0) headers.push_back(i);
    ASSERT_EQ(headers.size(), 2u) << testing::PrintToString(lines);
    ASSERT_GE(headers[1], 4u);
    EXPECT_EQ(Lines(lines.begin() + headers[1] - 4, lines.begin() + headers[1]),
              (Lines{"save", "# VTProeVEXO: BeforeSave(\"PUMP.PRT\") -> 1", "quit", "# VTProeVEXO: Stop() -> 0"}));
}

}  // namespace
