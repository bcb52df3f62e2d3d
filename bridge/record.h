/* Recording a session for support: when VT_VEXO_RECORD names a file at start-up, the bridge
 * appends to it, event by event, the vthost session script that causes the same events, with
 * the client library's answer to each call (see record.cpp for the file's form).
 *
 * The hooks, handlers and the bracket test record_active once, after their work, and hand the
 * recorder what they did: the event, the model it concerns, the library call and its answer.
 * Recording never changes what they answer the host. */
#ifndef VT_BRIDGE_RECORD_H
#define VT_BRIDGE_RECORD_H

#include "frame/vt_types.h"

extern "C" {

/* 1 while a recording is being written, else 0. */
extern int record_active;

enum record_event {
    RECORD_OPENED,        /* type 19, the opened model */
    RECORD_SAVING,        /* type 1 */
    RECORD_REGENERATED,   /* type 3 */
    RECORD_CLOSING,       /* type 9 */
    RECORD_CLOSED,        /* type 11, the closed model */
    RECORD_SWITCHED,      /* type 24, the current model or none */
};

/* The longest line the recorder writes, line end excluded. */
enum { RECORD_LINE_MAX = 1200 };

/* Start-up: opens the file VT_VEXO_RECORD names (appending) and writes the header; the
 * version and build are the host's.  A file that cannot be opened leaves one line in the
 * message log and recording off. */
void record_begin(const char* version, const char* build);

/* The answers of the client library's three start-up calls, once start-up has made them. */
void record_startup(int before_init, int start, int after_init);

/* A model event.  `model` is the model the event concerns (null: none, or unreadable);
 * `function` the library function called (null: none) with `argument` and its `answer`. */
void record_hook(record_event event, const model_record* model, const char* function,
                 const char* argument, int answer);

/* A menu command: the handler that ran, the library function it called (null for none), its
 * argument (null for none) and answer. */
void record_command(command_action handler, const char* function, const char* argument, int answer);

/* The asynchronous window close's bracket, entering or leaving, and the library's answer to
 * SwitchDocument("CloseWindow"). */
void record_bracket(int entering, int answer);

/* The end of the session: Stop's answer; writes `quit` and closes the file. */
void record_end(int stop_answer);

/* The hook to subscribe for a notification type: with recording on, the model copied (8) and
 * renamed (6) notifications get hooks of their own, which record and then do what `hook` does;
 * every other type keeps `hook`. */
notify_hook record_subscription(int type, notify_hook hook);

/* The menu button that runs a handler, for `pick BUTTON`; null when no button runs it. */
const char* bridge_button_of(command_action handler);

}

#endif
