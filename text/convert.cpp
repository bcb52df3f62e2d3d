/* Conversion between the host's wide strings (UTF-16) and narrow strings in the encoding of the
 * current language.
 *
 * strtows and wstostr read the current language once per call and pick one path: EUC-JP for
 * Japanese, the Hebrew letter mapping, one whole-string code-page conversion for the Cyrillic,
 * Greek, Turkish, Central European and multibyte languages, Latin-1 with the euro sign for
 * English, and the default ANSI code page one character at a time for the rest.  The file then
 * holds the one-character operations (pro_mbtowc, pro_wctomb), the EUC-JP conversions and the
 * JIS / Shift_JIS arithmetic.  Every platform call goes through the `platform` table. */
#include "text/text.h"

#include <limits.h>
#include <string.h>

#include "frame/report.h"
#include "frame/vt_constants.h"
#include "platform/platform.h"
#include "text/languages.h"
#include "text/text_internal.h"

namespace {

constexpr int japanese_code_page = vt_languages[VT_LANG_JAPANESE].code_page;
const unsigned whole_string_wc_flags = PLAT_WC_COMPOSITECHECK | PLAT_WC_DEFAULTCHAR;   /* 0x240 */
const unsigned char euc_end = 0xFF;    /* what the EUC reader gives at and after the source end */

/* A failed whole-string conversion: the last error to the message log.  Both directions share
 * the named texts; only the catch-all differs. */
void log_code_page_failure(const char* catch_all) {
    int error = platform.last_error();
    switch (error) {
    case PLAT_ERROR_INSUFFICIENT_BUFFER: msg_log_printf("wstostr:ERROR_INSUFFICIENT_BUFFER\n"); break;
    case PLAT_ERROR_INVALID_PARAMETER: msg_log_printf("wstostr:ERROR_INVALID_PARAMETER\n"); break;
    case PLAT_ERROR_INVALID_FLAGS: msg_log_printf("wstostr:ERROR_INVALID_FLAGS\n"); break;
    case PLAT_ERROR_NO_UNICODE_TRANSLATION: msg_log_printf("wstostr:ERROR_NO_UNICODE_TRANSLATION\n"); break;
    default: msg_log_printf(catch_all, error); break;
    }
}

/* Capacities of the whole-string conversions, kept within int (a source too long for them
 * fails as a too-small buffer rather than overflowing the count). */
int wide_capacity_for(size_t narrow_length) {
    return narrow_length >= static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(narrow_length + 1);
}

int narrow_capacity_for(size_t wide_units) {
    return wide_units > static_cast<size_t>(INT_MAX - 1) / TEXT_NARROW_PER_UNIT
               ? INT_MAX
               : static_cast<int>(TEXT_NARROW_PER_UNIT * wide_units + 1);
}

/* JIS row and cell (0x21..0x7E each) to the Shift_JIS pair, in place; a zero first byte stays. */
inline void jis_pair_to_sjis(unsigned char* c1, unsigned char* c2) {
    unsigned char j1 = *c1, j2 = *c2;
    if (j1 == 0) return;
    unsigned char next = static_cast<unsigned char>(j1 + 1);     /* 8-bit: 0xFF + 1 is 0 */
    *c1 = static_cast<unsigned char>((next >> 1) + (j1 < 0x5F ? 0x70 : 0xB0));
    unsigned char add = (j1 & 1) == 0 ? 0x7E : (j2 < 0x60 ? 0x1F : 0x20);
    *c2 = static_cast<unsigned char>(j2 + add);
}

/* Reads EUC bytes: the source's zero byte reads as 0xFF and is never passed, so every read after
 * the end gives 0xFF as well. */
struct euc_reader {
    const unsigned char* at;
};

unsigned char euc_next(euc_reader* reader) {
    if (*reader->at == 0) return euc_end;
    return *reader->at++;
}

/* One Shift_JIS (or single) character to one code unit: the character when the platform gives
 * exactly one, else a zero unit. */
char16_t sjis_to_unit(const unsigned char* bytes, int count) {
    char16_t unit = 0;
    int produced = platform.mb_to_wc(japanese_code_page, PLAT_MB_PRECOMPOSED,
                                     reinterpret_cast<const char*>(bytes), count, &unit, 1);
    return produced == 1 ? unit : 0;
}

int is_euc_byte(unsigned char b) { return b >= 0xA1 && b <= 0xFE; }

/* The single-byte mappings measure the source first and then convert a counted run: the
 * counted loops have no exit of their own, so the compiler turns them into vector code. */
template <char16_t (*unit_of)(unsigned char)>
char16_t* bytes_to_wide(char16_t* dest, const char* narrow, int) {
    const unsigned char* source = reinterpret_cast<const unsigned char*>(narrow);
    size_t n = strlen(narrow);
    for (size_t i = 0; i < n; ++i) dest[i] = unit_of(source[i]);
    dest[n] = 0;
    return dest;
}

template <char (*byte_of)(char16_t)>
char* units_to_narrow(char* dest, const char16_t* source, int) {
    size_t n = wide_length(source);
    for (size_t i = 0; i < n; ++i) dest[i] = byte_of(source[i]);
    dest[n] = 0;
    return dest;
}

/* English: Latin-1 with the euro sign at 0x80; any other unit keeps its low byte. */
inline char16_t latin_unit(unsigned char b) { return b == 0x80 ? char16_t(0x20AC) : char16_t(b); }
inline char latin_byte(char16_t unit) { return static_cast<char>(unit == 0x20AC ? 0x80 : unit & 0xFF); }

/* The Hebrew letters alef to tav: 0xE0 to 0xFA in ISO-8859-8, U+05D0 to U+05EA in UTF-16, so one
 * offset (0x05D0 - 0xE0) maps each to the other; any other unit keeps its low byte. */
const int hebrew_letter_offset = 0x05D0 - 0xE0;   /* 0x4F0 */
inline char16_t hebrew_unit(unsigned char b) {
    return static_cast<char16_t>(b >= 0xE0 && b <= 0xFA ? b + hebrew_letter_offset : b);
}
inline char hebrew_byte(char16_t unit) {
    return static_cast<char>((unit >= 0x05D0 && unit <= 0x05EA) ? unit - hebrew_letter_offset : unit & 0xFF);
}

char16_t* code_page_to_wide(char16_t* dest, const char* source, int code) {
    int capacity = wide_capacity_for(strlen(source));
    int produced = platform.mb_to_wc(lang_code_page(code), PLAT_MB_PRECOMPOSED, source, -1, dest, capacity);
    if (produced < 1) {
        log_code_page_failure("strtows:Error - %d\n");
        dest[0] = 0;    /* whatever the platform left, the caller reads a terminated string */
    }
    return dest;
}

char* wide_to_code_page(char* dest, const char16_t* source, int code) {
    int capacity = narrow_capacity_for(wide_length(source));
    int produced = platform.wc_to_mb(lang_code_page(code), whole_string_wc_flags, source, -1, dest, capacity);
    if (produced < 1) {
        log_code_page_failure("wstostr:Error - %d\n");
        dest[0] = 0;
    }
    return dest;
}

/* One narrow character of a code page to one code unit: n = 2 bytes for a lead byte (never
 * taking the terminator), a warning when that is more than `size` allows, then the platform's
 * one-character conversion.  Bytes taken, or -1 (logged). */
int code_page_mbtowc(int code_page, char16_t* dest, const char* source, int size) {
    const unsigned char* s = reinterpret_cast<const unsigned char*>(source);
    int n = platform.is_lead_byte(code_page, s[0]) ? 2 : 1;
    if (n == 2 && s[1] == 0) n = 1;
    if (size != -1 && n > size)
        dbg_err_warning("pro_mbtowc", "input spec says convert <=%d bytes; local rule says convert more (%d)",
                        size, n);
    if (platform.mb_to_wc(code_page, PLAT_MB_PRECOMPOSED, source, n, dest, 1) >= 1) return n;
    msg_log_printf("pro_mbtowc:Error - %d\n", platform.last_error());
    return -1;
}

/* One code unit to the bytes of a code page: the platform's one-character conversion.  Bytes
 * written, or -1 (logged). */
int code_page_wctomb(int code_page, char* dest, char16_t character) {
    int written = platform.wc_to_mb(code_page, 0, &character, 1, dest, 4);
    if (written >= 1) return written;
    msg_log_printf("pro_wctomb:Error - %d\n", platform.last_error());
    return -1;
}

/* The per-character path: what pro_mbtowc and pro_wctomb do for each character of a language
 * other than Japanese, with the code page looked up once per string. */
char16_t* per_character_to_wide(char16_t* dest, const char* source, int code) {
    int code_page = lang_code_page(code);
    /* A byte taken alone before another byte is no lead byte, and converts to the same unit
     * wherever it stands: its unit is kept after the first conversion, so each such byte of the
     * page costs one conversion per string.  Lead bytes always go the whole way. */
    unsigned char kept[256] = {};
    char16_t kept_unit[256];
    char16_t* out = dest;
    while (*source != 0) {
        unsigned char byte = static_cast<unsigned char>(*source);
        if (kept[byte]) {
            *out++ = kept_unit[byte];
            ++source;
            continue;
        }
        int used = code_page_mbtowc(code_page, out, source, 3);
        if (used == -1) break;
        if (used == 1 && source[1] != 0) {
            kept[byte] = 1;
            kept_unit[byte] = *out;
        }
        ++out;
        source += used;
    }
    *out = 0;
    return dest;
}

char* per_character_to_narrow(char* dest, const char16_t* source, int code) {
    int code_page = lang_code_page(code);
    char* out = dest;
    for (; *source != 0; ++source) {
        int written = code_page_wctomb(code_page, out, *source);
        if (written == -1) break;
        out += written;
    }
    *out = 0;
    return dest;
}

char16_t* euc_to_wide(char16_t* dest, const char* source, int) { return euc_str_to_unicode_str(dest, source); }
char* wide_to_euc(char* dest, const char16_t* source, int) { return unicode_str_to_euc_str(dest, source); }

/* The two directions of a path; both take the current language code. */
struct conversion_path {
    char16_t* (*to_wide)(char16_t* dest, const char* source, int code);
    char* (*to_narrow)(char* dest, const char16_t* source, int code);
};

const conversion_path euc_path = {euc_to_wide, wide_to_euc};
const conversion_path hebrew_path = {bytes_to_wide<hebrew_unit>, units_to_narrow<hebrew_byte>};
const conversion_path code_page_path = {code_page_to_wide, wide_to_code_page};
const conversion_path latin_path = {bytes_to_wide<latin_unit>, units_to_narrow<latin_byte>};
const conversion_path per_character_path = {per_character_to_wide, per_character_to_narrow};

/* Japanese, Hebrew and English have mappings of their own; every other language with a code
 * page of its own or with multibyte text converts whole strings through its code page, and
 * the rest one character at a time through the default code page. */
const conversion_path& path_for(int code) {
    switch (code) {
    case VT_LANG_JAPANESE: return euc_path;
    case VT_LANG_HEBREW: return hebrew_path;
    case VT_LANG_ENGLISH: return latin_path;
    default: return lang_code_page(code) != 0 || lang_is_multibyte(code) ? code_page_path : per_character_path;
    }
}

/* One direction of strtows / wstostr: a null argument is reported and nothing converted;
 * otherwise the path of the current language, read once. */
template <typename Dest, typename Source>
using path_step = Dest* (*)(Dest* dest, const Source* source, int code);

template <typename Dest, typename Source>
Dest* convert_whole(Dest* dest, const Source* source, const char* null_message,
                    path_step<Dest, Source> conversion_path::*direction) {
    if (dest == nullptr || source == nullptr) {
        msg_log_printf("%s", null_message);
        return dest;
    }
    int code = lang_get();
    return (path_for(code).*direction)(dest, source, code);
}

} // namespace

extern "C" {

char16_t* pro_str_to_wstr(char16_t* dest, const char* source) {
    if (dest == nullptr) return nullptr;
    return strtows(dest, source);
}

char* pro_wstr_to_str(char* dest, const char16_t* source) {
    if (dest == nullptr) return nullptr;
    return wstostr(dest, source);
}

char16_t* strtows(char16_t* dest, const char* source) {
    return convert_whole(dest, source, "STRTOWS :  Illegal NULL pointer !!!", &conversion_path::to_wide);
}

char* wstostr(char* dest, const char16_t* source) {
    return convert_whole(dest, source, "WSTOSTR :  Illegal NULL pointer !!!", &conversion_path::to_narrow);
}

/* One narrow character to one code unit.  While the language is Japanese the unit is an EUC
 * process code; otherwise the character of the current code page. */
int pro_mbtowc(char16_t* dest, const char* source, int size) {
    if (source == nullptr) return -1;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(source);
    if (dest == nullptr) return euc_char_length(s[0]);

    int language = lang_get();
    if (language == VT_LANG_JAPANESE) {
        if (size == -1 || euc_char_length(s[0]) > size) return -1;
        unsigned char b0 = s[0];
        if (b0 < 0x80) {
            *dest = b0;
            return 1;
        }
        if (b0 == 0x8E) {
            if (s[1] == 0) {
                *dest = b0;
                return 1;
            }
            *dest = static_cast<char16_t>(s[1] | 0x80);
            return 2;
        }
        if (b0 == 0x8F) {
            /* A source that ends inside the character is not read past its terminator. */
            if (s[1] == 0) {
                *dest = b0;
                return 1;
            }
            if (s[2] == 0) {
                *dest = s[1];
                return 2;
            }
            *dest = static_cast<char16_t>(((s[1] | 0x80) << 8) | (s[2] & 0x7F));
            return 3;
        }
        if (s[1] == 0) {
            *dest = b0;
            return 1;
        }
        *dest = static_cast<char16_t>(((b0 << 8) | s[1]) | 0x8080);
        return 2;
    }

    return code_page_mbtowc(lang_code_page(language), dest, source, size);
}

/* One code unit to narrow bytes: EUC bytes of a process code while the language is Japanese,
 * else the character in the current code page. */
int pro_wctomb(char* dest, char16_t character) {
    if (dest == nullptr) return -1;
    unsigned char* out = reinterpret_cast<unsigned char*>(dest);
    if (lang_euc_mode()) {
        unsigned char high = static_cast<unsigned char>(character >> 8);
        unsigned char low = static_cast<unsigned char>(character & 0xFF);
        int set_high = (character & 0x8000) != 0;
        int set_low = (character & 0x80) != 0;
        if (!set_high && !set_low) {
            out[0] = low & 0x7F;
            return 1;
        }
        if (set_high && set_low) {
            out[0] = high;
            out[1] = low;
            return 2;
        }
        if (set_low) {
            out[0] = 0x8E;
            out[1] = low;
            return 2;
        }
        out[0] = 0x8F;
        out[1] = high;
        out[2] = low | 0x80;
        return 3;
    }
    return code_page_wctomb(lang_current_code_page(), dest, character);
}

char16_t* euc_str_to_unicode_str(char16_t* dest, const char* source) {
    if (dest == nullptr || source == nullptr) return dest;
    euc_reader reader = {reinterpret_cast<const unsigned char*>(source)};
    /* A byte that is neither EUC nor 0x8E is converted alone, always to the same unit: it is
     * converted once per string and its unit kept. */
    unsigned char kept[256] = {};
    char16_t kept_unit[256];
    char16_t* out = dest;
    for (;;) {
        unsigned char pair[2];
        pair[0] = euc_next(&reader);
        if (pair[0] == euc_end) break;
        if (is_euc_byte(pair[0])) {
            pair[1] = euc_next(&reader);
            if (is_euc_byte(pair[1])) {
                pair[0] &= 0x7F;
                pair[1] &= 0x7F;
                jis_pair_to_sjis(&pair[0], &pair[1]);
            }
            *out++ = sjis_to_unit(pair, 2);
        } else if (pair[0] == 0x8E) {
            pair[1] = euc_next(&reader);
            if (pair[1] >= 0xA1 && pair[1] <= 0xDF)
                *out++ = sjis_to_unit(&pair[1], 1);
            else
                *out++ = sjis_to_unit(pair, 2);
        } else {
            if (!kept[pair[0]]) {
                kept[pair[0]] = 1;
                kept_unit[pair[0]] = sjis_to_unit(pair, 1);
            }
            *out++ = kept_unit[pair[0]];
        }
    }
    *out = 0;
    return dest;
}

char* unicode_str_to_euc_str(char* dest, const char16_t* source) {
    if (dest == nullptr || source == nullptr) return dest;
    unsigned char* out = reinterpret_cast<unsigned char*>(dest);
    for (; *source != 0; ++source) {
        unsigned char bytes[4];
        int count = platform.wc_to_mb(japanese_code_page, 0, source, 1, reinterpret_cast<char*>(bytes), 4);
        if (count < 1) {
            msg_log_printf("unicode_str_to_euc_str:Error - %d\n", platform.last_error());
            continue;
        }
        if (count == 1) {
            if (bytes[0] >= 0xA1 && bytes[0] <= 0xDF) *out++ = 0x8E;
            *out++ = bytes[0];
        } else if (count == 2) {
            sjis_to_jis(&bytes[0], &bytes[1]);
            *out++ = bytes[0] | 0x80;
            *out++ = bytes[1] | 0x80;
        } else {
            for (int i = 0; i < count; ++i) *out++ = bytes[i];
        }
    }
    *out = 0;
    return dest;
}

void jis_to_sjis(unsigned char* c1, unsigned char* c2) { jis_pair_to_sjis(c1, c2); }

void sjis_to_jis(unsigned char* c1, unsigned char* c2) {
    unsigned char s1 = *c1, s2 = *c2;
    if (s1 == 0) return;
    int adjust = s2 < 0x9F ? 1 : 0;
    *c1 = static_cast<unsigned char>(((s1 - (s1 < 0xA0 ? 0x70 : 0xB0)) << 1) - adjust);
    unsigned char sub = s2 >= 0x9F ? 0x7E : (s2 >= 0x80 ? 0x20 : 0x1F);
    *c2 = static_cast<unsigned char>(s2 - sub);
}

}
