/* What the Windows loader checks when it loads a module: every function the module imports by
 * name is exported by the library it names.  Windows refuses a module that imports a missing
 * function (error 127, "The specified procedure could not be found"); Wine instead binds it to a
 * stub that fails only when called.  vthost plays the host on both, so after loading the add-in
 * it makes the same check on the loaded image and refuses the add-in as Windows would.
 * The dynamic linker of POSIX systems binds every symbol at dlopen (RTLD_NOW): nothing is left
 * to check there. */
#ifndef VTHOST_LOADER_BIND_H
#define VTHOST_LOADER_BIND_H

#include <string>

namespace vthost {

/* The first import of a loaded module that its library does not export, as "FUNCTION in
 * LIBRARY"; empty when every import is bound. */
std::string first_unbound_import(void* module);

/* The loader's status for such a module (ERROR_PROC_NOT_FOUND on Windows). */
extern const int unbound_import_error;

}  // namespace vthost

#endif
