// The code-page service of the platform layer (the contract of MultiByteToWideChar and
// WideCharToMultiByte): lengths, capacities, size queries, error numbers, default characters,
// lead bytes and one-character conversions.  The same cases hold on both builds.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace {

const unsigned whole_string_flags = PLAT_WC_COMPOSITECHECK | PLAT_WC_DEFAULTCHAR;
const char guard = '\x5A';
const char16_t wide_guard = 0x5A5A;

TEST(CodePageService, LengthMinusOneCountsAndWritesTheTerminator) {
    char16_t out[8];
    std::fill(out, out + 8, wide_guard);
    EXPECT_EQ(platform.mb_to_wc(1252, PLAT_MB_PRECOMPOSED, "ab\x80", -1, out, 8), 4);
    EXPECT_EQ(std::u16string(out, 4), std::u16string(u"ab\u20AC", 4));
    EXPECT_EQ(out[4], wide_guard);

    char narrow[8];
    std::memset(narrow, guard, sizeof narrow);
    EXPECT_EQ(platform.wc_to_mb(1252, 0, u"ab\u20AC", -1, narrow, 8), 4);
    EXPECT_EQ(std::string(narrow, 4), std::string("ab\x80\0", 4));
    EXPECT_EQ(narrow[4], guard);
}

TEST(CodePageService, ExplicitLengthConvertsExactlyThoseUnitsWithoutTerminator) {
    char16_t out[4] = {wide_guard, wide_guard, wide_guard, wide_guard};
    EXPECT_EQ(platform.mb_to_wc(932, PLAT_MB_PRECOMPOSED, "\x82\xa0xyz", 2, out, 4), 1);
    EXPECT_EQ(out[0], 0x3042);
    EXPECT_EQ(out[1], wide_guard);

    char narrow[4] = {guard, guard, guard, guard};
    EXPECT_EQ(platform.wc_to_mb(932, 0, u"\u3042\u3044", 1, narrow, 4), 2);
    EXPECT_EQ(std::string(narrow, 2), "\x82\xa0");
    EXPECT_EQ(narrow[2], guard);

    // Embedded zero units are converted like any other when the length is given.
    EXPECT_EQ(platform.wc_to_mb(1252, 0, u"a\0b", 3, narrow, 4), 3);
    EXPECT_EQ(std::string(narrow, 3), std::string("a\0b", 3));
}

TEST(CodePageService, CapacityZeroAsksForTheSizeAndWritesNothing) {
    EXPECT_EQ(platform.mb_to_wc(936, PLAT_MB_PRECOMPOSED, "\xc1\xe3" "a", -1, nullptr, 0), 3);
    EXPECT_EQ(platform.wc_to_mb(936, whole_string_flags, u"\u96f6a", -1, nullptr, 0), 4);
    EXPECT_EQ(platform.wc_to_mb(1251, whole_string_flags, u"\u0414", 1, nullptr, 0), 1);
}

TEST(CodePageService, TooSmallCapacityFailsWith122AndStaysInsideTheBuffer) {
    char narrow[6];
    std::memset(narrow, guard, sizeof narrow);
    EXPECT_EQ(platform.wc_to_mb(949, whole_string_flags, u"\ubd80\ud488", -1, narrow, 3), 0);
    EXPECT_EQ(platform.last_error(), PLAT_ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(narrow[3], guard);
    EXPECT_EQ(narrow[4], guard);

    char16_t wide[4] = {wide_guard, wide_guard, wide_guard, wide_guard};
    EXPECT_EQ(platform.mb_to_wc(1252, PLAT_MB_PRECOMPOSED, "abc", -1, wide, 3), 0);
    EXPECT_EQ(platform.last_error(), PLAT_ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(wide[3], wide_guard);

    // One character into room for none: the one-character conversions rely on this.
    char16_t one = wide_guard;
    EXPECT_EQ(platform.mb_to_wc(1252, PLAT_MB_PRECOMPOSED, "ab", 2, &one, 1), 0);
    EXPECT_EQ(platform.last_error(), PLAT_ERROR_INSUFFICIENT_BUFFER);
}

// A terminated string gives the same bytes at every capacity that holds them, however the
// room runs out: before a pair's trail byte, between a base and its mark, at the terminator.
TEST(CodePageService, TerminatedStringGivesTheSameBytesAtEveryCapacity) {
    struct sample { int page; const char16_t* text; };
    for (const sample& c : {sample{1252, u"e\u0301a\u00e9x\u0301\u0130\u20ACz"}, sample{1254, u"\u0131s\u0327g\u0306"},
                            sample{932, u"\u3042a\u304B\u3099\u4E00e\u0301\uFF71"}}) {
        char whole[64];
        int needed = platform.wc_to_mb(c.page, whole_string_flags, c.text, -1, whole, sizeof whole);
        ASSERT_GT(needed, 1) << c.page;
        EXPECT_EQ(whole[needed - 1], 0);
        EXPECT_EQ(platform.wc_to_mb(c.page, whole_string_flags, c.text, -1, nullptr, 0), needed);
        for (int capacity = 1; capacity <= needed + 2; ++capacity) {
            char narrow[64];
            std::memset(narrow, guard, sizeof narrow);
            int written = platform.wc_to_mb(c.page, whole_string_flags, c.text, -1, narrow, capacity);
            if (capacity >= needed) {
                EXPECT_EQ(written, needed) << c.page << " capacity " << capacity;
                EXPECT_EQ(std::string(narrow, needed), std::string(whole, needed)) << c.page << " capacity " << capacity;
            } else {
                EXPECT_EQ(written, 0) << c.page << " capacity " << capacity;
                EXPECT_EQ(platform.last_error(), PLAT_ERROR_INSUFFICIENT_BUFFER);
            }
            EXPECT_EQ(narrow[capacity], guard) << c.page << " capacity " << capacity;
        }
    }
}

TEST(CodePageService, BadArgumentsAndUnknownCodePagesFailWith87) {
    char16_t wide[4];
    char narrow[4];
    struct {
        const char* what;
        std::function<int()> call;
    } cases[] = {
        {"unknown page", [&] { return platform.mb_to_wc(12345, 0, "a", -1, wide, 4); }},
        {"unknown page w", [&] { return platform.wc_to_mb(437000, 0, u"a", -1, narrow, 4); }},
        {"null source", [&] { return platform.mb_to_wc(1252, 0, nullptr, -1, wide, 4); }},
        {"null source w", [&] { return platform.wc_to_mb(1252, 0, nullptr, -1, narrow, 4); }},
        {"length 0", [&] { return platform.mb_to_wc(1252, 0, "a", 0, wide, 4); }},
        {"negative capacity", [&] { return platform.mb_to_wc(1252, 0, "a", -1, wide, -1); }},
        {"null destination", [&] { return platform.wc_to_mb(1252, 0, u"a", -1, nullptr, 4); }},
        // The arguments of one-character calls are checked the same way.
        {"one byte, null source", [&] { return platform.mb_to_wc(1252, PLAT_MB_PRECOMPOSED, nullptr, 1, wide, 1); }},
        {"one byte, null destination", [&] { return platform.mb_to_wc(1252, PLAT_MB_PRECOMPOSED, "a", 1, nullptr, 1); }},
        {"one unit, null source", [&] { return platform.wc_to_mb(1252, 0, nullptr, 1, narrow, 2); }},
        {"one unit, null destination", [&] { return platform.wc_to_mb(1252, 0, u"a", 1, nullptr, 2); }},
        {"one unit, unknown page", [&] { return platform.wc_to_mb(12345, 0, u"a", 1, narrow, 2); }},
        {"one byte, unknown page", [&] { return platform.mb_to_wc(12345, PLAT_MB_PRECOMPOSED, "a", 1, wide, 1); }},
    };
    for (const auto& c : cases) {
        char too_small[1];
        platform.wc_to_mb(1252, 0, u"ab", -1, too_small, 1);    // last error now 122
        EXPECT_EQ(c.call(), 0) << c.what;
        EXPECT_EQ(platform.last_error(), PLAT_ERROR_INVALID_PARAMETER) << c.what;
    }
}

TEST(CodePageService, AnyNegativeLengthMeansZeroTerminated) {
    char narrow[4] = {};
    EXPECT_EQ(platform.wc_to_mb(1252, 0, u"ab", -2, narrow, 4), 3);
    EXPECT_STREQ(narrow, "ab");
    char16_t wide[4] = {};
    EXPECT_EQ(platform.mb_to_wc(1252, 0, "ab", -7, wide, 4), 3);
    EXPECT_EQ(std::u16string(wide), u"ab");
}

TEST(CodePageService, FlagsOutsideTheContractFailWith1004) {
    char narrow[8];
    EXPECT_EQ(platform.wc_to_mb(1252, 0x00010000, u"a", -1, narrow, 8), 0);
    EXPECT_EQ(platform.last_error(), PLAT_ERROR_INVALID_FLAGS);
    char16_t wide[4];
    EXPECT_EQ(platform.mb_to_wc(1252, 0x00010000, "a", -1, wide, 4), 0);
    EXPECT_EQ(platform.last_error(), PLAT_ERROR_INVALID_FLAGS);
    // The composite options are taken without the composite check, and several at once.
    EXPECT_EQ(platform.wc_to_mb(1252, PLAT_WC_DEFAULTCHAR, u"a", -1, narrow, 8), 2);
    EXPECT_EQ(platform.wc_to_mb(1252, PLAT_WC_COMPOSITECHECK | 0x10 | 0x20, u"a", -1, narrow, 8), 2);
    EXPECT_EQ(platform.wc_to_mb(1252, whole_string_flags, u"a", -1, narrow, 8), 2);
}

TEST(CodePageService, DecompositionIsTheOneCornerThePosixServiceLeavesOut) {
    // MB_COMPOSITE writes a precomposed character as its base and mark on Windows; the POSIX
    // service does not decompose and refuses the flag.  The add-in never passes it.
    const unsigned composite = 0x2;
    char16_t wide[8] = {};
    int n = platform.mb_to_wc(1252, composite, "\xe9", 1, wide, 8);
#if defined(_WIN32)
    EXPECT_EQ(n, 2);
    EXPECT_EQ(std::u16string(wide, 2), u"e\u0301");
#else
    EXPECT_EQ(n, 0);
    EXPECT_EQ(platform.last_error(), PLAT_ERROR_INVALID_FLAGS);
#endif
}

TEST(CodePageService, DefaultCharacterBestFitAndSurrogates) {
    const char16_t lone[] = {u'a', 0xD800, u'b', 0xDC00, 0};
    struct {
        const char* what;
        int page;
        unsigned flags;
        const char16_t* text;
        int length;
        const char* bytes;
    } cases[] = {
        {"no mapping", 1251, whole_string_flags, u"\u05D0x\u90E8", -1, "?x?"},
        {"no mapping, one unit", 932, 0, u"\uBD80", 1, "?"},
        {"a pair: each unit alone", 1252, whole_string_flags, u"a\U00020B9Fb", -1, "a??b"},
        {"lone units", 936, whole_string_flags, lone, -1, "a?b?"},
        {"best fit", 1252, whole_string_flags, u"\u0141\uFF21\u2212", -1, "LA-"},
        {"best fit turned off", 1252, 0x400, u"\u0141\uFF21\u00E9", -1, "??\xe9"},
        {"best fit, one unit", 1251, 0, u"\u00E9", 1, "e"},
    };
    for (const auto& c : cases) {
        char narrow[16];
        std::memset(narrow, guard, sizeof narrow);
        int expected = static_cast<int>(std::strlen(c.bytes)) + (c.length < 0 ? 1 : 0);
        EXPECT_EQ(platform.wc_to_mb(c.page, c.flags, c.text, c.length, narrow, 15), expected) << c.what;
        EXPECT_EQ(std::string(narrow, std::strlen(c.bytes)), c.bytes) << c.what;
        EXPECT_EQ(narrow[expected], guard) << c.what;
    }
}

TEST(CodePageService, CompositeCheckJoinsABaseAndItsMark) {
    char narrow[16];
    EXPECT_EQ(platform.wc_to_mb(1252, whole_string_flags, u"e\u0301x\u0301", -1, narrow, 16), 4);
    EXPECT_STREQ(narrow, "\xe9x\xb4");      // x with an acute has no composed character
    EXPECT_EQ(platform.wc_to_mb(1252, 0, u"e\u0301", -1, narrow, 16), 3);
    EXPECT_STREQ(narrow, "e\xb4");            // without the check each unit alone
    // Composed but not in the page: one default character with WC_DEFAULTCHAR, the units apart
    // without it.
    EXPECT_EQ(platform.wc_to_mb(1252, whole_string_flags, u"\u304B\u3099", -1, narrow, 16), 2);
    EXPECT_EQ(platform.wc_to_mb(1252, PLAT_WC_COMPOSITECHECK, u"\u304B\u3099", -1, narrow, 16), 3);
    EXPECT_EQ(platform.wc_to_mb(932, whole_string_flags, u"\u304B\u3099", -1, narrow, 16), 3);
    EXPECT_STREQ(narrow, "\x82\xaa");
}

// The composite check where nothing composes gives what each unit alone gives: a mark after a
// base beyond every composed character, a mark that ends a counted or measured source.
TEST(CodePageService, CompositeCheckWithoutACompositionWritesEachUnit) {
    const char16_t* texts[] = {u"\uFFE0\u0301", u"\uFF5E\u0301a", u"e\u0301e", u"\u0301"};
    for (int page : {1252, 932}) {
        for (const char16_t* text : texts) {
            int units = static_cast<int>(std::char_traits<char16_t>::length(text));
            std::string plain(16, guard), checked(16, guard);
            int n = platform.wc_to_mb(page, 0, text, units, plain.data(), 16);
            ASSERT_GT(n, 0) << page;
            if (text[0] != u'e') {
                EXPECT_EQ(platform.wc_to_mb(page, PLAT_WC_COMPOSITECHECK, text, units, checked.data(), 16), n) << page;
                EXPECT_EQ(checked, plain) << page;
            }
            // Measured and written with too little room, it counts the same and fails the same.
            int needed = platform.wc_to_mb(page, PLAT_WC_COMPOSITECHECK, text, units, nullptr, 0);
            std::string exact(16, guard);
            EXPECT_EQ(platform.wc_to_mb(page, PLAT_WC_COMPOSITECHECK, text, units, exact.data(), needed), needed) << page;
            EXPECT_EQ(exact[needed], guard) << page;
            if (needed > 1) {   // (a capacity of 0 would be a size query)
                EXPECT_EQ(platform.wc_to_mb(page, PLAT_WC_COMPOSITECHECK, text, units, exact.data(), needed - 1), 0) << page;
                EXPECT_EQ(platform.last_error(), PLAT_ERROR_INSUFFICIENT_BUFFER) << page;
            }
        }
    }
    // "e" and its acute compose; the "e" after them stands alone.
    char narrow[8];
    EXPECT_EQ(platform.wc_to_mb(1252, PLAT_WC_COMPOSITECHECK, u"e\u0301e", 3, nullptr, 0), 2);
    EXPECT_EQ(platform.wc_to_mb(1252, PLAT_WC_COMPOSITECHECK, u"e\u0301e", 3, narrow, 2), 2);
    EXPECT_EQ(std::string(narrow, 2), "\xe9" "e");
}

TEST(CodePageService, UndecodableInputFailsWith1113WhenAskedTo) {
    char16_t wide[8];
    EXPECT_EQ(platform.mb_to_wc(932, PLAT_MB_PRECOMPOSED | PLAT_MB_ERR_INVALID_CHARS, "\x81 ", -1, wide, 8), 0);
    EXPECT_EQ(platform.last_error(), PLAT_ERROR_NO_UNICODE_TRANSLATION);
    EXPECT_EQ(platform.mb_to_wc(932, PLAT_MB_PRECOMPOSED | PLAT_MB_ERR_INVALID_CHARS, "\x82\xa0", -1, wide, 8), 2);
    // A lead byte takes any second byte but zero: the space goes with it.
    EXPECT_EQ(platform.mb_to_wc(932, PLAT_MB_PRECOMPOSED, "\x81 x", -1, wide, 8), 3);
    EXPECT_EQ(std::u16string(wide, 3), std::u16string(u"\u30FBx\0", 3));
    // Private-use characters of single bytes are refused; those of user-defined pairs are not.
    EXPECT_EQ(platform.mb_to_wc(1253, PLAT_MB_ERR_INVALID_CHARS, "\xaa", 1, wide, 8), 0);
    EXPECT_EQ(platform.last_error(), PLAT_ERROR_NO_UNICODE_TRANSLATION);
    EXPECT_EQ(platform.mb_to_wc(1253, PLAT_MB_PRECOMPOSED, "\xaa", 1, wide, 8), 1);
    EXPECT_EQ(platform.mb_to_wc(932, PLAT_MB_ERR_INVALID_CHARS, "\xf0\x40", 2, wide, 8), 1);
    EXPECT_EQ(wide[0], 0xE000);
}

TEST(CodePageService, DoubleByteLeadAtTheEndNeverSwallowsTheTerminator) {
    for (int page : {932, 936, 949, 950}) {
        char16_t wide[4] = {wide_guard, wide_guard, wide_guard, wide_guard};
        EXPECT_EQ(platform.mb_to_wc(page, PLAT_MB_PRECOMPOSED, "\x88", -1, wide, 4), 2) << page;
        EXPECT_EQ(wide[0], page == 932 ? 0x30FB : u'?') << page;
        EXPECT_EQ(wide[1], 0) << page;
        EXPECT_EQ(wide[2], wide_guard) << page;
    }
}

TEST(CodePageService, LeadByteRangesOfTheDoubleBytePages) {
    auto leads = [](int page) {
        std::string ranges;
        bool in = false;
        for (int b = 0; b < 256; ++b) {
            bool lead = platform.is_lead_byte(page, static_cast<unsigned char>(b)) != 0;
            if (lead != in) {
                char text[8];
                std::snprintf(text, sizeof text, lead ? "%02X-" : "%02X ", lead ? b : b - 1);
                ranges += text;
                in = lead;
            }
        }
        if (in) ranges += "FF ";
        return ranges;
    };
    EXPECT_EQ(leads(932), "81-9F E0-FC ");
    EXPECT_EQ(leads(936), "81-FE ");
    EXPECT_EQ(leads(949), "81-FE ");
    EXPECT_EQ(leads(950), "81-FE ");
    for (int page : {0, 1250, 1251, 1252, 1253, 1254, 28598}) EXPECT_EQ(leads(page), "") << page;
}

TEST(CodePageService, LeadBytesOfAnUnknownPageFailWith87) {
    char too_small[1];
    platform.wc_to_mb(1252, 0, u"ab", -1, too_small, 1);    // last error now 122
    EXPECT_EQ(platform.is_lead_byte(12345, 0x81), 0);
    EXPECT_EQ(platform.last_error(), PLAT_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(platform.is_lead_byte(932, 0x81), 1);         // a known page still answers
}

// A one-character size query counts without writing; a double-byte character counts two.
TEST(CodePageService, OneCharacterSizeQueries) {
    EXPECT_EQ(platform.mb_to_wc(1252, PLAT_MB_PRECOMPOSED, "a", 1, nullptr, 0), 1);
    EXPECT_EQ(platform.mb_to_wc(932, PLAT_MB_PRECOMPOSED, "\x82\xa0", 2, nullptr, 0), 1);
    EXPECT_EQ(platform.wc_to_mb(932, 0, u"\u3042", 1, nullptr, 0), 2);
    EXPECT_EQ(platform.wc_to_mb(932, 0, u"a", 1, nullptr, 0), 1);
    char16_t unit = wide_guard;   // a destination with a capacity of 0 is not written either
    EXPECT_EQ(platform.mb_to_wc(932, PLAT_MB_PRECOMPOSED, "\x82\xa0", 2, &unit, 0), 1);
    EXPECT_EQ(unit, wide_guard);
    // Room for one byte only: the pair does not fit and nothing is written.
    char one = guard;
    EXPECT_EQ(platform.wc_to_mb(932, 0, u"\u3042", 1, &one, 1), 0);
    EXPECT_EQ(platform.last_error(), PLAT_ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(one, guard);
}

TEST(CodePageService, OneCharacterConversionsInEveryPage) {
    struct {
        int page;
        const char* bytes;
        char16_t unit;
    } cases[] = {
        {0, "\x80", 0x20AC},     {1250, "\xa3", 0x0141}, {1251, "\xc4", 0x0414},
        {1253, "\xc1", 0x0391},  {1254, "\xd0", 0x011E}, {28598, "\xe0", 0x05D0},
        {932, "\xb1", 0xFF71},   {932, "\x82\xa0", 0x3042}, {936, "\xc1\xe3", 0x96F6},
        {949, "\xc7\xd1", 0xD55C}, {950, "\xb9\x73", 0x96F6},
    };
    for (const auto& c : cases) {
        int n = static_cast<int>(std::strlen(c.bytes));
        char16_t unit = 0;
        EXPECT_EQ(platform.mb_to_wc(c.page, PLAT_MB_PRECOMPOSED, c.bytes, n, &unit, 1), 1) << c.page;
        EXPECT_EQ(unit, c.unit) << c.page;
        char back[4] = {};
        EXPECT_EQ(platform.wc_to_mb(c.page, 0, &c.unit, 1, back, 4), n) << c.page;
        EXPECT_EQ(std::string(back, static_cast<size_t>(n)), c.bytes) << c.page;
    }
}

TEST(CodePageService, EveryByteOfEverySinglePageDecodesToOneUnitAndBack) {
    // Guards the decode table and the reverse search: every defined byte round-trips.
    for (int page : {1250, 1251, 1252, 1253, 1254, 28598}) {
        for (int b = 1; b < 256; ++b) {
            char byte = static_cast<char>(b);
            char16_t unit = 0;
            ASSERT_EQ(platform.mb_to_wc(page, PLAT_MB_PRECOMPOSED, &byte, 1, &unit, 1), 1) << page << ' ' << b;
            if (unit == u'?' && b != '?') continue;     // undefined byte
            char back = 0;
            EXPECT_EQ(platform.wc_to_mb(page, 0, &unit, 1, &back, 1), 1) << page << ' ' << b;
            EXPECT_EQ(static_cast<unsigned char>(back), b) << page << " unit " << static_cast<unsigned>(unit);
        }
    }
}

}  // namespace
