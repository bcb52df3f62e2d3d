// The add-in in one process, as the host drives it: start-up through user_initialize_plus against
// vthost's host model and the recording client fake, then a working session.  Used by the
// fault-injection scenarios, which run in child processes (the gateway caches what it finds).
#ifndef VT_TEST_ADDIN_SESSION_H
#define VT_TEST_ADDIN_SESSION_H

#include <string>
#include <vector>

#include "frame/vt_types.h"

namespace addin_session {

// user_initialize_plus with the host's version "26", build "2004280" (new enough for the frame,
// so the module is not opened), the test application tree and the given table and language.
int start(const host_function_pair* table, int count, int language = 0);

// A working session through the host's side: every event type with plain, non-ASCII and
// unterminated model names, a save with and without a current model, the bracketed window close,
// every registered command and access function, then the text work below.
void work();

// Formatting and conversions of names in several languages; leaves the language as it found it.
void text_work();

// The host functions called so far, by name without the "_v" of the table ("ProCmdIconSet").
std::vector<std::string> called_functions();

std::string joined(const std::vector<std::string>& parts, const char* separator = "|");

}  // namespace addin_session

#endif
