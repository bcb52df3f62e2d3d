// Tests whose body runs in a fresh child process, for subjects that keep state for the life of
// the process (the gateway's entry caches, tables written once at start-up).
//
//   VT_CHILD_TEST(Gateway, MissingFunctionIsLookedUpAgain) { EXPECT_EQ(ProIsPTModeler(), 0); }
//
// The body uses the usual EXPECT_/ASSERT_ macros; the child reports their failures on its
// standard output and ends with status 1, which fails the test in the parent.
#ifndef VT_TEST_CHILD_TEST_H
#define VT_TEST_CHILD_TEST_H

#include <gtest/gtest.h>

#include "tests/support/child.h"

namespace vt_test {
// Runs the named scenario and fails the current test unless it ended with status 0.
void expect_child_passes(const char* scenario);
// The child's status: 1 when any expectation failed while it ran.
int child_status_from_expectations();
}  // namespace vt_test

#define VT_CHILD_TEST(suite, name)                                                  \
    static void vt_child_body_##suite##_##name();                                   \
    VT_CHILD(suite##_##name) {                                                      \
        vt_child_body_##suite##_##name();                                           \
        return vt_test::child_status_from_expectations();                           \
    }                                                                               \
    TEST(suite, name) { vt_test::expect_child_passes(#suite "_" #name); }           \
    static void vt_child_body_##suite##_##name()

#endif
