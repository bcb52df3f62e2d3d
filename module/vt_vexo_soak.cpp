/* The soak module's own translation unit: the add-in's core, linked whole, and the one function
 * that the add-in module does not have, which hands `vthost soak` the memory manager's figures
 * of this module's runtime. */
#include "module/entry.h"
#include "frame/vt_types.h"
#include "memory/figures.h"

#if defined(_WIN32)
#define VT_SOAK_EXPORT __declspec(dllexport)
#else
#define VT_SOAK_EXPORT __attribute__((visibility("default")))
#endif

extern "C" VT_SOAK_EXPORT int VT_CDECL vt_vexo_soak_figures(memory_figures* figures) {
    return memory_figures_read(figures);
}
