// Recording fake of the CAD host: the host side of the thirteen functions the add-in calls,
// reached through the gateway with the application handle first and the appended directory last.
#include "tests/support/fake_host.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>

#include "bridge/bridge.h"
#include "frame/gateway.h"

namespace fake_host {

bool refuse_all;
bool refuse_repeated_actions;
bool has_current_model;
int data_get_status;
model_record current_record;
int record_tail_bytes;
int version_info_answer;
int display_version_status;
std::string display_version;
std::map<std::string, int> known_commands;

std::vector<std::string> calls;
std::vector<const char*> call_directories;
int wrong_handle_calls;
std::function<void(const std::string&)> on_call;

std::map<int, action> actions;
std::map<std::string, std::vector<menu_entry>> menus;
std::map<int, notify_hook> hooks;
std::vector<bracket> brackets;

namespace {

constexpr int refused = -1;
int next_command_id;
int current_model_handle; // its address is the model handle handed out

std::map<const void*, std::string>& function_names() {
    static std::map<const void*, std::string> names = [] {
        std::map<const void*, std::string> known;
#define VT_NAME_HANDLER(handler) known[reinterpret_cast<const void*>(&handler)] = #handler;
        VT_COMMAND_HANDLERS(VT_NAME_HANDLER)
#undef VT_NAME_HANDLER
#define VT_NAME(function) known[reinterpret_cast<const void*>(&function)] = #function
        VT_NAME(AccessAll);
        VT_NAME(ModelAccess);
        VT_NAME(VTNotifyAfterOpen);
        VT_NAME(VTNotifyBeforeSave);
        VT_NAME(VTNotifyIgnore);
        VT_NAME(VTNotifyBeforeClose);
        VT_NAME(VTNotifyAfterClose);
        VT_NAME(VTNotifySwitchDocument);
        VT_NAME(VTNotifyIgnorePair);
        VT_NAME(VTBracketFunc);
#undef VT_NAME
        return known;
    }();
    return names;
}

std::string quoted(const char* text) {
    return text ? std::string("\"") + text + "\"" : std::string("NULL");
}

std::string wide(const char16_t* text) {
    if (text == nullptr)
        return "NULL";
    std::string out = "L\"";
    for (; *text; text++) {
        if (*text < 0x80) {
            out += static_cast<char>(*text);
        } else {
            char unit[16];
            snprintf(unit, sizeof unit, "\\u%04X", static_cast<unsigned>(*text));
            out += unit;
        }
    }
    return out + "\"";
}

std::string pointer(const void* p) {
    if (p == nullptr)
        return "NULL";
    char text[32];
    snprintf(text, sizeof text, "%p", p);
    return text;
}

// Command ids read as the action (or host command) they belong to.
std::string command(int id) {
    auto found = actions.find(id);
    if (found != actions.end())
        return "[" + found->second.name + "]";
    for (const auto& known : known_commands)
        if (known.second == id)
            return "[" + known.first + "]";
    return std::to_string(id);
}

std::string join(const std::vector<std::string>& parts) {
    std::string out;
    for (const std::string& part : parts)
        out += (out.empty() ? "" : ", ") + part;
    return out;
}

// Records one call; the result says whether the host goes on to serve it.
bool record(int handle, const char* name, const std::vector<std::string>& arguments,
            const char* directory = nullptr) {
    if (handle != app_handle)
        wrong_handle_calls++;
    calls.push_back(std::string(name) + "(" + join(arguments) + ")");
    call_directories.push_back(directory);
    if (on_call)
        on_call(calls.back());
    return !refuse_all;
}

std::vector<menu_entry>::iterator find_entry(std::vector<menu_entry>& entries,
                                             const char* name) {
    return std::find_if(entries.begin(), entries.end(),
                        [&](const menu_entry& entry) { return entry.name == name; });
}

// Places an entry in a menu: after (or before) its neighbour, or at the end (start) without one.
int place(const char* parent, const menu_entry& entry, const char* neighbour, int add_after) {
    auto menu = menus.find(parent ? parent : "");
    if (menu == menus.end())
        return refused;
    std::vector<menu_entry>& entries = menu->second;
    auto position = add_after ? entries.end() : entries.begin();
    if (neighbour != nullptr) {
        position = find_entry(entries, neighbour);
        if (position == entries.end())
            return refused;
        if (add_after)
            ++position;
    }
    entries.insert(position, entry);
    return 0;
}

int add_menu(const char* parent, const char* name, const char* neighbour, int add_after) {
    if (name == nullptr || menus.count(name))
        return refused;
    if (place(parent, menu_entry{name, true, 0}, neighbour, add_after) != 0)
        return refused;
    menus[name];
    return 0;
}

// ---- the host functions --------------------------------------------------------------------

int menubar_menu_add(int handle, const char* menu, const char* label, const char* neighbour,
                     int add_after, const char16_t* message_file, const char* text_dir) {
    if (!record(handle, "ProMenubarMenuAdd",
                {quoted(menu), quoted(label), quoted(neighbour), std::to_string(add_after),
                 wide(message_file)},
                text_dir))
        return refused;
    return add_menu("", menu, neighbour, add_after);
}

int menubarmenu_menu_add(int handle, const char* parent, const char* menu, const char* label,
                         const char* neighbour, int add_after, const char16_t* message_file,
                         const char* text_dir) {
    if (!record(handle, "ProMenubarmenuMenuAdd",
                {quoted(parent), quoted(menu), quoted(label), quoted(neighbour),
                 std::to_string(add_after), wide(message_file)},
                text_dir))
        return refused;
    if (parent == nullptr)
        return refused;
    return add_menu(parent, menu, neighbour, add_after);
}

int menubarmenu_pushbutton_add(int handle, const char* parent, const char* button,
                               const char* label, const char* help, const char* neighbour,
                               int add_after, int command_id, const char16_t* message_file,
                               const char* text_dir) {
    if (!record(handle, "ProMenubarmenuPushbuttonAdd",
                {quoted(parent), quoted(button), quoted(label), quoted(help), quoted(neighbour),
                 std::to_string(add_after), command(command_id), wide(message_file)},
                text_dir))
        return refused;
    if (parent == nullptr || button == nullptr)
        return refused;
    return place(parent, menu_entry{button, false, command_id}, neighbour, add_after);
}

int cmd_action_add(int handle, const char* name, command_action handler, int priority,
                   command_access access, int non_active_ok, int accessory_ok, int* command_id) {
    if (!record(handle, "ProCmdActionAdd",
                {quoted(name), function_name(reinterpret_cast<const void*>(handler)),
                 std::to_string(priority), function_name(reinterpret_cast<const void*>(access)),
                 std::to_string(non_active_ok), std::to_string(accessory_ok)}))
        return refused;
    if (name == nullptr || command_id == nullptr)
        return refused;
    if (refuse_repeated_actions)
        for (const auto& registered : actions)
            if (registered.second.name == name)
                return refused;
    int id = next_command_id++;
    actions[id] = action{name, handler, access, non_active_ok, accessory_ok};
    *command_id = id;
    return 0;
}

int cmd_designate(int handle, int command_id, const char* label, const char* help,
                  const char* description, const char16_t* message_file, const char* text_dir) {
    record(handle, "ProCmdDesignate",
           {command(command_id), quoted(label), quoted(help), quoted(description),
            wide(message_file)},
           text_dir);
    return refuse_all || !actions.count(command_id) ? refused : 0;
}

int cmd_icon_set(int handle, int command_id, const char* icon, const char* resource_dir) {
    record(handle, "ProCmdIconSet", {command(command_id), quoted(icon)}, resource_dir);
    return refuse_all || !actions.count(command_id) ? refused : 0;
}

int notification_set(int handle, int type, notify_hook hook) {
    if (!record(handle, "ProNotificationSet",
                {std::to_string(type), function_name(reinterpret_cast<const void*>(hook))}))
        return refused;
    hooks[type] = hook;
    return 0;
}

int cmd_id_find(int handle, const char* name, int* command_id) {
    if (!record(handle, "ProCmdCmdIdFind", {quoted(name)}))
        return refused;
    auto found = name ? known_commands.find(name) : known_commands.end();
    if (found == known_commands.end() || command_id == nullptr)
        return refused;
    *command_id = found->second;
    return 0;
}

int cmd_bracket_func_add(int handle, int command_id, command_bracket function, const char* name,
                         void* data) {
    if (!record(handle, "ProCmdBracketFuncAdd",
                {command(command_id), function_name(reinterpret_cast<const void*>(function)),
                 quoted(name), pointer(data)}))
        return refused;
    brackets.push_back(bracket{command_id, function, name ? name : "", data});
    return 0;
}

int mdl_current_get(int handle, void** model) {
    if (!record(handle, "ProMdlCurrentGet", {}))
        return refused;
    if (!has_current_model || model == nullptr)
        return refused;
    *model = &current_model_handle;
    return 0;
}

int mdl_data_get(int handle, void* model, model_record* data) {
    if (!record(handle, "ProMdlDataGet",
                {model == &current_model_handle ? std::string("model") : pointer(model)}))
        return refused;
    if (model != &current_model_handle || !has_current_model || data == nullptr)
        return refused;
    if (data_get_status != 0)
        return data_get_status;
    memcpy(data, &current_record, sizeof current_record);
    memset(reinterpret_cast<unsigned char*>(data) + sizeof current_record, 0xEE,
           static_cast<size_t>(record_tail_bytes));
    return 0;
}

int pass_version_info(int handle, int frame_version) {
    if (!record(handle, "prodev_pass_version_info", {std::to_string(frame_version)}))
        return 0;
    return version_info_answer;
}

int display_version_get(int handle, char** text) {
    if (!record(handle, "ProEngineerDisplayversionGet", {}))
        return refused;
    if (display_version_status == 0 && text != nullptr)
        *text = display_version.data();
    return display_version_status;
}

template <typename F>
host_function_pair pair(F* function, const char* name) {
    return host_function_pair{reinterpret_cast<host_function>(function), name};
}

std::vector<host_function_pair> build_table() {
    std::vector<host_function_pair> pairs = {
        pair(menubar_menu_add, "ProMenubarMenuAdd_v"),
        pair(menubarmenu_menu_add, "ProMenubarmenuMenuAdd_v"),
        pair(menubarmenu_pushbutton_add, "ProMenubarmenuPushbuttonAdd_v"),
        pair(cmd_action_add, "ProCmdActionAdd_v"),
        pair(cmd_designate, "ProCmdDesignate_v"),
        pair(cmd_icon_set, "ProCmdIconSet_v"),
        pair(notification_set, "ProNotificationSet_v"),
        pair(cmd_id_find, "ProCmdCmdIdFind_v"),
        pair(cmd_bracket_func_add, "ProCmdBracketFuncAdd_v"),
        pair(mdl_current_get, "ProMdlCurrentGet_v"),
        pair(mdl_data_get, "ProMdlDataGet_v"),
        pair(pass_version_info, "prodev_pass_version_info_v"),
        pair(display_version_get, "ProEngineerDisplayversionGet_v"),
    };
    std::sort(pairs.begin(), pairs.end(), [](const host_function_pair& a,
                                             const host_function_pair& b) {
        return strcmp(a.name, b.name) < 0;
    });
    return pairs;
}

const std::vector<host_function_pair>& the_table() {
    static const std::vector<host_function_pair> pairs = build_table();
    return pairs;
}

} // namespace

const host_function_pair* table() { return the_table().data(); }
int table_count() { return static_cast<int>(the_table().size()); }

void name_function(const void* function, const std::string& name) {
    function_names()[function] = name;
}

std::string function_name(const void* function) {
    auto found = function_names().find(function);
    return found != function_names().end() ? found->second : pointer(function);
}

void reset() {
    refuse_all = false;
    refuse_repeated_actions = false;
    has_current_model = false;
    data_get_status = 0;
    current_record = make_record("PUMP", "PRT");
    record_tail_bytes = 0;
    version_info_answer = 1;
    display_version_status = 0;
    display_version = "26";
    known_commands = {{"XProCmdModelSave", 9001}, {"XProCmdExit", 9002},
                      {"ProCmdWinCloseAsyn", 9003}};
    calls.clear();
    call_directories.clear();
    wrong_handle_calls = 0;
    on_call = nullptr;
    actions.clear();
    menus.clear();
    menus[""] = {menu_entry{"Applications", true, 0}};
    menus["Applications"];
    hooks.clear();
    brackets.clear();
    next_command_id = 1;
}

void install() {
    reset();
    gateway_install_handle(app_handle);
    gateway_install_table(table(), table_count());
}

std::string menu_layout(const std::string& menu) {
    auto found = menus.find(menu);
    if (found == menus.end())
        return "";
    std::vector<std::string> parts;
    for (const menu_entry& entry : found->second)
        parts.push_back(entry.is_menu ? entry.name + "(" + menu_layout(entry.name) + ")"
                                      : entry.name);
    return join(parts);
}

const action* button_action(const std::string& menu, const std::string& button) {
    auto found = menus.find(menu);
    if (found == menus.end())
        return nullptr;
    auto entry = find_entry(found->second, button.c_str());
    if (entry == found->second.end() || entry->is_menu)
        return nullptr;
    auto registered = actions.find(entry->command_id);
    return registered == actions.end() ? nullptr : &registered->second;
}

int notify(int type) {
    auto found = hooks.find(type);
    if (found == hooks.end())
        return -999;
    return reinterpret_cast<int (*)(void)>(found->second)();
}

int notify(int type, model_record* model) {
    auto found = hooks.find(type);
    if (found == hooks.end())
        return -999;
    return reinterpret_cast<int (*)(model_record*)>(found->second)(model);
}

int notify(int type, model_record* first, model_record* second) {
    auto found = hooks.find(type);
    if (found == hooks.end())
        return -999;
    return reinterpret_cast<int (*)(model_record*, model_record*)>(found->second)(first, second);
}

std::vector<int> run_command(const std::string& command_name) {
    std::vector<int> results;
    auto known = known_commands.find(command_name);
    if (known == known_commands.end())
        return results;
    int value = 0;
    for (int entering : {1, 0})
        for (const bracket& b : brackets)
            if (b.command_id == known->second)
                results.push_back(b.function(b.command_id, &value, entering, b.data));
    return results;
}

model_record make_record(const std::string& name, const std::string& type) {
    model_record record;
    memset(&record, 0, sizeof record);
    for (size_t i = 0; i < name.size() && i < 80; i++)
        record.name[i] = static_cast<unsigned char>(name[i]);
    for (size_t i = 0; i < type.size() && i < 4; i++)
        record.type[i] = static_cast<unsigned char>(type[i]);
    return record;
}

} // namespace fake_host
