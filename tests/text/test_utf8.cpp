// The UTF-16 / UTF-8 codec: every length of UTF-8 at its edges, every kind of ill-formed UTF-8
// and lone surrogates becoming U+FFFD, round trips of every character, and the whole-text
// conversions' bounds with guard units after the destination.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "text/utf8.h"

namespace {

struct Decoded {
    int used;
    char32_t code;
};

Decoded decode8(const std::string& bytes) {
    Decoded d{0, 0};
    d.used = utf8_decode(bytes.data(), bytes.size(), &d.code);
    return d;
}

Decoded decode16(const std::u16string& units) {
    Decoded d{0, 0};
    d.used = utf16_decode(units.data(), units.size(), &d.code);
    return d;
}

std::string encode8(char32_t code) {
    char out[4];
    return std::string(out, static_cast<size_t>(utf8_encode(code, out)));
}

std::u16string encode16(char32_t code) {
    char16_t out[2];
    return std::u16string(out, static_cast<size_t>(utf16_encode(code, out)));
}

TEST(Utf8Decode, EachLengthAtItsEdges) {
    struct Case {
        const char* bytes;
        int used;
        char32_t code;
    } cases[] = {
        {"\x00", 1, 0},          {"A", 1, 0x41},           {"\x7F", 1, 0x7F},
        {"\xC2\x80", 2, 0x80},   {"\xDF\xBF", 2, 0x7FF},   {"\xE0\xA0\x80", 3, 0x800},
        {"\xED\x9F\xBF", 3, 0xD7FF}, {"\xEE\x80\x80", 3, 0xE000}, {"\xEF\xBF\xBD", 3, 0xFFFD},
        {"\xEF\xBF\xBF", 3, 0xFFFF}, {"\xF0\x90\x80\x80", 4, 0x10000},
        {"\xF4\x8F\xBF\xBF", 4, 0x10FFFF},
    };
    for (const Case& c : cases) {
        std::string bytes(c.bytes, c.used);
        Decoded d = decode8(bytes + "Z");
        EXPECT_EQ(d.used, c.used) << uint32_t(c.code);
        EXPECT_EQ(d.code, c.code) << uint32_t(c.code);
    }
}

TEST(Utf8Decode, IllFormedBytesAreRefusedOneAtATime) {
    // Each starts no well-formed character: the answer is 0 and U+FFFD, and the caller moves on
    // by one byte.
    const char* const cases[] = {
        "\x80",             // a continuation byte alone
        "\xBF",
        "\xC0\x80",         // overlong NUL
        "\xC1\xBF",         // overlong 0x7F
        "\xE0\x9F\xBF",     // overlong 0x7FF
        "\xF0\x8F\xBF\xBF", // overlong 0xFFFF
        "\xED\xA0\x80",     // an encoded high surrogate
        "\xED\xBF\xBF",     // an encoded low surrogate
        "\xF4\x90\x80\x80", // 0x110000
        "\xF5\x80\x80\x80", // lead bytes beyond U+10FFFF
        "\xFF",
        "\xC3" "A",         // a continuation byte missing
        "\xE2\x82" "A",
        "\xF0\x9F\x98" "A",
    };
    for (const char* bytes : cases) {
        Decoded d = decode8(bytes);
        EXPECT_EQ(d.used, 0) << testing::PrintToString(std::string(bytes));
        EXPECT_EQ(d.code, char32_t(UTF_REPLACEMENT)) << testing::PrintToString(std::string(bytes));
    }
}

TEST(Utf8Decode, ACharacterCutShortByTheLimitIsRefusedWithoutReadingBeyondIt) {
    const char bytes[] = "\xE2\x82\xAC";   // the euro sign, 3 bytes
    char32_t code = 0;
    EXPECT_EQ(utf8_decode(bytes, 2, &code), 0);
    EXPECT_EQ(code, char32_t(UTF_REPLACEMENT));
    EXPECT_EQ(utf8_decode(bytes, 3, &code), 3);
    EXPECT_EQ(code, char32_t(0x20AC));
}

TEST(Utf16Decode, PairsLoneSurrogatesAndTheLimit) {
    EXPECT_EQ(decode16(u"A").used, 1);
    EXPECT_EQ(decode16(u"\xD7FF").code, char32_t(0xD7FF));
    Decoded pair = decode16(u"\xD83D\xDE00");
    EXPECT_EQ(pair.used, 2);
    EXPECT_EQ(pair.code, char32_t(0x1F600));
    Decoded last = decode16(u"\xDBFF\xDFFF");
    EXPECT_EQ(last.code, char32_t(0x10FFFF));
    for (const std::u16string& lone : {std::u16string(u"\xD800"), std::u16string(u"\xD800" u"A"),
                                       std::u16string(u"\xDC00\xD800"), std::u16string(u"\xDFFF")}) {
        Decoded d = decode16(lone);
        EXPECT_EQ(d.used, 1);
        EXPECT_EQ(d.code, char32_t(UTF_REPLACEMENT));
    }
    // A pair whose low half lies beyond the limit is a lone high surrogate.
    const char16_t cut[] = {0xD83D, 0xDE00};
    char32_t code = 0;
    EXPECT_EQ(utf16_decode(cut, 1, &code), 1);
    EXPECT_EQ(code, char32_t(UTF_REPLACEMENT));
}

TEST(UtfEncode, LengthsAtEachEdge) {
    EXPECT_EQ(encode8(0x7F), "\x7F");
    EXPECT_EQ(encode8(0x80), "\xC2\x80");
    EXPECT_EQ(encode8(0x7FF), "\xDF\xBF");
    EXPECT_EQ(encode8(0x800), "\xE0\xA0\x80");
    EXPECT_EQ(encode8(0xFFFF), "\xEF\xBF\xBF");
    EXPECT_EQ(encode8(0x10000), "\xF0\x90\x80\x80");
    EXPECT_EQ(encode8(0x10FFFF), "\xF4\x8F\xBF\xBF");
    EXPECT_EQ(encode16(0xFFFF), u"\xFFFF");
    EXPECT_EQ(encode16(0x10000), u"\xD800\xDC00");
    EXPECT_EQ(encode16(0x10FFFF), u"\xDBFF\xDFFF");
}

TEST(UtfEncode, EveryCharacterRoundTripsThroughBothForms) {
    for (char32_t code = 1; code <= 0x10FFFF; ++code) {
        if (code >= 0xD800 && code <= 0xDFFF) continue;
        std::string bytes = encode8(code);
        Decoded back = decode8(bytes);
        ASSERT_EQ(back.used, static_cast<int>(bytes.size())) << uint32_t(code);
        ASSERT_EQ(back.code, code);
        std::u16string units = encode16(code);
        Decoded back16 = decode16(units);
        ASSERT_EQ(back16.used, static_cast<int>(units.size())) << uint32_t(code);
        ASSERT_EQ(back16.code, code);
    }
}

// ---- whole texts -------------------------------------------------------------------------------

const char16_t wide_guard = 0xA5A5;
const char narrow_guard = '\xA5';

TEST(Utf16ToUtf8, LoneSurrogatesBecomeReplacementCharacters) {
    const std::u16string text = u"a\xD800" u"b\xDC00\xD83D\xDE00" u"\xD83D";
    char out[32];
    size_t n = utf16_to_utf8(out, sizeof out, text.c_str(), text.size());
    EXPECT_EQ(std::string(out, n), "a\xEF\xBF\xBD" "b\xEF\xBF\xBD\xF0\x9F\x98\x80\xEF\xBF\xBD");
    EXPECT_EQ(out[n], '\0');
}

TEST(Utf16ToUtf8, StopsAtTheTerminatorOrTheLengthWhicheverComesFirst) {
    const char16_t field[4] = {u'P', u'R', u'T', u'X'};   // not terminated
    char out[8];
    EXPECT_EQ(utf16_to_utf8(out, sizeof out, field, 3), 3u);
    EXPECT_STREQ(out, "PRT");
    const char16_t early[] = u"AB\0CD";
    EXPECT_EQ(utf16_to_utf8(out, sizeof out, early, 5), 2u);
    EXPECT_STREQ(out, "AB");
}

TEST(Utf16ToUtf8, ACharacterThatWouldNotFitWholeEndsTheText) {
    // "a", then a 3-byte and a 4-byte character; capacities around each edge, with guard bytes
    // after the capacity that must stay untouched.
    const std::u16string text = u"a\x20AC\xD83D\xDE00";
    struct Case {
        size_t capacity;
        const char* expected;
    } cases[] = {{1, ""}, {2, "a"}, {4, "a"}, {5, "a\xE2\x82\xAC"}, {8, "a\xE2\x82\xAC"},
                 {9, "a\xE2\x82\xAC\xF0\x9F\x98\x80"}};
    for (const Case& c : cases) {
        std::vector<char> out(c.capacity + 4, narrow_guard);
        size_t n = utf16_to_utf8(out.data(), c.capacity, text.c_str(), text.size());
        EXPECT_EQ(std::string(out.data(), n), c.expected) << c.capacity;
        EXPECT_EQ(out[n], '\0') << c.capacity;
        for (size_t k = c.capacity; k < out.size(); ++k) EXPECT_EQ(out[k], narrow_guard) << c.capacity;
    }
}

TEST(Utf8ToUtf16, IllFormedBytesBecomeOneReplacementEach) {
    const std::string text = "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"   // A é € 😀
                             "\x80\xC0\xAF\xED\xA0\x80\xE2\x82" "Z";     // stray, overlong, surrogate, cut
    char16_t out[32];
    size_t n = utf8_to_utf16(out, 32, text.c_str(), text.size());
    std::u16string expected = u"A\x00E9\x20AC\xD83D\xDE00";
    expected += std::u16string(1 + 2 + 3 + 2, char16_t(UTF_REPLACEMENT));
    expected += u"Z";
    EXPECT_EQ(std::u16string(out, n), expected);
    EXPECT_EQ(out[n], 0);
}

TEST(Utf8ToUtf16, APairThatWouldNotFitWholeEndsTheText) {
    const std::string text = "ab\xF0\x9F\x98\x80";
    for (size_t capacity : {size_t(3), size_t(4), size_t(5)}) {
        std::vector<char16_t> out(capacity + 2, wide_guard);
        size_t n = utf8_to_utf16(out.data(), capacity, text.c_str(), text.size());
        EXPECT_EQ(n, capacity < 5 ? 2u : 4u) << capacity;
        EXPECT_EQ(out[n], 0) << capacity;
        EXPECT_EQ(out[capacity], wide_guard) << capacity;
        EXPECT_EQ(out[capacity + 1], wide_guard) << capacity;
    }
}

TEST(Utf8ToUtf16, NeverReadsPastTheLengthOrTheTerminator) {
    // A lead byte as the last byte within the length: refused, not completed from beyond it.
    const char text[] = "x\xE2\x82\xAC";
    char16_t out[8];
    EXPECT_EQ(utf8_to_utf16(out, 8, text, 3), 3u);
    EXPECT_EQ(std::u16string(out), u"x\xFFFD\xFFFD");
    const char early[] = "A\0B";
    EXPECT_EQ(utf8_to_utf16(out, 8, early, 3), 1u);
}

TEST(UtfWholeTexts, WellFormedTextRoundTrips) {
    const std::string text = "Pumpe \xC3\x9C" "ber \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x94\xA7 \xD7\x90";
    char16_t wide[64];
    size_t units = utf8_to_utf16(wide, 64, text.c_str(), text.size());
    char back[64];
    size_t bytes = utf16_to_utf8(back, sizeof back, wide, units);
    EXPECT_EQ(std::string(back, bytes), text);
}

}  // namespace
