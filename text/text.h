/* Text and locale runtime: wide/narrow conversion by the current language, language selection
 * and the locale table, the bounded formatter and scanner. */
#ifndef VT_TEXT_H
#define VT_TEXT_H

#include <stdarg.h>

/* wstostr writes at most TEXT_NARROW_PER_UNIT bytes per code unit: a narrow buffer for n units
 * holds n * TEXT_NARROW_PER_UNIT + 1 bytes. */
constexpr int TEXT_NARROW_PER_UNIT = 4;

extern "C" {

/* A row of the locale table: a language name the environment or the text directories use. */
struct locale_row {
    char name[64];            /* language name, zero-terminated */
    int code;                 /* language code */
};

/* Wide and multibyte string conversion */
char16_t* pro_str_to_wstr(char16_t* dest, const char* source);
char*     pro_wstr_to_str(char* dest, const char16_t* source);
char16_t* strtows(char16_t* dest, const char* source);
char*     wstostr(char* dest, const char16_t* source);
int       pro_mbtowc(char16_t* dest, const char* source, int size);
int       pro_wctomb(char* dest, char16_t character);
char16_t* euc_str_to_unicode_str(char16_t* dest, const char* source);
char*     unicode_str_to_euc_str(char* dest, const char16_t* source);
void      jis_to_sjis(unsigned char* c1, unsigned char* c2);
void      sjis_to_jis(unsigned char* c1, unsigned char* c2);

/* Language selection and locale table */
int               lang_set(int code);
int               lang_get(void);
void              lang_init_from_env(void);
const char*       lang_env_value(void);
int               lang_code_from_name(const char* name);
const locale_row* lang_row_for_code(int code);
int               lang_code_page(int code);   /* -1: the current language's */
int               lang_current_code_page(void);
int               lang_is_multibyte(int code);
int               lang_is_custom(int code);
int               lang_custom_code(void);
void              lang_locale_init(void);
int               lang_euc_mode(void);      /* the EUC mode flag: set while the language is 1 */

/* Bounded message formatting */
char* pro_sprintf(char* dest, const char* format, va_list args);
char* pro_str_format(char* dest, const char* format, ...);
int   pro_wstr_format(char16_t* dest, const char* format, ...);
int   pro_scanf(const char* text, int* count, const char* format, va_list args);
int   pro_sscanf(const char* text, const char* format, ...);
int   pro_message(const char* format, ...);

}

#endif
