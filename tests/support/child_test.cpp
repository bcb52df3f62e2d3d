// Child-process tests: the parent's check on the child's outcome.
#include "tests/support/child_test.h"

namespace vt_test {

void expect_child_passes(const char* scenario) {
    ChildResult r = run_child(scenario);
    EXPECT_TRUE(r.exited) << "child ended by signal " << r.exit_code << "\n" << r.out << r.err;
    EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
}

int child_status_from_expectations() {
    return testing::UnitTest::GetInstance()->Failed() ? 1 : 0;
}

}  // namespace vt_test
