/* The add-in's entry and exit points and the host handshake: the top layer, which runs the
 * layers below it in their start-up order.
 *
 * user_initialize_plus keeps what the host hands over, checks that the host is new enough for
 * the frame (the version-skew check walks the "i_am_<version>" stamps exported by this very
 * module), installs the host function table, builds the text directories for the host's
 * language, tells the host the frame's version and starts the bridge.  The first non-zero
 * status ends the sequence and goes back to the host. */
#include "module/entry.h"

#include <limits.h>
#include <stdlib.h>
#include <string.h>

#include "bridge/bridge.h"
#include "frame/gateway.h"
#include "frame/report.h"
#include "frame/vt_constants.h"
#include "platform/platform.h"
#include "text/text.h"

namespace {

const int frame_major = 26;
const int frame_date_code = 2004280;
const int fallback_language = VT_LANG_CUSTOM_MULTIBYTE; /* its directory name is "usascii" */

struct startup_record {
    int app_handle;
    int language;
    const char* version;               /* host-owned, as every string here */
    const char* build;
    const char* app_dir;
    const char* module_path;
    const char16_t* module_path_w;
    int host_version;
};

startup_record startup;
int frame_version_number = 0;          /* computed on first use */

const char* const release_names[] = {
    "Illegal External Version", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10",
    "11", "12", "13", "14", "15", "16", "17", "18", "19", "20",
    "2000i", "Illegal External Version", "2000i2", "2001", "Wildfire", "Wildfire 2.0",
};

struct build_code_row {
    const char* date_code;             /* read as a decimal number */
    const char* build_code;
};

const build_code_row build_codes[] = {
    {"2004280", "M040"},       {"2004240", "M030"},       {"2004190", "M020"},
    {"2004150", "M010"},       {"2004110", "F000"},       {"2004090", "Unreleased"},
    {"2004030", "Unreleased"}, {"2004010", "Unreleased"}, {"2003500", "C010"},
    {"2003480", "Unreleased"}, {"2003460", "Unreleased"}, {"2003440", "Unreleased"},
    {"2003420", "Unreleased"}, {"2003400", "C000"},       {"-100000", "Unreleased"},
};
/* The last row is a floor below every date code: a required date older than every listed build
 * (0 among them, the date of a failed major-version check) stops the scan there and takes the
 * build code of the row before it, "C000". */
const int build_code_rows = sizeof build_codes / sizeof build_codes[0];

int frame_version(void) {
    if (frame_version_number == 0) frame_version_number = frame_major * VT_VERSION_UNIT + frame_date_code;
    return frame_version_number;
}

/* The decimal number at the start of a text: leading blanks and a sign allowed, 0 without
 * digits; held within the 32-bit range. */
long long leading_number(const char* text) {
    if (text == nullptr) return 0;
    const char* p = text;
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\f' || *p == '\v') ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    long long value = 0;
    while (*p >= '0' && *p <= '9') {
        if (value <= INT_MAX) value = value * 10 + (*p - '0');
        ++p;
    }
    if (value > INT_MAX) value = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    return negative ? -value : value;
}

/* Release 17 is known by a mark anywhere in its version text, "G-03" or "17.", rather than by
 * a leading number, which its texts need not have; any other text gives its major version by
 * its leading number. */
int host_version_number(const char* version, const char* build) {
    long long major;
    if (version != nullptr && (strstr(version, "G-03") != nullptr || strstr(version, "17.") != nullptr))
        major = 17;
    else
        major = leading_number(version);
    long long number = major * static_cast<long long>(VT_VERSION_UNIT) + leading_number(build);
    if (number > INT_MAX) number = INT_MAX;
    if (number < INT_MIN) number = INT_MIN;
    return static_cast<int>(number);
}

/* Build code of a date code: the row before the first of rows 1 to 14 whose date is below it. */
const char* build_code_for(int date_code) {
    for (int row = 1; row < build_code_rows; ++row)
        if (leading_number(build_codes[row].date_code) < date_code) return build_codes[row - 1].build_code;
    return build_codes[build_code_rows - 1].build_code;
}

/* The two wide strings of a failed check, one after the other in the host's error buffer. */
void write_skew_message(char16_t* error_buffer, int required_date_code) {
    if (error_buffer == nullptr) return;
    int major = frame_version() / VT_VERSION_UNIT;
    const char* code = build_code_for(required_date_code);
    int length;
    if (major < static_cast<int>(sizeof release_names / sizeof release_names[0]))
        length = pro_wstr_format(error_buffer, "%s|%s", release_names[major], code);
    else
        length = pro_wstr_format(error_buffer, "%d|%s", major, code);
    pro_wstr_format(error_buffer + length + 1, "%d", required_date_code);
}

void report_load_failure(const char* module_path, int os_error) {
    if (getenv("PRO_TK_DBG_DLL_LOAD") != nullptr) {
        pro_message("%s: OS error %d while loading '%s'\n\n", "Pro/ENGINEER", os_error, module_path);
    } else {
        dbg_err_warning("dll_load", "OS error %d while loading '%s'", os_error, module_path);
        dbg_err_warning("tk_uinit_VersionSkewCheck", "couldn't open %s for version info\n", module_path);
    }
}

/* Formats a path into a directory buffer.  A path that would not fit is not written and the
 * answer is false, unless cut is set, when it is cut to fit. */
bool format_path(char* dest, bool cut, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const char* text = pro_sprintf(nullptr, format, args);
    va_end(args);
    if (text == nullptr) return false;
    size_t n = strlen(text);
    if (n >= static_cast<size_t>(GATEWAY_DIR_SIZE)) {
        if (!cut) return false;
        n = GATEWAY_DIR_SIZE - 1;
    }
    memcpy(dest, text, n);
    dest[n] = '\0';
    return true;
}

/* Builds "<app>/text/<name>" into the text directory and says whether it is a directory. */
bool language_dir_exists(const char* name) {
    const char sep = platform_path_separator;
    if (name == nullptr || name[0] == '\0') return false;
    char candidate[GATEWAY_DIR_SIZE];
    if (!format_path(candidate, false, "%s%ctext%c%s", startup.app_dir, sep, sep, name)) return false;
    memcpy(text_dir_get(), candidate, strlen(candidate) + 1);
    return dir_exists(text_dir_get()) != 0;
}

}  // namespace

/* The start-up entry takes 14 arguments that the host pushes as 32-bit words; on the 32-bit
 * product an entry point is a 32-bit address. */
#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(&user_initialize_plus) == 4, "entry points are 32-bit addresses");
#endif

extern "C" {

int tk_uinit_VersionSkewCheck(const char* module_path, const char16_t* module_path_w,
                              char16_t* error_buffer) {
    const int frame = frame_version();
    const int host = startup.host_version;
    if (frame <= host) return 0;

    if (frame / VT_VERSION_UNIT > host / VT_VERSION_UNIT) {
        write_skew_message(error_buffer, 0);
        return VT_START_MAJOR_TOO_NEW;
    }

    int os_error = 0;
    /* a null path is a module that cannot be opened: the walk needs the stamps of this module */
    void* module = module_path != nullptr ? platform.dll_load(module_path, &os_error) : nullptr;
    if (module == nullptr) {
        report_load_failure(module_path, os_error);
        write_skew_message(error_buffer, 0);
        return VT_START_STAMP_TOO_NEW;
    }

    int candidate = frame - frame % VT_DATE_CODE_WEEK;
    while (candidate > host) {
        /* week 00 back to week 52 of the year before */
        if (candidate % VT_DATE_CODE_YEAR == VT_DATE_CODE_WEEK_99)
            candidate -= VT_DATE_CODE_WEEK_99 - VT_DATE_CODE_WEEK_52;
        char stamp[32];
        pro_str_format(stamp, "i_am_%09d", candidate);
        int symbol_error = 0;
        if (platform.dll_symbol(module, stamp, &symbol_error) != nullptr) break;
        dbg_err_warning("dll_getfunc", "OS error %d while getting ptr to '%s' in '%ws'", symbol_error,
                        stamp, module_path_w);
        candidate -= VT_DATE_CODE_WEEK;
    }
    int status = 0;
    if (candidate > host) {
        write_skew_message(error_buffer, candidate % VT_VERSION_UNIT);
        status = VT_START_STAMP_TOO_NEW;
    }
    int unload_error = 0;
    if (platform.dll_unload(module, &unload_error) != 0)
        dbg_err_warning("dll_unload", "OS error %d while unloading '%ws'", unload_error, module_path_w);
    return status;
}

void build_text_dirs(int language) {
    const char sep = platform_path_separator;
    const char* app = startup.app_dir;
    lang_set(language);
    const char* name = lang_row_for_code(language)->name;
    if (!language_dir_exists(name)) {
        name = lang_row_for_code(fallback_language)->name;
        if (!language_dir_exists(name)) name = nullptr;
    }
    if (name != nullptr) {
        if (format_path(menus_dir_get(), false, "%s%ctext%c%s%cmenus", app, sep, sep, name, sep) &&
            format_path(resource_dir_get(), false, "%s%ctext%c%s%cresource", app, sep, sep, name, sep))
            return;
        /* the language's sub-directories do not fit their buffers: use the bare ones */
    }
    format_path(menus_dir_get(), true, "%s%ctext%cmenus", app, sep, sep);
    format_path(text_dir_get(), true, "%s%ctext", app, sep);
    format_path(resource_dir_get(), true, "%s%ctext%cresource", app, sep, sep);
}

int user_initialize_plus(int argc, char** argv, const char* version, const char* build, int,
                         char16_t* error_buffer, const char* app_dir, const char16_t* module_path_w,
                         const char* module_path, int app_handle, int,
                         const host_function_pair* table, int table_count, int language) {
    gateway_install_handle(app_handle);
    startup.app_handle = app_handle;
    startup.language = language;
    startup.version = version;
    startup.build = build;
    startup.app_dir = app_dir;
    startup.module_path = module_path;
    startup.module_path_w = module_path_w;
    startup.host_version = host_version_number(version, build);

    int status = tk_uinit_VersionSkewCheck(module_path, module_path_w, error_buffer);
    if (status != 0) return status;

    gateway_install_table(table, table_count);
    build_text_dirs(language);

    if (prodev_pass_version_info(frame_version()) == 0) return VT_START_VERSION_REFUSED;

    char* display_version = nullptr;
    const char* bridge_version = version;
    if (ProEngineerDisplayversionGet(&display_version) == 0) bridge_version = display_version;
    return bridge_initialize(argc, argv, bridge_version, build, error_buffer);
}

int user_terminate_plus(void) { return bridge_terminate(); }

void i_am_262003500(void) {}

}
