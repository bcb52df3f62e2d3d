/* The Vantor client library VTProeVEXO: the 32 functions the add-in imports by name.
 *
 * Text arguments are narrow strings: a document key "name.type", the empty key, a command
 * code or "CloseWindow".  The add-in references every one of them, AfterSave included, so a
 * library that lacks any of them keeps the add-in from loading. */
#ifndef VT_PDM_H
#define VT_PDM_H

#include "frame/vt_types.h" /* VT_CDECL: every function is called __cdecl */

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

VTPDM_API int VT_CDECL BeforeInit(void);
VTPDM_API int VT_CDECL Start(void);
VTPDM_API int VT_CDECL AfterInit(void);
VTPDM_API int VT_CDECL Stop(void);

VTPDM_API int VT_CDECL QueryChangeReq(void);
VTPDM_API int VT_CDECL NewChangeReq(void);
VTPDM_API int VT_CDECL QueryChangeOrd(void);
VTPDM_API int VT_CDECL NewChangeOrd(void);
VTPDM_API int VT_CDECL QueryAssignedTask(void);
VTPDM_API int VT_CDECL Hide(void);
VTPDM_API int VT_CDECL Show(void);
VTPDM_API int VT_CDECL Options(void);
VTPDM_API int VT_CDECL Help(void);
VTPDM_API int VT_CDECL About(void);

VTPDM_API int VT_CDECL ProjectBrowser(void);
VTPDM_API int VT_CDECL FindArchive(void);
VTPDM_API int VT_CDECL QueryOnDocuments(void);
VTPDM_API int VT_CDECL QueryOnParts(void);
VTPDM_API int VT_CDECL QueryOnBom(void);
VTPDM_API int VT_CDECL QueryViews(void);
VTPDM_API int VT_CDECL BomViews(void);
VTPDM_API int VT_CDECL DocumentData(void);
VTPDM_API int VT_CDECL PartData(void);
VTPDM_API int VT_CDECL SaveIntoProject(void);
VTPDM_API int VT_CDECL ImportIntoProject(void);

VTPDM_API int VT_CDECL CmdExec(const char* command_code);
VTPDM_API int VT_CDECL AfterOpen(const char* document_key);
VTPDM_API int VT_CDECL BeforeSave(const char* document_key);
VTPDM_API int VT_CDECL BeforeClose(const char* document_key);
VTPDM_API int VT_CDECL AfterClose(const char* document_key);
VTPDM_API int VT_CDECL SwitchDocument(const char* document_key);
VTPDM_API int VT_CDECL AfterSave(const char* document_key);

}

#endif
