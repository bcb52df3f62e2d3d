// The scanner: its conversion table, scansets, "%ws" targets, the count output, suppressed
// conversions, and its refusals.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "tests/support/child.h"
#include "text/text.h"

namespace {

int scan_counted(const char* text, int* count, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int r = pro_scanf(text, count, format, args);
    va_end(args);
    return r;
}

}  // namespace

TEST(Scan, NumbersStringsAndScansets) {
    int a = 0, b = 0;
    char word[16] = {};
    EXPECT_EQ(pro_sscanf("12 abc 0x1f", "%d %s %X", &a, word, &b), 3);
    EXPECT_EQ(a, 12);
    EXPECT_STREQ(word, "abc");
    EXPECT_EQ(b, 31);

    float f = 0;
    double d = 0, e = 0;
    EXPECT_EQ(pro_sscanf("1.5 2.25 3e2", "%f %lf %LE", &f, &d, &e), 3);
    EXPECT_FLOAT_EQ(f, 1.5f);
    EXPECT_DOUBLE_EQ(d, 2.25);
    EXPECT_DOUBLE_EQ(e, 300.0);

    char field[16] = {}, rest[16] = {};
    EXPECT_EQ(pro_sscanf("left,right", "%[^,],%s", field, rest), 2);
    EXPECT_STREQ(field, "left");
    EXPECT_STREQ(rest, "right");
    // A scanset of letters, and one whose first member is "]".
    EXPECT_EQ(pro_sscanf("abc123", "%[a-z]%d", field, &a), 2);
    EXPECT_STREQ(field, "abc");
    EXPECT_EQ(a, 123);
    EXPECT_EQ(pro_sscanf("]]x", "%[]]", field), 1);
    EXPECT_STREQ(field, "]]");
}

TEST(Scan, LongIntegerTargetsAre32Bit) {
    struct {
        int value;
        int guard;
    } t = {0, 0x5A5A5A5A};
    EXPECT_EQ(pro_sscanf("-77", "%ld", &t.value), 1);
    EXPECT_EQ(t.value, -77);
    EXPECT_EQ(t.guard, 0x5A5A5A5A);
}

TEST(Scan, SuppressedConversionsTakeNoTarget) {
    int a = 0, b = -1;
    EXPECT_EQ(pro_sscanf("1 2", "%*d %d", &a), 1);
    EXPECT_EQ(a, 2);
    EXPECT_EQ(b, -1);
}

TEST(Scan, CountOutputAndCountConversions) {
    int a = 0, consumed = -1, count = -1;
    EXPECT_EQ(scan_counted("42 tail", &count, "%d", &a), 1);
    EXPECT_EQ(a, 42);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(pro_sscanf("abc 7", "%*s%n %d", &consumed, &a), 1);
    EXPECT_EQ(consumed, 3);
    EXPECT_EQ(a, 7);
    // A failed match leaves the count at 0.
    count = -1;
    EXPECT_EQ(scan_counted("x", &count, "%d", &a), 0);
    EXPECT_EQ(count, 0);
}

TEST(Scan, WideTargetsAreWidened) {
    lang_set(0);
    char16_t name[32];
    char16_t type[8];
    int n = 0;
    EXPECT_EQ(pro_sscanf("PUMP.prt 5", "%[^.].%ws %d", reinterpret_cast<char*>(name), type, &n), 3);
    EXPECT_EQ(n, 5);
    EXPECT_EQ(std::u16string(type), u"prt");
    // A "%ws" after a count conversion is still found.
    int at = 0;
    EXPECT_EQ(pro_sscanf("k=caf\xE9", "k=%n%ws", &at, name), 1);
    EXPECT_EQ(at, 2);
    EXPECT_EQ(std::u16string(name), u"caf\u00E9");
}

TEST(Scan, TwentyTargetsAreTheLimit) {
    int v[20] = {};
    std::string format, text;
    for (int i = 0; i < 20; ++i) {
        format += "%d ";
        text += std::to_string(i + 1) + " ";
    }
    EXPECT_EQ(pro_sscanf(text.c_str(), format.c_str(), &v[0], &v[1], &v[2], &v[3], &v[4], &v[5],
                         &v[6], &v[7], &v[8], &v[9], &v[10], &v[11], &v[12], &v[13], &v[14],
                         &v[15], &v[16], &v[17], &v[18], &v[19]),
              20);
    EXPECT_EQ(v[0], 1);
    EXPECT_EQ(v[19], 20);
}

// "%%" in a scan format matches one "%" of the text and takes no target.
TEST(Scan, PercentSignsMatchThemselves) {
    int a = 0, b = 0, count = -1;
    EXPECT_EQ(pro_sscanf("100%", "%d%%", &a), 1);
    EXPECT_EQ(a, 100);
    EXPECT_EQ(scan_counted("5%7 rest", &count, "%d%%%d", &a, &b), 2);
    EXPECT_EQ(a, 5);
    EXPECT_EQ(b, 7);
    EXPECT_EQ(count, 3);
    b = -1;
    EXPECT_EQ(pro_sscanf("5x7", "%d%%%d", &a, &b), 1);   // no "%" in the text: matching stops
    EXPECT_EQ(b, -1);
}

// A lead byte that ends the format is matched alone: its missing trail is never read.
TEST(Scan, ALeadByteAtTheEndOfTheFormatIsOneByte) {
    int a = 0, count = -1;
    EXPECT_EQ(scan_counted("7\xA4z", &count, "%d\xA4", &a), 1);
    EXPECT_EQ(a, 7);
    EXPECT_EQ(count, 2);
    count = -1;
    EXPECT_EQ(scan_counted("7\x8F\xA1z", &count, "%d\x8F\xA1", &a), 1);
    EXPECT_EQ(count, 3);
}

TEST(Scan, UnknownConversionsAreRefused) {
    int a = -1;
    char s[8] = "same";
    EXPECT_EQ(pro_sscanf("5", "%q", &a), 0);
    EXPECT_EQ(pro_sscanf("5", "%hd", &a), 0);
    EXPECT_EQ(pro_sscanf("5", "%2$d", &a), 0);
    EXPECT_EQ(pro_sscanf("5", "%5", &a), 0);
    EXPECT_EQ(pro_sscanf("abc", "%[abc", s), 0);
    EXPECT_EQ(a, -1);
    EXPECT_STREQ(s, "same");
}

VT_CHILD(scan_refusals) {
    int v[21] = {};
    int count = 0;
    std::string twenty_one;
    for (int i = 0; i < 21; ++i) twenty_one += "%d";
    if (pro_sscanf("1", twenty_one.c_str(), &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6],
                   &v[7], &v[8], &v[9], &v[10], &v[11], &v[12], &v[13], &v[14], &v[15], &v[16],
                   &v[17], &v[18], &v[19], &v[20]) != 0)
        return 1;
    // Twenty conversions and a count output make twenty-one targets.
    std::string twenty = twenty_one.substr(2);
    if (scan_counted("1", &count, twenty.c_str(), &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6],
                     &v[7], &v[8], &v[9], &v[10], &v[11], &v[12], &v[13], &v[14], &v[15], &v[16],
                     &v[17], &v[18], &v[19]) != 0)
        return 2;
    if (v[0] != 0) return 3;
    std::string too_long(513, ' ');
    count = 9;
    if (scan_counted("1", &count, too_long.c_str()) != 0 || count != 0) return 4;
    std::string longest = std::string(510, ' ') + "%d";
    if (pro_sscanf("6", longest.c_str(), &v[0]) != 1 || v[0] != 6) return 5;
    return 0;
}

TEST(Scan, RefusalsAreLogged) {
    auto r = vt_test::run_child("scan_refusals");
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, "Too many arguments to be processed by pro_scanf\n"
                     "Too many arguments to be processed by pro_scanf\n"
                     "pro_scanf   format too long \n");
}
