/* The host platform: what vthost needs of the operating system beyond the add-in's platform
 * layer (platform/platform.h), and the only host code that differs between Windows and POSIX:
 * host_platform_win32.cpp and host_platform_posix.cpp, one of which each build compiles.  The
 * process's size, the descriptors through which vthost catches what the add-in and the client
 * library write, programs run as children, files created for vthost alone, paths, and the
 * loader's binding of a loaded module. */
#ifndef VTHOST_HOST_PLATFORM_H
#define VTHOST_HOST_PLATFORM_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include <string>
#include <vector>

namespace vthost {

/* The process's size in bytes: its resident set (/proc/self/statm) on Linux, the heap bytes in
 * use under AddressSanitizer, its committed private bytes on Windows; 0 when it cannot be
 * read.  process_measure names which. */
uint64_t process_bytes();
const char* process_measure();

/* A pipe whose writing end can stand in for standard output; false when none can be made.
 * `capacity` asks for that much room where the system lets the caller choose. */
bool make_pipe(int descriptors[2], unsigned capacity);

/* The descriptor calls under their POSIX meaning (read: bytes read, 0 at the end, -1 on an
 * error). */
int fd_dup(int descriptor);
int fd_dup2(int from, int to);
int fd_close(int descriptor);
long fd_read(int descriptor, void* buffer, unsigned size);
/* Makes a descriptor write its bytes as they are (no "\r\n" for "\n" on Windows). */
void fd_binary(int descriptor);
/* Runs a program with arguments (no shell between) and waits for it: its exit status, or -1
 * when it could not be started or did not exit normally.  It inherits the descriptors. */
int run_program(const std::string& program, const std::vector<std::string>& args);
/* Opens a file for writing, created or emptied; -1 on failure. */
int create_file(const std::string& path);

/* Creates a file that did not exist, for reading and writing, that no other process holds;
 * null when it cannot (file_exists_error() then tells whether the name was taken). */
FILE* create_new_file(const std::string& path);
bool file_exists_error();
/* This process's id. */
int process_id();

/* True on Windows, where modules are PE files and a PATH list is separated by ';'. */
extern const bool modules_are_pe;
/* A path as the running system sees it: on POSIX a Windows path's backslashes become slashes. */
std::string local_path(const std::string& path);

/* What the Windows loader checks when it loads a module: every function the module imports by
 * name is exported by the library it names.  Windows refuses a module that imports a missing
 * function (error 127, "The specified procedure could not be found"); Wine instead binds it to a
 * stub that fails only when called.  vthost plays the host on both, so after loading the add-in
 * it makes the same check on the loaded image and refuses the add-in as Windows would.  The
 * dynamic linker of POSIX systems binds every symbol at dlopen (RTLD_NOW): nothing is left to
 * check there.
 * The first import of a loaded module that its library does not export, as "FUNCTION in
 * LIBRARY"; empty when every import is bound. */
std::string first_unbound_import(void* module);
/* The loader's status for such a module (ERROR_PROC_NOT_FOUND on Windows). */
extern const int unbound_import_error;

}  // namespace vthost

#endif
