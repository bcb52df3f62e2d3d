// Faults that fuzzing found in the formatter and the scanner, kept as regression cases.
//
// Widths and precisions far beyond what a piece may hold, as a star argument can bring them in:
// a star value of about 2^31 made the formatter pad for many seconds before refusing.  Such a
// conversion is refused at once; a string's precision, which only cuts the string, is not a
// reason to refuse.
//
// An EUC lead byte right before a "%" in a scan format: the translation took the "%" as the lead
// byte's trail and counted no target for the conversion, which sscanf (reading the "%" on its own)
// then stored through a null target.
#include <gtest/gtest.h>

#include <cstdio>

#include <chrono>
#include <climits>
#include <string>

#include "text/text.h"

namespace {

const int huge = INT_MAX;
const int beyond_piece = 2000001;  // one more than the largest piece

TEST(FormatLimits, HugeWidthsAndPrecisionsAreRefusedAtOnce) {
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(pro_str_format(nullptr, "%*d", huge, 7), nullptr);
    EXPECT_EQ(pro_str_format(nullptr, "%*d", -huge, 7), nullptr);  // left-justified
    EXPECT_EQ(pro_str_format(nullptr, "%-*s", huge, "abc"), nullptr);
    EXPECT_EQ(pro_str_format(nullptr, "%.*f", huge, 1.5), nullptr);
    EXPECT_EQ(pro_str_format(nullptr, "%*.*e", 10, huge, 1.5), nullptr);
    EXPECT_EQ(pro_str_format(nullptr, "%*ws", beyond_piece, u"abc"), nullptr);
    EXPECT_EQ(pro_str_format(nullptr, "%2000001d", 7), nullptr);
    // Each of these used to walk up to 2^31 characters of padding.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST(FormatLimits, AStringsPrecisionOnlyCutsIt) {
    const char* text = pro_str_format(nullptr, "[%.*s]", huge, "abc");
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "[abc]");
    text = pro_str_format(nullptr, "[%.*s]", 2, "abc");
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "[ab]");
}

TEST(FormatLimits, WidthsUpToThePieceLimitStillFormat) {
    const char* text = pro_str_format(nullptr, "%*d", 2000, 7);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::string(text), std::string(1999, ' ') + "7");
    text = pro_str_format(nullptr, "%0*d|%-*s|", 600, 42, 700, "x");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::string(text), std::string(598, '0') + "42|x" + std::string(699, ' ') + "|");
}

TEST(ScanFaults, AConversionAfterALoneEucLeadByteGetsItsTarget) {
    char text[32] = {};
    int number = 0;
    // "\xE1" stands alone: the "%" after it starts a conversion, as sscanf sees it.
    EXPECT_EQ(pro_sscanf("\xE1" "abc,5", "\xE1%[^,],%d", text, &number), 2);
    EXPECT_STREQ(text, "abc");
    EXPECT_EQ(number, 5);
    // The fuzzer's input: an odd run of lead bytes, a scanset, a suppressed and a double target.
    // Every byte of this format reaches sscanf unchanged, so the scan must give exactly what the
    // C library gives for it: glibc matches the high bytes literally and assigns all three,
    // msvcrt stops at a high byte after a blank and assigns none.  Either way each conversion
    // has its own target.
    std::string format = " " + std::string(45, '\xE1') + "%[^,],%5c%*d %lf";
    std::string input = " " + std::string(45, '\xE1') + "one,two45 7 2.5";
    char first[64] = {}, second[64] = {}, first_c[64] = {}, second_c[64] = {};
    double value = 0, value_c = 0;
    int assigned = pro_sscanf(input.c_str(), format.c_str(), first, second, &value);
    int assigned_c = std::sscanf(input.c_str(), format.c_str(), first_c, second_c, &value_c);
    EXPECT_EQ(assigned, assigned_c);
    EXPECT_STREQ(first, first_c);
    EXPECT_EQ(std::string(second, sizeof second), std::string(second_c, sizeof second_c));
    EXPECT_EQ(value, value_c);
    if (assigned_c == 3) {
        EXPECT_STREQ(first, "one");
        EXPECT_EQ(std::string(second, 5), "two45");
        EXPECT_EQ(value, 2.5);
    }
}

TEST(ScanFaults, WholeEucCharactersStillMatchLiterally) {
    int number = 0;
    // A two-byte character (A4 A2) before the conversion is matched as one literal.
    EXPECT_EQ(pro_sscanf("\xA4\xA2" "42", "\xA4\xA2%d", &number), 1);
    EXPECT_EQ(number, 42);
}

}  // namespace
