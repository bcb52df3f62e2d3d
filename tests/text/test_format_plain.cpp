// The formatter's plain conversions ("%s", "%ws", "%c", "%d", "%i" without flags, width or
// precision), which append the argument's text directly, against the general path through the
// run-time sprintf: the same conversion with a precision that changes nothing takes that path,
// and both must give the same bytes and refuse the same calls.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "text/text.h"

namespace {

// The whole output buffer of a call with a null destination, terminator included (a "%c" of 0
// puts a zero byte inside the text).
std::string output_bytes(size_t length, const char* format, ...) {
    va_list args;
    va_start(args, format);
    char* r = pro_sprintf(nullptr, format, args);
    va_end(args);
    return r == nullptr ? std::string("<refused>") : std::string(r, length);
}

std::string formatted(const char* format, ...) {
    va_list args;
    va_start(args, format);
    char* r = pro_sprintf(nullptr, format, args);
    va_end(args);
    return r == nullptr ? std::string("<refused>") : std::string(r);
}

}  // namespace

TEST(FormatPlain, IntegersMatchTheGeneralPathAndTheCLibrary) {
    for (int value : {0, 1, -1, 9, 10, -10, 99, 100, 12345, 123456789, -123456789, INT_MAX, INT_MIN, INT_MIN + 1}) {
        char expected[32];
        std::snprintf(expected, sizeof expected, "<%d>", value);
        EXPECT_EQ(formatted("<%d>", value), expected);
        EXPECT_EQ(formatted("<%.1d>", value), expected);   // general path: a precision of one digit
        EXPECT_EQ(formatted("<%i>", value), expected);
        EXPECT_EQ(formatted("<%ld>", value), expected);
        EXPECT_EQ(formatted("<%D>", value), expected);
        EXPECT_EQ(formatted("<%LI>", value), expected);
    }
    // The letters after a plain integer conversion are the format's own text again.
    EXPECT_EQ(formatted("%d%d%dx", 1, -2, 3), "1-23x");
}

TEST(FormatPlain, CharactersIncludingTheZeroByte) {
    EXPECT_EQ(formatted("[%c%C]", 'a', 'B'), "[aB]");
    EXPECT_EQ(formatted("%c", 0x141), "A");   // the int is cut to its byte, as sprintf does
    // A zero byte goes into the output like any other; the text then ends there.
    std::string plain = output_bytes(4, "a%cb", 0);
    std::string general = output_bytes(4, "a%1cb", 0);
    EXPECT_EQ(plain, std::string("a\0b\0", 4));
    EXPECT_EQ(plain, general);
    char dest[8] = "xxxxxxx";
    ASSERT_EQ(pro_str_format(dest, "a%cb", 0), dest);
    EXPECT_EQ(std::string(dest, 3), std::string("a\0x", 3));   // copied up to the zero byte only
}

TEST(FormatPlain, StringsOfEveryBufferSizeAndNull) {
    for (size_t n : {size_t(0), size_t(1), size_t(499), size_t(500), size_t(501), size_t(5000)}) {
        std::string text(n, 'q');
        if (n > 0) text[n - 1] = 'z';
        EXPECT_EQ(formatted("<%s>", text.c_str()), "<" + text + ">") << n;
        EXPECT_EQ(formatted("<%.9999999s>", text.c_str()), "<" + text + ">") << n;
    }
    EXPECT_EQ(formatted("%s|%S", nullptr, nullptr), "(null)|(null)");
    EXPECT_EQ(formatted("%.9999999s", nullptr), "(null)");
}

TEST(FormatPlain, TheLargestOutputIsRefusedAtTheSameLengthOnBothPaths) {
    // The output holds at most 2,000,000 bytes, the terminator included.
    std::string fits(1999999, 'w');
    std::string too_long(2000000, 'w');
    EXPECT_EQ(formatted("%s", fits.c_str()).size(), 1999999u);
    EXPECT_EQ(formatted("%.9999999s", fits.c_str()).size(), 1999999u);
    EXPECT_EQ(formatted("%s", too_long.c_str()), "<refused>");
    EXPECT_EQ(formatted("%.9999999s", too_long.c_str()), "<refused>");
    // With text before it, one byte less of the string fits.
    std::string one_less(1999998, 'w');
    EXPECT_EQ(formatted("x%s", one_less.c_str()).size(), 1999999u);
    EXPECT_EQ(formatted("x%s", fits.c_str()), "<refused>");
    EXPECT_EQ(formatted("x%.9999999s", fits.c_str()), "<refused>");
    // A refused call leaves nothing behind: the next call starts empty.
    EXPECT_EQ(formatted("%d", 5), "5");
}

// Every way of adding to the output stops at the same limit: literal text, "%%", and each plain
// or general conversion, when the output already holds 2,000,000 bytes and none is left for
// what it adds (the terminator included).
TEST(FormatPlain, EveryKindOfAppendIsRefusedPastTheLargestOutput) {
    std::string full(1999999, 'w');      // with the "x" after it: the whole output
    std::string room(1999997, 'w');      // two bytes less: the append and its terminator fit
    struct {
        const char* what;
        std::function<std::string(const char*)> call;
        const char* last;   // the byte the append adds
    } appends[] = {
        {"literal text", [](const char* head) { return formatted("%sxy", head); }, "y"},
        {"%%", [](const char* head) { return formatted("%sx%%", head); }, "%"},
        {"%c", [](const char* head) { return formatted("%sx%c", head, 'c'); }, "c"},
        {"%d", [](const char* head) { return formatted("%sx%d", head, 7); }, "7"},
        {"%ws", [](const char* head) { return formatted("%sx%ws", head, u"a"); }, "a"},
        {"%s", [](const char* head) { return formatted("%sx%s", head, "s"); }, "s"},
        {"%.1d", [](const char* head) { return formatted("%sx%.1d", head, 7); }, "7"},
    };
    for (const auto& a : appends) {
        EXPECT_EQ(a.call(full.c_str()), "<refused>") << a.what;
        std::string fits = a.call(room.c_str());
        EXPECT_EQ(fits.size(), 1999999u) << a.what;
        EXPECT_EQ(fits.substr(1999997), std::string("x") + a.last) << a.what;
    }
}

// A wide argument is converted into a buffer of four bytes a unit: one longer than that buffer
// may hold is refused on both paths, whatever its narrow length would be.
TEST(FormatPlain, WideArgumentsBeyondTheConversionBufferAreRefused) {
    std::u16string longest(499999, u'a');
    std::u16string too_long(500000, u'a');
    EXPECT_EQ(formatted("%ws", longest.c_str()), std::string(499999, 'a'));
    EXPECT_EQ(formatted("%.9999999ws", longest.c_str()), std::string(499999, 'a'));
    EXPECT_EQ(formatted("%ws", too_long.c_str()), "<refused>");
    EXPECT_EQ(formatted("%.9999999ws", too_long.c_str()), "<refused>");
    EXPECT_EQ(formatted("%d", 5), "5");
}

TEST(FormatPlain, WideStringsMatchTheGeneralPathInEveryLanguagePath) {
    int previous = lang_get();
    const char16_t* texts[] = {u"", u"PUMP_HOUSING", u"\u00e9t\u00e9 \u20ac", u"\u05d0\u05d1", u"\u3042\u30a2\u4e00"};
    for (int language : {0, 1, 2, 4, 12}) {
        lang_set(language);
        for (const char16_t* text : texts) {
            std::string plain = formatted("[%ws]", text);
            EXPECT_EQ(plain, formatted("[%.9999999ws]", text)) << "language " << language;
            EXPECT_EQ(plain, formatted("[%WS]", text)) << "language " << language;
        }
        // A long one: past the conversion and piece buffers' first 500 bytes.
        std::u16string wide(3000, u'\u3042');
        EXPECT_EQ(formatted("%ws", wide.c_str()), formatted("%.9999999ws", wide.c_str())) << "language " << language;
    }
    EXPECT_EQ(formatted("[%ws]", nullptr), "[]");
    EXPECT_EQ(formatted("[%.9999999ws]", nullptr), "[]");
    lang_set(previous < 0 ? 0 : previous);
}

TEST(FormatPlain, PlainAndGeneralConversionsMixInOneCall) {
    EXPECT_EQ(formatted("%s%ctext%c%s", "C:\\ptc\\vt_vexo", '\\', '\\', "usascii"), "C:\\ptc\\vt_vexo\\text\\usascii");
    EXPECT_EQ(formatted("%d|%5d|%-3s|%s|%x", 7, 8, "a", "b", 255), "7|    8|a  |b|ff");
    EXPECT_EQ(formatted("%*d%d", 3, 1, 2), "  12");
}
