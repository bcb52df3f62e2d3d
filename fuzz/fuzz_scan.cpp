// The scanner with arbitrary text and format.  Every target is a buffer larger than anything the
// text can fill (the text is at most 512 bytes; a "%ws" target holds the wide form).
#include <cstring>

#include "fuzz/fuzz_input.h"
#include "text/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    std::string format = in.text(600);
    std::string text = in.text(512);
    // A field width is the caller's promise that the target holds that many bytes (the run-time
    // library and the sanitizer hold it to that); these targets hold 2048.
    long width = 0;
    for (char c : format) {
        width = (c >= '0' && c <= '9') ? (width > 9999 ? width : width * 10 + (c - '0')) : 0;
        if (width >= 2048) return 0;
    }
    alignas(8) static char targets[21][2048];
    std::memset(targets, 0, sizeof targets);
    void* t[21];
    for (int i = 0; i < 21; ++i) t[i] = targets[i];
    pro_sscanf(text.c_str(), format.c_str(), t[0], t[1], t[2], t[3], t[4], t[5], t[6], t[7], t[8],
               t[9], t[10], t[11], t[12], t[13], t[14], t[15], t[16], t[17], t[18], t[19], t[20]);
    return 0;
}
