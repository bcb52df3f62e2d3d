// Wide/narrow conversion under every language code: no path may write past the capacities the
// callers rely on (narrow to wide: length + 1 units; wide to narrow: 4 x length + 1 bytes).
#include <cstring>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "text/text.h"

static const int codes[] = {-1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    lang_set(codes[in.byte() % (sizeof codes / sizeof codes[0])]);

    std::u16string wide = in.wide(400);
    std::vector<char> narrow(4 * wide.size() + 1);
    if (wstostr(narrow.data(), wide.c_str()) != narrow.data()) __builtin_trap();
    if (std::memchr(narrow.data(), 0, narrow.size()) == nullptr) __builtin_trap();

    std::string text = in.text(400);
    std::vector<char16_t> back(text.size() + 1);
    if (strtows(back.data(), text.c_str()) != back.data()) __builtin_trap();

    char16_t one = 0;
    pro_mbtowc(&one, text.c_str(), static_cast<int>(in.byte() % 5) - 1);
    pro_mbtowc(nullptr, text.c_str(), 3);
    char bytes[4];
    pro_wctomb(bytes, static_cast<char16_t>(in.u16()));
    return 0;
}
