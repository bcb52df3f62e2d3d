// The wide/narrow conversions on each path against iconv doing the same conversion, on 80-unit
// names and on 1 MB texts.  Each language's text is made of characters its encoding holds, and
// both sides must produce the same bytes and units before they are timed.  The peer is given a
// zero-terminated string like ours, so it measures its length first, as its caller would.
#include <iconv.h>

#include <cstring>
#include <string>
#include <vector>

#include "bench/bench.h"
#include "text/text.h"

namespace {

using vt_bench::add_pair;
using vt_bench::goal_kind;
using vt_bench::pair_spec;

/* The goal of a language's pairs: the single-byte mappings of English and Hebrew far below iconv,
 * one whole-string code-page conversion at most iconv's time, the paths that convert one
 * character at a time (the EUC path and the default page's) at most twice it. */
enum class path_goal { mapping, whole_string, per_character };

struct language {
    const char* id;           /* benchmark id part */
    const char* label;        /* table text */
    int code;                 /* current language code */
    const char* charset;      /* what iconv calls the same narrow encoding */
    const char16_t* sample;   /* repeated to the wanted length */
    path_goal goal;
};

const language languages[] = {
    {"en", "English (0), Latin-1", 0, "ISO-8859-1", u"Pump housing PH-200 Größe façade café naïve Ærø ", path_goal::mapping},
    {"he", "Hebrew (12), ISO-8859-8 letters", 12, "ISO-8859-8", u"שלום עולם PUMP 12 בית ספר ", path_goal::mapping},
    {"ru", "Russian (4), code page 1251", 4, "CP1251", u"Корпус насоса ПН-200 сборка ", path_goal::whole_string},
    {"el", "Greek (13), code page 1253", 13, "CP1253", u"Κέλυφος αντλίας ΠΑ-200 συναρμολόγηση ", path_goal::whole_string},
    {"tr", "Turkish (14), code page 1254", 14, "CP1254", u"Pompa gövdesi PG-200 çıkış şaft ğüö ", path_goal::whole_string},
    {"cs", "Czech (15), code page 1250", 15, "CP1250", u"Těleso čerpadla TČ-200 sestava řez ůž ", path_goal::whole_string},
    {"ko", "Korean (8), code page 949", 8, "CP949", u"펌프 하우징 PH-200 조립 부품표 ", path_goal::whole_string},
    {"zh", "Chinese (10), code page 936", 10, "CP936", u"泵壳体 PH-200 装配 零件表 ", path_goal::whole_string},
    {"tw", "Chinese (9), code page 950", 9, "CP950", u"泵殼體 PH-200 裝配 零件表 ", path_goal::whole_string},
    {"ja", "Japanese (1), EUC-JP", 1, "EUC-JP", u"ポンプ筐体 アセンブリ 部品表 A-12 ", path_goal::per_character},
    {"fr", "French (2), per character (code page 1252)", 2, "CP1252", u"Carter de pompe, assemblage élevé cœur ", path_goal::per_character},
};

constexpr size_t NAME_UNITS = 80;
/* The mappings' bound against memcpy of the same narrow bytes on a 1 MB text (see pairs_for). */
constexpr double MAPPING_OVER_COPY = 16.0;
constexpr size_t TEXT_UNITS = size_t(1) << 20;

std::u16string text_of(const language& lang, size_t units) {
    std::u16string sample = lang.sample, text;
    while (text.size() < units) text += sample;
    text.resize(units);
    return text;
}

/* One whole conversion through a descriptor opened once; the output is terminated. */
size_t iconv_all(iconv_t cd, const void* input, size_t input_bytes, void* output, size_t output_bytes, size_t unit) {
    char* in = static_cast<char*>(const_cast<void*>(input));
    char* out = static_cast<char*>(output);
    size_t in_left = input_bytes, out_left = output_bytes - unit;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    size_t result = iconv(cd, &in, &in_left, &out, &out_left);
    if (result == static_cast<size_t>(-1)) return static_cast<size_t>(-1);
    std::memset(out, 0, unit);
    return output_bytes - unit - out_left;
}

void pairs_for(const language& lang, size_t units) {
    std::u16string wide = text_of(lang, units);
    iconv_t encoder = iconv_open(lang.charset, "UTF-16LE");
    iconv_t decoder = iconv_open("UTF-16LE", lang.charset);
    vt_bench::require(encoder != reinterpret_cast<iconv_t>(-1) && decoder != reinterpret_cast<iconv_t>(-1),
                      "iconv knows the charset");

    std::vector<char> expected(4 * units + 1);
    size_t narrow_bytes = iconv_all(encoder, wide.data(), wide.size() * 2, expected.data(), expected.size(), 1);
    vt_bench::require(narrow_bytes != static_cast<size_t>(-1), "iconv converts the sample");
    std::string narrow(expected.data(), narrow_bytes);

    lang_set(lang.code);
    std::vector<char> ours_narrow(4 * units + 1);
    wstostr(ours_narrow.data(), wide.c_str());
    vt_bench::require(narrow == ours_narrow.data(), (std::string("wstostr agrees with iconv: ") + lang.id).c_str());
    std::vector<char16_t> ours_wide(narrow.size() + 1);
    strtows(ours_wide.data(), narrow.c_str());
    vt_bench::require(wide == ours_wide.data(), (std::string("strtows agrees with iconv: ") + lang.id).c_str());

    bool text = units == TEXT_UNITS;
    std::string size = text ? "1 MB text" : "80-unit name";
    pair_spec spec;
    switch (lang.goal) {
    case path_goal::mapping: spec.target = {goal_kind::ours_over_peer, 0.25}; break;
    case path_goal::whole_string: spec.target = {goal_kind::ours_over_peer, 1.0}; break;
    case path_goal::per_character: spec.target = {goal_kind::ours_over_peer, 2.0}; break;
    }
    spec.size = size;
    spec.bytes = text ? static_cast<double>(narrow.size()) : 0;
    spec.base_name = "memcpy";
    /* A mapping converts one unit per byte with no table and word-wide steps, so on a long text
     * it keeps a fair share of the machine's copy speed for the same bytes: at most
     * MAPPING_OVER_COPY (16) times memcpy's time.  Measured: wstostr 9.5-11 times, strtows 3.5-4.5
     * times; a loop converting one unit per cycle takes about 16 times (2^20 cycles at 2.6 GHz
     * against memcpy's 23 µs). */
    if (text && lang.goal == path_goal::mapping) spec.also = {goal_kind::ours_over_base, MAPPING_OVER_COPY};
    /* On a long text every path is also shown against memcpy of its narrow bytes, measured in
     * the same window: the machine's own speed for them. */
    vt_bench::bench_fn copy;
    if (text)
        copy = [narrow](benchmark::State& state) {
            std::vector<char> out(narrow.size() + 1);
            for (auto _ : state) {
                std::memcpy(out.data(), narrow.c_str(), narrow.size() + 1);
                benchmark::DoNotOptimize(out.data());
                benchmark::ClobberMemory();
            }
        };
    std::string id_part = std::string("_") + lang.id;

    spec.id = "wstostr" + id_part;
    spec.operation = std::string("wstostr vs iconv, ") + lang.label;
    add_pair(spec,
             [lang, wide, units](benchmark::State& state) {
                 std::vector<char> out(4 * units + 1);
                 lang_set(lang.code);
                 for (auto _ : state) benchmark::DoNotOptimize(wstostr(out.data(), wide.c_str()));
             },
             [encoder, wide, units](benchmark::State& state) {
                 std::vector<char> out(4 * units + 1);
                 for (auto _ : state) {
                     size_t length = std::char_traits<char16_t>::length(wide.c_str());
                     benchmark::DoNotOptimize(iconv_all(encoder, wide.c_str(), length * 2, out.data(), out.size(), 1));
                 }
             },
             nullptr, copy);
    spec.id = "strtows" + id_part;
    spec.operation = std::string("strtows vs iconv, ") + lang.label;
    add_pair(spec,
             [lang, narrow](benchmark::State& state) {
                 std::vector<char16_t> out(narrow.size() + 1);
                 lang_set(lang.code);
                 for (auto _ : state) benchmark::DoNotOptimize(strtows(out.data(), narrow.c_str()));
             },
             [decoder, narrow](benchmark::State& state) {
                 std::vector<char16_t> out(narrow.size() + 1);
                 for (auto _ : state) {
                     size_t length = std::strlen(narrow.c_str());
                     benchmark::DoNotOptimize(iconv_all(decoder, narrow.c_str(), length, out.data(), out.size() * 2, 2));
                 }
             },
             nullptr, copy);
}

}  // namespace

VT_BENCH_PAIRS(text) {
    for (const language& lang : languages) pairs_for(lang, NAME_UNITS);
    for (const language& lang : languages) pairs_for(lang, TEXT_UNITS);
}
