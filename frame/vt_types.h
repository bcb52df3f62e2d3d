/* Types shared by the frame, the bridge, the runtime and the host side.
 *
 * Wide text is the host's UTF-16: char16_t units, zero-terminated.  Every operation of the
 * add-in has C linkage; these records are fixed and laid out as the host and callers expect. */
#ifndef VT_TYPES_H
#define VT_TYPES_H

#include <stdint.h>

/* The calling convention of every function that crosses a module boundary: the add-in's
 * exports, the client library's functions, the host functions and the callbacks the add-in
 * hands to the host.  On 32-bit Windows the caller cleans the stack and names stay undecorated
 * (__cdecl), whatever the compiler's default; elsewhere there is only one convention. */
#if defined(_WIN32) && defined(__i386__)
#define VT_CDECL __cdecl
#else
#define VT_CDECL
#endif

extern "C" {

typedef void (VT_CDECL* host_function)(void);
struct host_function_pair {
    host_function function;   /* address of the host function */
    const char* name;         /* its name in the table; pairs are sorted bytewise by name */
};
typedef intptr_t gateway_word; /* one caller word of a generic forwarding entry */

struct model_record {          /* the host's model data; the bridge reads name and type only */
    char16_t name[80];
    char16_t type[4];
    /* further fields belong to the host */
};

typedef int (VT_CDECL* command_action)(int command_id, void* value, void* data);
typedef int (VT_CDECL* command_access)(void);
typedef int (VT_CDECL* command_bracket)(int command_id, void* value, int entering, void* data);
typedef void (VT_CDECL* notify_hook)(void); /* the host calls it in the shape its type has */

struct locale_row {
    char name[64];            /* language name, zero-terminated */
    int code;                 /* language code */
};

struct btree_node {
    btree_node* parent;
    btree_node* left;
    btree_node* right;
    void* item;
    unsigned colour;          /* 1 black, 0 red */
};
struct btree {
    btree_node* root;
    void* node_pool;          /* xarray of pool block records */
};
typedef int (*btree_compare)(const void* a, const void* b);
typedef int (*array_compare)(const void* a, const void* b, void* extra);

}

#endif
