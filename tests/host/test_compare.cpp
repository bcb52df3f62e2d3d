// Reading escaped script arguments, and the pieces of `vthost --compare`: reading calls from a
// recording and from a transcript, and finding the first difference.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/compare.h"
#include "host/script.h"

namespace {

using vthost::LibraryCall;
using vthost::ScriptCommand;

TEST(ScriptEscapes, HexEscapesBecomeTheirBytes) {
    std::string text, error;
    ASSERT_TRUE(vthost::unescape_word("A\\x20B\\x23\\x5c\\xE3\\x82\\xae", text, error)) << error;
    EXPECT_EQ(text, "A B#\\\xE3\x82\xAE");
    ASSERT_TRUE(vthost::unescape_word("plain", text, error));
    EXPECT_EQ(text, "plain");
    for (const char* bad : {"A\\", "A\\x", "A\\x2", "A\\x2G", "A\\y20", "\\\\"}) {
        EXPECT_FALSE(vthost::unescape_word(bad, text, error)) << bad;
        EXPECT_NE(error.find("bad escape"), std::string::npos) << bad;
    }
}

TEST(ScriptEscapes, CommandArgumentsAreUnescapedButSetenvIsNot) {
    ScriptCommand command;
    std::string error;
    ASSERT_TRUE(vthost::parse_script_line("open \\x23A\\x20B.PRT", command, error)) << error;
    EXPECT_EQ(command.kind, ScriptCommand::OPEN);
    EXPECT_EQ(command.args, std::vector<std::string>{"#A B.PRT"});
    ASSERT_TRUE(vthost::parse_script_line("rename A\\x5CB.PRT C.PRT", command, error)) << error;
    EXPECT_EQ(command.args, (std::vector<std::string>{"A\\B.PRT", "C.PRT"}));
    ASSERT_TRUE(vthost::parse_script_line("setenv X a\\x20b", command, error));
    EXPECT_EQ(command.args, (std::vector<std::string>{"X", "a\\x20b"}));
    EXPECT_FALSE(vthost::parse_script_line("open A\\B.PRT", command, error));
    // The length rule counts the name as it is read back: 79 escaped blanks fit, 80 do not.
    std::string blanks;
    for (int i = 0; i < 79; i++) blanks += "\\x20";
    EXPECT_TRUE(vthost::parse_script_line("open " + blanks + ".PRT", command, error)) << error;
    EXPECT_FALSE(vthost::parse_script_line("open " + blanks + "\\x20.PRT", command, error));
}

TEST(CompareCalls, StandInLinesAndRecordedCommentsReadAlike) {
    LibraryCall call;
    ASSERT_TRUE(vthost::parse_library_call("DocumentData() -> 0  (current document PUMP.PRT)", false, call));
    EXPECT_EQ(call.function, "DocumentData");
    EXPECT_FALSE(call.has_argument);
    EXPECT_EQ(call.answer, 0);
    ASSERT_TRUE(vthost::parse_library_call("AfterOpen(\"\xA5\xAE.PRT\") -> -3", false, call));
    EXPECT_EQ(call.argument, "\xA5\xAE.PRT");
    EXPECT_EQ(call.answer, -3);
    ASSERT_TRUE(vthost::parse_library_call("AfterOpen(\"\\xA5\\xAE\\x22.PRT\") -> 2", true, call));
    EXPECT_EQ(call.argument, "\xA5\xAE\".PRT");
    ASSERT_TRUE(vthost::parse_library_call("BeforeClose(\"\") -> 0", true, call));
    EXPECT_TRUE(call.has_argument);
    EXPECT_EQ(call.argument, "");
    for (const char* bad : {"", "(\"x\") -> 0", "Stop -> 0", "Stop() ->", "Stop() -> x", "Stop() -> 99999999999",
                            "AfterOpen(\"x) -> 0"})
        EXPECT_FALSE(vthost::parse_library_call(bad, false, call)) << bad;
}

TEST(CompareCalls, ARecordingGivesItsHostAndCallsWithStartupMarked) {
    vthost::Recording recording = vthost::read_recording(
        "# vt-vexo session recording, 2026-03-04 05:06:07\r\n"
        "# host version \"Wildfire\\x202\", build \"2004150\", language 1 (japanese)\n"
        "# VTProeVEXO: BeforeInit() -> 5\n"
        "setenv VTPDM_ANSWERS\n"
        "open A.PRT\n"
        "# VTProeVEXO: AfterOpen(\"A.PRT\") -> 0\n"
        "# not a call\n"
        "quit\n"
        "# VTProeVEXO: Stop() -> 0\n");
    EXPECT_EQ(recording.version, "Wildfire 2");
    EXPECT_EQ(recording.build, "2004150");
    EXPECT_EQ(recording.language, 1);
    ASSERT_EQ(recording.calls.size(), 3u);
    EXPECT_TRUE(recording.calls[0].startup);
    EXPECT_EQ(recording.calls[0].line, 3);
    EXPECT_FALSE(recording.calls[1].startup);
    EXPECT_EQ(recording.calls[1].argument, "A.PRT");
    EXPECT_EQ(recording.calls[2].line, 9);

    std::vector<LibraryCall> made = vthost::transcript_calls(
        "host: something\r\nVTProeVEXO: BeforeInit() -> 0\r\n> open A.PRT\nVTProeVEXO: AfterOpen(\"A.PRT\") -> 0\n"
        "VTProeVEXO: Stop() -> 0  (0 documents open)\n");
    ASSERT_EQ(made.size(), 3u);
    EXPECT_EQ(made[2].function, "Stop");
    // Start-up answers come before any script line can set them: only the call counts.
    EXPECT_EQ(vthost::first_difference(recording.calls, made), "");
}

// A key holds whatever bytes the conversion made, a line end among them (U+050A in Hebrew keeps
// its low byte 0x0A): the replay's line is read whole, and the lines after it keep their place.
TEST(CompareCalls, AKeyHoldingALineEndIsReadWhole) {
    std::vector<LibraryCall> made = vthost::transcript_calls(
        "VTProeVEXO: AfterOpen(\"A\nB.PRT\") -> 0\nVTProeVEXO: SwitchDocument(\"A\nB\n\r\n.PRT\") -> 0\n"
        "host: a line\nVTProeVEXO: Stop() -> 0  (1 document open)\n");
    ASSERT_EQ(made.size(), 3u);
    EXPECT_EQ(made[0].argument, "A\nB.PRT");
    EXPECT_EQ(made[1].argument, "A\nB\n\r\n.PRT");
    EXPECT_EQ(made[1].line, 3);
    EXPECT_EQ(made[2].function, "Stop");
    EXPECT_EQ(made[2].line, 8);
    // A stand-in line that never reads as a call is passed over alone.
    made = vthost::transcript_calls("VTProeVEXO: AfterOpen(\"A.PRT\n\nVTProeVEXO: Hide() -> 2\n");
    ASSERT_EQ(made.size(), 1u);
    EXPECT_EQ(made[0].function, "Hide");
}

TEST(CompareCalls, TheFirstDifferenceIsNamed) {
    auto calls = [](std::initializer_list<const char*> lines) {
        std::string text;
        for (const char* line : lines) text += std::string("VTProeVEXO: ") + line + "\n";
        return vthost::transcript_calls(text);
    };
    std::vector<LibraryCall> recorded = calls({"AfterOpen(\"A.PRT\") -> 0", "BeforeSave(\"A.PRT\") -> 0"});
    recorded[1].line = 12;
    EXPECT_EQ(vthost::first_difference(recorded, calls({"AfterOpen(\"A.PRT\") -> 0", "BeforeSave(\"A.PRT\") -> 1"})),
              "the replay differs at call 2 (recording line 12):\n"
              "  recorded: BeforeSave(\"A.PRT\") -> 0\n  replayed: BeforeSave(\"A.PRT\") -> 1");
    EXPECT_NE(vthost::first_difference(recorded, calls({"AfterOpen(\"B.PRT\") -> 0"})).find("call 1 "),
              std::string::npos);
    EXPECT_NE(vthost::first_difference(recorded, calls({"AfterOpen(\"A.PRT\") -> 0"})).find("replayed: no more calls"),
              std::string::npos);
    std::string longer = vthost::first_difference(
        recorded, calls({"AfterOpen(\"A.PRT\") -> 0", "BeforeSave(\"A.PRT\") -> 0", "Stop() -> 0"}));
    EXPECT_NE(longer.find("call 3:\n  recorded: no more calls\n  replayed: Stop() -> 0"), std::string::npos) << longer;
    EXPECT_NE(vthost::first_difference(calls({"Hide() -> 0"}), calls({"Hide(\"\") -> 0"})), "");
}

TEST(CompareCalls, TheCompareOptionIsTakenOutWithItsFile) {
    std::vector<std::string> args{"--quiet", "--compare", "rec.vth", "--lang", "1"};
    std::string recording, error;
    ASSERT_TRUE(vthost::take_compare_option(args, recording, error));
    EXPECT_EQ(recording, "rec.vth");
    EXPECT_EQ(args, (std::vector<std::string>{"--quiet", "--lang", "1"}));
    args = {"--compare"};
    EXPECT_FALSE(vthost::take_compare_option(args, recording, error));
    EXPECT_EQ(error, "--compare needs a value");
}

}  // namespace
