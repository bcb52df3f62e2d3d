/* The platform layer: the only place that knows whether it runs on Windows or on POSIX.
 *
 * Every operating-system service the add-in uses goes through the one table `platform`, so that
 * a test can replace any entry (and make it fail) and put it back.  platform_win32.cpp fills it
 * with the Win32 calls, platform_posix.cpp with POSIX equivalents that keep the Win32 contract:
 * the same code page numbers, capacities, default character and last-error numbers. */
#ifndef VT_PLATFORM_H
#define VT_PLATFORM_H

#include <stddef.h>
#include "platform/vt_base.h"

extern "C" {

/* Flags of the code-page services, with their Win32 values. */
enum {
    PLAT_MB_PRECOMPOSED = 0x00000001,
    PLAT_MB_ERR_INVALID_CHARS = 0x00000008,
    PLAT_WC_COMPOSITECHECK = 0x00000200,
    PLAT_WC_DEFAULTCHAR = 0x00000040,
};

/* Last-error numbers the code-page services report, with their Win32 values. */
enum {
    PLAT_ERROR_INVALID_PARAMETER = 87,
    PLAT_ERROR_INSUFFICIENT_BUFFER = 122,
    PLAT_ERROR_INVALID_FLAGS = 1004,
    PLAT_ERROR_NO_UNICODE_TRANSLATION = 1113,
};

/* A moment of local time, as a person reads it. */
struct platform_time {
    int year, month, day;              /* month 1 to 12, day 1 to 31 */
    int hour, minute, second;
};

struct platform_table {
    /* Loader, for the version-stamp walk.  On failure the OS error code is stored in *os_error. */
    void* (*dll_load)(const char* path, int* os_error);
    host_function (*dll_symbol)(void* module, const char* name, int* os_error);
    int (*dll_unload)(void* module, int* os_error);      /* 0 on success */

    /* File attributes: 1 when path names an existing directory (critical-error dialogs off). */
    int (*is_directory)(const char* path);

    /* Fatal stop with ALLOW_CRASH: the non-continuable exception 0xC0000025, or abort(). */
    void (*raise_fatal)(void);

    /* Debug output of a text (OutputDebugStringA; standard error plus a line end on POSIX). */
    void (*debug_output)(const char* text);

    /* Code-page services in the shape of MultiByteToWideChar / WideCharToMultiByte.  Code page 0
     * is the system's default ANSI code page.  A length of -1 includes the terminator.  The
     * result is the number of units written (or needed when the capacity is 0); 0 on failure,
     * with the reason in last_error(). */
    int (*mb_to_wc)(int code_page, unsigned flags, const char* source, int source_length,
                    char16_t* dest, int dest_capacity);
    int (*wc_to_mb)(int code_page, unsigned flags, const char16_t* source, int source_length,
                    char* dest, int dest_capacity);
    int (*is_lead_byte)(int code_page, unsigned char byte);
    int (*last_error)(void);

    /* The C heap beneath the memory manager. */
    void* (*heap_alloc)(size_t size);
    void* (*heap_realloc)(void* area, size_t size);
    void (*heap_free)(void* area);
    size_t (*heap_usable_size)(void* area);

    /* Process environment: sets NAME to VALUE for this process and the libraries it loaded
     * (setenv; _putenv on Windows, where an empty value removes the variable).  0 on success. */
    int (*set_environment)(const char* name, const char* value);

    /* Text of the loader's last failure, for a person (dlerror; the system message of the
     * Win32 error code).  Never null; valid until the next loader call. */
    const char* (*dll_error_text)(int os_error);

    /* The local time now (GetLocalTime; time and localtime_r). */
    void (*local_time)(platform_time* now);

    /* The C run-time library's locale (setlocale): the name of the new locale of the category,
     * or null when the library does not accept the name. */
    const char* (*set_locale)(int category, const char* name);

    /* One double formatted by the C run-time library's snprintf with a single conversion; the
     * run-time libraries differ in the digits of an exponent (two, or three as in "1.5e+007"). */
    int (*format_double)(char* dest, size_t capacity, const char* spec, double value);

    /* The C run-time library's putenv: "NAME=VALUE" into the environment of this process and
     * the programs it starts.  Where the run-time library keeps the text itself (POSIX), it
     * must stay in place as long as the variable does.  0 on success. */
    int (*put_environment)(char* assignment);
};

extern platform_table platform;

/* The separator of the text directories: '\' on Windows, '/' on POSIX. */
extern const char platform_path_separator;

}

#endif
