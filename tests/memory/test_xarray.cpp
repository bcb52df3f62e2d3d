// Expandable arrays: the frame layout, the growth rule, the operations against std::vector, and
// every fatal message in a child process.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "frame/report.h"
#include "memory/memory.h"
#include "tests/support/child.h"

namespace {

using vt_test::ChildEnv;
using vt_test::run_child;

const ChildEnv clean = {{"ALLOW_CRASH", std::nullopt},
                        {"PRO_EXPECTED_EXIT_STATUS", std::nullopt},
                        {"DEBUG_XAR", std::nullopt}};
const char* const fatal_stop = "Serious internal error; cannot continue.\n";

// The frame as laid out in front of and behind the data.
uint32_t units(void* a) {
    uint32_t w;
    std::memcpy(&w, static_cast<char*>(a) - 8, 4);
    return w & 0x7FFFF;
}
int capacity(void* a, int object_size) { return static_cast<int>((units(a) * 8 - 16) / object_size); }
int16_t relocations(void* a) {
    int16_t r;
    std::memcpy(&r, static_cast<char*>(a) + units(a) * 8 - 16 + 2, 2);
    return r;
}

// Capacity steps while appending one object at a time.
std::vector<int> growth_steps(int extension, int steps) {
    void* a = XAR_ALLOC(0, 8, extension);
    std::vector<int> out;
    int cap = capacity(a, 8);
    while (static_cast<int>(out.size()) < steps) {
        XAR_EXTEND(&a, 1);
        int now = capacity(a, 8);
        if (now != cap) out.push_back(now - cap);
        cap = now;
    }
    XAR_FREE(&a);
    return out;
}

}  // namespace

TEST(Xarray, SmallArrayGrowsFrom24To88Bytes) {
    void* a = XAR_ALLOC(0, 4, 16);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(units(a) * 8, 24u);
    EXPECT_EQ(capacity(a, 4), 2);
    EXPECT_EQ(XAR_COUNT(&a), 0);
    EXPECT_EQ(relocations(a), -1);
    int* first = static_cast<int*>(XAR_EXTEND(&a, 1));
    EXPECT_EQ(first, a);
    XAR_EXTEND(&a, 1);
    EXPECT_EQ(units(a) * 8, 24u);
    int* third = static_cast<int*>(XAR_EXTEND(&a, 1));
    EXPECT_EQ(units(a) * 8, 88u);
    EXPECT_EQ(capacity(a, 4), 18);
    EXPECT_EQ(relocations(a), -2);
    EXPECT_EQ(third, static_cast<int*>(a) + 2);
    EXPECT_EQ(XAR_COUNT(&a), 3);
    int size, ext, count, largest;
    XAR_PARAMS(&a, &size, &ext, &count, &largest);
    EXPECT_EQ(size, 4);
    EXPECT_EQ(ext, 16);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(largest, 2047984 / 4);
    XAR_FREE(&a);
    EXPECT_EQ(a, nullptr);
}

TEST(Xarray, GrowthStepsScaleWithTheNumberOfMoves) {
    EXPECT_EQ(growth_steps(16, 8), (std::vector<int>{16, 20, 25, 32, 36, 42, 48, 56}));
    EXPECT_EQ(growth_steps(10, 8), (std::vector<int>{10, 13, 16, 20, 23, 26, 30, 35}));
}

TEST(Xarray, PreRelocRoundsUpToWholeStepsAndCapsAtTheLargestCount) {
    void* a = XAR_ALLOC(4, 8, 10);
    EXPECT_EQ(XAR_PRE_RELOC(a, 1), 14);
    EXPECT_EQ(XAR_PRE_RELOC(a, 10), 14);
    EXPECT_EQ(XAR_PRE_RELOC(a, 11), 24);
    EXPECT_EQ(XAR_PRE_RELOC(a, 2047984 / 8 - 4), 2047984 / 8);
    XAR_FREE(&a);
    // Thousands of moves must not overflow the factor.
    void* b = XAR_ALLOC(1, 8, 8191);
    int16_t deep = -30000;
    std::memcpy(static_cast<char*>(b) + units(b) * 8 - 16 + 2, &deep, 2);
    EXPECT_EQ(XAR_PRE_RELOC(b, 1), 2047984 / 8);
    XAR_FREE(&b);
}

namespace {

// The growth rule written out plainly: the capacity after growing for n more objects.
long long rule_capacity(int count, int capacity, int object_size, int extension, int k, int n) {
    long long largest = 2047984 / object_size;
    double factor = 1.0;
    if (k == 2) factor = 1.3;
    if (k == 3) factor = 1.6;
    if (k >= 4) factor = 2.0;
    for (int step = 5; step <= k && extension * factor <= largest; ++step) factor *= 1.15;
    double scaled = extension * factor + 0.1;
    long long b = scaled > largest ? largest : static_cast<long long>(scaled);
    if (b < 1) b = 1;
    long long grown = b * ((n - 1) / b + 1) + capacity;
    (void)count;
    return grown < largest ? grown : largest;
}

}  // namespace

TEST(Xarray, PreRelocFollowsTheRuleForEverySizeMoveAndRequest) {
    // Object sizes that are powers of two and sizes that are not; requests below, at and above
    // one step, and several steps; arrays after 1 to 9 moves.
    for (int s : {1, 3, 4, 8, 12, 64, 312, 4096}) {
        for (int extension : {1, 7, 16, 100}) {
            void* a = XAR_ALLOC(2, s, extension);
            for (int moves = 1; moves <= 9; ++moves) {
                int count = XAR_COUNT(&a);
                int cap = capacity(a, s);
                int k = -relocations(a);
                ASSERT_EQ(k, moves);
                for (int n : {0, 1, 2, extension - 1, extension, extension + 1, 3 * extension + 2, 1000}) {
                    if (count + static_cast<long long>(n) > 2047984 / s) continue;
                    ASSERT_EQ(XAR_PRE_RELOC(a, n), rule_capacity(count, cap, s, extension, k, n))
                        << "s " << s << " extension " << extension << " moves " << moves << " n " << n;
                }
                if (capacity(a, s) == 2047984 / s) break;
                XAR_EXTEND(&a, cap - count + 1);   // one past the capacity: one more move
            }
            XAR_FREE(&a);
        }
    }
}

TEST(Xarray, TheLargestCountOfEverySizeIsAllowedAndReported) {
    for (int s : {3, 8, 12, 4096, 65535}) {
        int largest = 0;
        void* a = XAR_ALLOC(2047984 / s, s, 1);
        ASSERT_NE(a, nullptr) << s;
        XAR_PARAMS(&a, nullptr, nullptr, nullptr, &largest);
        EXPECT_EQ(largest, 2047984 / s);
        EXPECT_EQ(XAR_COUNT(&a), 2047984 / s);
        XAR_FREE(&a);
    }
}

TEST(Xarray, AllocationRules) {
    EXPECT_EQ(XAR_ALLOC(0, 4, 0), nullptr);
    int ext = 0;
    void* a = XAR_ALLOC(0, 100, 1);
    XAR_PARAMS(&a, nullptr, &ext, nullptr, nullptr);
    EXPECT_EQ(ext, 2);
    XAR_FREE(&a);
    a = XAR_ALLOC(0, 128, 1);
    XAR_PARAMS(&a, nullptr, &ext, nullptr, nullptr);
    EXPECT_EQ(ext, 1);
    XAR_FREE(&a);
    a = XAR_ALLOC(3, 4, 20000);
    XAR_PARAMS(&a, nullptr, &ext, nullptr, nullptr);
    EXPECT_EQ(ext, 8191);
    EXPECT_EQ(XAR_COUNT(&a), 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(static_cast<int*>(a)[i], 0);
    XAR_FREE(&a);
    a = XAR_ALLOC(2047984, 1, 1);  // the largest array
    EXPECT_EQ(XAR_COUNT(&a), 2047984);
    EXPECT_EQ(units(a), 256000u);
    XAR_FREE(&a);
}

TEST(Xarray, NullArraysAndBoundaries) {
    void* none = nullptr;
    EXPECT_EQ(XAR_COUNT(&none), 0);
    EXPECT_EQ(XAR_LAST(&none), nullptr);
    EXPECT_EQ(XAR_RESIZE(&none, 0), 0);
    EXPECT_EQ(xar_find_int(&none, 3), -1);
    XAR_FREE(&none);
    EXPECT_EQ(none, nullptr);

    void* a = XAR_ALLOC(2, 4, 4);
    EXPECT_EQ(XAR_EXTEND(&a, 0), nullptr);
    EXPECT_EQ(XAR_COUNT(&a), 2);
    EXPECT_EQ(XAR_LAST(&a), static_cast<int*>(a) + 1);
    EXPECT_EQ(XAR_APPEND(&a, 0, nullptr), static_cast<int*>(a) + 1);
    EXPECT_EQ(XAR_SHRINK(&a, 1), a);
    EXPECT_EQ(XAR_SHRINK(&a, 1), nullptr);
    EXPECT_EQ(XAR_LAST(&a), nullptr);
    EXPECT_EQ(XAR_APPEND(&a, 0, nullptr), nullptr);
    XAR_FREE(&a);
}

TEST(Xarray, ObjectsRemovedFromTheEndReadAsZeroWhenTheCountGrowsAgain) {
    void* a = XAR_ALLOC(0, 4, 8);
    for (int i = 1; i <= 10; ++i) *static_cast<int*>(XAR_EXTEND(&a, 1)) = i;
    XAR_SHRINK(&a, 3);
    XAR_EXTEND(&a, 3);
    int* v = static_cast<int*>(a);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(v[i], i + 1);
    for (int i = 7; i < 10; ++i) EXPECT_EQ(v[i], 0) << i;
    // The same through resize, across a move.
    XAR_RESIZE(&a, 2);
    XAR_RESIZE(&a, 200);
    v = static_cast<int*>(a);
    EXPECT_EQ(v[0], 1);
    EXPECT_EQ(v[1], 2);
    for (int i = 2; i < 200; ++i) ASSERT_EQ(v[i], 0) << i;
    XAR_FREE(&a);
}

TEST(Xarray, InsertAndRemoveAtEveryPositionMatchAVector) {
    std::mt19937 rng(77);
    void* a = XAR_ALLOC(0, 4, 3);
    std::vector<int> model;
    int next = 1;
    int base = memory_chain_check();
    for (int step = 0; step < 6000; ++step) {
        int count = static_cast<int>(model.size());
        unsigned op = rng() % 8;
        if (op < 4 || count == 0) {
            int index = static_cast<int>(rng() % (count + 1));
            int n = static_cast<int>(rng() % 4);
            std::vector<int> source(n);
            for (int& v : source) v = next++;
            bool zeroed = rng() % 5 == 0;
            int* at = static_cast<int*>(xar_insert(&a, index, n, zeroed ? nullptr : source.data()));
            ASSERT_EQ(at, static_cast<int*>(a) + index);
            if (zeroed) std::fill(source.begin(), source.end(), 0);
            model.insert(model.begin() + index, source.begin(), source.end());
        } else if (op < 7) {
            int index = static_cast<int>(rng() % count);
            int n = static_cast<int>(rng() % (count - index + 1));
            xar_remove(&a, index, n);
            model.erase(model.begin() + index, model.begin() + index + n);
        } else {
            int value = next++;
            XAR_APPEND(&a, 1, &value);
            model.push_back(value);
        }
        ASSERT_EQ(XAR_COUNT(&a), static_cast<int>(model.size())) << step;
        if (!model.empty()) {
            ASSERT_EQ(std::memcmp(a, model.data(), model.size() * 4), 0) << step;
        }
        // The bytes past the count stay zero.
        int cap = capacity(a, 4);
        for (int i = static_cast<int>(model.size()); i < cap; ++i) ASSERT_EQ(static_cast<int*>(a)[i], 0) << step;
        if (!model.empty()) {
            int probe = model[rng() % model.size()];
            ASSERT_EQ(xar_find_int(&a, probe), std::find(model.begin(), model.end(), probe) - model.begin());
        }
        ASSERT_EQ(xar_find_int(&a, -5), -1);
    }
    EXPECT_EQ(memory_chain_check(), base);
    XAR_FREE(&a);
    EXPECT_EQ(memory_chain_check(), base - 1);
}

TEST(Xarray, SourcesInsideTheArraySurviveAMove) {
    void* a = XAR_ALLOC(2, 4, 1);
    static_cast<int*>(a)[0] = 7;
    static_cast<int*>(a)[1] = 8;
    // Appending the array's own objects: the array moves while the source is read.
    XAR_APPEND(&a, 2, a);
    int* v = static_cast<int*>(a);
    ASSERT_EQ(XAR_COUNT(&a), 4);
    EXPECT_EQ(v[0], 7);
    EXPECT_EQ(v[1], 8);
    EXPECT_EQ(v[2], 7);
    EXPECT_EQ(v[3], 8);
    // Inserting objects that lie before the insertion point.
    xar_insert(&a, 4, 40, static_cast<int*>(a) + 1);
    v = static_cast<int*>(a);
    ASSERT_EQ(XAR_COUNT(&a), 44);
    EXPECT_EQ(v[4], 8);
    EXPECT_EQ(v[5], 7);
    EXPECT_EQ(v[6], 8);
    for (int i = 7; i < 44; ++i) EXPECT_EQ(v[i], 0) << i;  // beyond the old data: zero
    XAR_FREE(&a);
}

TEST(Xarray, SourcesInsideTheObjectsThatShiftAreReadBeforeTheShift) {
    // A plain array: objects before the gap may be the source.
    int data[10] = {1, 2, 3, 4, 5};
    int count = 5;
    arr_insert(data, 4, &count, 3, 2, data);
    EXPECT_EQ(std::vector<int>(data, data + count), (std::vector<int>{1, 2, 3, 1, 2, 4, 5}));
    // An expandable array with room to spare (no move): its own objects inserted after them
    // and appended at the end.
    void* a = XAR_ALLOC(3, 4, 64);
    int* v = static_cast<int*>(a);
    v[0] = 10, v[1] = 11, v[2] = 12;
    xar_insert(&a, 3, 2, static_cast<int*>(a) + 1);
    v = static_cast<int*>(a);
    ASSERT_EQ(XAR_COUNT(&a), 5);
    EXPECT_EQ(std::vector<int>(v, v + 5), (std::vector<int>{10, 11, 12, 11, 12}));
    XAR_APPEND(&a, 3, static_cast<int*>(a) + 2);
    v = static_cast<int*>(a);
    ASSERT_EQ(XAR_COUNT(&a), 8);
    EXPECT_EQ(std::vector<int>(v, v + 8), (std::vector<int>{10, 11, 12, 11, 12, 12, 11, 12}));
    XAR_FREE(&a);
}

TEST(Xarray, PlainArrayGaps) {
    int data[10] = {1, 2, 3, 4, 5};
    int count = 5;
    const int two[2] = {8, 9};
    arr_insert(data, 4, &count, 5, 2, two);
    arr_insert(data, 4, &count, 0, 1, nullptr);
    EXPECT_EQ(count, 8);
    EXPECT_EQ(std::vector<int>(data, data + 8), (std::vector<int>{0, 1, 2, 3, 4, 5, 8, 9}));
    arr_delete(data, 4, &count, 1, 3);
    EXPECT_EQ(count, 5);
    EXPECT_EQ(std::vector<int>(data, data + 5), (std::vector<int>{0, 4, 5, 8, 9}));
    arr_delete(data, 4, &count, 5, 0);
    EXPECT_EQ(count, 5);
}

// ---- DEBUG_XAR and the fatal messages ----------------------------------------------------------

VT_CHILD(xar_debug_reserve) {
    void* a = XAR_ALLOC(0, 8, 16);
    int first = static_cast<int>(units(a));
    XAR_EXTEND(&a, 1);
    // DEBUG_XAR is read once: setting it now changes nothing.
    static char set[] = "DEBUG_XAR=1";
    putenv(set);
    void* b = XAR_ALLOC(0, 8, 16);
    return first * 16 + static_cast<int>(units(b)) * 4 - relocations(a);
}

TEST(XarrayDebug, DebugXarReservesNothingAndIsReadOnce) {
    auto with = clean;
    with.emplace_back("DEBUG_XAR", "");
    auto r = run_child("xar_debug_reserve", with);
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exit_code, 2 * 16 + 2 * 4 + 2);  // 16-byte areas, the first extension moves
    r = run_child("xar_debug_reserve", clean);
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exit_code, 3 * 16 + 3 * 4 + 1);  // 24-byte areas even after DEBUG_XAR appears
}

namespace {
struct fatal_case {
    const char* scenario;
    const char* log;
    bool memory_error;
};
}  // namespace

VT_CHILD(xf_alloc_negative) { XAR_ALLOC(-1, 4, 1); return 0; }
VT_CHILD(xf_alloc_no_extension) { XAR_ALLOC(1, 4, 0); return 0; }
VT_CHILD(xf_alloc_object_too_big) { XAR_ALLOC(1, 65536, 1); return 0; }
VT_CHILD(xf_alloc_too_big) { XAR_ALLOC(2047985, 1, 1); return 0; }
VT_CHILD(xf_alloc_too_big_12) { XAR_ALLOC(2047984 / 12 + 1, 12, 1); return 0; }
VT_CHILD(xf_extend_null) { void* a = nullptr; XAR_EXTEND(&a, 1); return 0; }
VT_CHILD(xf_extend_negative) { void* a = XAR_ALLOC(1, 4, 1); XAR_EXTEND(&a, -1); return 0; }
VT_CHILD(xf_extend_too_big) { void* a = XAR_ALLOC(1, 1000, 1); XAR_EXTEND(&a, 2047); return 0; }
VT_CHILD(xf_append_null) { void* a = nullptr; int v = 1; XAR_APPEND(&a, 1, &v); return 0; }
VT_CHILD(xf_insert_null) { void* a = nullptr; xar_insert(&a, 0, 1, nullptr); return 0; }
VT_CHILD(xf_shrink_too_far) { void* a = XAR_ALLOC(2, 4, 1); XAR_SHRINK(&a, 3); return 0; }
VT_CHILD(xf_shrink_negative) { void* a = XAR_ALLOC(2, 4, 1); XAR_SHRINK(&a, -1); return 0; }
VT_CHILD(xf_shrink_null) { void* a = nullptr; XAR_SHRINK(&a, 0); return 0; }
VT_CHILD(xf_count_foreign) { static long long junk[8] = {}; void* a = &junk[2]; XAR_COUNT(&a); return 0; }
VT_CHILD(xf_resize_null) { void* a = nullptr; XAR_RESIZE(&a, 1); return 0; }
VT_CHILD(xf_params_null) { void* a = nullptr; XAR_PARAMS(&a, nullptr, nullptr, nullptr, nullptr); return 0; }
VT_CHILD(xf_last_broken) {
    void* a = XAR_ALLOC(2, 4, 1);
    std::memset(static_cast<char*>(a) + 8, 0, 2);  // an overrun onto the tail mark
    XAR_LAST(&a);
    return 0;
}
VT_CHILD(xf_free_broken) {
    void* a = XAR_ALLOC(2, 4, 1);
    std::memset(static_cast<char*>(a) - 2, 0, 2);  // an underrun onto the header mark
    XAR_FREE(&a);
    return 0;
}
VT_CHILD(xf_insert_wrong_index) { void* a = XAR_ALLOC(2, 4, 1); xar_insert(&a, 3, 1, nullptr); return 0; }
VT_CHILD(xf_insert_own_tail) {
    void* a = XAR_ALLOC(4, 4, 1);
    xar_insert(&a, 1, 2, static_cast<int*>(a) + 2);
    return 0;
}
VT_CHILD(xf_insert_negative_index) { void* a = XAR_ALLOC(2, 4, 1); xar_insert(&a, -1, 1, nullptr); return 0; }
VT_CHILD(xf_arr_insert_negative_count) {
    int items[4] = {};
    int count = -1;
    arr_insert(items, 4, &count, 0, 1, nullptr);
    return 0;
}
VT_CHILD(xf_arr_insert_negative_n) {
    int items[4] = {};
    int count = 2;
    arr_insert(items, 4, &count, 0, -1, nullptr);
    return 0;
}
VT_CHILD(xf_remove_past_end) { void* a = XAR_ALLOC(3, 4, 1); xar_remove(&a, 2, 2); return 0; }
VT_CHILD(xf_remove_null) { void* a = nullptr; xar_remove(&a, 0, 0); return 0; }

TEST(XarrayFatal, EveryMisuseIsReportedAndEndsTheProcess) {
    const fatal_case cases[] = {
        {"xf_alloc_negative", "XAR_ALLOC:  invalid request\n", false},
        {"xf_alloc_no_extension", "XAR_ALLOC:  invalid request\n", false},
        {"xf_alloc_object_too_big", "XAR_ALLOC:  invalid request\n", false},
        {"xf_alloc_too_big", "XAR_ALLOC:  too big array\n", false},
        {"xf_alloc_too_big_12", "XAR_ALLOC:  too big array\n", false},
        {"xf_extend_null", "XAR_EXTEND:  invalid array\n", false},
        {"xf_extend_negative", "XAR_EXTEND:  invalid request\n", false},
        {"xf_extend_too_big", " XAR_PRE_RELOC:  too big array\n", true},
        {"xf_append_null", "XAR_APPEND:  invalid array\n", false},
        {"xf_insert_null", "xar_insert:  invalid array\n", false},
        {"xf_shrink_too_far", "XAR_SHRINK:  invalid request\n", false},
        {"xf_shrink_negative", "XAR_SHRINK:  invalid request\n", false},
        {"xf_shrink_null", "XAR_SHRINK:  invalid array\n", false},
        {"xf_count_foreign", "XAR_COUNT:  invalid array\n", false},
        {"xf_resize_null", "XAR_RESIZE:  invalid array\n", false},
        {"xf_params_null", "XAR_PARAMS:  invalid array\n", false},
        {"xf_last_broken", "XAR_LAST:  invalid array\n", false},
        {"xf_free_broken", "XAR_FREE:  invalid array\n", false},
        {"xf_insert_wrong_index", "arr_insert wrong call. \n", false},
        {"xf_insert_own_tail", "arr_insert bad data pointer. \n", false},
        {"xf_insert_negative_index", "arr_insert wrong call. \n", false},
        {"xf_arr_insert_negative_count", "arr_insert wrong call. \n", false},
        {"xf_arr_insert_negative_n", "arr_insert wrong call. \n", false},
        {"xf_remove_past_end", "arr_delete wrong call. \n", false},
        {"xf_remove_null", "xar_remove:  invalid array\n", false},
    };
    for (const fatal_case& c : cases) {
        auto r = run_child(c.scenario, clean);
        ASSERT_TRUE(r.exited) << c.scenario;
        EXPECT_EQ(r.exit_code, 2) << c.scenario;
        EXPECT_EQ(r.out, std::string(c.log) + fatal_stop) << c.scenario;
    }
}

// An array variable that holds no array yet, or no variable at all: the queries answer "empty"
// and the release does nothing, as the callers that keep arrays in optional fields rely on.
TEST(Xarray, NoArrayReadsAsEmpty) {
    void* none = nullptr;
    for (void** array : {static_cast<void**>(nullptr), &none}) {
        EXPECT_EQ(XAR_LAST(array), nullptr);
        EXPECT_EQ(XAR_COUNT(array), 0);
        EXPECT_EQ(XAR_RESIZE(array, 0), 0);
        EXPECT_EQ(xar_find_int(array, 7), -1);
        XAR_FREE(array);
    }
    EXPECT_EQ(none, nullptr);
}

TEST(Xarray, ParamsFillOnlyThePlacesGiven) {
    void* array = XAR_ALLOC(3, sizeof(int), 4);
    ASSERT_NE(array, nullptr);
    int object_size = -1, count = -1;
    XAR_PARAMS(&array, &object_size, nullptr, &count, nullptr);
    EXPECT_EQ(object_size, int(sizeof(int)));
    EXPECT_EQ(count, 3);
    XAR_PARAMS(&array, nullptr, nullptr, nullptr, nullptr);
    int values[] = {5, 7, 9};
    std::memcpy(array, values, sizeof values);
    EXPECT_EQ(xar_find_int(&array, 9), 2);
    EXPECT_EQ(xar_find_int(&array, 4), -1);
    EXPECT_EQ(XAR_RESIZE(&array, 1), 0);
    EXPECT_EQ(XAR_COUNT(&array), 1);
    EXPECT_EQ(*static_cast<int*>(XAR_LAST(&array)), 5);
    XAR_FREE(&array);
    EXPECT_EQ(array, nullptr);
}
