// Reading typed values from a fuzzer's input, front to back; past the end everything reads as 0.
#ifndef VT_FUZZ_INPUT_H
#define VT_FUZZ_INPUT_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

struct FuzzInput {
    const uint8_t* data;
    size_t size;
    size_t at = 0;

    FuzzInput(const uint8_t* d, size_t s) : data(d), size(s) {}
    bool empty() const { return at >= size; }
    uint8_t byte() { return at < size ? data[at++] : 0; }
    uint16_t u16() { return static_cast<uint16_t>(byte() | (byte() << 8)); }
    int32_t i32() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(byte()) << (8 * i);
        return static_cast<int32_t>(v);
    }
    double f64() {
        uint64_t v = 0;
        for (int i = 0; i < 8; ++i) v |= static_cast<uint64_t>(byte()) << (8 * i);
        double d;
        std::memcpy(&d, &v, sizeof d);
        return d;
    }
    // Up to max bytes, stopping after a zero byte (not included).
    std::string text(size_t max) {
        std::string s;
        while (s.size() < max && !empty()) {
            char c = static_cast<char>(byte());
            if (c == '\0') break;
            s += c;
        }
        return s;
    }
    // Up to max code units, stopping after a zero unit (not included).
    std::u16string wide(size_t max) {
        std::u16string s;
        while (s.size() < max && at + 1 < size) {
            char16_t c = u16();
            if (c == 0) break;
            s += c;
        }
        return s;
    }
};

#endif
