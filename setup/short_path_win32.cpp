/* Short paths from the Win32 file system. */
#include "setup/short_path.h"

#include <windows.h>

namespace vt_setup {

std::string short_path(const std::string& path) {
    char buffer[MAX_PATH];
    DWORD length = GetShortPathNameA(path.c_str(), buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer) return "";
    return std::string(buffer, length);
}

}  // namespace vt_setup
