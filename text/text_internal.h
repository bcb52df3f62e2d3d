/* Helpers shared by the files of text/: the EUC character length rule, the length of a wide
 * string, and ASCII lower case.  Internal to text/. */
#ifndef VT_TEXT_INTERNAL_H
#define VT_TEXT_INTERNAL_H

#include <stddef.h>

/* Length of the character that starts with byte `first` by the EUC character length rule: 0x8F
 * starts 3 bytes, any other byte with bit 7 set 2, every other byte 1. */
inline int euc_char_length(unsigned char first) {
    if (first == 0x8F) return 3;
    return (first & 0x80) != 0 ? 2 : 1;
}

/* Code units before the terminator, four a round: one taken branch per four units, and no unit
 * past the terminator read. */
inline size_t wide_length(const char16_t* text) {
    size_t n = 0;
    for (;; n += 4) {
        if (text[n] == 0) return n;
        if (text[n + 1] == 0) return n + 1;
        if (text[n + 2] == 0) return n + 2;
        if (text[n + 3] == 0) return n + 3;
    }
}

/* 'A' to 'Z' in lower case; every other byte unchanged, whatever the C locale. */
inline char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

#endif
