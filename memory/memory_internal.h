/* What the memory runtime's own files share beyond memory.h. */
#ifndef VT_MEMORY_INTERNAL_H
#define VT_MEMORY_INTERNAL_H

#include <stddef.h>

/* The head of a chain block, in front of the caller's pointer: the size asked for and the link to
 * the previous block, padded to keep the data 8-aligned.  8 bytes with 32-bit pointers, 16 with
 * 64-bit ones (see memmgr.cpp).  Whoever reaches the head from the caller's pointer, the tests
 * that corrupt it included, steps back by this much. */
constexpr size_t chain_head_size = sizeof(void*) == 4 ? 8 : 16;

/* Clump descriptors in the registry: ids run from 0 to one below this. */
constexpr int clump_registry_slots = 500;

/* relocmem for a caller that fills part of the growth at once: the bytes from filled_from to
 * filled_to (offsets from the user data, inside the growth) are left as the heap gave them
 * instead of being zeroed first.  Everything else is relocmem's. */
void* relocmem_filled(void* ptr, int size, int xar_flag, size_t filled_from, size_t filled_to);

#endif
