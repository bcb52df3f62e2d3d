/* The simulated CAD host: its menubar, command registry, notification subscriptions, bracket
 * functions, models and windows, and the host functions that the add-in reaches through its
 * gateway.
 *
 * One `Host` is current at a time (`host_install`); the host functions, which the add-in calls
 * through plain function pointers, work on it.  Each host function receives the application
 * handle first, then the caller's arguments, then the appended directory where it has one.
 * Every call is written to the trace (JSON lines) when one is open, and every call that
 * answers non-zero is told in the transcript.
 *
 * The same model serves the tests: they can keep every call (its words and a readable line),
 * put their own answer in place of the model's for any host function, let repeated command
 * names through, hand out model records as they are, and add host functions of their own that
 * record and answer the same way. */
#ifndef VTHOST_HOST_MODEL_H
#define VTHOST_HOST_MODEL_H

#include <stdio.h>

#include <cstddef>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "frame/vt_constants.h"
#include "frame/vt_types.h"
#include "host/texts.h"

namespace vthost {

/* The built-in host commands and their ids; add-in commands are numbered from 100. */
struct BuiltinCommand {
    const char* name;
    int id;
};
extern const BuiltinCommand builtin_commands[3];
enum { FIRST_ADDIN_COMMAND_ID = 100 };

struct Bracket {
    command_bracket function;
    std::string name;
    void* data;
};

struct Command {
    int id = 0;
    std::string name;
    bool builtin = false;
    command_action action = nullptr;
    command_access access = nullptr;
    int priority = 0;
    bool non_active_ok = false;
    bool accessory_ok = false;
    bool designated = false;
    std::string label_key, help_key, description_key;
    std::string icon_file;          /* as the add-in named it; empty when none was set */
    bool icon_found = false;
    std::vector<Bracket> brackets;
};

struct MenuItem {
    enum Kind { MENU, BUTTON } kind = MENU;
    std::string name;
    std::string label_key, help_key;
    std::string label;              /* the text shown; empty when the key was not found */
    bool labelled = false;
    bool builtin = false;
    int command_id = 0;             /* buttons only */
    std::vector<MenuItem> children; /* menus only */
};

struct Model {
    std::string name, type;         /* UTF-8 */
    int window = 0;                 /* the window that shows it, 0 for none */
    std::optional<model_record> record; /* handed out as it is instead of one made of name, type */
    std::string key() const { return name + "." + type; }
};

/* One host call as recorded: every argument the host function received as a word (the
 * application handle first), the directory appended to it (null for none) and a readable line
 * with texts quoted, wide texts as L"...", command ids as [command name] and known function
 * pointers by name, e.g.
 *     ProCmdActionAdd("g4cmd", VTCmdHide, 5, AccessAll, 1, 1)
 *     ProCmdIconSet([G14], "Docdata_g14.gif") */
struct HostCall {
    std::string name;               /* the table name, e.g. "ProCmdIconSet_v" */
    std::vector<intptr_t> words;
    const char* directory = nullptr;
    std::string text;
};

/* An answer in place of the model's own: a status, or nothing to let the model answer. */
typedef std::function<std::optional<int>(const HostCall&)> HostAnswer;

struct Host {
    int app_handle = 7;
    int language = 0;
    std::string display_version = "26";
    int frame_version = 0;                  /* what the add-in passed at start-up */

    std::vector<MenuItem> menubar;
    std::vector<Command> commands;          /* built-in commands first */
    std::map<int, notify_hook> notifications;
    std::vector<std::unique_ptr<Model>> models;
    int current_window = 0;                 /* 0: no window is current */
    int next_window = 1;

    std::set<std::string> refused;          /* table names answering VT_HOST_GENERAL_ERROR */
    bool quiet = false;
    FILE* transcript = nullptr;             /* host lines; null for none */
    FILE* trace = nullptr;                  /* JSON lines of every host call; null for none */
    int calls = 0;                          /* host calls made so far */
    std::map<std::string, std::unique_ptr<MessageFile>> message_files; /* by path; null: unreadable */

    /* Options for tests. */
    bool record_calls = false;              /* keep every call in `recorded` */
    std::vector<HostCall> recorded;
    std::function<void(const HostCall&)> on_call;   /* told of each call as it comes */
    std::map<std::string, HostAnswer> answers;      /* by table name, asked after the screening */
    bool accept_repeated_actions = false;   /* ProCmdActionAdd gives a name in use a new id */
    int record_tail_bytes = 0;              /* host bytes ProMdlDataGet writes after the record */
    std::map<const void*, std::string> function_names; /* how readable lines name pointers */

    Host();
    Command* command_by_id(int id);
    Command* command_by_name(const std::string& name);
    MenuItem* find_menu(const std::string& name);          /* menus anywhere in the menubar */
    MenuItem* find_button(const std::string& name);        /* buttons anywhere in the menubar */
    Model* model_by_key(const std::string& key);
    Model* current_model();
    bool model_alive(const void* handle) const;
    const MessageFile* message_file(const std::string& path);
    void say(const char* format, ...) __attribute__((format(printf, 2, 3)));

    /* A built-in command of the host besides its own three; the next free built-in id. */
    Command& add_builtin_command(const std::string& name);
    /* Opens a model in a new window and makes that window current. */
    Model& open_model(const std::string& name, const std::string& type);
    /* Calls the hook subscribed to a type in the shape that type has (the records that the
     * shape does not take are not passed); nothing when no hook is subscribed. */
    std::optional<int> notify(int type, model_record* first = nullptr, model_record* second = nullptr);
    /* Calls every bracket function of a command, entering (1) or leaving (0); their answers. */
    std::vector<int> bracket(Command& command, int entering);
};

/* How many model records a hook of a notification type takes: 0, 1 or 2. */
int hook_records(int type);

/* The items of a menu in display order, sub-menus expanded:
 * "G14, G15, SEL(G9, G10), G3". */
std::string menu_layout(const std::vector<MenuItem>& items);

/* The host the host functions work on. */
void host_install(Host* host);
Host& current_host();

/* The host function names (each "Name_v"), in the bytewise order of the table. */
const std::vector<std::string>& host_function_names();
/* The table handed to the add-in: every host function except those named in `missing`, and
 * the `extra` pairs, sorted bytewise by name. */
std::vector<host_function_pair> host_function_table(const std::set<std::string>& missing,
                                                    std::vector<host_function_pair> extra = {});
/* The table name of a host function given with or without "_v"; "" when there is none. */
std::string host_function_table_name(const std::string& name);

/* The host functions, callable directly by tests. */
int VT_CDECL ProMenubarMenuAdd_v(int app, const char* menu, const char* label_key, const char* neighbour,
                        int add_after, const char16_t* message_file, const char* dir);
int VT_CDECL ProMenubarmenuMenuAdd_v(int app, const char* parent, const char* menu, const char* label_key,
                            const char* neighbour, int add_after, const char16_t* message_file,
                            const char* dir);
int VT_CDECL ProMenubarmenuPushbuttonAdd_v(int app, const char* parent, const char* button,
                                  const char* label_key, const char* help_key,
                                  const char* neighbour, int add_after, int command_id,
                                  const char16_t* message_file, const char* dir);
int VT_CDECL ProCmdActionAdd_v(int app, const char* action, command_action function, int priority,
                      command_access access, int non_active_ok, int accessory_ok, int* command_id);
int VT_CDECL ProCmdDesignate_v(int app, int command_id, const char* label_key, const char* help_key,
                      const char* description_key, const char16_t* message_file, const char* dir);
int VT_CDECL ProCmdIconSet_v(int app, int command_id, const char* icon_file, const char* resource_dir);
int VT_CDECL ProNotificationSet_v(int app, int type, notify_hook hook);
int VT_CDECL ProCmdCmdIdFind_v(int app, const char* command_name, int* command_id);
int VT_CDECL ProCmdBracketFuncAdd_v(int app, int command_id, command_bracket function,
                           const char* function_name, void* data);
int VT_CDECL ProMdlCurrentGet_v(int app, void** model);
int VT_CDECL ProMdlDataGet_v(int app, void* model, model_record* data);
int VT_CDECL prodev_pass_version_info_v(int app, int frame_version);
int VT_CDECL ProEngineerDisplayversionGet_v(int app, char** display_version);

/* Fills a model record the way the host hands it to a hook. */
void fill_model_record(const Model& model, model_record* record);

/* The call of a host function that the tests add under a further name (tests/support): it is
 * recorded on the current host and answered through its `answers`, 0 when none is set. */
int answer_other_call(const char* name, std::vector<intptr_t> words);

}  // namespace vthost

#endif
