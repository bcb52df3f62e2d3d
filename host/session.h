/* A vthost session: the options, loading the add-in, start-up, running the script's commands
 * against the host and the add-in, and the end of the session. */
#ifndef VTHOST_SESSION_H
#define VTHOST_SESSION_H

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "host/host_model.h"
#include "host/script.h"

namespace vthost {

struct Options {
    std::string addin;              /* empty: the module beside vthost */
    std::string version = "26";
    std::string build = "2004280";
    std::string app_dir;            /* empty: the staged tree of the build */
    std::string registry;           /* the host's registry file naming module and texts; empty: none */
    int language = 0;
    bool quiet = false;
    std::string trace;              /* empty: no trace */
    std::set<std::string> missing;  /* table names */
    std::set<std::string> refused;  /* table names */
    std::string script;             /* empty or "-": standard input */
};

/* The add-in's entry points as the host calls them. */
typedef int(VT_CDECL* initialize_function)(int argc, char** argv, const char* version, const char* build,
                                   int unused5, char16_t* error_buffer, const char* app_dir,
                                   const char16_t* module_path_w, const char* module_path,
                                   int app_handle, int unused11, const host_function_pair* table,
                                   int table_count, int language);
typedef int(VT_CDECL* terminate_function)(void);

/* Reads the command line.  False with a message for a person on a bad option. */
bool parse_options(const std::vector<std::string>& args, Options& options, std::string& error);

/* The menu as the host holds it, one line per item, for `menu`. */
std::string menu_listing(Host& host, const std::string& menu_name);

/* Runs a whole session; returns the process exit status (0, 1 load failure, 2 bad input,
 * 3 start-up refused). `program` is argv[0], used to find the module beside it. */
int run_session(const Options& options, const std::string& program);

/* A session driven one script line at a time (vthost soak), with the host it plays open to the
 * caller.  start loads and starts the add-in as run_session does; run takes one script line and
 * is false, with the message run_session would print, for a bad line or a command the session
 * refuses; end (also at destruction) ends the session as `quit` does. */
class LiveSession {
public:
    explicit LiveSession(const Options& options);
    ~LiveSession();
    LiveSession(const LiveSession&) = delete;
    LiveSession& operator=(const LiveSession&) = delete;
    /* 0, or the exit status run_session gives for the same failure (1 or 3). */
    int start(const std::string& program);
    bool run(const std::string& line, std::string& error);
    void end();
    Host& host();
    /* The loaded add-in module (the platform loader's handle); null before start and after end. */
    void* module() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace vthost

#endif
