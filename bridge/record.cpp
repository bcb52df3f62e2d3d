/* The session recorder.
 *
 * The file is a vthost session script.  A header of comments gives the date, the host's
 * version, build and language and the add-in's version, then the start-up calls of the client
 * library; after it, each host action becomes one entry, written and flushed as soon as the
 * action is complete:
 *
 *     setenv VTPDM_ANSWERS BeforeSave=0           only when an answer differs from the last
 *     save                                        the script command that causes the events
 *     # VTProeVEXO: BeforeSave("PUMP.PRT") -> 0   each library call with its answer
 *
 * Some actions raise more than one event (open: 19 then 24; close: 9 then 11; the window close:
 * bracket, 24, bracket), so an entry stays pending until the action's last event, or until any
 * other event shows that the action is over.  The setenv line makes the stand-in client library
 * answer as the recorded one did: it lists every function whose answer differs from the
 * stand-in's default (the function list's, pdmclient/vtpdm_functions.h).
 *
 * Names are written in UTF-8, converted straight from the host's UTF-16 whatever the language;
 * what a script line cannot hold (blanks, control characters, '#', '\') is written \xHH, which
 * vthost's script reader turns back.  A library call's argument is written as the bytes the
 * library received, in the language's encoding, with every byte outside printable ASCII (and
 * '"' and '\') written \xHH.  No line is longer than RECORD_LINE_MAX.
 *
 * A file that cannot be opened or written ends the recording with one line in the message log;
 * the session goes on untouched. */
#include "bridge/record.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "bridge/bridge.h"
#include "frame/report.h"
#include "frame/vt_constants.h"
#include "pdmclient/vtpdm.h"
#include "platform/platform.h"
#include "text/text.h"
#include "text/utf8.h"
#include "vt_version.h"

namespace {

enum {
    ESCAPED_PER_UNIT = 4,      /* \xHH, or at most 3 UTF-8 bytes (4 for a surrogate pair of 2) */
    KEY_TEXT_MAX = (MODEL_NAME_UNITS + MODEL_TYPE_UNITS) * ESCAPED_PER_UNIT + 1,
    ARGUMENT_MAX = BRIDGE_KEY_SIZE - 1,
    HOST_TEXT_MAX = 64,        /* version and build texts are cut beyond this */
    CALLS_MAX = 4,             /* the window close makes three calls, no action more */
    INT_TEXT_MAX = 11,
    PATH_SHOWN_MAX = 200,
};

/* The client library's functions with the stand-in's default answers. */
struct library_function {
    const char* name;
    int default_answer;
};
#define VT_RECORD_FUNCTION(name, argument, default_answer) {#name, default_answer},
constexpr library_function functions_template[] = {VTPDM_FUNCTION_LIST(VT_RECORD_FUNCTION)};
#undef VT_RECORD_FUNCTION
enum { FUNCTION_COUNT = sizeof functions_template / sizeof functions_template[0] };

int default_answer(int index) { return functions_template[index].default_answer; }

/* The longest function name of the list. */
constexpr int longest_function_name() {
    int longest = 0;
    for (const library_function& function : functions_template) {
        int length = 0;
        while (function.name[length] != 0) ++length;
        if (length > longest) longest = length;
    }
    return longest;
}
enum { FUNCTION_NAME_MAX = longest_function_name() };

/* The longest lines: a rename with two whole keys, a call with a whole escaped argument, the
 * answers of all 32 functions. */
static_assert(sizeof "rename " + 2 * KEY_TEXT_MAX <= RECORD_LINE_MAX, "command line bound");
static_assert(sizeof "# VTProeVEXO: " + FUNCTION_NAME_MAX + ARGUMENT_MAX * 4 + sizeof "(\"\") -> " +
                  INT_TEXT_MAX <= RECORD_LINE_MAX, "call line bound");
static_assert(sizeof "setenv VTPDM_ANSWERS " + FUNCTION_COUNT * (FUNCTION_NAME_MAX + 2 + INT_TEXT_MAX) <= RECORD_LINE_MAX,
              "answers line bound");

int function_index(const char* name) {
    for (int i = 0; i < FUNCTION_COUNT; i++)
        if (strcmp(functions_template[i].name, name) == 0) return i;
    return -1;
}

/* One line in the making; appends past the end are dropped and marked. */
struct line_buffer {
    char text[RECORD_LINE_MAX + 1];
    int length;
};

void line_start(line_buffer* line) {
    line->length = 0;
    line->text[0] = 0;
}

void append_bytes(line_buffer* line, const char* bytes, int count) {
    if (count > RECORD_LINE_MAX - line->length) count = RECORD_LINE_MAX - line->length;
    memcpy(line->text + line->length, bytes, count);
    line->length += count;
    line->text[line->length] = 0;
}

void append_text(line_buffer* line, const char* text) { append_bytes(line, text, (int)strlen(text)); }

void append_hex_byte(line_buffer* line, unsigned byte) {
    static const char digits[] = "0123456789ABCDEF";
    char escape[4] = {'\\', 'x', digits[(byte >> 4) & 15], digits[byte & 15]};
    append_bytes(line, escape, 4);
}

void append_int(line_buffer* line, int value) {
    char digits[INT_TEXT_MAX + 1];
    snprintf(digits, sizeof digits, "%d", value);
    append_text(line, digits);
}

/* Bytes as a call's argument or a header text: printable ASCII as it is, any other byte, '"'
 * and '\' as \xHH.  At most `limit` bytes of `text` are read. */
void append_escaped_bytes(line_buffer* line, const char* text, int limit) {
    for (int i = 0; i < limit && text[i] != 0; i++) {
        unsigned char byte = (unsigned char)text[i];
        if (byte < 0x20 || byte >= 0x7F || byte == '"' || byte == '\\')
            append_hex_byte(line, byte);
        else
            append_bytes(line, &text[i], 1);
    }
}

/* At most `units` code units of a host field (not necessarily terminated) as script text in
 * UTF-8; a lone surrogate, which UTF-8 cannot hold, becomes U+FFFD.  What a script line cannot
 * hold as it is (blanks, control characters, '#', '\') is written \xHH. */
void append_script_text(line_buffer* line, const char16_t* field, int units) {
    for (int i = 0; i < units && field[i] != 0;) {
        char32_t code;
        i += utf16_decode(field + i, static_cast<size_t>(units - i), &code);
        if (code <= 0x20 || code == 0x7F || code == '#' || code == '\\') {
            append_hex_byte(line, (unsigned)code);
            continue;
        }
        char utf8[4];
        append_bytes(line, utf8, utf8_encode(code, utf8));
    }
}

/* A model as the script names it: NAME.TYPE. */
void append_model(line_buffer* line, const model_record* model) {
    append_script_text(line, model->name, MODEL_NAME_UNITS);
    append_text(line, ".");
    append_script_text(line, model->type, MODEL_TYPE_UNITS);
}

struct recorded_call {
    int function;                       /* index into the function table */
    int has_argument;
    char argument[ARGUMENT_MAX + 1];
    int answer;
};

/* What the pending entry waits for to be complete. */
enum pending_state { IDLE, AFTER_OPENED, AFTER_CLOSING, IN_WINDOW_CLOSE };

struct recorder {
    FILE* file;
    char path[PATH_SHOWN_MAX + 1];      /* for the message log only */
    pending_state state;
    line_buffer command;                /* the entry's script line; empty for calls alone */
    recorded_call calls[CALLS_MAX];
    int call_count;
    int in_effect[FUNCTION_COUNT];      /* the answers the replay's stand-in gives at this point */
    line_buffer line;                   /* the line being written */
};

recorder rec;

void stop_recording(const char* reason) {
    if (rec.file != nullptr) fclose(rec.file);
    rec.file = nullptr;
    record_active = 0;
    rec.state = IDLE;
    msg_log_printf("vt_vexo: %s the recording file %s; recording stopped\n", reason, rec.path);
}

/* Writes one line and its line end; a failed write stops the recording. */
void write_line(const line_buffer* line) {
    if (rec.file == nullptr) return;
    if (fputs(line->text, rec.file) < 0 || fputc('\n', rec.file) == EOF) stop_recording("cannot write");
}

void flush_file(void) {
    if (rec.file == nullptr) return;
    if (fflush(rec.file) != 0 || ferror(rec.file)) stop_recording("cannot write");
}

void write_call(const recorded_call* call) {
    line_buffer* line = &rec.line;
    line_start(line);
    append_text(line, "# VTProeVEXO: ");
    append_text(line, functions_template[call->function].name);
    append_text(line, "(");
    if (call->has_argument) {
        append_text(line, "\"");
        append_escaped_bytes(line, call->argument, ARGUMENT_MAX);
        append_text(line, "\"");
    }
    append_text(line, ") -> ");
    append_int(line, call->answer);
    write_line(line);
}

/* The setenv line, when one of the entry's answers differs from what the replay gives now.  The
 * first call of a function in an entry decides its answer. */
void write_answers(void) {
    int changed = 0;
    int seen[FUNCTION_COUNT] = {0};
    for (int i = 0; i < rec.call_count; i++) {
        const recorded_call* call = &rec.calls[i];
        if (seen[call->function]) continue;
        seen[call->function] = 1;
        if (rec.in_effect[call->function] != call->answer) {
            rec.in_effect[call->function] = call->answer;
            changed = 1;
        }
    }
    if (!changed) return;
    line_buffer* line = &rec.line;
    line_start(line);
    append_text(line, "setenv VTPDM_ANSWERS");
    const char* separator = " ";
    for (int i = 0; i < FUNCTION_COUNT; i++) {
        if (rec.in_effect[i] == default_answer(i)) continue;
        append_text(line, separator);
        append_text(line, functions_template[i].name);
        append_text(line, "=");
        append_int(line, rec.in_effect[i]);
        separator = ",";
    }
    write_line(line);
}

/* Writes the pending entry, if any, and flushes it. */
void finish_entry(void) {
    if (rec.file == nullptr || (rec.command.length == 0 && rec.call_count == 0)) {
        rec.state = IDLE;
        return;
    }
    write_answers();
    if (rec.command.length > 0) write_line(&rec.command);
    for (int i = 0; i < rec.call_count; i++) write_call(&rec.calls[i]);
    flush_file();
    line_start(&rec.command);
    rec.call_count = 0;
    rec.state = IDLE;
}

/* Ends what is pending and starts an entry with a script command. */
line_buffer* start_entry(const char* command) {
    finish_entry();
    line_start(&rec.command);
    append_text(&rec.command, command);
    return &rec.command;
}

void add_call(const char* function, const char* argument, int answer) {
    if (function == nullptr || rec.call_count >= CALLS_MAX) return;
    int index = function_index(function);
    if (index < 0) return;
    recorded_call* call = &rec.calls[rec.call_count++];
    call->function = index;
    call->answer = answer;
    call->has_argument = argument != nullptr;
    call->argument[0] = 0;
    if (argument != nullptr) {
        size_t length = strnlen(argument, ARGUMENT_MAX);
        memcpy(call->argument, argument, length);
        call->argument[length] = 0;
    }
}

void write_header(const char* version, const char* build) {
    platform_time now;
    memset(&now, 0, sizeof now);
    platform.local_time(&now);
    line_buffer* line = &rec.line;
    char date[64];
    snprintf(date, sizeof date, "%04d-%02d-%02d %02d:%02d:%02d", now.year, now.month, now.day, now.hour,
             now.minute, now.second);
    line_start(line);
    append_text(line, "# vt-vexo session recording, ");
    append_text(line, date);
    write_line(line);

    int language = lang_get();
    const locale_row* row = lang_row_for_code(language);
    line_start(line);
    append_text(line, "# host version \"");
    append_escaped_bytes(line, version != nullptr ? version : "", HOST_TEXT_MAX);
    append_text(line, "\", build \"");
    append_escaped_bytes(line, build != nullptr ? build : "", HOST_TEXT_MAX);
    append_text(line, "\", language ");
    append_int(line, language);
    if (row->name[0] != 0) {
        append_text(line, " (");
        append_escaped_bytes(line, row->name, (int)sizeof row->name);
        append_text(line, ")");
    }
    write_line(line);

    line_start(line);
    append_text(line, "# add-in vt-vexo " VT_VEXO_VERSION);
    write_line(line);
    line_start(line);
    append_text(line, "# replay: vthost --lang ");
    append_int(line, language);
    append_text(line, " FILE; vthost --compare FILE checks the client library's calls");
    write_line(line);
    flush_file();
}

/* The model copied and renamed notifications, subscribed while recording. */
int record_pair(const char* command, model_record* first, model_record* second) {
    line_buffer* line = start_entry(command);
    if (first != nullptr && second != nullptr) {
        append_text(line, " ");
        append_model(line, first);
        append_text(line, " ");
        append_model(line, second);
    } else {
        line_start(line);
        append_text(line, "# ");
        append_text(line, command);
        append_text(line, " without its two models");
    }
    finish_entry();
    return VTNotifyIgnorePair(first, second);
}

int VTRecordCopy(model_record* first, model_record* second) { return record_pair("copy", first, second); }
int VTRecordRename(model_record* first, model_record* second) { return record_pair("rename", first, second); }

} // namespace

extern "C" {

int record_active = 0;

void record_begin(const char* version, const char* build) {
    if (rec.file != nullptr) record_end(0);
    const char* path = getenv("VT_VEXO_RECORD");
    if (path == nullptr || path[0] == 0) return;
    memset(&rec, 0, sizeof rec);
    snprintf(rec.path, sizeof rec.path, "%s", path);
    for (int i = 0; i < FUNCTION_COUNT; i++) rec.in_effect[i] = default_answer(i);
    rec.file = fopen(path, "ab");
    if (rec.file == nullptr) {
        msg_log_printf("vt_vexo: cannot open the recording file %s; recording is off\n", rec.path);
        return;
    }
    record_active = 1;
    write_header(version, build);
}

void record_startup(int before_init, int start, int after_init) {
    if (!record_active) return;
    add_call("BeforeInit", nullptr, before_init);
    add_call("Start", nullptr, start);
    add_call("AfterInit", nullptr, after_init);
    /* Start-up answers come before any script line: they are kept as comments only, and the
     * replay starts from the stand-in's defaults. */
    for (int i = 0; i < rec.call_count; i++) write_call(&rec.calls[i]);
    rec.call_count = 0;
    line_start(&rec.line);
    append_text(&rec.line, "setenv VTPDM_ANSWERS");
    write_line(&rec.line);
    flush_file();
}

void record_hook(record_event event, const model_record* model, const char* function,
                 const char* argument, int answer) {
    if (!record_active) return;
    switch (event) {
    case RECORD_OPENED: {
        line_buffer* line = start_entry("open ");
        if (model != nullptr) append_model(line, model);
        add_call(function, argument, answer);
        rec.state = AFTER_OPENED;
        return;
    }
    case RECORD_SWITCHED:
        if (rec.state == AFTER_OPENED || rec.state == IN_WINDOW_CLOSE) {
            add_call(function, argument, answer);
            if (rec.state == AFTER_OPENED) finish_entry();
            return;
        }
        if (model != nullptr)
            append_model(start_entry("activate "), model);
        else if (function != nullptr)
            start_entry("activate none");
        else
            start_entry("# the current window changed; its model could not be read");
        break;
    case RECORD_SAVING:
        start_entry("save");
        break;
    case RECORD_REGENERATED:
        start_entry("regenerate");
        break;
    case RECORD_CLOSING:
        start_entry("close");
        add_call(function, argument, answer);
        rec.state = AFTER_CLOSING;
        return;
    case RECORD_CLOSED:
        if (rec.state != AFTER_CLOSING) {
            line_buffer* line = start_entry("# the host closed ");
            if (model != nullptr) append_model(line, model);
            append_text(line, " without the notice before");
        }
        break;
    }
    add_call(function, argument, answer);
    finish_entry();
}

void record_command(command_action handler, const char* function, const char* argument, int answer) {
    if (!record_active) return;
    const char* button = bridge_button_of(handler);
    line_buffer* line = start_entry(button != nullptr ? "pick " : "# a command without a button");
    if (button != nullptr) append_text(line, button);
    add_call(function, argument, answer);
    finish_entry();
}

void record_bracket(int entering, int answer) {
    if (!record_active) return;
    if (entering) {
        start_entry("close-window");
        rec.state = IN_WINDOW_CLOSE;
    } else if (rec.state != IN_WINDOW_CLOSE) {
        finish_entry();
    }
    add_call("SwitchDocument", "CloseWindow", answer);
    if (!entering) finish_entry();
}

void record_end(int stop_answer) {
    if (!record_active) return;
    start_entry("quit");
    add_call("Stop", nullptr, stop_answer);
    finish_entry();
    if (rec.file != nullptr) fclose(rec.file);
    rec.file = nullptr;
    record_active = 0;
}

notify_hook record_subscription(int type, notify_hook hook) {
    if (!record_active) return hook;
    if (type == VT_NOTIFY_COPY) return reinterpret_cast<notify_hook>(VTRecordCopy);
    if (type == VT_NOTIFY_RENAME) return reinterpret_cast<notify_hook>(VTRecordRename);
    return hook;
}

}
