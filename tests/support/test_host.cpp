// The tests' host: vthost's host model driven in-process; see test_host.h.
#include "tests/support/test_host.h"

#include <cstring>
#include <memory>

#include "bridge/bridge.h"
#include "frame/gateway.h"

namespace test_host {

namespace {

std::unique_ptr<vthost::Host> current;
std::vector<host_function_pair> installed_table;

void name_bridge_functions(vthost::Host& host) {
#define VT_NAME_HANDLER(handler) host.function_names[reinterpret_cast<const void*>(&handler)] = #handler;
    VT_COMMAND_HANDLERS(VT_NAME_HANDLER)
#undef VT_NAME_HANDLER
#define VT_NAME(function) host.function_names[reinterpret_cast<const void*>(&function)] = #function
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
}

}  // namespace

vthost::Host& reset() {
    vthost::host_install(nullptr);
    current = std::make_unique<vthost::Host>();
    current->app_handle = app_handle;
    current->record_calls = true;
    name_bridge_functions(*current);
    vthost::host_install(current.get());
    installed_table = vthost::host_function_table({});
    return *current;
}

vthost::Host& install(const std::set<std::string>& missing, std::vector<host_function_pair> extra) {
    vthost::Host& host = reset();
    installed_table = vthost::host_function_table(missing, std::move(extra));
    gateway_install_handle(app_handle);
    gateway_install_table(installed_table.data(), table_count());
    return host;
}

vthost::Host& host() { return current != nullptr ? *current : reset(); }

const host_function_pair* table() { return installed_table.data(); }
int table_count() { return static_cast<int>(installed_table.size()); }

std::vector<std::string> calls() {
    std::vector<std::string> lines;
    for (const vthost::HostCall& call : host().recorded) lines.push_back(call.text);
    return lines;
}

std::vector<std::string> call_table_names() {
    std::vector<std::string> names;
    for (const vthost::HostCall& call : host().recorded) names.push_back(call.name);
    return names;
}

const vthost::Command* button_command(const std::string& button) {
    vthost::MenuItem* item = host().find_button(button);
    return item != nullptr ? host().command_by_id(item->command_id) : nullptr;
}

std::vector<int> run_command(const std::string& command_name) {
    vthost::Command* command = host().command_by_name(command_name);
    if (command == nullptr) return {};
    std::vector<int> answers = host().bracket(*command, 1);
    std::vector<int> leaving = host().bracket(*command, 0);
    answers.insert(answers.end(), leaving.begin(), leaving.end());
    return answers;
}

model_record make_record(const std::string& name, const std::string& type) {
    model_record record;
    std::memset(&record, 0, sizeof record);
    for (size_t i = 0; i < name.size() && i < 80; i++) record.name[i] = static_cast<unsigned char>(name[i]);
    for (size_t i = 0; i < type.size() && i < 4; i++) record.type[i] = static_cast<unsigned char>(type[i]);
    return record;
}

}  // namespace test_host
