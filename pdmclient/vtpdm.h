/* The Vantor client library VTProeVEXO: the 32 functions the add-in imports by name, declared
 * from their one list (vtpdm_functions.h).
 *
 * Text arguments are narrow strings: a document key "name.type", the empty key, a command
 * code or "CloseWindow".  The add-in references every one of them, AfterSave included, so a
 * library that lacks any of them keeps the add-in from loading. */
#ifndef VT_PDM_H
#define VT_PDM_H

#include "pdmclient/vtpdm_functions.h"
#include "platform/vt_base.h" /* VT_CDECL: every function is called __cdecl */

#if defined(_WIN32) && defined(VTPDM_BUILDING_LIBRARY)
#define VTPDM_API __declspec(dllexport)
#elif !defined(_WIN32) && defined(VTPDM_BUILDING_LIBRARY)
#define VTPDM_API __attribute__((visibility("default")))
#else
#define VTPDM_API
#endif

/* The same rows with two columns, X(name, takes_text), takes_text 1 for a function with a text
 * argument: for readers of the names alone. */
#define VTPDM_TWO_COLUMNS_(X, name, argument, default_answer) X(name, VTPDM_TAKES_TEXT_##argument)
#define VTPDM_FUNCTIONS(X) VTPDM_FUNCTION_ROWS(VTPDM_TWO_COLUMNS_, X)

extern "C" {

#define VTPDM_DECLARE(name, argument, default_answer) \
    VTPDM_API int VT_CDECL name(VTPDM_PARAMETERS_##argument);
VTPDM_FUNCTION_LIST(VTPDM_DECLARE)
#undef VTPDM_DECLARE

}

#endif
