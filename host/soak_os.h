/* The few operating-system services `vthost soak` needs besides the platform layer: the
 * process's size, and the descriptors through which it catches what the add-in and the client
 * library write to standard output and standard error.  One POSIX and one Windows file. */
#ifndef VTHOST_SOAK_OS_H
#define VTHOST_SOAK_OS_H

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

namespace vthost {

/* The process's size in bytes: its resident set (/proc/self/statm) on Linux, the heap bytes in
 * use under AddressSanitizer, its committed private bytes on Windows; 0 when it cannot be
 * read.  soak_process_measure names which. */
uint64_t soak_process_bytes();
const char* soak_process_measure();

/* A pipe whose writing end can stand in for standard output; false when none can be made.
 * `capacity` asks for that much room where the system lets the caller choose. */
bool soak_pipe(int descriptors[2], unsigned capacity);

/* The descriptor calls under their POSIX meaning (read: bytes read, 0 at the end, -1 on an
 * error). */
int soak_dup(int descriptor);
int soak_dup2(int from, int to);
int soak_close(int descriptor);
long soak_read(int descriptor, void* buffer, unsigned size);
/* Makes a descriptor write its bytes as they are (no "\r\n" for "\n" on Windows). */
void soak_binary(int descriptor);
/* Runs a program with arguments (no shell between) and waits for it: its exit status, or -1
 * when it could not be started or did not exit normally.  It inherits the descriptors. */
int soak_run_program(const std::string& program, const std::vector<std::string>& args);
/* Opens a file for writing, created or emptied; -1 on failure. */
int soak_create_file(const std::string& path);

}  // namespace vthost

#endif
