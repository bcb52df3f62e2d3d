// The simulated host: its function table, command registry, menus, message files, icons,
// models and the call trace.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <filesystem>
#include <fstream>

#include "host/host_model.h"
#include "host/session.h"

namespace {

namespace fs = std::filesystem;
using namespace vthost;

const int APP = 7;
const char16_t MESSAGES[] = u"menu_vt_vexo.txt";

int do_nothing(int, void*, void*) { return 0; }
int available(void) { return VT_ACCESS_AVAILABLE; }
int unavailable(void) { return VT_ACCESS_UNAVAILABLE; }
int bracket(int, void*, int entering, void*) { return entering; }
int hook(void) { return 0; }

// A host installed for one test, with a scratch directory for message files and icons.
class HostTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.transcript = nullptr;
        host_install(&host);
        dir = fs::temp_directory_path() /
              ("vthost_test_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override {
        host_install(nullptr);
        fs::remove_all(dir);
    }
    void write(const std::string& file, const std::string& contents) {
        std::ofstream out(dir / file, std::ios::binary);
        out << contents;
    }
    std::string dir_text() const { return text_of(dir); }
    int add_command(const char* name, command_access access = available) {
        int id = -1;
        EXPECT_EQ(ProCmdActionAdd_v(APP, name, do_nothing, 5, access, 1, 1, &id), VT_HOST_OK);
        return id;
    }
    std::vector<std::string> names(const std::vector<MenuItem>& items) {
        std::vector<std::string> out;
        for (const MenuItem& item : items) out.push_back(item.name);
        return out;
    }

    Host host;
    fs::path dir;
};

TEST(HostTable, SortedBytewiseWithEveryFunction) {
    std::vector<host_function_pair> table = host_function_table({});
    ASSERT_EQ(table.size(), 13u);
    for (size_t i = 1; i < table.size(); ++i)
        EXPECT_LT(strcmp(table[i - 1].name, table[i].name), 0) << table[i].name;
    // Lower-case names sort after every "Pro..." name in byte order.
    EXPECT_STREQ(table.back().name, "prodev_pass_version_info_v");
    for (const host_function_pair& pair : table) EXPECT_NE(pair.function, nullptr);
}

TEST(HostTable, MissingFunctionsAreLeftOut) {
    std::vector<host_function_pair> table = host_function_table({"ProCmdIconSet_v", "ProMdlDataGet_v"});
    ASSERT_EQ(table.size(), 11u);
    for (const host_function_pair& pair : table) {
        EXPECT_STRNE(pair.name, "ProCmdIconSet_v");
        EXPECT_STRNE(pair.name, "ProMdlDataGet_v");
    }
    EXPECT_EQ(host_function_table_name("ProCmdIconSet"), "ProCmdIconSet_v");
    EXPECT_EQ(host_function_table_name("ProCmdIconSet_v"), "ProCmdIconSet_v");
    EXPECT_EQ(host_function_table_name("ProCmdIconSe"), "");
    EXPECT_EQ(host_function_table_name(""), "");
}

TEST_F(HostTest, CommandIdsAreDistinctAndANameIsRegisteredOnce) {
    int first = add_command("g4cmd");
    int second = add_command("g5cmd");
    EXPECT_GE(first, FIRST_ADDIN_COMMAND_ID);
    EXPECT_NE(first, second);
    int id = 4242;
    EXPECT_EQ(ProCmdActionAdd_v(APP, "g4cmd", do_nothing, 5, available, 1, 1, &id), VT_HOST_NAME_IN_USE);
    EXPECT_EQ(id, 4242);  // untouched
    EXPECT_EQ(ProCmdActionAdd_v(APP, "XProCmdExit", do_nothing, 5, available, 1, 1, &id), VT_HOST_NAME_IN_USE);
    EXPECT_EQ(ProCmdActionAdd_v(APP, "", do_nothing, 5, available, 1, 1, &id), VT_HOST_BAD_INPUTS);
    EXPECT_EQ(ProCmdActionAdd_v(APP, "x", nullptr, 5, available, 1, 1, &id), VT_HOST_BAD_INPUTS);
    EXPECT_EQ(id, 4242);
    EXPECT_EQ(host.commands.size(), 5u);  // three built-ins and two of the add-in
}

TEST_F(HostTest, BuiltinCommandsAreFoundByName) {
    int id = 0;
    EXPECT_EQ(ProCmdCmdIdFind_v(APP, "ProCmdWinCloseAsyn", &id), VT_HOST_OK);
    EXPECT_EQ(id, 1);
    EXPECT_EQ(ProCmdCmdIdFind_v(APP, "XProCmdModelSave", &id), VT_HOST_OK);
    EXPECT_EQ(id, 2);
    EXPECT_EQ(ProCmdCmdIdFind_v(APP, "XProCmdExit", &id), VT_HOST_OK);
    EXPECT_EQ(id, 3);
    id = 99;
    EXPECT_EQ(ProCmdCmdIdFind_v(APP, "XTestRadioGroupOpt", &id), VT_HOST_NOT_FOUND);
    EXPECT_EQ(ProCmdCmdIdFind_v(APP, "proCmdWinCloseAsyn", &id), VT_HOST_NOT_FOUND);
    EXPECT_EQ(id, 99);
}

TEST_F(HostTest, BracketsAttachOnlyToKnownCommands) {
    EXPECT_EQ(ProCmdBracketFuncAdd_v(APP, 1, bracket, "VTBracketFunc", nullptr), VT_HOST_OK);
    EXPECT_EQ(ProCmdBracketFuncAdd_v(APP, 0, bracket, "VTBracketFunc", nullptr), VT_HOST_BAD_INPUTS);
    EXPECT_EQ(ProCmdBracketFuncAdd_v(APP, 1, nullptr, "none", nullptr), VT_HOST_BAD_INPUTS);
    ASSERT_EQ(host.command_by_name("ProCmdWinCloseAsyn")->brackets.size(), 1u);
    EXPECT_EQ(host.command_by_name("ProCmdWinCloseAsyn")->brackets[0].name, "VTBracketFunc");
}

TEST_F(HostTest, WrongApplicationHandleChangesNothing) {
    int id = 5;
    EXPECT_EQ(ProCmdActionAdd_v(APP + 1, "g4cmd", do_nothing, 5, available, 1, 1, &id), VT_HOST_BAD_INPUTS);
    EXPECT_EQ(id, 5);
    EXPECT_EQ(host.command_by_name("g4cmd"), nullptr);
    EXPECT_EQ(ProNotificationSet_v(0, 19, reinterpret_cast<notify_hook>(hook)), VT_HOST_BAD_INPUTS);
    EXPECT_TRUE(host.notifications.empty());
}

TEST_F(HostTest, RefusedFunctionsAnswerWithAnErrorAndDoNothing) {
    host.refused = {"ProCmdActionAdd_v", "ProNotificationSet_v", "prodev_pass_version_info_v"};
    int id = 5;
    EXPECT_EQ(ProCmdActionAdd_v(APP, "g4cmd", do_nothing, 5, available, 1, 1, &id), VT_HOST_GENERAL_ERROR);
    EXPECT_EQ(id, 5);
    EXPECT_EQ(ProNotificationSet_v(APP, 19, reinterpret_cast<notify_hook>(hook)), VT_HOST_GENERAL_ERROR);
    EXPECT_TRUE(host.notifications.empty());
    // The version hand-over refuses with 0, its only failure answer.
    EXPECT_EQ(prodev_pass_version_info_v(APP, 262004280), 0);
    EXPECT_EQ(host.frame_version, 0);
    host.refused.clear();
    EXPECT_NE(prodev_pass_version_info_v(APP, 262004280), 0);
    EXPECT_EQ(host.frame_version, 262004280);
}

TEST_F(HostTest, DisplayVersionIsTheHostsText) {
    host.display_version = "26";
    char* text = nullptr;
    ASSERT_EQ(ProEngineerDisplayversionGet_v(APP, &text), VT_HOST_OK);
    EXPECT_STREQ(text, "26");
}

TEST_F(HostTest, MenusGoNextToTheirNeighbourAndButtonsAreAppended) {
    write("menu_vt_vexo.txt", "");
    std::string d = dir_text();
    ASSERT_EQ(ProMenubarMenuAdd_v(APP, "UserMenuO", "VantorO", "Applications", 1, MESSAGES, d.c_str()), VT_HOST_OK);
    EXPECT_EQ(names(host.menubar), (std::vector<std::string>{"File", "Edit", "View", "Insert", "Analysis", "Info",
                                                             "Applications", "UserMenuO", "Tools", "Window",
                                                             "Help"}));
    int id = add_command("G14");
    for (const char* button : {"G14", "GLABEL1", "G3"})
        ASSERT_EQ(ProMenubarmenuPushbuttonAdd_v(APP, "UserMenuO", button, "k", "h", nullptr, 1, id, MESSAGES,
                                                d.c_str()),
                  VT_HOST_OK);
    // Two sub-menus after the same neighbour: the later one ends up first.
    ASSERT_EQ(ProMenubarmenuMenuAdd_v(APP, "UserMenuO", "SEL", "SEL_label", "GLABEL1", 1, MESSAGES, d.c_str()), VT_HOST_OK);
    ASSERT_EQ(ProMenubarmenuMenuAdd_v(APP, "UserMenuO", "CRO", "CRO_label", "GLABEL1", 1, MESSAGES, d.c_str()), VT_HOST_OK);
    ASSERT_EQ(ProMenubarmenuMenuAdd_v(APP, "UserMenuO", "TOP", "k", "G14", 0, MESSAGES, d.c_str()), VT_HOST_OK);
    EXPECT_EQ(names(host.find_menu("UserMenuO")->children),
              (std::vector<std::string>{"TOP", "G14", "GLABEL1", "CRO", "SEL", "G3"}));
    ASSERT_EQ(ProMenubarmenuPushbuttonAdd_v(APP, "SEL", "G9", "k", "h", nullptr, 1, id, MESSAGES, d.c_str()), VT_HOST_OK);
    EXPECT_EQ(host.find_button("G9")->command_id, id);
}

TEST_F(HostTest, MenuCallsThatTheHostRefuses) {
    std::string d = dir_text();
    int id = add_command("G14");
    EXPECT_EQ(ProMenubarMenuAdd_v(APP, "UserMenuO", "VantorO", "Nowhere", 1, MESSAGES, d.c_str()), VT_HOST_NOT_FOUND);
    EXPECT_EQ(host.find_menu("UserMenuO"), nullptr);
    EXPECT_EQ(ProMenubarMenuAdd_v(APP, "Tools", "VantorO", "Applications", 1, MESSAGES, d.c_str()), VT_HOST_NAME_IN_USE);
    EXPECT_EQ(ProMenubarMenuAdd_v(APP, "UserMenuO", "VantorO", "Applications", 1, nullptr, d.c_str()), VT_HOST_BAD_INPUTS);
    EXPECT_EQ(ProMenubarmenuPushbuttonAdd_v(APP, "UserMenuO", "G14", "k", "h", nullptr, 1, id, MESSAGES, d.c_str()),
              VT_HOST_NOT_FOUND);
    ASSERT_EQ(ProMenubarMenuAdd_v(APP, "UserMenuO", "VantorO", "Applications", 1, MESSAGES, d.c_str()), VT_HOST_OK);
    EXPECT_EQ(ProMenubarmenuPushbuttonAdd_v(APP, "UserMenuO", "G14", "k", "h", nullptr, 1, 9999, MESSAGES, d.c_str()),
              VT_HOST_BAD_INPUTS);
    ASSERT_EQ(ProMenubarmenuPushbuttonAdd_v(APP, "UserMenuO", "G14", "k", "h", nullptr, 1, id, MESSAGES, d.c_str()),
              VT_HOST_OK);
    EXPECT_EQ(ProMenubarmenuPushbuttonAdd_v(APP, "UserMenuO", "G14", "k", "h", nullptr, 1, id, MESSAGES, d.c_str()),
              VT_HOST_NAME_IN_USE);
    EXPECT_EQ(ProMenubarmenuMenuAdd_v(APP, "UserMenuO", "SEL", "k", "GLABEL9", 1, MESSAGES, d.c_str()), VT_HOST_NOT_FOUND);
    EXPECT_EQ(host.find_menu("SEL"), nullptr);
    EXPECT_EQ(host.find_menu("UserMenuO")->children.size(), 1u);
}

TEST_F(HostTest, LabelsComeFromTheMessageFileInTheAppendedDirectory) {
    write("menu_vt_vexo.txt",
          "VantorO\nVantor\n#\n#\n"
          "g14_label\r\nDocument data\r\nDokumentdaten\r\n#\r\n");
    std::string d = dir_text();
    ASSERT_EQ(ProMenubarMenuAdd_v(APP, "UserMenuO", "VantorO", "Applications", 1, MESSAGES, d.c_str()), VT_HOST_OK);
    int id = add_command("G14");
    ASSERT_EQ(ProMenubarmenuPushbuttonAdd_v(APP, "UserMenuO", "G14", "g14_label", "h", nullptr, 1, id, MESSAGES,
                                            d.c_str()),
              VT_HOST_OK);
    ASSERT_EQ(ProMenubarmenuPushbuttonAdd_v(APP, "UserMenuO", "G15", "g15_label", "h", nullptr, 1, id, MESSAGES,
                                            d.c_str()),
              VT_HOST_OK);
    EXPECT_EQ(host.find_menu("UserMenuO")->label, "Vantor");
    EXPECT_EQ(host.find_button("G14")->label, "Document data");
    EXPECT_TRUE(host.find_button("G14")->labelled);
    EXPECT_FALSE(host.find_button("G15")->labelled);  // key not in the file
    // A directory without the file: the item is there, unlabelled.
    std::string elsewhere = d + "/nothing-here";
    ASSERT_EQ(ProMenubarmenuMenuAdd_v(APP, "UserMenuO", "SEL", "VantorO", nullptr, 1, MESSAGES, elsewhere.c_str()),
              VT_HOST_OK);
    EXPECT_FALSE(host.find_menu("SEL")->labelled);
}

TEST_F(HostTest, TranslatedLabelsForOtherLanguages) {
    write("menu_vt_vexo.txt", "g14_label\nDocument data\nDokumentdaten\n#\ng15_label\nPart data\n#\n#\n");
    host.language = 3;
    std::string d = dir_text();
    ASSERT_EQ(ProMenubarMenuAdd_v(APP, "UserMenuO", "g14_label", "Applications", 1, MESSAGES, d.c_str()), VT_HOST_OK);
    ASSERT_EQ(ProMenubarmenuMenuAdd_v(APP, "UserMenuO", "SEL", "g15_label", nullptr, 1, MESSAGES, d.c_str()), VT_HOST_OK);
    EXPECT_EQ(host.find_menu("UserMenuO")->label, "Dokumentdaten");
    EXPECT_EQ(host.find_menu("SEL")->label, "Part data");  // "#": no translation
}

TEST(MessageFile, FourLinesPerMessage) {
    MessageFile file = parse_message_file(
        "a\nA text\n#\n#\n"
        "\n\n"                       // blank lines between messages are skipped
        "b\r\nB text\r\nB Text\r\n#\r\n"
        "a\nsecond a\n#\n#\n"        // the first of two equal keys wins
        "c\nC text\n#");             // the closing "#" may be missing at the end
    ASSERT_EQ(file.size(), 3u);
    EXPECT_EQ(file["a"].english, "A text");
    EXPECT_EQ(file["b"].english, "B text");
    EXPECT_EQ(file["b"].translated, "B Text");
    EXPECT_EQ(file["c"].english, "C text");
    // A key without its texts is dropped.
    EXPECT_EQ(parse_message_file("a\nA\n#\n#\nd\nD only\n").count("d"), 0u);
    EXPECT_TRUE(parse_message_file("").empty());
}

TEST(MessageFile, ShownText) {
    MessageText translated{"Help", "Hilfe"}, untranslated{"Help", "#"}, empty{"Help", ""};
    EXPECT_EQ(shown_text(translated, 0), "Help");
    EXPECT_EQ(shown_text(translated, 3), "Hilfe");
    EXPECT_EQ(shown_text(untranslated, 3), "Help");
    EXPECT_EQ(shown_text(empty, 3), "Help");
}

TEST_F(HostTest, IconsAreLookedUpInTheResourceDirectory) {
    write("help_g6.gif", "GIF89a");
    std::string d = dir_text();
    int id = add_command("G6");
    EXPECT_EQ(ProCmdIconSet_v(APP, id, "help_g6.gif", d.c_str()), VT_HOST_OK);
    EXPECT_TRUE(host.command_by_id(id)->icon_found);
    EXPECT_EQ(ProCmdIconSet_v(APP, id, "about_g3.gif", d.c_str()), VT_HOST_NOT_FOUND);
    EXPECT_FALSE(host.command_by_id(id)->icon_found);
    EXPECT_EQ(host.command_by_id(id)->icon_file, "about_g3.gif");
    EXPECT_EQ(ProCmdIconSet_v(APP, 1, "help_g6.gif", d.c_str()), VT_HOST_BAD_INPUTS);  // a built-in
    EXPECT_EQ(ProCmdDesignate_v(APP, 9999, "k", "h", "h", MESSAGES, d.c_str()), VT_HOST_BAD_INPUTS);
    EXPECT_EQ(ProCmdDesignate_v(APP, id, "g6_label", "g6_help", "g6_help", MESSAGES, d.c_str()), VT_HOST_OK);
    EXPECT_TRUE(host.command_by_id(id)->designated);
}

TEST_F(HostTest, CurrentModelAndItsRecord) {
    void* model = nullptr;
    EXPECT_EQ(ProMdlCurrentGet_v(APP, &model), VT_HOST_NOT_FOUND);
    EXPECT_EQ(model, nullptr);
    host.models.push_back(std::make_unique<Model>(Model{"M\xC3\x9CHLE", "PRT", 1, {}}));
    EXPECT_EQ(ProMdlCurrentGet_v(APP, &model), VT_HOST_NOT_FOUND);  // its window is not current
    host.current_window = 1;
    ASSERT_EQ(ProMdlCurrentGet_v(APP, &model), VT_HOST_OK);
    EXPECT_EQ(model, host.models[0].get());
    model_record record;
    memset(&record, 0x55, sizeof record);
    ASSERT_EQ(ProMdlDataGet_v(APP, model, &record), VT_HOST_OK);
    EXPECT_EQ(std::u16string(record.name), u"M\u00DCHLE");
    EXPECT_EQ(std::u16string(record.type), u"PRT");
    EXPECT_EQ(record.name[79], 0);
    // A handle that is no model in session.
    int not_a_model = 0;
    EXPECT_EQ(ProMdlDataGet_v(APP, &not_a_model, &record), VT_HOST_BAD_INPUTS);
    host.models.clear();
    EXPECT_EQ(ProMdlDataGet_v(APP, model, &record), VT_HOST_BAD_INPUTS);
}

TEST(ModelRecord, LongNamesAreCutToTheField) {
    model_record record;
    fill_model_record(Model{std::string(100, 'N'), "ASMX", 0, {}}, &record);
    EXPECT_EQ(std::u16string(record.name).size(), 79u);
    EXPECT_EQ(std::u16string(record.type), u"ASM");
}

TEST(Text, WidenAndNarrow) {
    EXPECT_EQ(widen("PUMP"), u"PUMP");
    EXPECT_EQ(widen("\xC3\x9C\xE2\x82\xAC\xF0\x9F\x94\xA9"), u"\u00DC\u20AC\U0001F529");
    EXPECT_EQ(narrow(u"\u00DC\u20AC\U0001F529"), "\xC3\x9C\xE2\x82\xAC\xF0\x9F\x94\xA9");
    // Broken UTF-8: a lone continuation byte, an overlong form, a cut sequence, a surrogate.
    EXPECT_EQ(widen("a\x80z"), u"a\uFFFDz");
    EXPECT_EQ(widen("\xC0\xAF"), u"\uFFFD\uFFFD");
    EXPECT_EQ(widen("\xE2\x82"), u"\uFFFD\uFFFD");
    EXPECT_EQ(widen("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");
    const char16_t lone[] = {u'a', 0xD800, u'b', 0};
    EXPECT_EQ(narrow(lone), "a\xEF\xBF\xBD" "b");  // a lone surrogate is U+FFFD
    EXPECT_EQ(narrow(nullptr), "");
}

TEST(Languages, NamesAndNumbers) {
    EXPECT_EQ(language_code_from_text("usascii"), 0);
    EXPECT_EQ(language_code_from_text("german"), 3);
    EXPECT_EQ(language_code_from_text("chinese_cn"), 10);
    EXPECT_EQ(language_code_from_text("hebrew"), 12);
    EXPECT_EQ(language_code_from_text("7"), 7);
    EXPECT_EQ(language_code_from_text("99"), 99);
    for (const char* bad : {"", "German", "100", "-1", "3x", "klingon"})
        EXPECT_EQ(language_code_from_text(bad), -1) << bad;
    EXPECT_STREQ(language_name_of(0), "usascii");
    EXPECT_STREQ(language_name_of(6), "usascii");
    EXPECT_STREQ(language_name_of(9), "chinese_tw");
    EXPECT_STREQ(language_name_of(42), "");
}

TEST_F(HostTest, MenuListingShowsStateLabelAndIcon) {
    write("menu_vt_vexo.txt", "VantorO\nVantor\n#\n#\ng14_label\nDocument data\n#\n#\n");
    write("Docdata_g14.gif", "GIF89a");
    std::string d = dir_text();
    ASSERT_EQ(ProMenubarMenuAdd_v(APP, "UserMenuO", "VantorO", "Applications", 1, MESSAGES, d.c_str()), VT_HOST_OK);
    int g14 = add_command("G14", unavailable);
    int g6 = add_command("G6", available);
    int none = add_command("labelcmd", available);
    ProCmdIconSet_v(APP, g14, "Docdata_g14.gif", d.c_str());
    ProCmdIconSet_v(APP, g6, "help_g6.gif", d.c_str());
    ProMenubarmenuPushbuttonAdd_v(APP, "UserMenuO", "G14", "g14_label", "h", nullptr, 1, g14, MESSAGES, d.c_str());
    ProMenubarmenuMenuAdd_v(APP, "UserMenuO", "GEN", "GEN_label", nullptr, 1, MESSAGES, d.c_str());
    ProMenubarmenuPushbuttonAdd_v(APP, "GEN", "G6", "g6_label", "h", nullptr, 1, g6, MESSAGES, d.c_str());
    ProMenubarmenuPushbuttonAdd_v(APP, "UserMenuO", "GLABEL3", "space_label", "h", nullptr, 1, none, MESSAGES,
                                  d.c_str());
    EXPECT_EQ(menu_listing(host, "UserMenuO"),
              "UserMenuO  \"Vantor\"\n"
              "  G14  \"Document data\"  greyed  icon Docdata_g14.gif\n"
              "  GEN  [GEN_label]  >\n"
              "    G6  [g6_label]  available  icon help_g6.gif missing\n"
              "  GLABEL3  [space_label]  available  no icon\n");
    EXPECT_EQ(menu_listing(host, "NoSuchMenu"), "");
}

TEST_F(HostTest, TraceHasOneJsonLinePerCall) {
    fs::path trace_path = dir / "trace.jsonl";
    host.trace = fopen(text_of(trace_path).c_str(), "w");
    ASSERT_NE(host.trace, nullptr);
    int id = 0;
    ProCmdActionAdd_v(APP, "say \"hi\"\n", do_nothing, 5, available, 1, 0, &id);
    ProCmdCmdIdFind_v(APP, "Nope", &id);
    fclose(host.trace);
    host.trace = nullptr;
    std::ifstream in(trace_path);
    std::string first, second, extra;
    ASSERT_TRUE(std::getline(in, first));
    ASSERT_TRUE(std::getline(in, second));
    EXPECT_FALSE(std::getline(in, extra));
    EXPECT_NE(first.find("{\"call\":\"ProCmdActionAdd_v\",\"app_handle\":7,\"action\":\"say \\\"hi\\\"\\n\""),
              std::string::npos)
        << first;
    EXPECT_NE(first.find("\"priority\":5"), std::string::npos);
    EXPECT_NE(first.find("\"non_active_ok\":1,\"accessory_ok\":0,\"result\":0"), std::string::npos) << first;
    EXPECT_EQ(second.rfind("{\"call\":\"ProCmdCmdIdFind_v\",\"app_handle\":7,\"command_name\":\"Nope\",\"result\":-4", 0),
              0u)
        << second;
    EXPECT_EQ(second.back(), '}');
    EXPECT_EQ(host.calls, 2);
}

}  // namespace
