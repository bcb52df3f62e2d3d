/* The table of host functions handed to the add-in, sorted bytewise by name, and the calls
 * of host functions that the tests add under further names. */
#include <string.h>

#include <algorithm>

#include "host/host_call.h"
#include "host/host_model.h"

namespace vthost {

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

std::vector<host_function_pair> host_function_table(const std::set<std::string>& missing,
                                                    std::vector<host_function_pair> extra) {
    std::vector<host_function_pair> table = std::move(extra);
    for (const Entry& entry : entries())
        if (missing.count(entry.name) == 0) table.push_back(host_function_pair{entry.function, entry.name});
    std::stable_sort(table.begin(), table.end(), [](const host_function_pair& a, const host_function_pair& b) {
        return strcmp(a.name, b.name) < 0;
    });
    return table;
}

int answer_other_call(const char* name, std::vector<intptr_t> words) {
    Host& host = current_host();
    host.calls++;
    HostCall call;
    call.name = name;
    call.words = std::move(words);
    call.text = readable_name(name) + "(...)";
    keep_call(host, call);
    auto answer = host.answers.find(name);
    if (answer == host.answers.end()) return 0;
    return answer->second(call).value_or(0);
}

std::string host_function_table_name(const std::string& name) {
    for (const std::string& known : host_function_names())
        if (name == known || name + "_v" == known) return known;
    return "";
}

}  // namespace vthost
