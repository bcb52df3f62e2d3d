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

// How a child ends: its own exit status; the platform's fatal stop (the non-continuable
// exception on Windows, abort() on POSIX); or anything but a return from crash (status 7, or 0).
enum class Ending { status, fatal_raise, never_returns };

struct FatalCase {
    const char* what;
    const char* child;
    ChildEnv env;
    Ending ending;
    int status;             // with Ending::status
    const char* out;
    const char* err;        // null: not looked at
};

const char* const fatal_line = "Serious internal error; cannot continue.\n";
const char* const allowing = "Allowing Crash: get_auto_traceback_flag()\nAllowing crash: crash()\n";

// crash(), exit_with_status() and the traceback flag under ALLOW_CRASH and
// PRO_EXPECTED_EXIT_STATUS, one child process per row.
TEST(FatalStop, EndingsOutputAndStatusByEnvironment) {
    const std::string crash_expected_2 = std::string(fatal_line) + "Status - expected: 2, actual: 2\n";
    const std::string crash_expected_3 = std::string(fatal_line) + "Status - expected: 3, actual: 2\n";
    const FatalCase cases[] = {
        {"crash writes its line and ends with status 2", "crash_plain", clean, Ending::status, 2,
         fatal_line, ""},
        {"an expected status of 2 turns 2 into 0", "crash_plain",
         with(clean, "PRO_EXPECTED_EXIT_STATUS", "2"), Ending::status, 0, crash_expected_2.c_str(), nullptr},
        {"an expected status that differs is reported and kept", "crash_plain",
         with(clean, "PRO_EXPECTED_EXIT_STATUS", " +3"), Ending::status, 2, crash_expected_3.c_str(), nullptr},
        {"0 expected and 0 given writes nothing", "exit_zero", with(clean, "PRO_EXPECTED_EXIT_STATUS", "0"),
         Ending::status, 0, "", nullptr},
        {"an expected status is reported when only the actual is 0", "exit_zero",
         with(clean, "PRO_EXPECTED_EXIT_STATUS", "3"), Ending::status, 0, "Status - expected: 3, actual: 0\n",
         nullptr},
        {"a non-numeric expected status is ignored", "exit_five",
         with(clean, "PRO_EXPECTED_EXIT_STATUS", "abc"), Ending::status, 5, "", nullptr},
        {"an empty expected status is ignored", "exit_five", with(clean, "PRO_EXPECTED_EXIT_STATUS", ""),
         Ending::status, 5, "", nullptr},
        {"ALLOW_CRASH ends abnormally with both lines and no status line", "crash_plain",
         with(with(clean, "ALLOW_CRASH", "1"), "PRO_EXPECTED_EXIT_STATUS", "2"), Ending::fatal_raise, 0,
         allowing, nullptr},
        // With ALLOW_CRASH the stop is the platform's fatal raise, after both lines and before
        // any exit status is worked out; should that raise come back, crash still never returns.
        {"ALLOW_CRASH hands over to the platform's fatal raise", "crash_raise_exits",
         with(with(clean, "ALLOW_CRASH", "1"), "PRO_EXPECTED_EXIT_STATUS", "42"), Ending::status, 42,
         allowing, nullptr},
        {"crash does not return when the fatal raise does", "crash_raise_returns",
         with(with(clean, "ALLOW_CRASH", "1"), "PRO_EXPECTED_EXIT_STATUS", "42"), Ending::never_returns, 0,
         allowing, nullptr},
        {"the traceback flag is latched and announced once", "traceback_flag_twice",
         with(clean, "ALLOW_CRASH", ""), Ending::status, 11, "Allowing Crash: get_auto_traceback_flag()\n",
         nullptr},
        {"without ALLOW_CRASH the traceback flag stays off", "traceback_flag_twice", clean, Ending::status, 0,
         "", nullptr},
    };
    for (const FatalCase& c : cases) {
        SCOPED_TRACE(c.what);
        auto r = run_child(c.child, c.env);
        switch (c.ending) {
        case Ending::status:
            ASSERT_TRUE(r.exited);
            EXPECT_EQ(r.exit_code, c.status);
            break;
        case Ending::fatal_raise:
            EXPECT_FALSE(r.exited);
#if defined(_WIN32)
            EXPECT_EQ(static_cast<unsigned>(r.exit_code), 0xC0000025u);
#else
            EXPECT_EQ(r.exit_code, SIGABRT);
#endif
            break;
        case Ending::never_returns:
            EXPECT_FALSE(r.exited && r.exit_code == 7) << "crash returned to its caller";
            EXPECT_FALSE(r.exited && r.exit_code == 0);
            break;
        }
        EXPECT_EQ(r.out, c.out);
        if (c.err != nullptr) {
            EXPECT_EQ(r.err, c.err);
        }
    }
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
