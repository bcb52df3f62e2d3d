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
#include "tests/support/test_host.h"

#ifndef VT_MODULE_PATH
#error "VT_MODULE_PATH names the built add-in module"
#endif

namespace fs = std::filesystem;

namespace {

const char* const module_path = VT_MODULE_PATH;

// ---- the version-skew check over the real module's stamps ------------------------------------

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
        // The tests' host, refusing the frame's version: start-up ends after the check.
        test_host::reset().answers["prodev_pass_version_info_v"] = [](const vthost::HostCall&) { return 0; };
    }
    void TearDown() override { platform = saved_platform; }
    int start(const char* version, const char* build) {
        return user_initialize_plus(0, nullptr, version, build, 0, error_buffer, "/nonexistent",
                                    u"vt_vexo", module_path, test_host::app_handle, 0, test_host::table(),
                                    test_host::table_count(), 0);
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

// Each host call as the tests' host reads it, on standard output between the stand-in client
// library's lines; a call with the wrong application handle or (where one is appended) the wrong
// text directory is marked WRONG.
std::string expected_text_dir;

void print_call(const vthost::HostCall& call) {
    bool wrong_handle = call.words.empty() || call.words[0] != test_host::app_handle;
    bool wrong_dir = call.directory != nullptr && call.name != "ProCmdIconSet_v" &&
                     expected_text_dir != call.directory;
    printf("host: %s%s%s\n", call.text.c_str(), wrong_handle ? " WRONG HANDLE" : "",
           wrong_dir ? " WRONG TEXT DIR" : "");
    fflush(stdout);
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

    vthost::Host& host = test_host::reset();
    host.on_call = print_call;
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
                            module_path, test_host::app_handle, 0, test_host::table(),
                            test_host::table_count(), 0);
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
        "host: prodev_pass_version_info(262004280)\n",
        "host: ProEngineerDisplayversionGet()\n",
        "VTProeVEXO: BeforeInit() -> 0\n",
        "VTProeVEXO: Start() -> 0\n",
        "host: ProMenubarMenuAdd(\"UserMenuO\", \"VantorO\", \"Applications\", 1, L\"menu_vt_vexo.txt\")\n",
        "host: ProMenubarmenuPushbuttonAdd(\"UserMenuO\", \"G14\",",
        "host: ProCmdIconSet([G14], \"Docdata_g14.gif\")\n",
        "host: ProMenubarmenuMenuAdd(\"UserMenuO\", \"SEL\",",
        "host: ProMenubarmenuPushbuttonAdd(\"UserMenuO\", \"G3\",",
        "host: ProNotificationSet(19,",
        "host: ProNotificationSet(6,",
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
