// Child-process scenarios for tests whose subject ends the process or reads the environment once
// per process (the fatal stop, the language chosen from the environment).
//
//   VT_CHILD(crash_plain) { crash(); }
//   auto r = vt_test::run_child("crash_plain", {{"PRO_EXPECTED_EXIT_STATUS", "2"}});
//   EXPECT_EQ(r.exit_code, 0);
//
// The test executable runs itself with "--vt-child NAME"; the scenario's return value is the
// child's exit status.  Environment entries with a null value are removed in the child.
#ifndef VT_TEST_CHILD_H
#define VT_TEST_CHILD_H

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vt_test {

using ChildEnv = std::vector<std::pair<std::string, std::optional<std::string>>>;

struct ChildResult {
    bool exited = false;      // ended through exit (status in exit_code)
    int exit_code = -1;       // exit status, or the signal / exception code when !exited
    std::string out;          // everything the child wrote to standard output
    std::string err;          // everything the child wrote to standard error
};

using ChildScenario = int (*)();
bool register_child(const char* name, ChildScenario scenario);

// Runs a scenario of this executable in a new process.
ChildResult run_child(const std::string& scenario, const ChildEnv& env = {},
                      const std::vector<std::string>& extra_args = {});

// Runs any program (path and arguments) in a new process.
ChildResult run_program(const std::vector<std::string>& argv, const ChildEnv& env = {});

// Path of the running test executable; arguments after "--vt-child NAME".
const std::string& self_path();
const std::vector<std::string>& child_args();

// Removes a directory tree, also one whose paths outgrow MAX_PATH on Windows (through the
// "\\?\" long-path form of the Win32 calls).  True when nothing of it is left.
bool remove_tree(const std::string& path);

// The source tree (VT_SOURCE_DIR), for data files.
std::string source_dir();

}  // namespace vt_test

#define VT_CHILD(name)                                                                   \
    static int vt_child_##name();                                                        \
    static const bool vt_child_registered_##name = vt_test::register_child(#name, vt_child_##name); \
    static int vt_child_##name()

#endif
