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
/* Everything below is handed to the host and called back by it. */
int VT_CDECL AccessAll(void);
int VT_CDECL ModelAccess(void);

#define VT_DECLARE_HANDLER(handler) int VT_CDECL handler(int command_id, void* value, void* data);
VT_COMMAND_HANDLERS(VT_DECLARE_HANDLER)
#undef VT_DECLARE_HANDLER

/* The document key of a model, "name.type", in a buffer of BRIDGE_KEY_SIZE bytes.  Returns 0, or
 * -1 (with an empty key) when there is no record or the key would not fit whole. */
enum { BRIDGE_KEY_SIZE = 256 };
int bridge_document_key(const model_record* model, char key[BRIDGE_KEY_SIZE]);

int VT_CDECL VTNotifyAfterOpen(model_record* model);                        /* AFTER_OPEN */
int VT_CDECL VTNotifyBeforeSave(void);                                      /* BEFORE_SAVE */
int VT_CDECL VTNotifyIgnore(void);                                          /* REGENERATE */
int VT_CDECL VTNotifyBeforeClose(void);                                     /* BEFORE_CLOSE */
int VT_CDECL VTNotifyAfterClose(model_record* model);                       /* AFTER_CLOSE */
int VT_CDECL VTNotifySwitchDocument(void);                                  /* WINDOW_CHANGED */
int VT_CDECL VTNotifyIgnorePair(model_record* first, model_record* second); /* COPY, RENAME */

int VT_CDECL VTBracketFunc(int command_id, void* value, int entering, void* data);

/* The steps of bridge_initialize, in its order: the menu with its commands, the model event
 * subscriptions, the command brackets. */
void bridge_register_menu(void);
void bridge_subscribe_hooks(void);
void bridge_attach_brackets(void);

}

#endif
