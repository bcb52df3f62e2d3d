/* Reporters, message log and fatal stop.
 *
 * Reporting is not enabled in this system: the reporters keep their contract (a name, a
 * printf-style format, a result of 0) and do nothing.  The message log is standard output,
 * flushed after every message.  crash() ends the process with status 2, or, with ALLOW_CRASH set,
 * raises the platform's fatal exception for the host's crash handling. */
#include "frame/report.h"

#include <errno.h>
#include <stdarg.h>
#include <stdlib.h>

#include "platform/platform.h"

namespace {
int allow_crash_flag = 0; /* latched once ALLOW_CRASH has been seen */

/* One message of the log onto a stream, flushed at once; the characters written. */
int log_to(FILE* stream, const char* format, va_list args) {
    int written = vfprintf(stream, format, args);
    fflush(stream);
    return written;
}
}

extern "C" {

int dbg_err_crash(const char*, const char*, ...) { return 0; }
int dbg_err_warning(const char*, const char*, ...) { return 0; }
int dbg_err_info(const char*, const char*, ...) { return 0; }
void err_report_fatal(const char*, const char*, ...) {}
void error_break(const char*) {}

int msg_log_printf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    int written = log_to(stdout, format, args);
    va_end(args);
    return written;
}

int msg_log_fprintf(FILE* stream, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int written = log_to(stream, format, args);
    va_end(args);
    return written;
}

int get_auto_traceback_flag(void) {
    if (allow_crash_flag) return allow_crash_flag;
    if (getenv("ALLOW_CRASH") != nullptr) {
        allow_crash_flag = 1;
        msg_log_printf("Allowing Crash: get_auto_traceback_flag()\n");
    }
    return allow_crash_flag;
}

void crash(void) {
    if (get_auto_traceback_flag()) {
        msg_log_printf("Allowing crash: crash()\n");
        platform.raise_fatal();
        abort(); /* the exception is non-continuable; never come back to the caller */
    }
    msg_log_printf("Serious internal error; cannot continue.\n");
    exit_with_status(2);
}

void exit_with_status(int status) {
    const char* expected = getenv("PRO_EXPECTED_EXIT_STATUS");
    if (expected != nullptr && expected[0] != '\0') {
        errno = 0;
        char* end = nullptr;
        long value = strtol(expected, &end, 10);
        if (end == expected) errno = EINVAL; /* no digits: not a reading of a number */
        if (errno == 0) {
            int wanted = static_cast<int>(value);
            if (!(status == 0 && wanted == 0))
                msg_log_printf("Status - expected: %d, actual: %d\n", wanted, status);
            if (status == wanted) status = 0;
        }
    }
    exit(status);
}

}
