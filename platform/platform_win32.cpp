/* Win32 implementation of the platform layer: the loader, file attributes, the structured
 * exception of the fatal stop, OutputDebugStringA, the code-page services and the C heap with
 * _msize.  Wrapped whole; the POSIX side is platform_posix.cpp. */
#if defined(_WIN32)

#include "platform/platform.h"

#include <locale.h>
#include <malloc.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

namespace {

void* win_dll_load(const char* path, int* os_error) {
    HMODULE module = path != nullptr ? LoadLibraryA(path) : nullptr;
    if (module == nullptr && os_error != nullptr)
        *os_error = path != nullptr ? static_cast<int>(GetLastError()) : ERROR_INVALID_PARAMETER;
    return reinterpret_cast<void*>(module);
}

host_function win_dll_symbol(void* module, const char* name, int* os_error) {
    FARPROC symbol = module != nullptr ? GetProcAddress(static_cast<HMODULE>(module), name) : nullptr;
    if (symbol == nullptr && os_error != nullptr)
        *os_error = module != nullptr ? static_cast<int>(GetLastError()) : ERROR_INVALID_HANDLE;
    return reinterpret_cast<host_function>(reinterpret_cast<void*>(symbol));
}

int win_dll_unload(void* module, int* os_error) {
    if (module != nullptr && FreeLibrary(static_cast<HMODULE>(module))) return 0;
    if (os_error != nullptr) *os_error = module != nullptr ? static_cast<int>(GetLastError()) : ERROR_INVALID_HANDLE;
    return -1;
}

int win_is_directory(const char* path) {
    if (path == nullptr) return 0;
    UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS);
    DWORD attributes = GetFileAttributesA(path);
    SetErrorMode(previous);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void win_raise_fatal(void) {
    RaiseException(0xC0000025, EXCEPTION_NONCONTINUABLE, 0, nullptr);
}

void win_debug_output(const char* text) { OutputDebugStringA(text); }

int win_mb_to_wc(int code_page, unsigned flags, const char* source, int source_length,
                 char16_t* dest, int dest_capacity) {
    return MultiByteToWideChar(static_cast<UINT>(code_page), flags, source, source_length,
                               reinterpret_cast<LPWSTR>(dest), dest_capacity);
}

int win_wc_to_mb(int code_page, unsigned flags, const char16_t* source, int source_length,
                 char* dest, int dest_capacity) {
    return WideCharToMultiByte(static_cast<UINT>(code_page), flags,
                               reinterpret_cast<LPCWSTR>(source), source_length, dest,
                               dest_capacity, nullptr, nullptr);
}

int win_is_lead_byte(int code_page, unsigned char byte) {
    return IsDBCSLeadByteEx(static_cast<UINT>(code_page), byte) ? 1 : 0;
}

int win_last_error(void) { return static_cast<int>(GetLastError()); }

void* win_heap_alloc(size_t size) { return malloc(size); }
void* win_heap_realloc(void* area, size_t size) { return realloc(area, size); }
void win_heap_free(void* area) { free(area); }
size_t win_heap_usable_size(void* area) { return _msize(area); }

const char* win_dll_error_text(int os_error) {
    static char text[512];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                  static_cast<DWORD>(os_error), 0, text, sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' || text[length - 1] == '.'))
        text[--length] = '\0';
    if (length == 0) snprintf(text, sizeof text, "OS error %d", os_error);
    return text;
}

/* _putenv changes the C run-time's copy, which getenv in every module of the process reads;
 * SetEnvironmentVariableA keeps the process block in step for programs started later. */
int win_set_environment(const char* name, const char* value) {
    if (name == nullptr || value == nullptr) return -1;
    size_t name_length = strlen(name), value_length = strlen(value);
    char* entry = static_cast<char*>(malloc(name_length + value_length + 2));
    if (entry == nullptr) return -1;
    memcpy(entry, name, name_length);
    entry[name_length] = '=';
    memcpy(entry + name_length + 1, value, value_length + 1);
    int status = _putenv(entry);
    free(entry);
    SetEnvironmentVariableA(name, *value != '\0' ? value : nullptr);
    return status == 0 ? 0 : -1;
}

void win_local_time(platform_time* now) {
    SYSTEMTIME parts;
    GetLocalTime(&parts);
    now->year = parts.wYear;
    now->month = parts.wMonth;
    now->day = parts.wDay;
    now->hour = parts.wHour;
    now->minute = parts.wMinute;
    now->second = parts.wSecond;
}

const char* win_set_locale(int category, const char* name) { return setlocale(category, name); }

int win_format_double(char* dest, size_t capacity, const char* spec, double value) {
    return snprintf(dest, capacity, spec, value);
}

/* The run-time library copies the text into its own environment. */
int win_put_environment(char* assignment) { return _putenv(assignment); }

} // namespace

extern "C" {

platform_table platform = {
    win_dll_load,     win_dll_symbol,   win_dll_unload,  win_is_directory,
    win_raise_fatal,  win_debug_output,
    win_mb_to_wc,     win_wc_to_mb,     win_is_lead_byte, win_last_error,
    win_heap_alloc,   win_heap_realloc, win_heap_free,   win_heap_usable_size,
    win_set_environment, win_dll_error_text, win_local_time,
    win_set_locale,      win_format_double,   win_put_environment,
};

const char platform_path_separator = '\\';

}

#endif
