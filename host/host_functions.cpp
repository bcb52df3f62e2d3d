/* The thirteen host functions the add-in calls through its gateway: each records its call
 * (host_call.h), is screened, checks its arguments as the host does and works on the current
 * host's state. */
#include <string.h>

#include <algorithm>
#include <filesystem>

#include "host/host_call.h"
#include "host/host_model.h"
#include "platform/platform.h"

namespace vthost {

namespace {

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

int ProMenubarMenuAdd_v(int app, const char* menu, const char* label_key, const char* neighbour,
                        int add_after, const char16_t* message_file, const char* dir) {
    Host& host = current_host();
    Call call("ProMenubarMenuAdd_v", app);
    call.text("menu", menu).text("label_key", label_key).text("neighbour", neighbour)
        .number("add_after", add_after).wide("message_file", message_file).dir(dir);
    if (int status; call.screened(&status)) return status;
    if (empty_text(menu) || empty_text(label_key) || message_file == nullptr)
        return call.finish(VT_HOST_BAD_INPUTS, "menu name, label key and message file are needed");
    if (host.find_menu(menu) != nullptr) return call.finish(VT_HOST_NAME_IN_USE, "a menu of that name exists");
    MenuItem item;
    item.name = menu;
    item.label_key = label_key;
    label_item(host, call, item, message_file, dir);
    if (!place_item(host.menubar, std::move(item), neighbour, add_after))
        return call.finish(VT_HOST_NOT_FOUND, "no such neighbour in the menubar");
    return call.finish(VT_HOST_OK);
}

int ProMenubarmenuMenuAdd_v(int app, const char* parent, const char* menu, const char* label_key,
                            const char* neighbour, int add_after, const char16_t* message_file,
                            const char* dir) {
    Host& host = current_host();
    Call call("ProMenubarmenuMenuAdd_v", app);
    call.text("parent", parent).text("menu", menu).text("label_key", label_key)
        .text("neighbour", neighbour).number("add_after", add_after)
        .wide("message_file", message_file).dir(dir);
    if (int status; call.screened(&status)) return status;
    if (empty_text(parent) || empty_text(menu) || empty_text(label_key) || message_file == nullptr)
        return call.finish(VT_HOST_BAD_INPUTS, "parent, menu name, label key and message file are needed");
    MenuItem* owner = host.find_menu(parent);
    if (owner == nullptr) return call.finish(VT_HOST_NOT_FOUND, "no such parent menu");
    if (host.find_menu(menu) != nullptr || name_taken(owner->children, menu))
        return call.finish(VT_HOST_NAME_IN_USE, "a menu or item of that name exists");
    MenuItem item;
    item.name = menu;
    item.label_key = label_key;
    label_item(host, call, item, message_file, dir);
    if (!place_item(owner->children, std::move(item), neighbour, add_after))
        return call.finish(VT_HOST_NOT_FOUND, "no such neighbour in the parent menu");
    return call.finish(VT_HOST_OK);
}

int ProMenubarmenuPushbuttonAdd_v(int app, const char* parent, const char* button,
                                  const char* label_key, const char* help_key,
                                  const char* neighbour, int add_after, int command_id,
                                  const char16_t* message_file, const char* dir) {
    Host& host = current_host();
    Call call("ProMenubarmenuPushbuttonAdd_v", app);
    call.text("parent", parent).text("button", button).text("label_key", label_key)
        .text("help_key", help_key).text("neighbour", neighbour).number("add_after", add_after)
        .command("command_id", command_id).wide("message_file", message_file).dir(dir);
    if (int status; call.screened(&status)) return status;
    if (empty_text(parent) || empty_text(button) || empty_text(label_key) || message_file == nullptr)
        return call.finish(VT_HOST_BAD_INPUTS, "parent, button name, label key and message file are needed");
    MenuItem* owner = host.find_menu(parent);
    if (owner == nullptr) return call.finish(VT_HOST_NOT_FOUND, "no such parent menu");
    if (host.command_by_id(command_id) == nullptr) return call.finish(VT_HOST_BAD_INPUTS, "no command has that id");
    if (name_taken(owner->children, button)) return call.finish(VT_HOST_NAME_IN_USE, "the menu has an item of that name");
    MenuItem item;
    item.kind = MenuItem::BUTTON;
    item.name = button;
    item.label_key = label_key;
    item.help_key = help_key != nullptr ? help_key : "";
    item.command_id = command_id;
    label_item(host, call, item, message_file, dir);
    if (!place_item(owner->children, std::move(item), neighbour, add_after))
        return call.finish(VT_HOST_NOT_FOUND, "no such neighbour in the parent menu");
    return call.finish(VT_HOST_OK);
}

int ProCmdActionAdd_v(int app, const char* action, command_action function, int priority,
                      command_access access, int non_active_ok, int accessory_ok, int* command_id) {
    Host& host = current_host();
    Call call("ProCmdActionAdd_v", app);
    call.text("action", action).pointer("function", reinterpret_cast<const void*>(function))
        .number("priority", priority).pointer("access", reinterpret_cast<const void*>(access))
        .number("non_active_ok", non_active_ok).number("accessory_ok", accessory_ok).out(command_id);
    if (int status; call.screened(&status)) return status;
    if (empty_text(action) || function == nullptr || command_id == nullptr)
        return call.finish(VT_HOST_BAD_INPUTS, "action name, function and place for the id are needed");
    if (host.command_by_name(action) != nullptr && !host.accept_repeated_actions)
        return call.finish(VT_HOST_NAME_IN_USE, "name already in use; id left as it was");
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
    return call.finish(VT_HOST_OK);
}

int ProCmdDesignate_v(int app, int command_id, const char* label_key, const char* help_key,
                      const char* description_key, const char16_t* message_file, const char* dir) {
    Host& host = current_host();
    Call call("ProCmdDesignate_v", app);
    call.command("command_id", command_id).text("label_key", label_key).text("help_key", help_key)
        .text("description_key", description_key).wide("message_file", message_file).dir(dir);
    if (int status; call.screened(&status)) return status;
    Command* command = host.command_by_id(command_id);
    if (command == nullptr || command->builtin) return call.finish(VT_HOST_BAD_INPUTS, "no add-in command has that id");
    if (empty_text(label_key) || message_file == nullptr)
        return call.finish(VT_HOST_BAD_INPUTS, "label key and message file are needed");
    command->designated = true;
    command->label_key = label_key;
    command->help_key = help_key != nullptr ? help_key : "";
    command->description_key = description_key != nullptr ? description_key : "";
    call.fact("message_path", join_path(dir, narrow(message_file)));
    return call.finish(VT_HOST_OK);
}

int ProCmdIconSet_v(int app, int command_id, const char* icon_file, const char* resource_dir) {
    Host& host = current_host();
    Call call("ProCmdIconSet_v", app);
    call.command("command_id", command_id).text("icon_file", icon_file).dir(resource_dir);
    if (int status; call.screened(&status)) return status;
    Command* command = host.command_by_id(command_id);
    if (command == nullptr || command->builtin) return call.finish(VT_HOST_BAD_INPUTS, "no add-in command has that id");
    if (empty_text(icon_file)) return call.finish(VT_HOST_BAD_INPUTS, "no icon file named");
    std::string path = join_path(resource_dir, icon_file);
    std::error_code error;
    command->icon_file = icon_file;
    command->icon_found = std::filesystem::is_regular_file(path_of(path), error);
    call.fact("icon_path", path);
    if (!command->icon_found) return call.finish(VT_HOST_NOT_FOUND, "icon file not found");
    return call.finish(VT_HOST_OK);
}

int ProNotificationSet_v(int app, int type, notify_hook hook) {
    Host& host = current_host();
    Call call("ProNotificationSet_v", app);
    call.number("type", type).pointer("hook", reinterpret_cast<const void*>(hook));
    if (int status; call.screened(&status)) return status;
    if (hook == nullptr) return call.finish(VT_HOST_BAD_INPUTS, "no hook");
    host.notifications[type] = hook;
    return call.finish(VT_HOST_OK);
}

int ProCmdCmdIdFind_v(int app, const char* command_name, int* command_id) {
    Host& host = current_host();
    Call call("ProCmdCmdIdFind_v", app);
    call.text("command_name", command_name).out(command_id);
    if (int status; call.screened(&status)) return status;
    if (empty_text(command_name) || command_id == nullptr)
        return call.finish(VT_HOST_BAD_INPUTS, "command name and place for the id are needed");
    Command* command = host.command_by_name(command_name);
    if (command == nullptr) return call.finish(VT_HOST_NOT_FOUND, "no command of that name");
    *command_id = command->id;
    call.fact("command_id", std::to_string(command->id));
    return call.finish(VT_HOST_OK);
}

int ProCmdBracketFuncAdd_v(int app, int command_id, command_bracket function,
                           const char* function_name, void* data) {
    Host& host = current_host();
    Call call("ProCmdBracketFuncAdd_v", app);
    call.command("command_id", command_id).pointer("function", reinterpret_cast<const void*>(function))
        .text("function_name", function_name).pointer("data", data);
    if (int status; call.screened(&status)) return status;
    Command* command = host.command_by_id(command_id);
    if (command == nullptr) return call.finish(VT_HOST_BAD_INPUTS, "no command has that id");
    if (function == nullptr) return call.finish(VT_HOST_BAD_INPUTS, "no bracket function");
    command->brackets.push_back(Bracket{function, function_name != nullptr ? function_name : "", data});
    return call.finish(VT_HOST_OK);
}

int ProMdlCurrentGet_v(int app, void** model) {
    Host& host = current_host();
    Call call("ProMdlCurrentGet_v", app);
    if (int status; call.out(model).screened_with_place(model, "no place for the model", &status)) return status;
    Model* current = host.current_model();
    if (current == nullptr) return call.finish(VT_HOST_NOT_FOUND, "no current model");
    *model = current;
    call.fact("model", current->key());
    return call.finish(VT_HOST_OK);
}

void fill_model_record(const Model& model, model_record* record) {
    if (model.record) {
        *record = *model.record;
        return;
    }
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
    bool alive = host.model_alive(model);
    call.pointer("model", model, alive ? static_cast<const Model*>(model)->key() : "").out(data);
    if (int status; call.screened(&status)) return status;
    if (data == nullptr || !alive) return call.finish(VT_HOST_BAD_INPUTS, "not a model in session");
    const Model& known = *static_cast<const Model*>(model);
    fill_model_record(known, data);
    /* the host's further fields, which the add-in's record does not declare */
    memset(reinterpret_cast<unsigned char*>(data) + sizeof *data, 0xEE, static_cast<size_t>(host.record_tail_bytes));
    call.fact("model", known.key());
    return call.finish(VT_HOST_OK);
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
    if (int status; call.out(display_version).screened_with_place(display_version, "no place for the text", &status))
        return status;
    *display_version = const_cast<char*>(host.display_version.c_str());
    call.fact("display_version", host.display_version);
    return call.finish(VT_HOST_OK);
}

}  // namespace vthost
