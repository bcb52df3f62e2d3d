/* The short (8.3) form of a folder's path, which Windows keeps for names with blanks on volumes
 * that have short names enabled. */
#ifndef VT_SETUP_SHORT_PATH_H
#define VT_SETUP_SHORT_PATH_H

#include <string>

namespace vt_setup {

/* The short form of `path`, or "" where the system gives none (the path does not exist, the
 * volume keeps no short names, or the system has no such names at all). */
std::string short_path(const std::string& path);

}  // namespace vt_setup

#endif
