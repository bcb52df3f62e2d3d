/* Serious-error reporters, the message log and the fatal stop.
 *
 * The reporters are inert in this system: they return at once and write nothing.  The message
 * log writes to standard output (or a caller's stream) and flushes after every message.  The
 * only stop is crash(). */
#ifndef VT_REPORT_H
#define VT_REPORT_H

#include <stdio.h>

extern "C" {

int  dbg_err_crash(const char* name, const char* format, ...);
int  dbg_err_warning(const char* name, const char* format, ...);
int  dbg_err_info(const char* name, const char* format, ...);
void err_report_fatal(const char* name, const char* format, ...);
void error_break(const char* message);

int  msg_log_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
int  msg_log_fprintf(FILE* stream, const char* format, ...) __attribute__((format(printf, 2, 3)));

[[noreturn]] void crash(void);
int  get_auto_traceback_flag(void);
[[noreturn]] void exit_with_status(int status);

}

#endif
