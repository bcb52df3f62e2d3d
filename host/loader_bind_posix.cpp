/* The POSIX side of loader_bind.h: dlopen with RTLD_NOW has bound every symbol already. */
#if !defined(_WIN32)

#include "host/loader_bind.h"

namespace vthost {

const int unbound_import_error = 0;

std::string first_unbound_import(void*) { return ""; }

}  // namespace vthost

#endif
