/* The simulated CAD host: its menubar, command registry, notification subscriptions, bracket
 * functions, models and windows, and the host functions that the add-in reaches through its
 * gateway.
 *
 * One `Host` is current at a time (`host_install`); the host functions, which the add-in calls
 * through plain function pointers, work on it.  Each host function receives the application
 * handle first, then the caller's arguments, then the appended directory where it has one.
 * Every call is written to the trace (JSON lines) when one is open, and every call that
 * answers non-zero is told in the transcript. */
#ifndef VTHOST_HOST_MODEL_H
#define VTHOST_HOST_MODEL_H

#include <stdio.h>

#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "frame/vt_types.h"

namespace vthost {

/* Statuses the host answers with. */
enum HostStatus {
    HOST_OK = 0,
    HOST_GENERAL_ERROR = -1,  /* also the answer of every function named by --refuse */
    HOST_BAD_INPUTS = -2,     /* a null or unknown argument, a wrong application handle */
    HOST_NOT_FOUND = -4,      /* no such menu, neighbour, command, file or current model */
    HOST_NAME_IN_USE = -7,    /* a command or menu of that name is already registered */
};

/* Access states the add-in's access functions answer. */
enum { ACCESS_UNAVAILABLE = 1, ACCESS_AVAILABLE = 3 };

/* The built-in host commands and their ids; add-in commands are numbered from 100. */
struct BuiltinCommand {
    const char* name;
    int id;
};
extern const BuiltinCommand builtin_commands[3];
enum { FIRST_ADDIN_COMMAND_ID = 100 };

/* One message of a message file: its English text and its translation ("#" when none). */
struct MessageText {
    std::string english;
    std::string translated;
};
typedef std::map<std::string, MessageText> MessageFile;

/* The lines of a text, line ends LF or CRLF, without them. */
std::vector<std::string> text_lines(const std::string& contents);

/* Reads a message file: four lines per message (key, English text, translated text or "#",
 * "#"), UTF-8, line ends LF or CRLF; blank lines between messages are skipped.  A group cut
 * short at the end of the file is dropped.  The first of two equal keys wins. */
MessageFile parse_message_file(const std::string& contents);

/* The text a person sees for a message: the translation when the language is not English
 * (code 0) and the file has one, else the English text. */
const std::string& shown_text(const MessageText& message, int language);

/* The language table of the host: names accepted by --lang and the directory name of a code. */
struct LanguageName {
    const char* name;
    int code;
};
extern const LanguageName language_names[];
extern const int language_name_count;
/* A language given as a number (0 to 99) or a name; -1 when it is neither. */
int language_code_from_text(const std::string& text);
/* The first name of a code, or "" for a code without one. */
const char* language_name_of(int code);

/* Narrow UTF-8 and the host's UTF-16. Invalid UTF-8 bytes become U+FFFD; lone surrogates "?". */
std::u16string widen(const std::string& text);
std::string narrow(const char16_t* text);

/* Text as a JSON string, quotes included (control characters escaped). */
std::string json_quote(const std::string& text);

/* File-system paths from and to UTF-8 text. */
std::filesystem::path path_of(const std::string& text);
std::string text_of(const std::filesystem::path& path);

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
    std::string key() const { return name + "." + type; }
};

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

    std::set<std::string> refused;          /* table names answering HOST_GENERAL_ERROR */
    bool quiet = false;
    FILE* transcript = nullptr;             /* host lines; null for none */
    FILE* trace = nullptr;                  /* JSON lines of every host call; null for none */
    int calls = 0;                          /* host calls made so far */
    std::map<std::string, std::unique_ptr<MessageFile>> message_files; /* by path; null: unreadable */

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
};

/* The host the host functions work on. */
void host_install(Host* host);
Host& current_host();

/* The host function names (each "Name_v"), in the bytewise order of the table. */
const std::vector<std::string>& host_function_names();
/* The table handed to the add-in: every host function except those named in `missing`,
 * sorted bytewise by name. */
std::vector<host_function_pair> host_function_table(const std::set<std::string>& missing);
/* The table name of a host function given with or without "_v"; "" when there is none. */
std::string host_function_table_name(const std::string& name);

/* The host functions, callable directly by tests. */
int ProMenubarMenuAdd_v(int app, const char* menu, const char* label_key, const char* neighbour,
                        int add_after, const char16_t* message_file, const char* dir);
int ProMenubarmenuMenuAdd_v(int app, const char* parent, const char* menu, const char* label_key,
                            const char* neighbour, int add_after, const char16_t* message_file,
                            const char* dir);
int ProMenubarmenuPushbuttonAdd_v(int app, const char* parent, const char* button,
                                  const char* label_key, const char* help_key,
                                  const char* neighbour, int add_after, int command_id,
                                  const char16_t* message_file, const char* dir);
int ProCmdActionAdd_v(int app, const char* action, command_action function, int priority,
                      command_access access, int non_active_ok, int accessory_ok, int* command_id);
int ProCmdDesignate_v(int app, int command_id, const char* label_key, const char* help_key,
                      const char* description_key, const char16_t* message_file, const char* dir);
int ProCmdIconSet_v(int app, int command_id, const char* icon_file, const char* resource_dir);
int ProNotificationSet_v(int app, int type, notify_hook hook);
int ProCmdCmdIdFind_v(int app, const char* command_name, int* command_id);
int ProCmdBracketFuncAdd_v(int app, int command_id, command_bracket function,
                           const char* function_name, void* data);
int ProMdlCurrentGet_v(int app, void** model);
int ProMdlDataGet_v(int app, void* model, model_record* data);
int prodev_pass_version_info_v(int app, int frame_version);
int ProEngineerDisplayversionGet_v(int app, char** display_version);

/* Fills a model record the way the host hands it to a hook. */
void fill_model_record(const Model& model, model_record* record);

}  // namespace vthost

#endif
