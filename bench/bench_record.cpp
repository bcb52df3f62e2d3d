// What session recording costs while it is off: a hook and a command handler, which now test
// record_active once after their work, against the same work done as they did it before the
// recorder existed.  Goal: within 1.05 of the call without the test for a call of twenty cycles
// and more, within 1.25 for a call of a few; the floor (the call as before and a plain test of a
// flag after it) shows what the test itself costs.
#include <string.h>

#include "bench/bench.h"
#include "bench/host_table.h"
#include "bridge/bridge.h"
#include "bridge/record.h"
#include "pdmclient/vtpdm.h"
#include "support/fake_pdm.h"
#include "text/text.h"

namespace {

using vt_bench::add_pair;
using vt_bench::goal_kind;

/* The hooks and the handler as they were: the same steps, no flag. */
__attribute__((noinline)) int after_open_as_before(model_record* model) {
    char key[BRIDGE_KEY_SIZE];
    if (bridge_document_key(model, key) == 0) AfterOpen(key);
    return 0;
}

__attribute__((noinline)) int ignore_as_before(void) {
    benchmark::ClobberMemory();
    return 0;
}

__attribute__((noinline)) int about_as_before(int, void*, void*) { return About(); }

/* The floors: the same steps and a plain test of a flag that is never set after them. */
__attribute__((noinline)) int after_open_plain(model_record* model) {
    char key[BRIDGE_KEY_SIZE];
    const char* argument = nullptr;
    int answer = 0;
    if (bridge_document_key(model, key) == 0) {
        argument = key;
        answer = AfterOpen(key);
    }
    if (vt_bench::plain_record_flag) vt_bench::plain_record_note(argument, answer);
    return 0;
}

__attribute__((noinline)) int ignore_plain(void) {
    benchmark::ClobberMemory();
    if (vt_bench::plain_record_flag) vt_bench::plain_record_note(nullptr, 0);
    return 0;
}

__attribute__((noinline)) int about_plain(int, void*, void*) {
    int answer = About();
    if (vt_bench::plain_record_flag) vt_bench::plain_record_note("About", answer);
    return answer;
}

void record_off_pairs() {
    struct pair {
        const char* id;
        const char* label;
        int (*ours)();
        int (*peer)();
        int (*floor)();
        size_t calls;          /* client-library calls per run: every side makes the same */
        double limit;          /* the goal: ours within this share of the call as before */
    };
    /* The test of a flag after the work should vanish against the work: one more load, test and
     * branch (about a cycle) is within 5 % of a call of about twenty cycles, such as a hook that
     * names a model, and within 25 % of a call of five to ten cycles, such as the hook that only
     * returns or the handler that makes one library call; finer limits than that on a call of two
     * nanoseconds would judge the timer's noise, not the code. */
    constexpr double long_call = 1.05, short_call = 1.25;
    static const pair pairs[] = {
        {"record_off_hook_open", "VTNotifyAfterOpen, recording off vs the hook as before",
         [] { return VTNotifyAfterOpen(&vt_bench::bench_model()); },
         [] { return after_open_as_before(&vt_bench::bench_model()); },
         [] { return after_open_plain(&vt_bench::bench_model()); }, 1, long_call},
        {"record_off_hook_regenerate", "VTNotifyIgnore (type 3), recording off vs the hook as before",
         [] { return VTNotifyIgnore(); }, [] { return ignore_as_before(); }, [] { return ignore_plain(); }, 0,
         short_call},
        {"record_off_command", "VTCmdAbout, recording off vs the handler as before",
         [] { return VTCmdAbout(0, nullptr, nullptr); }, [] { return about_as_before(0, nullptr, nullptr); },
         [] { return about_plain(0, nullptr, nullptr); }, 1, short_call},
    };
    for (const pair& p : pairs) {
        auto side = [&p](int (*run)()) {
            return [&p, run](benchmark::State& state) {
                lang_set(0);
                record_active = 0;
                fake_pdm::reset();
                run();
                vt_bench::require(fake_pdm::calls.size() == p.calls, "both sides make the same client-library calls");
                vt_bench::time_counted(state, run, p.calls);
            };
        };
        add_pair({p.id, p.label, "1 call", {goal_kind::ours_over_peer, p.limit}, 0,
                  "the flag test of the recorder; floor: the call as before and a plain flag test after it"},
                 side(p.ours), side(p.peer), side(p.floor));
    }
}

}  // namespace

void vt_bench::time_counted(benchmark::State& state, int (*run)(), size_t calls) {
    fake_pdm::count_only = true;
    fake_pdm::reset();
    for (auto _ : state) benchmark::DoNotOptimize(run());
    fake_pdm::count_only = false;
    vt_bench::require(fake_pdm::counted == calls * static_cast<size_t>(state.iterations()),
                      "every timed call reached the client library");
}

VT_BENCH_PAIRS(record) { record_off_pairs(); }
