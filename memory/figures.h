/* The memory manager's figures as a long-running session watches them: what the chain and the
 * clumps hold at one moment, read by walking them (not from counters kept on the side, which
 * could drift from what is really linked). */
#ifndef VT_MEMORY_FIGURES_H
#define VT_MEMORY_FIGURES_H

#include <stdint.h>

extern "C" {

struct memory_figures {
    int32_t chain_consistent;  /* 1 when every link of the chain held during the walk, else 0 */
    int32_t chain_blocks;      /* live chain blocks, the clumps' chunks among them */
    int64_t chain_bytes;       /* the sizes asked for, summed over the live chain blocks */
    int32_t clumps;            /* registered clumps */
    int32_t clump_chunks;      /* their chunks */
    int64_t clump_objects;     /* their live objects */
};

/* Fills *figures; returns 0, or -1 when the chain is not consistent (the chain figures then
 * count the blocks walked before the broken link). */
int memory_figures_read(memory_figures* figures);

}

#endif
