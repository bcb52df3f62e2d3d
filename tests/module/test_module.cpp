// The built add-in module itself: its version stamps walked by the version-skew check, and the
// whole start-up as the host does it: load the module through the platform's loader, hand it a
// sorted host function table, and let it start the stand-in client library that lies beside it.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "module/entry.h"
#include "platform/platform.h"
#include "tests/support/child.h"

#ifndef VT_MODULE_PATH
#error "VT_MODULE_PATH names the built add-in module"
#endif

namespace fs = std::filesystem;

namespace {

const char* const module_path = VT_MODULE_PATH;

// ---- the version-skew check over the real module's stamps ------------------------------------

int pass_answer = 0;
int pass_version_info(int, int) { return pass_answer; }
const host_function_pair version_table[] = {
    {reinterpret_cast<host_function>(&pass_version_info), "prodev_pass_version_info_v"},
};

std::vector<std::string> lookups;
platform_table saved_platform;
host_function recording_symbol(void* module, const char* name, int* error) {
    lookups.push_back(name);
    return saved_platform.dll_symbol(module, name, error);
}

struct RealModule : ::testing::Test {
    char16_t error_buffer[64];
    void SetUp() override {
        saved_platform = platform;
        platform.dll_symbol = recording_symbol;
        lookups.clear();
        for (auto& c : error_buffer) c = u'#';
    }
    void TearDown() override { platform = saved_platform; }
    int start(const char* version, const char* build) {
        return user_initialize_plus(0, nullptr, version, build, 0, error_buffer, "/nonexistent",
                                    u"vt_vexo", module_path, 5, 0, version_table, 1, 0);
    }
    std::u16string first() const { return error_buffer; }
    std::u16string second() const { return error_buffer + first().size() + 1; }
};

}  // namespace

TEST_F(RealModule, OlderBuildFindsTheModulesStamp) {
    EXPECT_EQ(start("26", "2003490"), -96);
    EXPECT_EQ(first(), u"Wildfire 2.0|C010");
    EXPECT_EQ(second(), u"2003500");
    std::vector<std::string> expected;
    for (int c = 262004280; c >= 262004000; c -= 10) expected.push_back("i_am_" + std::to_string(c));
    for (int c = 262003520; c >= 262003500; c -= 10) expected.push_back("i_am_" + std::to_string(c));
    EXPECT_EQ(lookups, expected);
}

TEST_F(RealModule, BuildOfTheStampPassesTheCheck) {
    // The walk ends at 262003500, not above the host, without looking it up; the check passes
    // and the version-information host function then answers 0: status -1.
    EXPECT_EQ(start("26", "2003500"), -1);
    ASSERT_FALSE(lookups.empty());
    EXPECT_EQ(lookups.back(), "i_am_262003510");
    EXPECT_EQ(error_buffer[0], u'#');
}

// ---- the whole start-up through the platform's loader ----------------------------------------

namespace {

const int app_handle = 4242;
std::string expected_text_dir;
int next_command_id = 100;

void record(int app, const std::string& line) {
    if (app != app_handle)
        printf("host: WRONG HANDLE %d in %s\n", app, line.c_str());
    else
        printf("host: %s\n", line.c_str());
    fflush(stdout);
}
void check_text_dir(const char* dir, const char* who) {
    if (dir == nullptr || expected_text_dir != dir) printf("host: WRONG TEXT DIR in %s\n", who);
}

int menubar_menu_add(int app, const char* menu, const char*, const char*, int, const char16_t*,
                     const char* dir) {
    check_text_dir(dir, "ProMenubarMenuAdd");
    record(app, std::string("ProMenubarMenuAdd ") + menu);
    return 0;
}
int menubarmenu_menu_add(int app, const char*, const char* menu, const char*, const char*, int,
                         const char16_t*, const char* dir) {
    check_text_dir(dir, "ProMenubarmenuMenuAdd");
    record(app, std::string("ProMenubarmenuMenuAdd ") + menu);
    return 0;
}
int pushbutton_add(int app, const char*, const char* button, const char*, const char*, const char*,
                   int, int, const char16_t*, const char* dir) {
    check_text_dir(dir, "ProMenubarmenuPushbuttonAdd");
    record(app, std::string("ProMenubarmenuPushbuttonAdd ") + button);
    return 0;
}
int cmd_action_add(int app, const char* action, command_action, int, command_access, int, int, int* id) {
    *id = next_command_id++;
    record(app, std::string("ProCmdActionAdd ") + action);
    return 0;
}
int cmd_designate(int app, int, const char*, const char*, const char*, const char16_t*, const char*) {
    record(app, "ProCmdDesignate");
    return 0;
}
int cmd_icon_set(int app, int, const char* icon, const char*) {
    record(app, std::string("ProCmdIconSet ") + icon);
    return 0;
}
int notification_set(int app, int type, notify_hook) {
    record(app, "ProNotificationSet " + std::to_string(type));
    return 0;
}
int cmd_id_find(int app, const char* name, int* id) {
    *id = next_command_id++;
    record(app, std::string("ProCmdCmdIdFind ") + name);
    return 0;
}
int bracket_func_add(int app, int, command_bracket, const char* name, void*) {
    record(app, std::string("ProCmdBracketFuncAdd ") + name);
    return 0;
}
int mdl_current_get(int app, void** model) {
    *model = nullptr;
    record(app, "ProMdlCurrentGet");
    return -1;
}
int host_pass_version_info(int app, int version) {
    record(app, "prodev_pass_version_info " + std::to_string(version));
    return 1;
}
int display_version_get(int app, char** text) {
    static char display[] = "26";
    *text = display;
    record(app, "ProEngineerDisplayversionGet");
    return 0;
}

template <typename F>
host_function_pair pair(F* function, const char* name) {
    return {reinterpret_cast<host_function>(function), name};
}

using user_initialize_fn = int (*)(int, char**, const char*, const char*, int, char16_t*, const char*,
                                   const char16_t*, const char*, int, int, const host_function_pair*,
                                   int, int);
using user_terminate_fn = int (*)(void);

}  // namespace

VT_CHILD(module_start_up) {
    const std::vector<std::string>& args = vt_test::child_args();
    if (args.size() != 1) return 90;
    const std::string app_dir = args[0];
    expected_text_dir = app_dir + platform_path_separator + "text" + platform_path_separator + "usascii";

    std::vector<host_function_pair> table = {
        pair(&menubar_menu_add, "ProMenubarMenuAdd_v"),
        pair(&menubarmenu_menu_add, "ProMenubarmenuMenuAdd_v"),
        pair(&pushbutton_add, "ProMenubarmenuPushbuttonAdd_v"),
        pair(&cmd_action_add, "ProCmdActionAdd_v"),
        pair(&cmd_designate, "ProCmdDesignate_v"),
        pair(&cmd_icon_set, "ProCmdIconSet_v"),
        pair(&notification_set, "ProNotificationSet_v"),
        pair(&cmd_id_find, "ProCmdCmdIdFind_v"),
        pair(&bracket_func_add, "ProCmdBracketFuncAdd_v"),
        pair(&mdl_current_get, "ProMdlCurrentGet_v"),
        pair(&host_pass_version_info, "prodev_pass_version_info_v"),
        pair(&display_version_get, "ProEngineerDisplayversionGet_v"),
    };
    std::sort(table.begin(), table.end(), [](const host_function_pair& a, const host_function_pair& b) {
        return strcmp(a.name, b.name) < 0;
    });

    int error = 0;
    void* module = platform.dll_load(module_path, &error);
    if (module == nullptr) return 91;
    auto initialize = reinterpret_cast<user_initialize_fn>(
        platform.dll_symbol(module, "user_initialize_plus", &error));
    auto terminate = reinterpret_cast<user_terminate_fn>(
        platform.dll_symbol(module, "user_terminate_plus", &error));
    if (initialize == nullptr || terminate == nullptr) return 92;
    // The module exports nothing of the core library it carries.
    if (platform.dll_symbol(module, "pro_sprintf", &error) != nullptr) return 93;

    char16_t error_buffer[256] = {};
    static char argv0[] = "host";
    char* argv[] = {argv0, nullptr};
    int status = initialize(1, argv, "26", "2003500", 0, error_buffer, app_dir.c_str(), u"vt_vexo",
                            module_path, app_handle, 0, table.data(), static_cast<int>(table.size()), 0);
    printf("start-up status %d\n", status);
    fflush(stdout);
    printf("exit status %d\n", terminate());
    fflush(stdout);
    return 0;
}

TEST(ModuleStartUp, TheHostLoadsTheModuleAndTheClientLibraryStarts) {
    fs::path app = fs::temp_directory_path() /
                   ("vt_module_app_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::remove_all(app);
    fs::create_directories(app / "text" / "usascii");
    auto r = vt_test::run_child("module_start_up", {}, {app.string()});
    fs::remove_all(app);
    ASSERT_TRUE(r.exited) << r.out << r.err;
    ASSERT_EQ(r.exit_code, 0) << r.out << r.err;
    const std::string& out = r.out;

    EXPECT_EQ(out.find("WRONG"), std::string::npos) << out;
    // In order: the version handed to the host, the client library woken, the menu, the hooks,
    // start-up completed, status 0; at unload Stop.
    std::vector<std::string> milestones = {
        "host: prodev_pass_version_info 262004280\n",
        "host: ProEngineerDisplayversionGet\n",
        "VTProeVEXO: BeforeInit() -> 0\n",
        "VTProeVEXO: Start() -> 0\n",
        "host: ProMenubarMenuAdd UserMenuO\n",
        "host: ProMenubarmenuPushbuttonAdd G14\n",
        "host: ProCmdIconSet Docdata_g14.gif\n",
        "host: ProMenubarmenuMenuAdd SEL\n",
        "host: ProMenubarmenuPushbuttonAdd G3\n",
        "host: ProNotificationSet 19\n",
        "host: ProNotificationSet 6\n",
        "VTProeVEXO: AfterInit() -> 0\n",
        "start-up status 0\n",
        "VTProeVEXO: Stop() -> 0",
        "exit status 0\n",
    };
    size_t at = 0;
    for (const std::string& m : milestones) {
        size_t found = out.find(m, at);
        ASSERT_NE(found, std::string::npos) << "missing or out of order: " << m << "in:\n" << out;
        at = found + m.size();
    }
    size_t buttons = 0;
    for (size_t p = out.find("ProMenubarmenuPushbuttonAdd"); p != std::string::npos;
         p = out.find("ProMenubarmenuPushbuttonAdd", p + 1))
        ++buttons;
    EXPECT_EQ(buttons, 31u);
}
