/* The Windows side of loader_bind.h: a walk through the import directory of the loaded image. */
#if defined(_WIN32)

#include "host/loader_bind.h"

#include <windows.h>

namespace vthost {

const int unbound_import_error = ERROR_PROC_NOT_FOUND;

std::string first_unbound_import(void* module) {
    auto* base = static_cast<const unsigned char*>(module);
    if (base == nullptr) return "";
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0) return "";
    for (auto* import = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
         import->Name != 0; ++import) {
        const char* library = reinterpret_cast<const char*>(base + import->Name);
        HMODULE bound = GetModuleHandleA(library);
        DWORD names = import->OriginalFirstThunk != 0 ? import->OriginalFirstThunk : import->FirstThunk;
        for (auto* thunk = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + names); thunk->u1.AddressOfData != 0;
             ++thunk) {
            if (IMAGE_SNAP_BY_ORDINAL(thunk->u1.Ordinal)) continue;
            auto* by_name = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + thunk->u1.AddressOfData);
            const char* function = reinterpret_cast<const char*>(by_name->Name);
            if (bound == nullptr || GetProcAddress(bound, function) == nullptr)
                return std::string(function) + " in " + library;
        }
    }
    return "";
}

}  // namespace vthost

#endif
