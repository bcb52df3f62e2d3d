// Reporters, message log and the fatal stop, each fatal case in a child process.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "frame/report.h"
#include "platform/platform.h"
#include "tests/support/child.h"

VT_CHILD(crash_plain) { crash(); }
VT_CHILD(exit_zero) { exit_with_status(0); }
VT_CHILD(exit_five) { exit_with_status(5); }
// The platform's fatal raise replaced: by one that ends the process with a status of its own,
// and by one that comes back, after which crash must still not return.
VT_CHILD(crash_raise_exits) {
    platform.raise_fatal = [] { exit(42); };
    crash();
    return 7;
}
VT_CHILD(crash_raise_returns) {
    platform.raise_fatal = [] {};
    crash();
    return 7;
}
VT_CHILD(reporters) {
    int sum = dbg_err_crash("f", "%s", "x") + dbg_err_warning("g", "%d", 1) + dbg_err_info("h", "y");
    err_report_fatal("WSTRCOPY_X", "OVERFLOW.");
    error_break("Memory error.");
    return sum == 0 ? 0 : 1;
}
VT_CHILD(traceback_flag_twice) {
    int first = get_auto_traceback_flag();
    int second = get_auto_traceback_flag();
    return first * 10 + second;
}
VT_CHILD(log_both_streams) {
    int a = msg_log_printf("%s %d\n", "out", 1);
    int b = msg_log_fprintf(stderr, "err %c\n", 'x');
    return a == 6 && b == 6 ? 0 : 1;
}

namespace {

using vt_test::ChildEnv;
using vt_test::run_child;

const ChildEnv clean = {{"ALLOW_CRASH", std::nullopt}, {"PRO_EXPECTED_EXIT_STATUS", std::nullopt}};

ChildEnv with(ChildEnv env, const char* name, const char* value) {
    env.emplace_back(name, value);
    return env;
}

TEST(FatalStop, CrashWritesTheMessageAndEndsWithStatusTwo) {
    auto r = run_child("crash_plain", clean);
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_EQ(r.out, "Serious internal error; cannot continue.\n");
    EXPECT_EQ(r.err, "");
}

TEST(FatalStop, ExpectedExitStatusTurnsTwoIntoZero) {
    auto r = run_child("crash_plain", with(clean, "PRO_EXPECTED_EXIT_STATUS", "2"));
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, "Serious internal error; cannot continue.\nStatus - expected: 2, actual: 2\n");
}

TEST(FatalStop, ExpectedStatusThatDiffersIsReportedAndKept) {
    auto r = run_child("crash_plain", with(clean, "PRO_EXPECTED_EXIT_STATUS", " +3"));
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_EQ(r.out, "Serious internal error; cannot continue.\nStatus - expected: 3, actual: 2\n");
}

TEST(FatalStop, ZeroExpectedAndZeroStatusWritesNothing) {
    auto r = run_child("exit_zero", with(clean, "PRO_EXPECTED_EXIT_STATUS", "0"));
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, "");
}

TEST(FatalStop, ExpectedStatusIsReportedWhenOnlyTheActualIsZero) {
    auto r = run_child("exit_zero", with(clean, "PRO_EXPECTED_EXIT_STATUS", "3"));
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, "Status - expected: 3, actual: 0\n");
}

TEST(FatalStop, NonNumericOrEmptyExpectedStatusIsIgnored) {
    for (const char* value : {"abc", ""}) {
        auto r = run_child("exit_five", with(clean, "PRO_EXPECTED_EXIT_STATUS", value));
        ASSERT_TRUE(r.exited);
        EXPECT_EQ(r.exit_code, 5) << value;
        EXPECT_EQ(r.out, "") << value;
    }
}

TEST(FatalStop, AllowCrashEndsAbnormallyWithBothLinesAndNoStatusLine) {
    auto env = with(with(clean, "ALLOW_CRASH", "1"), "PRO_EXPECTED_EXIT_STATUS", "2");
    auto r = run_child("crash_plain", env);
    EXPECT_FALSE(r.exited);
#if defined(_WIN32)
    EXPECT_EQ(static_cast<unsigned>(r.exit_code), 0xC0000025u);
#else
    EXPECT_EQ(r.exit_code, SIGABRT);
#endif
    EXPECT_EQ(r.out, "Allowing Crash: get_auto_traceback_flag()\nAllowing crash: crash()\n");
}

// With ALLOW_CRASH the stop is the platform's fatal raise, after both lines and before any
// exit status is worked out; should that raise come back, crash still never returns.
TEST(FatalStop, AllowCrashHandsOverToThePlatformsFatalRaise) {
    auto env = with(with(clean, "ALLOW_CRASH", "1"), "PRO_EXPECTED_EXIT_STATUS", "42");
    auto r = run_child("crash_raise_exits", env);
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exit_code, 42);
    EXPECT_EQ(r.out, "Allowing Crash: get_auto_traceback_flag()\nAllowing crash: crash()\n");

    auto back = run_child("crash_raise_returns", env);
    EXPECT_FALSE(back.exited && back.exit_code == 7) << "crash returned to its caller";
    EXPECT_FALSE(back.exited && back.exit_code == 0);
    EXPECT_EQ(back.out, "Allowing Crash: get_auto_traceback_flag()\nAllowing crash: crash()\n");
}

TEST(FatalStop, TracebackFlagIsLatchedAndAnnouncedOnce) {
    auto r = run_child("traceback_flag_twice", with(clean, "ALLOW_CRASH", ""));
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exit_code, 11);
    EXPECT_EQ(r.out, "Allowing Crash: get_auto_traceback_flag()\n");
    auto off = run_child("traceback_flag_twice", clean);
    EXPECT_EQ(off.exit_code, 0);
    EXPECT_EQ(off.out, "");
}

TEST(Reporters, ReturnZeroAndWriteNothing) {
    auto r = run_child("reporters", clean);
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
}

TEST(MessageLog, WritesAndFlushesEachStreamAndCountsCharacters) {
    auto r = run_child("log_both_streams", clean);
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, "out 1\n");
    EXPECT_EQ(r.err, "err x\n");
}

}  // namespace
