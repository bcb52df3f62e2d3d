// Runs every Vantor menu command once, as the host would when a user picks it, against the
// client library found beside this program (the stand-in VTProeVEXO prints what it is asked).
#include <stdio.h>

#include "bridge/bridge.h"

int main() {
    struct Command {
        const char* button;
        command_action handler;
    } commands[] = {
        {"G14", VTCmdDocumentData},     {"G15", VTCmdPartData},       {"G16", VTCmdSaveIntoProject},
        {"G16a", VTCmdImportIntoProject}, {"G7a", VTCmdLogin},        {"G7b", VTCmdNewEntity},
        {"G7c", VTCmdPswManager},       {"G7", VTCmdProjectBrowser},  {"G8", VTCmdFindArchive},
        {"G9", VTCmdQueryOnDocuments},  {"G10", VTCmdQueryOnParts},   {"G11", VTCmdQueryOnBom},
        {"G12", VTCmdQueryViews},       {"G13", VTCmdBomViews},       {"C1", VTCmdQueryChangeReq},
        {"C2", VTCmdNewChangeReq},      {"C3", VTCmdQueryChangeOrd},  {"C4", VTCmdNewChangeOrd},
        {"C5", VTCmdQueryAssignedTask}, {"G4", VTCmdHide},            {"G5", VTCmdShow},
        {"G6o", VTCmdOptions},          {"G6", VTCmdHelp},            {"G3", VTCmdAbout},
    };
    for (const Command& command : commands) {
        printf("pick %s\n", command.button);
        fflush(stdout);
        int status = command.handler(0, nullptr, nullptr);
        printf("  status %d\n", status);
    }
    return 0;
}
