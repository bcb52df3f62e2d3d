// The ordered containers against the standard library, every side ordering through the same
// out-of-line comparison function: the red-black tree against std::set, sort_pointers against
// std::sort and qsort, bsearch_array against std::lower_bound.
#include <algorithm>
#include <cstdlib>
#include <map>
#include <numeric>
#include <random>
#include <set>
#include <vector>

#include "bench/bench.h"
#include "memory/memory.h"

namespace {

using vt_bench::add_pair;
using vt_bench::goal_kind;
using vt_bench::pair_spec;

/* Items are ints reached by pointer, as the runtime's items are records reached by pointer. */
__attribute__((noinline)) int compare_items(const void* a, const void* b) {
    int x = *static_cast<const int*>(a), y = *static_cast<const int*>(b);
    return (x > y) - (x < y);
}
__attribute__((noinline)) int compare_array(const void* a, const void* b, void*) {
    int x = *static_cast<const int*>(a), y = *static_cast<const int*>(b);
    return (x > y) - (x < y);
}

/* std::set ordered by the same function, called through a pointer as the tree calls it. */
struct by_compare {
    btree_compare compare = compare_items;
    bool operator()(const int* a, const int* b) const { return compare(a, b) < 0; }
};
using item_set = std::set<const int*, by_compare>;

/* n distinct values and the same pointers in a second random order. */
struct items {
    std::vector<int> values;
    std::vector<const int*> order;       /* insertion order */
    std::vector<const int*> other;       /* look-up and delete order */
    explicit items(int n) : values(n) {
        std::mt19937 random(n);
        for (int i = 0; i < n; ++i) values[i] = i * 3 + 1;
        for (const int& v : values) order.push_back(&v);
        std::shuffle(order.begin(), order.end(), random);
        other = order;
        std::shuffle(other.begin(), other.end(), random);
    }
};

std::string size_text(int n) {
    switch (n) {
    case 1000: return "10^3 items";
    case 10000: return "10^4 items";
    case 100000: return "10^5 items";
    case 1000000: return "10^6 items";
    }
    return std::to_string(n) + " items";
}

/* Every tree operation is timed on a batch of at most 10,000 items against a container of n
 * items, so that the large sizes measure the operation at that size without minutes of set-up:
 * insert adds the batch to a container holding the other items (and the batch leaves again
 * untimed); delete removes the batch from the full container (and it comes back untimed); find
 * looks the batch up in the full container. */
constexpr int BATCH = 10000;

/* One tree and one set of n items per size, built once and shared by the four operations:
 * insert and delete take their batch out or put it back untimed and leave the content as they
 * found it.  Building the large ones takes seconds, far more than the operations timed on them. */
struct fixture {
    items it;
    btree* tree;
    item_set set;
    explicit fixture(int n) : it(n), tree(create_btree(0)), set(it.other.begin(), it.other.end()) {
        for (const int* item : it.other) insert_into_balanced_btree(tree, const_cast<int*>(item), compare_items);
    }
};

fixture& fixture_for(int n) {
    static std::map<int, fixture*> made;
    fixture*& f = made[n];
    if (f == nullptr) f = new fixture(n);
    return *f;
}

void tree_pairs() {
    for (int n : {1000, 10000, 100000, 1000000}) {
        std::string size = size_text(n);
        int batch = n < BATCH ? n : BATCH;
        auto insert_batch = [batch](btree* tree, const items& it) {
            for (int i = 0; i < batch; ++i) insert_into_balanced_btree(tree, const_cast<int*>(it.other[i]), compare_items);
        };
        auto delete_batch = [batch](btree* tree, const items& it) {
            for (int i = 0; i < batch; ++i) delete_btree_node(tree, find_btree_node(tree, it.other[i], compare_items));
        };
        auto set_insert_batch = [batch](item_set& set, const items& it) {
            for (int i = 0; i < batch; ++i) set.insert(it.other[i]);
        };
        auto set_erase_batch = [batch](item_set& set, const items& it) {
            for (int i = 0; i < batch; ++i) set.erase(it.other[i]);
        };
        add_pair({"tree_insert", "red-black tree insert vs std::set::insert", size, {goal_kind::ours_over_peer, 1.1}, 0, ""},
                 [=](benchmark::State& state) {
                     fixture& f = fixture_for(n);
                     delete_batch(f.tree, f.it);
                     for (auto _ : state) {
                         insert_batch(f.tree, f.it);
                         benchmark::DoNotOptimize(f.tree->root);
                         state.PauseTiming();
                         delete_batch(f.tree, f.it);
                         state.ResumeTiming();
                     }
                     insert_batch(f.tree, f.it);
                 },
                 [=](benchmark::State& state) {
                     fixture& f = fixture_for(n);
                     set_erase_batch(f.set, f.it);
                     for (auto _ : state) {
                         set_insert_batch(f.set, f.it);
                         benchmark::DoNotOptimize(f.set);
                         state.PauseTiming();
                         set_erase_batch(f.set, f.it);
                         state.ResumeTiming();
                     }
                     set_insert_batch(f.set, f.it);
                 });
        add_pair({"tree_find", "red-black tree find vs std::set::find", size, {goal_kind::ours_over_peer, 1.0}, 0, ""},
                 [=](benchmark::State& state) {
                     fixture& f = fixture_for(n);
                     for (const int* key : f.it.order)
                         vt_bench::require(find_btree_node(f.tree, key, compare_items)->item == key, "find_btree_node");
                     for (auto _ : state)
                         for (int i = 0; i < batch; ++i) benchmark::DoNotOptimize(find_btree_node(f.tree, f.it.order[i], compare_items));
                 },
                 [=](benchmark::State& state) {
                     fixture& f = fixture_for(n);
                     for (auto _ : state)
                         for (int i = 0; i < batch; ++i) benchmark::DoNotOptimize(f.set.find(f.it.order[i]));
                 });
        add_pair({"tree_walk", "red-black tree in-order walk vs std::set iteration", size, {}, 0, ""},
                 [=](benchmark::State& state) {
                     fixture& f = fixture_for(n);
                     int previous = -1, count = 0;
                     for (btree_node* node = next_btree_node(f.tree, nullptr); node; node = next_btree_node(f.tree, node)) {
                         int value = *static_cast<int*>(node->item);
                         vt_bench::require(value > previous, "next_btree_node order");
                         previous = value;
                         ++count;
                     }
                     vt_bench::require(count == n, "next_btree_node count");
                     for (auto _ : state)
                         for (btree_node* node = next_btree_node(f.tree, nullptr); node; node = next_btree_node(f.tree, node))
                             benchmark::DoNotOptimize(node->item);
                 },
                 [=](benchmark::State& state) {
                     fixture& f = fixture_for(n);
                     for (auto _ : state)
                         for (const int* item : f.set) benchmark::DoNotOptimize(item);
                 });
        add_pair({"tree_delete", "red-black tree find+delete vs std::set::erase", size, {}, 0, ""},
                 [=](benchmark::State& state) {
                     fixture& f = fixture_for(n);
                     for (auto _ : state) {
                         delete_batch(f.tree, f.it);
                         benchmark::DoNotOptimize(f.tree->root);
                         state.PauseTiming();
                         vt_bench::require(n != batch || f.tree->root == nullptr, "delete_btree_node empties the tree");
                         insert_batch(f.tree, f.it);
                         state.ResumeTiming();
                     }
                 },
                 [=](benchmark::State& state) {
                     fixture& f = fixture_for(n);
                     for (auto _ : state) {
                         set_erase_batch(f.set, f.it);
                         benchmark::DoNotOptimize(f.set);
                         state.PauseTiming();
                         set_insert_batch(f.set, f.it);
                         state.ResumeTiming();
                     }
                 });
    }
}

/* n pointers to random ints; every iteration sorts a fresh copy. */
struct shuffled {
    std::vector<int> values;
    std::vector<void*> pointers;
    explicit shuffled(int n) : values(n) {
        std::mt19937 random(n + 1);
        for (int& v : values) v = static_cast<int>(random() % (4u * n));   /* some equal values */
        for (int& v : values) pointers.push_back(&v);
    }
};

/* The floor of sort_pointers: the required quicksort written plainly (the middle element as the
 * pivot, scans that stop at the pivot itself, straight insertion below 9 elements, recursion into
 * the smaller part).  The middle pivot makes 5-8 % more comparisons than std::sort's median of
 * three on these arrays, and the comparisons are most of the time. */
__attribute__((noinline)) void plain_quicksort(void** a, int first, int last, array_compare compare) {
    while (last - first >= 9) {
        void* pivot = a[first + (last - first) / 2];
        int i = first, j = last;
        while (i <= j) {
            while (a[i] != pivot && compare(a[i], pivot, nullptr) < 0) ++i;
            while (a[j] != pivot && compare(a[j], pivot, nullptr) > 0) --j;
            if (i <= j) std::swap(a[i++], a[j--]);
        }
        if (j - first < last - i) {
            plain_quicksort(a, first, j, compare);
            first = i;
        } else {
            plain_quicksort(a, i, last, compare);
            last = j;
        }
    }
    for (int i = first + 1; i <= last; ++i) {
        void* moving = a[i];
        int j = i;
        for (; j > first && compare(moving, a[j - 1], nullptr) < 0; --j) a[j] = a[j - 1];
        a[j] = moving;
    }
}

int qsort_compare(const void* a, const void* b) {
    return compare_array(*static_cast<void* const*>(a), *static_cast<void* const*>(b), nullptr);
}

void sort_pairs() {
    for (int n : {100, 10000, 1000000}) {
        std::string size = std::to_string(n) + " pointers";
        auto ours = [n](benchmark::State& state) {
            shuffled s(n);
            std::vector<void*> work = s.pointers;
            sort_pointers(n, compare_array, work.data(), nullptr);
            vt_bench::require(std::is_sorted(work.begin(), work.end(),
                                             [](void* a, void* b) { return compare_array(a, b, nullptr) < 0; }),
                              "sort_pointers");
            for (auto _ : state) {
                work = s.pointers;
                sort_pointers(n, compare_array, work.data(), nullptr);
                benchmark::DoNotOptimize(work.data());
            }
        };
        auto by_std_sort = [n](benchmark::State& state) {
            shuffled s(n);
            std::vector<void*> work;
            array_compare compare = compare_array;
            benchmark::DoNotOptimize(compare);
            for (auto _ : state) {
                work = s.pointers;
                std::sort(work.begin(), work.end(), [compare](void* a, void* b) { return compare(a, b, nullptr) < 0; });
                benchmark::DoNotOptimize(work.data());
            }
        };
        auto by_qsort = [n](benchmark::State& state) {
            shuffled s(n);
            std::vector<void*> work;
            for (auto _ : state) {
                work = s.pointers;
                std::qsort(work.data(), work.size(), sizeof(void*), qsort_compare);
                benchmark::DoNotOptimize(work.data());
            }
        };
        auto floor = [n](benchmark::State& state) {
            shuffled s(n);
            std::vector<void*> work = s.pointers;
            array_compare compare = compare_array;
            benchmark::DoNotOptimize(compare);
            plain_quicksort(work.data(), 0, n - 1, compare);
            std::vector<void*> expected = s.pointers;
            sort_pointers(n, compare_array, expected.data(), nullptr);
            vt_bench::require(work == expected, "sort floor");
            for (auto _ : state) {
                work = s.pointers;
                plain_quicksort(work.data(), 0, n - 1, compare);
                benchmark::DoNotOptimize(work.data());
            }
        };
        add_pair({"sort_std", "sort_pointers vs std::sort", size, {goal_kind::ours_over_peer, 1.1}, 0,
                  "floor: the required quicksort written plainly (middle pivot, scans stopping at the pivot, "
                  "insertion below 9 elements)"},
                 ours, by_std_sort, floor);
        add_pair({"sort_qsort", "sort_pointers vs qsort", size, {}, 0, ""}, ours, by_qsort);
    }
}

/* The floor of bsearch_array: the required halving written plainly as a function of the same
 * arguments (a three-way comparison through the caller's function, the element size at run
 * time, the search stops on an equal answer). */
__attribute__((noipa)) int plain_halving(int n, array_compare compare, int element_size, const void* key, void** array,
                                         int* position, void* extra) {
    if (n <= 0) {
        *position = 0;
        return 0;
    }
    const char* base = static_cast<const char*>(*array);
    int low = 0, high = n - 1, middle = 0, order = 0;
    while (low <= high) {
        middle = low + (high - low) / 2;
        order = compare(key, base + static_cast<size_t>(middle) * static_cast<size_t>(element_size), extra);
        if (order == 0) {
            *position = middle;
            return 1;
        }
        if (order > 0) low = middle + 1;
        else high = middle - 1;
    }
    *position = order > 0 ? middle + 1 : middle;
    return 0;
}

using search_fn = int (*)(int, array_compare, int, const void*, void**, int*, void*);

/* n even ints and 4,096 keys, half of them missing. */
void make_search(int n, std::vector<int>& sorted, std::vector<int>& keys) {
    sorted.resize(n);
    for (int i = 0; i < n; ++i) sorted[i] = 2 * i;
    std::mt19937 random(n);
    keys.clear();
    for (int i = 0; i < 4096; ++i) keys.push_back(static_cast<int>(random() % (2u * n)));
}

/* A side that searches the keys with bsearch_array or its floor (a template argument, so that
 * each is called directly), after checking every answer against std::lower_bound. */
template <search_fn Search>
void time_search(benchmark::State& state, int n, const char* what) {
    std::vector<int> sorted, keys;
    make_search(n, sorted, keys);
    void* array = sorted.data();
    for (int key : keys) {
        int position = -1;
        int found = Search(n, compare_array, sizeof(int), &key, &array, &position, nullptr);
        auto it = std::lower_bound(sorted.begin(), sorted.end(), key);
        vt_bench::require(found == (it != sorted.end() && *it == key) && position == it - sorted.begin(), what);
    }
    for (auto _ : state)
        for (int key : keys) {
            int position;
            benchmark::DoNotOptimize(Search(n, compare_array, sizeof(int), &key, &array, &position, nullptr));
            benchmark::DoNotOptimize(position);
        }
}

void bsearch_pairs() {
    for (int n : {100, 10000, 1000000}) {
        std::string size = std::to_string(n) + " ints";
        add_pair({"bsearch", "bsearch_array vs std::lower_bound, 4,096 keys", size, {goal_kind::ours_over_peer, 1.05}, 0,
                  "floor: the required halving written plainly as a function of the same arguments (three-way "
                  "comparison, element size at run time, the search stops on an equal answer)"},
                 [n](benchmark::State& state) { time_search<bsearch_array>(state, n, "bsearch_array"); },
                 [n](benchmark::State& state) {
                     std::vector<int> sorted, keys;
                     make_search(n, sorted, keys);
                     array_compare compare = compare_array;
                     benchmark::DoNotOptimize(compare);
                     for (auto _ : state)
                         for (int key : keys) {
                             auto it = std::lower_bound(sorted.begin(), sorted.end(), key, [compare](const int& element, int k) {
                                 return compare(&element, &k, nullptr) < 0;
                             });
                             benchmark::DoNotOptimize(it);
                         }
                 },
                 [n](benchmark::State& state) { time_search<plain_halving>(state, n, "bsearch floor"); });
    }
}

}  // namespace

VT_BENCH_PAIRS(containers) {
    tree_pairs();
    sort_pairs();
    bsearch_pairs();
}
