/* `vthost --compare RECORDING`: replays a session recording made by the add-in and checks that
 * the add-in makes the same client-library calls, in the same order, as the recording says it
 * made.  The recording's "# VTProeVEXO: Name("argument") -> answer" comments are the calls
 * expected; the stand-in client library's lines of the replay are the calls made. */
#ifndef VTHOST_COMPARE_H
#define VTHOST_COMPARE_H

#include <string>
#include <vector>

#include "host/session.h"

namespace vthost {

/* One client-library call: its function, its argument as bytes (when it takes one) and the
 * library's answer. */
struct LibraryCall {
    std::string function;
    bool has_argument = false;
    std::string argument;
    int answer = 0;
    int line = 0;          /* where it stands in its file */
    bool startup = false;  /* made before the first script command (recordings only) */
};

/* A stand-in line "Name("argument") -> N", with or without a note after it, or a recording's
 * comment text of the same form with the argument's bytes written \xHH.  False when the text
 * is not such a call. */
bool parse_library_call(const std::string& text, bool escaped, LibraryCall& call);

/* The calls a recording holds, and the host it was made in (left as they are when the header
 * does not say). */
struct Recording {
    std::vector<LibraryCall> calls;
    std::string version, build;
    int language = -1;
};
Recording read_recording(const std::string& contents);

/* The calls of a transcript: every stand-in line. */
std::vector<LibraryCall> transcript_calls(const std::string& contents);

/* Compares the recorded calls with the replayed ones: name and argument of every call, and the
 * answer of every call after start-up (start-up's answers come before a script can set them).
 * Empty when they agree, else the first difference for a person. */
std::string first_difference(const std::vector<LibraryCall>& recorded, const std::vector<LibraryCall>& replayed);

/* Takes "--compare FILE" out of the arguments.  False with a message when it lacks its file. */
bool take_compare_option(std::vector<std::string>& args, std::string& recording, std::string& error);

/* Replays the recording under `options` (its header's language, version and build unless the
 * arguments gave them) and prints the outcome: 0 the same calls, 1 a difference, or the
 * session's own status when the replay could not run. */
int run_compare(Options options, const std::vector<std::string>& args, const std::string& recording,
                const std::string& program);

}  // namespace vthost

#endif
