/* POSIX code-page service: the contract of MultiByteToWideChar, WideCharToMultiByte,
 * IsDBCSLeadByteEx and GetLastError, answered from tables that give the Win32 results.
 *
 * Supported code pages: 0 (the default ANSI code page, taken as 1252), 1250, 1251, 1252, 1253,
 * 1254, 28598 (ISO-8859-8) and the double-byte pages 932, 936, 949, 950.  Anything else is
 * ERROR_INVALID_PARAMETER, as Windows answers for a code page that is not installed.
 *
 * Each page's tables are built once, at its first use, from the rows of codepage_data.cpp (taken
 * from the Win32 services) and, for the double-byte pairs, iconv: the character of every pair,
 * and the code of every UTF-16 unit (best fit included).  The file holds the tables, the reading
 * and writing of one character, and the four entry points.
 *
 * The Win32 rules the tables do not hold:
 *  - narrow to wide: a lead byte followed by a byte other than zero is one character with it,
 *    whatever the second byte (an unmapped pair gives the page's default character, U+30FB on
 *    932 and U+003F elsewhere); a lead byte at the end or before a zero byte is the default
 *    character on its own.  MB_ERR_INVALID_CHARS refuses the input (ERROR_NO_UNICODE_TRANSLATION)
 *    when a code gives the default character without being its own code, or a single byte gives
 *    a private-use character;
 *  - wide to narrow: every code unit is converted on its own, so each unit of a surrogate pair,
 *    like a lone one, becomes the default character '?'.  WC_COMPOSITECHECK writes a unit and the
 *    mark after it as their composed character where Unicode composes them and the page has a
 *    code for it (best fit included); see write_code for the others.  WC_NO_BEST_FIT_CHARS
 *    writes '?' for every unit whose code does not decode back to it, and counts only such
 *    codes for a composed character. */
#if !defined(_WIN32)

#include "platform/codepage_posix.h"
#include "platform/codepage_tables.h"
#include "platform/platform.h"

#include <limits.h>
#include <string.h>

#include <atomic>

namespace {

thread_local int last_error_code = 0;   /* GetLastError: kept until the next failure */

const unsigned no_best_fit = 0x400;     /* WC_NO_BEST_FIT_CHARS */
const unsigned discard_ns = 0x10;       /* WC_DISCARDNS */
const unsigned sep_chars = 0x20;        /* WC_SEPCHARS */
const unsigned short default_code = '?';

const int max_lead_bytes = 126;

/* A page's tables, built at its first use and kept for the life of the process. */
struct page_tables {
    int number;                                  /* the code page, once built */
    const cp_page_data* data;
    int built;
    int double_byte;                             /* the page has lead bytes */
    char16_t single[256];                        /* the character of each byte alone */
    unsigned char lead_row[256];                 /* 0: not a lead byte; else 1 + row of pair_units */
    char16_t pair_units[max_lead_bytes][256];    /* the character of each pair */
    unsigned short codes[65536];                 /* the code of each unit (flags 0) */
};
page_tables tables[10];                          /* by page_index: the rows of cp_pages */
unsigned char mark_bits[65536 / 8];              /* bit u: u is the second unit of a composition */
char16_t first_mark = 0xFFFF;                    /* the lowest such unit */

int fail(int code) {
    last_error_code = code;
    return 0;
}

/* The number of a code page's data: the default ANSI code page (0) is taken as 1252. */
int page_number(int code_page) { return code_page == 0 ? 1252 : code_page; }

/* The row of a supported code page in cp_pages, or -1. */
int page_index(int code_page) {
    const int number = page_number(code_page);
    const int rows = static_cast<int>(sizeof tables / sizeof tables[0]);
    for (int i = 0; i < cp_page_count && i < rows; ++i)
        if (cp_pages[i].number == number) return i;
    return -1;
}

char16_t pair_unit(const page_tables& t, unsigned code) {
    unsigned char row = t.lead_row[code >> 8];
    return row == 0 ? t.data->unicode_default : t.pair_units[row - 1][code & 0xFF];
}

char16_t code_unit(const page_tables& t, unsigned code) {
    return code < 0x100 ? t.single[code] : pair_unit(t, code);
}

int build(page_tables& t, const cp_page_data& data) {
    t.number = data.number;
    t.data = &data;
    memcpy(t.single, data.bytes, sizeof t.single);
    int rows = 0;
    for (int b = 0; b < 256; ++b) {
        if (!cp_is_lead(data, static_cast<unsigned char>(b))) continue;
        if (rows == max_lead_bytes) return 0;
        t.lead_row[b] = static_cast<unsigned char>(++rows);
    }
    t.double_byte = rows > 0;
    if (rows > 0) {
        iconv_t decoder = iconv_open(cp_wide_charset, data.charset);
        if (decoder == reinterpret_cast<iconv_t>(-1)) return 0;
        for (int lead = 0; lead < 256; ++lead) {
            unsigned char row = t.lead_row[lead];
            if (row == 0) continue;
            t.pair_units[row - 1][0] = data.unicode_default;
            for (int trail = 1; trail < 256; ++trail)
                t.pair_units[row - 1][trail] = cp_iconv_pair(decoder, data, static_cast<unsigned char>(lead),
                                                             static_cast<unsigned char>(trail));
        }
        iconv_close(decoder);
        for (int i = 0; i < data.pair_count; ++i) {
            const cp_run& run = data.pairs[i];
            for (unsigned k = 0; k < run.count; ++k) {
                unsigned code = run.code + k;
                unsigned char row = t.lead_row[code >> 8];
                if (row != 0) t.pair_units[row - 1][code & 0xFF] = static_cast<char16_t>(run.unit + k);
            }
        }
    }
    for (unsigned short& code : t.codes) code = default_code;
    cp_plain_reverse(data, t.codes, [&t](int lead, int trail) { return pair_unit(t, static_cast<unsigned>(lead << 8 | trail)); });
    for (int i = 0; i < data.encoding_count; ++i) {
        const cp_run& run = data.encodings[i];
        for (unsigned k = 0; k < run.count; ++k) t.codes[static_cast<char16_t>(run.unit + k)] = static_cast<unsigned short>(run.code + k);
    }
    for (int i = 0; i < cp_composition_count; ++i) {
        char16_t mark = cp_compositions[i].mark;
        mark_bits[mark >> 3] |= static_cast<unsigned char>(1u << (mark & 7));
        if (mark < first_mark) first_mark = mark;
    }
    t.built = 1;
    return 1;
}

/* The page of the last call, which answers most calls (one character at a time, in one page). */
std::atomic<const page_tables*> last_tables{nullptr};

/* The tables of code_page when it is the page of the last call, else null. */
const page_tables* cached_tables(int code_page) {
    const page_tables* hint = last_tables.load(std::memory_order_relaxed);
    return hint != nullptr && hint->number == page_number(code_page) ? hint : nullptr;
}

/* The tables of a supported code page, built at first use; null (with the last error set) for
 * an unknown page or one whose pairs iconv cannot read. */
const page_tables* tables_for(int code_page) {
    const page_tables* cached = cached_tables(code_page);
    if (cached != nullptr) return cached;
    int index = page_index(code_page);
    if (index < 0) {
        fail(PLAT_ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    page_tables& t = tables[index];
    if (!t.built && !build(t, cp_pages[index])) {
        fail(PLAT_ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    last_tables.store(&t, std::memory_order_relaxed);
    return &t;
}

/* The composed character of base and mark, or 0. */
char16_t composed(char16_t base, char16_t mark) {
    int low = 0, high = cp_composition_count;
    while (low < high) {
        int middle = (low + high) / 2;
        const cp_composition& c = cp_compositions[middle];
        if (c.base < base || (c.base == base && c.mark < mark)) low = middle + 1;
        else high = middle;
    }
    if (low < cp_composition_count && cp_compositions[low].base == base && cp_compositions[low].mark == mark)
        return cp_compositions[low].composed;
    return 0;
}

/* Where converted units or bytes go: nowhere when the capacity is 0 (only counted), else into
 * the destination while they fit.  put and put_code give 0 when the item does not fit. */
template <typename Item>
struct sink {
    Item* dest;
    int capacity;
    int written;

    int put(Item item) {
        if (written == INT_MAX) return 0;       /* a count beyond int: too much for any buffer */
        if (capacity > 0) {
            if (written >= capacity) return 0;
            dest[written] = item;
        }
        ++written;
        return 1;
    }

    /* A code: one byte, or a lead and a trail byte, both or neither. */
    int put_code(unsigned code) {
        if (code < 0x100) return put(static_cast<Item>(code));
        if (capacity > 0 && capacity - written < 2) return 0;
        return put(static_cast<Item>(code >> 8)) && put(static_cast<Item>(code & 0xFF));
    }
};

int is_mark(char16_t unit) { return (mark_bits[unit >> 3] >> (unit & 7)) & 1; }

int valid_arguments(const void* source, int source_length, const void* dest, int dest_capacity) {
    return source != nullptr && source_length != 0 && dest_capacity >= 0 && (dest_capacity == 0 || dest != nullptr);
}

/* One narrow character: its unit and the bytes it takes. */
char16_t read_character(const page_tables& t, const unsigned char* at, size_t left, int* used) {
    unsigned char row = t.lead_row[at[0]];
    if (row == 0) {
        *used = 1;
        return t.single[at[0]];
    }
    if (left >= 2 && at[1] != 0) {
        *used = 2;
        return t.pair_units[row - 1][at[1]];
    }
    *used = 1;
    return t.data->unicode_default;
}

int refused(const page_tables& t, unsigned code, char16_t unit) {
    if (unit == t.data->unicode_default && code != t.codes[unit]) return 1;
    return code < 0x100 && unit >= 0xE000 && unit <= 0xF8FF;
}

int has_invalid_character(const page_tables& t, const unsigned char* source, size_t length) {
    for (size_t at = 0; at < length;) {
        int used = 0;
        char16_t unit = read_character(t, source + at, length - at, &used);
        unsigned code = used == 2 ? static_cast<unsigned>(source[at] << 8 | source[at + 1]) : source[at];
        if (refused(t, code, unit)) return 1;
        at += static_cast<size_t>(used);
    }
    return 0;
}

/* The code of a unit; with WC_NO_BEST_FIT_CHARS only a code that decodes back to it. */
unsigned unit_code(const page_tables& t, unsigned flags, char16_t unit) {
    unsigned code = t.codes[unit];
    if ((flags & no_best_fit) != 0 && code_unit(t, code) != unit) return default_code;
    return code;
}

/* The code WideCharToMultiByte writes for the units at source (one, or two composed); *used
 * gets the units taken.  A composed character the page has no code for becomes one default
 * character with WC_DEFAULTCHAR, its first unit alone with WC_DISCARDNS, and its two units
 * written apart otherwise. */
unsigned write_code(const page_tables& t, unsigned flags, const char16_t* source, size_t left, int* used) {
    *used = 1;
    if ((flags & PLAT_WC_COMPOSITECHECK) != 0 && left >= 2 && is_mark(source[1])) {
        char16_t both = composed(source[0], source[1]);
        if (both != 0) {
            unsigned code = unit_code(t, flags, both);
            if (code != default_code || both == default_code) {
                *used = 2;
                return code;
            }
            if ((flags & PLAT_WC_DEFAULTCHAR) != 0) {
                *used = 2;
                return default_code;
            }
            if ((flags & discard_ns) != 0) {
                *used = 2;
                return unit_code(t, flags, source[0]);
            }
        }
    }
    return unit_code(t, flags, source[0]);
}

/* The plain units of a terminated string (flags without WC_NO_BEST_FIT_CHARS), converted while
 * two more bytes fit: each unit's code comes from the table, except a unit followed by a mark
 * under the composite check, which goes through write_code.  *at gets the units taken and
 * *written the bytes; gives 1 when the terminator has been written. */
template <bool DoubleByte>
int plain_terminated(const page_tables& t, unsigned flags, const char16_t* source, unsigned char* out, int capacity,
                     size_t* at, int* written) {
    const int composite = (flags & PLAT_WC_COMPOSITECHECK) != 0;
    const int last_room = capacity - 2;
    size_t i = 0;
    int w = 0;
    while (w <= last_room) {
        char16_t unit = source[i];
        int used = 1;
        unsigned code;
        /* The unit after a nonzero one exists: at worst it is the terminator. */
        if (composite && unit != 0 && source[i + 1] >= first_mark && is_mark(source[i + 1]))
            code = write_code(t, flags, source + i, 2, &used);
        else
            code = t.codes[unit];
        if (DoubleByte && code >= 0x100) out[w++] = static_cast<unsigned char>(code >> 8);
        out[w++] = static_cast<unsigned char>(code);
        i += static_cast<size_t>(used);
        if (unit == 0) {
            *at = i;
            *written = w;
            return 1;
        }
    }
    *at = i;
    *written = w;
    return 0;
}

/* What both directions check first, in Win32's order: the arguments and the code page
 * (ERROR_INVALID_PARAMETER), then the flags (ERROR_INVALID_FLAGS).  The page's tables, or null
 * with the last error set. */
const page_tables* checked_call(int code_page, unsigned flags, unsigned supported, const void* source,
                                int source_length, const void* dest, int dest_capacity) {
    if (!valid_arguments(source, source_length, dest, dest_capacity)) {
        fail(PLAT_ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const page_tables* t = tables_for(code_page);
    if (t != nullptr && (flags & ~supported) != 0) {
        fail(PLAT_ERROR_INVALID_FLAGS);
        return nullptr;
    }
    return t;
}

/* The general conversions, kept out of line so that the one-character calls (below) do not
 * pay for their registers.  MB_USEGLYPHCHARS is taken and changes nothing; MB_COMPOSITE
 * (decomposition) is not served. */
__attribute__((noinline)) int mb_to_wc_general(int code_page, unsigned flags, const char* source,
                                               int source_length, char16_t* dest, int dest_capacity) {
    const unsigned use_glyph_chars = 0x4;
    const unsigned supported = PLAT_MB_PRECOMPOSED | use_glyph_chars | PLAT_MB_ERR_INVALID_CHARS;
    const page_tables* t = checked_call(code_page, flags, supported, source, source_length, dest, dest_capacity);
    if (t == nullptr) return 0;

    size_t length = source_length < 0 ? strlen(source) + 1 : static_cast<size_t>(source_length);
    const unsigned char* in = reinterpret_cast<const unsigned char*>(source);
    if ((flags & PLAT_MB_ERR_INVALID_CHARS) != 0 && has_invalid_character(*t, in, length))
        return fail(PLAT_ERROR_NO_UNICODE_TRANSLATION);
    sink<char16_t> out = {dest, dest_capacity, 0};
    for (size_t at = 0; at < length;) {
        int used = 0;
        char16_t unit = read_character(*t, in + at, length - at, &used);
        if (!out.put(unit)) return fail(PLAT_ERROR_INSUFFICIENT_BUFFER);
        at += static_cast<size_t>(used);
    }
    return out.written;
}

/* Any mix of the composite options is taken, with or without the composite check; only
 * WC_DEFAULTCHAR, WC_DISCARDNS and WC_NO_BEST_FIT_CHARS change the result (write_code). */
__attribute__((noinline)) int wc_to_mb_general(int code_page, unsigned flags, const char16_t* source,
                                               int source_length, char* dest, int dest_capacity) {
    const unsigned err_invalid_chars = 0x80;
    const unsigned supported = PLAT_WC_COMPOSITECHECK | discard_ns | sep_chars | PLAT_WC_DEFAULTCHAR |
                               err_invalid_chars | no_best_fit;
    const page_tables* t = checked_call(code_page, flags, supported, source, source_length, dest, dest_capacity);
    if (t == nullptr) return 0;

    int plain = (flags & no_best_fit) == 0;
    int composite = (flags & PLAT_WC_COMPOSITECHECK) != 0;
    size_t length = 0;
    sink<char> out = {dest, dest_capacity, 0};
    size_t at = 0;
    if (source_length < 0) {
        /* A terminated string: the table's units go straight out in the pass that finds its end,
         * while two bytes fit; what is left, if any, is converted with the checks below. */
        if (plain && dest_capacity > 0) {
            unsigned char* bytes = reinterpret_cast<unsigned char*>(dest);
            int done = t->double_byte ? plain_terminated<true>(*t, flags, source, bytes, dest_capacity, &at, &out.written)
                                      : plain_terminated<false>(*t, flags, source, bytes, dest_capacity, &at, &out.written);
            if (done) return out.written;
        }
        length = at;
        while (source[length] != 0) ++length;
        ++length;
    } else {
        length = static_cast<size_t>(source_length);
    }
    while (at < length) {
        int used = 1;
        unsigned code;
        if (plain && !(composite && at + 1 < length && is_mark(source[at + 1])))
            code = t->codes[source[at]];
        else
            code = write_code(*t, flags, source + at, length - at, &used);
        if (!out.put_code(code)) return fail(PLAT_ERROR_INSUFFICIENT_BUFFER);
        at += static_cast<size_t>(used);
    }
    return out.written;
}

} // namespace

/* The one-character calls of the per-character and EUC conversions come first: one character
 * (one or two bytes, one unit), the usual flags, room for the answer, the page of the last
 * call.  Everything else, and every failure, goes the general way. */
int posix_mb_to_wc(int code_page, unsigned flags, const char* source, int source_length,
                   char16_t* dest, int dest_capacity) {
    if ((source_length == 1 || source_length == 2) && flags == PLAT_MB_PRECOMPOSED && source != nullptr &&
        dest != nullptr && dest_capacity >= 1) {
        const page_tables* t = cached_tables(code_page);
        if (t != nullptr) {
            int used = 0;
            char16_t unit = read_character(*t, reinterpret_cast<const unsigned char*>(source),
                                           static_cast<size_t>(source_length), &used);
            if (used == source_length) {
                dest[0] = unit;
                return 1;
            }
        }
    }
    return mb_to_wc_general(code_page, flags, source, source_length, dest, dest_capacity);
}

int posix_wc_to_mb(int code_page, unsigned flags, const char16_t* source, int source_length,
                   char* dest, int dest_capacity) {
    if (source_length == 1 && flags == 0 && source != nullptr && dest != nullptr && dest_capacity >= 2) {
        const page_tables* t = cached_tables(code_page);
        if (t != nullptr) {
            unsigned code = t->codes[source[0]];
            if (code < 0x100) {
                dest[0] = static_cast<char>(code);
                return 1;
            }
            dest[0] = static_cast<char>(code >> 8);
            dest[1] = static_cast<char>(code & 0xFF);
            return 2;
        }
    }
    return wc_to_mb_general(code_page, flags, source, source_length, dest, dest_capacity);
}

int posix_is_lead_byte(int code_page, unsigned char byte) {
    const page_tables* t = cached_tables(code_page);
    if (t != nullptr) return t->lead_row[byte] != 0;
    int index = page_index(code_page);
    if (index < 0) return fail(PLAT_ERROR_INVALID_PARAMETER);
    return cp_is_lead(cp_pages[index], byte);
}

int posix_last_error(void) { return last_error_code; }

#endif
