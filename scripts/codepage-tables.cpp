// Turns the dump of the Win32 code-page services (scripts/codepage-dump.cpp, run under wine64)
// into platform/codepage_data.cpp, the rows of the POSIX code-page service.  Built natively by
// scripts/make-codepage-data, against this machine's iconv: the pair rows hold only where Win32
// and iconv part, and the encoding rows only where Win32 is not the plain reverse of decoding
// (platform/codepage_tables.h holds both rules).
//
// It also checks the rules the service applies without rows, and stops on any exception:
//  - a lead byte alone (at the end, or before a zero byte) gives the page's default character;
//  - every byte and every pair gives exactly one UTF-16 unit;
//  - with WC_NO_BEST_FIT_CHARS a character keeps its code only when the code decodes back to it;
//  - MB_ERR_INVALID_CHARS refuses a code that gives the default character without being the
//    default character's own code, and a single byte that gives a private-use character.
//
// Usage: codepage-tables DUMP OUTPUT
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <map>
#include <string>
#include <vector>

#include "platform/codepage_tables.h"

namespace {

struct page_dump {
    int number = 0;
    char16_t unicode_default = u'?';
    unsigned char lead_bits[32] = {};
    char16_t bytes[256] = {};
    int byte_invalid[256] = {};
    std::map<unsigned, char16_t> pairs;          // lead << 8 | trail -> unit
    std::map<unsigned, int> pair_invalid;
    unsigned short encoding[65536] = {};         // flags 0
    unsigned short strict_encoding[65536] = {};  // WC_NO_BEST_FIT_CHARS
};

struct composition {
    unsigned base, mark, composed;
};

int failures = 0;

void fail(const char* what, int page, unsigned code) {
    if (++failures <= 20) fprintf(stderr, "codepage-tables: %s: code page %d, %04x\n", what, page, code);
}

const char* charset_of(int page) {
    switch (page) {
    case 932: return "CP932";
    case 936: return "CP936";
    case 949: return "CP949";
    case 950: return "CP950";
    default: return nullptr;
    }
}

unsigned parse_code(const char* hex) { return hex[0] == '-' ? 0xFFFFFFFFu : static_cast<unsigned>(strtoul(hex, nullptr, 16)); }

bool read_dump(const char* path, std::vector<page_dump*>* pages, std::vector<composition>* compositions) {
    FILE* in = fopen(path, "r");
    if (in == nullptr) return false;
    char line[1024];
    page_dump* page = nullptr;
    while (fgets(line, sizeof line, in) != nullptr) {
        char kind[8], a[1024], b[1024], c[1024], d[1024];
        int fields = sscanf(line, "%7s %1023s %1023s %1023s %1023s", kind, a, b, c, d);
        if (strcmp(kind, "page") == 0 && fields == 4) {
            page = new page_dump;
            page->number = atoi(a);
            page->unicode_default = static_cast<char16_t>(parse_code(c));
            for (char* lead = strtok(b, ","); lead != nullptr && *lead != '-'; lead = strtok(nullptr, ",")) {
                unsigned byte = parse_code(lead);
                page->lead_bits[byte >> 3] |= static_cast<unsigned char>(1u << (byte & 7));
            }
            pages->push_back(page);
        } else if (strcmp(kind, "b") == 0 && fields == 5 && page != nullptr) {
            unsigned byte = parse_code(b);
            if (strlen(c) != 4) fail("a byte does not give one unit", page->number, byte);
            page->bytes[byte] = static_cast<char16_t>(parse_code(c));
            page->byte_invalid[byte] = atoi(d);
        } else if (strcmp(kind, "p") == 0 && fields == 5 && page != nullptr) {
            unsigned code = parse_code(b);
            if (strlen(c) != 4) fail("a pair does not give one unit", page->number, code);
            page->pairs[code] = static_cast<char16_t>(parse_code(c));
            page->pair_invalid[code] = atoi(d);
        } else if (strcmp(kind, "e") == 0 && fields == 5 && page != nullptr) {
            unsigned unit = parse_code(b);
            if (strlen(c) > 4 || strlen(d) > 4) fail("an encoding longer than two bytes", page->number, unit);
            page->encoding[unit] = static_cast<unsigned short>(parse_code(c));
            page->strict_encoding[unit] = static_cast<unsigned short>(parse_code(d));
        } else if (strcmp(kind, "c") == 0 && fields == 4) {
            compositions->push_back({parse_code(a), parse_code(b), parse_code(c)});
        } else {
            fprintf(stderr, "codepage-tables: unreadable line: %s", line);
            fclose(in);
            return false;
        }
    }
    fclose(in);
    return !pages->empty();
}

cp_page_data page_data(const page_dump& dump) {
    cp_page_data data = {};
    data.number = dump.number;
    data.charset = charset_of(dump.number);
    data.unicode_default = dump.unicode_default;
    memcpy(data.lead_bits, dump.lead_bits, sizeof data.lead_bits);
    data.bytes = dump.bytes;
    return data;
}

char16_t decode(const page_dump& dump, unsigned code) {
    if (code < 0x100) return dump.bytes[code];
    auto found = dump.pairs.find(code);
    return found == dump.pairs.end() ? dump.unicode_default : found->second;
}

bool private_use(char16_t unit) { return unit >= 0xE000 && unit <= 0xF8FF; }

void check_rules(const page_dump& dump) {
    const cp_page_data data = page_data(dump);
    unsigned default_code = dump.encoding[dump.unicode_default];
    auto refused = [&](unsigned code, char16_t unit) {
        return (unit == dump.unicode_default && code != default_code) || (code < 0x100 && private_use(unit));
    };
    for (unsigned byte = 0; byte < 256; ++byte) {
        if (cp_is_lead(data, static_cast<unsigned char>(byte))) {
            if (dump.bytes[byte] != dump.unicode_default) fail("a lead byte alone", dump.number, byte);
            if (!dump.byte_invalid[byte]) fail("a lead byte alone is valid", dump.number, byte);
        } else if (refused(byte, dump.bytes[byte]) != (dump.byte_invalid[byte] != 0)) {
            fail("MB_ERR_INVALID_CHARS of a byte", dump.number, byte);
        }
    }
    for (const auto& pair : dump.pairs)
        if (refused(pair.first, pair.second) != (dump.pair_invalid.at(pair.first) != 0))
            fail("MB_ERR_INVALID_CHARS of a pair", dump.number, pair.first);
    for (unsigned unit = 0; unit < 65536; ++unit) {
        unsigned code = dump.encoding[unit];
        unsigned strict = decode(dump, code) == unit ? code : '?';
        if (dump.strict_encoding[unit] != strict) fail("WC_NO_BEST_FIT_CHARS", dump.number, unit);
    }
}

/* Adds unit/code to the runs, extending the last run where both follow on (a run of pairs stays
 * within one lead byte). */
void add_to_runs(std::vector<cp_run>* runs, char16_t unit, unsigned code) {
    if (!runs->empty()) {
        cp_run& last = runs->back();
        bool follows = last.unit + last.count == unit && last.code + last.count == code &&
                       (code < 0x100) == (last.code < 0x100) && (code & 0xFF) != 0;
        if (follows) {
            ++last.count;
            return;
        }
    }
    runs->push_back({unit, static_cast<unsigned short>(code), 1});
}

void write_runs(FILE* out, const char* name, const std::vector<cp_run>& rows) {
    fprintf(out, "const cp_run %s[] = {", name);
    for (size_t i = 0; i < rows.size(); ++i)
        fprintf(out, "%s{0x%04x, 0x%02x, %u},", i % 5 == 0 ? "\n    " : " ", rows[i].unit, rows[i].code, rows[i].count);
    if (rows.empty()) fprintf(out, "\n    {0, 0, 0},");
    fprintf(out, "\n};\n");
}

bool write_page(FILE* out, const page_dump& dump, std::string* row) {
    cp_page_data data = page_data(dump);
    std::vector<cp_run> pairs, encodings;
    if (data.charset != nullptr) {
        iconv_t decoder = iconv_open(cp_wide_charset, data.charset);
        if (decoder == reinterpret_cast<iconv_t>(-1)) {
            fprintf(stderr, "codepage-tables: iconv does not know %s\n", data.charset);
            return false;
        }
        for (const auto& pair : dump.pairs) {
            char16_t plain = cp_iconv_pair(decoder, data, static_cast<unsigned char>(pair.first >> 8),
                                           static_cast<unsigned char>(pair.first & 0xFF));
            if (plain != pair.second) add_to_runs(&pairs, pair.second, pair.first);
        }
        iconv_close(decoder);
    }
    static unsigned short reverse[65536];
    for (unsigned short& code : reverse) code = '?';
    cp_plain_reverse(data, reverse, [&](int lead, int trail) { return decode(dump, static_cast<unsigned>(lead << 8 | trail)); });
    for (unsigned unit = 0; unit < 65536; ++unit)
        if (reverse[unit] != dump.encoding[unit]) add_to_runs(&encodings, static_cast<char16_t>(unit), dump.encoding[unit]);

    int n = dump.number;
    fprintf(out, "\n/* Code page %d. */\nconst char16_t bytes_%d[256] = {", n, n);
    for (int byte = 0; byte < 256; ++byte)
        fprintf(out, "%s0x%04x,", byte % 12 == 0 ? "\n    " : " ", dump.bytes[byte]);
    fprintf(out, "\n};\n");
    std::string pairs_name = "pairs_" + std::to_string(n), encodings_name = "encodings_" + std::to_string(n);
    write_runs(out, pairs_name.c_str(), pairs);
    write_runs(out, encodings_name.c_str(), encodings);

    char text[512];
    std::string lead_bits;
    for (int i = 0; i < 32; ++i) {
        snprintf(text, sizeof text, "%s0x%02x", i == 0 ? "" : ", ", dump.lead_bits[i]);
        lead_bits += text;
    }
    snprintf(text, sizeof text,
             "    {%d, %s%s%s, 0x%04x,\n     {%s},\n     bytes_%d, pairs_%d, %zu, encodings_%d, %zu},\n", n,
             data.charset ? "\"" : "", data.charset ? data.charset : "nullptr", data.charset ? "\"" : "",
             dump.unicode_default, lead_bits.c_str(), n, n, pairs.size(), n, encodings.size());
    *row += text;
    fprintf(stderr, "codepage-tables: %d: %zu runs of pairs apart from iconv, %zu runs of encodings apart from the reverse\n", n,
            pairs.size(), encodings.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: codepage-tables DUMP OUTPUT\n");
        return 2;
    }
    std::vector<page_dump*> pages;
    std::vector<composition> compositions;
    if (!read_dump(argv[1], &pages, &compositions)) {
        fprintf(stderr, "codepage-tables: cannot read %s\n", argv[1]);
        return 1;
    }
    for (const page_dump* page : pages) check_rules(*page);
    if (failures != 0) {
        fprintf(stderr, "codepage-tables: %d exceptions to the service's rules\n", failures);
        return 1;
    }
    FILE* out = fopen(argv[2], "w");
    if (out == nullptr) return 1;
    fprintf(out,
            "/* The code-page rows of the POSIX code-page service (see codepage_tables.h): generated by\n"
            " * scripts/make-codepage-data from the Win32 code-page services under wine64 and this\n"
            " * machine's iconv.  Do not edit; run the script again. */\n"
            "#if !defined(_WIN32)\n\n#include \"platform/codepage_tables.h\"\n\nnamespace {\n");
    std::string rows;
    for (const page_dump* page : pages)
        if (!write_page(out, *page, &rows)) return 1;
    fprintf(out, "\n} // namespace\n\nconst cp_page_data cp_pages[] = {\n%s};\n", rows.c_str());
    fprintf(out, "const int cp_page_count = sizeof cp_pages / sizeof cp_pages[0];\n\n");
    fprintf(out, "const cp_composition cp_compositions[] = {");
    std::map<std::pair<unsigned, unsigned>, unsigned> sorted;
    for (const composition& c : compositions) sorted[{c.base, c.mark}] = c.composed;
    size_t i = 0;
    for (const auto& c : sorted)
        fprintf(out, "%s{0x%04x, 0x%04x, 0x%04x},", i++ % 4 == 0 ? "\n    " : " ", c.first.first, c.first.second, c.second);
    fprintf(out, "\n};\nconst int cp_composition_count = sizeof cp_compositions / sizeof cp_compositions[0];\n\n#endif\n");
    return fclose(out) == 0 ? 0 : 1;
}
