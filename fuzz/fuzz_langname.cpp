// Language names from anywhere (the environment, the host): the look-up answers a table code,
// -1 or -2, and the row of a found code carries that code.
#include "fuzz/fuzz_input.h"
#include "text/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    std::string name = in.text(200);
    int code = lang_code_from_name(name.c_str());
    if (code < -2 || code > 20) __builtin_trap();
    if (code >= 0 && lang_row_for_code(code)->code != code) __builtin_trap();
    const locale_row* row = lang_row_for_code(in.i32());
    if (row == nullptr || row->name[sizeof row->name - 1] != '\0') __builtin_trap();
    return 0;
}
