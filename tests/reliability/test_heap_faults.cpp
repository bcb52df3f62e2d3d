// The C heap failing at the 1st, 2nd, ... Nth allocation of start-up and of a working session.
// Whatever allocation fails, the add-in must end the process through its fatal stop with the
// out-of-memory texts and status 2 (never a signal, never a write through the missing area), and
// once N exceeds the number of allocations the run must complete.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bridge/bridge.h"
#include "module/entry.h"
#include "platform/platform.h"
#include "support/fake_pdm.h"
#include "tests/reliability/addin_session.h"
#include "tests/support/child.h"
#include "tests/support/test_host.h"

namespace {

// ---- the failing heap ------------------------------------------------------------------------

long long allocations = 0;   // heap_alloc and heap_realloc calls since the heap was armed
long long fail_at = 0;       // the call that fails (0: none)
void* (*real_alloc)(size_t) = nullptr;
void* (*real_realloc)(void*, size_t) = nullptr;

void* failing_alloc(size_t size) {
    if (++allocations == fail_at) return nullptr;
    return real_alloc(size);
}

void* failing_realloc(void* area, size_t size) {
    if (++allocations == fail_at) return nullptr;
    return real_realloc(area, size);
}

// Counts allocations from here on and fails the one VT_HEAP_FAIL_AT names.
void arm_heap() {
    const char* at = getenv("VT_HEAP_FAIL_AT");
    fail_at = at != nullptr ? atoll(at) : 0;
    allocations = 0;
    real_alloc = platform.heap_alloc;
    real_realloc = platform.heap_realloc;
    platform.heap_alloc = failing_alloc;
    platform.heap_realloc = failing_realloc;
}

void report_allocations() {
    printf("allocations %lld\n", allocations);
    fflush(stdout);
}

}  // namespace

// Start-up alone fails.
VT_CHILD(heap_fault_startup) {
    fake_pdm::reset();
    test_host::reset();
    arm_heap();
    int status = addin_session::start(test_host::table(), test_host::table_count());
    report_allocations();
    return status == 0 && fake_pdm::calls.size() == 3 && fake_pdm::calls.back() == "AfterInit" ? 0 : 3;
}

// Start-up in Japanese (EUC mode, the wide path of the formatter) fails.
VT_CHILD(heap_fault_startup_japanese) {
    fake_pdm::reset();
    test_host::reset();
    arm_heap();
    int status = addin_session::start(test_host::table(), test_host::table_count(), 1);
    report_allocations();
    return status == 0 ? 0 : 3;
}

// A session after a sound start-up fails: hooks, commands, formatter, conversions.
VT_CHILD(heap_fault_session) {
    fake_pdm::reset();
    test_host::reset();
    if (addin_session::start(test_host::table(), test_host::table_count()) != 0) return 4;
    arm_heap();
    addin_session::work();
    user_terminate_plus();
    report_allocations();
    return fake_pdm::calls.back() == "Stop" ? 0 : 3;
}

namespace {

const char out_of_memory[] =
    " Serious error - out of virtual memory. Starting recovery attempt.\n"
    "Serious internal error; cannot continue.\n";

vt_test::ChildEnv env_failing_at(long long n) {
    vt_test::ChildEnv env = {{"ALLOW_CRASH", std::nullopt}, {"PRO_EXPECTED_EXIT_STATUS", std::nullopt},
                             {"PRO_LANG", std::nullopt}, {"LANG", std::nullopt}};
    if (n > 0) env.emplace_back("VT_HEAP_FAIL_AT", std::to_string(n));
    return env;
}

bool ends_with(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Runs the scenario once without a failure to count its allocations K, then once failing at each
// N from 1 to K, and once at K + 1, which must complete.
void sweep(const char* scenario) {
    vt_test::ChildResult clean = vt_test::run_child(scenario, env_failing_at(0));
    ASSERT_TRUE(clean.exited) << clean.err;
    ASSERT_EQ(clean.exit_code, 0) << clean.out << clean.err;
    long long count = 0;
    ASSERT_EQ(sscanf(clean.out.c_str() + clean.out.rfind("allocations "), "allocations %lld", &count), 1)
        << clean.out;
    // A run that allocates nothing would prove nothing.
    ASSERT_GT(count, 0);
    ::testing::Test::RecordProperty("allocations", static_cast<int>(count));

    int unsound = 0;
    for (long long n = 1; n <= count + 1 && unsound < 5; ++n) {
        vt_test::ChildResult r = vt_test::run_child(scenario, env_failing_at(n));
        if (n <= count) {
            bool sound = r.exited && r.exit_code == 2 && ends_with(r.out, out_of_memory) &&
                         r.out.find("allocations ") == std::string::npos;
            if (!sound) ++unsound;
            EXPECT_TRUE(sound) << scenario << ", allocation " << n << " of " << count << " failing: "
                               << (r.exited ? "exit " : "signal ") << r.exit_code << "\nout: " << r.out
                               << "\nerr: " << r.err;
        } else {
            EXPECT_TRUE(r.exited && r.exit_code == 0) << scenario << " with " << count
                                                      << " allocations did not complete: " << r.err;
            EXPECT_TRUE(ends_with(r.out, "allocations " + std::to_string(count) + "\n")) << r.out;
        }
    }
}

TEST(HeapFaults, EveryAllocationOfStartUp) { sweep("heap_fault_startup"); }

TEST(HeapFaults, EveryAllocationOfJapaneseStartUp) { sweep("heap_fault_startup_japanese"); }

TEST(HeapFaults, EveryAllocationOfASession) { sweep("heap_fault_session"); }

}  // namespace
