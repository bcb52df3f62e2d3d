/* vthost: plays the CAD host for the add-in, so that a whole session runs without a CAD
 * licence.  See `vthost --help`. */
#include <stdio.h>

#include <string>
#include <vector>

#include "host/check/check.h"
#include "host/compare.h"
#include "host/registry.h"
#include "host/session.h"
#include "host/soak.h"
#include "vt_version.h"

#if defined(__SANITIZE_ADDRESS__)
/* vthost unloads the add-in at the end of every session, dry start-up and soak run.  The add-in's
 * runtime keeps its memory until the process ends, by design (the locale table, the formatter's
 * buffers); once the module is gone nothing points at it, and the sanitizer's leak check would
 * call it a leak.  Leaks of vthost's sessions are checked by valgrind's memcheck instead, which
 * keeps the module's debug information (tests/reliability). */
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }
#endif

namespace {

const char usage[] =
    "usage: vthost [options] [SCRIPT]   (no SCRIPT or '-': standard input)\n"
    "       vthost check [--lang CODE|NAME ...] [--no-start] [--json] [--as LOCATION] FILE|DIR\n"
    "       vthost soak [--events N] [--seed S] [--languages all|LIST] [--check-every K] ...\n"
    "                          (a long seeded random session, checked as it runs; soak --help)\n"
    "       vthost --version   (alone: print vthost's version and exit)\n"
    "  --registry FILE     load the add-in as the host does from its registry file (protk.dat):\n"
    "                      the module of exec_file, the application directory holding text_dir\n"
    "  --addin PATH        the add-in module (default: the one beside vthost)\n"
    "  --version TEXT      host version text (default 26)\n"
    "  --build TEXT        host build text (default 2004280)\n"
    "  --appdir DIR        application directory (default: the staged app tree)\n"
    "  --lang CODE|NAME    host language (default 0, usascii)\n"
    "  --quiet             print only the client library's lines\n"
    "  --trace FILE        write every host call as a JSON line to FILE\n"
    "  --missing F,...     leave these host functions out of the table\n"
    "  --refuse F,...      make these host functions answer with an error\n"
    "  --compare FILE      replay a session recorded by the add-in (VT_VEXO_RECORD) and check\n"
    "                      that the add-in makes the same client-library calls; exit 1 and\n"
    "                      the first difference when it does not\n"
    "script commands: open NAME.TYPE, activate NAME.TYPE|none, save, close, close-window,\n"
    "  pick BUTTON, menu, copy NAME.TYPE NEW.TYPE, rename NAME.TYPE NEW.TYPE, regenerate,\n"
    "  setenv NAME VALUE, quit; '#' starts a comment; \\xHH in an argument is the byte HH\n";

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    const std::string program = argc > 0 ? argv[0] : "vthost";
    /* Alone, --version asks for vthost's own version; with a value it sets the host's. */
    if (args.size() == 1 && args[0] == "--version") {
        printf("vthost %s (vt-vexo, %d-bit build)\n", VT_VEXO_VERSION, static_cast<int>(sizeof(void*) * 8));
        return 0;
    }
    if (!args.empty() && args[0] == "check")
        return vthost::run_check(std::vector<std::string>(args.begin() + 1, args.end()), program);
    if (!args.empty() && args[0] == "soak")
        return vthost::run_soak(std::vector<std::string>(args.begin() + 1, args.end()), program);
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") {
            fputs(usage, stdout);
            return 0;
        }
    }
    vthost::Options options;
    std::string error, recording;
    if (!vthost::take_compare_option(args, recording, error) || !vthost::parse_options(args, options, error)) {
        fprintf(stderr, "vthost: %s\n%s", error.c_str(), usage);
        return 2;
    }
    if (!options.registry.empty()) {
        if (!options.addin.empty() || !options.app_dir.empty()) {
            fprintf(stderr, "vthost: --registry names the module and the application directory; "
                            "leave out --addin and --appdir\n");
            return 2;
        }
        if (!vthost::addin_from_registry(options.registry, options.addin, options.app_dir, error)) {
            fprintf(stderr, "vthost: cannot load the add-in: %s\n", error.c_str());
            return 1;
        }
    }
    if (!recording.empty()) return vthost::run_compare(options, args, recording, program);
    return vthost::run_session(options, program);
}
