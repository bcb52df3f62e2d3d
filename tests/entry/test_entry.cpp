// Start-up of the add-in: the host version, the version-skew check and its message, the stamp
// walk (on a scripted loader; the walk over the real module is in tests/module), the text
// directories on real folders, and the steps after the check.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "support/fake_pdm.h"
#include "module/entry.h"
#include "frame/vt_constants.h"
#include "frame/gateway.h"
#include "platform/platform.h"
#include "tests/support/child.h"
#include "tests/support/test_host.h"

namespace fs = std::filesystem;

namespace {

// The host is the tests' host (vthost's host model); start-up is told to stop after the version
// hand-over, which the host refuses with 0, unless a test says otherwise.
const int app_handle = test_host::app_handle;

// The version hand-overs the host received: the application handle and the version of each.
std::vector<std::pair<intptr_t, intptr_t>> version_hand_overs() {
    std::vector<std::pair<intptr_t, intptr_t>> seen;
    for (const vthost::HostCall& call : test_host::host().recorded)
        if (call.name == "prodev_pass_version_info_v") seen.emplace_back(call.words.at(0), call.words.at(1));
    return seen;
}

// A fresh host whose version hand-over answers `answer`.
void fresh_host(int answer) {
    vthost::Host& host = test_host::reset();
    host.answers["prodev_pass_version_info_v"] = [answer](const vthost::HostCall&) { return answer; };
}

// A scripted loader: which stamps the "module" exports, and what was asked of it.
namespace loader {
bool load_fails = false;
int load_error = 126;
std::set<std::string> stamps;
std::vector<std::string> loads, lookups;
int unloads = 0;
int module_token;

void* load(const char* path, int* error) {
    loads.push_back(path);
    if (load_fails) {
        *error = load_error;
        return nullptr;
    }
    return &module_token;
}
host_function symbol(void* module, const char* name, int* error) {
    EXPECT_EQ(module, &module_token);
    lookups.push_back(name);
    if (stamps.count(name)) return reinterpret_cast<host_function>(&i_am_262003500);
    *error = 127;
    return nullptr;
}
bool unload_fails = false;
int unload(void* module, int* error) {
    EXPECT_EQ(module, &module_token);
    ++unloads;
    if (unload_fails) {
        *error = 5;
        return -1;
    }
    return 0;
}
}  // namespace loader

struct StartUp : ::testing::Test {
    platform_table saved = platform;
    char16_t error_buffer[64];

    void SetUp() override {
        platform.dll_load = loader::load;
        platform.dll_symbol = loader::symbol;
        platform.dll_unload = loader::unload;
        loader::load_fails = false;
        loader::stamps.clear();
        loader::loads.clear();
        loader::lookups.clear();
        loader::unloads = 0;
        loader::unload_fails = false;
        fresh_host(0);
        fake_pdm::reset();
        for (auto& c : error_buffer) c = u'#';
    }
    void TearDown() override { platform = saved; }

    int start(const char* version, const char* build, const char* module = "module.so",
              const char* app_dir = "/nonexistent-app", int language = 0) {
        return user_initialize_plus(0, nullptr, version, build, 0, error_buffer, app_dir, u"module",
                                    module, app_handle, 0, test_host::table(), test_host::table_count(),
                                    language);
    }
    std::u16string first_message() const { return std::u16string(error_buffer); }
    std::u16string second_message() const {
        return std::u16string(error_buffer + first_message().size() + 1);
    }
    static std::vector<std::string> stamp_names(int from, int to) {  // from down to to, by 10
        std::vector<std::string> names;
        for (int c = from; c >= to; c -= 10) names.push_back("i_am_" + std::to_string(c));
        return names;
    }
};

}  // namespace

TEST_F(StartUp, HostAtOrAboveTheFramePassesWithoutOpeningTheModule) {
    // prodev_pass_version_info answers 0: status -1, so the check itself passed.
    EXPECT_EQ(start("26", "2004280", nullptr), -1);
    EXPECT_EQ(start("  +26", " 2004290"), -1);
    EXPECT_EQ(start("27", "0"), -1);
    EXPECT_TRUE(loader::loads.empty());
    ASSERT_EQ(version_hand_overs().size(), 3u);
    EXPECT_EQ(version_hand_overs().back(), std::make_pair(intptr_t(app_handle), intptr_t(262004280)));
    EXPECT_TRUE(fake_pdm::calls.empty());  // the bridge never started
    EXPECT_EQ(error_buffer[0], u'#');
}

TEST_F(StartUp, VersionTextsAreReadAsLeadingNumbersWithinThe32BitRange) {
    // Every blank the run-time library skips, a sign, and digits far beyond 32 bits.
    EXPECT_EQ(start("\t\n\r\f\v 26", "+2004280"), VT_START_VERSION_REFUSED);
    EXPECT_EQ(start("99999999999999999999", "0"), VT_START_VERSION_REFUSED) << "held at the largest major";
    EXPECT_EQ(start("26", "99999999999999999999"), VT_START_VERSION_REFUSED);
    EXPECT_EQ(start("-99999999999999999999", "5"), VT_START_MAJOR_TOO_NEW) << "held at the smallest major";
    EXPECT_EQ(start("-26", "2004280"), VT_START_MAJOR_TOO_NEW);
    EXPECT_EQ(start(nullptr, nullptr), VT_START_MAJOR_TOO_NEW) << "no text reads as 0";
    EXPECT_EQ(version_hand_overs().size(), 3u);
}

TEST_F(StartUp, ASkewWithoutAnErrorBufferWritesNothing) {
    int status = user_initialize_plus(0, nullptr, "25", "2004280", 0, nullptr, "/nonexistent-app", u"module",
                                      "module.so", app_handle, 0, test_host::table(),
                                      test_host::table_count(), 0);
    EXPECT_EQ(status, VT_START_MAJOR_TOO_NEW);
    EXPECT_TRUE(version_hand_overs().empty());
}

TEST_F(StartUp, AModuleThatCannotBeUnloadedDoesNotChangeTheOutcome) {
    loader::unload_fails = true;
    loader::stamps = {"i_am_262004150"};
    EXPECT_EQ(start("26", "2003490"), VT_START_STAMP_TOO_NEW);
    EXPECT_EQ(loader::unloads, 1);
    loader::stamps = {"i_am_262003500"};
    EXPECT_EQ(start("26", "2003500"), VT_START_VERSION_REFUSED) << "the walk passed; the host refused the version";
    EXPECT_EQ(loader::unloads, 2);
}

TEST(DirExists, NoPathIsNoDirectory) {
    EXPECT_EQ(dir_exists(nullptr), 0);
    char empty[1] = {0};
    EXPECT_EQ(dir_exists(empty), 0);
}

TEST_F(StartUp, OlderMajorFailsWithDateZero) {
    EXPECT_EQ(start("25", "2004280"), -98);
    EXPECT_EQ(first_message(), u"Wildfire 2.0|C000");
    EXPECT_EQ(second_message(), u"0");
    EXPECT_EQ(error_buffer[20], u'#');
    EXPECT_TRUE(loader::loads.empty());
    EXPECT_TRUE(version_hand_overs().empty());
}

TEST_F(StartUp, SeventeenAnywhereInTheVersionMeansMajorSeventeen) {
    EXPECT_EQ(start("26 (17.0)", "2004280"), -98);
    EXPECT_EQ(start("26G-03", "2004280"), -98);
    EXPECT_EQ(start("no digits", "2004280"), -98);
    EXPECT_TRUE(version_hand_overs().empty());
}

TEST_F(StartUp, WalkStopsAtTheFirstStampAndNamesItsBuildCode) {
    loader::stamps = {"i_am_262004150"};
    EXPECT_EQ(start("26", "2003490"), -96);
    EXPECT_EQ(loader::lookups, stamp_names(262004280, 262004150));
    EXPECT_EQ(loader::loads, std::vector<std::string>{"module.so"});
    EXPECT_EQ(loader::unloads, 1);
    EXPECT_EQ(first_message(), u"Wildfire 2.0|M010");
    EXPECT_EQ(second_message(), u"2004150");
    EXPECT_TRUE(version_hand_overs().empty());
}

TEST_F(StartUp, BuildCodesOfTheRequiredDate) {
    struct Case {
        const char* stamp;
        const char* build;
        const char16_t* code;
        const char16_t* date;
    } cases[] = {
        {"i_am_262004280", "2004279", u"Wildfire 2.0|M040", u"2004280"},
        {"i_am_262004000", "2003490", u"Wildfire 2.0|Unreleased", u"2004000"},
        {"i_am_262003500", "2003490", u"Wildfire 2.0|C010", u"2003500"},
        {"i_am_262003400", "2003390", u"Wildfire 2.0|C000", u"2003400"},
    };
    for (const Case& c : cases) {
        loader::stamps = {c.stamp};
        EXPECT_EQ(start("26", c.build), -96) << c.stamp;
        EXPECT_EQ(first_message(), c.code) << c.stamp;
        EXPECT_EQ(second_message(), c.date) << c.stamp;
    }
}

TEST_F(StartUp, WalkStepsFromWeekZeroBackToWeekFiftyTwo) {
    // No stamp at all: the walk passes 262004000, then 262003520 (not 262003990), and ends once
    // the candidate is no longer above the host.
    EXPECT_EQ(start("26", "2003505"), -1);
    std::vector<std::string> expected = stamp_names(262004280, 262004000);
    expected.push_back("i_am_262003520");
    expected.push_back("i_am_262003510");
    EXPECT_EQ(loader::lookups, expected);
    EXPECT_EQ(loader::unloads, 1);
    EXPECT_EQ(error_buffer[0], u'#');
}

TEST_F(StartUp, ModuleThatCannotBeLoadedFailsWithDateZero) {
    loader::load_fails = true;
    EXPECT_EQ(start("26", "2003490"), -96);
    EXPECT_EQ(first_message(), u"Wildfire 2.0|C000");
    EXPECT_EQ(second_message(), u"0");
    EXPECT_TRUE(loader::lookups.empty());
    EXPECT_EQ(loader::unloads, 0);

    // A null module path is a module that cannot be loaded; the loader is not asked.
    loader::load_fails = false;
    loader::loads.clear();
    EXPECT_EQ(start("26", "2003490", nullptr), -96);
    EXPECT_TRUE(loader::loads.empty());
    EXPECT_EQ(second_message(), u"0");
}

VT_CHILD(entry_load_failure) {
    platform.dll_load = loader::load;
    loader::load_fails = true;
    loader::load_error = 193;
    char16_t buffer[64];
    fresh_host(0);
    return user_initialize_plus(0, nullptr, "26", "2003490", 0, buffer, "/app", u"m.dll", "m.dll", app_handle,
                                0, test_host::table(), test_host::table_count(), 0) == -96 ? 0 : 1;
}

TEST(StartUpLog, LoadFailureIsWrittenOnlyWhenAskedFor) {
    auto quiet = vt_test::run_child("entry_load_failure", {{"PRO_TK_DBG_DLL_LOAD", std::nullopt}});
    ASSERT_TRUE(quiet.exited);
    EXPECT_EQ(quiet.exit_code, 0);
    EXPECT_EQ(quiet.out, "");
    auto loud = vt_test::run_child("entry_load_failure", {{"PRO_TK_DBG_DLL_LOAD", ""}});
    ASSERT_TRUE(loud.exited);
    EXPECT_EQ(loud.exit_code, 0);
    EXPECT_EQ(loud.out, "Pro/ENGINEER: OS error 193 while loading 'm.dll'\n\n");
}

// ---- text directories ---------------------------------------------------------------------

namespace {

struct TextDirs : StartUp {
    fs::path root;
    std::string sep{platform_path_separator};

    void SetUp() override {
        StartUp::SetUp();
        root = fs::temp_directory_path() /
               ("vt_entry_dirs_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root);
    }
    void TearDown() override {
        EXPECT_TRUE(vt_test::remove_tree(root.string()));
        StartUp::TearDown();
    }
    std::string app() const { return root.string(); }
    void make(const std::string& relative) { fs::create_directories(root / relative); }
    std::string path(const std::string& tail) const { return app() + sep + tail; }
};

}  // namespace

TEST_F(TextDirs, LanguageDirectoryWhenItExists) {
    make("text/french");
    make("text/usascii");
    EXPECT_EQ(start("26", "2004280", "m", app().c_str(), 2), -1);
    EXPECT_EQ(std::string(text_dir_get()), path("text" + sep + "french"));
    EXPECT_EQ(std::string(menus_dir_get()), path("text" + sep + "french" + sep + "menus"));
    EXPECT_EQ(std::string(resource_dir_get()), path("text" + sep + "french" + sep + "resource"));
}

TEST_F(TextDirs, MissingLanguageFallsBackToUsascii) {
    make("text/usascii");
    EXPECT_EQ(start("26", "2004280", "m", app().c_str(), 2), -1);
    EXPECT_EQ(std::string(text_dir_get()), path("text" + sep + "usascii"));
    EXPECT_EQ(std::string(menus_dir_get()), path("text" + sep + "usascii" + sep + "menus"));
    // A code without a locale row has an empty name and falls back the same way.
    EXPECT_EQ(start("26", "2004280", "m", app().c_str(), 99), -1);
    EXPECT_EQ(std::string(resource_dir_get()), path("text" + sep + "usascii" + sep + "resource"));
}

TEST_F(TextDirs, NoLanguageDirectoryGivesTheBareTextTree) {
    make("text");
    EXPECT_EQ(start("26", "2004280", "m", app().c_str(), 1), -1);
    EXPECT_EQ(std::string(text_dir_get()), path("text"));
    EXPECT_EQ(std::string(menus_dir_get()), path("text" + sep + "menus"));
    EXPECT_EQ(std::string(resource_dir_get()), path("text" + sep + "resource"));
}

TEST_F(TextDirs, PathsThatDoNotFitTheirBuffersAreNeverWrittenWhole) {
    // The language directory exists, but its path would not fit: it counts as missing, and the
    // bare paths are cut to 259 characters.
    std::string long_name(260 - app().size(), 'L');
    fs::path long_app = root / long_name;
    fs::create_directories(long_app / "text" / "usascii");
    std::string app_dir = long_app.string();
    EXPECT_EQ(start("26", "2004280", "m", app_dir.c_str(), 0), -1);
    for (const char* dir : {text_dir_get(), menus_dir_get(), resource_dir_get()}) {
        EXPECT_EQ(std::string(dir).size(), 259u);
        EXPECT_EQ(std::string(dir), app_dir.substr(0, 259));
    }
}

TEST_F(TextDirs, LanguageSubdirectoriesThatDoNotFitGiveTheBareTree) {
    // The language directory fits, but its menus directory (245) or only its resource
    // directory (240) would not: all three are the bare ones, which fit.
    for (size_t length : {size_t(245), size_t(240)}) {
        ASSERT_LT(app().size() + 1, length);
        fs::path long_app = root / std::string(length - app().size() - 1, 'S');
        fs::create_directories(long_app / "text" / "usascii");
        std::string app_dir = long_app.string();
        ASSERT_EQ(app_dir.size(), length);
        EXPECT_EQ(start("26", "2004280", "m", app_dir.c_str(), 0), -1);
        EXPECT_EQ(std::string(text_dir_get()), app_dir + sep + "text") << length;
        EXPECT_EQ(std::string(menus_dir_get()), app_dir + sep + "text" + sep + "menus") << length;
        EXPECT_EQ(std::string(resource_dir_get()), app_dir + sep + "text" + sep + "resource") << length;
        fs::remove_all(long_app);
    }
}

TEST(DirExists, StripsOneTrailingSeparatorInPlace) {
    platform_table saved = platform;
    static std::vector<std::string> asked;
    asked.clear();
    platform.is_directory = [](const char* p) -> int {
        asked.push_back(p);
        return std::string(p) == "dir";
    };
    struct Case {
        const char* path;
        const char* asked;
        int answer;
    } cases[] = {
        {"dir/", "dir", 1}, {"dir\\", "dir", 1}, {"dir", "dir", 1},   {"/", "/", 0},
        {"a//", "a//", 0},  {"C:\\", "C:\\", 0}, {"a\\/", "a\\/", 0}, {"file", "file", 0},
    };
    for (const Case& c : cases) {
        std::string buffer = c.path;
        EXPECT_EQ(dir_exists(buffer.data()), c.answer) << c.path;
        EXPECT_STREQ(buffer.c_str(), c.asked) << c.path;
        EXPECT_EQ(asked.back(), c.asked);
    }
    platform = saved;
}

// ---- after the check ----------------------------------------------------------------------

VT_CHILD(entry_without_version_info) {
    // The host lacks prodev_pass_version_info_v: the gateway's -1 counts as success and the
    // bridge starts, with the display version the host gives.
    vthost::Host& host = test_host::install({"prodev_pass_version_info_v"});
    host.display_version = "WF 2.0";
    fake_pdm::reset();
    char16_t buffer[64];
    int status = user_initialize_plus(0, nullptr, "26", "2004280", 0, buffer, "/app", u"m", nullptr, app_handle,
                                      0, test_host::table(), test_host::table_count(), 0);
    if (fake_pdm::calls.empty() || fake_pdm::calls.front() != "BeforeInit") return 100;
    std::vector<std::string> names = test_host::call_table_names();
    if (std::count(names.begin(), names.end(), "ProNotificationSet_v") != 8) return 102;  // the bridge ran
    return status == 0 ? 0 : 101;
}

TEST(StartUpBridge, MissingVersionInfoFunctionCountsAsSuccess) {
    auto r = vt_test::run_child("entry_without_version_info");
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
}

TEST(StartUpBridge, TerminateReturnsTheBridgesResult) {
    fake_pdm::reset();
    fake_pdm::answers["Stop"] = 7;
    EXPECT_EQ(user_terminate_plus(), 7);
    EXPECT_EQ(fake_pdm::calls, std::vector<std::string>{"Stop"});
    fake_pdm::reset();
}
