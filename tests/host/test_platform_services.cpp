// The two platform services vthost added: the process environment and the loader's failure text.
#include <gtest/gtest.h>

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

}  // namespace
