/* The PDM bridge: start-up and menu registration, command handlers, model event hooks and the
 * host command brackets.  Every handler has the host's command-action form. */
#ifndef VT_BRIDGE_H
#define VT_BRIDGE_H

#include "frame/vt_types.h"

/* The command handlers as one list: X(handler). */
#define VT_COMMAND_HANDLERS(X)                                                                   \
    X(VTCmdQueryChangeReq) X(VTCmdNewChangeReq) X(VTCmdQueryChangeOrd) X(VTCmdNewChangeOrd)      \
    X(VTCmdQueryAssignedTask) X(VTCmdHide) X(VTCmdShow) X(VTCmdOptions) X(VTCmdHelp)             \
    X(VTCmdAbout) X(VTCmdProjectBrowser) X(VTCmdFindArchive) X(VTCmdQueryOnDocuments)            \
    X(VTCmdQueryOnParts) X(VTCmdQueryOnBom) X(VTCmdQueryViews) X(VTCmdBomViews)                  \
    X(VTCmdDocumentData) X(VTCmdPartData) X(VTCmdSaveIntoProject) X(VTCmdImportIntoProject)      \
    X(VTCmdLogin) X(VTCmdNewEntity) X(VTCmdPswManager) X(VTCmdNone)

extern "C" {

int bridge_initialize(int argc, char** argv, const char* version, const char* build,
                      char16_t* error_buffer);
int bridge_terminate(void);
int AccessAll(void);
int ModelAccess(void);

#define VT_DECLARE_HANDLER(handler) int handler(int command_id, void* value, void* data);
VT_COMMAND_HANDLERS(VT_DECLARE_HANDLER)
#undef VT_DECLARE_HANDLER

/* The document key of a model, "name.type", in a buffer of BRIDGE_KEY_SIZE bytes.  Returns 0, or
 * -1 (with an empty key) when there is no record or the key would not fit whole. */
enum { BRIDGE_KEY_SIZE = 256 };
int bridge_document_key(const model_record* model, char key[BRIDGE_KEY_SIZE]);

int VTNotifyAfterOpen(model_record* model);                        /* type 19 */
int VTNotifyBeforeSave(void);                                      /* type 1 */
int VTNotifyIgnore(void);                                          /* type 3 */
int VTNotifyBeforeClose(void);                                     /* type 9 */
int VTNotifyAfterClose(model_record* model);                       /* type 11 */
int VTNotifySwitchDocument(void);                                  /* type 24 */
int VTNotifyIgnorePair(model_record* first, model_record* second); /* types 8 and 6 */

int VTBracketFunc(int command_id, void* value, int entering, void* data);
void bridge_attach_brackets(void);

}

#endif
