/* Ordered containers: a red-black tree with a per-tree node pool, a bisection search over sorted
 * arrays and an in-place quicksort of pointer arrays.  Everything orders items only through the
 * caller's comparison; items are stored by pointer and never owned.
 *
 * The tree keeps the red-black properties:
 *   1. every node is red or black, and the root is black;
 *   2. a red node has no red child;
 *   3. every path from a node down to a missing child passes the same number of black nodes.
 * Searches call compare(key, node item); insertion calls compare(node item, new item).
 *
 * Nodes come from an xarray of block records.  Blocks hold 512 nodes by default and double up to
 * 6,553; returned nodes form a free list per block (the index of the next free node is kept in
 * the node's first word) and are reused before a new block is made. */
#include <stdint.h>
#include <string.h>

#include "frame/report.h"
#include "memory/memory.h"

namespace {

/* Pool blocks: the first holds DEFAULT_BLOCK nodes unless the tree asks for another count, and
 * each later block twice the last one's, up to LARGEST_BLOCK nodes (65,535 / 10, rounded down):
 * 512, 1,024, 2,048, 4,096, then 6,553 each. */
constexpr int DEFAULT_BLOCK = 512;
constexpr int LARGEST_BLOCK = 6553;
constexpr unsigned BLACK = 1;
constexpr unsigned RED = 0;
constexpr int INSERTION_RANGE = 9;   /* ranges with last - first below this use insertion */
constexpr int MASKED_SEARCH_FROM = 1024;   /* arrays this long are searched without a branch on the answer */

struct pool_block {
    int32_t capacity;         /* nodes the block holds */
    int32_t used;             /* nodes handed out so far (high-water mark) */
    btree_node* storage;      /* room for capacity nodes */
    int32_t free_head;        /* first returned node, -1 when none */
};

pool_block* blocks_of(btree* tree) { return static_cast<pool_block*>(tree->node_pool); }

int next_free_of(btree_node* node) {
    int32_t index;
    memcpy(&index, node, sizeof index);
    return index;
}

btree_node* take_node(btree* tree) {
    int count = XAR_COUNT(&tree->node_pool);
    pool_block* blocks = blocks_of(tree);
    for (int i = count - 1; i >= 0; --i) {
        if (blocks[i].free_head == -1) continue;
        btree_node* node = blocks[i].storage + blocks[i].free_head;
        blocks[i].free_head = next_free_of(node);
        memset(node, 0, sizeof *node);
        return node;
    }
    pool_block& last = blocks[count - 1];
    if (last.used < last.capacity) return last.storage + last.used++;
    int capacity = last.capacity * 2 < LARGEST_BLOCK ? last.capacity * 2 : LARGEST_BLOCK;
    pool_block added = {capacity, 1, static_cast<btree_node*>(getmem(capacity * static_cast<int>(sizeof(btree_node)), 0)), -1};
    XAR_APPEND(&tree->node_pool, 1, &added);
    return added.storage;
}

/* A node the pool does not recognise is silently not taken back. */
void return_node(btree* tree, btree_node* node) {
    pool_block* blocks = blocks_of(tree);
    for (int i = XAR_COUNT(&tree->node_pool) - 1; i >= 0; --i) {
        pool_block& block = blocks[i];
        const char* start = reinterpret_cast<const char*>(block.storage);
        const char* at = reinterpret_cast<const char*>(node);
        if (at < start || at >= start + block.capacity * sizeof(btree_node)) continue;
        size_t offset = static_cast<size_t>(at - start);
        if (offset % sizeof(btree_node) != 0) return;
        int32_t index = static_cast<int32_t>(offset / sizeof(btree_node));
        if (index >= block.used) return;
        memset(node, 0, sizeof *node);
        memcpy(node, &block.free_head, sizeof block.free_head);
        block.free_head = index;
        return;
    }
}

unsigned colour_of(const btree_node* node) { return node == nullptr ? BLACK : node->colour; }

/* Points the parent's child slot (or the root) that held `old` at `replacement`. */
void replace_child(btree* tree, btree_node* parent, btree_node* old, btree_node* replacement) {
    if (parent == nullptr) tree->root = replacement;
    else if (parent->left == old) parent->left = replacement;
    else parent->right = replacement;
}

/*      x              y
 *     / \            / \
 *    a   y    =>    x   c
 *       / \        / \
 *      b   c      a   b      */
void rotate_left(btree* tree, btree_node* x) {
    btree_node* y = x->right;
    x->right = y->left;
    if (y->left != nullptr) y->left->parent = x;
    y->parent = x->parent;
    replace_child(tree, x->parent, x, y);
    y->left = x;
    x->parent = y;
}

void rotate_right(btree* tree, btree_node* x) {
    btree_node* y = x->left;
    x->left = y->right;
    if (y->right != nullptr) y->right->parent = x;
    y->parent = x->parent;
    replace_child(tree, x->parent, x, y);
    y->right = x;
    x->parent = y;
}

/* Loop invariant: node is red; only a red parent can break property 2. */
void insert_repair(btree* tree, btree_node* node) {
    while (node != tree->root && node->parent->colour == RED) {
        btree_node* parent = node->parent;
        btree_node* grand = parent->parent;   /* exists: a red parent is never the root */
        bool parent_left = parent == grand->left;
        btree_node* uncle = parent_left ? grand->right : grand->left;
        if (colour_of(uncle) == RED) {
            /* Push the blackness down from the grandparent and go on from there. */
            parent->colour = BLACK;
            uncle->colour = BLACK;
            grand->colour = RED;
            node = grand;
            continue;
        }
        if (parent_left && node == parent->right) {
            node = parent;
            rotate_left(tree, node);
        } else if (!parent_left && node == parent->left) {
            node = parent;
            rotate_right(tree, node);
        }
        node->parent->colour = BLACK;
        grand->colour = RED;
        if (parent_left) rotate_right(tree, grand);
        else rotate_left(tree, grand);
    }
    tree->root->colour = BLACK;
}

/* x carries an extra black; w is its sibling.  Ends at a node that can absorb the black. */
void delete_repair(btree* tree, btree_node* x) {
    while (x != tree->root && x->parent != nullptr && x->colour == BLACK) {
        btree_node* parent = x->parent;
        bool x_left = x == parent->left;
        btree_node* w = x_left ? parent->right : parent->left;
        if (colour_of(w) == RED) {
            w->colour = BLACK;
            parent->colour = RED;
            if (x_left) rotate_left(tree, parent);
            else rotate_right(tree, parent);
            w = x_left ? parent->right : parent->left;
        }
        btree_node* near = x_left ? w->left : w->right;
        btree_node* far = x_left ? w->right : w->left;
        if (colour_of(near) == BLACK && colour_of(far) == BLACK) {
            w->colour = RED;
            x = parent;
            continue;
        }
        if (colour_of(far) == BLACK) {
            near->colour = BLACK;
            w->colour = RED;
            if (x_left) rotate_right(tree, w);
            else rotate_left(tree, w);
            w = x_left ? parent->right : parent->left;
            far = x_left ? w->right : w->left;
        }
        w->colour = parent->colour;
        parent->colour = BLACK;
        if (far != nullptr) far->colour = BLACK;
        if (x_left) rotate_left(tree, parent);
        else rotate_right(tree, parent);
        x = tree->root;
    }
    x->colour = BLACK;
}

btree_node* leftmost(btree_node* node) {
    while (node != nullptr && node->left != nullptr) node = node->left;
    return node;
}

void print_subtree(btree_node* node, int depth, void (*print_item)(const void*)) {
    if (node == nullptr) return;
    print_subtree(node->right, depth + 1, print_item);
    msg_log_printf("%*s [%c] ", 3 * depth, " ", node->colour == BLACK ? 'B' : 'R');
    print_item(node->item);
    msg_log_printf("\n");
    print_subtree(node->left, depth + 1, print_item);
}

/* Sorts a[0] to a[last] by straight insertion, which keeps equal items in their order. */
void insertion_sort(void** a, int last, array_compare compare, void* extra) {
    for (int i = 1; i <= last; ++i) {
        void* moving = a[i];
        int j = i;
        while (j > 0 && compare(moving, a[j - 1], extra) < 0) {
            a[j] = a[j - 1];
            --j;
        }
        a[j] = moving;
    }
}

/* The halving of bsearch_array; Size is the element size when it is known at compile time (the
 * element's address is then a shift or a scaled index), 0 for any other size.  Masked chooses
 * the next range without a branch on the comparison's answer: on large arrays a mispredicted
 * branch costs more than the longer dependency, while on small ones the branch predictor
 * often learns the pattern of repeated searches. */
template <int Size, bool Masked>
int halve(int count, array_compare compare, int element_size, const void* key, const char* base, int* position,
          void* extra) {
    const size_t step = Size != 0 ? static_cast<size_t>(Size) : static_cast<size_t>(element_size);
    /* The range [low, high] is kept as low and its length: the middle, low + (high - low) / 2,
     * is low + (length - 1) / 2.  When the range is empty, low is where the key belongs: the last
     * middle plus 1 after a positive comparison, the last middle after a negative one. */
    int low = 0, length = count;
    while (length > 0) {
        int half = (length - 1) >> 1;
        int middle = low + half;
        const char* element = base + static_cast<size_t>(middle) * step;
        /* Both elements the next round may compare are fetched while this comparison runs (a
         * fetch outside the array is harmless: it is only a hint). */
        uintptr_t at = reinterpret_cast<uintptr_t>(base);
        __builtin_prefetch(reinterpret_cast<const void*>(at + static_cast<size_t>(low + ((half - 1) >> 1)) * step));
        __builtin_prefetch(reinterpret_cast<const void*>(at + static_cast<size_t>(middle + 1 + ((length - half - 2) >> 1)) * step));
        int order = compare(key, element, extra);
        if (order == 0) {
            *position = middle;
            return 1;
        }
        if (Masked) {
            /* Both bounds by arithmetic on a mask (-1 to go right, 0 to go left), without a
             * branch on the answer. */
            int right = -static_cast<int>(order > 0);
            low += (half + 1) & right;
            length = half + ((length - 2 * half - 1) & right);
        } else if (order > 0) {
            low = middle + 1;
            length -= half + 1;
        } else {
            length = half;
        }
    }
    *position = low;
    return 0;
}


}  // namespace

extern "C" {

btree* create_btree(int initial_count) {
    int capacity = initial_count <= 0 ? DEFAULT_BLOCK : initial_count;
    if (capacity > LARGEST_BLOCK) capacity = LARGEST_BLOCK;
    btree* tree = static_cast<btree*>(getmem(sizeof(btree), 0));
    tree->root = nullptr;
    tree->node_pool = XAR_ALLOC(1, sizeof(pool_block), 5);
    pool_block& first = blocks_of(tree)[0];
    first.capacity = capacity;
    first.used = 0;
    first.storage = static_cast<btree_node*>(getmem(capacity * static_cast<int>(sizeof(btree_node)), 0));
    first.free_head = -1;
    return tree;
}

void destroy_btree(btree* tree) {
    if (tree == nullptr) return;
    pool_block* blocks = blocks_of(tree);
    for (int i = 0; i < XAR_COUNT(&tree->node_pool); ++i) rlsmem(blocks[i].storage);
    XAR_FREE(&tree->node_pool);
    rlsmem(tree);
}

int insert_into_btree(btree* tree, btree_node** node, void* item, btree_compare compare) {
    btree_node* fresh = *node;
    btree_node* parent = nullptr;
    btree_node* next = tree->root;
    int order = 0;
    while (next != nullptr) {
        parent = next;
        /* The next node is one of the two children: both are read (and fetched) while the
         * comparison runs, so that its answer only picks one of two values already at hand. */
        btree_node* left = parent->left;
        btree_node* right = parent->right;
        __builtin_prefetch(left);
        __builtin_prefetch(right);
        order = compare(parent->item, item);
        if (order == 0) return 0;
        next = order > 0 ? left : right;
    }
    btree_node** slot = parent == nullptr ? &tree->root : order > 0 ? &parent->left : &parent->right;
    fresh->parent = parent;
    fresh->left = fresh->right = nullptr;
    fresh->item = item;
    *slot = fresh;
    return 1;
}

btree_node* insert_into_balanced_btree(btree* tree, void* item, btree_compare compare) {
    btree_node* node = take_node(tree);
    node->item = item;
    if (!insert_into_btree(tree, &node, item, compare)) {
        return_node(tree, node);
        return nullptr;
    }
    node->colour = RED;
    insert_repair(tree, node);
    return node;
}

int delete_btree_node(btree* tree, btree_node* node) {
    btree_node* y = node->left == nullptr || node->right == nullptr ? node : next_btree_node(tree, node);
    btree_node* x = y->left != nullptr ? y->left : y->right;
    btree_node sentinel = {y->parent, nullptr, nullptr, nullptr, BLACK};
    btree_node* repair = x;
    if (x != nullptr) x->parent = y->parent;
    else if (y->parent != nullptr) repair = &sentinel;
    replace_child(tree, y->parent, y, y->parent == nullptr ? x : repair);
    if (y != node) node->item = y->item;
    if (y->colour == BLACK && repair != nullptr) delete_repair(tree, repair);
    if (repair == &sentinel) replace_child(tree, sentinel.parent, &sentinel, nullptr);
    return_node(tree, y);
    return 1;
}

btree_node* find_btree_node(btree* tree, const void* key, btree_compare compare) {
    btree_node* node = tree->root;
    while (node != nullptr) {
        int order = compare(key, node->item);
        if (order == 0) return node;
        node = order < 0 ? node->left : node->right;
    }
    return nullptr;
}

int find_btree_neighbours(btree* tree, const void* key, btree_compare compare, btree_node** found,
                          btree_node** below, btree_node** above) {
    btree_node* lower = nullptr;
    btree_node* upper = nullptr;
    for (btree_node* node = tree->root; node != nullptr;) {
        int order = compare(key, node->item);
        if (order == 0) {
            if (found != nullptr) *found = node;
            return 1;
        }
        if (order < 0) {
            upper = node;
            node = node->left;
        } else {
            lower = node;
            node = node->right;
        }
    }
    if (found != nullptr) *found = nullptr;
    if (below != nullptr) *below = lower;
    if (above != nullptr) *above = upper;
    return 0;
}

btree_node* next_btree_node(btree* tree, btree_node* node) {
    if (node == nullptr) return leftmost(tree->root);
    if (node->right != nullptr) return leftmost(node->right);
    while (node->parent != nullptr && node == node->parent->right) node = node->parent;
    return node->parent;
}

void print_btree(btree* tree, void (*print_item)(const void* item)) {
    print_subtree(tree->root, 0, print_item);
    msg_log_printf("\n\n");
}


int bsearch_array(int count, array_compare compare, int element_size, const void* key, void** array,
                  int* position, void* extra) {
    if (count <= 0) {
        *position = 0;
        return 0;
    }
    const char* base = static_cast<const char*>(*array);
    if (count >= MASKED_SEARCH_FROM) {
        switch (element_size) {
        case 4: return halve<4, true>(count, compare, element_size, key, base, position, extra);
        case 8: return halve<8, true>(count, compare, element_size, key, base, position, extra);
        default: return halve<0, true>(count, compare, element_size, key, base, position, extra);
        }
    }
    switch (element_size) {
    case 4: return halve<4, false>(count, compare, element_size, key, base, position, extra);
    case 8: return halve<8, false>(count, compare, element_size, key, base, position, extra);
    default: return halve<0, false>(count, compare, element_size, key, base, position, extra);
    }
}

void sort_pointers(int count, array_compare compare, void** a, void* extra) {
    /* Pointers rather than indexes: fewer values live across the comparison calls, so the scans
     * keep theirs in registers. An empty array (perhaps a null pointer) is left before any
     * pointer is formed from it. */
    if (count < 2) return;
    void** low = a;
    void** high = a + count - 1;
    while (high - low >= INSERTION_RANGE) {
        void* pivot = low[(high - low) / 2];
        void** i = low;
        void** j = high;
        /* The scans stop at the pivot itself, so they stay inside the range whatever the
         * comparison answers for equal items. */
        do {
            while (*i != pivot && compare(*i, pivot, extra) < 0) ++i;
            while (*j != pivot && compare(*j, pivot, extra) > 0) --j;
            if (i <= j) {
                void* swap = *i;
                *i = *j;
                *j = swap;
                ++i;
                --j;
            }
        } while (i <= j);
        /* [low, j] and [i, high] remain: recurse into the smaller, loop on the larger. */
        if (j - low < high - i) {
            if (low < j) sort_pointers(static_cast<int>(j - low + 1), compare, low, extra);
            low = i;
        } else {
            if (i < high) sort_pointers(static_cast<int>(high - i + 1), compare, i, extra);
            high = j;
        }
    }
    insertion_sort(low, static_cast<int>(high - low), compare, extra);
}

}
