// The bounded formatter: conversions, exponent normalisation, "%ws" and paths, the wrappers,
// buffers far beyond their first size, and every refusal.
#include <gtest/gtest.h>

#include <ctype.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "platform/platform.h"
#include "tests/support/child.h"
#include "text/text.h"

namespace {

// Formats into a buffer followed by guard bytes that must stay untouched.
struct Guarded {
    std::string buffer;
    size_t size;
    explicit Guarded(size_t n) : buffer(n + 16, '\x5A'), size(n) {}
    char* data() { return buffer.data(); }
    bool guard_intact() const { return buffer.find_first_not_of('\x5A', size) == std::string::npos; }
};

#define EXPECT_FORMAT(expected, ...)                                          \
    do {                                                                      \
        Guarded out(std::string(expected).size() + 1);                        \
        char* r = pro_str_format(out.data(), __VA_ARGS__);                    \
        ASSERT_EQ(r, out.data()) << "refused: " #__VA_ARGS__;                 \
        EXPECT_STREQ(out.data(), expected) << #__VA_ARGS__;                   \
        EXPECT_TRUE(out.guard_intact()) << "overrun: " #__VA_ARGS__;          \
    } while (0)

#define EXPECT_REFUSED(...)                                                   \
    do {                                                                      \
        char out[64] = "untouched";                                           \
        EXPECT_EQ(pro_str_format(out, __VA_ARGS__), nullptr) << #__VA_ARGS__; \
        EXPECT_STREQ(out, "untouched");                                       \
    } while (0)

char* format_null(const char* format, ...) {
    va_list args;
    va_start(args, format);
    char* r = pro_sprintf(nullptr, format, args);
    va_end(args);
    return r;
}

}  // namespace

TEST(Format, PlainConversionsAndPercent) {
    EXPECT_FORMAT("3 items", "%d items", 3);
    EXPECT_FORMAT("100%", "100%%");
    EXPECT_FORMAT("FF ff", "%X %x", 255, 255);
    EXPECT_FORMAT("-7|377|4294967295|12", "%i|%o|%u|%ld", -7, 255, -1, 12);
    EXPECT_FORMAT("ff|ABC|x", "%lx|%s|%c", 255, "ABC", 'x');
    EXPECT_FORMAT("2.50|0.125000|1.5", "%.2f|%lf|%g", 2.5, 0.125, 1.5);
    EXPECT_FORMAT("[  ab][ab  ]", "[%4s][%-4s]", "ab", "ab");
    EXPECT_FORMAT("   42", "%*d", 5, 42);
    EXPECT_FORMAT("42   |", "%*d|", -5, 42);
    EXPECT_FORMAT("  3.14", "%*.*f", 6, 2, 3.14159);
}

TEST(Format, UpperCaseLettersReadTheRowsOwnArgumentType) {
    // "%S", "%C" and "%LF" would make the run-time library read a wide string, a wide character
    // or a long double; the formatter hands on the row's own type instead.
    EXPECT_FORMAT("abc|Q|1.500000", "%S|%C|%LF", "abc", 'Q', 1.5);
    EXPECT_FORMAT("1.500000E+07", "%E", 1.5e7);
    EXPECT_FORMAT("-12", "%LD", -12);
}

TEST(Format, TinyDoublesPrintAsZero) {
    EXPECT_FORMAT("0.000000", "%f", 1e-31);
    EXPECT_FORMAT("0.000000", "%f", -1e-31);
    EXPECT_FORMAT("0.000000e+00", "%e", 1e-31);
    EXPECT_FORMAT("1e-29", "%g", 1e-29);
}

TEST(Format, ExponentsHaveTwoDigitsAndKeepTheirWidth) {
    EXPECT_FORMAT("1.500000e+07", "%e", 1.5e7);
    EXPECT_FORMAT("  1.500000e+07", "%14e", 1.5e7);
    EXPECT_FORMAT("1.500000e+07  ", "%-14e", 1.5e7);
    EXPECT_FORMAT("1.500000e+07", "%12e", 1.5e7);
    EXPECT_FORMAT("1.5e+100", "%g", 1.5e100);
}

// A run-time library that prints three exponent digits, as "1.5e+007": the formatter takes the
// leading zero out and makes the width up with one blank.
int three_digit_exponents(char* dest, size_t capacity, const char* spec, double value) {
    char text[512];
    int n = snprintf(text, sizeof text, spec, value);
    std::string out(text, static_cast<size_t>(n));
    size_t e = out.find_first_of("eE");
    if (e != std::string::npos && e + 4 <= out.size() && isdigit(static_cast<unsigned char>(out[e + 3])) &&
        (e + 4 == out.size() || !isdigit(static_cast<unsigned char>(out[e + 4])))) {
        out.insert(e + 2, "0");
        // the library's own width holds the longer exponent: one blank fewer
        if (!out.empty() && out[0] == ' ') out.erase(0, 1);
        else if (out.size() > 1 && out.back() == ' ' && out[out.size() - 2] == ' ') out.pop_back();
    }
    return snprintf(dest, capacity, "%s", out.c_str());
}

struct ThreeDigitLibrary : testing::Test {
    int (*saved)(char*, size_t, const char*, double) = nullptr;
    void SetUp() override {
        saved = platform.format_double;
        platform.format_double = three_digit_exponents;
    }
    void TearDown() override { platform.format_double = saved; }
};

TEST_F(ThreeDigitLibrary, TheLibrarysExponentsAreWhatTheTestAssumes) {
    char text[64];
    three_digit_exponents(text, sizeof text, "%14e", 1.5e7);
    EXPECT_STREQ(text, " 1.500000e+007");
    three_digit_exponents(text, sizeof text, "%-14e", 1.5e7);
    EXPECT_STREQ(text, "1.500000e+007 ");
}

TEST_F(ThreeDigitLibrary, ExponentsGetTwoDigitsAndKeepTheirWidth) {
    EXPECT_FORMAT("1.500000e+07", "%e", 1.5e7);
    EXPECT_FORMAT("  1.500000e+07", "%14e", 1.5e7);
    EXPECT_FORMAT("1.500000e+07  ", "%-14e", 1.5e7);
    EXPECT_FORMAT("1.500000e+07", "%12e", 1.5e7);
    EXPECT_FORMAT("1.500000E-07", "%E", 1.5e-7);
    EXPECT_FORMAT("  +1.5e+07", "%+10g", 1.5e7);
    // A three-digit exponent that does not start with 0 stays.
    EXPECT_FORMAT("1.5e+100", "%g", 1.5e100);
    // Fixed notation has no exponent to change.
    EXPECT_FORMAT("2.500", "%.3f", 2.5);
}

TEST(Format, OrdinaryCharactersFollowTheEucLengthRule) {
    EXPECT_FORMAT("\xA4\xA2=1", "\xA4\xA2=%d", 1);
    // A lead byte at the very end of the format is copied alone, never past the terminator.
    EXPECT_FORMAT("ab\xA4", "ab\xA4");
    EXPECT_FORMAT("x\x8F\xA1", "x\x8F\xA1");
    // The second byte of a character is not read as a conversion.
    EXPECT_FORMAT("\xA4%d", "\xA4%d");
}

TEST(Format, PathsUseBackslashes) {
    EXPECT_FORMAT("a\\b\\c", "%pd", "a/b|c");
    EXPECT_FORMAT("[   x\\y]", "[%6pf]", "x/y");
    std::string longest(255, 'p');
    longest[3] = '/';
    std::string expected = longest;
    expected[3] = '\\';
    EXPECT_FORMAT(expected.c_str(), "%pd", longest.c_str());
    // 256 characters do not fit the local copy: an empty field, and formatting goes on.
    std::string too_long(256, 'q');
    EXPECT_FORMAT("[]=7", "[%pd]=%d", too_long.c_str(), 7);
}

TEST(Format, WideStringsInTheCurrentLanguage) {
    int previous = lang_set(0);
    EXPECT_FORMAT("h\xE9llo|  ab", "%ws|%4ws", u"h\u00E9llo", u"ab");
    std::u16string long_text(3000, u'w');
    std::string narrow = format_null("%ws", long_text.c_str());
    EXPECT_EQ(narrow, std::string(3000, 'w'));

    lang_set(1);
    // Precision 3 over two 2-byte EUC characters keeps only the first, whole.
    EXPECT_FORMAT("\xA4\xA2", "%.3ws", u"\u3042\u3044");
    EXPECT_FORMAT("\xA4\xA2\xA4\xA4", "%.4ws", u"\u3042\u3044");
    std::u16string japanese(2000, u'\u3042');
    std::string euc = format_null("%ws", japanese.c_str());
    EXPECT_EQ(euc.size(), 4000u);
    EXPECT_EQ(euc.substr(0, 2), "\xA4\xA2");
    lang_set(previous < 0 ? 0 : previous);
}

TEST(Format, WidthsAndPrecisionsFarBeyondTheFirstBuffers) {
    std::string wide_int = format_null("%5000d", 7);
    EXPECT_EQ(wide_int, std::string(4999, ' ') + "7");
    std::string precise = format_null("%.3000f", 1.0);
    EXPECT_EQ(precise.size(), 3002u);
    EXPECT_EQ(precise.substr(0, 3), "1.0");
    std::string padded = format_null("%-100000s|", "abc");
    EXPECT_EQ(padded.size(), 100001u);
    EXPECT_EQ(padded.substr(0, 3), "abc");
    EXPECT_EQ(padded.back(), '|');
    std::string star = format_null("%*s%.*d", 70000, "z", 600, 5);
    EXPECT_EQ(star.size(), 70600u);
    EXPECT_EQ(star.substr(69999, 2), "z0");
    // A piece no buffer may hold is refused rather than written.
    EXPECT_EQ(format_null("%3000000d", 1), nullptr);
    // The output grows across many pieces as well.
    std::string many = format_null("%400s%400s%400s%400s", "a", "b", "c", "d");
    EXPECT_EQ(many.size(), 1600u);
    EXPECT_EQ(many[1599], 'd');
}

TEST(Format, NullDestinationGivesTheSharedBufferUntilTheNextCall) {
    char* first = format_null("%s-%d", "one", 1);
    ASSERT_NE(first, nullptr);
    EXPECT_STREQ(first, "one-1");
    char* second = format_null("%s", "two");
    ASSERT_NE(second, nullptr);
    EXPECT_STREQ(second, "two");
}

TEST(Format, RefusedFormats) {
    EXPECT_REFUSED("%hd", 1);
    EXPECT_REFUSED("%pz", "x");
    EXPECT_REFUSED("%n", nullptr);
    EXPECT_REFUSED("trailing %");
    EXPECT_REFUSED("%-5");
    EXPECT_REFUSED("%2$d", 1, 2);     // positional arguments
    EXPECT_REFUSED("%q", 1);
    // A specification holds at most 19 characters, stars written in.
    EXPECT_FORMAT("00042", "%00000000000000005d", 42);
    EXPECT_REFUSED("%000000000000000005d", 42);
    EXPECT_REFUSED("%000000000000*d", 123456, 42);
    EXPECT_REFUSED("%000000000000000000000000000005d", 42);   // refused before its letter
    char* starred = format_null("%000000000000*d", 12345, 42);
    ASSERT_NE(starred, nullptr);
    EXPECT_EQ(std::string(starred), std::string(12343, '0') + "42");
    // 500 bytes of format are accepted, 501 are not.
    std::string accepted(500, 'a');
    EXPECT_FORMAT(accepted.c_str(), accepted.c_str());
}

VT_CHILD(format_too_long) {
    std::string format(501, 'a');
    char out[8] = "same";
    if (pro_str_format(out, format.c_str()) != nullptr || strcmp(out, "same") != 0) return 1;
    char16_t wide[4] = u"abc";
    if (pro_wstr_format(wide, format.c_str()) != 0 || wide[0] != u'a') return 2;
    if (pro_message(format.c_str()) != 0) return 3;
    if (pro_message("%hd", 1) != 0) return 4;   // refused: nothing is written
    return 0;
}

TEST(Format, OverLongFormatsAreLogged) {
    auto r = vt_test::run_child("format_too_long");
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, "pro_sprintf   format too long \npro_sprintf   format too long \n"
                     "pro_sprintf   format too long \n");
}

VT_CHILD(format_message) {
    int n = pro_message("%s=%d\n", "count", 12);
    return n == 9 ? 0 : 1;
}

TEST(Format, MessageGoesToTheLogWithItsLength) {
    auto r = vt_test::run_child("format_message");
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, "count=12\n");
}

TEST(Format, WideFormatReturnsItsLengthInCodeUnits) {
    lang_set(0);
    char16_t out[32];
    for (auto& c : out) c = u'#';
    EXPECT_EQ(pro_wstr_format(out, "%s|%s", "Wildfire 2.0", "C010"), 17);
    EXPECT_EQ(std::u16string(out), u"Wildfire 2.0|C010");
    EXPECT_EQ(out[18], u'#');
    EXPECT_EQ(pro_wstr_format(out, "%hd", 1), 0);
    EXPECT_EQ(std::u16string(out), u"Wildfire 2.0|C010");
}

namespace {

int scan(const char* text, const char* format, int* target) { return pro_sscanf(text, format, target); }

}  // namespace

// Null texts and formats have defined outcomes: no crash, no write.
TEST(Format, NullArgumentsHaveDefinedOutcomes) {
    char out[16] = "untouched";
    EXPECT_EQ(pro_str_format(out, nullptr), nullptr);
    EXPECT_STREQ(out, "untouched");
    EXPECT_FORMAT("[(null)]", "[%s]", static_cast<const char*>(nullptr));
    EXPECT_FORMAT("[]", "[%ws]", static_cast<const char16_t*>(nullptr));
    EXPECT_FORMAT("[   ]", "[%3ws]", static_cast<const char16_t*>(nullptr));
    EXPECT_FORMAT("[]", "[%pd]", static_cast<const char*>(nullptr));
    EXPECT_FORMAT("[  ]", "[%2pf]", static_cast<const char*>(nullptr));
    int target = 5;
    EXPECT_EQ(scan(nullptr, "%d", &target), 0);
    EXPECT_EQ(scan("12", nullptr, &target), 0);
    EXPECT_EQ(target, 5);
}

TEST(Format, UpperCaseLastLettersOfEveryKind) {
    EXPECT_FORMAT("1.5E+07|2.500000|FF", "%G|%F|%lX", 1.5e7, 2.5, 255);
    EXPECT_FORMAT("0.125000|0.125000", "%lf|%lF", 0.125, 0.125);
}

TEST(Format, WidePrecisionBelowTheFirstCharacterKeepsItWhole) {
    int previous = lang_set(1);
    // The converted text keeps the first EUC character whole; the run-time library then cuts
    // to the precision itself.
    EXPECT_FORMAT("\xA4", "%.1ws", u"\u3042\u3044");
    EXPECT_FORMAT("", "%.0ws", u"\u3042");
    EXPECT_FORMAT("\xA4\xA2", "%.2ws", u"\u3042\u3044");
    lang_set(previous < 0 ? 0 : previous);
}

// A "." without digits is a precision of zero, left to the run-time library; a precision beyond
// the text cuts nothing, however many digits it has.
TEST(Format, WidePrecisionWithoutDigitsOrBeyondTheText) {
    int previous = lang_set(1);
    EXPECT_FORMAT("", "%.ws", u"\u3042\u3044");
    EXPECT_FORMAT("[   ]", "[%3.ws]", u"abc");
    EXPECT_FORMAT("\xA4\xA2\xA4\xA4", "%.99999999ws", u"\u3042\u3044");
    EXPECT_FORMAT("\xA4\xA2\xA4\xA4", "%.4ws", u"\u3042\u3044");
    lang_set(previous < 0 ? 0 : previous);
}
