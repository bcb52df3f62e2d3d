/* The pooled memory manager: chain blocks and clumps.
 *
 * Chain blocks.  Every request gets its own area from the C heap (reached only through the
 * platform table, so tests can make it fail).  An area is framed by a head and a tail and linked
 * into one doubly linked chain between the anchors chain_first (oldest) and chain_last (newest):
 *
 *     32-bit pointers:  | user size u32 | previous ptr | user data align8(size) | next ptr | flags u32 |
 *     64-bit pointers:  | previous ptr | user size u32 | guard u32 (0) | user data | next ptr | flags u32 | pad u32 |
 *
 * The caller's pointer is the start of the user data (area + 8 on 32-bit, area + 16 on 64-bit, so
 * it is 8-aligned either way); the tail lies at the caller's pointer plus align8(user size).  The
 * flags word has bits 0-30 all ones and bit 31 set when the block holds an expandable array.
 * The total is align8(size) + 16 with 32-bit pointers and align8(size) + 32 with 64-bit ones.
 *
 * Clump objects carry an 8-byte slot header instead (own offset, next free, state, reserved);
 * the state word lies 4 bytes before the caller's pointer and is one of the odd numbers 12345
 * (in use), 12347 (in use, expandable array) or 12349 (free).  In a chain block the same 16 bits
 * are the low half of the previous pointer on 32-bit (a multiple of 8, or zero, so even) and the
 * guard word on 64-bit (always 0): one read of that word tells the two kinds apart.
 *
 * Clumps are pools of equal-sized objects cut from 65,536-byte chain blocks (chunks).  A chunk
 * starts with a chunk header padded to a multiple of 8 (24 bytes on 32-bit, 32 on 64-bit) and
 * then holds slots of align8(object size) + 8 bytes.  A chunk never holds more than its slot count
 * minus one live objects, so its free list is never empty.
 *
 * Exhaustion ends the process through crash() after the recovery messages; corruption reports
 * "memory chain is corrupt" and ends the process the same way. */
#include <stdint.h>
#include <string.h>
#include <type_traits>

#include "frame/report.h"
#include "memory/memory.h"
#include "memory/memory_internal.h"
#include "platform/platform.h"

namespace {

struct chain_area;

/* Head of a chain area; the layout depends only on the pointer width. */
struct chain_head_narrow {
    uint32_t size;            /* the size asked for, in bytes */
    chain_area* previous;     /* area linked before this one, null for the first */
};
struct chain_head_wide {
    chain_area* previous;     /* area linked before this one, null for the first */
    uint32_t size;            /* the size asked for, in bytes */
    uint32_t guard;           /* always 0: the word the clump test reads */
};
using chain_head = std::conditional_t<sizeof(void*) == 4, chain_head_narrow, chain_head_wide>;

[[maybe_unused]] void clear_guard(chain_head_narrow*) {}
[[maybe_unused]] void clear_guard(chain_head_wide* head) { head->guard = 0; }

struct chain_tail {
    chain_area* next;         /* area linked after this one, null for the last */
    uint32_t flags;           /* 0x7FFFFFFF, bit 31 = expandable-array usage */
};

constexpr size_t HEAD = (sizeof(chain_head) + 7) & ~size_t(7);
constexpr size_t TAIL = (sizeof(chain_tail) + 7) & ~size_t(7);
static_assert(HEAD == chain_head_size, "the chain head is as memory_internal.h states it");
static_assert(sizeof(void*) != 4 || (HEAD == 8 && TAIL == 8), "32-bit pointers: an 8-byte head and tail");
static_assert(sizeof(void*) != 8 || (HEAD == 16 && TAIL == 16), "64-bit pointers: a 16-byte head and tail");

constexpr uint32_t FLAG_BITS = 0x7FFFFFFFu;
constexpr uint32_t FLAG_XAR = 0x80000000u;

/* Above this total the C heap's own reallocation is used directly; at or below it a block that
 * does not fit its present heap area is moved by allocate-copy-release. */
constexpr size_t SMALL_BLOCK_LIMIT = 1016;

/* Released areas of this total and more are overwritten only at both ends. */
constexpr size_t FULL_OVERWRITE_LIMIT = 4000;
constexpr size_t PARTIAL_OVERWRITE = 1000;

chain_area* chain_first = nullptr;
chain_area* chain_last = nullptr;

size_t align8(size_t n) { return (n + 7) & ~size_t(7); }

chain_head* head_of(chain_area* area) { return reinterpret_cast<chain_head*>(area); }
char* user_of(chain_area* area) { return reinterpret_cast<char*>(area) + HEAD; }
chain_area* area_of(void* user) { return reinterpret_cast<chain_area*>(static_cast<char*>(user) - HEAD); }
chain_tail* tail_of(chain_area* area) {
    return reinterpret_cast<chain_tail*>(user_of(area) + align8(head_of(area)->size));
}
size_t total_of(size_t size) { return align8(size) + HEAD + TAIL; }

[[noreturn]] void chain_corrupt(const char* name) {
    msg_log_printf("%s:  %s\n", name, "memory chain is corrupt");
    crash();
}

[[noreturn]] void out_of_memory() {
    msg_log_printf(" Serious error - out of virtual memory.");
    msg_log_printf(" Starting recovery attempt.\n");
    error_break("Memory error.");
    /* Nobody tests getmem or relocmem for null, and there is no area to write into. */
    crash();
}

/* The library's memset and memcpy, called as such.  Where the compiler knows a bound of the size
 * (below 4,000 bytes, at most 1,016) it expands them into string instructions, which start
 * slowly; with the size hidden behind an empty asm it cannot, and the call goes straight to the
 * library without a wrapper of ours in between. */
inline size_t opaque(size_t n) {
    asm("" : "+r"(n));
    return n;
}
inline void library_fill(void* p, int byte, size_t n) { memset(p, byte, opaque(n)); }
inline void library_copy(void* to, const void* from, size_t n) { memcpy(to, from, opaque(n)); }

/* Zeroing and the 0xFF overwrite: most blocks are small, and overlapping fixed-size stores from
 * each end (one or two 32-byte runs there) cost less than the library call up to 128 bytes (a
 * loop would become a string instruction, slower still on so few bytes). */
constexpr size_t SMALL_FILL = 128;          /* fills up to this size are done by fill_small */
const unsigned char zeros[32] = {};
const unsigned char ones[32] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

/* The first and the last `width` of n bytes (width <= n <= 2 * width) from pattern: together
 * they cover all n. */
template <size_t width>
inline void fill_ends(char* p, size_t n, const unsigned char* pattern) {
    memcpy(p, pattern, width);
    memcpy(p + n - width, pattern, width);
}

/* Fills n bytes (at most 128) from pattern, a run of 32 equal bytes. */
inline void fill_small(char* p, size_t n, const unsigned char* pattern) {
    if (n > 64) {
        fill_ends<32>(p, 64, pattern);
        fill_ends<32>(p + n - 64, 64, pattern);
    } else if (n >= 32) fill_ends<32>(p, n, pattern);
    else if (n >= 16) fill_ends<16>(p, n, pattern);
    else if (n >= 8) fill_ends<8>(p, n, pattern);
    else if (n >= 4) fill_ends<4>(p, n, pattern);
    else if (n > 0) {
        p[0] = static_cast<char>(pattern[0]);
        p[n / 2] = static_cast<char>(pattern[0]);
        p[n - 1] = static_cast<char>(pattern[0]);
    }
}

inline void zero(char* p, size_t n) {
    if (n > SMALL_FILL) library_fill(p, 0, n);
    else fill_small(p, n, zeros);
}

inline void fill_ff(void* area, size_t total) {
    if (total > SMALL_FILL) library_fill(area, 0xFF, total);
    else fill_small(static_cast<char*>(area), total, ones);
}

/* The four link conditions of a chain block whose links read previous and next; 1 when they all
 * hold.  The caller reads each link once and goes on with the same values. */
inline int links_hold(chain_area* area, chain_area* previous, chain_area* next) {
    return (previous == nullptr) == (area == chain_first) && (next == nullptr) == (area == chain_last) &&
           (previous == nullptr || tail_of(previous)->next == area) &&
           (next == nullptr || head_of(next)->previous == area);
}

/* Points the links of a block that moved, and its neighbours' (or the anchors), at its new
 * address; the tail is the block's new one. */
void relink(chain_area* area, chain_tail* tail, chain_area* previous, chain_area* next) {
    head_of(area)->previous = previous;
    tail->next = next;
    if (previous != nullptr) tail_of(previous)->next = area;
    else chain_first = area;
    if (next != nullptr) head_of(next)->previous = area;
    else chain_last = area;
}

void append(chain_area* area) {
    head_of(area)->previous = chain_last;
    tail_of(area)->next = nullptr;
    if (chain_last != nullptr) {
        if (tail_of(chain_last)->next != nullptr) chain_corrupt("manage_memory");
        tail_of(chain_last)->next = area;
    } else {
        chain_first = area;
    }
    chain_last = area;
}

/* The resize steps are inlined into each caller (relocmem, the xarrays' growth and
 * manage_memory), so that relocmem's empty filled range folds away and no call is made between
 * them. */
#define VT_INLINE inline __attribute__((always_inline))

/* Resizes a heap area by the three-way choice; null when the heap has no memory. */
VT_INLINE void* resize_area(chain_area* old, size_t old_total, size_t new_total) {
    if (new_total > SMALL_BLOCK_LIMIT) return platform.heap_realloc(old, new_total);
    size_t usable = platform.heap_usable_size(old);
    if (usable < new_total) {
        void* fresh = platform.heap_alloc(new_total);
        if (fresh == nullptr) return nullptr;
        /* The heap's usable size is at least the old total; a smaller answer copies the total. */
        size_t copy = usable >= old_total ? usable : (old_total < new_total ? old_total : new_total);
        library_copy(fresh, old, copy);
        platform.heap_free(old);
        return fresh;
    }
    return platform.heap_realloc(old, new_total);
}


/* ---- clumps ---- */

constexpr int CHUNK_SIZE = 65536;            /* bytes of one chunk, a chain block */
constexpr int CLUMP_LARGEST_OBJECT = 32744;  /* beyond it a chunk holds fewer than two slots */
constexpr int KIND_IN_USE = -8;
constexpr int KIND_RELEASED = -9;
constexpr int16_t STATE_IN_USE = 12345;
constexpr int16_t STATE_IN_USE_XAR = 12347;
constexpr int16_t STATE_FREE = 12349;

struct chunk_head {
    int32_t live;             /* objects of this chunk in use */
    int16_t clump_id;         /* index of the owning descriptor */
    int16_t first_free;       /* first free slot, in 8-byte units from the first slot */
    chunk_head* next;         /* next chunk of the same clump */
    chunk_head* previous;     /* previous chunk, null for the head of the list */
    chunk_head* self;         /* the chunk's own address */
};
constexpr size_t CHUNK_HEAD = (sizeof(chunk_head) + 7) & ~size_t(7);

struct slot_head {
    int16_t own_offset;       /* this slot's offset from the first slot, in 8-byte units */
    int16_t next_free;        /* next free slot; -1 ends the list and marks a slot in use */
    int16_t state;            /* STATE_IN_USE, STATE_IN_USE_XAR or STATE_FREE */
    int16_t reserved;         /* -1 while handed out */
};
static_assert(sizeof(slot_head) == 8, "slot header is 8 bytes");

struct clump_descriptor {
    char name[32];            /* up to 31 characters, NUL-terminated */
    int32_t object_size;      /* bytes per object, as registered */
    int32_t kind;             /* KIND_IN_USE or KIND_RELEASED */
    chunk_head* first;        /* head of the chunk list, null when none */
    int32_t per_chunk;        /* slots per chunk */
};

clump_descriptor clumps[clump_registry_slots];
int clump_count = 0;          /* descriptors ever used (high-water mark) */

int stride_of(const clump_descriptor& clump) { return static_cast<int>(align8(clump.object_size)) + 8; }
char* first_slot(chunk_head* chunk) { return reinterpret_cast<char*>(chunk) + CHUNK_HEAD; }
slot_head* slot_at(chunk_head* chunk, int offset) {
    return reinterpret_cast<slot_head*>(first_slot(chunk) + offset * 8);
}
int16_t state_of(void* ptr) {
    int16_t state;
    memcpy(&state, static_cast<char*>(ptr) - 4, sizeof state);
    return state;
}

bool is_clump_state(int16_t state) { return state == STATE_IN_USE || state == STATE_IN_USE_XAR; }

/* The chunk holding a clump object; a pointer that does not lie in a chunk ends the process. */
chunk_head* chunk_of(void* ptr) {
    slot_head* slot = reinterpret_cast<slot_head*>(static_cast<char*>(ptr) - 8);
    chunk_head* chunk = reinterpret_cast<chunk_head*>(reinterpret_cast<char*>(slot) - slot->own_offset * 8 -
                                                      CHUNK_HEAD);
    if (slot->own_offset < 0 || chunk->self != chunk) crash();
    return chunk;
}

chunk_head* new_chunk(int id) {
    clump_descriptor& clump = clumps[id];
    chunk_head* chunk = static_cast<chunk_head*>(getmem(CHUNK_SIZE, 0));
    chunk->live = 0;
    chunk->clump_id = static_cast<int16_t>(id);
    chunk->first_free = 0;
    chunk->next = chunk->previous = nullptr;
    chunk->self = chunk;
    int step = stride_of(clump) / 8;
    for (int i = 0; i < clump.per_chunk; ++i) {
        slot_head* slot = slot_at(chunk, i * step);
        slot->own_offset = static_cast<int16_t>(i * step);
        slot->next_free = static_cast<int16_t>(i + 1 < clump.per_chunk ? (i + 1) * step : -1);
        slot->state = STATE_FREE;
        slot->reserved = 0;
    }
    return chunk;
}

void unlink_chunk(clump_descriptor& clump, chunk_head* chunk) {
    if (chunk->previous != nullptr) chunk->previous->next = chunk->next;
    else clump.first = chunk->next;
    if (chunk->next != nullptr) chunk->next->previous = chunk->previous;
    chunk->next = chunk->previous = nullptr;
}

void push_chunk(clump_descriptor& clump, chunk_head* chunk) {
    chunk->previous = nullptr;
    chunk->next = clump.first;
    if (clump.first != nullptr) clump.first->previous = chunk;
    clump.first = chunk;
}

/* The new block of manage_memory: linked last, its data zeroed.  Kept apart from the resize so
 * that getmem runs through it without the resize's registers and stack frame. */
inline void* new_block(int size, int may_fail, int xar_flag) {
    size_t end = align8(static_cast<size_t>(size));
    chain_area* area = static_cast<chain_area*>(platform.heap_alloc(total_of(static_cast<size_t>(size))));
    if (area == nullptr) {
        if (may_fail) return nullptr;
        out_of_memory();
    }
    head_of(area)->size = static_cast<uint32_t>(size);
    clear_guard(head_of(area));
    append(area);
    char* user = user_of(area);
    reinterpret_cast<chain_tail*>(user + end)->flags = FLAG_BITS | (xar_flag ? FLAG_XAR : 0);
    zero(user, end);
    return user;
}

/* The resize of manage_memory: the block keeps its place in the chain and its growth is zeroed,
 * except the bytes from filled_from to filled_to, which the caller fills at once. */
VT_INLINE void* resize_block(void* old, int size, int may_fail, int xar_flag, size_t filled_from, size_t filled_to) {
    size_t new_total = total_of(static_cast<size_t>(size));
    size_t end = align8(static_cast<size_t>(size));
    chain_area* old_area = area_of(old);
    size_t old_size = head_of(old_area)->size;
    chain_area* previous = head_of(old_area)->previous;
    chain_area* next = reinterpret_cast<chain_tail*>(user_of(old_area) + align8(old_size))->next;
    if (!links_hold(old_area, previous, next)) chain_corrupt("manage_memory");
    chain_area* area = static_cast<chain_area*>(resize_area(old_area, total_of(old_size), new_total));
    if (area == nullptr) {
        /* The old area is still intact and linked. */
        if (may_fail) return nullptr;
        out_of_memory();
    }
    head_of(area)->size = static_cast<uint32_t>(size);
    char* user = user_of(area);
    chain_tail* tail = reinterpret_cast<chain_tail*>(user + end);
    if (area != old_area) {
        relink(area, tail, previous, next);
    } else {
        /* Resized in place: the neighbours still point here; only the tail moved. */
        tail->next = next;
    }
    tail->flags = FLAG_BITS | (xar_flag ? FLAG_XAR : 0);
    if (end > old_size) {
        /* The part of the filled range that lies in the growth is left out of the zeroing. */
        size_t skip_from = filled_from > old_size ? filled_from : old_size;
        size_t skip_to = filled_to < end ? filled_to : end;
        if (skip_from < skip_to) {
            zero(user + old_size, skip_from - old_size);
            zero(user + skip_to, end - skip_to);
        } else {
            zero(user + old_size, end - old_size);
        }
    }
    return user;
}

/* relocmem, with the bytes from filled_from to filled_to of a chain block's growth left to the
 * caller. */
VT_INLINE void* relocate(void* ptr, int size, int xar_flag, size_t filled_from, size_t filled_to) {
    int16_t state = state_of(ptr);
    if (is_clump_state(state)) {
        void* moved = relocmem_clump(ptr, size);
        if (moved != nullptr) return moved;
    } else if (state == STATE_FREE) {
        /* A released clump object is no chain block: its links would be read from a slot. */
        dbg_err_crash("relocmem", " reallocation of released object");
        crash();
    }
    if (size < 0) crash();
    return resize_block(ptr, size, 0, xar_flag, filled_from, filled_to);
}

/* rlsmem_clump's work once the state word is read; rlsmem comes here directly. */
VT_INLINE int release_clump_object(void* ptr, int16_t state) {
    if (state == STATE_FREE) {
        /* Reported and otherwise left alone: the slot is already on its free list. */
        dbg_err_crash("rlsmem_clump", " release of already released object");
        return 1;
    }
    if (state != STATE_IN_USE && state != STATE_IN_USE_XAR) return 0;
    chunk_head* chunk = chunk_of(ptr);
    if (chunk->clump_id < 0 || chunk->clump_id >= clump_count) crash();
    clump_descriptor& clump = clumps[chunk->clump_id];
    slot_head* slot = reinterpret_cast<slot_head*>(static_cast<char*>(ptr) - 8);
    slot->next_free = chunk->first_free;
    chunk->first_free = slot->own_offset;
    chunk->live -= 1;
    memset(ptr, 0xFF, align8(clump.object_size));
    slot->state = STATE_FREE;
    if (chunk->live == 0) {
        unlink_chunk(clump, chunk);
        rlsmem(chunk);
    }
    return 1;
}

}  // namespace

void* relocmem_filled(void* ptr, int size, int xar_flag, size_t filled_from, size_t filled_to) {
    return relocate(ptr, size, xar_flag, filled_from, filled_to);
}

extern "C" {


int register_clump(const char* name, int object_size) {
    if (object_size <= 0) crash();
    if (object_size > CLUMP_LARGEST_OBJECT) return -1;
    int id = 0;
    while (id < clump_count && clumps[id].kind != KIND_RELEASED) ++id;
    if (id == clump_count) {
        if (clump_count == clump_registry_slots) return -1;
        ++clump_count;
    }
    clump_descriptor& clump = clumps[id];
    memset(clump.name, 0, sizeof clump.name);
    if (name != nullptr) strncpy(clump.name, name, sizeof clump.name - 1);
    clump.object_size = object_size;
    clump.kind = KIND_IN_USE;
    clump.first = nullptr;
    clump.per_chunk = static_cast<int32_t>((CHUNK_SIZE - CHUNK_HEAD) / static_cast<size_t>(stride_of(clump)));
    return id;
}

int unregister_clump(int clump_id) {
    if (clump_id < 0 || clump_id >= clump_count) return -1;
    clump_descriptor& clump = clumps[clump_id];
    if (clump.kind != KIND_IN_USE || clump.first != nullptr) return -1;
    clump.kind = KIND_RELEASED;
    return 0;
}

void* getmem_clump(int clump_id) {
    if (clump_id < 0 || clump_id >= clump_count) return nullptr;
    clump_descriptor& clump = clumps[clump_id];
    if (clump.kind != KIND_IN_USE) return nullptr;
    chunk_head* chunk = clump.first;
    while (chunk != nullptr && chunk->live >= clump.per_chunk - 1) chunk = chunk->next;
    if (chunk == nullptr) {
        chunk = new_chunk(clump_id);
        push_chunk(clump, chunk);
    } else if (chunk != clump.first) {
        unlink_chunk(clump, chunk);
        push_chunk(clump, chunk);
    }
    slot_head* slot = slot_at(chunk, chunk->first_free);
    chunk->first_free = slot->next_free;
    slot->next_free = -1;
    slot->state = STATE_IN_USE;
    slot->reserved = -1;
    chunk->live += 1;
    char* object = reinterpret_cast<char*>(slot) + 8;
    memset(object, 0, align8(clump.object_size));
    return object;
}

int rlsmem_clump(void* ptr) { return release_clump_object(ptr, state_of(ptr)); }

void* relocmem_clump(void* ptr, int size) {
    int16_t state = state_of(ptr);
    if (state != STATE_IN_USE && state != STATE_IN_USE_XAR) return nullptr;
    chunk_head* chunk = chunk_of(ptr);
    if (chunk->clump_id < 0) return nullptr;
    if (chunk->clump_id >= clump_count || size < 0) crash();
    const clump_descriptor& clump = clumps[chunk->clump_id];
    if (clump.kind == KIND_IN_USE)
        dbg_err_crash("relocmem_clump", "Cannot reallocate a user registered clump!");
    /* A chain block even for size 0, so the caller never sees null. */
    void* moved = manage_memory(size, nullptr, 0, state == STATE_IN_USE_XAR);
    size_t keep = align8(clump.object_size);
    memcpy(moved, ptr, static_cast<size_t>(size) < keep ? static_cast<size_t>(size) : keep);
    rlsmem(ptr);
    return moved;
}

int memory_clump_chunks(int clump_id, void** chunks, int max_chunks) {
    if (clump_id < 0 || clump_id >= clump_count) return -1;
    int n = 0;
    for (chunk_head* chunk = clumps[clump_id].first; chunk != nullptr; chunk = chunk->next, ++n)
        if (n < max_chunks) chunks[n] = chunk;
    return n;
}

void* manage_memory(int size, void* old, int may_fail, int xar_flag) {
    if (old == nullptr) return new_block(size, may_fail, xar_flag);
    return resize_block(old, size, may_fail, xar_flag, 0, 0);
}

void* getmem(int size, int xar_flag) {
    if (size == 0) return nullptr;
    if (size < 0) crash();
    return new_block(size, 0, xar_flag);
}

void* relocmem(void* ptr, int size, int xar_flag) { return relocate(ptr, size, xar_flag, 0, 0); }

/* Kept whole (not inlined into the clump code, nor split into a quick test and a called body):
 * a chain block's release then runs without a second call. */
__attribute__((noinline)) int rlsmem(void* ptr) {
    if (ptr == nullptr) return 0;
    int16_t state = state_of(ptr);
    if (state == STATE_FREE || is_clump_state(state)) {
        release_clump_object(ptr, state);
        return 0;
    }
    chain_area* area = area_of(ptr);
    /* The link check, reading each link once: the unlink below uses the same values. */
    size_t size = head_of(area)->size;
    chain_area* previous = head_of(area)->previous;
    chain_area* next = reinterpret_cast<chain_tail*>(user_of(area) + align8(size))->next;
    if (!links_hold(area, previous, next)) chain_corrupt("rlsmem");
    if (previous != nullptr) tail_of(previous)->next = next;
    else chain_first = next;
    if (next != nullptr) head_of(next)->previous = previous;
    else chain_last = previous;

    /* The overwrite covers the block's own links as well: they go with the rest of the area. */
    size_t total = align8(size) + HEAD + TAIL;
    if (total < FULL_OVERWRITE_LIMIT) {
        fill_ff(area, total);
    } else {
        library_fill(area, 0xFF, PARTIAL_OVERWRITE);
        library_fill(reinterpret_cast<char*>(area) + total - PARTIAL_OVERWRITE, 0xFF, PARTIAL_OVERWRITE);
    }
    platform.heap_free(area);
    return 0;
}

void rlsmem_ptr(void** ptr_var) {
    if (ptr_var == nullptr) return;
    rlsmem(*ptr_var);
    *ptr_var = nullptr;
}

int memory_chain_walk(memory_block_visitor visit, void* context) {
    int blocks = 0;
    chain_area* previous = nullptr;
    for (chain_area* area = chain_first; area != nullptr; area = tail_of(area)->next) {
        if (head_of(area)->previous != previous) return -1;
        if ((tail_of(area)->flags & FLAG_BITS) != FLAG_BITS) return -1;
        if (visit != nullptr) visit(user_of(area), head_of(area)->size, context);
        previous = area;
        ++blocks;
    }
    return previous == chain_last ? blocks : -1;
}

int memory_clump_live(int clump_id, int* chunks) {
    if (clump_id < 0 || clump_id >= clump_count || clumps[clump_id].kind != KIND_IN_USE) return -1;
    int live = 0, count = 0;
    for (chunk_head* chunk = clumps[clump_id].first; chunk != nullptr; chunk = chunk->next, ++count)
        live += chunk->live;
    if (chunks != nullptr) *chunks = count;
    return live;
}

int memory_chain_check(void) { return memory_chain_walk(nullptr, nullptr); }

}
