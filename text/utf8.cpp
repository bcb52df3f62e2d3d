/* The UTF-16 / UTF-8 codec: one character at a time in each direction, and whole texts built on
 * those steps.  See utf8.h for what becomes U+FFFD. */
#include "text/utf8.h"

namespace {

bool is_high_surrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool is_low_surrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }
bool is_continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

/* A whole text, character by character: a character that does not decode (0 units taken)
 * passes one unit as U+FFFD; one that would not fit whole ends the text. */
template <typename In, typename Out, int (*decode)(const In*, size_t, char32_t*),
          int (*encode)(char32_t, Out*)>
size_t convert_text(Out* dest, size_t capacity, const In* source, size_t length) {
    size_t in = 0, out = 0;
    while (in < length && source[in] != 0) {
        char32_t code;
        int used = decode(source + in, length - in, &code);
        Out units[4];
        int count = encode(code, units);
        if (out + count >= capacity) break;
        for (int k = 0; k < count; ++k) dest[out++] = units[k];
        in += used > 0 ? used : 1;
    }
    dest[out] = 0;
    return out;
}

}  // namespace

extern "C" {

int utf8_decode(const char* text, size_t available, char32_t* code) {
    const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
    *code = UTF_REPLACEMENT;
    unsigned char first = s[0];
    if (first < 0x80) {
        *code = first;
        return 1;
    }
    /* 0xC0 and 0xC1 could only start an overlong form of an ASCII byte, 0xF5 and above only a
     * value beyond U+10FFFF. */
    int length = first >= 0xC2 && first <= 0xDF ? 2 : first >= 0xE0 && first <= 0xEF ? 3
               : first >= 0xF0 && first <= 0xF4 ? 4 : 0;
    if (length == 0 || static_cast<size_t>(length) > available) return 0;
    char32_t value = first & (0x7F >> length);
    for (int k = 1; k < length; ++k) {
        if (!is_continuation(s[k])) return 0;
        value = (value << 6) | (s[k] & 0x3F);
    }
    bool overlong = (length == 3 && value < 0x800) || (length == 4 && value < 0x10000);
    if (overlong || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    *code = value;
    return length;
}

int utf16_decode(const char16_t* text, size_t available, char32_t* code) {
    char32_t unit = text[0];
    if (is_high_surrogate(unit) && available >= 2 && is_low_surrogate(text[1])) {
        *code = 0x10000 + ((unit - 0xD800) << 10) + (text[1] - 0xDC00);
        return 2;
    }
    *code = is_high_surrogate(unit) || is_low_surrogate(unit) ? char32_t(UTF_REPLACEMENT) : unit;
    return 1;
}

int utf8_encode(char32_t code, char* out) {
    if (code < 0x80) {
        out[0] = static_cast<char>(code);
        return 1;
    }
    if (code < 0x800) {
        out[0] = static_cast<char>(0xC0 | (code >> 6));
        out[1] = static_cast<char>(0x80 | (code & 0x3F));
        return 2;
    }
    if (code < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (code >> 12));
        out[1] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (code & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (code >> 18));
    out[1] = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (code & 0x3F));
    return 4;
}

int utf16_encode(char32_t code, char16_t* out) {
    if (code < 0x10000) {
        out[0] = static_cast<char16_t>(code);
        return 1;
    }
    code -= 0x10000;
    out[0] = static_cast<char16_t>(0xD800 + (code >> 10));
    out[1] = static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    return 2;
}

size_t utf16_to_utf8(char* dest, size_t capacity, const char16_t* source, size_t length) {
    return convert_text<char16_t, char, utf16_decode, utf8_encode>(dest, capacity, source, length);
}

size_t utf8_to_utf16(char16_t* dest, size_t capacity, const char* source, size_t length) {
    return convert_text<char, char16_t, utf8_decode, utf16_encode>(dest, capacity, source, length);
}

}
