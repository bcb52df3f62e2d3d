/* POSIX implementation of the platform layer: dlopen for the loader, stat for directories,
 * abort() for the fatal stop, standard error for the debug output, the C heap with
 * malloc_usable_size.  The code-page services live in codepage_posix.cpp. */
#if !defined(_WIN32)

#include "platform/platform.h"
#include "platform/codepage_posix.h"

#include <dlfcn.h>
#include <errno.h>
#include <locale.h>
#include <malloc.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>

namespace {

/* dlerror() gives text, not a number: errno after the failed call is the nearest OS code, and
 * a failure without one still reports a non-zero code. */
int os_error_code() { return errno != 0 ? errno : ENOENT; }

void* posix_dll_load(const char* path, int* os_error) {
    errno = 0;
    void* module = path != nullptr ? dlopen(path, RTLD_NOW | RTLD_LOCAL) : nullptr;
    if (module == nullptr && os_error != nullptr) *os_error = path != nullptr ? os_error_code() : EINVAL;
    return module;
}

host_function posix_dll_symbol(void* module, const char* name, int* os_error) {
    dlerror();
    void* symbol = module != nullptr ? dlsym(module, name) : nullptr;
    if (symbol == nullptr && os_error != nullptr) *os_error = os_error_code();
    return reinterpret_cast<host_function>(symbol);
}

int posix_dll_unload(void* module, int* os_error) {
    if (module != nullptr && dlclose(module) == 0) return 0;
    if (os_error != nullptr) *os_error = os_error_code();
    return -1;
}

int posix_is_directory(const char* path) {
    struct stat info;
    return path != nullptr && stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

void posix_raise_fatal(void) { abort(); }

void posix_debug_output(const char* text) {
    fputs(text, stderr);
    fputc('\n', stderr);
    fflush(stderr);
}


const char* posix_dll_error_text(int os_error) {
    static char text[512];
    const char* reason = dlerror();
    if (reason != nullptr)
        snprintf(text, sizeof text, "%s", reason);
    else
        snprintf(text, sizeof text, "OS error %d", os_error);
    return text;
}

int posix_set_environment(const char* name, const char* value) {
    if (name == nullptr || value == nullptr) return -1;
    return setenv(name, value, 1) == 0 ? 0 : -1;
}

void posix_local_time(platform_time* now) {
    time_t seconds = time(nullptr);
    struct tm parts;
    memset(&parts, 0, sizeof parts);
    localtime_r(&seconds, &parts);
    now->year = parts.tm_year + 1900;
    now->month = parts.tm_mon + 1;
    now->day = parts.tm_mday;
    now->hour = parts.tm_hour;
    now->minute = parts.tm_min;
    now->second = parts.tm_sec;
}

const char* posix_set_locale(int category, const char* name) { return setlocale(category, name); }

int posix_format_double(char* dest, size_t capacity, const char* spec, double value) {
    return snprintf(dest, capacity, spec, value);
}

int posix_put_environment(char* assignment) { return putenv(assignment); }

} // namespace

extern "C" {

platform_table platform = {
    posix_dll_load,     posix_dll_symbol, posix_dll_unload,  posix_is_directory,
    posix_raise_fatal,  posix_debug_output,
    posix_mb_to_wc,     posix_wc_to_mb,   posix_is_lead_byte, posix_last_error,
    /* The C library's own functions, without a wrapper call between. */
    malloc,             realloc,          free,              malloc_usable_size,
    posix_set_environment, posix_dll_error_text, posix_local_time,
    posix_set_locale,      posix_format_double,   posix_put_environment,
};

const char platform_path_separator = '/';

}

#endif
