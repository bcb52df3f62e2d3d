// The host function gateway: the by-name lookup against std::lower_bound on the same table, and a
// forwarding entry whose cache is filled against calling the host function directly.
#include <algorithm>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "bench/bench.h"
#include "frame/gateway.h"

namespace {

using vt_bench::add_pair;
using vt_bench::goal_kind;
using vt_bench::pair_spec;

constexpr int TABLE_SIZE = 2152;   /* the host's function list of this release */

/* The host function behind ProMdlCurrentGet: what a host does for it is one store. */
__attribute__((noinline)) int host_mdl_current_get(int app_handle, void** model) {
    *model = reinterpret_cast<void*>(static_cast<intptr_t>(app_handle));
    benchmark::ClobberMemory();
    return 0;
}

void unused_host_function() {}

/* A table shaped like the host's: 2,152 names of the form Pro<Object><Action>_v, sorted
 * bytewise, ProMdlCurrentGet_v among them. */
struct host_table {
    std::vector<std::string> names;
    std::vector<host_function_pair> pairs;

    host_table() {
        const char* objects[] = {"Mdl", "Feature", "Solid", "Part", "Asm", "Drawing", "Cmd", "Menubar",
                                 "Menubarmenu", "Notification", "Surface", "Edge", "Curve", "Point",
                                 "Axis", "Csys", "Dimension", "Parameter", "Layer", "Window", "View",
                                 "Selection", "Message", "Graphics", "Note", "Gtol", "Table", "Sheet",
                                 "Value", "Array", "Element", "Feattype", "Family", "Sketch", "Section",
                                 "Mechanism", "Relation", "Quilt", "Contour", "Xsec", "Udf", "Util"};
        const char* actions[] = {"Get", "Set", "Create", "Delete", "Find", "Visit", "Init", "Free",
                                 "Add", "Remove", "Copy", "Display", "Erase", "Rename", "Save",
                                 "Retrieve", "Regenerate", "Verify", "Alloc", "Filter", "Count",
                                 "IdGet", "NameGet", "TypeGet", "DataGet", "CurrentGet", "Modify",
                                 "Export", "Import", "Update", "Clear", "Select", "Highlight",
                                 "Unhighlight", "Compare", "Redefine", "Reorder", "Suppress",
                                 "Resume", "Activate", "Designate", "IconSet", "ActionAdd", "MenuAdd",
                                 "PushbuttonAdd", "CmdIdFind", "BracketFuncAdd", "Is", "Exist",
                                 "Load", "Unload", "Draw"};
        std::set<std::string> unique;
        for (const char* object : objects)
            for (const char* action : actions) unique.insert(std::string("Pro") + object + action + "_v");
        unique.insert("ProMdlCurrentGet_v");
        while (static_cast<int>(unique.size()) > TABLE_SIZE) unique.erase(std::prev(unique.end()));
        names.assign(unique.begin(), unique.end());
        for (const std::string& name : names) {
            host_function function = name == "ProMdlCurrentGet_v"
                                         ? reinterpret_cast<host_function>(&host_mdl_current_get)
                                         : &unused_host_function;
            pairs.push_back({function, name.c_str()});
        }
        vt_bench::require(static_cast<int>(pairs.size()) == TABLE_SIZE, "the table has 2,152 names");
    }
};

host_table& table() {
    static host_table t;
    return t;
}

/* Every name of the table once, in a fixed random order, and as many names that are missing. */
std::vector<std::string> wanted(bool present) {
    std::vector<std::string> out;
    for (const std::string& name : table().names) out.push_back(present ? name : name.substr(0, name.size() - 2) + "X_v");
    std::shuffle(out.begin(), out.end(), std::mt19937(7));
    return out;
}

host_function lower_bound_lookup(const std::vector<host_function_pair>& pairs, const char* name) {
    auto it = std::lower_bound(pairs.begin(), pairs.end(), name,
                               [](const host_function_pair& pair, const char* key) { return std::strcmp(pair.name, key) < 0; });
    return it != pairs.end() && std::strcmp(it->name, name) == 0 ? it->function : nullptr;
}

void lookups() {
    for (bool present : {true, false}) {
        pair_spec spec{present ? "lookup_hit" : "lookup_miss",
                       std::string("host_function_lookup vs std::lower_bound, ") + (present ? "names present" : "names missing"),
                       "2,152 names", {}, 0, ""};
        auto ours = [present](benchmark::State& state) {
            host_table& t = table();
            gateway_install_table(t.pairs.data(), TABLE_SIZE);
            std::vector<std::string> names = wanted(present);
            for (const std::string& name : names)
                vt_bench::require(host_function_lookup(name.c_str()) == lower_bound_lookup(t.pairs, name.c_str()),
                                  "host_function_lookup");
            for (auto _ : state)
                for (const std::string& name : names) benchmark::DoNotOptimize(host_function_lookup(name.c_str()));
            state.SetItemsProcessed(state.iterations() * TABLE_SIZE);
        };
        auto peer = [present](benchmark::State& state) {
            host_table& t = table();
            std::vector<std::string> names = wanted(present);
            for (auto _ : state)
                for (const std::string& name : names) benchmark::DoNotOptimize(lower_bound_lookup(t.pairs, name.c_str()));
            state.SetItemsProcessed(state.iterations() * TABLE_SIZE);
        };
        add_pair(spec, ours, peer);
    }
}

void forwarding() {
    pair_spec spec{"forward", "forwarding entry ProMdlCurrentGet (cache filled) vs direct call", "1 call",
                   {goal_kind::extra_ns_at_most, 1.0, 0}, 0, ""};
    auto ours = [](benchmark::State& state) {
        gateway_install_handle(7);
        gateway_install_table(table().pairs.data(), TABLE_SIZE);
        void* model = nullptr;
        vt_bench::require(ProMdlCurrentGet(&model) == 0 && model == reinterpret_cast<void*>(7), "ProMdlCurrentGet");
        for (auto _ : state) {
            benchmark::DoNotOptimize(ProMdlCurrentGet(&model));
        }
    };
    auto peer = [](benchmark::State& state) {
        void* model = nullptr;
        for (auto _ : state) {
            benchmark::DoNotOptimize(host_mdl_current_get(7, &model));
        }
    };
    add_pair(spec, ours, peer);
}

}  // namespace

VT_BENCH_PAIRS(gateway) {
    lookups();
    forwarding();
}
