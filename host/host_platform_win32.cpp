/* The host platform file of Windows (host_platform.h): msvcrt's descriptors (the add-in, the
 * client library and vthost share msvcrt.dll, so one redirection reaches all three), the process
 * memory counters and the loaded image's imports. */
#include "host/host_platform.h"

#include <errno.h>
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <windows.h>
/* Version 2 names the counters call K32GetProcessMemoryInfo, which kernel32 itself exports. */
#define PSAPI_VERSION 2
#include <psapi.h>

namespace vthost {

uint64_t process_bytes() {
    PROCESS_MEMORY_COUNTERS counters;
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
    return static_cast<uint64_t>(counters.PagefileUsage);
}

const char* process_measure() { return "committed private bytes"; }

bool make_pipe(int descriptors[2], unsigned capacity) {
    return _pipe(descriptors, capacity, _O_BINARY) == 0;
}

int fd_dup(int descriptor) { return _dup(descriptor); }
int fd_dup2(int from, int to) { return _dup2(from, to); }
int fd_close(int descriptor) { return _close(descriptor); }
long fd_read(int descriptor, void* buffer, unsigned size) { return _read(descriptor, buffer, size); }
/* _spawnv joins the arguments into one command line: each is quoted as the C run-time library
 * splits it again (backslashes before a quote doubled, quotes escaped). */
static std::string quoted(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
    std::string out = "\"";
    size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        out.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(2 * backslashes, '\\');
    return out + "\"";
}

int run_program(const std::string& program, const std::vector<std::string>& args) {
    std::vector<std::string> words;
    words.push_back(quoted(program));
    for (const std::string& arg : args) words.push_back(quoted(arg));
    std::vector<const char*> argv;
    for (const std::string& word : words) argv.push_back(word.c_str());
    argv.push_back(nullptr);
    intptr_t status = _spawnv(_P_WAIT, program.c_str(), argv.data());
    return status < 0 ? -1 : static_cast<int>(status);
}

void fd_binary(int descriptor) { _setmode(descriptor, _O_BINARY); }
int create_file(const std::string& path) {
    return _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
}

FILE* create_new_file(const std::string& path) {
    int descriptor = _open(path.c_str(), _O_RDWR | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (descriptor < 0) return nullptr;
    FILE* file = _fdopen(descriptor, "w+b");
    if (file == nullptr) _close(descriptor);
    return file;
}
bool file_exists_error() { return errno == EEXIST; }
int process_id() { return _getpid(); }

const bool modules_are_pe = true;
std::string local_path(const std::string& path) { return path; }

/* A walk through the import directory of the loaded image. */
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
