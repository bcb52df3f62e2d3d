// Start-up, menu registration and the access functions, against vthost's host model through the
// gateway and the recording client fake.  The expected calls are the menu as it is specified,
// written out here once; the finished menu is read back from the host, with its labels looked
// up in the message files that ship with the add-in.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include <cstring>
#include <fstream>
#include <sstream>

#include "bridge/bridge.h"
#include "frame/gateway.h"
#include "frame/vt_constants.h"
#include "support/fake_pdm.h"
#include "tests/support/child.h"
#include "tests/support/test_host.h"

namespace {

using Lines = std::vector<std::string>;

const std::string M = "L\"menu_vt_vexo.txt\"";

std::string q(const std::string& text) { return "\"" + text + "\""; }

std::string action_add(const std::string& name, const std::string& handler,
                       const std::string& access, int flags) {
    return "ProCmdActionAdd(" + q(name) + ", " + handler + ", 5, " + access + ", " +
           std::to_string(flags) + ", " + std::to_string(flags) + ")";
}

std::string button(const std::string& parent, const std::string& item, const std::string& label,
                   const std::string& help, const std::string& id) {
    return "ProMenubarmenuPushbuttonAdd(" + q(parent) + ", " + q(item) + ", " + q(label) + ", " +
           q(help) + ", NULL, 1, " + id + ", " + M + ")";
}

// A command entry: button, designation (help key twice) and icon.
void entry(Lines& lines, const std::string& parent, const std::string& item,
           const std::string& key, const std::string& id, const std::string& icon) {
    lines.push_back(button(parent, item, key + "_label", key + "_help", id));
    lines.push_back("ProCmdDesignate(" + id + ", " + q(key + "_label") + ", " + q(key + "_help") +
                    ", " + q(key + "_help") + ", " + M + ")");
    lines.push_back("ProCmdIconSet(" + id + ", " + q(icon + ".gif") + ")");
}

void own(Lines& lines, const std::string& item, const std::string& key,
         const std::string& handler, const std::string& access, int flags,
         const std::string& icon) {
    lines.push_back(action_add(item, handler, access, flags));
    entry(lines, "UserMenuO", item, key, "[" + item + "]", icon);
}

void separator(Lines& lines, const std::string& parent, const std::string& item,
               const std::string& key, int flags) {
    lines.push_back(action_add(parent, "VTCmdNone", "AccessAll", flags));
    lines.push_back(button(parent, item, key + "_label", key + "_help", "[" + parent + "]"));
}

void submenu(Lines& lines, const std::string& name, const std::string& neighbour) {
    lines.push_back("ProMenubarmenuMenuAdd(\"UserMenuO\", " + q(name) + ", " + q(name + "_label") +
                    ", " + q(neighbour) + ", 1, " + M + ")");
}

// The whole start-up as the host sees it, when it accepts everything and knows the first three
// bracketed commands.
Lines expected_startup() {
    Lines l;
    l.push_back("ProMenubarMenuAdd(\"UserMenuO\", \"VantorO\", \"Applications\", 1, " + M + ")");
    // table A
    l.push_back(action_add("g4cmd", "VTCmdHide", "AccessAll", 1));
    l.push_back(action_add("g5cmd", "VTCmdShow", "AccessAll", 1));
    l.push_back(action_add("g7acmd", "VTCmdLogin", "AccessAll", 1));
    l.push_back(action_add("g7bcmd", "VTCmdNewEntity", "AccessAll", 1));
    l.push_back(action_add("g7ccmd", "VTCmdPswManager", "AccessAll", 1));
    l.push_back(action_add("g9cmd", "VTCmdQueryOnDocuments", "AccessAll", 1));
    l.push_back(action_add("g10cmd", "VTCmdQueryOnParts", "AccessAll", 1));
    l.push_back(action_add("g11cmd", "VTCmdQueryOnBom", "AccessAll", 1));
    l.push_back(action_add("g12cmd", "VTCmdQueryViews", "AccessAll", 1));
    l.push_back(action_add("g13cmd", "VTCmdBomViews", "AccessAll", 1));
    l.push_back(action_add("labelcmd", "VTCmdNone", "AccessAll", 1));
    l.push_back(action_add("c1cmd", "VTCmdQueryChangeReq", "AccessAll", 1));
    l.push_back(action_add("c2cmd", "VTCmdNewChangeReq", "AccessAll", 1));
    l.push_back(action_add("c3cmd", "VTCmdQueryChangeOrd", "AccessAll", 1));
    l.push_back(action_add("c4cmd", "VTCmdNewChangeOrd", "AccessAll", 1));
    l.push_back(action_add("c5cmd", "VTCmdQueryAssignedTask", "AccessAll", 1));
    // table B
    own(l, "G14", "g14", "VTCmdDocumentData", "ModelAccess", 0, "Docdata_g14");
    own(l, "G15", "g15", "VTCmdPartData", "ModelAccess", 0, "partdata_g15");
    own(l, "G16", "g16", "VTCmdSaveIntoProject", "ModelAccess", 0, "saveintoproject_g16");
    own(l, "G16a", "g16a", "VTCmdImportIntoProject", "ModelAccess", 0, "import_g16a");
    separator(l, "UserMenuO", "GLABEL0", "space", 1);
    own(l, "G7a", "g7a", "VTCmdLogin", "AccessAll", 1, "login_g7a");
    own(l, "G7b", "g7b", "VTCmdNewEntity", "AccessAll", 1, "newent_g7b");
    own(l, "G7c", "g7c", "VTCmdPswManager", "AccessAll", 1, "pwsmanager_g7c");
    own(l, "G7", "g7", "VTCmdProjectBrowser", "AccessAll", 1, "projectbrowser_g7");
    own(l, "G8", "g8", "VTCmdFindArchive", "AccessAll", 1, "find_g8");
    separator(l, "UserMenuO", "GLABEL1", "space", 1);
    submenu(l, "SEL", "GLABEL1");
    entry(l, "SEL", "G9", "g9", "[g9cmd]", "QVdoc_g9");
    entry(l, "SEL", "G10", "g10", "[g10cmd]", "QVpart_g10");
    entry(l, "SEL", "G11", "g11", "[g11cmd]", "bomview_g11");
    separator(l, "SEL", "GLABEL1A", "space2", 1);
    entry(l, "SEL", "G12", "g12", "[g12cmd]", "dbview_g12");
    entry(l, "SEL", "G13", "g13", "[g13cmd]", "bomview_g13");
    submenu(l, "CRO", "GLABEL1");
    entry(l, "CRO", "C1", "c1", "[c1cmd]", "qvecr_c1");
    entry(l, "CRO", "C2", "c2", "[c2cmd]", "newecr_c2");
    separator(l, "CRO", "GLABEL1C", "space1", 1);
    entry(l, "CRO", "C3", "c3", "[c3cmd]", "qveco_c3");
    entry(l, "CRO", "C4", "c4", "[c4cmd]", "neweco_c4");
    separator(l, "CRO", "GLABEL2C", "space1", 1);
    entry(l, "CRO", "C5", "c5", "[c5cmd]", "mytasks_c5");
    separator(l, "UserMenuO", "GLABEL2", "space", 0);
    submenu(l, "GEN", "GLABEL2");
    entry(l, "GEN", "G4", "g4", "[g4cmd]", "hide_g4");
    entry(l, "GEN", "G5", "g5", "[g5cmd]", "show_g5");
    separator(l, "UserMenuO", "GLABEL3", "space", 1);
    own(l, "G6o", "g6o", "VTCmdOptions", "AccessAll", 1, "Option_g6o");
    own(l, "G6", "g6", "VTCmdHelp", "AccessAll", 1, "help_g6");
    own(l, "G3", "g3", "VTCmdAbout", "AccessAll", 1, "about_g3");
    // event subscriptions
    l.push_back("ProNotificationSet(19, VTNotifyAfterOpen)");
    l.push_back("ProNotificationSet(1, VTNotifyBeforeSave)");
    l.push_back("ProNotificationSet(3, VTNotifyIgnore)");
    l.push_back("ProNotificationSet(9, VTNotifyBeforeClose)");
    l.push_back("ProNotificationSet(11, VTNotifyAfterClose)");
    l.push_back("ProNotificationSet(24, VTNotifySwitchDocument)");
    l.push_back("ProNotificationSet(8, VTNotifyIgnorePair)");
    l.push_back("ProNotificationSet(6, VTNotifyIgnorePair)");
    // command brackets
    for (const char* name : {"XProCmdModelSave", "XProCmdExit", "ProCmdWinCloseAsyn",
                             "XTestCheckButtonOpt2", "XTestRadioGroupOpt"})
        l.push_back(std::string("ProCmdCmdIdFind(") + q(name) + ")");
    for (const char* name : {"XProCmdModelSave", "XProCmdExit", "ProCmdWinCloseAsyn"})
        l.push_back(std::string("ProCmdBracketFuncAdd([") + name +
                    "], VTBracketFunc, \"VTBracketFunc\", NULL)");
    return l;
}

struct MenuTest : testing::Test {
    void SetUp() override {
        test_host::install();
        fake_pdm::reset();
    }
    void TearDown() override { test_host::reset(); }

    int start() {
        char16_t error_buffer[64] = {u'x', 0};
        char program[] = "host";
        char* argv[] = {program, nullptr};
        int status = bridge_initialize(1, argv, "26", "2004360", error_buffer);
        EXPECT_EQ(error_buffer[0], u'x') << "the error buffer is never written";
        return status;
    }
};

// The command a button of a menu is bound to, or nullptr when the menu holds no such button.
const vthost::Command* bound(const std::string& menu, const std::string& button) {
    vthost::MenuItem* owner = test_host::host().find_menu(menu);
    if (owner == nullptr) return nullptr;
    for (const vthost::MenuItem& item : owner->children)
        if (item.kind == vthost::MenuItem::BUTTON && item.name == button)
            return test_host::host().command_by_id(item.command_id);
    return nullptr;
}

// Every button anywhere in the menubar.
void collect_buttons(const std::vector<vthost::MenuItem>& items, std::vector<const vthost::MenuItem*>& out) {
    for (const vthost::MenuItem& item : items) {
        if (item.kind == vthost::MenuItem::BUTTON) out.push_back(&item);
        else collect_buttons(item.children, out);
    }
}

const char* const separators[] = {"GLABEL0", "GLABEL1", "GLABEL2", "GLABEL3"};
const char* const sel_separators[] = {"GLABEL1A"};
const char* const cro_separators[] = {"GLABEL1C", "GLABEL2C"};

TEST_F(MenuTest, StartUpMakesTheWholeCallSequenceInTableOrder) {
    std::vector<size_t> library_calls_seen;
    vthost::Host& host = test_host::host();
    host.accept_repeated_actions = true;  // every registration gets an id of its own
    host.on_call = [&](const vthost::HostCall&) { library_calls_seen.push_back(fake_pdm::calls.size()); };
    EXPECT_EQ(start(), 0);

    Lines expected = expected_startup();
    Lines calls = test_host::calls();
    ASSERT_EQ(calls.size(), expected.size());
    for (size_t i = 0; i < expected.size(); i++)
        EXPECT_EQ(calls[i], expected[i]) << "call " << i;
    for (const vthost::HostCall& call : host.recorded)
        EXPECT_EQ(call.words.at(0), test_host::app_handle) << call.text;

    // Directories: text for the menus, buttons and designations, resource for the icons.
    for (size_t i = 0; i < calls.size(); i++) {
        const std::string& call = calls[i];
        const char* directory = host.recorded[i].directory;
        if (call.rfind("ProCmdIconSet(", 0) == 0)
            EXPECT_EQ(directory, resource_dir_get()) << call;
        else if (call.rfind("ProMenubar", 0) == 0 || call.rfind("ProCmdDesignate(", 0) == 0)
            EXPECT_EQ(directory, text_dir_get()) << call;
        else
            EXPECT_EQ(directory, nullptr) << call;
    }

    // The library is woken before the first host call and told of the end after the last one.
    EXPECT_EQ(fake_pdm::calls, (Lines{"BeforeInit", "Start", "AfterInit"}));
    for (size_t seen : library_calls_seen)
        EXPECT_EQ(seen, 2u);
}

TEST_F(MenuTest, AHostThatRefusesEverythingStillSeesEveryCall) {
    for (const std::string& name : vthost::host_function_names()) test_host::host().refused.insert(name);
    EXPECT_EQ(start(), 0);

    // No command id is ever written, so every id stays 0; no command is known to bracket.
    Lines expected;
    for (const std::string& line : expected_startup())
        if (line.rfind("ProCmdBracketFuncAdd(", 0) != 0)
            expected.push_back(std::regex_replace(line, std::regex("\\[[A-Za-z0-9]+\\]"), "0"));
    EXPECT_EQ(test_host::calls(), expected);
    EXPECT_EQ(fake_pdm::calls, (Lines{"BeforeInit", "Start", "AfterInit"}));
}

TEST_F(MenuTest, TheFinishedMenuReadsInItsDisplayOrder) {
    ASSERT_EQ(start(), 0);
    vthost::Host& host = test_host::host();
    ASSERT_NE(host.find_menu("UserMenuO"), nullptr);
    const std::string top = vthost::menu_layout(host.find_menu("UserMenuO")->children);
    EXPECT_EQ(vthost::menu_layout(host.menubar), "File(), Edit(), View(), Insert(), Analysis(), Info(), "
                                                 "Applications(), UserMenuO(" + top + "), Tools(), Window(), Help()");
    EXPECT_EQ(top,
              "G14, G15, G16, G16a, GLABEL0, G7a, G7b, G7c, G7, G8, GLABEL1, "
              "CRO(C1, C2, GLABEL1C, C3, C4, GLABEL2C, C5), "
              "SEL(G9, G10, G11, GLABEL1A, G12, G13), GLABEL2, GEN(G4, G5), GLABEL3, G6o, G6, G3");

    // Each button runs its own handler.
    struct Binding {
        const char* menu;
        const char* button;
        command_action handler;
    } bindings[] = {
        {"UserMenuO", "G14", VTCmdDocumentData}, {"UserMenuO", "G15", VTCmdPartData},
        {"UserMenuO", "G16", VTCmdSaveIntoProject}, {"UserMenuO", "G16a", VTCmdImportIntoProject},
        {"UserMenuO", "G7a", VTCmdLogin}, {"UserMenuO", "G7b", VTCmdNewEntity},
        {"UserMenuO", "G7c", VTCmdPswManager}, {"UserMenuO", "G7", VTCmdProjectBrowser},
        {"UserMenuO", "G8", VTCmdFindArchive}, {"SEL", "G9", VTCmdQueryOnDocuments},
        {"SEL", "G10", VTCmdQueryOnParts}, {"SEL", "G11", VTCmdQueryOnBom},
        {"SEL", "G12", VTCmdQueryViews}, {"SEL", "G13", VTCmdBomViews},
        {"CRO", "C1", VTCmdQueryChangeReq}, {"CRO", "C2", VTCmdNewChangeReq},
        {"CRO", "C3", VTCmdQueryChangeOrd}, {"CRO", "C4", VTCmdNewChangeOrd},
        {"CRO", "C5", VTCmdQueryAssignedTask}, {"GEN", "G4", VTCmdHide}, {"GEN", "G5", VTCmdShow},
        {"UserMenuO", "G6o", VTCmdOptions}, {"UserMenuO", "G6", VTCmdHelp},
        {"UserMenuO", "G3", VTCmdAbout},
    };
    for (const Binding& b : bindings) {
        const vthost::Command* command = bound(b.menu, b.button);
        ASSERT_NE(command, nullptr) << b.button;
        EXPECT_EQ(command->action, b.handler) << b.button;
    }
}

// Every separator must end up on a command that does nothing, whether the host gives repeated
// action names new ids or refuses them (then the earlier separator id stays in place).
TEST_F(MenuTest, SeparatorsAreBoundToDoNothingCommandsEvenWhenRepeatsAreRefused) {
    for (bool refuse_repeats : {false, true}) {
        test_host::install().accept_repeated_actions = !refuse_repeats;
        ASSERT_EQ(start(), 0);
        auto check = [&](const char* menu, const char* item) {
            const vthost::Command* command = bound(menu, item);
            ASSERT_NE(command, nullptr) << item << (refuse_repeats ? " (repeats refused)" : "");
            EXPECT_EQ(command->action, &VTCmdNone) << item;
            EXPECT_EQ(command->access, &AccessAll) << item;
        };
        for (const char* item : separators)
            check("UserMenuO", item);
        for (const char* item : sel_separators)
            check("SEL", item);
        for (const char* item : cro_separators)
            check("CRO", item);
    }
    // With repeats refused a separator keeps whatever id the shared variable last received.
    struct Expected {
        const char* menu;
        const char* item;
        const char* action;
    } kept[] = {{"UserMenuO", "GLABEL0", "UserMenuO"}, {"UserMenuO", "GLABEL1", "UserMenuO"},
                {"SEL", "GLABEL1A", "SEL"},           {"CRO", "GLABEL1C", "CRO"},
                {"CRO", "GLABEL2C", "CRO"},           {"UserMenuO", "GLABEL2", "CRO"},
                {"UserMenuO", "GLABEL3", "CRO"}};
    for (const Expected& e : kept) {
        const vthost::Command* command = bound(e.menu, e.item);
        EXPECT_EQ(command ? command->name : "<no command>", e.action) << e.item;
    }
}

TEST_F(MenuTest, OnlyTheFourDocumentCommandsNeedACurrentModel) {
    ASSERT_EQ(start(), 0);
    const std::vector<std::string> model_commands = {"G14", "G15", "G16", "G16a"};
    std::vector<const vthost::MenuItem*> buttons;
    collect_buttons(test_host::host().menubar, buttons);
    for (bool model : {false, true}) {
        if (model) test_host::host().open_model("PUMP", "PRT");
        for (const vthost::MenuItem* item : buttons) {
            const vthost::Command* command = test_host::host().command_by_id(item->command_id);
            ASSERT_NE(command, nullptr) << item->name;
            bool needs_model = std::find(model_commands.begin(), model_commands.end(),
                                         item->name) != model_commands.end();
            EXPECT_EQ(command->access(), needs_model && !model ? VT_ACCESS_UNAVAILABLE : VT_ACCESS_AVAILABLE)
                << item->name << (model ? " with" : " without") << " a current model";
        }
    }
    EXPECT_EQ(buttons.size(), 24u + 7u);
}

TEST_F(MenuTest, AccessFunctionsAskTheHostOnlyWhenAModelMatters) {
    EXPECT_EQ(AccessAll(), VT_ACCESS_AVAILABLE);
    EXPECT_TRUE(test_host::calls().empty());
    EXPECT_EQ(ModelAccess(), VT_ACCESS_UNAVAILABLE);
    test_host::host().open_model("PUMP", "PRT");
    EXPECT_EQ(ModelAccess(), VT_ACCESS_AVAILABLE);
    EXPECT_EQ(test_host::calls(), (Lines{"ProMdlCurrentGet()", "ProMdlCurrentGet()"}));
}

TEST_F(MenuTest, TerminateStopsTheLibraryAndPassesItsAnswerBack) {
    ASSERT_EQ(start(), 0);
    fake_pdm::answers["Stop"] = 7;
    size_t host_calls = test_host::host().recorded.size();
    EXPECT_EQ(bridge_terminate(), 7);
    EXPECT_EQ(fake_pdm::calls, (Lines{"BeforeInit", "Start", "AfterInit", "Stop"}));
    EXPECT_EQ(test_host::host().recorded.size(), host_calls) << "nothing is unregistered";
}

// ---- the menu through the host, against the message files the add-in ships ------------------

// The keys of a message file: every fourth line, from the first.
std::vector<std::string> message_keys(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> keys;
    std::string line;
    for (int n = 0; std::getline(in, line); n++) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (n % 4 == 0) keys.push_back(line);
    }
    return keys;
}

void label_items(const std::vector<vthost::MenuItem>& items, std::vector<const vthost::MenuItem*>& out) {
    for (const vthost::MenuItem& item : items) {
        if (item.builtin) continue;
        out.push_back(&item);
        label_items(item.children, out);
    }
}

TEST_F(MenuTest, EveryItemAndCommandIsLabelledFromTheShippedMessageFiles) {
    const std::string dist = vt_test::source_dir() + "/dist/text/";
    for (const char* language : {"usascii", "german", "japanese"}) {
        SCOPED_TRACE(language);
        vthost::Host& host = test_host::install();
        host.language = std::strcmp(language, "usascii") == 0 ? VT_LANG_ENGLISH : VT_LANG_GERMAN;
        std::snprintf(text_dir_get(), GATEWAY_DIR_SIZE, "%s%s", dist.c_str(), language);
        fake_pdm::reset();
        ASSERT_EQ(start(), 0);

        std::vector<std::string> keys = message_keys(dist + language + "/menu_vt_vexo.txt");
        auto has_key = [&](const std::string& key) { return std::find(keys.begin(), keys.end(), key) != keys.end(); };
        std::vector<const vthost::MenuItem*> items;
        label_items(host.menubar, items);
        EXPECT_EQ(items.size(), 1u + 3u + 24u + 7u) << "Vantor menu, three sub-menus, commands, separators";
        for (const vthost::MenuItem* item : items) {
            EXPECT_TRUE(item->labelled) << item->name << " [" << item->label_key << "]";
            EXPECT_FALSE(item->label.empty()) << item->name;
            EXPECT_TRUE(has_key(item->label_key)) << item->label_key;
            if (item->kind == vthost::MenuItem::BUTTON) {
                EXPECT_TRUE(has_key(item->help_key)) << item->help_key;
            }
        }
        // The 24 commands behind the buttons carry a designation whose keys the file holds.
        int designated = 0;
        for (const vthost::Command& command : host.commands) {
            if (!command.designated) continue;
            designated++;
            EXPECT_TRUE(has_key(command.label_key) && has_key(command.help_key) && has_key(command.description_key))
                << command.name;
        }
        EXPECT_EQ(designated, 24);
    }
}

} // namespace
