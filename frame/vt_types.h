/* The host-facing records and callback types, shared by the frame, the bridge and the host side.
 *
 * Wide text is the host's UTF-16: char16_t units, zero-terminated.  Every operation of the
 * add-in has C linkage; these records are fixed and laid out as the host and callers expect.
 * The locale row belongs to text/text.h, the tree records to memory/memory.h. */
#ifndef VT_TYPES_H
#define VT_TYPES_H

#include <stdint.h>

#include "platform/vt_base.h"   /* VT_CDECL, host_function */

extern "C" {

struct host_function_pair {
    host_function function;   /* address of the host function */
    const char* name;         /* its name in the table; pairs are sorted bytewise by name */
};
typedef intptr_t gateway_word; /* one caller word of a generic forwarding entry */

/* Code units of the two fields of a model record the bridge reads. */
enum { MODEL_NAME_UNITS = 80, MODEL_TYPE_UNITS = 4 };

struct model_record {          /* the host's model data; the bridge reads name and type only */
    char16_t name[MODEL_NAME_UNITS];
    char16_t type[MODEL_TYPE_UNITS];
    /* further fields belong to the host */
};

typedef int (VT_CDECL* command_action)(int command_id, void* value, void* data);
typedef int (VT_CDECL* command_access)(void);
typedef int (VT_CDECL* command_bracket)(int command_id, void* value, int entering, void* data);
typedef void (VT_CDECL* notify_hook)(void); /* the host calls it in the shape its type has */

}

#endif
