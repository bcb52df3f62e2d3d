/* The memory manager's figures: one walk of the chain and one of every registered clump. */
#include "memory/figures.h"

#include <string.h>

#include "memory/memory.h"
#include "memory/memory_internal.h"

namespace {

struct chain_sums {
    int32_t blocks;
    int64_t bytes;
};

void add_block(const void*, unsigned size, void* context) {
    chain_sums* sums = static_cast<chain_sums*>(context);
    sums->blocks += 1;
    sums->bytes += size;
}

}  // namespace

extern "C" int memory_figures_read(memory_figures* figures) {
    memset(figures, 0, sizeof *figures);
    chain_sums sums = {0, 0};
    int walked = memory_chain_walk(add_block, &sums);
    figures->chain_consistent = walked >= 0 ? 1 : 0;
    figures->chain_blocks = sums.blocks;
    figures->chain_bytes = sums.bytes;
    /* memory_clump_live answers -1 for every id beyond the slots in use. */
    for (int id = 0; id < clump_registry_slots; ++id) {
        int chunks = 0;
        int live = memory_clump_live(id, &chunks);
        if (live < 0) continue;
        figures->clumps += 1;
        figures->clump_chunks += chunks;
        figures->clump_objects += live;
    }
    return walked >= 0 ? 0 : -1;
}
