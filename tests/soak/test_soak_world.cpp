// The soak's prediction, checked by hand: which client-library calls a script command must make
// the add-in do, with which key and answer, and the status that goes back to the host; and the
// narrow keys of each conversion path.
#include <gtest/gtest.h>

#include <set>

#include "bridge/menu_table.h"
#include "frame/vt_constants.h"
#include "host/soak.h"

namespace {

using vthost::Prediction;
using vthost::ScriptCommand;
using vthost::SoakWorld;

ScriptCommand line(const std::string& text) {
    ScriptCommand command;
    std::string error;
    EXPECT_TRUE(vthost::parse_script_line(text, command, error)) << text << ": " << error;
    return command;
}

/* The stand-in lines a command must cause, then the world advanced by it. */
std::vector<std::string> calls(SoakWorld& world, const std::string& text, Prediction* prediction = nullptr) {
    ScriptCommand command = line(text);
    Prediction predicted = world.predict(command);
    EXPECT_TRUE(world.apply(command)) << text;
    if (prediction != nullptr) *prediction = predicted;
    std::vector<std::string> lines;
    for (const vthost::ExpectedCall& call : predicted.calls) lines.push_back(call.line());
    return lines;
}

using Lines = std::vector<std::string>;

}  // namespace

TEST(SoakWorld, OpenActivateAndTheWindowClose) {
    SoakWorld world;
    EXPECT_EQ(calls(world, "open PUMP.PRT"),
              (Lines{"VTProeVEXO: AfterOpen(\"PUMP.PRT\") -> 0", "VTProeVEXO: SwitchDocument(\"PUMP.PRT\") -> 0"}));
    EXPECT_EQ(calls(world, "open SHAFT.PRT").size(), 2u);
    // A model in session again: its window, no second AfterOpen.
    EXPECT_EQ(calls(world, "open PUMP.PRT"), (Lines{"VTProeVEXO: SwitchDocument(\"PUMP.PRT\") -> 0"}));
    EXPECT_EQ(calls(world, "activate none"), (Lines{"VTProeVEXO: SwitchDocument(\"\") -> 0"}));
    EXPECT_EQ(world.current(), nullptr);
    EXPECT_EQ(calls(world, "activate SHAFT.PRT"), (Lines{"VTProeVEXO: SwitchDocument(\"SHAFT.PRT\") -> 0"}));
    EXPECT_EQ(calls(world, "close-window"),
              (Lines{"VTProeVEXO: SwitchDocument(\"CloseWindow\") -> 0", "VTProeVEXO: SwitchDocument(\"\") -> 0",
                     "VTProeVEXO: SwitchDocument(\"CloseWindow\") -> 0"}));
    // The model stays in session without a window; with no current window nothing closes.
    EXPECT_EQ(world.models().size(), 2u);
    EXPECT_TRUE(calls(world, "close-window").empty());
    EXPECT_TRUE(calls(world, "close").empty());
    EXPECT_EQ(calls(world, "activate SHAFT.PRT"), (Lines{"VTProeVEXO: SwitchDocument(\"SHAFT.PRT\") -> 0"}));
    EXPECT_EQ(calls(world, "close"),
              (Lines{"VTProeVEXO: BeforeClose(\"\") -> 0", "VTProeVEXO: AfterClose(\"SHAFT.PRT\") -> 0"}));
    EXPECT_EQ(world.models().size(), 1u);
    EXPECT_FALSE(world.apply(line("activate SHAFT.PRT")));  // no longer in session
}

TEST(SoakWorld, TheSaveAsksTheLibraryAndTurnsItsAnswer) {
    SoakWorld world;
    Prediction save;
    // No current model: the empty key, and the library's yes lets the save go on (0).
    EXPECT_EQ(calls(world, "save", &save), (Lines{"VTProeVEXO: BeforeSave(\"\") -> 1"}));
    EXPECT_TRUE(save.has_status);
    EXPECT_EQ(save.status, 0);
    calls(world, "open PUMP.PRT");
    EXPECT_TRUE(calls(world, "setenv VTPDM_ANSWERS BeforeSave=0,About=3").empty());
    EXPECT_EQ(calls(world, "save", &save), (Lines{"VTProeVEXO: BeforeSave(\"PUMP.PRT\") -> 0"}));
    EXPECT_EQ(save.status, 1);
    calls(world, "setenv VTPDM_ANSWERS BeforeSave=-1");
    calls(world, "save", &save);
    EXPECT_EQ(save.status, 0);  // any answer but 0 lets it go on
    calls(world, "setenv VTPDM_ANSWERS");
    EXPECT_EQ(calls(world, "save", &save), (Lines{"VTProeVEXO: BeforeSave(\"PUMP.PRT\") -> 1"}));
}

TEST(SoakWorld, PicksCallTheirFunctionAndHandBackTheirStatus) {
    SoakWorld world;
    Prediction pick;
    // The model commands are greyed without a current model: nothing runs.
    EXPECT_TRUE(calls(world, "pick G14", &pick).empty());
    EXPECT_FALSE(pick.has_status);
    calls(world, "setenv VTPDM_ANSWERS About=3,DocumentData=6,CmdExec=4");
    EXPECT_EQ(calls(world, "pick G3", &pick), (Lines{"VTProeVEXO: About() -> 3"}));
    EXPECT_EQ(pick.status, 3);  // a status-forwarding command
    EXPECT_EQ(calls(world, "pick G7b", &pick), (Lines{"VTProeVEXO: CmdExec(\"VMM_EE_NEW\") -> 4"}));
    EXPECT_EQ(pick.status, 0);  // a command-code command reports success whatever the library said
    EXPECT_EQ(calls(world, "pick GLABEL2C", &pick), Lines{});
    EXPECT_TRUE(pick.has_status);
    EXPECT_EQ(pick.status, 0);
    calls(world, "open A.ASM");
    EXPECT_EQ(calls(world, "pick G14", &pick), (Lines{"VTProeVEXO: DocumentData() -> 6"}));
    EXPECT_EQ(pick.status, 0);
    EXPECT_EQ(calls(world, "pick C5", &pick), (Lines{"VTProeVEXO: QueryAssignedTask() -> 0"}));
}

TEST(SoakWorld, CopyAndRenameCallNothingButRenameChangesTheKey) {
    SoakWorld world;
    calls(world, "open A.PRT");
    EXPECT_TRUE(calls(world, "copy A.PRT B.PRT").empty());
    EXPECT_TRUE(calls(world, "rename A.PRT C.ASM").empty());
    EXPECT_TRUE(calls(world, "regenerate").empty());
    EXPECT_TRUE(calls(world, "menu").empty());
    EXPECT_FALSE(world.apply(line("copy C.ASM B.PRT")));  // a name in use
    EXPECT_EQ(calls(world, "close"),
              (Lines{"VTProeVEXO: BeforeClose(\"\") -> 0", "VTProeVEXO: AfterClose(\"C.ASM\") -> 0"}));
    // The copy has no window until it is made current.
    EXPECT_EQ(calls(world, "activate B.PRT"), (Lines{"VTProeVEXO: SwitchDocument(\"B.PRT\") -> 0"}));
    EXPECT_EQ(calls(world, "quit"), (Lines{"VTProeVEXO: Stop() -> 0"}));
}

TEST(SoakWorld, KeysAreConvertedAsTheLanguageAsks) {
    // English: Latin-1 with the euro sign at 0x80, other units cut to their low byte, so
    // U+0141 is 'A' and U+0100 ends the name.
    EXPECT_EQ(vthost::soak_narrow(VT_LANG_ENGLISH, u"\u0141\u00F3d\u017A\u20AC"), "A\xF3" "dz\x80");
    EXPECT_EQ(vthost::soak_narrow(VT_LANG_ENGLISH, u"A\u0100B"), "A");
    // Hebrew: the letters at ISO-8859-8's places, the rest cut to the low byte (a line end too).
    EXPECT_EQ(vthost::soak_narrow(VT_LANG_HEBREW, u"\u05D0\u05EA\u05EB\u050A"), "\xE0\xFA\xEB\n");
    // Russian, code page 1251 for the whole string; Greek is not in it.
    EXPECT_EQ(vthost::soak_narrow(VT_LANG_RUSSIAN, u"\u041F\u0443\u0441\u043A"), "\xCF\xF3\xF1\xEA");
    EXPECT_EQ(vthost::soak_narrow(VT_LANG_RUSSIAN, u"\u03A9"), "?");
    // Japanese, EUC-JP: hiragana through Shift_JIS and back, half-width katakana after 0x8E.
    EXPECT_EQ(vthost::soak_narrow(VT_LANG_JAPANESE, u"\u3042\uFF71A"), "\xA4\xA2\x8E\xB1" "A");
    // German, the default code page a character at a time.
    EXPECT_EQ(vthost::soak_narrow(VT_LANG_GERMAN, u"\u00E9\u20AC\u0416"), "\xE9\x80?");
    // Simplified Chinese, code page 936.
    EXPECT_EQ(vthost::soak_narrow(VT_LANG_CHINESE_CN, u"\u4E2D"), "\xD6\xD0");

    SoakWorld hebrew(VT_LANG_HEBREW);
    EXPECT_EQ(calls(hebrew, "open \xD7\x90\xD7\x91.PRT"),
              (Lines{"VTProeVEXO: AfterOpen(\"\xE0\xE1.PRT\") -> 0", "VTProeVEXO: SwitchDocument(\"\xE0\xE1.PRT\") -> 0"}));
}

TEST(SoakWorld, TheButtonTableIsTheMenusButtons) {
    std::set<std::string> menu, table;
#define VT_SOAK_BUTTON(parent, item, kind, ...) if (std::string(#kind) != "SUBMENU") menu.insert(item);
    VT_MENU_ITEMS(VT_SOAK_BUTTON)
#undef VT_SOAK_BUTTON
    for (int i = 0; i < vthost::soak_button_count; ++i) table.insert(vthost::soak_buttons[i].button);
    EXPECT_EQ(table, menu);
}
