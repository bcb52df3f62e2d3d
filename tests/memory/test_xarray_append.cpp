// XAR_APPEND's quick path (an append that fits) against its full path: the room test at exactly
// the capacity for object sizes that do and do not divide the data part, the copies of the sizes
// the quick path copies inline, and the misuse that must still reach the full path's messages.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "memory/memory.h"
#include "tests/support/child.h"

namespace {

uint32_t area_units(void* a) {
    uint32_t w;
    std::memcpy(&w, static_cast<char*>(a) - 8, 4);
    return w & 0x7FFFF;
}
int16_t relocation_counter(void* a) {
    int16_t r;
    std::memcpy(&r, static_cast<char*>(a) + area_units(a) * 8 - 16 + 2, 2);
    return r;
}

TEST(XarrayAppend, FillsExactlyToTheCapacityInPlaceAndMovesForOneMore) {
    for (int size : {1, 3, 4, 5, 8, 12, 24}) {
        void* a = XAR_ALLOC(10, size, 4);
        XAR_SHRINK(&a, 10);
        int capacity = static_cast<int>((area_units(a) * 8 - 16) / size);
        void* area = a;
        std::vector<unsigned char> object(size);
        for (int i = 0; i < capacity; ++i) {
            for (int b = 0; b < size; ++b) object[b] = static_cast<unsigned char>(i * 7 + b);
            unsigned char* added = static_cast<unsigned char*>(XAR_APPEND(&a, 1, object.data()));
            ASSERT_EQ(a, area) << "size " << size << ": moved before the capacity was reached at " << i;
            ASSERT_EQ(added, static_cast<unsigned char*>(a) + i * size);
        }
        EXPECT_EQ(relocation_counter(a), -1) << "size " << size;
        XAR_APPEND(&a, 1, object.data());
        EXPECT_EQ(relocation_counter(a), -2) << "size " << size << ": one past the capacity must grow";
        ASSERT_EQ(XAR_COUNT(&a), capacity + 1);
        const unsigned char* data = static_cast<const unsigned char*>(a);
        for (int i = 0; i < capacity; ++i)
            for (int b = 0; b < size; ++b)
                ASSERT_EQ(data[i * size + b], static_cast<unsigned char>(i * 7 + b)) << "size " << size << " object " << i;
        XAR_FREE(&a);
    }
}

TEST(XarrayAppend, SeveralObjectsAtOnceAndWithoutASource) {
    void* a = XAR_ALLOC(0, 4, 16);
    int values[3] = {11, 12, 13};
    XAR_APPEND(&a, 1, values);
    int* added = static_cast<int*>(XAR_APPEND(&a, 3, nullptr));   // room left: zeroed objects
    EXPECT_EQ(added, static_cast<int*>(a) + 1);
    EXPECT_EQ(added[0] | added[1] | added[2], 0);
    XAR_APPEND(&a, 3, values);
    ASSERT_EQ(XAR_COUNT(&a), 7);
    EXPECT_EQ(static_cast<int*>(a)[6], 13);
    EXPECT_EQ(XAR_APPEND(&a, 0, values), static_cast<int*>(a) + 6);   // n 0: the last object
    EXPECT_EQ(XAR_COUNT(&a), 7);
    XAR_FREE(&a);
}

TEST(XarrayAppend, ASourceInsideTheArrayIsCopiedWhenThereIsRoom) {
    void* a = XAR_ALLOC(0, 8, 32);
    for (long long v = 1; v <= 3; ++v) XAR_APPEND(&a, 1, &v);
    void* area = a;
    XAR_APPEND(&a, 2, static_cast<long long*>(a) + 1);   // objects 1 and 2 again, no move
    EXPECT_EQ(a, area);
    const long long* v = static_cast<const long long*>(a);
    ASSERT_EQ(XAR_COUNT(&a), 5);
    EXPECT_EQ(v[3], 2);
    EXPECT_EQ(v[4], 3);
    XAR_FREE(&a);
}

VT_CHILD(xa_append_negative) {
    void* a = XAR_ALLOC(1, 4, 8);
    int v = 1;
    XAR_APPEND(&a, -1, &v);
    return 0;
}
VT_CHILD(xa_append_broken_tail) {
    void* a = XAR_ALLOC(1, 4, 8);
    int v = 1;
    std::memset(static_cast<char*>(a) + 8, 0, 2);   // an overrun onto the tail mark
    XAR_APPEND(&a, 1, &v);
    return 0;
}

TEST(XarrayAppend, MisuseStillEndsTheProcessWithItsMessage) {
    const vt_test::ChildEnv clean = {{"ALLOW_CRASH", std::nullopt},
                                     {"PRO_EXPECTED_EXIT_STATUS", std::nullopt},
                                     {"DEBUG_XAR", std::nullopt}};
    auto negative = vt_test::run_child("xa_append_negative", clean);
    ASSERT_TRUE(negative.exited);
    EXPECT_EQ(negative.exit_code, 2);
    EXPECT_EQ(negative.out, "XAR_EXTEND:  invalid request\nSerious internal error; cannot continue.\n");
    auto broken = vt_test::run_child("xa_append_broken_tail", clean);
    ASSERT_TRUE(broken.exited);
    EXPECT_EQ(broken.exit_code, 2);
    EXPECT_EQ(broken.out, "XAR_APPEND:  invalid array\nSerious internal error; cannot continue.\n");
}

}  // namespace
