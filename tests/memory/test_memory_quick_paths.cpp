// The quick paths of the memory runtime against the rules they shortcut: the inline zeroing and
// 0xFF overwrite of small chain blocks at every size around their limits, growth that leaves the
// bytes a caller fills at once to the caller (over a heap that hands out dirty memory), and the
// branch-free bisection, which must compare exactly what the plain search compares.
#include <gtest/gtest.h>

#include <cstdint>
#include <algorithm>
#include <cstring>
#include <vector>

#include "memory/memory.h"
#include "platform/platform.h"

namespace {

size_t align8(size_t n) { return (n + 7) & ~size_t(7); }

struct heap_override {
    platform_table saved = platform;
    ~heap_override() { platform = saved; }
};

platform_table real_heap = platform;

// The last area given back to the heap, kept from it until the test has read it.
void* kept_area = nullptr;
void keeping_free(void* area) { kept_area = area; }

// A heap whose new memory is never clean: every fresh or grown area comes back filled with 0xA5
// beyond what it kept, so any byte the runtime fails to zero shows.
constexpr unsigned char DIRTY = 0xA5;
void* dirty_alloc(size_t n) {
    void* p = real_heap.heap_alloc(n);
    if (p != nullptr) std::memset(p, DIRTY, n);
    return p;
}
void* dirty_realloc(void* old, size_t n) {
    size_t kept = real_heap.heap_usable_size(old);
    void* p = real_heap.heap_alloc(n);
    if (p == nullptr) return nullptr;
    std::memset(p, DIRTY, n);
    std::memcpy(p, old, kept < n ? kept : n);
    real_heap.heap_free(old);
    return p;
}
size_t no_usable(void*) { return 0; }   // every small resize moves: allocate, copy, release

struct dirty_heap : heap_override {
    dirty_heap() {
        platform.heap_alloc = dirty_alloc;
        platform.heap_realloc = dirty_realloc;
        platform.heap_usable_size = no_usable;
    }
};

int capacity_of(void* a) {
    uint32_t w;
    std::memcpy(&w, static_cast<char*>(a) - 8, 4);
    uint16_t s;
    std::memcpy(&s, static_cast<char*>(a) - 4, 2);
    return static_cast<int>(((w & 0x7FFFF) * 8 - 16) / s);
}

// Every byte of the data part beyond the objects in use must be zero.
void expect_zero_beyond_count(void* a, const char* what) {
    int s = 0, count = 0;
    XAR_PARAMS(&a, &s, nullptr, &count, nullptr);
    const unsigned char* data = static_cast<const unsigned char*>(a);
    size_t end = static_cast<size_t>(capacity_of(a)) * s;
    for (size_t i = static_cast<size_t>(count) * s; i < end; ++i)
        ASSERT_EQ(data[i], 0) << what << ": byte " << i << " of " << end << " (count " << count << ")";
}

}  // namespace

TEST(ChainQuickPaths, EverySmallSizeIsZeroedAndOverwrittenWhole) {
    heap_override restore;
    platform.heap_free = keeping_free;
    platform.heap_alloc = dirty_alloc;
    // Up to 160 bytes covers the inline stores and the library calls on both sides of their
    // limits (two runs up to 64 bytes, four up to 128, the library beyond) with either frame size.
    for (int size = 1; size <= 160; ++size) {
        unsigned char* p = static_cast<unsigned char*>(getmem(size, 0));
        for (size_t i = 0; i < align8(size); ++i) ASSERT_EQ(p[i], 0) << "size " << size << " byte " << i;
        EXPECT_GE(memory_chain_check(), 1);
        std::memset(p, 0x11, align8(size));
        kept_area = nullptr;
        rlsmem(p);
        ASSERT_NE(kept_area, nullptr);
        // The frame is as long before the data as after it.
        size_t head = static_cast<size_t>(p - static_cast<unsigned char*>(kept_area));
        size_t total = align8(size) + 2 * head;
        const unsigned char* area = static_cast<const unsigned char*>(kept_area);
        for (size_t i = 0; i < total; ++i) ASSERT_EQ(area[i], 0xFF) << "size " << size << " byte " << i;
        real_heap.heap_free(kept_area);
    }
}

TEST(ChainQuickPaths, GrowthOfEverySmallStepIsZeroedOverADirtyHeap) {
    dirty_heap dirty;
    for (int from = 1; from <= 40; ++from)
        for (int to = from + 1; to <= 176; to += 3) {
            unsigned char* p = static_cast<unsigned char*>(getmem(from, 0));
            std::memset(p, 0x22, static_cast<size_t>(from));
            p = static_cast<unsigned char*>(relocmem(p, to, 0));
            for (int i = 0; i < from; ++i) ASSERT_EQ(p[i], 0x22) << from << " to " << to;
            for (size_t i = static_cast<size_t>(from); i < align8(to); ++i) ASSERT_EQ(p[i], 0) << from << " to " << to << " byte " << i;
            rlsmem(p);
        }
    EXPECT_GE(memory_chain_check(), 0);
}

namespace {

// A heap that resizes in place whenever its fixed 4,096-byte areas hold the new size (and says
// so through its usable size), and moves otherwise, over dirty memory.
constexpr size_t ROOMY = 4096;
void* roomy_alloc(size_t n) { return dirty_alloc(n > ROOMY ? n : ROOMY); }
size_t roomy_usable(void* p) { return real_heap.heap_usable_size(p); }
int in_place = 0;
void* roomy_realloc(void* old, size_t n) {
    if (n <= roomy_usable(old)) {
        ++in_place;
        return old;
    }
    return dirty_realloc(old, n);
}
struct roomy_heap : heap_override {
    roomy_heap() {
        platform.heap_alloc = roomy_alloc;
        platform.heap_realloc = roomy_realloc;
        platform.heap_usable_size = roomy_usable;
    }
};

}  // namespace

TEST(ChainQuickPaths, ResizeInPlaceOrByAMoveKeepsEveryNeighbourLinked) {
    roomy_heap roomy;
    int before = memory_chain_check();
    ASSERT_GE(before, 0);
    // The middle block grows in place (its tail moves, its neighbours stay) until the area is
    // full, then moves; after every step the whole chain is walked and the neighbours released
    // and taken again around it.
    char* first = static_cast<char*>(getmem(24, 0));
    char* middle = static_cast<char*>(getmem(8, 0));
    char* last = static_cast<char*>(getmem(40, 0));
    in_place = 0;
    int moved = 0;
    for (int size = 16; size <= 6000; size += 488) {
        char* grown = static_cast<char*>(relocmem(middle, size, 0));
        if (grown != middle) ++moved;
        middle = grown;
        ASSERT_EQ(memory_chain_check(), before + 3) << size;
        for (int i = 0; i < size; ++i) ASSERT_EQ(middle[i], 0) << size << " byte " << i;
        rlsmem(last);
        ASSERT_EQ(memory_chain_check(), before + 2) << size;
        last = static_cast<char*>(getmem(40, 0));
        rlsmem(first);
        ASSERT_EQ(memory_chain_check(), before + 2) << size;
        first = static_cast<char*>(getmem(24, 0));
        ASSERT_EQ(memory_chain_check(), before + 3) << size;
    }
    EXPECT_GT(in_place, 3);
    EXPECT_GT(moved, 0);
    // The middle block, now the oldest of the three, released alone leaves a consistent chain.
    rlsmem(middle);
    EXPECT_EQ(memory_chain_check(), before + 2);
    rlsmem(first);
    rlsmem(last);
    EXPECT_EQ(memory_chain_check(), before);
}

TEST(XarrayGrowthFill, AppendedObjectsAreCopiedAndTheRestOfTheGrowthIsZero) {
    dirty_heap dirty;
    for (int s : {1, 3, 4, 8, 12, 24}) {
        for (int n : {1, 2, 7, 100, 1000}) {
            void* a = XAR_ALLOC(0, s, 16);
            std::vector<unsigned char> source(static_cast<size_t>(n) * s);
            int expected = 0;
            for (int round = 0; round < 6; ++round) {
                for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<unsigned char>(round * 31 + i % 251 + 1);
                unsigned char* added = static_cast<unsigned char*>(XAR_APPEND(&a, n, source.data()));
                ASSERT_EQ(std::memcmp(added, source.data(), source.size()), 0) << "s " << s << " n " << n;
                expected += n;
                ASSERT_EQ(XAR_COUNT(&a), expected);
                expect_zero_beyond_count(a, "XAR_APPEND with a source");
                // Objects gained without a source are zero, also where the growth began inside
                // the old area (its room and its old tail).
                unsigned char* zeroed = static_cast<unsigned char*>(XAR_APPEND(&a, 1, nullptr));
                for (int b = 0; b < s; ++b) ASSERT_EQ(zeroed[b], 0) << "s " << s << " n " << n;
                ++expected;
            }
            EXPECT_GE(memory_chain_check(), 1);
            XAR_FREE(&a);
        }
    }
}

TEST(XarrayGrowthFill, InsertsAtTheFrontMiddleAndEndFillEveryNewObject) {
    dirty_heap dirty;
    for (int s : {1, 4, 12}) {
        void* a = XAR_ALLOC(0, s, 3);
        std::vector<unsigned char> model;
        for (int step = 0; step < 300; ++step) {
            int count = XAR_COUNT(&a);
            int index = step % 3 == 0 ? 0 : step % 3 == 1 ? count / 2 : count;
            int n = 1 + step % 5;
            std::vector<unsigned char> objects(static_cast<size_t>(n) * s);
            for (size_t i = 0; i < objects.size(); ++i) objects[i] = static_cast<unsigned char>(step + i + 1);
            bool with_source = step % 4 != 3;
            xar_insert(&a, index, n, with_source ? objects.data() : nullptr);
            if (!with_source) std::fill(objects.begin(), objects.end(), 0);
            model.insert(model.begin() + static_cast<size_t>(index) * s, objects.begin(), objects.end());
            ASSERT_EQ(XAR_COUNT(&a) * s, static_cast<int>(model.size()));
            ASSERT_EQ(std::memcmp(a, model.data(), model.size()), 0) << "s " << s << " step " << step;
            expect_zero_beyond_count(a, "xar_insert");
        }
        XAR_FREE(&a);
    }
}

TEST(XarrayQuickAppend, SourcesJustOutsideTheObjectsInUseTakeTheQuickPath) {
    // The quick path tells a source inside the objects in use by one comparison of its offset:
    // the first byte past them (the room) is outside, the last object is inside.
    void* a = XAR_ALLOC(8, 4, 16);
    XAR_SHRINK(&a, 6);   // count 2, room for 6 more in place
    int* data = static_cast<int*>(a);
    data[0] = 5;
    data[1] = 6;
    void* area = a;
    int* added = static_cast<int*>(XAR_APPEND(&a, 1, data + 2));   // the zero object past the count
    EXPECT_EQ(a, area);
    EXPECT_EQ(added, data + 2);
    EXPECT_EQ(*added, 0);
    added = static_cast<int*>(XAR_APPEND(&a, 1, data + 1));         // inside: reported, copied aside
    EXPECT_EQ(*added, 6);
    std::vector<int> outside = {7, 8};
    added = static_cast<int*>(XAR_APPEND(&a, 2, outside.data()));
    EXPECT_EQ(added[0], 7);
    EXPECT_EQ(added[1], 8);
    EXPECT_EQ(XAR_COUNT(&a), 6);
    XAR_FREE(&a);
}

namespace {

// The bisection as plainly written: the calls it must make, in their order.
std::vector<int> compared;
int recording_compare(const void* key, const void* element, void*) {
    int k = *static_cast<const int*>(key), e = *static_cast<const int*>(element);
    compared.push_back(e);
    return (k > e) - (k < e);
}

int plain_bisection(int count, const int* base, int key, int* position) {
    if (count <= 0) {
        *position = 0;
        return 0;
    }
    int low = 0, high = count - 1, middle = 0, order = 0;
    while (low <= high) {
        middle = low + (high - low) / 2;
        order = recording_compare(&key, base + middle, nullptr);
        if (order == 0) {
            *position = middle;
            return 1;
        }
        if (order > 0) low = middle + 1;
        else high = middle - 1;
    }
    *position = order > 0 ? middle + 1 : middle;
    return 0;
}

}  // namespace

TEST(BisectionQuickPath, ComparesTheSameElementsInTheSameOrderAsThePlainSearch) {
    for (int count : {0, 1, 2, 3, 4, 7, 8, 9, 100, 1023, 1024, 1025}) {
        std::vector<int> sorted(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) sorted[i] = 3 * i;
        void* array = sorted.data();
        for (int key = -2; key <= 3 * count + 2; ++key) {
            int expected_position = -1, position = -1;
            compared.clear();
            int expected = plain_bisection(count, sorted.data(), key, &expected_position);
            std::vector<int> expected_calls = compared;
            compared.clear();
            int found = bsearch_array(count, recording_compare, sizeof(int), &key, &array, &position, nullptr);
            ASSERT_EQ(found, expected) << count << " " << key;
            ASSERT_EQ(position, expected_position) << count << " " << key;
            ASSERT_EQ(compared, expected_calls) << count << " " << key;
        }
    }
}
