// Agreement of the code-page service with the Win32 services, through checked-in data:
// tests/data/codepage_agreement.txt holds what MultiByteToWideChar and WideCharToMultiByte
// answered under wine64 for the name corpus, for probes of the corners (best fit, characters
// without a mapping, lead bytes without a trail byte, surrogates, compositions, bad arguments),
// with the flags the add-in uses and the others the service accepts, and digests of every
// one-unit and two-byte conversion of every code page.  Both builds compare their own service
// with it.  scripts/make-codepage-data regenerates it (from the Windows build of this test, run
// as "test_text --vt-child generate_agreement <path>").
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tests/support/child.h"
#include "tests/text/corpus.h"

namespace {

const char* const data_file = "/tests/data/codepage_agreement.txt";
const unsigned whole_string_flags = PLAT_WC_COMPOSITECHECK | PLAT_WC_DEFAULTCHAR;
const unsigned no_best_fit = 0x400;
const unsigned discard_ns = 0x10, sep_chars = 0x20;

std::string hex_bytes(const std::string& bytes) {
    std::string out;
    char digits[3];
    for (unsigned char b : bytes) {
        std::snprintf(digits, sizeof digits, "%02x", b);
        out += digits;
    }
    return out.empty() ? "-" : out;
}

std::string hex_units(const std::u16string& units) {
    std::string out;
    char digits[5];
    for (char16_t u : units) {
        std::snprintf(digits, sizeof digits, "%04x", static_cast<unsigned>(u));
        out += digits;
    }
    return out.empty() ? "-" : out;
}

std::string bytes_from_hex(const std::string& hex) {
    std::string out;
    if (hex == "-") return out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}

std::u16string units_from_hex(const std::string& hex) {
    std::u16string out;
    if (hex == "-") return out;
    for (size_t i = 0; i + 3 < hex.size(); i += 4) out += static_cast<char16_t>(std::stoi(hex.substr(i, 4), nullptr, 16));
    return out;
}

// One conversion as a line of the data file states it.  `whole`: the source is passed
// zero-terminated with length -1 and the terminator is left out of the answer; else its exact
// length.  A capacity of -1 gives the capacity the add-in's conversions give (4 bytes a unit,
// one unit a byte, plus the terminator).
struct conversion {
    std::string kind;       // "wc" (wide to narrow) or "mb"
    int code_page;
    unsigned flags;
    bool whole;
    int capacity;
    std::string id;
    std::string from;       // hexadecimal units (wc) or bytes (mb)
};

std::string error_text() { return "ERROR " + std::to_string(platform.last_error()); }

std::string answer(const conversion& c) {
    if (c.capacity == 0) {      // a size query: the count alone
        int n = c.kind == "wc" ? platform.wc_to_mb(c.code_page, c.flags, units_from_hex(c.from).c_str(), -1, nullptr, 0)
                               : platform.mb_to_wc(c.code_page, c.flags, bytes_from_hex(c.from).c_str(), -1, nullptr, 0);
        return n < 1 ? error_text() : "COUNT " + std::to_string(n);
    }
    if (c.kind == "wc") {
        std::u16string text = units_from_hex(c.from);
        int capacity = c.capacity >= 0 ? c.capacity : static_cast<int>(4 * text.size() + 1);
        std::vector<char> out(static_cast<size_t>(capacity) + 1);
        int n = platform.wc_to_mb(c.code_page, c.flags, text.c_str(), c.whole ? -1 : static_cast<int>(text.size()),
                                  out.data(), capacity);
        if (n < 1) return error_text();
        return hex_bytes(std::string(out.data(), static_cast<size_t>(c.whole ? n - 1 : n)));
    }
    std::string bytes = bytes_from_hex(c.from);
    int capacity = c.capacity >= 0 ? c.capacity : static_cast<int>(bytes.size() + 1);
    std::vector<char16_t> out(static_cast<size_t>(capacity) + 1);
    int n = platform.mb_to_wc(c.code_page, c.flags, bytes.c_str(), c.whole ? -1 : static_cast<int>(bytes.size()),
                              out.data(), capacity);
    if (n < 1) return error_text();
    return hex_units(std::u16string(out.data(), static_cast<size_t>(c.whole ? n - 1 : n)));
}

// Digest of every conversion in one block of a code page: for "wc" the units 0x1000 * block
// up to 0x1000 * block + 0xFFF one at a time, for "mb" every lead byte 16 * block up to
// 16 * block + 15, alone and before every second byte.  FNV-1a over the counts and outputs.
std::string digest(const std::string& kind, int code_page, unsigned flags, int block) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    auto mix = [&hash](unsigned value) {
        for (int i = 0; i < 4; ++i) {
            hash ^= (value >> (8 * i)) & 0xFF;
            hash *= 0x100000001b3ULL;
        }
    };
    if (kind == "wc") {
        for (unsigned u = 0x1000u * block; u < 0x1000u * (block + 1); ++u) {
            char16_t unit = static_cast<char16_t>(u);
            char out[8] = {};
            int n = platform.wc_to_mb(code_page, flags, &unit, 1, out, 8);
            mix(static_cast<unsigned>(n));
            for (int i = 0; i < n; ++i) mix(static_cast<unsigned char>(out[i]));
        }
    } else {
        for (int lead = 16 * block; lead < 16 * (block + 1); ++lead) {
            for (int second = -1; second < 256; ++second) {
                char input[2] = {static_cast<char>(lead), static_cast<char>(second)};
                char16_t out[4] = {};
                int n = platform.mb_to_wc(code_page, flags, input, second < 0 ? 1 : 2, out, 4);
                mix(static_cast<unsigned>(n));
                for (int i = 0; i < n; ++i) mix(out[i]);
            }
        }
    }
    char text[24];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

const int digest_blocks = 16;
const std::vector<int> digest_pages = {1250, 1251, 1252, 1253, 1254, 28598, 932, 936, 949, 950};

// Probes of the corners, each with the code pages and flags it runs with.
struct probe {
    const char* kind;
    const char* id;
    std::vector<int> code_pages;
    std::vector<unsigned> flags;
    bool whole;
    std::string from;       // units (wc) or bytes (mb), hexadecimal
};

const std::vector<int> all_pages = {0, 1250, 1251, 1252, 1253, 1254, 28598, 932, 936, 949, 950};
const std::vector<int> double_byte_pages = {932, 936, 949, 950};

std::string units_hex(const std::u16string& text) { return hex_units(text); }
std::string bytes_hex(const std::string& text) { return hex_bytes(text); }

const std::vector<probe>& probes() {
    const std::vector<unsigned> wc_flags = {0, whole_string_flags};
    const std::vector<unsigned> every_wc_flag = {0,
                                                 PLAT_WC_COMPOSITECHECK,
                                                 whole_string_flags,
                                                 PLAT_WC_COMPOSITECHECK | discard_ns,
                                                 PLAT_WC_COMPOSITECHECK | sep_chars,
                                                 no_best_fit,
                                                 PLAT_WC_COMPOSITECHECK | no_best_fit,
                                                 whole_string_flags | no_best_fit,
                                                 PLAT_WC_COMPOSITECHECK | discard_ns | no_best_fit,
                                                 PLAT_WC_COMPOSITECHECK | sep_chars | no_best_fit};
    const std::vector<unsigned> mb_flags = {PLAT_MB_PRECOMPOSED, PLAT_MB_PRECOMPOSED | PLAT_MB_ERR_INVALID_CHARS};
    // The composite options apart from the composite check, and more than one of them at once.
    const std::vector<unsigned> option_mixes = {
        PLAT_WC_DEFAULTCHAR, discard_ns, sep_chars, discard_ns | sep_chars | PLAT_WC_DEFAULTCHAR,
        PLAT_WC_COMPOSITECHECK | discard_ns | sep_chars, PLAT_WC_COMPOSITECHECK | discard_ns | PLAT_WC_DEFAULTCHAR,
        PLAT_WC_COMPOSITECHECK | sep_chars | PLAT_WC_DEFAULTCHAR,
        PLAT_WC_COMPOSITECHECK | discard_ns | sep_chars | PLAT_WC_DEFAULTCHAR | no_best_fit};
    // MultiByteToWideChar flags: none, MB_USEGLYPHCHARS, MB_ERR_INVALID_CHARS alone (MB_COMPOSITE
    // is the corner test_codepage.cpp names).
    const std::vector<unsigned> other_mb_flags = {0, 4, 5, 8};
    static const std::vector<probe> all = {
        // Best fit: look-alikes for characters the page lacks.
        {"wc", "best_fit_latin", all_pages, every_wc_flag, true,
         units_hex(u"\u0141\u0142\u0100\u0107\u0160\u2212\u2032\u212B\u00A0\u01C4\u0192")},
        {"wc", "best_fit_fullwidth", all_pages, every_wc_flag, true, units_hex(u"\uFF21\uFF41\uFF10\uFF01\uFF5E")},
        {"wc", "best_fit_punctuation", all_pages, wc_flags, true,
         units_hex(u"\u2013\u2014\u2018\u201C\u2026\u2122\u00B5\u00A5\u203E\u2225\u301C\u00AD")},
        {"wc", "best_fit_letters", all_pages, wc_flags, true,
         units_hex(u"\u00E9\u00FC\u00C5\u00DF\u03BC\u0391\u0414\u05D0\u0130\u011F\u0131")},
        // No mapping and no look-alike.
        {"wc", "no_mapping", all_pages, every_wc_flag, true, units_hex(u"\u4E00\u0E01\uAC00\u2603\u0FFF")},
        {"wc", "private_use", all_pages, wc_flags, true, units_hex(u"\uE000\uF8F0\uF8F3\uF8F9\uF79C")},
        {"wc", "c1_controls", all_pages, wc_flags, true, units_hex(u"\u0080\u0081\u008D\u0090\u009F")},
        // Surrogates: a pair, a lone high and a lone low unit, a pair in the wrong order, and a
        // high unit as the last unit of an exact length.
        {"wc", "surrogate_pair", all_pages, wc_flags, true, units_hex(u"a\U00020B9Fb")},
        {"wc", "lone_surrogates", all_pages, wc_flags, true, units_hex(u"a\xD800" u"b\xDC00" u"c\xDC00\xD800")},
        {"wc", "high_surrogate_last", all_pages, wc_flags, false, units_hex(u"a\xD83D")},
        // Compositions under WC_COMPOSITECHECK: composed in the page, composed by best fit only,
        // not composed at all, a second mark, a mark alone, kana with its voiced mark.
        {"wc", "compose", all_pages, every_wc_flag, true,
         units_hex(u"e\u0301_A\u030A_E\u030C_\u00FC\u0304_u\u0308\u0304_x\u0301_e\u0301\u0301_\u0301_\u304B\u3099_"
                   u"\u304B\u309A_a\u0328_\u0391\u0301")},
        {"wc", "compose_at_the_end", all_pages, every_wc_flag, false, units_hex(u"xe\u0301")},
        {"wc", "composite_options", {1252, 932}, option_mixes, true,
         units_hex(u"e\u0301_E\u030C_\u304B\u3099_\u0391\u0301_x\u0301")},
        {"wc", "compose_cut_by_the_length", all_pages, wc_flags, false, units_hex(u"ae")},
        {"wc", "embedded_zero", all_pages, wc_flags, false, units_hex(std::u16string(u"a\0b", 3))},
        // Narrow input: bytes without a character, lead bytes without trail bytes, trail bytes
        // outside the trail range, user-defined areas.
        {"mb", "every_high_byte", all_pages, mb_flags, false,
         bytes_hex("\x80\x81\x8d\x8f\x90\x98\x9d\xa0\xa1\xaa\xbf\xd2\xdf\xfb\xfc\xfd\xfe\xff")},
        {"mb", "lead_then_space", double_byte_pages, mb_flags, true, bytes_hex("\x81 x\xb0 A")},
        {"mb", "lead_then_control", double_byte_pages, mb_flags, true, bytes_hex("\x88\x01z\x88\x7f")},
        {"mb", "lead_then_ff", double_byte_pages, mb_flags, true, bytes_hex("\x88\xff" "a")},
        {"mb", "lead_before_the_terminator", double_byte_pages, mb_flags, true, bytes_hex("ab\x88")},
        {"mb", "lead_at_the_end", double_byte_pages, mb_flags, false, bytes_hex("ab\xe0")},
        {"mb", "lead_lead", double_byte_pages, mb_flags, true, bytes_hex("\x88\x88\x88")},
        {"mb", "user_defined", double_byte_pages, mb_flags, true, bytes_hex("\xf0\x40\xf9\xfc\x81\x40\xaa\xa1\xfe\xfe")},
        {"mb", "unmapped_pairs", double_byte_pages, mb_flags, true, bytes_hex("\x85\x40\xa2\x40\xc9\x41\xfe\x41")},
        {"mb", "default_character_code", double_byte_pages, mb_flags, true, bytes_hex("\x81\x45?")},
        {"mb", "embedded_zero", all_pages, mb_flags, false, bytes_hex(std::string("a\0b", 3))},
        {"mb", "other_flags", {1252, 932}, other_mb_flags, true, bytes_hex("\x01\x1f\x7f" "a\xe9\xc5")},
    };
    return all;
}

// Calls the service must refuse, and buffers too small or absent (a size query).
const std::vector<conversion>& limits() {
    static const std::vector<conversion> all = {
        {"wc", 12345, 0, true, -1, "unknown_page", units_hex(u"a")},
        {"mb", 12345, PLAT_MB_PRECOMPOSED, true, -1, "unknown_page", bytes_hex("a")},
        {"wc", 1252, 0x10000, true, -1, "unknown_flag", units_hex(u"a")},
        {"wc", 1252, 0x80, true, -1, "err_invalid_chars", units_hex(u"a")},
        {"mb", 1252, 0x10000, true, -1, "unknown_flag", bytes_hex("a")},
        {"wc", 949, whole_string_flags, true, 3, "too_small", units_hex(u"\uBD80\uD488")},
        {"wc", 1252, 0, false, 1, "too_small_for_two", units_hex(u"ab")},
        {"mb", 1252, PLAT_MB_PRECOMPOSED, true, 3, "too_small", bytes_hex("abc")},
        {"mb", 932, PLAT_MB_PRECOMPOSED, false, 1, "too_small_for_two", bytes_hex("\x82\xa0" "a")},
        {"wc", 932, whole_string_flags, true, 0, "size_query", units_hex(u"\u3042a")},
        {"mb", 936, PLAT_MB_PRECOMPOSED, true, 0, "size_query", bytes_hex("\xc1\xe3" "a")},
    };
    return all;
}

const char* const header =
    "# Code-page agreement data: what the Win32 code-page services answered (under wine64, default\n"
    "# ANSI code page 1252), written by scripts/make-codepage-data; every build's code-page service\n"
    "# must give the same.  Fields are hexadecimal; \"-\" is nothing, \"ERROR n\" a failure with last\n"
    "# error n.\n"
    "#   wc PAGE FLAGS LENGTH CAPACITY ID UNITS BYTES    WideCharToMultiByte\n"
    "#   mb PAGE FLAGS LENGTH CAPACITY ID BYTES UNITS    MultiByteToWideChar\n"
    "# LENGTH z: the source zero-terminated with length -1, the terminator left out of the answer;\n"
    "# n: the exact length.  CAPACITY - : 4 bytes a unit or 1 unit a byte, plus 1.\n"
    "#   sum wc|mb PAGE FLAGS BLOCK DIGEST    every one-unit conversion of units 0x1000*BLOCK to\n"
    "#   0x1000*BLOCK+0xFFF (wc), every lead byte 16*BLOCK to 16*BLOCK+15 alone and before every\n"
    "#   second byte (mb), as FNV-1a of the counts and outputs.\n"
    "# The names come from tests/text/corpus.h, the probes and limits from test_agreement.cpp.\n";

std::string line_of(const conversion& c, const std::string& result) {
    char head[64];
    std::snprintf(head, sizeof head, "%s %d %x %s %s ", c.kind.c_str(), c.code_page, c.flags, c.whole ? "z" : "n",
                  c.capacity < 0 ? "-" : std::to_string(c.capacity).c_str());
    return head + c.id + ' ' + c.from + ' ' + result + '\n';
}

void generate(std::ostream& out) {
    out << header;
    for (int page : corpus::code_pages()) {
        for (const auto& name : corpus::names()) {
            if (!corpus::holds(name.code_pages, page)) continue;
            conversion to_narrow = {"wc", page, whole_string_flags, true, -1, name.id, hex_units(name.text)};
            std::string narrow = answer(to_narrow);
            out << line_of(to_narrow, narrow);
            conversion back = {"mb", page, PLAT_MB_PRECOMPOSED, true, -1, name.id, narrow};
            out << line_of(back, answer(back));
        }
        for (const auto& unmappable : corpus::unmappables()) {
            if (!corpus::holds(unmappable.code_pages, page)) continue;
            conversion c = {"wc", page, whole_string_flags, true, -1, unmappable.id, hex_units(unmappable.text)};
            out << line_of(c, answer(c));
        }
        for (const probe& p : probes()) {
            if (!corpus::holds(p.code_pages, page)) continue;
            for (unsigned flags : p.flags) {
                conversion c = {p.kind, page, flags, p.whole, -1, p.id, p.from};
                out << line_of(c, answer(c));
            }
        }
    }
    for (const conversion& c : limits()) out << line_of(c, answer(c));
    const std::vector<std::pair<std::string, unsigned>> sums = {
        {"wc", 0}, {"wc", no_best_fit}, {"mb", PLAT_MB_PRECOMPOSED}, {"mb", PLAT_MB_PRECOMPOSED | PLAT_MB_ERR_INVALID_CHARS}};
    for (int page : digest_pages) {
        for (const auto& sum : sums) {
            for (int block = 0; block < digest_blocks; ++block) {
                char text[64];
                std::snprintf(text, sizeof text, "sum %s %d %x %d ", sum.first.c_str(), page, sum.second, block);
                out << text << digest(sum.first, page, sum.second, block) << '\n';
            }
        }
    }
}

VT_CHILD(generate_agreement) {
    if (vt_test::child_args().empty()) {
        std::fprintf(stderr, "usage: --vt-child generate_agreement <output path>\n");
        return 2;
    }
    std::ofstream out(vt_test::child_args()[0], std::ios::binary);
    generate(out);
    return out.good() ? 0 : 1;
}

std::vector<std::string> data_lines(std::istream& in) {
    std::vector<std::string> lines;
    std::string text;
    while (std::getline(in, text))
        if (!text.empty() && text[0] != '#') lines.push_back(text);
    return lines;
}

std::vector<std::string> checked_in_lines() {
    std::ifstream in(vt_test::source_dir() + data_file, std::ios::binary);
    return data_lines(in);
}

// The line with the service's own answer in place of the checked-in one.
std::string answered_again(const std::string& line) {
    std::istringstream fields(line);
    std::string kind;
    fields >> kind;
    if (kind == "sum") {
        std::string direction;
        int page = 0, block = 0;
        unsigned flags = 0;
        fields >> direction >> page >> std::hex >> flags >> std::dec >> block;
        char text[64];
        std::snprintf(text, sizeof text, "sum %s %d %x %d ", direction.c_str(), page, flags, block);
        return text + digest(direction, page, flags, block);
    }
    conversion c;
    c.kind = kind;
    std::string length, capacity;
    fields >> c.code_page >> std::hex >> c.flags >> std::dec >> length >> capacity >> c.id >> c.from;
    c.whole = length == "z";
    c.capacity = capacity == "-" ? -1 : std::stoi(capacity);
    std::string out = line_of(c, answer(c));
    return out.substr(0, out.size() - 1);
}

TEST(CodePageAgreement, ServiceGivesTheCheckedInBytesAndCharacters) {
    std::vector<std::string> lines = checked_in_lines();
    ASSERT_GT(lines.size(), 600u) << "data file missing or cut short: " << vt_test::source_dir() << data_file;
    int sums = 0;
    for (const std::string& line : lines) {
        EXPECT_EQ(answered_again(line), line);
        sums += line.compare(0, 4, "sum ") == 0;
    }
    EXPECT_EQ(sums, static_cast<int>(4 * digest_blocks * digest_pages.size()));
}

TEST(CodePageAgreement, CheckedInDataFollowsTheCorpusAndTheProbes) {
    // Regenerating here must give the same calls in the same order; the answers are compared
    // by the test above.
    std::ostringstream fresh;
    generate(fresh);
    std::istringstream now(fresh.str());
    auto calls = [](const std::vector<std::string>& lines) {
        std::vector<std::string> out;
        for (const std::string& line : lines) {
            std::istringstream fields(line);
            std::string call, field;
            int count = line.compare(0, 4, "sum ") == 0 ? 5 : 6;     // up to the block or the id
            for (int i = 0; i < count && fields >> field; ++i) call += field + ' ';
            out.push_back(call);
        }
        return out;
    };
    EXPECT_EQ(calls(data_lines(now)), calls(checked_in_lines())) << "run scripts/make-codepage-data";
}

}  // namespace
