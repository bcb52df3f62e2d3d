// Registration of benchmark pairs: each file of bench/ adds its pairs with add_pair() from a
// VT_BENCH_PAIRS block, which main runs before the benchmarks.  main.cpp runs them, re-runs the noisy ones and
// writes the table (bench_table.h).
#ifndef VT_BENCH_H
#define VT_BENCH_H

#include <benchmark/benchmark.h>

#include <functional>
#include <string>
#include <vector>

#include "bench/bench_table.h"

namespace vt_bench {

using bench_fn = std::function<void(benchmark::State&)>;

// Every pair in the order the table lists them.
std::vector<pair_spec>& pair_specs();

// Registers "<id>/<size>/ours", ".../peer" and, when given, ".../floor" and ".../base"; stops the
// program when the pair's goals are no ratios of the sides it measures (goal_error).
void add_pair(pair_spec spec, bench_fn ours, bench_fn peer, bench_fn floor = nullptr, bench_fn base = nullptr);

// Registers "<id>/<size>/ours" alone (spec.solo is set); configure may set iterations or time.
void add_solo(pair_spec spec, bench_fn ours,
              std::function<void(benchmark::internal::Benchmark*)> configure = nullptr);

// A side that must be measured in the same process as ours (a start-up's own later calls): ours
// reports its total over the iterations, and it joins the pair as "<id>/<size>/<side>".
constexpr const char* SIDE_COUNTER_PREFIX = "side:";
void report_side(benchmark::State& state, const char* side, double total_ns);

// Runs `command` and returns what it printed on standard output (empty when it failed).
std::string output_of(const std::string& command);

// Stops the run when the two sides of a pair disagree on what they computed: a pair is only
// worth comparing when both do the same work.
void require(bool same, const char* what);

// Times `run` with the client-library stand-in counting its calls instead of recording their
// texts (the recording, heap strings of ~40 ns a call, was most of a hook's time and spread),
// then checks that each run made `calls` calls.
void time_counted(benchmark::State& state, int (*run)(), size_t calls);

// The adders of every file; main calls them once the benchmark library is set up (not during
// static initialisation, when the runtime's own globals may not be ready).
std::vector<void (*)()>& pair_adders();

struct registrar {
    explicit registrar(void (*add)()) { pair_adders().push_back(add); }
};

// Child modes: "vt_bench --vt-child=NAME" runs the function registered under NAME instead of the
// benchmarks, for what must be measured in a fresh process (start-up fills caches for good).
struct child_mode {
    const char* name;
    int (*run)();
};
std::vector<child_mode>& child_modes();

struct child_registrar {
    child_registrar(const char* name, int (*run)()) { child_modes().push_back({name, run}); }
};

}  // namespace vt_bench

#define VT_BENCH_CHILD(name)                                                   \
    static int vt_bench_child_##name();                                        \
    static vt_bench::child_registrar vt_bench_child_registrar_##name(#name, vt_bench_child_##name); \
    static int vt_bench_child_##name()

#define VT_BENCH_PAIRS(name)                                              \
    static void vt_bench_pairs_##name();                                  \
    static vt_bench::registrar vt_bench_registrar_##name(vt_bench_pairs_##name); \
    static void vt_bench_pairs_##name()

#endif
