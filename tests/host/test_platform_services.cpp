// The platform table's services: the process environment, the loader with its failure text, the
// file attributes and the run-time library's locale and number formatting.
#include <gtest/gtest.h>

#include <locale.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "platform/platform.h"
#include "tests/support/child.h"

namespace {

// The environment is the process's: the scenario runs in a child of its own.
VT_CHILD(set_environment_scenario) {
    if (platform.set_environment("VTHOST_TEST_SETTING", "BeforeSave=0") != 0) return 10;
    const char* value = getenv("VTHOST_TEST_SETTING");
    if (value == nullptr || strcmp(value, "BeforeSave=0") != 0) return 11;
    if (platform.set_environment("VTHOST_TEST_SETTING", "About=3") != 0) return 12;
    value = getenv("VTHOST_TEST_SETTING");
    if (value == nullptr || strcmp(value, "About=3") != 0) return 13;
    // An empty value clears the setting (Windows removes the variable).
    if (platform.set_environment("VTHOST_TEST_SETTING", "") != 0) return 14;
    value = getenv("VTHOST_TEST_SETTING");
    if (value != nullptr && *value != '\0') return 15;
    if (platform.set_environment(nullptr, "x") == 0 || platform.set_environment("X", nullptr) == 0) return 16;
    if (platform.set_environment("", "x") == 0) return 17;   // a setting needs a name
    return 0;
}

TEST(PlatformEnvironment, SetReplaceAndClear) {
    vt_test::ChildResult result = vt_test::run_child("set_environment_scenario", {{"VTHOST_TEST_SETTING", "old"}});
    EXPECT_TRUE(result.exited);
    EXPECT_EQ(result.exit_code, 0) << result.err;
}

TEST(PlatformLoader, FailureTextNamesTheReason) {
    int os_error = 0;
    std::string missing = vt_test::source_dir() + "/tests/host/no_such_module.bin";
    EXPECT_EQ(platform.dll_load(missing.c_str(), &os_error), nullptr);
    EXPECT_NE(os_error, 0);
    const char* text = platform.dll_error_text(os_error);
    ASSERT_NE(text, nullptr);
    EXPECT_GT(strlen(text), 0u);
    // A file that is not a library at all fails with a text of its own.
    std::string not_a_library = vt_test::source_dir() + "/tests/host/scripts/rehearsal.vth";
    EXPECT_EQ(platform.dll_load(not_a_library.c_str(), &os_error), nullptr);
    EXPECT_GT(strlen(platform.dll_error_text(os_error)), 0u);
}

// ---- the loader, file attributes and locale entries under bad input ----------------------------

TEST(PlatformLoader, NullAndMissingArgumentsFailWithAnErrorCode) {
    int os_error = 0;
    EXPECT_EQ(platform.dll_load(nullptr, &os_error), nullptr);
    EXPECT_NE(os_error, 0);
    EXPECT_EQ(platform.dll_load(nullptr, nullptr), nullptr) << "no place for the error is no fault";
    os_error = 0;
    EXPECT_EQ(platform.dll_symbol(nullptr, "i_am_262003500", &os_error), nullptr);
    EXPECT_NE(os_error, 0);
    EXPECT_EQ(platform.dll_symbol(nullptr, "x", nullptr), nullptr);
    os_error = 0;
    EXPECT_NE(platform.dll_unload(nullptr, &os_error), 0);
    EXPECT_NE(os_error, 0);
    EXPECT_NE(platform.dll_unload(nullptr, nullptr), 0);
    // Without a pending loader failure the text still names the code.
    const char* text = platform.dll_error_text(os_error);
    ASSERT_NE(text, nullptr);
    EXPECT_GT(strlen(text), 0u);
}

TEST(PlatformFiles, OnlyAnExistingDirectoryIsADirectory) {
    EXPECT_EQ(platform.is_directory(nullptr), 0);
    EXPECT_EQ(platform.is_directory(""), 0);
    EXPECT_NE(platform.is_directory(vt_test::source_dir().c_str()), 0);
    EXPECT_EQ(platform.is_directory((vt_test::source_dir() + "/tests/host/scripts/rehearsal.vth").c_str()), 0);
    EXPECT_EQ(platform.is_directory((vt_test::source_dir() + "/no_such_directory").c_str()), 0);
}

TEST(PlatformLocale, TheRunTimeLibraryAnswersForNamesAndDoubles) {
    EXPECT_NE(platform.set_locale(LC_NUMERIC, "C"), nullptr);
    EXPECT_EQ(platform.set_locale(LC_ALL, "no-such-locale-name"), nullptr);
    char text[32];
    EXPECT_EQ(platform.format_double(text, sizeof text, "%.2f", 2.5), 4);
    EXPECT_STREQ(text, "2.50");
    // A small buffer is never overrun; the answer is the length needed.
    char small[4] = {'#', '#', '#', '#'};
    EXPECT_EQ(platform.format_double(small, 3, "%.2f", 12.5), 5);
    EXPECT_STREQ(small, "12");
    EXPECT_EQ(small[3], '#');
}

}  // namespace
