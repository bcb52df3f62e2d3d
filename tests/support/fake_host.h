// Recording fake of the CAD host for tests that go through the gateway.
//
// install() hands the gateway one sorted host function table (the same functions for the whole
// process, since the gateway caches what it finds) and resets the fake's state.  Every host
// function records its call as readable text, e.g.
//     ProCmdActionAdd("g4cmd", VTCmdHide, 5, AccessAll, 1, 1)
//     ProMenubarmenuPushbuttonAdd("GEN", "G4", "g4_label", "g4_help", NULL, 1, [g4cmd], L"menu_vt_vexo.txt")
// with known function pointers by name, command ids as [action name] and wide text as L"...".
// The fake hands out command ids, builds the menus so that their finished order can be read back,
// keeps the subscribed hooks and brackets so that tests can raise events, and holds a current
// model.
#ifndef VT_TEST_FAKE_HOST_H
#define VT_TEST_FAKE_HOST_H

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "frame/vt_types.h"

namespace fake_host {

// ---- set-up ----------------------------------------------------------------------------------
constexpr int app_handle = 4711;

// Installs the handle and the table into the gateway and resets the state below.
void install();
// Clears every recording and answer, forgets menus, commands, hooks and brackets.
void reset();

const host_function_pair* table();
int table_count();

// ---- answers (reset restores the defaults given here) ----------------------------------------
extern bool refuse_all;              // every host function refuses (-1) after recording the call
extern bool refuse_repeated_actions; // ProCmdActionAdd refuses a name already registered
extern bool has_current_model;       // ProMdlCurrentGet succeeds (default false)
extern int data_get_status;          // ProMdlDataGet's answer when a model is current (0)
extern model_record current_record;  // what ProMdlDataGet copies out
extern int record_tail_bytes;        // host fields ProMdlDataGet writes after the record (0)
extern int version_info_answer;      // prodev_pass_version_info_v's answer (1)
extern int display_version_status;   // ProEngineerDisplayversionGet_v's answer (0)
extern std::string display_version;  // the text it hands out ("26")
extern std::map<std::string, int> known_commands; // ProCmdCmdIdFind's host commands

// ---- recordings ------------------------------------------------------------------------------
extern std::vector<std::string> calls;
// Per call, the directory pointer the gateway appended (nullptr for functions without one).
extern std::vector<const char*> call_directories;
// Calls that arrived with a handle other than app_handle.
extern int wrong_handle_calls;
// Called with each recorded call as it happens (e.g. to interleave with other recordings).
extern std::function<void(const std::string&)> on_call;

// Names shown for function pointers; the bridge's functions are known from the start.
void name_function(const void* function, const std::string& name);
std::string function_name(const void* function);

// ---- what the host holds ---------------------------------------------------------------------
struct action {
    std::string name;
    command_action handler;
    command_access access;
    int non_active_ok;
    int accessory_ok;
};
// Registered commands by id; ids are handed out from 1 in registration order.
extern std::map<int, action> actions;

struct menu_entry {
    std::string name;
    bool is_menu;
    int command_id;     // buttons only
};
// Menus by name with their entries in display order; the menubar is "" (holds the host's
// "Applications" menu at the start).
extern std::map<std::string, std::vector<menu_entry>> menus;

// The finished order of a menu: "G14, G15, ..., SEL(G9, ...), ..." with sub-menus expanded.
std::string menu_layout(const std::string& menu);
// The command bound to a button of a menu, or nullptr when there is none.
const action* button_action(const std::string& menu, const std::string& button);

extern std::map<int, notify_hook> hooks; // by notification type
struct bracket {
    int command_id;
    command_bracket function;
    std::string name;
    void* data;
};
extern std::vector<bracket> brackets;

// ---- raising events --------------------------------------------------------------------------
// Calls the hook of a type in the shape that type has; -999 when nothing is subscribed.
int notify(int type);
int notify(int type, model_record* model);
int notify(int type, model_record* first, model_record* second);
// Runs a host command: every bracket on its id before (entering 1) and after (entering 0).
// Returns the bracket results in call order.
std::vector<int> run_command(const std::string& command_name);

// A model record whose name and type are the given ASCII texts (terminated when they fit).
model_record make_record(const std::string& name, const std::string& type);

} // namespace fake_host

#endif
