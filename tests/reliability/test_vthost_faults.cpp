// The demo session played by vthost against a host that lacks, or refuses, each host function in
// turn: natively under valgrind memcheck, in the sanitizer build with the instrumented add-in.
// The add-in must never take the session down: vthost ends with the status its script reading
// defines (0; 2 where the script picks a button the refused menu call never made; 3 where the
// host refused the frame's version), the client library is stopped whenever it was started, and
// no memory error is found.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/child.h"

#ifdef VT_VTHOST_PATH

namespace {

const char* const host_functions[] = {
    "ProMenubarMenuAdd", "ProMenubarmenuMenuAdd", "ProMenubarmenuPushbuttonAdd", "ProCmdActionAdd",
    "ProCmdDesignate", "ProCmdIconSet", "ProNotificationSet", "ProCmdCmdIdFind", "ProCmdBracketFuncAdd",
    "ProMdlCurrentGet", "ProMdlDataGet", "prodev_pass_version_info", "ProEngineerDisplayversionGet",
};

// Menu calls whose absence leaves a button of the demo without its menu entry.
bool builds_menu(const std::string& function) {
    return function == "ProMenubarMenuAdd" || function == "ProMenubarmenuMenuAdd" ||
           function == "ProMenubarmenuPushbuttonAdd" || function == "ProCmdActionAdd";
}

const int memcheck_error = 99;

vt_test::ChildResult play(const std::string& mode, const std::string& function) {
    std::vector<std::string> argv;
#ifdef VT_VALGRIND
    argv = {VT_VALGRIND, "--quiet", "--error-exitcode=99", "--keep-debuginfo=yes", "--num-callers=50", "--leak-check=full",
            "--errors-for-leak-kinds=definite,indirect,possible", "--suppressions=" VT_VALGRIND_SUPPRESSIONS};
#endif
    argv.insert(argv.end(), {VT_VTHOST_PATH, "--quiet", "--" + mode, function,
                             vt_test::source_dir() + "/examples/demo.vth"});
    return vt_test::run_program(argv, {{"VTPDM_ANSWERS", std::nullopt}, {"ALLOW_CRASH", std::nullopt},
                                       {"PRO_EXPECTED_EXIT_STATUS", std::nullopt}});
}

void play_each(const std::string& mode) {
    for (const char* function : host_functions) {
        SCOPED_TRACE(mode + " " + function);
        vt_test::ChildResult r = play(mode, function);
        ASSERT_TRUE(r.exited) << "signal " << r.exit_code << "\n" << r.err;
        EXPECT_NE(r.exit_code, memcheck_error) << r.err;
        bool refused_version = mode == "refuse" && std::string(function) == "prodev_pass_version_info";
        int expected = refused_version ? 3 : builds_menu(function) ? 2 : 0;
        EXPECT_EQ(r.exit_code, expected) << r.err;
        if (expected == 2) {
            EXPECT_NE(r.err.find("no button"), std::string::npos) << r.err;
        }
        EXPECT_EQ(r.out.find("VTProeVEXO: Stop()") != std::string::npos, !refused_version) << r.out;
    }
}

TEST(VthostFaults, DemoWithEachHostFunctionMissing) { play_each("missing"); }

TEST(VthostFaults, DemoWithEachHostFunctionRefusing) { play_each("refuse"); }

}  // namespace

#endif
