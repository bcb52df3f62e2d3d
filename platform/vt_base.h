/* The bottom of the add-in: what every layer, the platform layer first, needs to name a function
 * that crosses a module boundary.  It includes nothing of ours.
 *
 * The layers, each of which includes only the ones below it:
 *     platform  <  frame, pdmclient  <  memory  <  text  <  bridge  <  module  <  host
 * (tests/layers.cmake checks the #include lines of every layer against this order). */
#ifndef VT_BASE_H
#define VT_BASE_H

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

/* A function of another module as the loader hands it over, to be cast to its real type. */
typedef void (VT_CDECL* host_function)(void);

}

#endif
