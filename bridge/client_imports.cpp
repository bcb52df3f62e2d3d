/* A reference to every function of the client library, AfterSave included although nothing
 * calls it: the add-in module imports all 32 by name, so a library that lacks one keeps the
 * add-in from loading instead of failing later in the middle of a session. */
#include "pdmclient/vtpdm.h"

extern "C" {

#define VT_CLIENT_REFERENCE(name, argument, default_answer) reinterpret_cast<const void*>(&name),
__attribute__((used)) extern const void* const vt_client_imports[] = {
    VTPDM_FUNCTION_LIST(VT_CLIENT_REFERENCE)
};
#undef VT_CLIENT_REFERENCE

}
