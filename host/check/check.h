/* `vthost check`: checks an installation of the add-in without a CAD session.
 *
 *     vthost check [--lang CODE|NAME ...] [--no-start] [--json] [--as LOCATION] FILE|DIR
 *
 * FILE is the host's registry file; DIR a folder holding it as protk.dat.  The check reads the
 * registry file, the module (of a Windows module also its version resource and whether it is
 * signed) and its imports (the client library above all, with its version), every text folder
 * and its icons, and then, unless --no-start, starts the module against the simulated host with
 * a silent stand-in in place of the client library and looks at the menu it built.  --as names
 * the folder the registry file's paths expect the installation in, when it lies elsewhere for
 * the check (a package unpacked for inspection): paths under LOCATION are looked up under the
 * registry file's folder instead.
 *
 * Every check prints one line, `ok`, `warning` or `FAULT`, its area, the path it concerns and
 * what to do about it; a summary line ends the output.  --json prints the same as JSON lines.
 * Exit status: 0 without a FAULT, 1 with one, 2 for a bad command line. */
#ifndef VTHOST_CHECK_H
#define VTHOST_CHECK_H

#include <string>
#include <vector>

#include "host/check/binary_facts.h"

namespace vthost {

/* One finding of the check. */
struct Finding {
    enum Level { OK, WARNING, FAULT } level = OK;
    std::string area;     /* registry, module, import, text, icon, folder, start */
    std::string path;     /* the file or folder it concerns, with ":LINE" where there is one */
    std::string message;  /* what was found */
    std::string fix;      /* what to do about it; empty for ok lines */
};

/* The text line of a finding, and its JSON line. */
std::string finding_text(const Finding& finding);
std::string finding_json(const Finding& finding);

/* What the check says of a version resource: "version 1.0.0.0 (product vt-vexo 1.0.0, Vantor)". */
std::string version_text(const VersionResource& version);

/* What a client library exporting `exports` lacks: the client functions, then the other names in
 * `needed` (what the module imports from it), that are not exported, each once and in that
 * order, joined with ", "; empty when it lacks none. */
std::string missing_client_functions(const std::vector<std::string>& exports, const std::vector<std::string>& needed);

/* The findings of one message file's text against the keys the menu asks for: the four-line
 * layout, UTF-8, no duplicate key, every key present.  `path` names the file in the findings. */
std::vector<Finding> check_message_text(const std::string& path, const std::string& text,
                                        const std::vector<std::string>& keys);

/* The label and help keys, and the icon files, that the menu asks for. */
const std::vector<std::string>& menu_keys();
const std::vector<std::string>& menu_icon_files();

/* Runs `vthost check` with the arguments after "check"; returns the exit status.  `program` is
 * argv[0], used to find the stand-in client library beside vthost. */
int run_check(const std::vector<std::string>& args, const std::string& program);

}  // namespace vthost

#endif
