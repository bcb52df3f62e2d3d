// Ordered containers: red-black invariants after every step of random traffic against std::set,
// the node pool's blocks, the printed form, bisection positions and the pointer sort.
#include <gtest/gtest.h>

#include <cstring>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "memory/memory.h"

namespace {

// The pool's block record as the tree keeps it in its xarray.
struct pool_block {
    int32_t capacity;
    int32_t used;
    btree_node* storage;
    int32_t free_head;
};

std::vector<int> block_capacities(btree* tree) {
    std::vector<int> out;
    auto* blocks = static_cast<pool_block*>(tree->node_pool);
    for (int i = 0; i < XAR_COUNT(&tree->node_pool); ++i) out.push_back(blocks[i].capacity);
    return out;
}
int nodes_used(btree* tree) {
    int used = 0;
    auto* blocks = static_cast<pool_block*>(tree->node_pool);
    for (int i = 0; i < XAR_COUNT(&tree->node_pool); ++i) used += blocks[i].used;
    return used;
}

int compare_int(const void* a, const void* b) {
    int x = *static_cast<const int*>(a), y = *static_cast<const int*>(b);
    return x < y ? -1 : x > y ? 1 : 0;
}
int value(const btree_node* node) { return *static_cast<const int*>(node->item); }

// Checks the tree's structure; returns the black height, or -1 with a reason.
int check_subtree(const btree_node* node, const btree_node* parent, std::vector<int>& keys, std::string& why) {
    if (node == nullptr) return 1;
    if (node->parent != parent) { why = "parent link"; return -1; }
    if (node->colour > 1) { why = "colour value"; return -1; }
    if (node->colour == 0 && ((node->left && node->left->colour == 0) || (node->right && node->right->colour == 0))) {
        why = "red node with a red child";
        return -1;
    }
    int left = check_subtree(node->left, node, keys, why);
    if (left < 0) return -1;
    keys.push_back(value(node));
    int right = check_subtree(node->right, node, keys, why);
    if (right < 0) return -1;
    if (left != right) { why = "black heights differ"; return -1; }
    return left + (node->colour == 1 ? 1 : 0);
}

::testing::AssertionResult tree_matches(btree* tree, const std::set<int>& model) {
    std::vector<int> keys;
    std::string why;
    if (tree->root != nullptr && tree->root->colour != 1) return ::testing::AssertionFailure() << "red root";
    if (check_subtree(tree->root, nullptr, keys, why) < 0) return ::testing::AssertionFailure() << why;
    if (keys != std::vector<int>(model.begin(), model.end())) return ::testing::AssertionFailure() << "items differ";
    std::vector<int> walked;
    for (btree_node* n = next_btree_node(tree, nullptr); n != nullptr; n = next_btree_node(tree, n))
        walked.push_back(value(n));
    if (walked != keys) return ::testing::AssertionFailure() << "next_btree_node order";
    return ::testing::AssertionSuccess();
}

std::vector<int> values_0_to(int n) {
    std::vector<int> v(n);
    for (int i = 0; i < n; ++i) v[i] = i;
    return v;
}

}  // namespace

TEST(Btree, ThreeAscendingItemsBalanceAroundTheMiddle) {
    auto items = values_0_to(4);
    btree* tree = create_btree(0);
    insert_into_balanced_btree(tree, &items[1], compare_int);
    insert_into_balanced_btree(tree, &items[2], compare_int);
    insert_into_balanced_btree(tree, &items[3], compare_int);
    ASSERT_NE(tree->root, nullptr);
    EXPECT_EQ(value(tree->root), 2);
    EXPECT_EQ(tree->root->colour, 1u);
    ASSERT_NE(tree->root->left, nullptr);
    ASSERT_NE(tree->root->right, nullptr);
    EXPECT_EQ(value(tree->root->left), 1);
    EXPECT_EQ(tree->root->left->colour, 0u);
    EXPECT_EQ(value(tree->root->right), 3);
    EXPECT_EQ(tree->root->right->colour, 0u);

    testing::internal::CaptureStdout();
    print_btree(tree, [](const void* item) { printf("%d", *static_cast<const int*>(item)); });
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "    [R] 3\n  [B] 2\n    [R] 1\n\n\n");
    destroy_btree(tree);
}

TEST(Btree, EqualItemsAreRefusedAndTheirNodeIsReused) {
    auto items = values_0_to(3);
    int twin = 1;
    btree* tree = create_btree(0);
    ASSERT_NE(insert_into_balanced_btree(tree, &items[1], compare_int), nullptr);
    int used = nodes_used(tree);
    EXPECT_EQ(insert_into_balanced_btree(tree, &twin, compare_int), nullptr);
    EXPECT_EQ(find_btree_node(tree, &twin, compare_int)->item, &items[1]);
    EXPECT_EQ(nodes_used(tree), used + 1);  // taken, then returned to the free list
    insert_into_balanced_btree(tree, &items[2], compare_int);
    EXPECT_EQ(nodes_used(tree), used + 1);  // the returned node served the next insertion
    EXPECT_TRUE(tree_matches(tree, {1, 2}));
    destroy_btree(tree);
}

TEST(Btree, DeletionKeepsTheNodeWithTheSuccessorsItem) {
    auto items = values_0_to(10);
    btree* tree = create_btree(0);
    for (int k : {5, 2, 8, 1, 3, 7, 9}) insert_into_balanced_btree(tree, &items[k], compare_int);
    btree_node* five = find_btree_node(tree, &items[5], compare_int);
    ASSERT_NE(five->left, nullptr);
    ASSERT_NE(five->right, nullptr);
    EXPECT_EQ(delete_btree_node(tree, five), 1);
    EXPECT_EQ(value(five), 7);
    EXPECT_EQ(find_btree_node(tree, &items[7], compare_int), five);
    EXPECT_EQ(find_btree_node(tree, &items[5], compare_int), nullptr);
    EXPECT_TRUE(tree_matches(tree, {1, 2, 3, 7, 8, 9}));
    destroy_btree(tree);
}

TEST(Btree, EmptyingAndRefillingTheTree) {
    auto items = values_0_to(3);
    btree* tree = create_btree(0);
    EXPECT_EQ(next_btree_node(tree, nullptr), nullptr);
    btree_node* only = insert_into_balanced_btree(tree, &items[1], compare_int);
    EXPECT_EQ(next_btree_node(tree, only), nullptr);
    delete_btree_node(tree, only);
    EXPECT_EQ(tree->root, nullptr);
    btree_node* again = insert_into_balanced_btree(tree, &items[2], compare_int);
    EXPECT_EQ(again, only);  // the returned node comes back first
    EXPECT_EQ(tree->root, again);
    EXPECT_EQ(again->colour, 1u);
    EXPECT_EQ(again->parent, nullptr);
    EXPECT_EQ(again->left, nullptr);
    destroy_btree(tree);
}

TEST(Btree, NeighboursOfMissingKeys) {
    auto items = values_0_to(100);
    btree* tree = create_btree(0);
    for (int k = 10; k <= 50; k += 10) insert_into_balanced_btree(tree, &items[k], compare_int);
    btree_node *found = nullptr, *below = nullptr, *above = nullptr;
    EXPECT_EQ(find_btree_neighbours(tree, &items[5], compare_int, &found, &below, &above), 0);
    EXPECT_EQ(below, nullptr);
    ASSERT_NE(above, nullptr);
    EXPECT_EQ(value(above), 10);
    EXPECT_EQ(find_btree_neighbours(tree, &items[99], compare_int, &found, &below, &above), 0);
    EXPECT_EQ(value(below), 50);
    EXPECT_EQ(above, nullptr);
    EXPECT_EQ(find_btree_neighbours(tree, &items[30], compare_int, &found, nullptr, nullptr), 1);
    EXPECT_EQ(value(found), 30);
    EXPECT_EQ(find_btree_neighbours(tree, &items[31], compare_int, nullptr, &below, &above), 0);
    EXPECT_EQ(value(below), 30);
    EXPECT_EQ(value(above), 40);
    // Every out address is optional: the answer alone, found or not.
    EXPECT_EQ(find_btree_neighbours(tree, &items[40], compare_int, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(find_btree_neighbours(tree, &items[41], compare_int, nullptr, nullptr, nullptr), 0);
    above = nullptr;
    EXPECT_EQ(find_btree_neighbours(tree, &items[41], compare_int, nullptr, nullptr, &above), 0);
    EXPECT_EQ(value(above), 50);
    destroy_btree(tree);
    destroy_btree(nullptr);   // no tree: nothing to release
}

TEST(Btree, RandomTrafficKeepsTheInvariantsAfterEveryStep) {
    std::mt19937 rng(4242);
    auto items = values_0_to(600);
    int base = memory_chain_check();
    for (int round = 0; round < 3; ++round) {
        btree* tree = create_btree(round == 0 ? 0 : 4);  // small blocks exercise growth and reuse
        std::set<int> model;
        for (int step = 0; step < 8000; ++step) {
            int key = static_cast<int>(rng() % items.size());
            bool insert = rng() % 100 < (step < 4000 ? 60 : 40);
            if (insert) {
                btree_node* node = insert_into_balanced_btree(tree, &items[key], compare_int);
                ASSERT_EQ(node == nullptr, model.count(key) == 1) << step;
                if (node != nullptr) {
                    ASSERT_EQ(node->item, &items[key]);
                }
                model.insert(key);
            } else {
                btree_node* node = find_btree_node(tree, &items[key], compare_int);
                ASSERT_EQ(node != nullptr, model.count(key) == 1) << step;
                if (node != nullptr) {
                    EXPECT_EQ(delete_btree_node(tree, node), 1);
                    model.erase(key);
                }
            }
            ASSERT_TRUE(tree_matches(tree, model)) << "round " << round << " step " << step;
            int probe = static_cast<int>(rng() % 620) - 10;
            btree_node *found = nullptr, *below = nullptr, *above = nullptr;
            int hit = find_btree_neighbours(tree, &probe, compare_int, &found, &below, &above);
            auto at = model.lower_bound(probe);
            if (at != model.end() && *at == probe) {
                ASSERT_EQ(hit, 1);
                ASSERT_EQ(value(found), probe);
            } else {
                ASSERT_EQ(hit, 0);
                ASSERT_EQ(above == nullptr ? -1 : value(above), at == model.end() ? -1 : *at);
                ASSERT_EQ(below == nullptr ? -1 : value(below), at == model.begin() ? -1 : *std::prev(at));
            }
        }
        // Every node ever in use came from the pool, and returned nodes were reused.
        EXPECT_LE(nodes_used(tree), static_cast<int>(items.size()) + 1);
        destroy_btree(tree);
    }
    EXPECT_EQ(memory_chain_check(), base);
}

TEST(BtreePool, BlocksDoubleUpTo6553Nodes) {
    std::vector<int> items = values_0_to(512 + 1024 + 2048 + 4096 + 6553 + 1);
    btree* tree = create_btree(0);
    EXPECT_EQ(block_capacities(tree), (std::vector<int>{512}));
    for (size_t i = 0; i < 512; ++i) insert_into_balanced_btree(tree, &items[i], compare_int);
    EXPECT_EQ(block_capacities(tree), (std::vector<int>{512}));
    for (size_t i = 512; i < items.size(); ++i) insert_into_balanced_btree(tree, &items[i], compare_int);
    EXPECT_EQ(block_capacities(tree), (std::vector<int>{512, 1024, 2048, 4096, 6553, 6553}));
    // Every node is still reachable after the pool's array moved several times.
    int n = 0;
    for (btree_node* node = next_btree_node(tree, nullptr); node; node = next_btree_node(tree, node)) ASSERT_EQ(value(node), n++);
    EXPECT_EQ(n, static_cast<int>(items.size()));
    destroy_btree(tree);
    tree = create_btree(100000);
    EXPECT_EQ(block_capacities(tree), (std::vector<int>{6553}));
    destroy_btree(tree);
    tree = create_btree(3);
    for (int i = 0; i < 4; ++i) insert_into_balanced_btree(tree, &items[i], compare_int);
    EXPECT_EQ(block_capacities(tree), (std::vector<int>{3, 6}));
    destroy_btree(tree);
}

// ---- bisection -----------------------------------------------------------------------------

namespace {
int compare_int_extra(const void* a, const void* b, void* extra) {
    if (extra != nullptr) ++*static_cast<int*>(extra);
    int x = *static_cast<const int*>(a), y = *static_cast<const int*>(b);
    return x < y ? -1 : x > y ? 1 : 0;
}
}  // namespace

TEST(Bisection, PositionsInASmallArray) {
    int data[] = {10, 20, 30};
    void* array = data;
    int position = -1;
    int key = 20;
    EXPECT_EQ(bsearch_array(3, compare_int_extra, 4, &key, &array, &position, nullptr), 1);
    EXPECT_EQ(position, 1);
    const int misses[][2] = {{5, 0}, {15, 1}, {25, 2}, {35, 3}};
    for (const auto& m : misses) {
        EXPECT_EQ(bsearch_array(3, compare_int_extra, 4, &m[0], &array, &position, nullptr), 0) << m[0];
        EXPECT_EQ(position, m[1]) << m[0];
    }
    EXPECT_EQ(bsearch_array(0, compare_int_extra, 4, &key, &array, &position, nullptr), 0);
    EXPECT_EQ(position, 0);
}

TEST(Bisection, AgreesWithLowerBound) {
    std::mt19937 rng(9);
    for (int n = 1; n < 300; n += 7) {
        std::vector<int> sorted;
        for (int i = 0; i < n; ++i) sorted.push_back(static_cast<int>(rng() % 1000));
        std::sort(sorted.begin(), sorted.end());
        void* array = sorted.data();
        for (int key = -1; key <= 1001; key += 3) {
            int position = -1, calls = 0;
            int hit = bsearch_array(n, compare_int_extra, 4, &key, &array, &position, &calls);
            auto lb = std::lower_bound(sorted.begin(), sorted.end(), key);
            auto ub = std::upper_bound(sorted.begin(), sorted.end(), key);
            if (lb != ub) {
                ASSERT_EQ(hit, 1);
                ASSERT_EQ(sorted[position], key);  // any one of equal elements
            } else {
                ASSERT_EQ(hit, 0);
                ASSERT_EQ(position, lb - sorted.begin()) << n << " " << key;
            }
            ASSERT_LE(calls, 10);  // the extra argument arrives, and the search halves
        }
    }
}

// Elements wider than an int are found by their first int: the search steps by the element
// size it is given, whatever that size.
int compare_first_int(const void* key, const void* element, void*) {
    int a = *static_cast<const int*>(key), b;
    std::memcpy(&b, element, sizeof b);
    return (a > b) - (a < b);
}

// n elements of `size` bytes whose first ints are 0, step, 2 step, ... searched for every
// key from below the first to beyond the last: found exactly at the multiples of step, and the
// position where a missing key belongs.
void expect_search_by_first_int(int n, int size, int step) {
    std::vector<unsigned char> bytes(static_cast<size_t>(n) * size, 0xEE);
    for (int i = 0; i < n; ++i) {
        int value = step * i;
        std::memcpy(&bytes[static_cast<size_t>(i) * size], &value, sizeof value);
    }
    void* array = bytes.data();
    for (int key = -3; key <= step * n + 3; key += 3) {
        int position = -1;
        int hit = bsearch_array(n, compare_first_int, size, &key, &array, &position, nullptr);
        int expected = key <= 0 ? 0 : key >= step * n ? n : (key + step - 1) / step;
        ASSERT_EQ(hit, key >= 0 && key % step == 0 && key < step * n) << n << " " << size << " " << key;
        ASSERT_EQ(position, expected) << n << " " << size << " " << key;
    }
}

TEST(Bisection, StepsByTheElementSize) {
    for (int size : {1 * 4, 2 * 4, 3 * 4, 5 * 4}) expect_search_by_first_int(37, size, 10);
}

// Long arrays are searched another way (no branch on the comparison's answer): the same
// answers, at and around the length where the way changes, for int and wider elements.
TEST(Bisection, LongArraysGiveTheSameAnswers) {
    for (int n : {1023, 1024, 1025, 4099})
        for (int size : {4, 8, 12}) expect_search_by_first_int(n, size, 4);
}

// ---- pointer sort --------------------------------------------------------------------------

namespace {

std::vector<void*> pointers_to(std::vector<int>& values) {
    std::vector<void*> p;
    for (int& v : values) p.push_back(&v);
    return p;
}

void expect_sorted_like_std(std::vector<int> values, const char* what) {
    std::vector<void*> p = pointers_to(values);
    std::vector<void*> same = p;
    int calls = 0;
    sort_pointers(static_cast<int>(p.size()), compare_int_extra, p.data(), &calls);
    std::vector<int> got;
    for (void* q : p) got.push_back(*static_cast<int*>(q));
    std::vector<int> want = values;
    std::sort(want.begin(), want.end());
    ASSERT_EQ(got, want) << what << " n=" << values.size();
    std::sort(p.begin(), p.end());
    std::sort(same.begin(), same.end());
    ASSERT_EQ(p, same) << what << ": the pointers are a permutation";
    double n = static_cast<double>(values.size());
    ASSERT_LE(calls, 3 * n * std::log2(n + 2) + 100) << what << " n=" << values.size();
}

}  // namespace

TEST(PointerSort, RandomSortedReversedAndEqualInputsOfManySizes) {
    std::mt19937 rng(123);
    for (int n : {0, 1, 2, 3, 9, 10, 11, 12, 17, 100, 1000, 10007, 100000}) {
        std::vector<int> random(n), sorted(n), reversed(n), equal(n, 7), few(n);
        for (int i = 0; i < n; ++i) {
            random[i] = static_cast<int>(rng());
            sorted[i] = i;
            reversed[i] = n - i;
            few[i] = static_cast<int>(rng() % 3);
        }
        expect_sorted_like_std(random, "random");
        expect_sorted_like_std(sorted, "sorted");
        expect_sorted_like_std(reversed, "reversed");
        expect_sorted_like_std(equal, "equal");
        expect_sorted_like_std(few, "three values");
    }
}

// No array, or a count below two, is left as it is without a comparison.
TEST(PointerSort, NullOrShortArraysAreNotTouched) {
    int calls = 0;
    sort_pointers(0, compare_int_extra, nullptr, &calls);
    sort_pointers(-3, compare_int_extra, nullptr, &calls);
    int one = 1;
    void* single[1] = {&one};
    sort_pointers(1, compare_int_extra, single, &calls);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(single[0], &one);
}

TEST(PointerSort, RepeatedPointersAndShortRangesKeepEqualOrder) {
    int one = 1, two = 2;
    std::vector<void*> p;
    for (int i = 0; i < 5000; ++i) p.push_back(i % 3 ? &one : &two);  // the pivot pointer repeats
    sort_pointers(static_cast<int>(p.size()), compare_int_extra, p.data(), nullptr);
    EXPECT_TRUE(std::is_sorted(p.begin(), p.end(), [](void* a, void* b) {
        return *static_cast<int*>(a) < *static_cast<int*>(b);
    }));
    // Ranges of up to nine are sorted by straight insertion, which keeps equal items in order.
    std::vector<int> v = {3, 1, 2, 1, 3, 2, 1, 2, 3};
    std::vector<void*> q = pointers_to(v);
    sort_pointers(9, compare_int_extra, q.data(), nullptr);
    std::vector<void*> want = {&v[1], &v[3], &v[6], &v[2], &v[5], &v[7], &v[0], &v[4], &v[8]};
    EXPECT_EQ(q, want);
}
