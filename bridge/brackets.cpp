/* Host command brackets.
 *
 * At start-up the bridge looks up a few of the host's own commands and attaches VTBracketFunc
 * to each one the host knows; the host then calls it just before and just after the command.
 * Only the asynchronous window close has an action: the client library hears of it both times.
 * The bracket function never stops or alters a command: it hands the entering flag back. */
#include "bridge/brackets.h"

#include <string.h>

#include "bridge/bridge.h"
#include "bridge/record.h"
#include "frame/gateway.h"
#include "pdmclient/vtpdm.h"

namespace {
const char window_close_command[] = "ProCmdWinCloseAsyn";
}

extern "C" {

bracket_entry VTBracketTable[VT_BRACKET_COUNT] = {
    {"XProCmdModelSave", 0},
    {"XProCmdExit", 0},
    {window_close_command, 0},
    {"XTestCheckButtonOpt2", 0},
    {"XTestRadioGroupOpt", 0},
};

/* First every name is looked up, then the known ones get the bracket.  A name the host does not
 * know keeps id 0 and no bracket; a refused attachment goes unnoticed. */
void bridge_attach_brackets(void) {
    for (bracket_entry& entry : VTBracketTable) {
        if (ProCmdCmdIdFind(entry.name, &entry.id) != 0) entry.id = 0;
    }
    for (const bracket_entry& entry : VTBracketTable) {
        if (entry.id != 0) ProCmdBracketFuncAdd(entry.id, VTBracketFunc, "VTBracketFunc", nullptr);
    }
}

int VTBracketFunc(int command_id, void*, int entering, void*) {
    for (const bracket_entry& entry : VTBracketTable) {
        if (entry.id != command_id) continue;
        if (strcmp(entry.name, window_close_command) != 0) break;
        int answer = SwitchDocument("CloseWindow");
        if (record_active) record_bracket(entering, answer);
        break;
    }
    return entering;
}

}
