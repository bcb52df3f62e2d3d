/* The languages: one row per language code, 0 to 20, with the name that the locale table and
 * the text directories use, the Windows code page of its narrow text and whether that text is
 * multibyte.  Every property of a language comes from this list: lang_code_page,
 * lang_is_multibyte, the locale table's own names, and any program that needs them (vthost,
 * the tests). */
#ifndef VT_LANGUAGES_H
#define VT_LANGUAGES_H

#include "frame/vt_constants.h"

struct vt_language {
    const char* name;          /* its name in the locale table: the first row with its code */
    int code;                  /* the language code, also its index in vt_languages */
    int code_page;             /* 0: the system's default ANSI code page */
    int multibyte;             /* 1 when a narrow character may take more than one byte */
};

/* The two custom locales (a name the table lacks, which the run-time library accepts) read
 * their text directory as "usascii", as English does. */
inline constexpr vt_language vt_languages[] = {
    {"usascii", VT_LANG_ENGLISH, 0, 0},
    {"japanese", VT_LANG_JAPANESE, 932, 1},
    {"french", VT_LANG_FRENCH, 0, 0},
    {"german", VT_LANG_GERMAN, 0, 0},
    {"russian", VT_LANG_RUSSIAN, 1251, 0},
    {"italian", VT_LANG_ITALIAN, 0, 0},
    {"usascii", VT_LANG_CUSTOM_MULTIBYTE, 0, 1},
    {"spanish", VT_LANG_SPANISH, 0, 0},
    {"korean", VT_LANG_KOREAN, 949, 1},
    {"chinese_tw", VT_LANG_CHINESE_TW, 950, 1},
    {"chinese_cn", VT_LANG_CHINESE_CN, 936, 1},
    {"usascii", VT_LANG_CUSTOM, 0, 0},
    {"hebrew", VT_LANG_HEBREW, 28598, 0},
    {"greek", VT_LANG_GREEK, 1253, 0},
    {"turkish", VT_LANG_TURKISH, 1254, 0},
    {"czech", VT_LANG_CZECH, 1250, 0},
    {"polish", VT_LANG_POLISH, 1250, 0},
    {"hungarian", VT_LANG_HUNGARIAN, 1250, 0},
    {"slovenian", VT_LANG_SLOVENIAN, 1250, 0},
    {"portuguese", VT_LANG_PORTUGUESE, 0, 0},
    {"slovak", VT_LANG_SLOVAK, 1250, 0},
};
enum { VT_LANGUAGE_COUNT = sizeof vt_languages / sizeof vt_languages[0] };

constexpr bool vt_languages_indexed_by_code() {
    for (int i = 0; i < VT_LANGUAGE_COUNT; ++i)
        if (vt_languages[i].code != i) return false;
    return true;
}
static_assert(vt_languages_indexed_by_code(), "each language stands at the index of its code");

extern "C" {

/* The row of a language code, or null for a code outside 0 to 20. */
const vt_language* vt_language_of(int code);

}

#endif
