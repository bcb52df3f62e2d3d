/* The simulated host's state and its host functions.
 *
 * First the text helpers (message files, languages, UTF-8 and UTF-16), then the host record's
 * look-ups, then the call recorder that every host function uses for its trace line and its
 * transcript note, then the thirteen host functions and the table that hands them over. */
#include "host/host_model.h"

#include <stdarg.h>
#include <string.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/platform.h"

namespace vthost {

const BuiltinCommand builtin_commands[3] = {
    {"ProCmdWinCloseAsyn", 1},
    {"XProCmdModelSave", 2},
    {"XProCmdExit", 3},
};

/* ---- text helpers ------------------------------------------------------------------------- */

std::vector<std::string> text_lines(const std::string& contents) {
    std::vector<std::string> lines;
    std::istringstream in(contents);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

MessageFile parse_message_file(const std::string& contents) {
    std::vector<std::string> lines = text_lines(contents);
    MessageFile file;
    size_t i = 0;
    while (i < lines.size()) {
        if (lines[i].empty()) {
            ++i;
            continue;
        }
        if (i + 2 >= lines.size()) break; /* key without its two texts */
        MessageText text{lines[i + 1], lines[i + 2]};
        file.emplace(lines[i], text);
        i += 4;
    }
    return file;
}

const std::string& shown_text(const MessageText& message, int language) {
    if (language != 0 && !message.translated.empty() && message.translated != "#")
        return message.translated;
    return message.english;
}

const LanguageName language_names[] = {
    {"usascii", 0},     {"C", 0},          {"japanese", 1},    {"french", 2},
    {"german", 3},      {"russian", 4},    {"italian", 5},     {"spanish", 7},
    {"korean", 8},      {"chinese_tw", 9}, {"chinese_cn", 10}, {"hebrew", 12},
    {"greek", 13},      {"turkish", 14},   {"czech", 15},      {"polish", 16},
    {"hungarian", 17},  {"slovenian", 18}, {"portuguese", 19}, {"slovak", 20},
};
const int language_name_count = sizeof language_names / sizeof language_names[0];

int language_code_from_text(const std::string& text) {
    if (!text.empty() && text.size() <= 2 &&
        std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::stoi(text);
    for (const LanguageName& row : language_names)
        if (text == row.name) return row.code;
    return -1;
}

const char* language_name_of(int code) {
    if (code == 6 || code == 11) return "usascii"; /* the custom locales */
    for (const LanguageName& row : language_names)
        if (row.code == code) return row.name;
    return "";
}

std::u16string widen(const std::string& text) {
    std::u16string out;
    size_t i = 0;
    while (i < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        char32_t code = 0xFFFD;
        size_t length = 1;
        if (c < 0x80) {
            code = c;
        } else if (c >= 0xC2 && c <= 0xF4) {
            length = c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
            char32_t value = c & (0x3F >> (length - 1));
            bool good = i + length <= text.size();
            for (size_t k = 1; good && k < length; ++k) {
                unsigned char next = static_cast<unsigned char>(text[i + k]);
                good = (next & 0xC0) == 0x80;
                value = (value << 6) | (next & 0x3F);
            }
            bool shortest = length == 2 || (length == 3 && value >= 0x800) ||
                            (length == 4 && value >= 0x10000 && value <= 0x10FFFF);
            if (good && shortest && !(value >= 0xD800 && value <= 0xDFFF)) {
                code = value;
            } else {
                length = 1;
            }
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(code));
        }
        i += length;
    }
    return out;
}

std::string narrow(const char16_t* text) {
    std::string out;
    if (text == nullptr) return out;
    for (size_t i = 0; text[i] != 0; ++i) {
        char32_t code = text[i];
        if (code >= 0xD800 && code <= 0xDBFF && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = '?';
        }
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (code >> 6)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (code >> 12)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (code >> 18)));
            out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    return out;
}

std::filesystem::path path_of(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::string text_of(const std::filesystem::path& path) {
    std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

/* ---- the host record -------------------------------------------------------------------- */

namespace {

Host* installed = nullptr;

MenuItem builtin_menu(const char* name) {
    MenuItem item;
    item.kind = MenuItem::MENU;
    item.name = name;
    item.label = name;
    item.labelled = true;
    item.builtin = true;
    return item;
}

MenuItem* find_item(std::vector<MenuItem>& items, const std::string& name, MenuItem::Kind kind) {
    for (MenuItem& item : items) {
        if (item.kind == kind && item.name == name) return &item;
        if (item.kind == MenuItem::MENU)
            if (MenuItem* found = find_item(item.children, name, kind)) return found;
    }
    return nullptr;
}

}  // namespace

Host::Host() {
    for (const char* name : {"File", "Edit", "View", "Insert", "Analysis", "Info", "Applications",
                             "Tools", "Window", "Help"})
        menubar.push_back(builtin_menu(name));
    for (const BuiltinCommand& builtin : builtin_commands) {
        Command command;
        command.id = builtin.id;
        command.name = builtin.name;
        command.builtin = true;
        commands.push_back(command);
    }
}

Command* Host::command_by_id(int id) {
    for (Command& command : commands)
        if (command.id == id) return &command;
    return nullptr;
}

Command* Host::command_by_name(const std::string& name) {
    for (Command& command : commands)
        if (command.name == name) return &command;
    return nullptr;
}

MenuItem* Host::find_menu(const std::string& name) { return find_item(menubar, name, MenuItem::MENU); }
MenuItem* Host::find_button(const std::string& name) { return find_item(menubar, name, MenuItem::BUTTON); }

Model* Host::model_by_key(const std::string& key) {
    for (auto& model : models)
        if (model->key() == key) return model.get();
    return nullptr;
}

Model* Host::current_model() {
    if (current_window == 0) return nullptr;
    for (auto& model : models)
        if (model->window == current_window) return model.get();
    return nullptr;
}

bool Host::model_alive(const void* handle) const {
    for (const auto& model : models)
        if (model.get() == handle) return true;
    return false;
}

const MessageFile* Host::message_file(const std::string& path) {
    auto found = message_files.find(path);
    if (found != message_files.end()) return found->second.get();
    std::unique_ptr<MessageFile> file;
    std::ifstream in(path_of(path), std::ios::binary);
    if (in) {
        std::ostringstream contents;
        contents << in.rdbuf();
        file = std::make_unique<MessageFile>(parse_message_file(contents.str()));
    }
    const MessageFile* result = file.get();
    message_files.emplace(path, std::move(file));
    return result;
}

void Host::say(const char* format, ...) {
    if (quiet || transcript == nullptr) return;
    va_list args;
    va_start(args, format);
    fputs("host: ", transcript);
    vfprintf(transcript, format, args);
    fputc('\n', transcript);
    va_end(args);
    fflush(transcript);
}

void host_install(Host* host) { installed = host; }

Host& current_host() { return *installed; }

/* ---- recording one host call -------------------------------------------------------------- */

namespace {

std::string json_string(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char escape[8];
                snprintf(escape, sizeof escape, "\\u%04x", c);
                out += escape;
            } else {
                out.push_back(static_cast<char>(c));
            }
        }
    }
    return out + "\"";
}

std::string pointer_text(const void* pointer) {
    char text[32];
    snprintf(text, sizeof text, "%p", pointer);
    return pointer != nullptr ? text : "null";
}

/* One host call: collects the arguments for the trace, checks the application handle and the
 * refusal list, and reports the answer. */
class Call {
public:
    Call(const char* table_name, int app) : host_(current_host()), name_(table_name), app_(app) {
        host_.calls++;
        json_ = "{\"call\":" + json_string(name_) + ",\"app_handle\":" + std::to_string(app);
        summary_ = name_;
        summary_ += "(";
    }
    Call& text(const char* key, const char* value) {
        std::string shown = value != nullptr ? json_string(value) : "null";
        json_ += ",\"" + std::string(key) + "\":" + shown;
        append_summary(shown);
        return *this;
    }
    Call& wide(const char* key, const char16_t* value) {
        std::string shown = value != nullptr ? json_string(narrow(value)) : "null";
        json_ += ",\"" + std::string(key) + "\":" + shown;
        append_summary(shown);
        return *this;
    }
    Call& number(const char* key, long long value) {
        json_ += ",\"" + std::string(key) + "\":" + std::to_string(value);
        append_summary(std::to_string(value));
        return *this;
    }
    Call& pointer(const char* key, const void* value) {
        std::string shown = pointer_text(value);
        json_ += ",\"" + std::string(key) + "\":" + (value != nullptr ? json_string(shown) : shown);
        return *this;
    }
    /* Extra facts for the trace only (what the host made of the call). */
    Call& fact(const char* key, const std::string& value) {
        facts_ += ",\"" + std::string(key) + "\":" + json_string(value);
        return *this;
    }
    /* True when the call must be answered at once, with *status: a wrong handle or a refusal. */
    bool screened(int* status) {
        if (app_ != host_.app_handle) {
            char why[96];
            snprintf(why, sizeof why, "wrong application handle %d (expected %d)", app_, host_.app_handle);
            *status = finish(HOST_BAD_INPUTS, why);
            return true;
        }
        if (host_.refused.count(name_) != 0) {
            *status = finish(refusal_status(), "refused (--refuse)");
            return true;
        }
        return false;
    }
    int finish(int status, const std::string& why = "") {
        if (finished_) return status;
        finished_ = true;
        if (host_.trace != nullptr) {
            fprintf(host_.trace, "%s,\"result\":%d%s%s}\n", json_.c_str(), status, facts_.c_str(),
                    why.empty() ? "" : (",\"note\":" + json_string(why)).c_str());
            fflush(host_.trace);
        }
        bool failed = name_ == "prodev_pass_version_info_v" ? status == 0 : status != HOST_OK;
        if (failed) host_.say("%s) -> %d%s%s", summary_.c_str(), status, why.empty() ? "" : ": ", why.c_str());
        return status;
    }

private:
    /* The version hand-over refuses with 0; every other function with the general error. */
    int refusal_status() const { return name_ == "prodev_pass_version_info_v" ? 0 : HOST_GENERAL_ERROR; }
    void append_summary(const std::string& shown) {
        if (summary_.back() != '(') summary_ += ", ";
        summary_ += shown;
    }

    Host& host_;
    std::string name_;
    int app_;
    std::string json_, facts_, summary_;
    bool finished_ = false;
};

bool empty_text(const char* text) { return text == nullptr || *text == '\0'; }

std::string join_path(const char* dir, const std::string& file) {
    std::string path = dir != nullptr ? dir : "";
    if (!path.empty() && path.back() != '/' && path.back() != '\\') path.push_back(platform_path_separator);
    return path + file;
}

/* Looks the label key up in the message file that the add-in named, in the directory appended
 * to the call, and fills in the item's label. */
void label_item(Host& host, Call& call, MenuItem& item, const char16_t* message_file, const char* dir) {
    std::string path = join_path(dir, narrow(message_file));
    call.fact("message_path", path);
    const MessageFile* file = host.message_file(path);
    if (file == nullptr) {
        call.fact("label", "unlabelled: message file not found");
        return;
    }
    auto found = file->find(item.label_key);
    if (found == file->end()) {
        call.fact("label", "unlabelled: key not in the message file");
        return;
    }
    item.label = shown_text(found->second, host.language);
    item.labelled = true;
    call.fact("label", item.label);
}

/* Inserts the item next to the neighbour (after or before it), or at the end when there is no
 * neighbour.  False when the neighbour is named but absent. */
bool place_item(std::vector<MenuItem>& siblings, MenuItem item, const char* neighbour, int add_after) {
    if (empty_text(neighbour)) {
        siblings.push_back(std::move(item));
        return true;
    }
    for (size_t i = 0; i < siblings.size(); ++i) {
        if (siblings[i].name == neighbour) {
            siblings.insert(siblings.begin() + static_cast<long>(i) + (add_after ? 1 : 0), std::move(item));
            return true;
        }
    }
    return false;
}

bool name_taken(const std::vector<MenuItem>& siblings, const std::string& name) {
    for (const MenuItem& item : siblings)
        if (item.name == name) return true;
    return false;
}

}  // namespace

std::string json_quote(const std::string& text) { return json_string(text); }

/* ---- the host functions ------------------------------------------------------------------- */

int ProMenubarMenuAdd_v(int app, const char* menu, const char* label_key, const char* neighbour,
                        int add_after, const char16_t* message_file, const char* dir) {
    Host& host = current_host();
    Call call("ProMenubarMenuAdd_v", app);
    call.text("menu", menu).text("label_key", label_key).text("neighbour", neighbour)
        .number("add_after", add_after).wide("message_file", message_file).text("dir", dir);
    if (int status; call.screened(&status)) return status;
    if (empty_text(menu) || empty_text(label_key) || message_file == nullptr)
        return call.finish(HOST_BAD_INPUTS, "menu name, label key and message file are needed");
    if (host.find_menu(menu) != nullptr) return call.finish(HOST_NAME_IN_USE, "a menu of that name exists");
    MenuItem item;
    item.name = menu;
    item.label_key = label_key;
    label_item(host, call, item, message_file, dir);
    if (!place_item(host.menubar, std::move(item), neighbour, add_after))
        return call.finish(HOST_NOT_FOUND, "no such neighbour in the menubar");
    return call.finish(HOST_OK);
}

int ProMenubarmenuMenuAdd_v(int app, const char* parent, const char* menu, const char* label_key,
                            const char* neighbour, int add_after, const char16_t* message_file,
                            const char* dir) {
    Host& host = current_host();
    Call call("ProMenubarmenuMenuAdd_v", app);
    call.text("parent", parent).text("menu", menu).text("label_key", label_key)
        .text("neighbour", neighbour).number("add_after", add_after)
        .wide("message_file", message_file).text("dir", dir);
    if (int status; call.screened(&status)) return status;
    if (empty_text(parent) || empty_text(menu) || empty_text(label_key) || message_file == nullptr)
        return call.finish(HOST_BAD_INPUTS, "parent, menu name, label key and message file are needed");
    MenuItem* owner = host.find_menu(parent);
    if (owner == nullptr) return call.finish(HOST_NOT_FOUND, "no such parent menu");
    if (host.find_menu(menu) != nullptr || name_taken(owner->children, menu))
        return call.finish(HOST_NAME_IN_USE, "a menu or item of that name exists");
    MenuItem item;
    item.name = menu;
    item.label_key = label_key;
    label_item(host, call, item, message_file, dir);
    if (!place_item(owner->children, std::move(item), neighbour, add_after))
        return call.finish(HOST_NOT_FOUND, "no such neighbour in the parent menu");
    return call.finish(HOST_OK);
}

int ProMenubarmenuPushbuttonAdd_v(int app, const char* parent, const char* button,
                                  const char* label_key, const char* help_key,
                                  const char* neighbour, int add_after, int command_id,
                                  const char16_t* message_file, const char* dir) {
    Host& host = current_host();
    Call call("ProMenubarmenuPushbuttonAdd_v", app);
    call.text("parent", parent).text("button", button).text("label_key", label_key)
        .text("help_key", help_key).text("neighbour", neighbour).number("add_after", add_after)
        .number("command_id", command_id).wide("message_file", message_file).text("dir", dir);
    if (int status; call.screened(&status)) return status;
    if (empty_text(parent) || empty_text(button) || empty_text(label_key) || message_file == nullptr)
        return call.finish(HOST_BAD_INPUTS, "parent, button name, label key and message file are needed");
    MenuItem* owner = host.find_menu(parent);
    if (owner == nullptr) return call.finish(HOST_NOT_FOUND, "no such parent menu");
    if (host.command_by_id(command_id) == nullptr) return call.finish(HOST_BAD_INPUTS, "no command has that id");
    if (name_taken(owner->children, button)) return call.finish(HOST_NAME_IN_USE, "the menu has an item of that name");
    MenuItem item;
    item.kind = MenuItem::BUTTON;
    item.name = button;
    item.label_key = label_key;
    item.help_key = help_key != nullptr ? help_key : "";
    item.command_id = command_id;
    label_item(host, call, item, message_file, dir);
    if (!place_item(owner->children, std::move(item), neighbour, add_after))
        return call.finish(HOST_NOT_FOUND, "no such neighbour in the parent menu");
    return call.finish(HOST_OK);
}

int ProCmdActionAdd_v(int app, const char* action, command_action function, int priority,
                      command_access access, int non_active_ok, int accessory_ok, int* command_id) {
    Host& host = current_host();
    Call call("ProCmdActionAdd_v", app);
    call.text("action", action).pointer("function", reinterpret_cast<const void*>(function))
        .number("priority", priority).pointer("access", reinterpret_cast<const void*>(access))
        .number("non_active_ok", non_active_ok).number("accessory_ok", accessory_ok);
    if (int status; call.screened(&status)) return status;
    if (empty_text(action) || function == nullptr || command_id == nullptr)
        return call.finish(HOST_BAD_INPUTS, "action name, function and place for the id are needed");
    if (host.command_by_name(action) != nullptr)
        return call.finish(HOST_NAME_IN_USE, "name already in use; id left as it was");
    Command command;
    command.id = FIRST_ADDIN_COMMAND_ID;
    for (const Command& other : host.commands) command.id = std::max(command.id, other.id + 1);
    command.name = action;
    command.action = function;
    command.access = access;
    command.priority = priority;
    command.non_active_ok = non_active_ok != 0;
    command.accessory_ok = accessory_ok != 0;
    host.commands.push_back(command);
    *command_id = command.id;
    call.fact("command_id", std::to_string(command.id));
    return call.finish(HOST_OK);
}

int ProCmdDesignate_v(int app, int command_id, const char* label_key, const char* help_key,
                      const char* description_key, const char16_t* message_file, const char* dir) {
    Host& host = current_host();
    Call call("ProCmdDesignate_v", app);
    call.number("command_id", command_id).text("label_key", label_key).text("help_key", help_key)
        .text("description_key", description_key).wide("message_file", message_file).text("dir", dir);
    if (int status; call.screened(&status)) return status;
    Command* command = host.command_by_id(command_id);
    if (command == nullptr || command->builtin) return call.finish(HOST_BAD_INPUTS, "no add-in command has that id");
    if (empty_text(label_key) || message_file == nullptr)
        return call.finish(HOST_BAD_INPUTS, "label key and message file are needed");
    command->designated = true;
    command->label_key = label_key;
    command->help_key = help_key != nullptr ? help_key : "";
    command->description_key = description_key != nullptr ? description_key : "";
    call.fact("message_path", join_path(dir, narrow(message_file)));
    return call.finish(HOST_OK);
}

int ProCmdIconSet_v(int app, int command_id, const char* icon_file, const char* resource_dir) {
    Host& host = current_host();
    Call call("ProCmdIconSet_v", app);
    call.number("command_id", command_id).text("icon_file", icon_file).text("dir", resource_dir);
    if (int status; call.screened(&status)) return status;
    Command* command = host.command_by_id(command_id);
    if (command == nullptr || command->builtin) return call.finish(HOST_BAD_INPUTS, "no add-in command has that id");
    if (empty_text(icon_file)) return call.finish(HOST_BAD_INPUTS, "no icon file named");
    std::string path = join_path(resource_dir, icon_file);
    std::error_code error;
    command->icon_file = icon_file;
    command->icon_found = std::filesystem::is_regular_file(path_of(path), error);
    call.fact("icon_path", path);
    if (!command->icon_found) return call.finish(HOST_NOT_FOUND, "icon file not found");
    return call.finish(HOST_OK);
}

int ProNotificationSet_v(int app, int type, notify_hook hook) {
    Host& host = current_host();
    Call call("ProNotificationSet_v", app);
    call.number("type", type).pointer("hook", reinterpret_cast<const void*>(hook));
    if (int status; call.screened(&status)) return status;
    if (hook == nullptr) return call.finish(HOST_BAD_INPUTS, "no hook");
    host.notifications[type] = hook;
    return call.finish(HOST_OK);
}

int ProCmdCmdIdFind_v(int app, const char* command_name, int* command_id) {
    Host& host = current_host();
    Call call("ProCmdCmdIdFind_v", app);
    call.text("command_name", command_name);
    if (int status; call.screened(&status)) return status;
    if (empty_text(command_name) || command_id == nullptr)
        return call.finish(HOST_BAD_INPUTS, "command name and place for the id are needed");
    Command* command = host.command_by_name(command_name);
    if (command == nullptr) return call.finish(HOST_NOT_FOUND, "no command of that name");
    *command_id = command->id;
    call.fact("command_id", std::to_string(command->id));
    return call.finish(HOST_OK);
}

int ProCmdBracketFuncAdd_v(int app, int command_id, command_bracket function,
                           const char* function_name, void* data) {
    Host& host = current_host();
    Call call("ProCmdBracketFuncAdd_v", app);
    call.number("command_id", command_id).pointer("function", reinterpret_cast<const void*>(function))
        .text("function_name", function_name).pointer("data", data);
    if (int status; call.screened(&status)) return status;
    Command* command = host.command_by_id(command_id);
    if (command == nullptr) return call.finish(HOST_BAD_INPUTS, "no command has that id");
    if (function == nullptr) return call.finish(HOST_BAD_INPUTS, "no bracket function");
    command->brackets.push_back(Bracket{function, function_name != nullptr ? function_name : "", data});
    return call.finish(HOST_OK);
}

int ProMdlCurrentGet_v(int app, void** model) {
    Host& host = current_host();
    Call call("ProMdlCurrentGet_v", app);
    if (int status; call.screened(&status)) return status;
    if (model == nullptr) return call.finish(HOST_BAD_INPUTS, "no place for the model");
    Model* current = host.current_model();
    if (current == nullptr) return call.finish(HOST_NOT_FOUND, "no current model");
    *model = current;
    call.fact("model", current->key());
    return call.finish(HOST_OK);
}

void fill_model_record(const Model& model, model_record* record) {
    memset(record, 0, sizeof *record);
    std::u16string name = widen(model.name), type = widen(model.type);
    size_t name_units = std::min(name.size(), sizeof record->name / sizeof record->name[0] - 1);
    size_t type_units = std::min(type.size(), sizeof record->type / sizeof record->type[0] - 1);
    std::copy(name.begin(), name.begin() + static_cast<long>(name_units), record->name);
    std::copy(type.begin(), type.begin() + static_cast<long>(type_units), record->type);
}

int ProMdlDataGet_v(int app, void* model, model_record* data) {
    Host& host = current_host();
    Call call("ProMdlDataGet_v", app);
    call.pointer("model", model);
    if (int status; call.screened(&status)) return status;
    if (data == nullptr || !host.model_alive(model)) return call.finish(HOST_BAD_INPUTS, "not a model in session");
    const Model& known = *static_cast<const Model*>(model);
    fill_model_record(known, data);
    call.fact("model", known.key());
    return call.finish(HOST_OK);
}

int prodev_pass_version_info_v(int app, int frame_version) {
    Host& host = current_host();
    Call call("prodev_pass_version_info_v", app);
    call.number("frame_version", frame_version);
    if (int status; call.screened(&status)) return status;
    host.frame_version = frame_version;
    return call.finish(1); /* non-zero: the version is accepted */
}

int ProEngineerDisplayversionGet_v(int app, char** display_version) {
    Host& host = current_host();
    Call call("ProEngineerDisplayversionGet_v", app);
    if (int status; call.screened(&status)) return status;
    if (display_version == nullptr) return call.finish(HOST_BAD_INPUTS, "no place for the text");
    *display_version = const_cast<char*>(host.display_version.c_str());
    call.fact("display_version", host.display_version);
    return call.finish(HOST_OK);
}

/* ---- the table ---------------------------------------------------------------------------- */

namespace {

struct Entry {
    const char* name;
    host_function function;
};

template <typename F>
host_function as_host_function(F* function) {
    return reinterpret_cast<host_function>(function);
}

const std::vector<Entry>& entries() {
    static const std::vector<Entry> table = [] {
        std::vector<Entry> rows = {
            {"ProCmdActionAdd_v", as_host_function(ProCmdActionAdd_v)},
            {"ProCmdBracketFuncAdd_v", as_host_function(ProCmdBracketFuncAdd_v)},
            {"ProCmdCmdIdFind_v", as_host_function(ProCmdCmdIdFind_v)},
            {"ProCmdDesignate_v", as_host_function(ProCmdDesignate_v)},
            {"ProCmdIconSet_v", as_host_function(ProCmdIconSet_v)},
            {"ProEngineerDisplayversionGet_v", as_host_function(ProEngineerDisplayversionGet_v)},
            {"ProMdlCurrentGet_v", as_host_function(ProMdlCurrentGet_v)},
            {"ProMdlDataGet_v", as_host_function(ProMdlDataGet_v)},
            {"ProMenubarMenuAdd_v", as_host_function(ProMenubarMenuAdd_v)},
            {"ProMenubarmenuMenuAdd_v", as_host_function(ProMenubarmenuMenuAdd_v)},
            {"ProMenubarmenuPushbuttonAdd_v", as_host_function(ProMenubarmenuPushbuttonAdd_v)},
            {"ProNotificationSet_v", as_host_function(ProNotificationSet_v)},
            {"prodev_pass_version_info_v", as_host_function(prodev_pass_version_info_v)},
        };
        std::sort(rows.begin(), rows.end(),
                  [](const Entry& a, const Entry& b) { return strcmp(a.name, b.name) < 0; });
        return rows;
    }();
    return table;
}

}  // namespace

const std::vector<std::string>& host_function_names() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> out;
        for (const Entry& entry : entries()) out.push_back(entry.name);
        return out;
    }();
    return names;
}

std::vector<host_function_pair> host_function_table(const std::set<std::string>& missing) {
    std::vector<host_function_pair> table;
    for (const Entry& entry : entries())
        if (missing.count(entry.name) == 0) table.push_back(host_function_pair{entry.function, entry.name});
    return table;
}

std::string host_function_table_name(const std::string& name) {
    for (const std::string& known : host_function_names())
        if (name == known || name + "_v" == known) return known;
    return "";
}

}  // namespace vthost
