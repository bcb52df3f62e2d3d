/* Expandable arrays (xarrays): a run of equal-sized objects in one chain block, framed by an
 * 8-byte header and an 8-byte tail.  The caller holds a pointer to the first object; operations
 * that may move the array take the address of that variable and update it.
 *
 *     | units:19 ext:13 | object size u16 | "XH" | objects ... zero padding | "XT" | relocations i16 | count i32 |
 *
 * units is the whole area (header, data, tail) in 8-byte units; the capacity is derived from it.
 * Every byte of the data part beyond count objects is zero, so objects gained by growing the count
 * read as zero.  The growth rule lives in XAR_PRE_RELOC: the extension grows with every move.
 *
 * Misuse is reported to the message log as "NAME:  TEXT" and ends the process through crash();
 * exhaustion also calls error_break("Memory error.") first.  No operation returns an error. */
#include <stdlib.h>
#include <stdint.h>
#include <string.h>

#include "frame/report.h"
#include "memory/memory.h"
#include "memory/memory_internal.h"

namespace {

constexpr uint16_t HEAD_MARK = 0x4858;       /* "XH" */
constexpr uint16_t TAIL_MARK = 0x5458;       /* "XT" */
constexpr int MAX_DATA = 2047984;            /* largest data part: a 2,048,000-byte area less its
                                                8-byte header and 8-byte tail */
constexpr int MAX_EXTENSION = 8191;          /* the header's 13 extension bits */
constexpr int MAX_OBJECT_SIZE = 65535;       /* the header's 16 object-size bits */
constexpr uint32_t UNITS_MASK = 0x7FFFF;     /* bits 0-18 */
constexpr int EXTENSION_SHIFT = 19;
constexpr int16_t RELOCATIONS_FLOOR = -32768;

struct xar_head {
    uint32_t units_extension; /* area units (bits 0-18) and extension in objects (bits 19-31) */
    uint16_t object_size;     /* bytes per object */
    uint16_t mark;            /* HEAD_MARK */
};
struct xar_tail {
    uint16_t mark;            /* TAIL_MARK */
    int16_t relocations;      /* -1 when made, one less after each move */
    int32_t count;            /* objects in use */
};
static_assert(sizeof(xar_head) == 8 && sizeof(xar_tail) == 8, "xarray frame is 8 + 8 bytes");

int debug_xar = -1;           /* DEBUG_XAR present: read once per process */

xar_head* head_of(void* data) { return reinterpret_cast<xar_head*>(static_cast<char*>(data) - 8); }
uint32_t units_of(void* data) { return head_of(data)->units_extension & UNITS_MASK; }
int extension_of(void* data) { return static_cast<int>(head_of(data)->units_extension >> EXTENSION_SHIFT); }
int object_size_of(void* data) { return head_of(data)->object_size; }
size_t data_bytes(void* data) { return units_of(data) * 8 - 16; }
xar_tail* tail_of(void* data) { return reinterpret_cast<xar_tail*>(static_cast<char*>(data) + data_bytes(data)); }
/* bytes / object_size: a shift for the sizes of ints, pointers and doubles (any power of two),
 * the division for the rest (a size of 0 divides as before). */
size_t objects_in(size_t bytes, int object_size) {
    unsigned s = static_cast<unsigned>(object_size);
    if (s != 0 && (s & (s - 1)) == 0) return bytes >> __builtin_ctz(s);
    return bytes / s;
}
int capacity_of(void* data) { return static_cast<int>(objects_in(data_bytes(data), object_size_of(data))); }
int count_of(void* data) { return tail_of(data)->count; }
int max_count(int object_size) {
    if (object_size > 0) return static_cast<int>(objects_in(MAX_DATA, object_size));
    return MAX_DATA / object_size;
}
/* count > max_count(object_size) for a positive object size, without the division. */
bool above_max_count(long long count, int object_size) { return count * object_size > MAX_DATA; }

int valid(void* data) {
    if (data == nullptr) return 0;
    xar_head* head = head_of(data);
    if (head->mark != HEAD_MARK || head->object_size == 0) return 0;
    if ((head->units_extension & UNITS_MASK) < 2) return 0;
    return tail_of(data)->mark == TAIL_MARK;
}

[[noreturn]] void fail(const char* name, const char* text) {
    msg_log_printf("%s:  %s\n", name, text);
    crash();
}

/* Exhaustion: reported as a memory error; there is no area to go on with. */
[[noreturn]] void fail_memory(const char* name, const char* text) {
    msg_log_printf("%s:  %s\n", name, text);
    error_break("Memory error.");
    crash();
}

[[noreturn]] void fail_plain(const char* name, const char* text) {
    msg_log_printf("%s %s \n", name, text);
    crash();
}

void* checked(void** array, const char* name) {
    if (array == nullptr || !valid(*array)) fail(name, "invalid array");
    return *array;
}

/* Writes the header and the tail of an area of `units` units, each as one 8-byte word: the quick
 * append reads the header as one word, and a load that spans several smaller stores must wait
 * for all of them. */
void write_frame(void* data, int units, int extension, int object_size, int16_t relocations, int32_t count) {
    xar_head head = {static_cast<uint32_t>(units) | (static_cast<uint32_t>(extension) << EXTENSION_SHIFT),
                     static_cast<uint16_t>(object_size), HEAD_MARK};
    xar_tail tail = {TAIL_MARK, relocations, count};
    memcpy(static_cast<char*>(data) - 8, &head, sizeof head);
    memcpy(static_cast<char*>(data) + static_cast<size_t>(units) * 8 - 16, &tail, sizeof tail);
}

int debug_xar_set() {
    if (debug_xar < 0) debug_xar = getenv("DEBUG_XAR") != nullptr ? 1 : 0;
    return debug_xar;
}

int units_for(long long objects, int object_size) { return static_cast<int>((objects * object_size + 7) / 8 + 2); }

/* A private copy of n objects from a source inside an array that may move; bytes beyond the
 * array's data part read as zero.  Released by the caller with rlsmem. */
void* copy_aside(void* data, const void* source, int n) {
    int s = object_size_of(data);
    char* copy = static_cast<char*>(getmem(n * s, 0));
    size_t available = static_cast<size_t>(static_cast<char*>(data) + data_bytes(data) - static_cast<const char*>(source));
    size_t wanted = static_cast<size_t>(n) * static_cast<size_t>(s);
    memcpy(copy, source, wanted < available ? wanted : available);
    return copy;
}

int inside(void* data, const void* source, size_t begin, size_t end) {
    const char* p = static_cast<const char*>(source);
    const char* base = static_cast<const char*>(data);
    return p >= base + begin && p < base + end;
}

void check_range_call(const char* name, int count, int index, int n) {
    if (count < 0 || index < 0 || index > count || n < 0) fail_plain(name, "wrong call.");
}

/* Copies objects; the sizes of single ints and pointers are copied without a library call,
 * which is what appending one object at a time mostly does. */
void copy_objects(void* to, const void* from, size_t bytes) {
    if (bytes == 4) memcpy(to, from, 4);
    else if (bytes == 8) memcpy(to, from, 8);
    else memcpy(to, from, bytes);
}

inline __attribute__((always_inline)) int xar_pre_reloc(void* array, int n);

/* XAR_EXTEND on an array already checked: adds n objects at the end, moving the area when they
 * do not fit; a caller that copies into the first `filled` bytes of them at once says so.  Room is tested in bytes, (count + n) x s against the data part, which is the
 * capacity test without the division. */
void* extend_valid(void** array, void* data, int n, size_t filled = 0) {
    if (n < 0) fail("XAR_EXTEND", "invalid request");
    if (n == 0) return nullptr;
    int count = count_of(data);
    int s = object_size_of(data);
    if ((static_cast<unsigned long long>(count) + static_cast<unsigned>(n)) * static_cast<unsigned>(s) > data_bytes(data)) {
        int capacity = xar_pre_reloc(data, n);
        int units = units_for(capacity, s);
        int extension = extension_of(data);
        int16_t relocations = tail_of(data)->relocations;
        memset(tail_of(data), 0, sizeof(xar_tail));
        /* The first `filled` bytes of the new objects are the caller's to write: the growth
         * below them need not be zeroed first. */
        size_t first_new = 8 + static_cast<size_t>(count) * s;
        char* area = static_cast<char*>(relocmem_filled(static_cast<char*>(data) - 8, units * 8, 1, first_new,
                                                        first_new + filled));
        if (area == nullptr) fail_memory(" XAR_EXTEND", "out of memory");
        data = area + 8;
        write_frame(data, units, extension, s,
                    relocations > RELOCATIONS_FLOOR ? static_cast<int16_t>(relocations - 1) : relocations, count + n);
        *array = data;
    } else {
        tail_of(data)->count = count + n;
    }
    return static_cast<char*>(data) + static_cast<size_t>(count) * s;
}

inline __attribute__((always_inline)) int xar_pre_reloc(void* array, int n) {
    int s = object_size_of(array);
    int largest = max_count(s);
    if (static_cast<long long>(count_of(array)) + n > largest) fail_memory(" XAR_PRE_RELOC", "too big array");
    int k = -tail_of(array)->relocations;
    int extension = extension_of(array);
    /* The factors of the first four moves by table: k changes with every move, so branches on
     * it would be mispredicted every time. */
    static const double first_factors[5] = {1.0, 1.0, 1.3, 1.6, 2.0};
    double factor = first_factors[k < 1 ? 0 : k < 4 ? k : 4];
    if (k >= 4) {
        /* Past the largest count the factor no longer matters: stop before it overflows. */
        for (int step = 4; step < k && extension * factor <= largest; ++step) factor *= 1.15;
    }
    double scaled = extension * factor + 0.1;
    long long b = scaled > largest ? largest : static_cast<long long>(scaled);
    if (b < 1) b = 1;
    /* The smallest multiple of b not below n: b itself for the usual n from 1 to b, else the
     * steps counted in int (b is at most the largest count), a far cheaper division. */
    long long steps = n >= 1 && n <= b ? 1 : (n - 1) / static_cast<int>(b) + 1;
    long long capacity = b * steps + capacity_of(array);
    return static_cast<int>(capacity < largest ? capacity : largest);
}

/* XAR_APPEND in full: checks, the caller error of a source inside the array, growth. */
__attribute__((noinline)) void* append_checked(void** array, int n, const void* source) {
    void* data = checked(array, "XAR_APPEND");
    if (n == 0) return XAR_LAST(array);
    int s = object_size_of(data);
    int count = count_of(data);
    size_t used = static_cast<size_t>(count) * s;
    void* copy = nullptr;
    if (source != nullptr && inside(data, source, 0, used)) {
        dbg_err_info("XAR_APPEND", ": don't ask for trouble. Use xar_replicate");
        if (n > 0 && n <= max_count(s) - count) source = copy = copy_aside(data, source, n);
    }
    char* added = static_cast<char*>(extend_valid(array, data, n, source != nullptr ? static_cast<size_t>(n) * s : 0));
    if (source != nullptr) copy_objects(added, source, static_cast<size_t>(n) * s);
    rlsmem(copy);
    return added;
}

/* XAR_APPEND on a valid array, from a source outside it (or none), that must grow first. */
__attribute__((noinline)) void* append_grown(void** array, void* data, int n, const void* source, size_t bytes) {
    char* added = static_cast<char*>(extend_valid(array, data, n, source != nullptr ? bytes : 0));
    if (source != nullptr) copy_objects(added, source, bytes);
    return added;
}

}  // namespace

extern "C" {

void* XAR_ALLOC(int count, int object_size, int extension) {
    if (count == 0 && extension == 0) return nullptr;
    if (count < 0 || object_size <= 0 || object_size > MAX_OBJECT_SIZE || extension <= 0)
        fail("XAR_ALLOC", "invalid request");
    if (count == 0 && extension == 1 && object_size < 128) extension = 2;
    int reserved = count;
    if (reserved == 0 && !debug_xar_set()) reserved = 1;
    if (above_max_count(count, object_size)) fail("XAR_ALLOC", "too big array");
    int units = units_for(reserved, object_size);
    char* area = static_cast<char*>(getmem(units * 8, 1));
    if (area == nullptr) fail_memory("XAR_ALLOC", "out of memory");
    void* data = area + 8;
    if (extension > MAX_EXTENSION) extension = MAX_EXTENSION;
    write_frame(data, units, extension, object_size, -1, count);
    return data;
}

int XAR_PRE_RELOC(void* array, int n) { return xar_pre_reloc(array, n); }

void* XAR_EXTEND(void** array, int n) {
    return extend_valid(array, checked(array, "XAR_EXTEND"), n);
}

/* The common case inline, growth in append_grown, everything else (and every message) in
 * append_checked: a valid array with room for the objects and a source outside it only gains
 * the count and the copy.  The header is read as one word: its upper half, the mark above the
 * object size, tells a valid mark and a size above zero with one comparison.  A source below
 * the data or at or past the objects in use is outside, which one unsigned comparison of its
 * offset tells (a null source has a huge offset; where it has not, the full test follows).  A
 * count below zero reads as more objects than any area holds, so the room test refuses it. */
void* XAR_APPEND(void** array, int n, const void* source) {
    if (array == nullptr) return append_checked(array, n, source);
    char* data = static_cast<char*>(*array);
    if ((data != nullptr) & (n > 0)) {
        uint64_t head;
        memcpy(&head, data - 8, sizeof head);
        uint32_t upper = static_cast<uint32_t>(head >> 32);
        uint32_t units = static_cast<uint32_t>(head) & UNITS_MASK;
        if ((upper - ((uint32_t{HEAD_MARK} << 16) + 1) < 0xFFFF) & (units >= 2)) {
            size_t s = upper & 0xFFFF;
            size_t bytes = static_cast<size_t>(units) * 8 - 16;
            xar_tail* tail = reinterpret_cast<xar_tail*>(data + bytes);
            int32_t count = tail->count;
            size_t used = static_cast<size_t>(static_cast<uint32_t>(count)) * s;
            size_t added = static_cast<size_t>(n) * s;
            uintptr_t offset = reinterpret_cast<uintptr_t>(source) - reinterpret_cast<uintptr_t>(data);
            if (tail->mark != TAIL_MARK) return append_checked(array, n, source);
            if (offset >= used && used + added <= bytes) {
                tail->count = count + n;
                char* to = data + used;
                /* copy_objects, written so that the library's copy is a tail call (memcpy
                 * returns its destination) and the path keeps a single register on the stack. */
                if (source == nullptr) return to;
                if (added == 4) return static_cast<char*>(memcpy(to, source, 4));
                if (added == 8) return static_cast<char*>(memcpy(to, source, 8));
                return memcpy(to, source, added);
            }
            if (count >= 0 && (offset >= used || source == nullptr))
                return append_grown(array, data, n, source, added);
        }
    }
    return append_checked(array, n, source);
}

void* XAR_LAST(void** array) {
    if (array == nullptr || *array == nullptr) return nullptr;
    void* data = checked(array, "XAR_LAST");
    int count = count_of(data);
    return count == 0 ? nullptr : static_cast<char*>(data) + static_cast<size_t>(count - 1) * object_size_of(data);
}

int XAR_COUNT(void** array) {
    if (array == nullptr || *array == nullptr) return 0;
    return count_of(checked(array, "XAR_COUNT"));
}

void* XAR_SHRINK(void** array, int n) {
    void* data = checked(array, "XAR_SHRINK");
    int count = count_of(data);
    if (n < 0 || count - n < 0) fail("XAR_SHRINK", "invalid request");
    int s = object_size_of(data);
    count -= n;
    tail_of(data)->count = count;
    memset(static_cast<char*>(data) + static_cast<size_t>(count) * s, 0, static_cast<size_t>(n) * s);
    return count == 0 ? nullptr : static_cast<char*>(data) + static_cast<size_t>(count - 1) * s;
}

int XAR_RESIZE(void** array, int new_count) {
    if ((array == nullptr || *array == nullptr) && new_count == 0) return 0;
    void* data = checked(array, "XAR_RESIZE");
    int count = count_of(data);
    if (new_count < count) XAR_SHRINK(array, count - new_count);
    else if (new_count > count) XAR_EXTEND(array, new_count - count);
    return 0;
}

void XAR_FREE(void** array) {
    if (array == nullptr || *array == nullptr) return;
    void* data = checked(array, "XAR_FREE");
    rlsmem(static_cast<char*>(data) - 8);
    *array = nullptr;
}

void XAR_PARAMS(void** array, int* object_size, int* extension, int* count, int* largest) {
    void* data = checked(array, "XAR_PARAMS");
    if (object_size != nullptr) *object_size = object_size_of(data);
    if (extension != nullptr) *extension = extension_of(data);
    if (count != nullptr) *count = count_of(data);
    if (largest != nullptr) *largest = max_count(object_size_of(data));
}

void* xar_insert(void** array, int index, int n, const void* source) {
    void* data = checked(array, "xar_insert");
    int s = object_size_of(data);
    int count = count_of(data);
    void* copy = nullptr;
    if (source != nullptr && n > 0 && index >= 0 && index <= count) {
        size_t at = static_cast<size_t>(index) * s;
        if (inside(data, source, 0, at)) {
            err_report_fatal("xar_insert", "xarray may be relocated.");
            if (n <= max_count(s) - count) source = copy = copy_aside(data, source, n);
        } else if (inside(data, source, at, data_bytes(data))) {
            /* It would be overwritten by the move, and read after the array moved. */
            fail_plain("arr_insert", "bad data pointer.");
        }
    }
    if (copy == nullptr && n > 0 && index >= 0 && index <= count &&
        (static_cast<unsigned long long>(count) + static_cast<unsigned>(n)) * static_cast<unsigned>(s) <=
            data_bytes(data)) {
        /* Room for the objects: what extend_valid and arr_insert do without growth, whose checks
         * all hold here (a source inside the array was dealt with above). */
        char* base = static_cast<char*>(data);
        size_t at = static_cast<size_t>(index) * s;
        size_t bytes = static_cast<size_t>(n) * s;
        tail_of(data)->count = count + n;
        memmove(base + at + bytes, base + at, static_cast<size_t>(count - index) * s);
        if (source != nullptr) copy_objects(base + at, source, bytes);
        else memset(base + at, 0, bytes);
        return base + at;
    }
    /* The array was checked above and nothing since has touched it.  arr_insert writes every
     * byte of the n new objects (moved objects or the inserted ones), or ends the process. */
    extend_valid(array, data, n, n > 0 ? static_cast<size_t>(n) * s : 0);
    data = *array;
    arr_insert(data, s, &count, index, n, source);
    rlsmem(copy);
    return static_cast<char*>(data) + static_cast<size_t>(index) * s;
}

void* xar_remove(void** array, int index, int n) {
    void* data = checked(array, "xar_remove");
    int count = count_of(data);
    arr_delete(data, object_size_of(data), &count, index, n);
    return XAR_SHRINK(array, n);
}

int xar_find_int(void** array, int value) {
    if (array == nullptr || *array == nullptr) return -1;
    void* data = checked(array, "xar_find_int");
    if (object_size_of(data) != sizeof(int)) fail("xar_find_int", "invalid array");
    const int* items = static_cast<const int*>(data);
    int count = count_of(data);
    for (int i = 0; i < count; ++i)
        if (items[i] == value) return i;
    return -1;
}

void arr_insert(void* data, int object_size, int* count, int index, int n, const void* source) {
    check_range_call("arr_insert", *count, index, n);
    if (n == 0) return;
    char* base = static_cast<char*>(data);
    size_t s = static_cast<size_t>(object_size);
    const char* from = static_cast<const char*>(source);
    if (from != nullptr && from >= base + index * s && from < base + (*count + n) * s)
        fail_plain("arr_insert", "bad data pointer.");
    memmove(base + (index + n) * s, base + index * s, (*count - index) * s);
    *count += n;
    if (from != nullptr) copy_objects(base + index * s, from, n * s);
    else memset(base + index * s, 0, n * s);
}

void arr_delete(void* data, int object_size, int* count, int index, int n) {
    check_range_call("arr_delete", *count, index, n);
    if (static_cast<long long>(index) + n > *count) fail_plain("arr_delete", "wrong call.");
    if (n == 0) return;
    char* base = static_cast<char*>(data);
    size_t s = static_cast<size_t>(object_size);
    memmove(base + index * s, base + (index + n) * s, (*count - index - n) * s);
    *count -= n;
}

}
