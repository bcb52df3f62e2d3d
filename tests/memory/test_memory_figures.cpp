// The memory figures a long session watches: what the walk of the chain and of the clumps finds
// as blocks and objects come and go, and a broken chain told as such.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "memory/figures.h"
#include "memory/memory.h"

namespace {

memory_figures now() {
    memory_figures figures;
    EXPECT_EQ(memory_figures_read(&figures), 0);
    EXPECT_EQ(figures.chain_consistent, 1);
    return figures;
}

}  // namespace

TEST(MemoryFigures, BlocksAndObjectsAreCountedAndComeBackWhenReleased) {
    memory_figures before = now();
    void* a = getmem(10, 0);
    void* b = getmem(3000, 0);
    void* c = getmem(20, 1);
    memory_figures three = now();
    EXPECT_EQ(three.chain_blocks, before.chain_blocks + 3);
    EXPECT_EQ(three.chain_bytes, before.chain_bytes + 3030);  // the sizes asked for
    b = relocmem(b, 5000, 0);
    EXPECT_EQ(now().chain_bytes, before.chain_bytes + 5030);

    int clump = register_clump("figures", 40);
    ASSERT_GE(clump, 0);
    memory_figures registered = now();
    EXPECT_EQ(registered.clumps, three.clumps + 1);
    EXPECT_EQ(registered.clump_objects, three.clump_objects);
    std::vector<void*> objects;
    for (int i = 0; i < 5; ++i) objects.push_back(getmem_clump(clump));
    memory_figures with_objects = now();
    EXPECT_EQ(with_objects.clump_objects, registered.clump_objects + 5);
    EXPECT_EQ(with_objects.clump_chunks, registered.clump_chunks + 1);
    // The chunk is itself a chain block of 65,536 bytes.
    EXPECT_EQ(with_objects.chain_blocks, three.chain_blocks + 1);
    EXPECT_EQ(with_objects.chain_bytes, before.chain_bytes + 5030 + 65536);

    for (void* object : objects) rlsmem(object);
    EXPECT_EQ(now().clump_chunks, registered.clump_chunks);  // the empty chunk went at once
    EXPECT_EQ(unregister_clump(clump), 0);
    rlsmem(a);
    rlsmem(b);
    rlsmem(c);
    memory_figures after = now();
    EXPECT_EQ(after.chain_blocks, before.chain_blocks);
    EXPECT_EQ(after.chain_bytes, before.chain_bytes);
    EXPECT_EQ(after.clumps, before.clumps);
    EXPECT_EQ(after.clump_objects, before.clump_objects);
}

TEST(MemoryFigures, ABrokenChainIsToldAsSuch) {
    char* block = static_cast<char*>(getmem(16, 0));
    // The tail's flags word follows its next link; its low 31 bits are always all ones.
    char* flags = block + 16 + sizeof(void*);
    uint32_t kept;
    std::memcpy(&kept, flags, sizeof kept);
    const uint32_t broken = 0;
    std::memcpy(flags, &broken, sizeof broken);
    memory_figures figures;
    EXPECT_EQ(memory_figures_read(&figures), -1);
    EXPECT_EQ(figures.chain_consistent, 0);
    EXPECT_EQ(memory_chain_walk(nullptr, nullptr), -1);
    std::memcpy(flags, &kept, sizeof kept);
    EXPECT_EQ(memory_figures_read(&figures), 0);
    EXPECT_EQ(figures.chain_consistent, 1);
    rlsmem(block);
}

TEST(MemoryFigures, TheWalkHandsOverEveryBlockOldestFirst) {
    std::vector<std::pair<const void*, unsigned>> seen;
    int before = memory_chain_walk(nullptr, nullptr);
    void* first = getmem(12, 0);
    void* second = getmem(7, 0);
    auto keep = [](const void* data, unsigned size, void* context) {
        static_cast<std::vector<std::pair<const void*, unsigned>>*>(context)->push_back({data, size});
    };
    EXPECT_EQ(memory_chain_walk(keep, &seen), before + 2);
    ASSERT_EQ(seen.size(), static_cast<size_t>(before + 2));
    EXPECT_EQ(seen[seen.size() - 2], std::make_pair(static_cast<const void*>(first), 12u));
    EXPECT_EQ(seen.back(), std::make_pair(static_cast<const void*>(second), 7u));
    rlsmem(first);
    rlsmem(second);
}
