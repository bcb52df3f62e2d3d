// The formatter with arbitrary formats and typed arguments.  The arguments are read from the
// input in the order the format asks for them, using the same conversion rules the formatter
// follows, so every argument the formatter takes is one the call passed.  Integer arguments
// (star values among them) stay between -300 and 1100.
#include <cctype>
#include <cstring>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "text/text.h"

namespace {

enum Kind { INT, DOUBLE, POINTER };

const struct {
    const char* text;
    Kind kind;
} rows[] = {{"d", INT},  {"f", DOUBLE}, {"lf", DOUBLE}, {"s", POINTER}, {"ws", POINTER},
            {"e", DOUBLE}, {"g", DOUBLE}, {"c", INT},   {"i", INT},     {"o", INT},
            {"u", INT},  {"x", INT},   {"ld", INT},    {"li", INT},    {"lo", INT},
            {"lu", INT}, {"lx", INT},  {"pd", POINTER}, {"pf", POINTER}};

// The argument kinds a format asks for, in order; stops at the first unrecognised conversion.
std::vector<Kind> argument_kinds(const std::string& f) {
    std::vector<Kind> kinds;
    size_t i = 0;
    while (i < f.size()) {
        unsigned char c = static_cast<unsigned char>(f[i]);
        if (c != '%') {
            i += c == 0x8F ? 3 : (c & 0x80) ? 2 : 1;
            continue;
        }
        if (i + 1 < f.size() && f[i + 1] == '%') {
            i += 2;
            continue;
        }
        size_t j = i + 1;
        while (j < f.size() && !std::isalpha(static_cast<unsigned char>(f[j]))) {
            if (f[j] == '*') kinds.push_back(INT);
            ++j;
        }
        if (j >= f.size()) break;
        bool matched = false;
        for (const auto& row : rows) {
            size_t n = std::strlen(row.text);
            if (j + n <= f.size() && strncasecmp(f.c_str() + j, row.text, n) == 0) {
                kinds.push_back(row.kind);
                i = j + n;
                matched = true;
                break;
            }
        }
        if (!matched) break;
    }
    return kinds;
}

struct Values {
    std::vector<Kind> kinds;
    FuzzInput* in;
    std::vector<std::u16string>* keep;  // storage of the string arguments
};

// A string argument readable both as narrow and as wide text.
const void* string_argument(Values& v) {
    std::u16string s = v.in->wide(300);
    v.keep->push_back(s);
    return v.keep->back().c_str();
}

template <typename... A>
void call(Values&, const std::string& format, A... args) {
    char* out = pro_str_format(nullptr, format.c_str(), args...);
    if (out == nullptr) return;
    size_t length = std::strlen(out);
    std::vector<char16_t> wide(length + 1);
    pro_wstr_format(wide.data(), format.c_str(), args...);
}

template <int Depth, typename... A>
void dispatch(Values& v, size_t next, const std::string& format, A... args) {
    if constexpr (Depth == 0) {
        call(v, format, args...);
    } else {
        if (next >= v.kinds.size()) return call(v, format, args...);
        switch (v.kinds[next]) {
        case INT: {
            int value = static_cast<int>(v.in->u16() % 1400) - 300;
            return dispatch<Depth - 1>(v, next + 1, format, args..., value);
        }
        case DOUBLE: return dispatch<Depth - 1>(v, next + 1, format, args..., v.in->f64());
        case POINTER: return dispatch<Depth - 1>(v, next + 1, format, args..., string_argument(v));
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    lang_set(in.byte() % 2 ? 1 : 0);
    std::string format = in.text(520);
    // Widths and precisions of millions are covered by the unit tests; here they would only slow
    // the search down (each such call formats and converts megabytes).
    size_t digits = 0;
    for (char c : format) {
        digits = (c >= '0' && c <= '9') ? digits + 1 : 0;
        if (digits > 5) return 0;
    }
    std::vector<std::u16string> keep;
    keep.reserve(8);
    Values v{argument_kinds(format), &in, &keep};
    if (v.kinds.size() > 5) return 0;
    dispatch<5>(v, 0, format);
    return 0;
}
