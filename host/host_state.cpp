/* The simulated host's state: its menubar, commands, models and windows, their look-ups, and
 * the hooks and brackets it calls. */
#include "host/host_model.h"

#include <stdarg.h>

#include <algorithm>

namespace vthost {

const BuiltinCommand builtin_commands[3] = {
    {"ProCmdWinCloseAsyn", 1},
    {"XProCmdModelSave", 2},
    {"XProCmdExit", 3},
};

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
    if (std::optional<std::string> contents = read_file(path_of(path)))
        file = std::make_unique<MessageFile>(parse_message_file(*contents));
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

Command& Host::add_builtin_command(const std::string& name) {
    int id = 1;
    for (const Command& command : commands)
        if (command.builtin) id = std::max(id, command.id + 1);
    Command command;
    command.id = id;
    command.name = name;
    command.builtin = true;
    commands.push_back(command);
    return commands.back();
}

Model& Host::open_model(const std::string& name, const std::string& type) {
    auto model = std::make_unique<Model>();
    model->name = name;
    model->type = type;
    model->window = next_window++;
    current_window = model->window;
    models.push_back(std::move(model));
    return *models.back();
}

int hook_records(int type) {
    switch (type) {
    case VT_NOTIFY_AFTER_OPEN:
    case VT_NOTIFY_AFTER_CLOSE: return 1;
    case VT_NOTIFY_COPY:
    case VT_NOTIFY_RENAME: return 2;
    default: return 0;
    }
}

std::optional<int> Host::notify(int type, model_record* first, model_record* second) {
    auto found = notifications.find(type);
    if (found == notifications.end()) return std::nullopt;
    switch (hook_records(type)) {
    case 1: return reinterpret_cast<int(VT_CDECL*)(model_record*)>(found->second)(first);
    case 2: return reinterpret_cast<int(VT_CDECL*)(model_record*, model_record*)>(found->second)(first, second);
    default: return reinterpret_cast<int(VT_CDECL*)(void)>(found->second)();
    }
}

std::vector<int> Host::bracket(Command& command, int entering) {
    std::vector<int> answers;
    for (const Bracket& each : command.brackets)
        answers.push_back(each.function(command.id, nullptr, entering, each.data));
    return answers;
}

std::string menu_layout(const std::vector<MenuItem>& items) {
    std::string out;
    for (const MenuItem& item : items) {
        if (!out.empty()) out += ", ";
        out += item.name;
        if (item.kind == MenuItem::MENU) out += "(" + menu_layout(item.children) + ")";
    }
    return out;
}

void host_install(Host* host) { installed = host; }

Host& current_host() { return *installed; }

}  // namespace vthost
