/* Compile-time checks of the records and words that cross the module boundary: the host and the
 * client library are 32-bit programs built elsewhere, so these layouts cannot change.  The
 * checks that hold on every build come first; the 32-bit Windows product adds the sizes that
 * only a 32-bit build has (every start-up argument, pointer and gateway word is 4 bytes). */
#include <stddef.h>

#include "frame/vt_types.h"

/* The model record: an 80-unit wide name, then the short wide type, both UTF-16. */
static_assert(sizeof(char16_t) == 2, "wide text is UTF-16 code units");
static_assert(offsetof(model_record, name) == 0, "the model name opens the record");
static_assert(offsetof(model_record, type) == 80 * sizeof(char16_t), "the type follows the 80-unit name");
static_assert(sizeof(model_record) == 84 * sizeof(char16_t), "the bridge reads name and type only");

/* A host function pair: the function's address, then its name; an array of them is the table. */
static_assert(offsetof(host_function_pair, function) == 0, "a pair starts with the function");
static_assert(offsetof(host_function_pair, name) == sizeof(void*), "the name follows the function");
static_assert(sizeof(host_function_pair) == 2 * sizeof(void*), "pairs are packed in the table");

/* A gateway word carries one caller argument of any kind: an int, a pointer or a handle. */
static_assert(sizeof(gateway_word) == sizeof(void*), "a gateway word holds a pointer");
static_assert(sizeof(gateway_word) >= sizeof(int), "a gateway word holds an int");

/* The start-up entry takes 14 arguments that the host pushes as 32-bit words (its own checks
 * stand beside it, in module/entry.cpp). */
static_assert(sizeof(int) == 4, "status, count, handle and language are 32-bit integers");

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(void*) == 4, "the product is a 32-bit module");
static_assert(sizeof(gateway_word) == 4, "a gateway word is one 32-bit stack slot");
static_assert(sizeof(host_function_pair) == 8, "the host's table holds 8-byte pairs");
static_assert(sizeof(model_record) == 168, "the host's model record starts with 168 bytes of name and type");
static_assert(sizeof(char**) == 4 && sizeof(const char16_t*) == 4 && sizeof(const host_function_pair*) == 4,
              "every start-up argument is one 32-bit word");
#endif
