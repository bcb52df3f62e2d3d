/* Language selection and the locale table.
 *
 * One integer, the current language code, selects every text conversion.  It is -1 until it is
 * set, by the frame from the host's code or, when a conversion comes first, from the environment
 * (PRO_LANG, else LANG).  The file holds that state with the EUC mode flag, the choice from the
 * environment (which also sets the run-time library's locale), the locale table of language
 * names in an xarray, and the properties of each code, read from the one list of languages
 * (text/languages.h): its code page, whether its narrow text is multibyte, whether it is one of
 * the two custom locales. */
#include "text/text.h"

#include <locale.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "frame/report.h"
#include "frame/vt_constants.h"
#include "memory/memory.h"
#include "platform/platform.h"
#include "text/languages.h"
#include "text/text_internal.h"

namespace {

int current_code = VT_LANG_UNKNOWN; /* current language code until one is chosen */
int code_chosen = 0;            /* 1 once any code was set */
int euc_mode = 0;               /* set exactly while the current code is 1 (Japanese) */

locale_row* locale_table = nullptr;     /* xarray of the rows below, built on first use */
int locale_row_count = 0;
const locale_row empty_row = {"", 0};  /* answer for a code no row has */

int custom_locale_read = 0;     /* CUSTOM_LOCALE_IS_MULTIBYTE has been read */
int custom_locale_multibyte = 0;

char lang_export[64];           /* "LANG=<value>", owned by the process environment once put */

/* The rows of the locale table in their order: each language under its own name (alias null)
 * and the other names the environment may give it.  Look-up by code takes the first row, so a
 * language's own name comes before its aliases; "usascii" names three codes, and by name it is
 * English, the first. */
struct locale_entry {
    int code;
    const char* alias;
};

const locale_entry locale_entries[] = {
    {VT_LANG_ENGLISH, nullptr},
    {VT_LANG_ENGLISH, "C"},
    {VT_LANG_JAPANESE, nullptr},
    {VT_LANG_FRENCH, nullptr},
    {VT_LANG_GERMAN, nullptr},
    {VT_LANG_RUSSIAN, nullptr},
    {VT_LANG_RUSSIAN, "ru"},
    {VT_LANG_ITALIAN, nullptr},
    {VT_LANG_SPANISH, nullptr},
    {VT_LANG_CUSTOM_MULTIBYTE, nullptr},
    {VT_LANG_KOREAN, nullptr},
    {VT_LANG_CHINESE_TW, nullptr},
    {VT_LANG_CHINESE_CN, nullptr},
    {VT_LANG_CUSTOM, nullptr},
    {VT_LANG_HEBREW, nullptr},
    {VT_LANG_GREEK, nullptr},
    {VT_LANG_TURKISH, nullptr},
    {VT_LANG_CZECH, nullptr},
    {VT_LANG_POLISH, nullptr},
    {VT_LANG_HUNGARIAN, nullptr},
    {VT_LANG_SLOVENIAN, nullptr},
    {VT_LANG_PORTUGUESE, nullptr},
    {VT_LANG_SLOVAK, nullptr},
    {VT_LANG_CHINESE_TW, "cht"},
    {VT_LANG_CHINESE_TW, "chinese-traditional"},
    {VT_LANG_CHINESE_CN, "chs"},
    {VT_LANG_CHINESE_CN, "chinese-simplified"},
};

int ascii_equal_ignoring_case(const char* a, const char* b) {
    for (; *a != 0 && *b != 0; ++a, ++b)
        if (ascii_lower(*a) != ascii_lower(*b)) return 0;
    return *a == *b;
}

void build_table_if_needed() {
    if (locale_table == nullptr) lang_locale_init();
}

/* The run-time library's locale for every category; 1 when it accepted the name. */
int set_all_categories(const char* name) { return platform.set_locale(LC_ALL, name) != nullptr; }

} // namespace

extern "C" {

int lang_set(int code) {
    int previous = current_code;
    code_chosen = 1;
    current_code = code;
    euc_mode = code == VT_LANG_JAPANESE;
    return previous;
}

int lang_get(void) {
    if (!code_chosen) lang_init_from_env();
    return current_code;
}

int lang_euc_mode(void) { return euc_mode; }

void lang_init_from_env(void) {
    lang_set(VT_LANG_ENGLISH);
    const char* value = lang_env_value();
    if (value != nullptr) {
        int code = lang_code_from_name(value);
        if (code == VT_LANG_UNKNOWN) {
            if (set_all_categories(value)) {
                lang_set(lang_custom_code());
            } else {
                set_all_categories("C");
                lang_set(VT_LANG_ENGLISH);
            }
        } else if (code == VT_LANG_BLANK) {
            set_all_categories("C");
            lang_set(VT_LANG_ENGLISH);
        } else {
            lang_set(code);
            if (!set_all_categories(value)) {
                set_all_categories("C");
                lang_set(VT_LANG_ENGLISH);
            }
        }
    }
    /* Numbers are always written and read with a decimal point. */
    platform.set_locale(LC_NUMERIC, "C");
}

const char* lang_env_value(void) {
    const char* value = getenv("PRO_LANG");
    if (value != nullptr && lang_code_from_name(value) == VT_LANG_BLANK) {
        msg_log_printf("WANRNING: PRO_LANG=%s is an invalid setting.\n", value);
        value = nullptr;
    }
    if (value != nullptr) {
        /* A value too long for the buffer is used but not exported: LANG keeps what it had.
         * Once exported, the value is read from the export buffer: putenv may rebuild the C
         * run-time's environment (the Windows one does), which moves the text getenv gave. */
        if (strlen(value) <= sizeof lang_export - sizeof "LANG=") {
            snprintf(lang_export, sizeof lang_export, "LANG=%s", value);
            platform.put_environment(lang_export);
            value = lang_export + sizeof "LANG=" - 1;
        }
        return value;
    }
    return getenv("LANG");
}

int lang_code_from_name(const char* name) {
    build_table_if_needed();
    if (name == nullptr) return VT_LANG_UNKNOWN;
    const char* rest = name;
    while (*rest != 0 && static_cast<signed char>(*rest) <= 32) ++rest;
    if (*rest == 0) return VT_LANG_BLANK;
    for (int i = 0; i < locale_row_count; ++i)
        if (ascii_equal_ignoring_case(name, locale_table[i].name)) return locale_table[i].code;
    return VT_LANG_UNKNOWN;
}

/* The locale row of a code; a code without one (or a table that could not be built) gives a
 * row with an empty name, never null. */
const locale_row* lang_row_for_code(int code) {
    build_table_if_needed();
    for (int i = 0; i < locale_row_count; ++i)
        if (locale_table[i].code == code) return &locale_table[i];
    return &empty_row;
}

const vt_language* vt_language_of(int code) {
    return code >= 0 && code < VT_LANGUAGE_COUNT ? &vt_languages[code] : nullptr;
}

int lang_code_page(int code) {
    if (code == VT_LANG_UNKNOWN) code = lang_get();
    const vt_language* language = vt_language_of(code);
    return language != nullptr ? language->code_page : 0;
}

int lang_current_code_page(void) { return lang_code_page(lang_get()); }

int lang_is_multibyte(int code) {
    const vt_language* language = vt_language_of(code);
    return language != nullptr ? language->multibyte : 0;
}

int lang_is_custom(int code) { return code == VT_LANG_CUSTOM_MULTIBYTE || code == VT_LANG_CUSTOM; }

int lang_custom_code(void) {
    if (!custom_locale_read) {
        custom_locale_read = 1;
        const char* value = getenv("CUSTOM_LOCALE_IS_MULTIBYTE");
        size_t length = value != nullptr ? strlen(value) : 0;
        if (length >= 1 && length < 32) {
            char lowered[32];
            for (size_t i = 0; i <= length; ++i) lowered[i] = ascii_lower(value[i]);
            custom_locale_multibyte = strcmp(lowered, "true") == 0;
        }
    }
    return custom_locale_multibyte ? VT_LANG_CUSTOM_MULTIBYTE : VT_LANG_CUSTOM;
}

void lang_locale_init(void) {
    if (locale_table != nullptr) {
        msg_log_printf("lang_locale_init: The locale table is already initialized!\n");
        return;
    }
    void* table = XAR_ALLOC(0, sizeof(locale_row), 8);
    if (table == nullptr) {
        dbg_err_warning("lang_locale_init:", "Mem alloc failed for locale_table!");
        return;
    }
    for (const locale_entry& entry : locale_entries) {
        locale_row row = {};
        const char* name = entry.alias != nullptr ? entry.alias : vt_languages[entry.code].name;
        snprintf(row.name, sizeof row.name, "%s", name);
        row.code = entry.code;
        if (XAR_APPEND(&table, 1, &row) == nullptr) break;
    }
    locale_table = static_cast<locale_row*>(table);
    locale_row_count = XAR_COUNT(&table);
}

}
