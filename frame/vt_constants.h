/* The numbers that the add-in, the host and the client library agree on, each with one name:
 * notification types, access states, the command priority, host statuses, start-up statuses,
 * the version arithmetic of the handshake, and the language codes.  The add-in, the host
 * simulator and the tests all use these names. */
#ifndef VT_CONSTANTS_H
#define VT_CONSTANTS_H

/* The host's model notifications the add-in subscribes to (ProNotificationSet types). */
enum vt_notification {
    VT_NOTIFY_BEFORE_SAVE = 1,     /* a model is about to be saved: hook() */
    VT_NOTIFY_REGENERATE = 3,      /* a model was regenerated: hook() */
    VT_NOTIFY_RENAME = 6,          /* a model was renamed: hook(old, new) */
    VT_NOTIFY_COPY = 8,            /* a model was copied: hook(source, copy) */
    VT_NOTIFY_BEFORE_CLOSE = 9,    /* a model is about to be closed: hook() */
    VT_NOTIFY_AFTER_CLOSE = 11,    /* a model was closed: hook(model) */
    VT_NOTIFY_AFTER_OPEN = 19,     /* a model was opened: hook(model) */
    VT_NOTIFY_WINDOW_CHANGED = 24, /* the current window changed: hook() */
};

/* What a command's access function answers. */
enum vt_access {
    VT_ACCESS_UNAVAILABLE = 1,
    VT_ACCESS_AVAILABLE = 3,
};

/* The priority of every command the add-in registers: the host's second "immediate" one. */
enum { VT_COMMAND_PRIORITY = 5 };

/* Statuses the host functions answer with. */
enum vt_host_status {
    VT_HOST_OK = 0,
    VT_HOST_GENERAL_ERROR = -1,    /* also what the gateway gives for a missing host function */
    VT_HOST_BAD_INPUTS = -2,       /* a null or unknown argument, a wrong application handle */
    VT_HOST_NOT_FOUND = -4,        /* no such menu, neighbour, command, file or current model */
    VT_HOST_NAME_IN_USE = -7,      /* a command or menu of that name is already registered */
};

/* What user_initialize_plus answers besides the bridge's own status. */
enum vt_startup_status {
    VT_START_OK = 0,
    VT_START_VERSION_REFUSED = -1, /* the host answered 0 to the frame's version number */
    VT_START_STAMP_TOO_NEW = -96,  /* a version stamp newer than the host, or the module unreadable */
    VT_START_MAJOR_TOO_NEW = -98,  /* the frame's major version is newer than the host's */
};

/* Version numbers: major x VT_VERSION_UNIT + date code, a date code being yyyywwb (year, week
 * 00 to 53, build digit).  The walk over version stamps steps back one week at a time; from
 * week 00 of a year it lands on "week 99" of the year before and goes on from week 52. */
enum {
    VT_VERSION_UNIT = 10000000,
    VT_DATE_CODE_WEEK = 10,          /* one week in a date code */
    VT_DATE_CODE_YEAR = 1000,        /* one year in a date code */
    VT_DATE_CODE_WEEK_99 = 990,      /* year remainder after stepping back from week 00 */
    VT_DATE_CODE_WEEK_52 = 520,      /* year remainder of the last week of a year */
};

/* Language codes.  Names of a language that the locale table does not know give
 * VT_LANG_UNKNOWN; a blank name VT_LANG_BLANK. */
enum vt_language_code {
    VT_LANG_BLANK = -2,
    VT_LANG_UNKNOWN = -1,          /* also the current language before one is chosen */
    VT_LANG_ENGLISH = 0,
    VT_LANG_JAPANESE = 1,
    VT_LANG_FRENCH = 2,
    VT_LANG_GERMAN = 3,
    VT_LANG_RUSSIAN = 4,
    VT_LANG_ITALIAN = 5,
    VT_LANG_CUSTOM_MULTIBYTE = 6,  /* a locale the table lacks, CUSTOM_LOCALE_IS_MULTIBYTE true */
    VT_LANG_SPANISH = 7,
    VT_LANG_KOREAN = 8,
    VT_LANG_CHINESE_TW = 9,
    VT_LANG_CHINESE_CN = 10,
    VT_LANG_CUSTOM = 11,           /* a locale the table lacks, single-byte */
    VT_LANG_HEBREW = 12,
    VT_LANG_GREEK = 13,
    VT_LANG_TURKISH = 14,
    VT_LANG_CZECH = 15,
    VT_LANG_POLISH = 16,
    VT_LANG_HUNGARIAN = 17,
    VT_LANG_SLOVENIAN = 18,
    VT_LANG_PORTUGUESE = 19,
    VT_LANG_SLOVAK = 20,
};

#endif
