// The bounded formatter against the C library's snprintf on the formats the frame uses: a path,
// a count, an exponent that must be normalised to two digits, and a wide string.  snprintf has no
// UTF-16 conversion, so the "%ws" peer formats the same text as a wchar_t string with "%ls".
#include <cstdio>
#include <cstring>
#include <cwchar>

#include "bench/bench.h"
#include "text/text.h"

namespace {

using vt_bench::add_pair;
using vt_bench::goal_kind;
using vt_bench::pair_spec;

struct format_case {
    const char* id;
    const char* format;
    const char* peer_format;
};

void format_pairs() {
    static const format_case cases[] = {
        {"fmt_path", "%s%ctext%c%s", "%s%ctext%c%s"},
        {"fmt_count", "%d items", "%d items"},
        {"fmt_exp", "%14e", "%14e"},
        {"fmt_wide", "%ws", "%ls"},
    };
    for (const format_case& c : cases) {
        std::string label = std::string("pro_sprintf vs snprintf, \"") + c.format + "\"";
        auto ours = [&c](benchmark::State& state) {
            char out[512];
            lang_set(0);
            auto run = [&] {
                if (std::strcmp(c.id, "fmt_path") == 0) return pro_str_format(out, c.format, "C:\\cad\\vt_vexo", '\\', '\\', "usascii");
                if (std::strcmp(c.id, "fmt_count") == 0) return pro_str_format(out, c.format, 24);
                if (std::strcmp(c.id, "fmt_exp") == 0) return pro_str_format(out, c.format, 1.5e7);
                return pro_str_format(out, c.format, u"PUMP_HOUSING_ASSEMBLY_0042");
            };
            run();
            char expected[512];
            if (std::strcmp(c.id, "fmt_path") == 0) std::snprintf(expected, sizeof expected, "C:\\cad\\vt_vexo\\text\\usascii");
            else if (std::strcmp(c.id, "fmt_count") == 0) std::snprintf(expected, sizeof expected, "24 items");
            else if (std::strcmp(c.id, "fmt_exp") == 0) std::snprintf(expected, sizeof expected, "  1.500000e+07");
            else std::snprintf(expected, sizeof expected, "PUMP_HOUSING_ASSEMBLY_0042");
            vt_bench::require(std::strcmp(out, expected) == 0, "pro_sprintf formats as snprintf does");
            if (std::strcmp(c.id, "fmt_path") == 0)
                for (auto _ : state) benchmark::DoNotOptimize(pro_str_format(out, c.format, "C:\\cad\\vt_vexo", '\\', '\\', "usascii"));
            else if (std::strcmp(c.id, "fmt_count") == 0)
                for (auto _ : state) benchmark::DoNotOptimize(pro_str_format(out, c.format, 24));
            else if (std::strcmp(c.id, "fmt_exp") == 0)
                for (auto _ : state) benchmark::DoNotOptimize(pro_str_format(out, c.format, 1.5e7));
            else
                for (auto _ : state) benchmark::DoNotOptimize(pro_str_format(out, c.format, u"PUMP_HOUSING_ASSEMBLY_0042"));
        };
        auto peer = [&c](benchmark::State& state) {
            char out[512];
            if (std::strcmp(c.id, "fmt_path") == 0)
                for (auto _ : state) benchmark::DoNotOptimize(std::snprintf(out, sizeof out, c.peer_format, "C:\\cad\\vt_vexo", '\\', '\\', "usascii"));
            else if (std::strcmp(c.id, "fmt_count") == 0)
                for (auto _ : state) benchmark::DoNotOptimize(std::snprintf(out, sizeof out, c.peer_format, 24));
            else if (std::strcmp(c.id, "fmt_exp") == 0)
                for (auto _ : state) benchmark::DoNotOptimize(std::snprintf(out, sizeof out, c.peer_format, 1.5e7));
            else
                for (auto _ : state) benchmark::DoNotOptimize(std::snprintf(out, sizeof out, c.peer_format, L"PUMP_HOUSING_ASSEMBLY_0042"));
        };
        // The formatter is required to hand each conversion to the run-time sprintf on its own and
        // to assemble the text around it: that, done plainly, is the floor.
        auto floor = [&c](benchmark::State& state) {
            char out[512], piece[512];
            auto append = [](char* to, size_t& at, const char* text) {
                size_t n = std::strlen(text);
                std::memcpy(to + at, text, n + 1);
                at += n;
            };
            for (auto _ : state) {
                size_t at = 0;
                if (std::strcmp(c.id, "fmt_path") == 0) {
                    std::snprintf(piece, sizeof piece, "%s", "C:\\cad\\vt_vexo");
                    append(out, at, piece);
                    std::snprintf(piece, sizeof piece, "%c", '\\');
                    append(out, at, piece);
                    append(out, at, "text");
                    std::snprintf(piece, sizeof piece, "%c", '\\');
                    append(out, at, piece);
                    std::snprintf(piece, sizeof piece, "%s", "usascii");
                    append(out, at, piece);
                } else if (std::strcmp(c.id, "fmt_count") == 0) {
                    std::snprintf(piece, sizeof piece, "%d", 24);
                    append(out, at, piece);
                    append(out, at, " items");
                } else if (std::strcmp(c.id, "fmt_exp") == 0) {
                    std::snprintf(piece, sizeof piece, "%14e", 1.5e7);
                    append(out, at, piece);
                } else {
                    std::snprintf(piece, sizeof piece, "%ls", L"PUMP_HOUSING_ASSEMBLY_0042");
                    append(out, at, piece);
                }
                benchmark::DoNotOptimize(out);
            }
        };
        add_pair({c.id, label, "1 call", {goal_kind::ours_over_peer, 2.0}, 0,
                  "floor: one snprintf per conversion and the text joined around them (the general path; plain %s, %c, %d and %ws need none)"},
                 ours, peer, floor);
    }
}

}  // namespace

VT_BENCH_PAIRS(format) { format_pairs(); }
