/* Running a vthost session.
 *
 * The options, then loading the add-in and calling its start-up with the host function table,
 * then one function per script command, each raising the host events a CAD user's action
 * would raise, and finally the end of the session (user_terminate_plus and unload), which also
 * runs after a bad script line so that nothing is left half-done. */
#include "host/session.h"
#include "host/host_platform.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "platform/platform.h"

namespace vthost {

namespace fs = std::filesystem;

/* ---- options ------------------------------------------------------------------------------ */

namespace {

bool function_list(const std::string& option, const std::string& value, std::set<std::string>& names,
                   std::string& error) {
    for (const std::string& name : split(value, ',')) {
        std::string table_name = host_function_table_name(name);
        if (table_name.empty()) {
            error = option + ": '" + name + "' is not a host function of vthost";
            return false;
        }
        names.insert(table_name);
    }
    return true;
}

}  // namespace

bool parse_options(const std::vector<std::string>& args, Options& options, std::string& error) {
    bool have_script = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) {
                error = arg + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        std::string text;
        if (arg == "--addin") {
            if (!value(options.addin)) return false;
        } else if (arg == "--version") {
            if (!value(options.version)) return false;
        } else if (arg == "--build") {
            if (!value(options.build)) return false;
        } else if (arg == "--appdir") {
            if (!value(options.app_dir)) return false;
        } else if (arg == "--registry") {
            if (!value(options.registry)) return false;
        } else if (arg == "--lang") {
            if (!value(text)) return false;
            options.language = language_code_from_text(text);
            if (options.language < 0) {
                error = "--lang: '" + text + "' is neither a language code nor a language name";
                return false;
            }
        } else if (arg == "--quiet") {
            options.quiet = true;
        } else if (arg == "--trace") {
            if (!value(options.trace)) return false;
        } else if (arg == "--missing") {
            if (!value(text) || !function_list(arg, text, options.missing, error)) return false;
        } else if (arg == "--refuse") {
            if (!value(text) || !function_list(arg, text, options.refused, error)) return false;
        } else if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option " + arg;
            return false;
        } else {
            if (have_script) {
                error = "more than one script: " + options.script + " and " + arg;
                return false;
            }
            options.script = arg;
            have_script = true;
        }
    }
    return true;
}

/* ---- the menu listing ---------------------------------------------------------------------- */

namespace {

std::string item_label(const MenuItem& item) {
    return item.labelled ? "\"" + item.label + "\"" : "[" + item.label_key + "]";
}

void list_items(Host& host, const std::vector<MenuItem>& items, int depth, std::string& out) {
    for (const MenuItem& item : items) {
        std::string line(static_cast<size_t>(depth) * 2, ' ');
        line += item.name + "  " + item_label(item);
        if (item.kind == MenuItem::MENU) {
            out += line + "  >\n";
            list_items(host, item.children, depth + 1, out);
            continue;
        }
        Command* command = host.command_by_id(item.command_id);
        int state = VT_ACCESS_AVAILABLE;
        if (command != nullptr && command->access != nullptr) {
            fflush(stdout);
            state = command->access();
        }
        line += state == VT_ACCESS_AVAILABLE ? "  available" : "  greyed";
        if (command == nullptr || command->icon_file.empty())
            line += "  no icon";
        else
            line += "  icon " + command->icon_file + (command->icon_found ? "" : " missing");
        out += line + "\n";
    }
}

}  // namespace

std::string menu_listing(Host& host, const std::string& menu_name) {
    MenuItem* menu = host.find_menu(menu_name);
    if (menu == nullptr) return "";
    /* The access functions ask the host for the current model; those calls are not news. */
    FILE* transcript = host.transcript;
    host.transcript = nullptr;
    std::string out = menu->name + "  " + item_label(*menu) + "\n";
    list_items(host, menu->children, 1, out);
    host.transcript = transcript;
    return out;
}

/* ---- the session ---------------------------------------------------------------------------- */

namespace {

/* A bad script line or a command that names what the session does not hold. */
struct ScriptError {
    std::string message;
};

const char* notification_meaning(int type) {
    switch (type) {
    case VT_NOTIFY_BEFORE_SAVE: return "model about to be saved";
    case VT_NOTIFY_REGENERATE: return "model regenerated";
    case VT_NOTIFY_RENAME: return "model renamed";
    case VT_NOTIFY_COPY: return "model copied";
    case VT_NOTIFY_BEFORE_CLOSE: return "model about to be closed";
    case VT_NOTIFY_AFTER_CLOSE: return "model closed";
    case VT_NOTIFY_AFTER_OPEN: return "model opened";
    case VT_NOTIFY_WINDOW_CHANGED: return "current window changed";
    default: return "notification";
    }
}

class Session {
public:
    explicit Session(const Options& options) : options_(options) {
        host_.quiet = options.quiet;
        host_.transcript = stdout;
        host_.app_handle = 7;
        host_.language = options.language;
        host_.display_version = options.version;
        host_.refused = options.refused;
        host_install(&host_);
    }
    ~Session() {
        if (trace_ != nullptr) fclose(trace_);
        host_install(nullptr);
    }

    int run(const std::string& program);

private:
    friend class vthost::LiveSession;
    void say(const char* format, ...) __attribute__((format(printf, 2, 3)));
    int load(const std::string& program);
    int start();
    int load_and_start(const std::string& program);
    void run_line(const ScriptCommand& command);
    void end();

    void open(const std::string& key);
    void activate(const std::string& key);
    void save();
    void close();
    void close_window();
    void pick(const std::string& button);
    void menu();
    void copy_or_rename(const std::string& from, const std::string& to, bool rename);
    void regenerate();
    void set_environment(const std::string& name, const std::string& value);

    bool raise(int type, const Model* first = nullptr, const Model* second = nullptr, int* answer = nullptr);
    bool run_builtin(const char* name, void (Session::*body)());
    void close_window_body();
    void save_body();
    Model& model_in_session(const std::string& key);

    Options options_;
    Host host_;
    FILE* trace_ = nullptr;
    void* module_ = nullptr;
    std::string module_path_;
    std::u16string module_path_w_;
    std::string app_dir_;
    std::vector<host_function_pair> table_;
    char program_name_[7] = "vthost";
    char* argv_[2] = {program_name_, nullptr};
    char16_t error_buffer_[512] = {};
    initialize_function initialize_ = nullptr;
    terminate_function terminate_ = nullptr;
    bool ended_ = false;
};

void Session::say(const char* format, ...) {
    if (options_.quiet) return;
    va_list args;
    va_start(args, format);
    vprintf(format, args);
    va_end(args);
    putchar('\n');
    fflush(stdout);
}

int Session::load(const std::string& program) {
    if (options_.addin.empty()) {
        fs::path beside = path_of(program).parent_path();
        if (beside.empty()) beside = path_of(VTHOST_BIN_DIR);
        module_path_ = text_of(beside / VTHOST_ADDIN_FILE);
    } else {
        module_path_ = options_.addin;
    }
    std::error_code error;
    fs::path absolute = fs::absolute(path_of(module_path_), error);
    if (!error) module_path_ = text_of(absolute);
    if (!fs::is_regular_file(path_of(module_path_), error)) {
        fprintf(stderr, "vthost: cannot load add-in %s: no such file\n", module_path_.c_str());
        return 1;
    }
    int os_error = 0;
    module_ = platform.dll_load(module_path_.c_str(), &os_error);
    if (module_ == nullptr) {
        fprintf(stderr, "vthost: cannot load add-in %s: %s\n", module_path_.c_str(),
                platform.dll_error_text(os_error));
        return 1;
    }
    std::string unbound = first_unbound_import(module_);
    if (!unbound.empty()) {
        fprintf(stderr, "vthost: cannot load add-in %s: %s (%s)\n", module_path_.c_str(),
                platform.dll_error_text(unbound_import_error), unbound.c_str());
        platform.dll_unload(module_, &os_error);
        module_ = nullptr;
        return 1;
    }
    initialize_ = reinterpret_cast<initialize_function>(platform.dll_symbol(module_, "user_initialize_plus", &os_error));
    terminate_ = reinterpret_cast<terminate_function>(platform.dll_symbol(module_, "user_terminate_plus", &os_error));
    if (initialize_ == nullptr || terminate_ == nullptr) {
        fprintf(stderr, "vthost: cannot load add-in %s: it does not export %s\n", module_path_.c_str(),
                initialize_ == nullptr ? "user_initialize_plus" : "user_terminate_plus");
        platform.dll_unload(module_, &os_error);
        module_ = nullptr;
        return 1;
    }
    return 0;
}

int Session::start() {
    /* The add-in keeps pointers to what it is handed at start-up: all of it lives as long as
     * the session. */
    app_dir_ = options_.app_dir;
    if (app_dir_.empty()) {
        std::error_code error;
        app_dir_ = fs::is_directory(path_of(VTHOST_APP_DIR), error) ? VTHOST_APP_DIR : VTHOST_DIST_DIR;
    }
    table_ = host_function_table(options_.missing);
    module_path_w_ = widen(module_path_);
    const std::vector<host_function_pair>& table = table_;
    char16_t* error_buffer = error_buffer_;

    say("host: add-in %s", text_of(path_of(module_path_).filename()).c_str());
    say("host: start-up with version \"%s\", build \"%s\", language %d (%s), %d host functions%s",
        options_.version.c_str(), options_.build.c_str(), options_.language,
        *language_name_of(options_.language) ? language_name_of(options_.language) : "no name",
        static_cast<int>(table.size()), options_.missing.empty() ? "" : " (some left out by --missing)");
    fflush(stdout);
    int status = initialize_(1, argv_, options_.version.c_str(), options_.build.c_str(), 0, error_buffer,
                             app_dir_.c_str(), module_path_w_.c_str(), module_path_.c_str(), host_.app_handle,
                             0, table.data(), static_cast<int>(table.size()), options_.language);
    say("host: start-up status %d", status);
    if (status != 0) {
        error_buffer[511] = 0;
        std::string first = narrow(error_buffer);
        size_t second_at = std::char_traits<char16_t>::length(error_buffer) + 1;
        std::string second = second_at < 512 ? narrow(error_buffer + second_at) : "";
        fprintf(stderr, "vthost: start-up refused: %d \"%s\" \"%s\"\n", status, first.c_str(), second.c_str());
        fflush(stderr);
        return 3;
    }
    int addin_commands = 0, brackets = 0;
    for (const Command& command : host_.commands) {
        if (!command.builtin) ++addin_commands;
        brackets += static_cast<int>(command.brackets.size());
    }
    say("host: the add-in registered %d commands, %d notifications, %d bracket function%s", addin_commands,
        static_cast<int>(host_.notifications.size()), brackets, brackets == 1 ? "" : "s");
    return 0;
}

/* Loads the add-in and starts it; a module that refuses start-up is unloaded again, so that the
 * session holds no module.  0, or the exit status of the failure (1 or 3). */
int Session::load_and_start(const std::string& program) {
    if (int status = load(program)) return status;
    if (int status = start()) {
        int os_error = 0;
        platform.dll_unload(module_, &os_error);
        module_ = nullptr;
        return status;
    }
    return 0;
}

void Session::end() {
    if (ended_ || module_ == nullptr) return;
    ended_ = true;
    Command* exit = host_.command_by_name("XProCmdExit");
    for (const Bracket& bracket : exit->brackets) {
        say("host: bracket %s entering XProCmdExit", bracket.name.c_str());
        fflush(stdout);
        int answer = bracket.function(exit->id, nullptr, 1, bracket.data);
        say("host: bracket answered %d", answer);
    }
    fflush(stdout);
    int status = terminate_();
    say("host: user_terminate_plus answered %d", status);
    int os_error = 0;
    if (platform.dll_unload(module_, &os_error) != 0)
        say("host: unloading the add-in failed: OS error %d", os_error);
    else
        say("host: add-in unloaded");
    module_ = nullptr;
}

bool Session::raise(int type, const Model* first, const Model* second, int* answer) {
    std::string models;
    if (first != nullptr) models = " with " + first->key();
    if (second != nullptr) models += " and " + second->key();
    if (host_.notifications.count(type) == 0) {
        say("host: notification %d (%s)%s: no hook subscribed", type, notification_meaning(type), models.c_str());
        return false;
    }
    say("host: notification %d (%s)%s", type, notification_meaning(type), models.c_str());
    model_record records[2] = {};
    if (first != nullptr) fill_model_record(*first, &records[0]);
    if (second != nullptr) fill_model_record(*second, &records[1]);
    fflush(stdout);
    int result = *host_.notify(type, &records[0], &records[1]);
    say("host: hook answered %d", result);
    if (answer != nullptr) *answer = result;
    return true;
}

bool Session::run_builtin(const char* name, void (Session::*body)()) {
    Command* command = host_.command_by_name(name);
    for (const Bracket& bracket : command->brackets) {
        say("host: bracket %s entering %s", bracket.name.c_str(), name);
        fflush(stdout);
        int answer = bracket.function(command->id, nullptr, 1, bracket.data);
        say("host: bracket answered %d", answer);
        if (answer == 0) {
            say("host: the bracket stopped %s", name);
            return false;
        }
    }
    (this->*body)();
    for (const Bracket& bracket : command->brackets) {
        say("host: bracket %s leaving %s", bracket.name.c_str(), name);
        fflush(stdout);
        int answer = bracket.function(command->id, nullptr, 0, bracket.data);
        say("host: bracket answered %d", answer);
    }
    return true;
}

Model& Session::model_in_session(const std::string& key) {
    Model* model = host_.model_by_key(key);
    if (model == nullptr) throw ScriptError{"no model " + key + " in session"};
    return *model;
}

void Session::open(const std::string& key) {
    if (Model* known = host_.model_by_key(key)) {
        if (known->window == 0) known->window = host_.next_window++;
        host_.current_window = known->window;
        say("host: %s is already in session; window %d shows it", key.c_str(), known->window);
        raise(VT_NOTIFY_WINDOW_CHANGED);
        return;
    }
    std::string name, type, error;
    parse_model_key(key, name, type, error);
    Model& model = host_.open_model(name, type);
    say("host: window %d opens %s", model.window, key.c_str());
    raise(VT_NOTIFY_AFTER_OPEN, &model);
    raise(VT_NOTIFY_WINDOW_CHANGED);
}

void Session::activate(const std::string& key) {
    if (key == "none") {
        host_.current_window = 0;
        say("host: no window is current");
    } else {
        Model& model = model_in_session(key);
        if (model.window == 0) {
            model.window = host_.next_window++;
            say("host: window %d opens %s", model.window, key.c_str());
        }
        host_.current_window = model.window;
        say("host: window %d (%s) is current", model.window, key.c_str());
    }
    raise(VT_NOTIFY_WINDOW_CHANGED);
}

void Session::save_body() {
    Model* model = host_.current_model();
    int answer = 0;
    if (!raise(VT_NOTIFY_BEFORE_SAVE, nullptr, nullptr, &answer) || answer == 0)
        say("host: %s saved", model != nullptr ? model->key().c_str() : "nothing");
    else
        say("host: save refused (hook answered %d)", answer);
}

void Session::save() {
    if (host_.current_model() == nullptr) say("host: no current model; the save is tried all the same");
    run_builtin("XProCmdModelSave", &Session::save_body);
}

void Session::close() {
    Model* model = host_.current_model();
    if (model == nullptr) {
        say("host: no current model; nothing to close");
        return;
    }
    raise(VT_NOTIFY_BEFORE_CLOSE);
    Model closed = *model;
    for (size_t i = 0; i < host_.models.size(); ++i)
        if (host_.models[i].get() == model) host_.models.erase(host_.models.begin() + static_cast<long>(i));
    host_.current_window = 0;
    say("host: window %d and %s are gone", closed.window, closed.key().c_str());
    raise(VT_NOTIFY_AFTER_CLOSE, &closed);
}

void Session::close_window_body() {
    Model* model = host_.current_model();
    say("host: window %d closes; %s stays in session", model->window, model->key().c_str());
    model->window = 0;
    host_.current_window = 0;
    raise(VT_NOTIFY_WINDOW_CHANGED);
}

void Session::close_window() {
    if (host_.current_model() == nullptr) {
        say("host: no window is current; nothing to close");
        return;
    }
    run_builtin("ProCmdWinCloseAsyn", &Session::close_window_body);
}

void Session::pick(const std::string& button) {
    MenuItem* item = host_.find_button(button);
    if (item == nullptr) throw ScriptError{"no button " + button + " in the menus"};
    Command* command = host_.command_by_id(item->command_id);
    std::string label = item->labelled ? "\"" + item->label + "\"" : "[" + item->label_key + "]";
    int state = VT_ACCESS_AVAILABLE;
    if (command->access != nullptr) {
        fflush(stdout);
        state = command->access();
    }
    if (state != VT_ACCESS_AVAILABLE) {
        say("host: %s %s is unavailable (access %d); not run", button.c_str(), label.c_str(), state);
        return;
    }
    say("host: %s %s runs command %s", button.c_str(), label.c_str(), command->name.c_str());
    if (command->action == nullptr) return;
    fflush(stdout);
    int status = command->action(command->id, nullptr, nullptr);
    say("host: command answered %d", status);
}

void Session::menu() {
    if (options_.quiet) return;
    std::string bar = "host: menubar:";
    for (const MenuItem& item : host_.menubar) bar += " " + (item.builtin ? item.name : item_label(item));
    say("%s", bar.c_str());
    for (const MenuItem& item : host_.menubar) {
        if (item.builtin) continue;
        std::string listing = menu_listing(host_, item.name);
        fputs(listing.c_str(), stdout);
        fflush(stdout);
    }
}

void Session::copy_or_rename(const std::string& from, const std::string& to, bool rename) {
    Model& source = model_in_session(from);
    if (host_.model_by_key(to) != nullptr) throw ScriptError{"a model " + to + " is already in session"};
    auto target = std::make_unique<Model>();
    std::string error;
    parse_model_key(to, target->name, target->type, error);
    if (rename) {
        Model old = source;
        source.name = target->name;
        source.type = target->type;
        say("host: %s is renamed %s", from.c_str(), to.c_str());
        raise(VT_NOTIFY_RENAME, &old, &source);
    } else {
        say("host: %s is copied to %s", from.c_str(), to.c_str());
        host_.models.push_back(std::move(target));
        raise(VT_NOTIFY_COPY, &source, host_.models.back().get());
    }
}

void Session::regenerate() {
    Model* model = host_.current_model();
    if (model == nullptr) {
        say("host: no current model; nothing to regenerate");
        return;
    }
    say("host: %s is regenerated", model->key().c_str());
    raise(VT_NOTIFY_REGENERATE);
}

void Session::set_environment(const std::string& name, const std::string& value) {
    if (platform.set_environment(name.c_str(), value.c_str()) != 0)
        throw ScriptError{"cannot set " + name};
    say("host: %s=%s", name.c_str(), value.c_str());
}

void Session::run_line(const ScriptCommand& command) {
    if (ended_ && command.kind != ScriptCommand::NOTHING) throw ScriptError{"the session has ended (quit)"};
    const std::vector<std::string>& a = command.args;
    switch (command.kind) {
    case ScriptCommand::NOTHING: break;
    case ScriptCommand::OPEN: open(a[0]); break;
    case ScriptCommand::ACTIVATE: activate(a[0]); break;
    case ScriptCommand::SAVE: save(); break;
    case ScriptCommand::CLOSE: close(); break;
    case ScriptCommand::CLOSE_WINDOW: close_window(); break;
    case ScriptCommand::PICK: pick(a[0]); break;
    case ScriptCommand::MENU: menu(); break;
    case ScriptCommand::QUIT: end(); break;
    case ScriptCommand::COPY: copy_or_rename(a[0], a[1], false); break;
    case ScriptCommand::RENAME: copy_or_rename(a[0], a[1], true); break;
    case ScriptCommand::REGENERATE: regenerate(); break;
    case ScriptCommand::SETENV: set_environment(a[0], a[1]); break;
    }
}

int Session::run(const std::string& program) {
    bool from_stdin = options_.script.empty() || options_.script == "-";
    std::string script_name = from_stdin ? "<stdin>" : options_.script;
    std::ifstream file;
    if (!from_stdin) {
        file.open(path_of(options_.script), std::ios::binary);
        if (!file) {
            fprintf(stderr, "vthost: %s: cannot open the script\n", script_name.c_str());
            return 2;
        }
    }
    if (!options_.trace.empty()) {
        trace_ = fopen(options_.trace.c_str(), "w");
        if (trace_ == nullptr) {
            fprintf(stderr, "vthost: cannot write the trace %s\n", options_.trace.c_str());
            return 2;
        }
        host_.trace = trace_;
    }
    if (int status = load_and_start(program)) return status;

    std::istream& in = from_stdin ? std::cin : file;
    std::string line;
    int line_number = 0;
    int status = 0;
    while (std::getline(in, line)) {
        ++line_number;
        ScriptCommand command;
        std::string error;
        try {
            if (!parse_script_line(line, command, error)) throw ScriptError{error};
            if (command.comment_line) {
                say("#%s", command.comment.c_str());
            } else if (command.kind == ScriptCommand::NOTHING && line.find_first_not_of(" \t\r") == std::string::npos) {
                say("%s", "");
            } else if (command.kind != ScriptCommand::NOTHING) {
                std::string shown = line;
                while (!shown.empty() && (shown.back() == '\r' || shown.back() == ' ')) shown.pop_back();
                say("> %s", shown.c_str() + shown.find_first_not_of(" \t"));
            }
            run_line(command);
        } catch (const ScriptError& failure) {
            fflush(stdout);
            fprintf(stderr, "vthost: %s:%d: %s\n", script_name.c_str(), line_number, failure.message.c_str());
            fflush(stderr);
            status = 2;
            break;
        }
    }
    if (!ended_ && status == 0) say("host: end of script");
    end();
    return status;
}

}  // namespace

int run_session(const Options& options, const std::string& program) {
    Session session(options);
    return session.run(program);
}

struct LiveSession::State {
    explicit State(const Options& options) : session(options) {}
    Session session;
};

LiveSession::LiveSession(const Options& options) : state_(std::make_unique<State>(options)) {}

LiveSession::~LiveSession() { end(); }

int LiveSession::start(const std::string& program) { return state_->session.load_and_start(program); }

bool LiveSession::run(const std::string& line, std::string& error) {
    ScriptCommand command;
    if (!parse_script_line(line, command, error)) return false;
    try {
        state_->session.run_line(command);
    } catch (const ScriptError& failure) {
        error = failure.message;
        return false;
    }
    return true;
}

void LiveSession::end() { state_->session.end(); }

Host& LiveSession::host() { return state_->session.host_; }

void* LiveSession::module() const { return state_->session.module_; }

}  // namespace vthost
