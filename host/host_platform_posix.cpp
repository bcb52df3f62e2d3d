/* The host platform file of POSIX systems (host_platform.h). */
#include "host/host_platform.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/wait.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
/* The sanitizer run-time's own statistics call (its header is not installed with gcc). */
extern "C" size_t __sanitizer_get_current_allocated_bytes(void);
#endif

namespace vthost {

#if defined(__SANITIZE_ADDRESS__)
/* AddressSanitizer holds freed memory back (its quarantine, up to 256 MiB) and maps terabytes of
 * shadow: its allocator's count of the bytes in use is what a leak would raise. */
uint64_t process_bytes() { return __sanitizer_get_current_allocated_bytes(); }
const char* process_measure() { return "heap bytes in use (AddressSanitizer's allocator)"; }
#else
#if __has_include(<valgrind/valgrind.h>)
#include <valgrind/valgrind.h>
#define VTHOST_UNDER_VALGRIND() (RUNNING_ON_VALGRIND != 0)
#else
#define VTHOST_UNDER_VALGRIND() false
#endif
/* Under valgrind the resident set is the tool's (the debug information it keeps of every load
 * of the module among it) and its malloc statistics are empty: nothing is measured there, and
 * memcheck's own leak check stands for the bound. */
uint64_t process_bytes() {
    if (VTHOST_UNDER_VALGRIND()) return 0;
    /* statm: size resident shared text lib data dirty, in pages. */
    FILE* file = fopen("/proc/self/statm", "r");
    if (file == nullptr) return 0;
    unsigned long long fields[6] = {};
    int read = fscanf(file, "%llu %llu %llu %llu %llu %llu", &fields[0], &fields[1], &fields[2], &fields[3],
                      &fields[4], &fields[5]);
    fclose(file);
    if (read != 6) return 0;
    return fields[1] * static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
}
const char* process_measure() {
    return VTHOST_UNDER_VALGRIND() ? "not measured under valgrind" : "resident set";
}
#endif

bool make_pipe(int descriptors[2], unsigned capacity) {
    if (pipe(descriptors) != 0) return false;
#ifdef F_SETPIPE_SZ
    fcntl(descriptors[1], F_SETPIPE_SZ, static_cast<int>(capacity));
#else
    (void)capacity;
#endif
    return true;
}

int fd_dup(int descriptor) { return dup(descriptor); }
int fd_dup2(int from, int to) { return dup2(from, to); }
int fd_close(int descriptor) { return close(descriptor); }
long fd_read(int descriptor, void* buffer, unsigned size) { return static_cast<long>(read(descriptor, buffer, size)); }
void fd_binary(int) {}

int run_program(const std::string& program, const std::vector<std::string>& args) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t child = fork();
    if (child < 0) return -1;
    if (child == 0) {
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
int create_file(const std::string& path) { return open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600); }

FILE* create_new_file(const std::string& path) {
    int descriptor = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
    if (descriptor < 0) return nullptr;
    FILE* file = fdopen(descriptor, "w+b");
    if (file == nullptr) close(descriptor);
    return file;
}
bool file_exists_error() { return errno == EEXIST; }
int process_id() { return static_cast<int>(getpid()); }

const bool modules_are_pe = false;
std::string local_path(const std::string& path) {
    std::string out = path;
    for (char& c : out)
        if (c == '\\') c = '/';
    return out;
}

/* dlopen with RTLD_NOW has bound every symbol already. */
const int unbound_import_error = 0;

std::string first_unbound_import(void*) { return ""; }

}  // namespace vthost
