// Registration of benchmark pairs: each file of bench/ adds its pairs with add_pair() from a
// VT_BENCH_PAIRS block, which main runs before the benchmarks.  main.cpp runs them, re-runs the noisy ones and
// writes the table (bench_table.h).
#ifndef VT_BENCH_H
#define VT_BENCH_H

#include <benchmark/benchmark.h>

#include <functional>
#include <vector>

#include "bench/bench_table.h"

namespace vt_bench {

using bench_fn = std::function<void(benchmark::State&)>;

// Every pair in the order the table lists them.
std::vector<pair_spec>& pair_specs();

// Registers "<id>/<size>/ours", ".../peer" and, when given, ".../floor".
void add_pair(const pair_spec& spec, bench_fn ours, bench_fn peer, bench_fn floor = nullptr);

// Stops the run when the two sides of a pair disagree on what they computed: a pair is only
// worth comparing when both do the same work.
void require(bool same, const char* what);

// The adders of every file; main calls them once the benchmark library is set up (not during
// static initialisation, when the runtime's own globals may not be ready).
std::vector<void (*)()>& pair_adders();

struct registrar {
    explicit registrar(void (*add)()) { pair_adders().push_back(add); }
};

}  // namespace vt_bench

#define VT_BENCH_PAIRS(name)                                              \
    static void vt_bench_pairs_##name();                                  \
    static vt_bench::registrar vt_bench_registrar_##name(vt_bench_pairs_##name); \
    static void vt_bench_pairs_##name()

#endif
