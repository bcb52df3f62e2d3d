/* POSIX code-page service: the contract of MultiByteToWideChar, WideCharToMultiByte,
 * IsDBCSLeadByteEx and GetLastError, built on iconv.
 *
 * Supported code pages: 0 (the default ANSI code page, taken as 1252), 1250, 1251, 1252, 1253,
 * 1254, 28598 (ISO-8859-8) and the double-byte pages 932, 936, 949, 950.  Anything else is
 * ERROR_INVALID_PARAMETER, as Windows answers for a code page that is not installed.
 *
 * The file is divided into the code-page records, the per-page state (iconv descriptors opened
 * once per page and direction, and the decode table of the single-byte pages), one-character
 * decode and encode, and the four entry points.
 *
 * Decisions where iconv and Windows part (tests/data/codepage_agreement.txt lists them too):
 *  - single-byte pages: a byte 0x80-0x9F that iconv cannot decode stands for the C1 control of
 *    the same value (Windows' tables for the 125x pages do this); any other undecodable byte
 *    becomes U+003F;
 *  - 932: the single bytes 0x80, 0xA0, 0xFD, 0xFE, 0xFF map to U+0080, U+F8F0, U+F8F1-U+F8F3 and
 *    back, as on Windows;
 *  - double-byte pages: a lead byte followed by a byte that cannot be a trail byte (below 0x40,
 *    0x7F, 0xFF, or the end of the input) is one undecodable character on its own, and the next
 *    byte is decoded afresh, so the terminator is never swallowed; a lead byte with a possible
 *    trail byte that iconv cannot decode is one undecodable two-byte character.  Undecodable
 *    input becomes U+30FB on 932 and U+003F on the others (MB_ERR_INVALID_CHARS fails instead
 *    with ERROR_NO_UNICODE_TRANSLATION);
 *  - wide to narrow: a character without a mapping becomes the default character '?'; a valid
 *    surrogate pair is one character (one '?' where it has no mapping), a lone surrogate unit
 *    is one unmappable character.  There are no best-fit replacements and no composition of a
 *    base letter with a following combining mark under WC_COMPOSITECHECK. */
#if !defined(_WIN32)

#include "platform/codepage_posix.h"
#include "platform/platform.h"

#include <iconv.h>
#include <string.h>

namespace {

thread_local int last_error_code = 0;   /* GetLastError: kept until the next failure */

const iconv_t no_descriptor = reinterpret_cast<iconv_t>(-1);

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
const char* const wide_charset = "UTF-16BE";
#else
const char* const wide_charset = "UTF-16LE";
#endif

const char16_t unmapped = 0xFFFF;       /* decode-table entry of a byte without a character */

struct code_page_info {
    int number;                   /* Windows code page number */
    const char* charset;          /* iconv name */
    int double_byte;              /* 1 for the pages with lead bytes */
    char16_t unicode_default;     /* what undecodable narrow input becomes */
};

const code_page_info code_pages[] = {
    {1252, "CP1252", 0, u'?'},
    {1250, "CP1250", 0, u'?'},
    {1251, "CP1251", 0, u'?'},
    {1253, "CP1253", 0, u'?'},
    {1254, "CP1254", 0, u'?'},
    {28598, "ISO-8859-8", 0, u'?'},
    {932, "CP932", 1, 0x30FB},
    {936, "CP936", 1, u'?'},
    {949, "CP949", 1, u'?'},
    {950, "CP950", 1, u'?'},
};
const int code_page_count = sizeof code_pages / sizeof code_pages[0];

/* Per-page state, created on first use and kept for the life of the process. */
struct code_page_state {
    iconv_t decoder;              /* narrow to UTF-16 */
    iconv_t encoder;              /* UTF-16 to narrow */
    int decoder_opened;           /* 1 once iconv_open was tried (the descriptor may be -1) */
    int encoder_opened;
    int table_built;              /* single-byte pages: 1 once table[] is filled */
    char16_t table[256];          /* single-byte pages: the character of every byte */
};
code_page_state states[code_page_count];

/* The single bytes of 932 that Windows maps to fixed characters iconv does not know. */
struct byte_pair {
    unsigned char byte;
    char16_t unit;
};
const byte_pair cp932_single_extras[] = {
    {0x80, 0x0080}, {0xA0, 0xF8F0}, {0xFD, 0xF8F1}, {0xFE, 0xF8F2}, {0xFF, 0xF8F3},
};

int fail(int code) {
    last_error_code = code;
    return 0;
}

int page_index(int code_page) {
    if (code_page == 0) code_page = 1252;
    for (int i = 0; i < code_page_count; ++i)
        if (code_pages[i].number == code_page) return i;
    return -1;
}

iconv_t descriptor(int page, int encode) {
    code_page_state& state = states[page];
    if (encode) {
        if (!state.encoder_opened) {
            state.encoder = iconv_open(code_pages[page].charset, wide_charset);
            state.encoder_opened = 1;
        }
        return state.encoder;
    }
    if (!state.decoder_opened) {
        state.decoder = iconv_open(wide_charset, code_pages[page].charset);
        state.decoder_opened = 1;
    }
    return state.decoder;
}

/* One complete conversion of a short input through a cached descriptor.  Returns the number of
 * output bytes, or -1 when the input is not one whole convertible sequence. */
int iconv_once(iconv_t cd, const void* input, size_t input_size, void* output, size_t output_size) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = static_cast<char*>(const_cast<void*>(input));
    char* out = static_cast<char*>(output);
    size_t in_left = input_size;
    size_t out_left = output_size;
    size_t result = iconv(cd, &in, &in_left, &out, &out_left);
    if (result == static_cast<size_t>(-1) || in_left != 0) return -1;
    /* A stateful encoder may have a shift sequence to flush; none of our pages has. */
    return static_cast<int>(output_size - out_left);
}

/* The decode table of a single-byte page; null when iconv does not know the page. */
const char16_t* single_byte_table(int page) {
    code_page_state& state = states[page];
    if (state.table_built) return state.table;
    iconv_t cd = descriptor(page, 0);
    if (cd == no_descriptor) return nullptr;
    for (int b = 0; b < 256; ++b) {
        unsigned char byte = static_cast<unsigned char>(b);
        char16_t units[2];
        int produced = iconv_once(cd, &byte, 1, units, sizeof units);
        if (produced == static_cast<int>(sizeof(char16_t)))
            state.table[b] = units[0];
        else if (b >= 0x80 && b <= 0x9F)
            state.table[b] = static_cast<char16_t>(b);
        else
            state.table[b] = unmapped;
    }
    state.table_built = 1;
    return state.table;
}

int is_lead(int page, unsigned char byte) {
    switch (code_pages[page].number) {
    case 932: return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    case 936:
    case 949:
    case 950: return byte >= 0x81 && byte <= 0xFE;
    default: return 0;
    }
}

int may_be_trail(unsigned char byte) { return byte >= 0x40 && byte != 0x7F && byte != 0xFF; }

/* One decoded character: up to two UTF-16 units, the bytes it took, and whether the input was
 * undecodable (the units then hold the page's default character). */
struct decoded {
    char16_t units[2];
    int unit_count;
    int used;
    int invalid;
};

/* Decodes the character at source[0]; `left` bytes remain (at least 1).  0 when the page's
 * descriptor cannot be opened. */
int decode_one(int page, const unsigned char* source, int left, decoded* out) {
    const code_page_info& info = code_pages[page];
    out->unit_count = 1;
    out->used = 1;
    out->invalid = 0;
    unsigned char b = source[0];
    if (!info.double_byte) {
        const char16_t* table = single_byte_table(page);
        if (table == nullptr) return 0;
        char16_t unit = table[b];
        out->invalid = unit == unmapped;
        out->units[0] = out->invalid ? info.unicode_default : unit;
        return 1;
    }
    if (b < 0x80) {
        out->units[0] = b;
        return 1;
    }
    if (info.number == 932) {
        for (const byte_pair& extra : cp932_single_extras) {
            if (extra.byte == b) {
                out->units[0] = extra.unit;
                return 1;
            }
        }
    }
    iconv_t cd = descriptor(page, 0);
    if (cd == no_descriptor) return 0;
    int size = 1;
    if (is_lead(page, b)) {
        if (left < 2 || !may_be_trail(source[1])) {
            out->invalid = 1;
            out->units[0] = info.unicode_default;
            return 1;
        }
        size = 2;
    }
    out->used = size;
    int produced = iconv_once(cd, source, static_cast<size_t>(size), out->units, sizeof out->units);
    if (produced <= 0) {
        out->invalid = 1;
        out->units[0] = info.unicode_default;
        return 1;
    }
    out->unit_count = produced / static_cast<int>(sizeof(char16_t));
    return 1;
}

/* One encoded character: its bytes (or the default character) and the units it took. */
struct encoded {
    char bytes[8];
    int byte_count;
    int used;
};

int encode_one(int page, const char16_t* source, int left, encoded* out) {
    const code_page_info& info = code_pages[page];
    char16_t unit = source[0];
    out->byte_count = 1;
    out->used = 1;
    out->bytes[0] = '?';
    if (unit < 0x80) {
        out->bytes[0] = static_cast<char>(unit);
        return 1;
    }
    int pair = unit >= 0xD800 && unit <= 0xDBFF && left >= 2 && source[1] >= 0xDC00 && source[1] <= 0xDFFF;
    if (pair) out->used = 2;
    else if (unit >= 0xD800 && unit <= 0xDFFF) return 1;     /* lone surrogate: no mapping */
    if (!info.double_byte) {
        const char16_t* table = single_byte_table(page);
        if (table == nullptr) return 0;
        if (pair) return 1;                 /* nothing beyond the BMP is in a single-byte page */
        for (int b = 0x80; b < 256; ++b) {
            if (table[b] == unit) {
                out->bytes[0] = static_cast<char>(b);
                return 1;
            }
        }
        return 1;
    }
    if (info.number == 932) {
        for (const byte_pair& extra : cp932_single_extras) {
            if (extra.unit == unit) {
                out->bytes[0] = static_cast<char>(extra.byte);
                return 1;
            }
        }
    }
    iconv_t cd = descriptor(page, 1);
    if (cd == no_descriptor) return 0;
    int produced = iconv_once(cd, source, static_cast<size_t>(out->used) * sizeof(char16_t), out->bytes,
                              sizeof out->bytes);
    if (produced > 0) out->byte_count = produced;
    return 1;
}

int valid_arguments(const void* source, int source_length, const void* dest, int dest_capacity) {
    return source != nullptr && source_length != 0 && source_length >= -1 && dest_capacity >= 0 &&
           (dest_capacity == 0 || dest != nullptr);
}

} // namespace

int posix_mb_to_wc(int code_page, unsigned flags, const char* source, int source_length,
                   char16_t* dest, int dest_capacity) {
    if (!valid_arguments(source, source_length, dest, dest_capacity))
        return fail(PLAT_ERROR_INVALID_PARAMETER);
    int page = page_index(code_page);
    if (page < 0) return fail(PLAT_ERROR_INVALID_PARAMETER);
    const unsigned supported = PLAT_MB_PRECOMPOSED | PLAT_MB_ERR_INVALID_CHARS;
    if ((flags & ~supported) != 0) return fail(PLAT_ERROR_INVALID_FLAGS);

    size_t length = source_length < 0 ? strlen(source) + 1 : static_cast<size_t>(source_length);
    const unsigned char* in = reinterpret_cast<const unsigned char*>(source);
    int written = 0;
    size_t at = 0;
    while (at < length) {
        size_t left = length - at;
        decoded character;
        if (!decode_one(page, in + at, left > 2 ? 2 : static_cast<int>(left), &character))
            return fail(PLAT_ERROR_INVALID_PARAMETER);
        if (character.invalid && (flags & PLAT_MB_ERR_INVALID_CHARS) != 0)
            return fail(PLAT_ERROR_NO_UNICODE_TRANSLATION);
        if (dest_capacity > 0) {
            if (character.unit_count > dest_capacity - written)
                return fail(PLAT_ERROR_INSUFFICIENT_BUFFER);
            memcpy(dest + written, character.units, static_cast<size_t>(character.unit_count) * sizeof(char16_t));
        }
        written += character.unit_count;
        at += static_cast<size_t>(character.used);
    }
    return written;
}

int posix_wc_to_mb(int code_page, unsigned flags, const char16_t* source, int source_length,
                   char* dest, int dest_capacity) {
    if (!valid_arguments(source, source_length, dest, dest_capacity))
        return fail(PLAT_ERROR_INVALID_PARAMETER);
    int page = page_index(code_page);
    if (page < 0) return fail(PLAT_ERROR_INVALID_PARAMETER);
    /* WC_DISCARDNS, WC_SEPCHARS and WC_DEFAULTCHAR choose one treatment of the composite check
     * and are valid only with it, one at a time. */
    const unsigned discard_ns = 0x10, sep_chars = 0x20, no_best_fit = 0x400;
    const unsigned composite_options = discard_ns | sep_chars | PLAT_WC_DEFAULTCHAR;
    const unsigned supported = PLAT_WC_COMPOSITECHECK | composite_options | no_best_fit;
    unsigned options = flags & composite_options;
    if ((flags & ~supported) != 0 || (options != 0 && (flags & PLAT_WC_COMPOSITECHECK) == 0) ||
        (options & (options - 1)) != 0)
        return fail(PLAT_ERROR_INVALID_FLAGS);

    size_t length = 0;
    if (source_length < 0) {
        while (source[length] != 0) ++length;
        ++length;
    } else {
        length = static_cast<size_t>(source_length);
    }
    int written = 0;
    size_t at = 0;
    while (at < length) {
        size_t left = length - at;
        encoded character;
        if (!encode_one(page, source + at, left > 2 ? 2 : static_cast<int>(left), &character))
            return fail(PLAT_ERROR_INVALID_PARAMETER);
        if (dest_capacity > 0) {
            if (character.byte_count > dest_capacity - written)
                return fail(PLAT_ERROR_INSUFFICIENT_BUFFER);
            memcpy(dest + written, character.bytes, static_cast<size_t>(character.byte_count));
        }
        written += character.byte_count;
        at += static_cast<size_t>(character.used);
    }
    return written;
}

int posix_is_lead_byte(int code_page, unsigned char byte) {
    int page = page_index(code_page);
    if (page < 0) return fail(PLAT_ERROR_INVALID_PARAMETER);
    return is_lead(page, byte);
}

int posix_last_error(void) { return last_error_code; }

#endif
