// Red-black tree operations against std::set, with the tree's invariants checked after every
// step: order, parent links, a black root, no red node with a red child, equal black heights.
#include <cstdint>
#include <set>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "memory/memory.h"

namespace {

int compare(const void* a, const void* b) {
    intptr_t x = reinterpret_cast<intptr_t>(a), y = reinterpret_cast<intptr_t>(b);
    return x < y ? -1 : x > y ? 1 : 0;
}

// Black height of the subtree, checking everything on the way; counts nodes into *count.
int check(const btree_node* node, const btree_node* parent, intptr_t low, intptr_t high, size_t* count) {
    if (node == nullptr) return 1;
    intptr_t key = reinterpret_cast<intptr_t>(node->item);
    if (node->parent != parent || key <= low || key >= high) __builtin_trap();
    if (node->colour == 0 && ((node->left && node->left->colour == 0) || (node->right && node->right->colour == 0)))
        __builtin_trap();
    ++*count;
    int left = check(node->left, node, low, key, count);
    int right = check(node->right, node, key, high, count);
    if (left != right) __builtin_trap();
    return left + (node->colour == 1 ? 1 : 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    btree* tree = create_btree(in.byte() % 8);
    std::set<intptr_t> model;
    while (!in.empty()) {
        uint8_t op = in.byte() % 3;
        intptr_t key = in.byte() % 128 + 1;
        void* item = reinterpret_cast<void*>(key);
        if (op == 0) {
            btree_node* node = insert_into_balanced_btree(tree, item, compare);
            if ((node == nullptr) != (model.count(key) == 1)) __builtin_trap();
            model.insert(key);
        } else if (op == 1) {
            btree_node* node = find_btree_node(tree, item, compare);
            if ((node != nullptr) != (model.count(key) == 1)) __builtin_trap();
            if (node != nullptr) {
                delete_btree_node(tree, node);
                model.erase(key);
            }
        } else {
            btree_node *found = nullptr, *below = nullptr, *above = nullptr;
            int hit = find_btree_neighbours(tree, item, compare, &found, &below, &above);
            auto at = model.lower_bound(key);
            if (hit != (at != model.end() && *at == key)) __builtin_trap();
            if (!hit) {
                intptr_t want_above = at == model.end() ? 0 : *at;
                intptr_t want_below = at == model.begin() ? 0 : *std::prev(at);
                if ((above ? reinterpret_cast<intptr_t>(above->item) : 0) != want_above) __builtin_trap();
                if ((below ? reinterpret_cast<intptr_t>(below->item) : 0) != want_below) __builtin_trap();
            }
        }
        if (tree->root != nullptr && tree->root->colour != 1) __builtin_trap();
        size_t count = 0;
        check(tree->root, nullptr, INTPTR_MIN, INTPTR_MAX, &count);
        if (count != model.size()) __builtin_trap();
        std::vector<intptr_t> walk;
        for (btree_node* n = next_btree_node(tree, nullptr); n != nullptr; n = next_btree_node(tree, n))
            walk.push_back(reinterpret_cast<intptr_t>(n->item));
        if (walk != std::vector<intptr_t>(model.begin(), model.end())) __builtin_trap();
    }
    destroy_btree(tree);
    return 0;
}
