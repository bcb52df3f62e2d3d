// The tests' host: vthost's host model (host/host_model.h), driven in-process.
//
// install() makes a fresh host the current one, keeping every call it receives, with the
// bridge's functions known by name in its readable lines, and hands the gateway its table and
// the application handle.  Tests then set the model's own options (answers put in place of the
// model's, refused functions, repeated command names let through, model records handed out as
// they are) and raise events through it.
//
// The gateway caches the first function it finds for each name for the rest of the process; the
// model's host functions work on whichever host is current, so a fresh host per test is enough.
#ifndef VT_TEST_TEST_HOST_H
#define VT_TEST_TEST_HOST_H

#include <set>
#include <string>
#include <vector>

#include "host/host_model.h"
#include "tests/support/other_functions.h"

namespace test_host {

constexpr int app_handle = 4711;

// A fresh host with the given host functions left out and the extra ones added; installs the
// handle and the table into the gateway.
vthost::Host& install(const std::set<std::string>& missing = {},
                      std::vector<host_function_pair> extra = {});
// A fresh host as install() makes it, without touching the gateway (start-up installs the table
// itself).
vthost::Host& reset();
vthost::Host& host();

// The table of the current host, as install() handed it to the gateway.
const host_function_pair* table();
int table_count();

// The readable lines, and the table names ("ProCmdIconSet_v"), of the calls recorded so far.
std::vector<std::string> calls();
std::vector<std::string> call_table_names();

// The command bound to a button anywhere in the menus, or nullptr.
const vthost::Command* button_command(const std::string& button);

// Runs a host command with its brackets: entering, then leaving; the bracket answers in order.
std::vector<int> run_command(const std::string& command_name);

// A model record whose name and type are the given ASCII texts (terminated when they fit).
model_record make_record(const std::string& name, const std::string& type);

}  // namespace test_host

#endif
