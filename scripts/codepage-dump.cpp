// Dumps what the Win32 code-page services answer for every single byte, every double-byte pair,
// every UTF-16 code unit and every composition candidate of the code pages the add-in uses.
// Built for x86_64 Windows by scripts/make-codepage-data and run under wine64; its output is
// the input of scripts/codepage-tables.cpp.
//
// Lines (hexadecimal fields; "-" for nothing):
//   page P LEADS UDEF     code page P, its lead bytes, its Unicode default character
//   b P BB UNITS INV      byte BB alone (length 1): the units, INV 1 when MB_ERR_INVALID_CHARS fails
//   p P LLTT UNITS INV    lead LL with trail TT (length 2), double-byte pages only
//   e P UUUU BYTES NBF    unit UUUU alone: bytes with flags 0, and with WC_NO_BEST_FIT_CHARS
//   c BASE MARK P         the two units become the one character P under WC_COMPOSITECHECK
#include <windows.h>

#include <stdio.h>
#include <string.h>

namespace {

const int code_pages[] = {1252, 1250, 1251, 1253, 1254, 28598, 932, 936, 949, 950};

void print_units(const WCHAR* units, int count) {
    if (count <= 0) printf(" -");
    else {
        printf(" ");
        for (int i = 0; i < count; ++i) printf("%04x", units[i]);
    }
}

void print_bytes(const char* bytes, int count) {
    if (count <= 0) printf(" -");
    else {
        printf(" ");
        for (int i = 0; i < count; ++i) printf("%02x", static_cast<unsigned char>(bytes[i]));
    }
}

void decode(int page, const char* kind, unsigned code, const char* bytes, int length) {
    WCHAR units[8];
    int count = MultiByteToWideChar(page, MB_PRECOMPOSED, bytes, length, units, 8);
    int strict = MultiByteToWideChar(page, MB_PRECOMPOSED | MB_ERR_INVALID_CHARS, bytes, length, units + 4, 4);
    printf("%s %d %0*x", kind, page, length * 2, code);
    print_units(units, count);
    printf(" %d\n", strict == 0 ? 1 : 0);
}

void encode(int page, WCHAR unit) {
    char bytes[8], strict[8];
    int count = WideCharToMultiByte(page, 0, &unit, 1, bytes, 8, nullptr, nullptr);
    int strict_count = WideCharToMultiByte(page, WC_NO_BEST_FIT_CHARS, &unit, 1, strict, 8, nullptr, nullptr);
    printf("e %d %04x", page, unit);
    print_bytes(bytes, count);
    print_bytes(strict, strict_count);
    printf("\n");
}

int normalized(NORM_FORM form, const WCHAR* text, int length, WCHAR* out, int capacity) {
    return NormalizeString(form, text, length, out, capacity);
}

// Candidate pairs: each precomposed unit P, decomposed, with one mark taken out and the rest
// composed again, where the two compose to P again.  A pair composes when code page 1252 gives one byte for it under
// WC_COMPOSITECHECK | WC_DEFAULTCHAR (two separate units always give two).
void compositions() {
    for (unsigned p = 0xA0; p <= 0xFFFF; ++p) {
        if (p >= 0xD800 && p <= 0xDFFF) continue;
        WCHAR P = static_cast<WCHAR>(p), d[16];
        int n = normalized(NormalizationD, &P, 1, d, 16);
        if (n < 2) continue;
        for (int k = 1; k < n; ++k) {
            WCHAR rest[16], base[16];
            int r = 0;
            for (int i = 0; i < n; ++i)
                if (i != k) rest[r++] = d[i];
            if (normalized(NormalizationC, rest, r, base, 16) != 1) continue;
            WCHAR pair[2] = {base[0], d[k]}, again[4];
            if (normalized(NormalizationC, pair, 2, again, 4) != 1 || again[0] != P) continue;
            char out[8];
            if (WideCharToMultiByte(1252, WC_COMPOSITECHECK | WC_DEFAULTCHAR, pair, 2, out, 8, nullptr, nullptr) == 1)
                printf("c %04x %04x %04x\n", pair[0], pair[1], p);
        }
    }
}

}  // namespace

int main() {
    if (GetACP() != 1252) {
        fprintf(stderr, "codepage-dump: the default ANSI code page is %u, not 1252\n", GetACP());
        return 1;
    }
    for (int page : code_pages) {
        printf("page %d ", page);
        int leads = 0;
        for (int b = 0; b < 256; ++b)
            if (IsDBCSLeadByteEx(page, static_cast<BYTE>(b))) printf("%s%02x", leads++ ? "," : "", b);
        CPINFOEXW info;
        GetCPInfoExW(page, 0, &info);
        printf("%s %04x\n", leads ? "" : "-", info.UnicodeDefaultChar);
        for (int b = 0; b < 256; ++b) {
            char byte = static_cast<char>(b);
            decode(page, "b", b, &byte, 1);
            if (!IsDBCSLeadByteEx(page, static_cast<BYTE>(b))) continue;
            for (int t = 1; t < 256; ++t) {
                char pair[2] = {byte, static_cast<char>(t)};
                decode(page, "p", (b << 8) | t, pair, 2);
            }
        }
        for (unsigned u = 0; u <= 0xFFFF; ++u) encode(page, static_cast<WCHAR>(u));
    }
    compositions();
    return fflush(stdout) == 0 ? 0 : 1;
}
