// Recording fake of the client library for the programs that link the core library directly:
// the tests, the benchmarks and the fuzz targets.
#ifndef VT_SUPPORT_FAKE_PDM_H
#define VT_SUPPORT_FAKE_PDM_H

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace fake_pdm {

// Every call as "Name" or "Name(argument)", in order.
extern std::vector<std::string> calls;
// Answers by function name; a function not listed gives the default answer of the function
// list (pdmclient/vtpdm_functions.h).
extern std::map<std::string, int> answers;

// With count_only set, a call is only counted in `counted` (reset() zeroes it), not recorded:
// for measurements in which the recording itself would be most of the time.
extern bool count_only;
extern size_t counted;

void reset();

} // namespace fake_pdm

#endif
