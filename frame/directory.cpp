/* The directory test: the path's attributes through the platform layer, which switches the
 * operating system's critical-error dialogs off for the query. */
#include "frame/directory.h"

#include <string.h>

#include "platform/platform.h"

extern "C" {

int dir_exists(char* path) {
    if (path == nullptr || path[0] == '\0') return 0;
    size_t n = strlen(path);
    if (n > 1 && (path[n - 1] == '\\' || path[n - 1] == '/')) {
        char before = path[n - 2];
        if (before != '\\' && before != '/' && before != ':') path[n - 1] = '\0';
    }
    return platform.is_directory(path) ? 1 : 0;
}

}
