/* The add-in module's own translation unit.  Everything the module holds comes from the core
 * library, linked whole; its exports are chosen by the version script (vt_vexo.map) or the
 * module definition file (vt_vexo.def). */
#include "module/entry.h"
