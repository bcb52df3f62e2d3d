/* POSIX code-page service: iconv behind the contract of MultiByteToWideChar and
 * WideCharToMultiByte.  Code page 0 stands for the default ANSI code page, CP1252. */
#if !defined(_WIN32)

#include "platform/codepage_posix.h"
#include "platform/platform.h"

#include <errno.h>
#include <iconv.h>
#include <string.h>

namespace {

int last_error_code = 0;

const char* iconv_name(int code_page) {
    switch (code_page) {
    case 0: return "CP1252";
    case 932: return "CP932";
    case 936: return "CP936";
    case 949: return "CP949";
    case 950: return "CP950";
    case 1250: return "CP1250";
    case 1251: return "CP1251";
    case 1252: return "CP1252";
    case 1253: return "CP1253";
    case 1254: return "CP1254";
    case 28598: return "ISO-8859-8";
    default: return nullptr;
    }
}

int fail(int code) {
    last_error_code = code;
    return 0;
}

} // namespace

int posix_mb_to_wc(int code_page, unsigned, const char* source, int source_length,
                   char16_t* dest, int dest_capacity) {
    const char* name = iconv_name(code_page);
    if (name == nullptr || source == nullptr || dest_capacity < 0 || (dest_capacity > 0 && dest == nullptr))
        return fail(PLAT_ERROR_INVALID_PARAMETER);
    size_t in_left = source_length < 0 ? strlen(source) + 1 : static_cast<size_t>(source_length);
    if (in_left == 0) return fail(PLAT_ERROR_INVALID_PARAMETER);
    iconv_t cd = iconv_open("UTF-16LE", name);
    if (cd == reinterpret_cast<iconv_t>(-1)) return fail(PLAT_ERROR_INVALID_PARAMETER);
    char* in = const_cast<char*>(source);
    int written = 0;
    char16_t unit[4];
    while (in_left > 0) {
        char* out = reinterpret_cast<char*>(unit);
        size_t out_left = sizeof unit;
        size_t single = 1;
        /* One character at a time: try one byte, then two for a double-byte character. */
        size_t result = static_cast<size_t>(-1);
        for (single = 1; single <= in_left && single <= 2; ++single) {
            char* try_in = in;
            size_t try_left = single;
            out = reinterpret_cast<char*>(unit);
            out_left = sizeof unit;
            result = iconv(cd, &try_in, &try_left, &out, &out_left);
            if (result != static_cast<size_t>(-1)) break;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
        int units = 1;
        if (result == static_cast<size_t>(-1)) {
            single = 1;
            unit[0] = u'?';
        } else {
            units = static_cast<int>((sizeof unit - out_left) / sizeof(char16_t));
        }
        if (dest_capacity > 0) {
            if (written + units > dest_capacity) {
                iconv_close(cd);
                return fail(PLAT_ERROR_INSUFFICIENT_BUFFER);
            }
            memcpy(dest + written, unit, static_cast<size_t>(units) * sizeof(char16_t));
        }
        written += units;
        in += single;
        in_left -= single;
    }
    iconv_close(cd);
    return written;
}

int posix_wc_to_mb(int code_page, unsigned, const char16_t* source, int source_length,
                   char* dest, int dest_capacity) {
    const char* name = iconv_name(code_page);
    if (name == nullptr || source == nullptr || dest_capacity < 0 || (dest_capacity > 0 && dest == nullptr))
        return fail(PLAT_ERROR_INVALID_PARAMETER);
    size_t units = 0;
    if (source_length < 0) {
        while (source[units] != 0) ++units;
        ++units;
    } else {
        units = static_cast<size_t>(source_length);
    }
    if (units == 0) return fail(PLAT_ERROR_INVALID_PARAMETER);
    iconv_t cd = iconv_open(name, "UTF-16LE");
    if (cd == reinterpret_cast<iconv_t>(-1)) return fail(PLAT_ERROR_INVALID_PARAMETER);
    int written = 0;
    for (size_t i = 0; i < units; ++i) {
        char bytes[8];
        char* in = reinterpret_cast<char*>(const_cast<char16_t*>(source + i));
        size_t in_left = sizeof(char16_t);
        char* out = bytes;
        size_t out_left = sizeof bytes;
        size_t count;
        if (iconv(cd, &in, &in_left, &out, &out_left) == static_cast<size_t>(-1)) {
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            bytes[0] = '?';
            count = 1;
        } else {
            count = sizeof bytes - out_left;
        }
        if (dest_capacity > 0) {
            if (written + static_cast<int>(count) > dest_capacity) {
                iconv_close(cd);
                return fail(PLAT_ERROR_INSUFFICIENT_BUFFER);
            }
            memcpy(dest + written, bytes, count);
        }
        written += static_cast<int>(count);
    }
    iconv_close(cd);
    return written;
}

int posix_is_lead_byte(int code_page, unsigned char byte) {
    switch (code_page) {
    case 932: return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    case 936:
    case 949:
    case 950: return byte >= 0x81 && byte <= 0xFE;
    default: return 0;
    }
}

int posix_last_error(void) { return last_error_code; }

#endif
