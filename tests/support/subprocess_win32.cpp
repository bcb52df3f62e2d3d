// Child processes on Windows: CreateProcess with a changed environment block, both output
// streams captured through files (no deadlock on full pipes).
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
    if (CreateProcessA(nullptr, &command_line[0], nullptr, nullptr, TRUE, 0, &environment[0],
                       nullptr, &startup, &process)) {
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
    result.out = read_file(out_path);
    result.err = read_file(err_path);
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
