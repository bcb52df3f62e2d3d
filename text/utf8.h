/* The one UTF-16 / UTF-8 codec of the add-in and its programs.
 *
 * Text that cannot be carried over becomes U+FFFD: a lone surrogate in UTF-16, and in UTF-8
 * every byte that does not start a well-formed character (a stray continuation byte, a
 * character cut short, an overlong form, an encoded surrogate, a value beyond U+10FFFF), each
 * such byte on its own.  Well-formed characters always round-trip.  Nothing here allocates. */
#ifndef VT_UTF8_H
#define VT_UTF8_H

#include <stddef.h>

extern "C" {

enum { UTF_REPLACEMENT = 0xFFFD };

/* One character of UTF-8 from at most `available` bytes (at least 1) of text: the number of
 * bytes of the well-formed character found there (1 to 4), or 0 when none starts there; *code
 * receives the character, or U+FFFD for 0 (the caller then takes one byte). */
int utf8_decode(const char* text, size_t available, char32_t* code);

/* One character of UTF-16 from at most `available` units (at least 1): the units it takes, 1
 * or 2; a surrogate without its partner is one unit and gives U+FFFD. */
int utf16_decode(const char16_t* text, size_t available, char32_t* code);

/* The UTF-8 bytes of a character (at most U+10FFFF, no surrogate) into out[4]; their count. */
int utf8_encode(char32_t code, char* out);

/* The UTF-16 units of a character (at most U+10FFFF) into out[2]; their count. */
int utf16_encode(char32_t code, char16_t* out);

/* Whole texts: at most `length` units or bytes of the source, stopping at a terminator, into a
 * destination of `capacity` units or bytes (at least 1), which is always terminated.  A
 * character that would not fit whole ends the conversion.  The result is the length written,
 * terminator excluded. */
size_t utf16_to_utf8(char* dest, size_t capacity, const char16_t* source, size_t length);
size_t utf8_to_utf16(char16_t* dest, size_t capacity, const char* source, size_t length);

}

#endif
