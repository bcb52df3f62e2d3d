// main() of every suite: runs a child scenario when asked to ("--vt-child NAME ..."), else the
// GoogleTest suite.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include "tests/support/child.h"

namespace vt_test {

static std::map<std::string, ChildScenario>& scenarios() {
    static std::map<std::string, ChildScenario> all;
    return all;
}

static std::string self;
static std::vector<std::string> args_after_child;

bool register_child(const char* name, ChildScenario scenario) {
    scenarios()[name] = scenario;
    return true;
}

const std::string& self_path() { return self; }
const std::vector<std::string>& child_args() { return args_after_child; }

std::string source_dir() {
    const char* dir = std::getenv("VT_SOURCE_DIR");
#ifdef VT_SOURCE_DIR_DEFAULT
    if (dir == nullptr) dir = VT_SOURCE_DIR_DEFAULT;
#endif
    return dir != nullptr ? dir : ".";
}

}  // namespace vt_test

int main(int argc, char** argv) {
    vt_test::self = argv[0];
    if (argc >= 3 && std::strcmp(argv[1], "--vt-child") == 0) {
        auto found = vt_test::scenarios().find(argv[2]);
        if (found == vt_test::scenarios().end()) {
            std::fprintf(stderr, "no child scenario %s\n", argv[2]);
            return 120;
        }
        for (int i = 3; i < argc; ++i) vt_test::args_after_child.push_back(argv[i]);
        int status = found->second();
        std::fflush(stdout);
        std::fflush(stderr);
        return status;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
