// A client library that lacks one of its 32 exports (here AfterSave, which the add-in imports
// although nothing calls it): the platform loader refuses the add-in, and vthost says which
// library it could not load and ends with status 1 before any host call.
//
// vthost runs from the directory of the lacking library, with a copy of the module beside it, so
// that the loader meets that library first on every platform.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/child.h"

#ifdef VT_LACKING_DIR

namespace {

const std::string lacking_dir = VT_LACKING_DIR;
const std::string addin = lacking_dir + "/" VT_ADDIN_NAME;

TEST(ClientLibrary, VthostNamesTheAddinItCannotLoadAndExitsWithOne) {
    vt_test::ChildResult r = vt_test::run_program(
        {lacking_dir + "/" VT_VTHOST_NAME, "--addin", addin, vt_test::source_dir() + "/examples/demo.vth"});
    ASSERT_TRUE(r.exited) << "signal " << r.exit_code << "\n" << r.err;
    EXPECT_EQ(r.exit_code, 1) << r.out << r.err;
    const std::string lead = "vthost: cannot load add-in ";
    size_t at = r.err.find(lead);
    ASSERT_NE(at, std::string::npos) << r.err;
    // The module's path, then the loader's reason.
    size_t name = r.err.find(VT_ADDIN_NAME ": ", at);
    ASSERT_NE(name, std::string::npos) << r.err;
    std::string reason = r.err.substr(name + sizeof VT_ADDIN_NAME + 1);
    EXPECT_NE(reason.find_first_not_of(" \r\n"), std::string::npos) << "no reason given: " << r.err;
    // Where the loader names the symbol it could not bind, it is the one left out (the Windows
    // loader's refusal names the function and its library).
    if (reason.find("undefined symbol") != std::string::npos || reason.find(" in ") != std::string::npos) {
        EXPECT_NE(reason.find("AfterSave"), std::string::npos) << reason;
    }
    // Nothing of the session ran: no host line, no client library line.
    EXPECT_EQ(r.out.find("VTProeVEXO:"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("host:"), std::string::npos) << r.out;
}

}  // namespace

#endif
