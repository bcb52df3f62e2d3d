// Wide/narrow conversion by the current language: path selection, each path's mapping, round
// trips of the name corpus in every language, buffer limits with guard bytes, the EUC-JP
// conversions, the one-character operations, and the failure texts of the message log.
#include <gtest/gtest.h>

#include <algorithm>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tests/text/corpus.h"
#include "text/text.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

const unsigned char guard = 0xA5;
const char16_t wide_guard = 0xA5A5;

// Replaces platform entries for one test and puts the table back afterwards.
struct platform_patch {
    platform_table saved = platform;
    ~platform_patch() { platform = saved; }
};

int injected_error = 0;
int injected_last_error() { return injected_error; }
int failing_mb_to_wc(int, unsigned, const char*, int, char16_t*, int) { return 0; }
int failing_wc_to_mb(int, unsigned, const char16_t*, int, char*, int) { return 0; }

// Fails the one-character conversion of 'X' only; everything else goes to the real service.
int (*real_wc_to_mb)(int, unsigned, const char16_t*, int, char*, int) = nullptr;
int wc_to_mb_failing_on_x(int page, unsigned flags, const char16_t* source, int length, char* dest, int capacity) {
    if (length == 1 && source[0] == u'X') return 0;
    return real_wc_to_mb(page, flags, source, length, dest, capacity);
}

// A narrow source in a heap block of exactly its size, so that a read past the terminator is a
// sanitizer error rather than a silent one.
struct exact_source {
    std::unique_ptr<char[]> bytes;
    explicit exact_source(const std::string& text) : bytes(new char[text.size() + 1]) {
        std::memcpy(bytes.get(), text.c_str(), text.size() + 1);
    }
    const char* get() const { return bytes.get(); }
};

std::string narrow_of(int language, const std::u16string& text) {
    lang_set(language);
    std::vector<char> out(4 * text.size() + 1 + 8, static_cast<char>(guard));
    wstostr(out.data(), text.c_str());
    return std::string(out.data());
}

std::u16string wide_of(int language, const std::string& bytes) {
    lang_set(language);
    exact_source source(bytes);
    std::vector<char16_t> out(bytes.size() + 1 + 8, wide_guard);
    strtows(out.data(), source.get());
    return std::u16string(out.data());
}

// Code pages of the narrow text of each language, as the conversion tables of the corpus name them.
int corpus_page_of(int language) {
    switch (language) {
    case 1: return 932;
    case 4: return 1251;
    case 8: return 949;
    case 9: return 950;
    case 10: return 936;
    case 12: return 28598;
    case 13: return 1253;
    case 14: return 1254;
    case 15: case 16: case 17: case 18: case 20: return 1250;
    default: return 1252;
    }
}

bool latin_path_holds(const std::u16string& text) {
    for (char16_t u : text)
        if (u > 0xFF && u != 0x20AC) return false;
    return true;
}

class Conversion : public testing::Test {
protected:
    int saved = lang_set(0);
    ~Conversion() override { lang_set(saved == -1 ? 0 : saved); }
};

TEST_F(Conversion, EmptySourceGivesEmptyTerminatedDestinationOnEveryPath) {
    for (int language : {0, 1, 2, 4, 6, 8, 12, 99}) {
        lang_set(language);
        char narrow[4] = {'x', 'x', 'x', 'x'};
        char16_t wide[4] = {u'x', u'x', u'x', u'x'};
        EXPECT_EQ(wstostr(narrow, u""), narrow);
        EXPECT_EQ(narrow[0], 0) << language;
        EXPECT_EQ(narrow[1], 'x') << language;
        EXPECT_EQ(strtows(wide, ""), wide);
        EXPECT_EQ(wide[0], 0) << language;
        EXPECT_EQ(wide[1], u'x') << language;
    }
}

TEST_F(Conversion, EnglishIsLatinOneWithTheEuroAt0x80) {
    EXPECT_EQ(wide_of(0, "\x80"), u"\u20AC");
    EXPECT_EQ(narrow_of(0, u"\u20AC"), "\x80");
    EXPECT_EQ(narrow_of(0, u"\u00E9"), "\xE9");
    EXPECT_EQ(narrow_of(0, u"\u0141"), "A");        // low 8 bits
    EXPECT_EQ(wide_of(0, "\x81\x9F\xFF"), u"\u0081\u009F\u00FF");
}

TEST_F(Conversion, HebrewMapsOnlyTheLetterRange) {
    EXPECT_EQ(wide_of(12, "\xE0"), u"\u05D0");
    EXPECT_EQ(wide_of(12, "\xFA"), u"\u05EA");
    EXPECT_EQ(wide_of(12, "\xFB\xDF"), u"\u00FB\u00DF");
    EXPECT_EQ(narrow_of(12, u"\u05EB"), "\xEB");
    EXPECT_EQ(narrow_of(12, u"\u05CF\u05D0\u05EA"), "\xCF\xE0\xFA");
}

TEST_F(Conversion, EachLanguageUsesItsCodePage) {
    EXPECT_EQ(narrow_of(4, u"\u0414"), "\xC4");          // 1251
    EXPECT_EQ(narrow_of(13, u"\u0391"), "\xC1");         // 1253
    EXPECT_EQ(narrow_of(14, u"\u011E"), "\xD0");         // 1254
    for (int language : {15, 16, 17, 18, 20}) EXPECT_EQ(narrow_of(language, u"\u0141"), "\xA3") << language;
    EXPECT_EQ(narrow_of(8, u"\uD55C"), "\xC7\xD1");      // 949
    EXPECT_EQ(narrow_of(9, u"\u96F6"), "\xB9\x73");      // 950
    EXPECT_EQ(narrow_of(10, u"\u96F6"), "\xC1\xE3");     // 936
    EXPECT_EQ(narrow_of(6, u"\u20AC"), "\x80");          // default page, whole string
    for (int language : {2, 3, 5, 7, 11, 19, 21, -7}) {  // default page, one character at a time
        // U+0141 is not in code page 1252: Win32 writes its look-alike 'L' (best fit); U+4E00
        // has none and becomes the default character.
        EXPECT_EQ(narrow_of(language, u"\u20AC\u00E9\u0141\u4E00"), "\x80\xE9L?") << language;
        EXPECT_EQ(wide_of(language, "\x80\xE9"), u"\u20AC\u00E9") << language;
    }
}

TEST_F(Conversion, CorpusRoundTripsInEveryLanguage) {
    std::vector<int> languages;
    for (int code = 0; code <= 21; ++code) languages.push_back(code);
    languages.push_back(99);
    for (int language : languages) {
        int page = corpus_page_of(language);
        int tried = 0;
        for (const auto& name : corpus::names()) {
            bool fits = language == 0  ? latin_path_holds(name.text)
                        : language == 12 ? corpus::holds(name.code_pages, 28598)
                                         : corpus::holds(name.code_pages, page);
            if (!fits) continue;
            ++tried;
            std::string narrow = narrow_of(language, name.text);
            EXPECT_EQ(wide_of(language, narrow), name.text) << "language " << language << ", " << name.id;
        }
        EXPECT_GE(tried, 2) << "language " << language;
    }
}

TEST_F(Conversion, JapaneseNarrowTextIsEucJp) {
    struct {
        const char16_t* wide;
        const char* euc;
    } cases[] = {
        {u"\u3042", "\xA4\xA2"},
        {u"\uFF71", "\x8E\xB1"},
        {u"A", "A"},
        {u"部品", "\xC9\xF4\xC9\xCA"},
        {u"漢字", "\xB4\xC1\xBB\xFA"},
        {u"図面", "\xBF\xDE\xCC\xCC"},
        {u"カタカナ", "\xA5\xAB\xA5\xBF\xA5\xAB\xA5\xCA"},
        {u"ｶﾀｶﾅ", "\x8E\xB6\x8E\xC0\x8E\xB6\x8E\xC5"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(narrow_of(1, c.wide), c.euc);
        EXPECT_EQ(wide_of(1, c.euc), c.wide);
    }
}

// 0x8E before a byte outside the half-width katakana range is not a katakana prefix: the two
// bytes are one code-page-932 character.
TEST_F(Conversion, Euc0x8EBeforeANonKatakanaByteIsConvertedWithIt) {
    EXPECT_EQ(wide_of(1, "\x8E\x41" "B"), u"\u62F6B");
    EXPECT_EQ(wide_of(1, "\x8E\xB1" "B"), u"\uFF71B");
}

TEST_F(Conversion, EucPairWithABadSecondByteStoresAZeroUnit) {
    lang_set(1);
    exact_source source("\xA4\x41" "B");
    char16_t out[4] = {wide_guard, wide_guard, wide_guard, wide_guard};
    strtows(out, source.get());
    // A4 41 is two characters in code page 932, not one: a zero unit, then B.
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], u'B');
    EXPECT_EQ(out[2], 0);
    EXPECT_EQ(out[3], wide_guard);
}

TEST_F(Conversion, EucSequencesCutShortAtTheEndStayInsideTheSource) {
    // Under the sanitizers a read past any of these terminators fails the test.
    const char* cut[] = {"\xA4", "A\xA4", "\x8E", "x\x8E", "\x8F", "\x8F\xB0", "\xFE"};
    for (const char* text : cut) {
        exact_source source(text);
        size_t n = std::strlen(text);
        std::vector<char16_t> out(n + 1 + 4, wide_guard);
        euc_str_to_unicode_str(out.data(), source.get());
        for (size_t i = n + 1; i < out.size(); ++i) EXPECT_EQ(out[i], wide_guard) << "guard " << i;
        size_t length = 0;
        while (length <= n && out[length] != 0) ++length;
        EXPECT_LE(length, n);
    }
    // The leading ASCII survives; the cut character yields one unit at most.
    EXPECT_EQ(wide_of(1, "A\xA4").substr(0, 1), u"A");
}

// Every JIS X 0208 row/cell in EUC, then all of them again backwards, in one string: each
// character must come out as it does when converted alone, however often it recurs and whatever
// else the string holds before it.
TEST_F(Conversion, EucCharactersConvertInAStringAsTheyDoAlone) {
    lang_set(1);
    std::vector<std::string> characters;
    for (int j1 = 0x21; j1 <= 0x7E; ++j1)
        for (int j2 = 0x21; j2 <= 0x7E; ++j2)
            characters.push_back({static_cast<char>(j1 | 0x80), static_cast<char>(j2 | 0x80)});
    characters.push_back("\xA4\x41");   // a pair cut short by a byte outside EUC
    std::string text;
    std::u16string expected;
    for (int round = 0; round < 2; ++round) {
        for (const std::string& character : characters) {
            char16_t alone[4] = {};
            euc_str_to_unicode_str(alone, character.c_str());
            text += character;
            expected += alone;
            if (alone[0] == 0) expected += u'\0';   // the zero unit a bad pair stores
        }
        std::reverse(characters.begin(), characters.end());
    }
    std::vector<char16_t> out(text.size() + 1, wide_guard);
    euc_str_to_unicode_str(out.data(), text.c_str());
    EXPECT_EQ(std::u16string(out.data(), expected.size()), expected);
}

TEST_F(Conversion, EucByte0xFFEndsTheConversion) {
    EXPECT_EQ(wide_of(1, "ab\xFF" "cd"), u"ab");
}

TEST_F(Conversion, JisAndShiftJisArithmetic) {
    unsigned char a = 0x24, b = 0x22;
    jis_to_sjis(&a, &b);
    EXPECT_EQ(a, 0x82);
    EXPECT_EQ(b, 0xA0);
    sjis_to_jis(&a, &b);
    EXPECT_EQ(a, 0x24);
    EXPECT_EQ(b, 0x22);
    a = 0;
    b = 0x30;
    jis_to_sjis(&a, &b);
    EXPECT_EQ(b, 0x30);
    sjis_to_jis(&a, &b);
    EXPECT_EQ(b, 0x30);
    // Every row/cell of JIS X 0208 goes to Shift_JIS and back unchanged, with a valid SJIS pair.
    for (int j1 = 0x21; j1 <= 0x7E; ++j1) {
        for (int j2 = 0x21; j2 <= 0x7E; ++j2) {
            unsigned char s1 = static_cast<unsigned char>(j1), s2 = static_cast<unsigned char>(j2);
            jis_to_sjis(&s1, &s2);
            ASSERT_TRUE((s1 >= 0x81 && s1 <= 0x9F) || (s1 >= 0xE0 && s1 <= 0xEF)) << j1 << ',' << j2;
            ASSERT_TRUE(s2 >= 0x40 && s2 <= 0xFC && s2 != 0x7F) << j1 << ',' << j2;
            sjis_to_jis(&s1, &s2);
            ASSERT_EQ(s1, j1);
            ASSERT_EQ(s2, j2);
        }
    }
}

TEST_F(Conversion, WideToNarrowNeverWritesPastFourTimesTheLengthPlusOne) {
    // A 79-character name, the longest model name, made of the widest characters of each language.
    struct {
        int language;
        std::u16string pattern;
    } cases[] = {
        {0, u"\u20AC\u00E9"},  {1, u"\uFF71\u3042"}, {1, u"\u0391"},  {2, u"\u00E9\u90E8"},
        {4, u"\u0414x"},       {6, u"\u20AC"},       {8, u"\uD55C"},  {9, u"\u96F6"},
        {10, u"\u96F6"},       {12, u"\u05D0"},      {13, u"\u0391"}, {14, u"\u011E"},
        {15, u"\u0141"},       {19, u"\u3042"},      {20, u"\U00020B9F"},
    };
    for (const auto& c : cases) {
        std::u16string name;
        while (name.size() < 79) name += c.pattern;
        name.resize(79);
        std::vector<unsigned char> out(4 * 79 + 1 + 16, guard);
        lang_set(c.language);
        wstostr(reinterpret_cast<char*>(out.data()), name.c_str());
        for (size_t i = 4 * 79 + 1; i < out.size(); ++i)
            ASSERT_EQ(out[i], guard) << "language " << c.language << ", byte " << i;
        EXPECT_NE(std::memchr(out.data(), 0, 4 * 79 + 1), nullptr) << "language " << c.language;
    }
}

TEST_F(Conversion, NarrowToWideNeverWritesPastTheByteLengthPlusOne) {
    struct {
        int language;
        std::string bytes;
    } cases[] = {
        {0, "\x80\xE9"}, {1, "\xA4\xA2\x8E\xB1" "a\x8F\xB0\xA1"}, {1, "\xA4\x41"}, {2, "\xE9"},
        {4, "\xC4"},     {8, "\xC7\xD1\xB0"},                      {9, "\xB9\x73"}, {10, "\xC1\xE3\x80"},
        {12, "\xE0"},    {13, "\xAA\xC1"},                         {28, "\x81\x8D"},
    };
    for (const auto& c : cases) {
        std::string text;
        while (text.size() < 79) text += c.bytes;
        exact_source source(text);
        std::vector<char16_t> out(text.size() + 1 + 8, wide_guard);
        lang_set(c.language);
        strtows(out.data(), source.get());
        for (size_t i = text.size() + 1; i < out.size(); ++i)
            ASSERT_EQ(out[i], wide_guard) << "language " << c.language << ", unit " << i;
    }
}

TEST_F(Conversion, NullArgumentsAreReportedAndNothingIsTouched) {
    char16_t wide[2] = {u'k', u'k'};
    char narrow[2] = {'k', 'k'};
    CaptureStdout();
    EXPECT_EQ(strtows(nullptr, "abc"), nullptr);
    EXPECT_EQ(strtows(wide, nullptr), wide);
    EXPECT_EQ(wstostr(nullptr, u"abc"), nullptr);
    EXPECT_EQ(wstostr(narrow, nullptr), narrow);
    EXPECT_EQ(GetCapturedStdout(),
              "STRTOWS :  Illegal NULL pointer !!!STRTOWS :  Illegal NULL pointer !!!"
              "WSTOSTR :  Illegal NULL pointer !!!WSTOSTR :  Illegal NULL pointer !!!");
    EXPECT_EQ(wide[0], u'k');
    EXPECT_EQ(narrow[0], 'k');

    CaptureStdout();
    EXPECT_EQ(pro_str_to_wstr(nullptr, "abc"), nullptr);
    EXPECT_EQ(pro_wstr_to_str(nullptr, u"abc"), nullptr);
    EXPECT_EQ(GetCapturedStdout(), "");
    EXPECT_EQ(pro_str_to_wstr(wide, "z"), wide);
    EXPECT_EQ(wide[0], u'z');
    EXPECT_EQ(pro_wstr_to_str(narrow, u"y"), narrow);
    EXPECT_EQ(narrow[0], 'y');

    // The EUC conversions and the one-character conversion: nothing written, nothing logged.
    wide[0] = u'k';
    narrow[0] = 'k';
    CaptureStdout();
    EXPECT_EQ(euc_str_to_unicode_str(nullptr, "\xA4\xA2"), nullptr);
    EXPECT_EQ(euc_str_to_unicode_str(wide, nullptr), wide);
    EXPECT_EQ(unicode_str_to_euc_str(nullptr, u"\u3042"), nullptr);
    EXPECT_EQ(unicode_str_to_euc_str(narrow, nullptr), narrow);
    for (int language : {0, 1}) {
        lang_set(language);
        EXPECT_EQ(pro_wctomb(nullptr, u'a'), -1) << language;
    }
    EXPECT_EQ(GetCapturedStdout(), "");
    EXPECT_EQ(wide[0], u'k');
    EXPECT_EQ(narrow[0], 'k');
}

TEST_F(Conversion, FailedWholeStringConversionIsLoggedAndLeavesAnEmptyString) {
    platform_patch patch;
    platform.mb_to_wc = failing_mb_to_wc;
    platform.wc_to_mb = failing_wc_to_mb;
    platform.last_error = injected_last_error;
    struct {
        int error;
        const char* wide_to_narrow;
        const char* narrow_to_wide;
    } cases[] = {
        {122, "wstostr:ERROR_INSUFFICIENT_BUFFER\n", "wstostr:ERROR_INSUFFICIENT_BUFFER\n"},
        {87, "wstostr:ERROR_INVALID_PARAMETER\n", "wstostr:ERROR_INVALID_PARAMETER\n"},
        {1004, "wstostr:ERROR_INVALID_FLAGS\n", "wstostr:ERROR_INVALID_FLAGS\n"},
        {1113, "wstostr:ERROR_NO_UNICODE_TRANSLATION\n", "wstostr:ERROR_NO_UNICODE_TRANSLATION\n"},
        {5, "wstostr:Error - 5\n", "strtows:Error - 5\n"},
    };
    lang_set(8);
    for (const auto& c : cases) {
        injected_error = c.error;
        char narrow[8] = "garbage";
        char16_t wide[8] = u"garbage";
        CaptureStdout();
        wstostr(narrow, u"\uD55C");
        EXPECT_EQ(GetCapturedStdout(), c.wide_to_narrow);
        EXPECT_EQ(narrow[0], 0);
        CaptureStdout();
        strtows(wide, "\xC7\xD1");
        EXPECT_EQ(GetCapturedStdout(), c.narrow_to_wide);
        EXPECT_EQ(wide[0], 0);
    }
}

TEST_F(Conversion, PerCharacterFailureStopsAndKeepsWhatCameBefore) {
    platform_patch patch;
    real_wc_to_mb = patch.saved.wc_to_mb;
    platform.wc_to_mb = wc_to_mb_failing_on_x;
    platform.last_error = injected_last_error;
    injected_error = 1113;
    char narrow[16];
    std::memset(narrow, 'k', sizeof narrow);
    lang_set(2);
    CaptureStdout();
    wstostr(narrow, u"ab\u00E9Xcd");
    EXPECT_EQ(GetCapturedStdout(), "pro_wctomb:Error - 1113\n");
    EXPECT_STREQ(narrow, "ab\xE9");

    platform.mb_to_wc = failing_mb_to_wc;
    injected_error = 87;
    char16_t wide[8] = u"kkkkkkk";
    CaptureStdout();
    strtows(wide, "ab");
    EXPECT_EQ(GetCapturedStdout(), "pro_mbtowc:Error - 87\n");
    EXPECT_EQ(wide[0], 0);
}

TEST_F(Conversion, FailedEucCharacterIsDroppedAndLogged) {
    platform_patch patch;
    real_wc_to_mb = patch.saved.wc_to_mb;
    platform.wc_to_mb = wc_to_mb_failing_on_x;
    platform.last_error = injected_last_error;
    injected_error = 31;
    char narrow[16];
    lang_set(1);
    CaptureStdout();
    wstostr(narrow, u"aX\u3042");
    EXPECT_EQ(GetCapturedStdout(), "unicode_str_to_euc_str:Error - 31\n");
    EXPECT_STREQ(narrow, "a\xA4\xA2");
}

TEST_F(Conversion, MbtowcWithoutDestinationMeasuresByTheEucRule) {
    EXPECT_EQ(pro_mbtowc(nullptr, "A", 3), 1);
    EXPECT_EQ(pro_mbtowc(nullptr, "\x8F", 3), 3);
    for (int b = 0x80; b <= 0xFF; ++b) {
        if (b == 0x8F) continue;
        char text[2] = {static_cast<char>(b), 0};
        EXPECT_EQ(pro_mbtowc(nullptr, text, 3), 2) << b;
    }
    char16_t unit = 0;
    EXPECT_EQ(pro_mbtowc(&unit, nullptr, 3), -1);
}

TEST_F(Conversion, JapaneseMbtowcAndWctombUseEucProcessCodes) {
    lang_set(1);
    ASSERT_TRUE(lang_euc_mode());
    struct {
        const char* euc;
        int length;
        char16_t code;
    } cases[] = {
        {"A", 1, 0x0041},
        {"\xA4\xA2", 2, 0xA4A2},
        {"\x8E\xB1", 2, 0x00B1},
        {"\x8F\xB0\xA1", 3, 0xB021},
    };
    for (const auto& c : cases) {
        char16_t code = 0;
        EXPECT_EQ(pro_mbtowc(&code, c.euc, 3), c.length) << c.euc;
        EXPECT_EQ(code, c.code) << c.euc;
        char bytes[4] = {};
        EXPECT_EQ(pro_wctomb(bytes, c.code), c.length) << c.euc;
        EXPECT_EQ(std::string(bytes, static_cast<size_t>(c.length)), c.euc);
    }
    char16_t code = 0;
    EXPECT_EQ(pro_mbtowc(&code, "\xA4\xA2", 1), -1);       // longer than the limit
    EXPECT_EQ(pro_mbtowc(&code, "A", -1), -1);             // -1 counts as exceeded here
    EXPECT_EQ(pro_mbtowc(&code, "\x8F\xB0\xA1", 2), -1);
    EXPECT_EQ(pro_mbtowc(&code, "\x8E", 3), 1);            // 0x8E followed by the end
    EXPECT_EQ(code, 0x8E);
    EXPECT_EQ(pro_mbtowc(&code, "\xB0", 3), 1);            // lead byte followed by the end
    EXPECT_EQ(code, 0xB0);
    exact_source cut("\x8F\xB0");
    EXPECT_EQ(pro_mbtowc(&code, cut.get(), 3), 2);         // last byte missing: b1 alone
    EXPECT_EQ(code, 0xB0);
    exact_source cut_early("\x8F");
    EXPECT_EQ(pro_mbtowc(&code, cut_early.get(), 3), 1);   // nothing after 0x8F: never read on
}

TEST_F(Conversion, MbtowcOutsideJapaneseConvertsOneCharacterOfTheCodePage) {
    char16_t unit = 0;
    lang_set(2);
    EXPECT_EQ(pro_mbtowc(&unit, "\xE9z", 3), 1);
    EXPECT_EQ(unit, 0x00E9);
    lang_set(8);
    EXPECT_EQ(pro_mbtowc(&unit, "\xC7\xD1", 3), 2);
    EXPECT_EQ(unit, 0xD55C);
    unit = 0;
    EXPECT_EQ(pro_mbtowc(&unit, "\xC7\xD1", 1), 2);         // local rule wins over the limit
    EXPECT_EQ(unit, 0xD55C);
    EXPECT_EQ(pro_mbtowc(&unit, "\xC7\xD1", -1), 2);
    exact_source lead_at_end("\xC7");
    EXPECT_EQ(pro_mbtowc(&unit, lead_at_end.get(), 3), 1);  // never takes the terminator
    lang_set(4);
    char bytes[4] = {};
    EXPECT_EQ(pro_wctomb(bytes, 0x0414), 1);
    EXPECT_EQ(bytes[0], '\xC4');
    EXPECT_EQ(pro_wctomb(bytes, 0x3042), 1);                // no mapping: the default character
    EXPECT_EQ(bytes[0], '?');
    lang_set(10);
    EXPECT_EQ(pro_wctomb(bytes, 0x96F6), 2);
    EXPECT_EQ(std::string(bytes, 2), "\xC1\xE3");
}

}  // namespace
