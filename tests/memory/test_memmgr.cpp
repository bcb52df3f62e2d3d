// The memory manager: chain blocks (framing, linking, resizing, release fill), clumps (slots,
// chunks, registry) and the fatal paths, the latter in child processes.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <random>
#include <vector>

#include "frame/report.h"
#include "memory/memory.h"
#include "memory/memory_internal.h"
#include "platform/platform.h"
#include "tests/support/child.h"

namespace {

using vt_test::ChildEnv;
using vt_test::run_child;

const ChildEnv clean = {{"ALLOW_CRASH", std::nullopt}, {"PRO_EXPECTED_EXIT_STATUS", std::nullopt}};
const char* const fatal_stop = "Serious internal error; cannot continue.\n";

size_t align8(size_t n) { return (n + 7) & ~size_t(7); }

// Replaces entries of the platform table for one scope.
struct heap_override {
    platform_table saved = platform;
    ~heap_override() { platform = saved; }
};

int16_t word_before(void* p) {
    int16_t w;
    std::memcpy(&w, static_cast<char*>(p) - 4, sizeof w);
    return w;
}

}  // namespace

// ---- chain blocks -------------------------------------------------------------------------

VT_CHILD(chain_three_blocks) {
    // A fresh process: the chain holds exactly what this scenario makes.
    if (memory_chain_check() != 0) return 10;
    char* a = static_cast<char*>(getmem(16, 0));
    char* b = static_cast<char*>(getmem(16, 0));
    char* c = static_cast<char*>(getmem(16, 0));
    char* d = static_cast<char*>(getmem(16, 0));
    if (memory_chain_check() != 4) return 11;
    rlsmem(a);                                   // the first
    if (memory_chain_check() != 3) return 12;
    rlsmem(c);                                   // a middle one
    if (memory_chain_check() != 2) return 13;
    rlsmem(d);                                   // the last
    if (memory_chain_check() != 1) return 14;
    rlsmem(b);                                   // the only one
    if (memory_chain_check() != 0) return 15;
    char* e = static_cast<char*>(getmem(8, 0));  // the anchors work again after emptying
    if (memory_chain_check() != 1) return 16;
    rlsmem(e);
    return memory_chain_check() == 0 ? 0 : 17;
}

TEST(ChainBlocks, ReleasingFirstMiddleLastAndOnlyBlockKeepsTheChainConsistent) {
    auto r = run_child("chain_three_blocks", clean);
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exit_code, 0) << r.out;
}

TEST(ChainBlocks, SizesZeroAndOneAndAlignment) {
    EXPECT_EQ(getmem(0, 0), nullptr);
    int before = memory_chain_check();
    ASSERT_GE(before, 0);
    unsigned char* p = static_cast<unsigned char*>(getmem(1, 0));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 8, 0u);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(p[i], 0) << i;  // the whole aligned slot is zero
    EXPECT_EQ(memory_chain_check(), before + 1);
    EXPECT_EQ(rlsmem(p), 0);
    EXPECT_EQ(memory_chain_check(), before);
    EXPECT_EQ(rlsmem(nullptr), 0);
}

TEST(ChainBlocks, TheWordBeforeTheCallerPointerIsEvenForChainBlocks) {
    std::vector<void*> blocks;
    for (int i = 1; i < 300; i += 7) blocks.push_back(getmem(i, i & 1));
    for (void* p : blocks) {
        int16_t w = word_before(p);
        EXPECT_EQ(w % 2, 0);
        EXPECT_NE(w, 12345);
        EXPECT_NE(w, 12347);
        EXPECT_NE(w, 12349);
    }
    for (void* p : blocks) rlsmem(p);
}

TEST(ChainBlocks, GrowingKeepsContentsZeroesGrowthAndKeepsThePlace) {
    int before = memory_chain_check();
    char* a = static_cast<char*>(getmem(24, 0));
    char* b = static_cast<char*>(getmem(10, 0));
    char* c = static_cast<char*>(getmem(24, 0));
    std::memcpy(b, "0123456789", 10);
    b = static_cast<char*>(relocmem(b, 20, 0));
    EXPECT_EQ(std::memcmp(b, "0123456789", 10), 0);
    for (int i = 10; i < 20; ++i) EXPECT_EQ(b[i], 0) << i;
    EXPECT_EQ(memory_chain_check(), before + 3);
    // Releasing the neighbours runs the link check against the moved block.
    rlsmem(a);
    rlsmem(c);
    EXPECT_EQ(memory_chain_check(), before + 1);
    b = static_cast<char*>(relocmem(b, 5000, 0));
    EXPECT_EQ(std::memcmp(b, "0123456789", 10), 0);
    for (int i = 10; i < 5000; ++i) ASSERT_EQ(b[i], 0) << i;
    b = static_cast<char*>(relocmem(b, 3, 0));
    EXPECT_EQ(std::memcmp(b, "012", 3), 0);
    rlsmem(b);
    EXPECT_EQ(memory_chain_check(), before);
}

namespace {

platform_table real_heap = platform;
int allocs, reallocs;
size_t fake_usable;
void* counting_alloc(size_t n) { ++allocs; return real_heap.heap_alloc(n); }
void* counting_realloc(void* p, size_t n) { ++reallocs; return real_heap.heap_realloc(p, n); }
size_t reported_usable(void*) { return fake_usable; }

// Inspects every area on its way back to the heap: the user pointer of the block being released
// tells the head size, and with it the total.
char* releasing_user = nullptr;
size_t releasing_size = 0;
std::vector<unsigned char> released_copy;
void inspecting_free(void* area) {
    if (releasing_user != nullptr) {
        size_t head = static_cast<size_t>(releasing_user - static_cast<char*>(area));
        size_t total = align8(releasing_size) + 2 * head;
        released_copy.assign(static_cast<unsigned char*>(area), static_cast<unsigned char*>(area) + total);
        releasing_user = nullptr;
    }
    real_heap.heap_free(area);
}

}  // namespace

TEST(ChainBlocks, ResizeChoosesReallocOrMoveByTheUsableSize) {
    heap_override restore;
    platform.heap_alloc = counting_alloc;
    platform.heap_realloc = counting_realloc;
    platform.heap_usable_size = reported_usable;
    char* p = static_cast<char*>(getmem(40, 0));
    std::memset(p, 'x', 40);

    // Small new total, heap area too small: allocate, copy, release.
    fake_usable = 0;
    allocs = reallocs = 0;
    p = static_cast<char*>(relocmem(p, 200, 0));
    EXPECT_EQ(allocs, 1);
    EXPECT_EQ(reallocs, 0);
    // Small new total that fits the heap area: the heap's reallocation.
    fake_usable = 1 << 20;
    allocs = reallocs = 0;
    p = static_cast<char*>(relocmem(p, 300, 0));
    EXPECT_EQ(allocs, 0);
    EXPECT_EQ(reallocs, 1);
    // Large new total: always the heap's reallocation.
    fake_usable = 0;
    allocs = reallocs = 0;
    p = static_cast<char*>(relocmem(p, 2000, 0));
    EXPECT_EQ(allocs, 0);
    EXPECT_EQ(reallocs, 1);
    for (int i = 0; i < 40; ++i) ASSERT_EQ(p[i], 'x') << i;
    for (int i = 40; i < 2000; ++i) ASSERT_EQ(p[i], 0) << i;
    EXPECT_GE(memory_chain_check(), 1);
    rlsmem(p);
}

TEST(ChainBlocks, ReleasedAreasAreOverwrittenWithFF) {
    heap_override restore;
    platform.heap_free = inspecting_free;
    for (size_t size : {size_t(1), size_t(100), size_t(3000), size_t(3960)}) {
        char* p = static_cast<char*>(getmem(static_cast<int>(size), 0));
        std::memset(p, 0x11, size);
        releasing_user = p;
        releasing_size = size;
        rlsmem(p);
        ASSERT_FALSE(released_copy.empty());
        if (released_copy.size() >= 4000) continue;  // 64-bit frames push 3960 past the limit
        for (size_t i = 0; i < released_copy.size(); ++i) ASSERT_EQ(released_copy[i], 0xFF) << size << " " << i;
    }
    for (size_t size : {size_t(3990), size_t(8000)}) {
        char* p = static_cast<char*>(getmem(static_cast<int>(size), 0));
        std::memset(p, 0x11, size);
        releasing_user = p;
        releasing_size = size;
        rlsmem(p);
        size_t total = released_copy.size();
        ASSERT_GE(total, 4000u);
        for (size_t i = 0; i < 1000; ++i) ASSERT_EQ(released_copy[i], 0xFF) << i;
        for (size_t i = total - 1000; i < total; ++i) ASSERT_EQ(released_copy[i], 0xFF) << i;
        for (size_t i = 1000; i < total - 1000; ++i) ASSERT_NE(released_copy[i], 0xFF) << size << " " << i;
    }
}

// ---- fatal paths ---------------------------------------------------------------------------

VT_CHILD(corrupt_neighbour_release) {
    char* a = static_cast<char*>(getmem(16, 0));
    char* b = static_cast<char*>(getmem(16, 0));
    char* c = static_cast<char*>(getmem(16, 0));
    (void)a;
    std::memset(b + 16, 0x41, sizeof(void*));  // an overrun of b hits its next link
    rlsmem(c);
    return 0;
}
VT_CHILD(corrupt_neighbour_resize) {
    char* a = static_cast<char*>(getmem(16, 0));
    char* b = static_cast<char*>(getmem(16, 0));
    (void)b;
    std::memset(a + 16, 0x41, sizeof(void*));
    relocmem(b, 40, 0);
    return 0;
}
VT_CHILD(foreign_pointer_release) {
    static long long not_ours[8];
    rlsmem(&not_ours[4]);
    return 0;
}

TEST(ChainFatal, CorruptNeighbourLinkIsCaughtOnRelease) {
    auto r = run_child("corrupt_neighbour_release", clean);
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_EQ(r.out, std::string("rlsmem:  memory chain is corrupt\n") + fatal_stop);
}

TEST(ChainFatal, CorruptNeighbourLinkIsCaughtOnResize) {
    auto r = run_child("corrupt_neighbour_resize", clean);
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_EQ(r.out, std::string("manage_memory:  memory chain is corrupt\n") + fatal_stop);
}

TEST(ChainFatal, ForeignPointerIsCorruption) {
    auto r = run_child("foreign_pointer_release", clean);
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_EQ(r.out, std::string("rlsmem:  memory chain is corrupt\n") + fatal_stop);
}

// The block after b has its head overwritten (an underrun of c): whoever releases or resizes b
// reads c's link back to b and stops.  The small blocks are resized by a move, the large ones in
// place by the heap; an array's growth goes the same way.
namespace {
char* blocks_with_broken_successor(int size, int xar) {
    char* b = static_cast<char*>(getmem(size, xar));
    char* c = static_cast<char*>(getmem(16, 0));
    std::memset(c - chain_head_size, 0x41, chain_head_size);
    return b;
}
}  // namespace
VT_CHILD(broken_successor_release) {
    rlsmem(blocks_with_broken_successor(16, 0));
    return 0;
}
VT_CHILD(broken_successor_relocmem_small) {
    relocmem(blocks_with_broken_successor(16, 0), 40, 0);
    return 0;
}
VT_CHILD(broken_successor_relocmem_large) {
    relocmem(blocks_with_broken_successor(2000, 0), 4000, 0);
    return 0;
}
VT_CHILD(broken_successor_manage_memory) {
    manage_memory(40, blocks_with_broken_successor(16, 0), 1, 0);
    return 0;
}
VT_CHILD(broken_successor_array_growth) {
    void* a = XAR_ALLOC(1, 4, 1);
    char* c = static_cast<char*>(getmem(16, 0));
    std::memset(c - chain_head_size, 0x41, chain_head_size);
    int v[3] = {1, 2, 3};
    XAR_APPEND(&a, 3, v);
    return 0;
}

TEST(ChainFatal, BrokenLinkOfTheNextBlockIsCaughtByEveryReleaseAndResize) {
    const std::map<std::string, std::string> scenarios = {
        {"broken_successor_release", "rlsmem"},
        {"broken_successor_relocmem_small", "manage_memory"},
        {"broken_successor_relocmem_large", "manage_memory"},
        {"broken_successor_manage_memory", "manage_memory"},
        {"broken_successor_array_growth", "manage_memory"},
    };
    for (const auto& [scenario, name] : scenarios) {
        auto r = run_child(scenario, clean);
        ASSERT_TRUE(r.exited) << scenario;
        EXPECT_EQ(r.exit_code, 2) << scenario;
        EXPECT_EQ(r.out, name + ":  memory chain is corrupt\n" + fatal_stop) << scenario;
    }
}

namespace {
void* no_memory(size_t) { return nullptr; }
void* no_memory_again(void*, size_t) { return nullptr; }
}  // namespace

VT_CHILD(oom_getmem) {
    platform.heap_alloc = no_memory;
    getmem(100, 0);
    return 0;  // never reached
}
VT_CHILD(oom_relocmem) {
    char* p = static_cast<char*>(getmem(100, 0));
    platform.heap_realloc = no_memory_again;
    relocmem(p, 5000, 0);
    return 0;
}
VT_CHILD(oom_relocmem_moved) {
    char* p = static_cast<char*>(getmem(16, 0));
    platform.heap_alloc = no_memory;
    relocmem(p, 600, 0);   // beyond what the heap's area holds: a move, which finds no memory
    return 0;
}
VT_CHILD(oom_array_growth) {
    void* a = XAR_ALLOC(1, 4, 1);
    platform.heap_alloc = no_memory;
    platform.heap_realloc = no_memory_again;
    int v[200] = {};
    XAR_APPEND(&a, 200, v);
    return 0;
}
VT_CHILD(oom_may_fail_moved) {
    char* p = static_cast<char*>(getmem(16, 0));
    p[0] = 'k';
    platform.heap_alloc = no_memory;
    if (manage_memory(600, p, 1, 0) != nullptr) return 1;
    if (p[0] != 'k' || memory_chain_check() != 1) return 3;
    return 0;
}
VT_CHILD(oom_may_fail) {
    char* p = static_cast<char*>(getmem(100, 0));
    p[0] = 'k';
    platform.heap_alloc = no_memory;
    platform.heap_realloc = no_memory_again;
    if (manage_memory(50, nullptr, 1, 0) != nullptr) return 1;
    if (manage_memory(5000, p, 1, 0) != nullptr) return 2;
    // The old block is untouched and still linked.
    if (p[0] != 'k' || memory_chain_check() != 1) return 3;
    return 0;
}
VT_CHILD(negative_getmem) {
    getmem(-1, 0);
    return 0;
}

TEST(ChainFatal, OutOfMemoryEndsThroughTheFatalStop) {
    const std::string expected =
        std::string(" Serious error - out of virtual memory. Starting recovery attempt.\n") + fatal_stop;
    for (const char* scenario : {"oom_getmem", "oom_relocmem", "oom_relocmem_moved", "oom_array_growth"}) {
        auto r = run_child(scenario, clean);
        ASSERT_TRUE(r.exited) << scenario;
        EXPECT_EQ(r.exit_code, 2) << scenario;
        EXPECT_EQ(r.out, expected) << scenario;
    }
    for (const char* scenario : {"oom_may_fail", "oom_may_fail_moved"}) {
        auto r = run_child(scenario, clean);
        EXPECT_TRUE(r.exited) << scenario;
        EXPECT_EQ(r.exit_code, 0) << scenario;
        EXPECT_EQ(r.out, "") << scenario;
    }
}

VT_CHILD(negative_relocmem) {
    relocmem(getmem(16, 0), -1, 0);
    return 0;
}
VT_CHILD(relocmem_released_clump_object) {
    int clump = register_clump("relocated", 24);
    void* object = getmem_clump(clump);
    getmem_clump(clump);  // keeps the chunk, and the released slot in it, alive
    rlsmem_clump(object);
    relocmem(object, 32, 0);
    return 0;
}

TEST(ChainFatal, ResizingToANegativeSizeOrAReleasedObjectEndsTheProcess) {
    for (const char* scenario : {"negative_relocmem", "relocmem_released_clump_object"}) {
        auto r = run_child(scenario, clean);
        ASSERT_TRUE(r.exited) << scenario;
        EXPECT_EQ(r.exit_code, 2) << scenario;
        EXPECT_EQ(r.out, fatal_stop) << scenario;
    }
}

TEST(ChainFatal, NegativeSizeEndsTheProcess) {
    auto r = run_child("negative_getmem", clean);
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_EQ(r.out, fatal_stop);
}

// ---- clumps --------------------------------------------------------------------------------

TEST(Clumps, FileRecordsFill203SlotsPerChunkThenOpenASecondChunkAtTheHead) {
    int id = register_clump("ProFile", 312);
    ASSERT_GE(id, 0);
    void* chunks[4] = {};
    std::vector<char*> objects;
    for (int i = 0; i < 203; ++i) {
        char* p = static_cast<char*>(getmem_clump(id));
        ASSERT_NE(p, nullptr);
        for (int k = 0; k < 312; ++k) ASSERT_EQ(p[k], 0);
        std::memset(p, i & 0x7F, 312);
        objects.push_back(p);
    }
    ASSERT_EQ(memory_clump_chunks(id, chunks, 4), 1);
    char* first = static_cast<char*>(chunks[0]);
    for (char* p : objects) {
        ASSERT_GT(p, first);
        ASSERT_LE(p + 312, first + 65536);
    }
    // Slots are 320 bytes apart: 204 of them fit a chunk, 203 are ever used.
    EXPECT_EQ(objects[1] - objects[0], 320);
    char* extra = static_cast<char*>(getmem_clump(id));
    ASSERT_EQ(memory_clump_chunks(id, chunks, 4), 2);
    EXPECT_NE(chunks[0], first);
    EXPECT_EQ(chunks[1], first);
    EXPECT_GT(extra, static_cast<char*>(chunks[0]));
    EXPECT_LT(extra, static_cast<char*>(chunks[0]) + 65536);

    // The head chunk serves while it has room, even when an older chunk gains some.
    rlsmem(objects[100]);
    char* second = static_cast<char*>(getmem_clump(id));
    EXPECT_GT(second, static_cast<char*>(chunks[0]));
    EXPECT_LT(second, static_cast<char*>(chunks[0]) + 65536);
    std::vector<char*> head_objects = {extra, second};
    while (head_objects.size() < 203) head_objects.push_back(static_cast<char*>(getmem_clump(id)));
    ASSERT_EQ(memory_clump_chunks(id, chunks, 4), 2);
    // With the head full, the older chunk's free slot is found and that chunk moves to the head.
    char* again = static_cast<char*>(getmem_clump(id));
    EXPECT_EQ(again, objects[100]);
    ASSERT_EQ(memory_clump_chunks(id, chunks, 4), 2);
    EXPECT_EQ(chunks[0], first);
    objects[100] = again;

    // Releasing the last object of a chunk releases the chunk.
    int blocks = memory_chain_check();
    for (char* p : head_objects) rlsmem(p);
    EXPECT_EQ(memory_clump_chunks(id, chunks, 4), 1);
    EXPECT_EQ(memory_chain_check(), blocks - 1);
    for (char* p : objects) rlsmem(p);
    EXPECT_EQ(memory_clump_chunks(id, chunks, 4), 0);
    EXPECT_EQ(unregister_clump(id), 0);
}

TEST(Clumps, ReleasedSlotIsFilledReusedAndASecondReleaseIsHarmless) {
    int id = register_clump("pairs", 20);
    ASSERT_GE(id, 0);
    char* keep = static_cast<char*>(getmem_clump(id));
    char* p = static_cast<char*>(getmem_clump(id));
    std::memset(p, 'a', 20);
    int blocks = memory_chain_check();
    EXPECT_EQ(rlsmem(p), 0);
    // The chunk still holds `keep`, so the released slot is still our memory.
    for (int i = 0; i < 24; ++i) EXPECT_EQ(static_cast<unsigned char>(p[i]), 0xFF) << i;
    EXPECT_EQ(word_before(p), 12349);
    EXPECT_EQ(rlsmem(p), 0);   // reported, then left alone
    EXPECT_EQ(rlsmem_clump(p), 1);
    EXPECT_EQ(memory_chain_check(), blocks);
    char* q = static_cast<char*>(getmem_clump(id));
    char* r = static_cast<char*>(getmem_clump(id));
    EXPECT_EQ(q, p);           // the slot comes back once
    EXPECT_NE(r, p);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(q[i], 0) << i;
    EXPECT_EQ(unregister_clump(id), -1);  // still has objects
    rlsmem(q);
    rlsmem(r);
    rlsmem(keep);
    EXPECT_EQ(unregister_clump(id), 0);
    EXPECT_EQ(getmem_clump(id), nullptr);
    EXPECT_EQ(getmem_clump(-1), nullptr);
    EXPECT_EQ(getmem_clump(500), nullptr);
}

TEST(Clumps, ObjectSizesBeyondTwoSlotsPerChunkAreRefused) {
    EXPECT_EQ(register_clump("huge", 32745), -1);
    int id = register_clump("big", 32744);
    ASSERT_GE(id, 0);
    void* chunks[4];
    char* a = static_cast<char*>(getmem_clump(id));
    char* b = static_cast<char*>(getmem_clump(id));
    EXPECT_EQ(memory_clump_chunks(id, chunks, 4), 2);  // one live object per chunk
    std::memset(a, 1, 32744);
    std::memset(b, 2, 32744);
    rlsmem(a);
    rlsmem(b);
    EXPECT_EQ(memory_clump_chunks(id, chunks, 4), 0);
    EXPECT_EQ(unregister_clump(id), 0);
}

TEST(Clumps, ResizingAClumpObjectMovesItIntoAChainBlock) {
    int id = register_clump(nullptr, 12);
    char* keep = static_cast<char*>(getmem_clump(id));
    char* p = static_cast<char*>(getmem_clump(id));
    std::memcpy(p, "abcdefghijkl", 12);
    int blocks = memory_chain_check();
    char* moved = static_cast<char*>(relocmem(p, 40, 0));
    EXPECT_NE(moved, p);
    EXPECT_EQ(std::memcmp(moved, "abcdefghijkl", 12), 0);
    for (int i = 16; i < 40; ++i) EXPECT_EQ(moved[i], 0) << i;
    EXPECT_EQ(memory_chain_check(), blocks + 1);
    moved = static_cast<char*>(relocmem(moved, 4, 0));  // now an ordinary chain block
    EXPECT_EQ(std::memcmp(moved, "abcd", 4), 0);
    rlsmem(moved);
    EXPECT_EQ(memory_chain_check(), blocks);
    rlsmem(keep);
    EXPECT_EQ(unregister_clump(id), 0);
}

VT_CHILD(registry_full) {
    for (int i = 0; i < 500; ++i)
        if (register_clump("c", 8) != i) return 10;
    if (register_clump("one too many", 8) != -1) return 11;
    if (unregister_clump(7) != 0) return 12;
    if (unregister_clump(7) != -1) return 13;
    if (register_clump("reused", 16) != 7) return 14;
    if (register_clump("again", 8) != -1) return 15;
    // The long name is cut to 31 characters; nothing to see from outside but no overrun.
    if (unregister_clump(3) != 0) return 16;
    if (register_clump("0123456789012345678901234567890123456789", 8) != 3) return 17;
    return getmem_clump(3) != nullptr ? 0 : 18;
}
VT_CHILD(register_size_zero) {
    register_clump("zero", 0);
    return 0;
}

TEST(Clumps, The501stRegistrationFailsAndReleasedSlotsAreReused) {
    auto r = run_child("registry_full", clean);
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exit_code, 0);
    r = run_child("register_size_zero", clean);
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_EQ(r.out, fatal_stop);
}

// ---- a long random sequence against a model ------------------------------------------------

namespace {
struct model_block {
    int size;
    unsigned char fill;
};
}  // namespace

TEST(MemoryModel, RandomChainAndClumpTrafficKeepsContentsAndChain) {
    std::mt19937 rng(20261207);
    int base = memory_chain_check();
    ASSERT_GE(base, 0);
    int clump_ids[3] = {register_clump("m8", 8), register_clump("m100", 100), register_clump("m1000", 1000)};
    const int clump_sizes[3] = {8, 100, 1000};
    std::map<char*, model_block> chain;
    std::map<char*, model_block> pooled;

    auto verify = [](char* p, const model_block& b) {
        for (int i = 0; i < b.size; ++i)
            if (static_cast<unsigned char>(p[i]) != b.fill) return false;
        return true;
    };
    auto pick = [&rng](std::map<char*, model_block>& m) {
        auto it = m.begin();
        std::advance(it, static_cast<long>(rng() % m.size()));
        return it;
    };
    for (int step = 0; step < 20000; ++step) {
        unsigned op = rng() % 10;
        unsigned char fill = static_cast<unsigned char>(1 + rng() % 250);
        if (op < 3 || chain.empty()) {
            int size = 1 + static_cast<int>(rng() % (rng() % 8 == 0 ? 9000 : 300));
            char* p = static_cast<char*>(getmem(size, 0));
            for (int i = 0; i < size; ++i) ASSERT_EQ(p[i], 0);
            std::memset(p, fill, size);
            chain[p] = {size, fill};
        } else if (op < 5) {
            auto it = pick(chain);
            char* old = it->first;
            model_block b = it->second;
            int size = 1 + static_cast<int>(rng() % (rng() % 8 == 0 ? 9000 : 300));
            chain.erase(it);
            char* p = static_cast<char*>(relocmem(old, size, 0));
            int kept = std::min(size, b.size);
            ASSERT_TRUE(verify(p, {kept, b.fill})) << step;
            for (int i = kept; i < size; ++i) ASSERT_EQ(p[i], 0) << step;
            std::memset(p, fill, size);
            chain[p] = {size, fill};
        } else if (op < 7) {
            auto it = pick(chain);
            ASSERT_TRUE(verify(it->first, it->second)) << step;
            rlsmem(it->first);
            chain.erase(it);
        } else if (op < 9 || pooled.empty()) {
            int which = static_cast<int>(rng() % 3);
            char* p = static_cast<char*>(getmem_clump(clump_ids[which]));
            ASSERT_EQ(pooled.count(p), 0u);
            std::memset(p, fill, clump_sizes[which]);
            pooled[p] = {clump_sizes[which], fill};
        } else {
            auto it = pick(pooled);
            ASSERT_TRUE(verify(it->first, it->second)) << step;
            rlsmem(it->first);
            pooled.erase(it);
        }
        if (step % 97 == 0) {
            int chunks = 0;
            for (int id : clump_ids) chunks += memory_clump_chunks(id, nullptr, 0);
            ASSERT_EQ(memory_chain_check(), base + static_cast<int>(chain.size()) + chunks) << step;
        }
    }
    for (auto& [p, b] : chain) {
        ASSERT_TRUE(verify(p, b));
        rlsmem(p);
    }
    for (auto& [p, b] : pooled) {
        ASSERT_TRUE(verify(p, b));
        rlsmem(p);
    }
    EXPECT_EQ(memory_chain_check(), base);
    for (int id : clump_ids) EXPECT_EQ(unregister_clump(id), 0);
}

// Clump ids that were never handed out, and a missing pointer variable, are refused without
// touching anything.
TEST(Clumps, UnknownIdsAreRefused) {
    for (int id : {-1, 1 << 20}) {
        EXPECT_EQ(unregister_clump(id), -1) << id;
        void* chunks[1] = {nullptr};
        EXPECT_EQ(memory_clump_chunks(id, chunks, 1), -1) << id;
        EXPECT_EQ(chunks[0], nullptr);
    }
    rlsmem_ptr(nullptr);
    void* block = getmem(16, 0);
    ASSERT_NE(block, nullptr);
    rlsmem_ptr(&block);
    EXPECT_EQ(block, nullptr);
    EXPECT_GE(memory_chain_check(), 0);
}
