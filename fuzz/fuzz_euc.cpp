// The EUC-JP functions and the JIS / Shift_JIS arithmetic on arbitrary input: sequences cut short
// at the end must not read past the terminator, and no output may pass its capacity.
#include <vector>

#include "fuzz/fuzz_input.h"
#include "text/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    unsigned char a = in.byte(), b = in.byte();
    jis_to_sjis(&a, &b);
    sjis_to_jis(&a, &b);

    std::string euc = in.text(300);
    std::vector<char16_t> wide(euc.size() + 1);
    euc_str_to_unicode_str(wide.data(), euc.c_str());

    std::u16string units = in.wide(300);
    std::vector<char> narrow(4 * units.size() + 1);
    unicode_str_to_euc_str(narrow.data(), units.c_str());
    return 0;
}
