// The host function gateway: the by-name lookup against std::lower_bound on the same table, and a
// forwarding entry whose cache is filled against calling the host function directly.
#include <algorithm>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "bench/bench.h"
#include "bench/host_table.h"
#include "frame/gateway.h"

namespace {

using vt_bench::add_pair;
using vt_bench::goal_kind;
using vt_bench::pair_spec;

constexpr int TABLE_SIZE = vt_bench::HOST_TABLE_SIZE;

/* The host function behind ProMdlCurrentGet: what a host does for it is one store. */
__attribute__((noinline)) int host_mdl_current_get(int app_handle, void** model) {
    *model = reinterpret_cast<void*>(static_cast<intptr_t>(app_handle));
    benchmark::ClobberMemory();
    return 0;
}

vt_bench::host_table& table() {
    static vt_bench::host_table t({{"ProMdlCurrentGet_v", reinterpret_cast<host_function>(&host_mdl_current_get)}});
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
            vt_bench::host_table& t = table();
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
            vt_bench::host_table& t = table();
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
