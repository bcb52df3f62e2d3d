/* The Windows side of soak_os.h: msvcrt's descriptors (the add-in, the client library and vthost
 * share msvcrt.dll, so one redirection reaches all three) and the process memory counters. */
#if defined(_WIN32)

#include "host/soak_os.h"

#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <windows.h>
/* Version 2 names the counters call K32GetProcessMemoryInfo, which kernel32 itself exports. */
#define PSAPI_VERSION 2
#include <psapi.h>

namespace vthost {

uint64_t soak_process_bytes() {
    PROCESS_MEMORY_COUNTERS counters;
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
    return static_cast<uint64_t>(counters.PagefileUsage);
}

const char* soak_process_measure() { return "committed private bytes"; }

bool soak_pipe(int descriptors[2], unsigned capacity) {
    return _pipe(descriptors, capacity, _O_BINARY) == 0;
}

int soak_dup(int descriptor) { return _dup(descriptor); }
int soak_dup2(int from, int to) { return _dup2(from, to); }
int soak_close(int descriptor) { return _close(descriptor); }
long soak_read(int descriptor, void* buffer, unsigned size) { return _read(descriptor, buffer, size); }
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

int soak_run_program(const std::string& program, const std::vector<std::string>& args) {
    std::vector<std::string> words;
    words.push_back(quoted(program));
    for (const std::string& arg : args) words.push_back(quoted(arg));
    std::vector<const char*> argv;
    for (const std::string& word : words) argv.push_back(word.c_str());
    argv.push_back(nullptr);
    intptr_t status = _spawnv(_P_WAIT, program.c_str(), argv.data());
    return status < 0 ? -1 : static_cast<int>(status);
}

void soak_binary(int descriptor) { _setmode(descriptor, _O_BINARY); }
int soak_create_file(const std::string& path) {
    return _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
}

}  // namespace vthost

#endif
