/* The top of the add-in: the exported entry and exit points, the version-skew check and the
 * text directories.  Start-up runs every layer below in its order: the gateway, the version
 * check, the language and the text directories, then the bridge. */
#ifndef VT_ENTRY_H
#define VT_ENTRY_H

#include <stddef.h>

#include "frame/directory.h"
#include "frame/vt_types.h"

extern "C" {

/* The three exports. */
int  VT_CDECL user_initialize_plus(int argc, char** argv, const char* version, const char* build,
                                   int unused5, char16_t* error_buffer, const char* app_dir,
                                   const char16_t* module_path_w, const char* module_path,
                                   int app_handle, int unused11, const host_function_pair* table,
                                   int table_count, int language);
int  VT_CDECL user_terminate_plus(void);
void VT_CDECL i_am_262003500(void);
int  tk_uinit_VersionSkewCheck(const char* module_path, const char16_t* module_path_w,
                               char16_t* error_buffer);
void build_text_dirs(int language);

}

/* The length of the longest directory build_text_dirs makes for a language, APP\text\NAME\resource,
 * from the lengths of the application directory and of the language's name: it must stay below
 * GATEWAY_DIR_SIZE (frame/gateway.h) to fit its buffer with the terminator.  Installers and
 * `vthost check` refuse a folder for which it would not. */
constexpr size_t resource_dir_length(size_t app_dir, size_t language_name) {
    return app_dir + sizeof "\\text\\" - 1 + language_name + sizeof "\\resource" - 1;
}

#endif
