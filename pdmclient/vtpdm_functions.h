/* The client library's 32 functions as one list, in the library's order: VTPDM_FUNCTION_LIST(X)
 * gives X(name, argument, default_answer) for each.  argument is `none` for a function without
 * one and `text` for one narrow string (a document key,
 * the empty key, a command code or "CloseWindow"); default_answer is what the stand-in library
 * answers when nothing overrides it: 0, except BeforeSave, whose 1 lets a save go ahead.
 *
 * The declarations (vtpdm.h), the add-in's import references, the stand-in's definitions and
 * its export list, the tests' fake library, the recorder's defaults and the checks on the built
 * binaries all follow from these rows; CMake reads them with a regular expression, so keep one
 * R(X, ...) per function, as written.  (Each row hands X on, so that VTPDM_FUNCTIONS in vtpdm.h
 * can give the same rows in another shape.) */
#ifndef VT_PDM_FUNCTIONS_H
#define VT_PDM_FUNCTIONS_H

#define VTPDM_FUNCTION_ROWS(R, X)       \
    R(X, BeforeInit, none, 0)           \
    R(X, Start, none, 0)                \
    R(X, AfterInit, none, 0)            \
    R(X, Stop, none, 0)                 \
    R(X, QueryChangeReq, none, 0)       \
    R(X, NewChangeReq, none, 0)         \
    R(X, QueryChangeOrd, none, 0)       \
    R(X, NewChangeOrd, none, 0)         \
    R(X, QueryAssignedTask, none, 0)    \
    R(X, Hide, none, 0)                 \
    R(X, Show, none, 0)                 \
    R(X, Options, none, 0)              \
    R(X, Help, none, 0)                 \
    R(X, About, none, 0)                \
    R(X, ProjectBrowser, none, 0)       \
    R(X, FindArchive, none, 0)          \
    R(X, QueryOnDocuments, none, 0)     \
    R(X, QueryOnParts, none, 0)         \
    R(X, QueryOnBom, none, 0)           \
    R(X, QueryViews, none, 0)           \
    R(X, BomViews, none, 0)             \
    R(X, DocumentData, none, 0)         \
    R(X, PartData, none, 0)             \
    R(X, SaveIntoProject, none, 0)      \
    R(X, ImportIntoProject, none, 0)    \
    R(X, CmdExec, text, 0)              \
    R(X, AfterOpen, text, 0)            \
    R(X, BeforeSave, text, 1)           \
    R(X, BeforeClose, text, 0)          \
    R(X, AfterClose, text, 0)           \
    R(X, SwitchDocument, text, 0)       \
    R(X, AfterSave, text, 0)

#define VTPDM_ROW_(X, name, argument, default_answer) X(name, argument, default_answer)
#define VTPDM_FUNCTION_LIST(X) VTPDM_FUNCTION_ROWS(VTPDM_ROW_, X)

/* The parameter list of each kind of argument. */
#define VTPDM_PARAMETERS_none void
#define VTPDM_PARAMETERS_text const char* text

/* 1 for a function that takes a text, else 0. */
#define VTPDM_TAKES_TEXT_none 0
#define VTPDM_TAKES_TEXT_text 1

#endif
