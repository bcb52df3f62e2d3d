// The session script reader and vthost's command line.
#include <gtest/gtest.h>

#include "host/script.h"
#include "host/session.h"

namespace {

using vthost::ScriptCommand;

ScriptCommand parsed(const std::string& line) {
    ScriptCommand command;
    std::string error;
    EXPECT_TRUE(vthost::parse_script_line(line, command, error)) << line << ": " << error;
    return command;
}

std::string refused(const std::string& line) {
    ScriptCommand command;
    std::string error;
    EXPECT_FALSE(vthost::parse_script_line(line, command, error)) << line;
    return error;
}

TEST(ScriptLine, CommentsAndBlankLinesRunNothing) {
    EXPECT_EQ(parsed("").kind, ScriptCommand::NOTHING);
    EXPECT_EQ(parsed("   \t \r").kind, ScriptCommand::NOTHING);
    ScriptCommand comment = parsed("  # open PUMP.PRT");
    EXPECT_EQ(comment.kind, ScriptCommand::NOTHING);
    EXPECT_TRUE(comment.comment_line);
    EXPECT_EQ(comment.comment, " open PUMP.PRT");
}

TEST(ScriptLine, TrailingCommentNeedsBlankBeforeIt) {
    ScriptCommand save = parsed("save   # keep it");
    EXPECT_EQ(save.kind, ScriptCommand::SAVE);
    EXPECT_TRUE(save.args.empty());
    // A '#' inside a word belongs to the word.
    ScriptCommand pick = parsed("pick G#1");
    EXPECT_EQ(pick.kind, ScriptCommand::PICK);
    ASSERT_EQ(pick.args.size(), 1u);
    EXPECT_EQ(pick.args[0], "G#1");
}

TEST(ScriptLine, CarriageReturnsAndTabsAreBlank) {
    ScriptCommand open = parsed("\topen\tPUMP.PRT\r");
    EXPECT_EQ(open.kind, ScriptCommand::OPEN);
    ASSERT_EQ(open.args.size(), 1u);
    EXPECT_EQ(open.args[0], "PUMP.PRT");
}

TEST(ScriptLine, EveryCommandWithItsArguments) {
    EXPECT_EQ(parsed("activate none").args[0], "none");
    EXPECT_EQ(parsed("activate ENGINE.ASM").kind, ScriptCommand::ACTIVATE);
    EXPECT_EQ(parsed("close").kind, ScriptCommand::CLOSE);
    EXPECT_EQ(parsed("close-window").kind, ScriptCommand::CLOSE_WINDOW);
    EXPECT_EQ(parsed("menu").kind, ScriptCommand::MENU);
    EXPECT_EQ(parsed("quit").kind, ScriptCommand::QUIT);
    EXPECT_EQ(parsed("regenerate").kind, ScriptCommand::REGENERATE);
    ScriptCommand copy = parsed("copy PUMP.PRT PUMP2.PRT");
    EXPECT_EQ(copy.kind, ScriptCommand::COPY);
    EXPECT_EQ(copy.args, (std::vector<std::string>{"PUMP.PRT", "PUMP2.PRT"}));
    EXPECT_EQ(parsed("rename A.PRT B.PRT").kind, ScriptCommand::RENAME);
}

TEST(ScriptLine, SetenvKeepsTheRestOfTheLineAsValue) {
    ScriptCommand set = parsed("setenv VTPDM_ANSWERS  BeforeSave=0, About=3  ");
    EXPECT_EQ(set.kind, ScriptCommand::SETENV);
    EXPECT_EQ(set.args, (std::vector<std::string>{"VTPDM_ANSWERS", "BeforeSave=0, About=3"}));
    ScriptCommand clear = parsed("setenv VTPDM_ANSWERS");
    EXPECT_EQ(clear.args, (std::vector<std::string>{"VTPDM_ANSWERS", ""}));
    // The value's search starts after the name, even when the name occurs in "setenv" itself.
    EXPECT_EQ(parsed("setenv e x").args, (std::vector<std::string>{"e", "x"}));
}

TEST(ScriptLine, BadLinesSayWhatIsWrong) {
    EXPECT_EQ(refused("frobnicate PUMP.PRT"), "unknown command 'frobnicate'");
    EXPECT_EQ(refused("Open PUMP.PRT"), "unknown command 'Open'");
    EXPECT_EQ(refused("save now"), "usage: save");
    EXPECT_EQ(refused("open"), "usage: open NAME.TYPE");
    EXPECT_EQ(refused("open A.PRT B.PRT"), "usage: open NAME.TYPE");
    EXPECT_EQ(refused("pick"), "usage: pick BUTTON");
    EXPECT_EQ(refused("copy A.PRT"), "usage: copy NAME.TYPE NEW.TYPE");
    EXPECT_EQ(refused("setenv"), "usage: setenv NAME VALUE");
    EXPECT_EQ(refused("setenv 9LIVES x"), "'9LIVES' is not a variable name; usage: setenv NAME VALUE");
    EXPECT_EQ(refused("activate PUMP"), "'PUMP' is not NAME.TYPE; usage: activate NAME.TYPE|none");
    EXPECT_EQ(refused("rename A.PRT B"), "'B' is not NAME.TYPE; usage: rename NAME.TYPE NEW.TYPE");
}

TEST(ModelKey, SplitsAtTheLastFullStop) {
    std::string name, type, error;
    ASSERT_TRUE(vthost::parse_model_key("GEAR.BOX.ASM", name, type, error));
    EXPECT_EQ(name, "GEAR.BOX");
    EXPECT_EQ(type, "ASM");
    for (const char* bad : {"PUMP", ".PRT", "PUMP.", "PUMP.PART", "PUMP.P-T", "PUMP.PR T"})
        EXPECT_FALSE(vthost::parse_model_key(bad, name, type, error)) << bad;
}

TEST(ModelKey, NameLimitCountsWideUnitsNotBytes) {
    std::string name, type, error;
    // 79 two-byte characters fit the host's 80-unit field; 80 do not.
    std::string umlauts;
    for (int i = 0; i < 79; ++i) umlauts += "\xC3\x9C";
    EXPECT_TRUE(vthost::parse_model_key(umlauts + ".PRT", name, type, error)) << error;
    EXPECT_FALSE(vthost::parse_model_key(umlauts + "\xC3\x9C.PRT", name, type, error));
    EXPECT_TRUE(vthost::parse_model_key(std::string(79, 'A') + ".PRT", name, type, error));
    EXPECT_FALSE(vthost::parse_model_key(std::string(80, 'A') + ".PRT", name, type, error));
    EXPECT_NE(error.find("longer than 79"), std::string::npos);
}

TEST(Options, DefaultsAndValues) {
    vthost::Options options;
    std::string error;
    ASSERT_TRUE(vthost::parse_options({}, options, error));
    EXPECT_EQ(options.version, "26");
    EXPECT_EQ(options.build, "2004280");
    EXPECT_EQ(options.language, 0);
    EXPECT_TRUE(options.script.empty());

    ASSERT_TRUE(vthost::parse_options({"--version", "25", "--build", "2003490", "--lang", "japanese", "--quiet",
                                       "--missing", "ProCmdIconSet,ProMdlDataGet_v", "--refuse",
                                       "prodev_pass_version_info", "s.vth"},
                                      options, error))
        << error;
    EXPECT_EQ(options.version, "25");
    EXPECT_EQ(options.build, "2003490");
    EXPECT_EQ(options.language, 1);
    EXPECT_TRUE(options.quiet);
    EXPECT_EQ(options.missing, (std::set<std::string>{"ProCmdIconSet_v", "ProMdlDataGet_v"}));
    EXPECT_EQ(options.refused, (std::set<std::string>{"prodev_pass_version_info_v"}));
    EXPECT_EQ(options.script, "s.vth");
}

TEST(Options, BadCommandLines) {
    struct Case {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"--lang"}, "--lang needs a value"},
        {{"--lang", "klingon"}, "--lang: 'klingon' is neither a language code nor a language name"},
        {{"--lang", "100"}, "--lang: '100' is neither a language code nor a language name"},
        {{"--missing", "ProFrob"}, "--missing: 'ProFrob' is not a host function of vthost"},
        {{"--refuse", "ProCmdIconSet__v"}, "--refuse: 'ProCmdIconSet__v' is not a host function of vthost"},
        {{"--verbose"}, "unknown option --verbose"},
        {{"a.vth", "b.vth"}, "more than one script: a.vth and b.vth"},
    };
    for (const Case& c : cases) {
        vthost::Options options;
        std::string error;
        EXPECT_FALSE(vthost::parse_options(c.args, options, error)) << c.message;
        EXPECT_EQ(error, c.message);
    }
    // A lone "-" is standard input, not an option.
    vthost::Options options;
    std::string error;
    EXPECT_TRUE(vthost::parse_options({"-"}, options, error));
    EXPECT_EQ(options.script, "-");
}

}  // namespace
