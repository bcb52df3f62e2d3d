// The single-byte mappings (English and Hebrew) measure the source and convert counted runs in
// vector code; these cases put every special character at every position of short and long
// strings, so a fault in a vector body, its tail or the terminator search shows, and check that
// nothing past the terminator is written.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/text.h"

namespace {

// The per-character rules, as plainly as they can be written.
char16_t latin_unit(unsigned char b) { return b == 0x80 ? 0x20AC : b; }
unsigned char latin_byte(char16_t u) { return u == 0x20AC ? 0x80 : static_cast<unsigned char>(u & 0xFF); }
char16_t hebrew_unit(unsigned char b) { return b >= 0xE0 && b <= 0xFA ? static_cast<char16_t>(b + 0x4F0) : b; }
unsigned char hebrew_byte(char16_t u) {
    return u >= 0x05D0 && u <= 0x05EA ? static_cast<unsigned char>(u - 0x4F0) : static_cast<unsigned char>(u & 0xFF);
}

struct language_rules {
    int code;
    char16_t (*unit)(unsigned char);
    unsigned char (*byte)(char16_t);
    std::vector<unsigned char> special_bytes;   // bytes whose mapping is not plain widening
    std::vector<char16_t> special_units;        // units whose mapping is not plain truncation
};

const language_rules rules[] = {
    {0, latin_unit, latin_byte, {0x80, 0x7F, 0x81, 0xFF}, {0x20AC, 0x20AB, 0x0141, 0x0180, 0xFFFF}},
    {12, hebrew_unit, hebrew_byte, {0xDF, 0xE0, 0xED, 0xFA, 0xFB}, {0x05CF, 0x05D0, 0x05DD, 0x05EA, 0x05EB, 0x20AC}},
};

constexpr int GUARD = 8;

TEST(ConversionRuns, EverySpecialCharacterAtEveryPositionOfEveryLength) {
    int previous = lang_set(0);
    for (const language_rules& rule : rules) {
        lang_set(rule.code);
        for (size_t length = 0; length <= 70; ++length) {
            for (size_t at = 0; at < length || (length == 0 && at == 0); ++at) {
                for (size_t k = 0; k < rule.special_bytes.size(); ++k) {
                    // narrow to wide: plain letters with one special byte at `at`
                    std::string narrow(length, 'a');
                    for (size_t i = 0; i < length; ++i) narrow[i] = static_cast<char>('a' + i % 26);
                    if (length > 0) narrow[at] = static_cast<char>(rule.special_bytes[k]);
                    std::vector<char16_t> wide(length + 1 + GUARD, u'#');
                    strtows(wide.data(), narrow.c_str());
                    for (size_t i = 0; i < length; ++i)
                        ASSERT_EQ(wide[i], rule.unit(static_cast<unsigned char>(narrow[i])))
                            << "code " << rule.code << " length " << length << " at " << i;
                    ASSERT_EQ(wide[length], 0) << "length " << length;
                    for (int g = 1; g <= GUARD; ++g) ASSERT_EQ(wide[length + g], u'#') << "written past the end";
                }
                for (size_t k = 0; k < rule.special_units.size(); ++k) {
                    // wide to narrow: plain letters with one special unit at `at`
                    std::u16string wide(length, u'a');
                    for (size_t i = 0; i < length; ++i) wide[i] = static_cast<char16_t>(u'A' + i % 26);
                    if (length > 0) wide[at] = rule.special_units[k];
                    std::vector<char> narrow(4 * length + 1 + GUARD, '#');
                    wstostr(narrow.data(), wide.c_str());
                    for (size_t i = 0; i < length; ++i)
                        ASSERT_EQ(static_cast<unsigned char>(narrow[i]), rule.byte(wide[i]))
                            << "code " << rule.code << " length " << length << " at " << i;
                    ASSERT_EQ(narrow[length], 0) << "length " << length;
                    for (int g = 1; g <= GUARD; ++g) ASSERT_EQ(narrow[length + g], '#') << "written past the end";
                }
            }
        }
    }
    lang_set(previous);
}

TEST(ConversionRuns, ConversionInPlaceOverItsOwnWideSource) {
    // A caller may narrow a wide buffer into itself: each byte lands at or before the unit it
    // came from, so the result is the same as through a separate buffer.
    int previous = lang_set(0);
    for (size_t length : {1u, 7u, 16u, 33u, 100u}) {
        std::u16string text(length, u'x');
        for (size_t i = 0; i < length; ++i) text[i] = i % 5 == 0 ? char16_t(0x20AC) : static_cast<char16_t>(u'a' + i % 26);
        std::vector<char> expected(4 * length + 1);
        wstostr(expected.data(), text.c_str());
        std::vector<char16_t> buffer(text.begin(), text.end());
        buffer.push_back(0);
        char* narrow = reinterpret_cast<char*>(buffer.data());
        wstostr(narrow, buffer.data());
        EXPECT_STREQ(narrow, expected.data()) << "length " << length;
    }
    lang_set(previous);
}

}  // namespace
