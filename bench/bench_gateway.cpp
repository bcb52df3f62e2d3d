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

vt_bench::host_table& table() {
    static vt_bench::host_table t({{"ProMdlCurrentGet_v", reinterpret_cast<host_function>(&vt_bench::host_mdl_current_get)}});
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

/* The floor of a forwarding entry: its required steps written plainly as a function of the
 * caller's arguments (the cache tested, filled by the lookup on first use, and the host function
 * called through it with the application handle in front). */
struct plain_entry_cache {
    host_function function;
    int app_handle;
};
plain_entry_cache plain_cache = {nullptr, 7};

__attribute__((noipa)) int plain_mdl_current_get(void** model) {
    if (plain_cache.function == nullptr) {
        plain_cache.function = host_function_lookup("ProMdlCurrentGet_v");
        if (plain_cache.function == nullptr) return -1;
    }
    return reinterpret_cast<int (*)(int, void**)>(plain_cache.function)(plain_cache.app_handle, model);
}

void forwarding() {
    /* The goal is the direct call's time within 5 %, as if the entry were free; an entry between
     * caller and host costs a call level, a test and an indirect call, which on a host function
     * of a few cycles is more than that, so the verdict is "at floor" when ours stays within the
     * bound of the plain entry. */
    pair_spec spec{"forward", "forwarding entry ProMdlCurrentGet (cache filled) vs direct call", "1 call",
                   {goal_kind::ours_over_peer, 1.05}, 0,
                   "floor: the entry's steps written plainly (the cache tested, the host function called through it with "
                   "the application handle in front)"};
    auto ours = [](benchmark::State& state) {
        gateway_install_handle(7);
        gateway_install_table(table().pairs.data(), TABLE_SIZE);
        void* model = nullptr;
        vt_bench::require(ProMdlCurrentGet(&model) == 0 && model == &vt_bench::bench_model(), "ProMdlCurrentGet");
        for (auto _ : state) {
            benchmark::DoNotOptimize(ProMdlCurrentGet(&model));
        }
    };
    auto peer = [](benchmark::State& state) {
        void* model = nullptr;
        for (auto _ : state) {
            benchmark::DoNotOptimize(vt_bench::host_mdl_current_get(7, &model));
        }
    };
    auto floor = [](benchmark::State& state) {
        gateway_install_table(table().pairs.data(), TABLE_SIZE);
        void* model = nullptr;
        vt_bench::require(plain_mdl_current_get(&model) == 0 && model == &vt_bench::bench_model(), "plain entry");
        for (auto _ : state) {
            benchmark::DoNotOptimize(plain_mdl_current_get(&model));
        }
    };
    add_pair(spec, ours, peer, floor);
}

}  // namespace

VT_BENCH_PAIRS(gateway) {
    lookups();
    forwarding();
}
