/* What the memory runtime's own files share beyond memory.h. */
#ifndef VT_MEMORY_INTERNAL_H
#define VT_MEMORY_INTERNAL_H

#include <stddef.h>

/* relocmem for a caller that fills part of the growth at once: the bytes from filled_from to
 * filled_to (offsets from the user data, inside the growth) are left as the heap gave them
 * instead of being zeroed first.  Everything else is relocmem's. */
void* relocmem_filled(void* ptr, int size, int xar_flag, size_t filled_from, size_t filled_to);

#endif
