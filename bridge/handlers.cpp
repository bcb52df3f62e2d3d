/* Command handlers: each menu command is a one-step forwarder to the client library.
 *
 * Three families, one line per handler:
 *   STATUS - calls one library function and returns its result unchanged;
 *   PLAIN  - calls one library function and returns 0 whatever it answered;
 *   CODE   - writes the command code to the debug output, passes it to CmdExec, returns 0.
 * VTCmdNone, bound to the separators, calls nothing.  Each tests record_active once. */
#include "bridge/bridge.h"
#include "bridge/record.h"
#include "pdmclient/vtpdm.h"
#include "platform/platform.h"

#define STATUS(handler, library)                                                   \
    int handler(int, void*, void*) {                                               \
        if (record_active) return recorded_library(handler, library, #library);    \
        return library();                                                          \
    }
#define PLAIN(handler, library)                                                    \
    int handler(int, void*, void*) {                                               \
        if (record_active) recorded_library(handler, library, #library);           \
        else library();                                                            \
        return 0;                                                                  \
    }
#define CODE(handler, command_code) \
    int handler(int, void*, void*) { return run_command_code(handler, command_code); }

namespace {

/* While recording: calls the library function, notes the command, hands back the answer.  The
 * handlers test the flag before the call, so that without a recording the call stays their
 * last step. */
__attribute__((noinline)) int recorded_library(command_action handler, int (*library)(void), const char* function) {
    int answer = library();
    record_command(handler, function, nullptr, answer);
    return answer;
}

int run_command_code(command_action handler, const char* command_code) {
    platform.debug_output(command_code);
    int answer = CmdExec(command_code);
    if (record_active) record_command(handler, "CmdExec", command_code, answer);
    return 0;
}

} // namespace

extern "C" {

STATUS(VTCmdQueryChangeReq, QueryChangeReq)
STATUS(VTCmdNewChangeReq, NewChangeReq)
STATUS(VTCmdQueryChangeOrd, QueryChangeOrd)
STATUS(VTCmdNewChangeOrd, NewChangeOrd)
STATUS(VTCmdQueryAssignedTask, QueryAssignedTask)
STATUS(VTCmdHide, Hide)
STATUS(VTCmdShow, Show)
STATUS(VTCmdOptions, Options)
STATUS(VTCmdHelp, Help)
STATUS(VTCmdAbout, About)

PLAIN(VTCmdProjectBrowser, ProjectBrowser)
PLAIN(VTCmdFindArchive, FindArchive)
PLAIN(VTCmdQueryOnDocuments, QueryOnDocuments)
PLAIN(VTCmdQueryOnParts, QueryOnParts)
PLAIN(VTCmdQueryOnBom, QueryOnBom)
PLAIN(VTCmdQueryViews, QueryViews)
PLAIN(VTCmdBomViews, BomViews)
PLAIN(VTCmdDocumentData, DocumentData)
PLAIN(VTCmdPartData, PartData)
PLAIN(VTCmdSaveIntoProject, SaveIntoProject)
PLAIN(VTCmdImportIntoProject, ImportIntoProject)

CODE(VTCmdLogin, "VMM_USER_LOGIN")
CODE(VTCmdNewEntity, "VMM_EE_NEW")
CODE(VTCmdPswManager, "VT_PB::PWSMANAGER")

int VTCmdNone(int, void*, void*) {
    if (record_active) record_command(VTCmdNone, nullptr, nullptr, 0);
    return 0;
}

}
