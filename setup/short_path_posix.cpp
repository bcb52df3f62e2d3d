/* POSIX file systems keep no short names. */
#include "setup/short_path.h"

namespace vt_setup {

std::string short_path(const std::string&) { return ""; }

}  // namespace vt_setup
