// The memory manager and the expandable arrays against the C heap and std::vector.
//
// The runtime must zero new memory, overwrite released memory with 0xFF and check the chain links
// of every block it resizes or releases; where the peer does not, a "floor" benchmark does the
// peer's work plus that required work, so the table shows what the requirement itself costs.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "bench/bench.h"
#include "memory/memory.h"

namespace {

using vt_bench::add_pair;
using vt_bench::goal;
using vt_bench::goal_kind;
using vt_bench::pair_spec;

size_t align8(size_t n) { return (n + 7) & ~size_t(7); }

/* A chain area's total on this build: the user data plus the 16-byte frame on 32-bit pointers,
 * 32 bytes on 64-bit ones. */
size_t chain_total(size_t n) { return align8(n) + (sizeof(void*) == 4 ? 16 : 32); }

void chain_blocks() {
    for (int size : {16, 64, 256, 1024, 4096}) {
        pair_spec spec{"getmem", "getmem/rlsmem vs malloc+memset/free", std::to_string(size) + " B", {}, 0,
                       "floor: malloc of the framed area, zeroing, 0xFF overwrite, free"};
        auto ours = [size](benchmark::State& state) {
            for (auto _ : state) {
                void* p = getmem(size, 0);
                benchmark::DoNotOptimize(p);
                rlsmem(p);
            }
        };
        auto peer = [size](benchmark::State& state) {
            for (auto _ : state) {
                void* p = std::malloc(size);
                std::memset(p, 0, size);
                benchmark::DoNotOptimize(p);
                std::free(p);
            }
        };
        // The C heap doing what a chain block must: zero the data, fill the whole frame with 0xFF on
        // release (the first and last 1,000 bytes from 4,000 bytes on).
        auto floor = [size](benchmark::State& state) {
            size_t total = chain_total(size);
            for (auto _ : state) {
                char* p = static_cast<char*>(std::malloc(total));
                std::memset(p, 0, size);
                benchmark::DoNotOptimize(p);
                if (total < 4000) {
                    std::memset(p, 0xFF, total);
                } else {
                    std::memset(p, 0xFF, 1000);
                    std::memset(p + total - 1000, 0xFF, 1000);
                }
                benchmark::ClobberMemory();
                std::free(p);
            }
        };
        add_pair(spec, ours, peer, floor);
    }
}

constexpr int RECORD = 312;   /* the file layer's records */
constexpr int LIVE = 1000;    /* records alive while the churn runs */

int record_clump() {
    static int id = register_clump("bench records", RECORD);
    return id;
}

/* Steady churn: LIVE records alive, each iteration releases the oldest and takes a new one. */
void clumps() {
    pair_spec churn{"clump", "getmem_clump/rlsmem vs malloc+memset/free, 1,000 live", "312 B",
                    {goal_kind::ratio_at_most, 0.7, 0}, 0, ""};
    auto ours = [](benchmark::State& state) {
        int id = record_clump();
        std::vector<void*> live(LIVE);
        for (void*& p : live) p = getmem_clump(id);
        size_t i = 0;
        for (auto _ : state) {
            rlsmem(live[i]);
            live[i] = getmem_clump(id);
            benchmark::DoNotOptimize(live[i]);
            if (++i == LIVE) i = 0;
        }
        for (void* p : live) rlsmem(p);
    };
    auto peer = [](benchmark::State& state) {
        std::vector<void*> live(LIVE);
        for (void*& p : live) p = std::calloc(1, RECORD);
        size_t i = 0;
        for (auto _ : state) {
            std::free(live[i]);
            live[i] = std::malloc(RECORD);
            std::memset(live[i], 0, RECORD);
            benchmark::DoNotOptimize(live[i]);
            if (++i == LIVE) i = 0;
        }
        for (void* p : live) std::free(p);
    };
    add_pair(churn, ours, peer);

    /* A burst: 1,000 records taken and all released again (chunks come and go). */
    pair_spec burst{"clump_burst", "getmem_clump/rlsmem vs malloc+memset/free, 1,000 then all released",
                    "312 B", {goal_kind::ratio_at_most, 0.7, 0}, 0, ""};
    auto ours_burst = [](benchmark::State& state) {
        int id = record_clump();
        std::vector<void*> live(LIVE);
        for (auto _ : state) {
            for (void*& p : live) p = getmem_clump(id);
            benchmark::DoNotOptimize(live.data());
            for (void* p : live) rlsmem(p);
        }
        state.SetItemsProcessed(state.iterations() * LIVE);
    };
    auto peer_burst = [](benchmark::State& state) {
        std::vector<void*> live(LIVE);
        for (auto _ : state) {
            for (void*& p : live) {
                p = std::malloc(RECORD);
                std::memset(p, 0, RECORD);
            }
            benchmark::DoNotOptimize(live.data());
            for (void* p : live) std::free(p);
        }
        state.SetItemsProcessed(state.iterations() * LIVE);
    };
    add_pair(burst, ours_burst, peer_burst);
}

/* Growing one block 16 bytes at a time, as a buffer that is filled piece by piece. */
void growth() {
    for (int final_size : {1024, 65536}) {
        pair_spec spec{"relocmem", "relocmem growth by 16 B vs realloc+memset", "16 B to " + std::to_string(final_size) + " B",
                       {}, 0, ""};
        auto ours = [final_size](benchmark::State& state) {
            for (auto _ : state) {
                void* p = getmem(16, 0);
                for (int size = 32; size <= final_size; size += 16) p = relocmem(p, size, 0);
                benchmark::DoNotOptimize(p);
                rlsmem(p);
            }
        };
        auto peer = [final_size](benchmark::State& state) {
            for (auto _ : state) {
                char* p = static_cast<char*>(std::calloc(1, 16));
                for (int size = 32; size <= final_size; size += 16) {
                    p = static_cast<char*>(std::realloc(p, size));
                    std::memset(p + size - 16, 0, 16);
                }
                benchmark::DoNotOptimize(p);
                std::free(p);
            }
        };
        add_pair(spec, ours, peer);
    }
}

/* The least an array append the caller cannot inline must do: a call, the validity test of the
 * head and tail marks, the room test, the store and the new count. */
struct framed_ints {
    uint16_t head_mark;
    int* data;
    size_t capacity;
    uint16_t tail_mark;
    size_t count;
};
__attribute__((noinline)) int* framed_append(framed_ints* array, const int* value) {
    if (array->head_mark != 0x4858 || array->tail_mark != 0x5458 || array->count + 1 > array->capacity) return nullptr;
    int* slot = array->data + array->count++;
    *slot = *value;
    return slot;
}

void append_one() {
    for (int n : {1, 100, 10000, 500000}) {
        pair_spec spec{"xar_append1", "XAR_APPEND of one int vs vector::push_back", std::to_string(n) + " ints",
                       {goal_kind::ratio_at_most, 2.0, 0}, 0,
                       "floor: an out-of-line append testing two marks and the room, into memory already there"};
        auto ours = [n](benchmark::State& state) {
            void* check = XAR_ALLOC(0, sizeof(int), 16);
            for (int i = 0; i < n; ++i) XAR_APPEND(&check, 1, &i);
            vt_bench::require(XAR_COUNT(&check) == n && static_cast<int*>(check)[n - 1] == n - 1,
                              "XAR_APPEND of one int");
            XAR_FREE(&check);
            for (auto _ : state) {
                void* array = XAR_ALLOC(0, sizeof(int), 16);
                for (int i = 0; i < n; ++i) XAR_APPEND(&array, 1, &i);
                benchmark::DoNotOptimize(array);
                XAR_FREE(&array);
            }
            state.SetItemsProcessed(state.iterations() * n);
        };
        auto peer = [n](benchmark::State& state) {
            for (auto _ : state) {
                std::vector<int> v;
                for (int i = 0; i < n; ++i) v.push_back(i);
                benchmark::DoNotOptimize(v.data());
            }
            state.SetItemsProcessed(state.iterations() * n);
        };
        auto floor = [n](benchmark::State& state) {
            std::vector<int> storage(n);
            for (auto _ : state) {
                framed_ints array{0x4858, storage.data(), storage.size(), 0x5458, 0};
                for (int i = 0; i < n; ++i) framed_append(&array, &i);
                benchmark::DoNotOptimize(storage.data());
            }
        };
        add_pair(spec, ours, peer, floor);
    }
}

void append_many() {
    for (int batches : {1, 100}) {
        pair_spec spec{"xar_append1000", "XAR_APPEND of 1,000 ints at once vs vector::insert",
                       std::to_string(batches) + " × 1,000", {goal_kind::ratio_at_most, 1.0, 0}, 0, ""};
        static std::vector<int> source(1000);
        for (int i = 0; i < 1000; ++i) source[i] = i * 7;
        auto ours = [batches](benchmark::State& state) {
            void* check = XAR_ALLOC(0, sizeof(int), 16);
            for (int b = 0; b < batches; ++b) XAR_APPEND(&check, 1000, source.data());
            vt_bench::require(XAR_COUNT(&check) == batches * 1000 &&
                                  std::memcmp(static_cast<int*>(check) + (batches - 1) * 1000, source.data(), 4000) == 0,
                              "XAR_APPEND of 1,000 ints");
            XAR_FREE(&check);
            for (auto _ : state) {
                void* array = XAR_ALLOC(0, sizeof(int), 16);
                for (int b = 0; b < batches; ++b) XAR_APPEND(&array, 1000, source.data());
                benchmark::DoNotOptimize(array);
                XAR_FREE(&array);
            }
        };
        auto peer = [batches](benchmark::State& state) {
            for (auto _ : state) {
                std::vector<int> v;
                for (int b = 0; b < batches; ++b) v.insert(v.end(), source.begin(), source.end());
                benchmark::DoNotOptimize(v.data());
            }
        };
        add_pair(spec, ours, peer);
    }
}

void insert_front() {
    for (int n : {100, 1000, 10000}) {
        pair_spec spec{"xar_insert0", "xar_insert of one int at the front vs vector::insert at begin",
                       std::to_string(n) + " ints", {}, 0, ""};
        auto ours = [n](benchmark::State& state) {
            void* check = XAR_ALLOC(0, sizeof(int), 16);
            for (int i = 0; i < n; ++i) xar_insert(&check, 0, 1, &i);
            vt_bench::require(static_cast<int*>(check)[0] == n - 1 && static_cast<int*>(check)[n - 1] == 0,
                              "xar_insert at the front");
            XAR_FREE(&check);
            for (auto _ : state) {
                void* array = XAR_ALLOC(0, sizeof(int), 16);
                for (int i = 0; i < n; ++i) xar_insert(&array, 0, 1, &i);
                benchmark::DoNotOptimize(array);
                XAR_FREE(&array);
            }
        };
        auto peer = [n](benchmark::State& state) {
            for (auto _ : state) {
                std::vector<int> v;
                for (int i = 0; i < n; ++i) v.insert(v.begin(), i);
                benchmark::DoNotOptimize(v.data());
            }
        };
        add_pair(spec, ours, peer);
    }
}

}  // namespace

VT_BENCH_PAIRS(memory) {
    chain_blocks();
    clumps();
    growth();
    append_one();
    append_many();
    insert_front();
}
