// Child processes on Windows: CreateProcess with a changed environment block, both output
// streams captured through files (no deadlock on full pipes).  The C runtime writes standard
// output and standard error in text mode, where every line ends in "\r\n"; the captured texts
// are given back with "\n" line ends, as a person reading the console sees them, so that the
// tests compare the same text on both platforms.  A child that ends through an unhandled
// exception ends at once: no debugger or error box is started for it.
#if defined(_WIN32)

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include "tests/support/child.h"

namespace vt_test {

static std::string quote(const std::string& arg) {
    std::string quoted = "\"";
    for (char c : arg) {
        if (c == '"') quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

static std::string without_carriage_returns(std::string text) {
    std::string lines;
    lines.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) lines += text[i];
    return lines;
}

static std::string read_file(const std::string& path) {
    std::string text;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return text;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
    std::fclose(f);
    return text;
}

// Depth first through the long-path form: FindFirstFileW, DeleteFileW, RemoveDirectoryW.
static bool remove_long_tree(const std::wstring& path) {
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring child = path + L"\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) remove_long_tree(child);
            else DeleteFileW(child.c_str());
        } while (FindNextFileW(search, &entry));
        FindClose(search);
    }
    return RemoveDirectoryW(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND ||
           GetLastError() == ERROR_PATH_NOT_FOUND;
}

bool remove_tree(const std::string& path) {
    wchar_t wide[MAX_PATH], full[MAX_PATH];
    if (MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH) == 0) return false;
    DWORD length = GetFullPathNameW(wide, MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH) return false;
    std::wstring absolute(full, length);
    for (wchar_t& c : absolute)
        if (c == L'/') c = L'\\';
    return remove_long_tree(L"\\\\?\\" + absolute);
}

ChildResult run_program(const std::vector<std::string>& argv, const ChildEnv& env) {
    static int counter = 0;
    char temp_dir[MAX_PATH];
    GetTempPathA(MAX_PATH, temp_dir);
    std::string base = std::string(temp_dir) + "vt_child_" + std::to_string(GetCurrentProcessId()) +
                       "_" + std::to_string(counter++);
    std::string out_path = base + ".out", err_path = base + ".err";

    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileA(out_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    HANDLE err = CreateFileA(err_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);

    // The environment block: the current one with the changes applied, sorted as Windows wants.
    std::map<std::string, std::string> variables;
    char* block = GetEnvironmentStringsA();
    for (char* p = block; *p != '\0'; p += std::strlen(p) + 1) {
        std::string entry(p);
        size_t equals = entry.find('=', 1);
        if (equals != std::string::npos) variables[entry.substr(0, equals)] = entry.substr(equals + 1);
    }
    FreeEnvironmentStringsA(block);
    for (const auto& [name, value] : env) {
        if (value) variables[name] = *value;
        else variables.erase(name);
    }
    std::string environment;
    for (const auto& [name, value] : variables) environment += name + "=" + value + '\0';
    environment += '\0';

    std::string command_line;
    for (const auto& a : argv) command_line += (command_line.empty() ? "" : " ") + quote(a);

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process = {};
    ChildResult result;
    // The error mode is inherited: the child's unhandled exception ends it without a debugger.
    UINT previous_mode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    BOOL started = CreateProcessA(nullptr, &command_line[0], nullptr, nullptr, TRUE, 0,
                                  &environment[0], nullptr, &startup, &process);
    SetErrorMode(previous_mode);
    if (started) {
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
        // Exception codes (0xC0000000 and up) mean the process did not end through exit().
        result.exited = code < 0xC0000000u;
        result.exit_code = static_cast<int>(code);
    }
    CloseHandle(out);
    CloseHandle(err);
    result.out = without_carriage_returns(read_file(out_path));
    result.err = without_carriage_returns(read_file(err_path));
    DeleteFileA(out_path.c_str());
    DeleteFileA(err_path.c_str());
    return result;
}

ChildResult run_child(const std::string& scenario, const ChildEnv& env,
                      const std::vector<std::string>& extra_args) {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::vector<std::string> argv = {path, "--vt-child", scenario};
    argv.insert(argv.end(), extra_args.begin(), extra_args.end());
    return run_program(argv, env);
}

}  // namespace vt_test

#endif
