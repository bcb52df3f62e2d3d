/* The Vantor client library VTProeVEXO: the 32 functions the add-in imports by name.
 *
 * Text arguments are narrow strings: a document key "name.type", the empty key, a command
 * code or "CloseWindow".  The add-in references every one of them, AfterSave included, so a
 * library that lacks any of them keeps the add-in from loading. */
#ifndef VT_PDM_H
#define VT_PDM_H

#if defined(_WIN32) && defined(VTPDM_BUILDING_LIBRARY)
#define VTPDM_API __declspec(dllexport)
#elif !defined(_WIN32) && defined(VTPDM_BUILDING_LIBRARY)
#define VTPDM_API __attribute__((visibility("default")))
#else
#define VTPDM_API
#endif

/* The client library's functions as one list: X(name, takes_text).  Used for declarations, the
 * import references of the add-in and the stand-in library's exports. */
#define VTPDM_FUNCTIONS(X)                                                                      \
    X(BeforeInit, 0) X(Start, 0) X(AfterInit, 0) X(Stop, 0)                                     \
    X(QueryChangeReq, 0) X(NewChangeReq, 0) X(QueryChangeOrd, 0) X(NewChangeOrd, 0)             \
    X(QueryAssignedTask, 0) X(Hide, 0) X(Show, 0) X(Options, 0) X(Help, 0) X(About, 0)         \
    X(ProjectBrowser, 0) X(FindArchive, 0) X(QueryOnDocuments, 0) X(QueryOnParts, 0)            \
    X(QueryOnBom, 0) X(QueryViews, 0) X(BomViews, 0) X(DocumentData, 0) X(PartData, 0)          \
    X(SaveIntoProject, 0) X(ImportIntoProject, 0)                                               \
    X(CmdExec, 1) X(AfterOpen, 1) X(BeforeSave, 1) X(BeforeClose, 1) X(AfterClose, 1)           \
    X(SwitchDocument, 1) X(AfterSave, 1)

extern "C" {

VTPDM_API int BeforeInit(void);
VTPDM_API int Start(void);
VTPDM_API int AfterInit(void);
VTPDM_API int Stop(void);

VTPDM_API int QueryChangeReq(void);
VTPDM_API int NewChangeReq(void);
VTPDM_API int QueryChangeOrd(void);
VTPDM_API int NewChangeOrd(void);
VTPDM_API int QueryAssignedTask(void);
VTPDM_API int Hide(void);
VTPDM_API int Show(void);
VTPDM_API int Options(void);
VTPDM_API int Help(void);
VTPDM_API int About(void);

VTPDM_API int ProjectBrowser(void);
VTPDM_API int FindArchive(void);
VTPDM_API int QueryOnDocuments(void);
VTPDM_API int QueryOnParts(void);
VTPDM_API int QueryOnBom(void);
VTPDM_API int QueryViews(void);
VTPDM_API int BomViews(void);
VTPDM_API int DocumentData(void);
VTPDM_API int PartData(void);
VTPDM_API int SaveIntoProject(void);
VTPDM_API int ImportIntoProject(void);

VTPDM_API int CmdExec(const char* command_code);
VTPDM_API int AfterOpen(const char* document_key);
VTPDM_API int BeforeSave(const char* document_key);
VTPDM_API int BeforeClose(const char* document_key);
VTPDM_API int AfterClose(const char* document_key);
VTPDM_API int SwitchDocument(const char* document_key);
VTPDM_API int AfterSave(const char* document_key);

}

#endif
