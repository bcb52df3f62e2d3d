/* Model names for the soak: fixed pools of code points per script, so that a seed names the same
 * models in every build, and the script-line form of a name.
 *
 * The pools reach every conversion path of the add-in: ASCII, Latin-1 and Latin Extended-A
 * (whose U+01xx units the English and Hebrew paths cut to their low byte, 0x00 among them),
 * the euro sign, Cyrillic, Greek, Hebrew letters and points, kana (half-width too), CJK
 * ideographs and Hangul, characters none or few of the code pages hold (Arabic, Thai,
 * Devanagari, Armenian, symbols, a combining accent, characters Windows maps by best fit) and
 * characters beyond U+FFFF.  No pool holds '>', so that a name can never make a client-library
 * line look as if it ended early. */
#include "host/soak.h"

#include "text/utf8.h"

namespace vthost {

namespace {

struct Range {
    char32_t first, last;
};

const Range latin[] = {{'A', 'Z'}, {'a', 'z'}, {'0', '9'}, {'_', '_'}, {'-', '-'},
                       {0xC0, 0xFF}, {0x100, 0x17F}, {0x20AC, 0x20AC}};
const Range cyrillic[] = {{0x410, 0x44F}, {0x401, 0x401}, {0x451, 0x451}, {0x404, 0x407}, {0x490, 0x491}};
const Range greek[] = {{0x391, 0x3A1}, {0x3A3, 0x3A9}, {0x3B1, 0x3C9}, {0x386, 0x386}, {0x3AC, 0x3AF}};
const Range cjk[] = {{0x4E00, 0x4FFF}, {0x6C34, 0x6D00}, {0x3041, 0x3093}, {0x30A1, 0x30F6},
                     {0xFF66, 0xFF9D}, {0xAC00, 0xAD00}, {0xFF21, 0xFF3A}, {0x3000, 0x3002}};
const Range hebrew[] = {{0x5D0, 0x5EA}, {0x5B0, 0x5B9}, {0x5F0, 0x5F2}};
const Range outside[] = {{0x627, 0x63A}, {0xE01, 0xE2E}, {0x905, 0x939}, {0x531, 0x556},
                         {0x2122, 0x2122}, {0x2030, 0x2030}, {0x2603, 0x2603}, {0xA0, 0xA0},
                         {0x301, 0x301}, {0xFB01, 0xFB02}, {0x2013, 0x2014}, {0x201C, 0x201D}};
const Range supplementary[] = {{0x1F600, 0x1F64F}, {0x20000, 0x2A6D6}, {0x1D400, 0x1D433}, {0x10400, 0x1044F}};
/* Blanks and what a script line writes as \xHH, and punctuation a file name may hold. */
const Range special[] = {{' ', ' '}, {'#', '#'}, {'\\', '\\'}, {'\t', '\t'}, {'.', '.'}, {'"', '"'},
                         {'%', '%'}, {'$', '$'}, {'&', '&'}, {'(', ')'}, {'\'', '\''}, {0x7F, 0x7F}};

struct Pool {
    const Range* ranges;
    int count;
};

template <int N>
Pool pool_of(const Range (&ranges)[N]) {
    return {ranges, N};
}

Pool pool(SoakScript script) {
    switch (script) {
    case SCRIPT_LATIN: return pool_of(latin);
    case SCRIPT_CYRILLIC: return pool_of(cyrillic);
    case SCRIPT_GREEK: return pool_of(greek);
    case SCRIPT_CJK: return pool_of(cjk);
    case SCRIPT_HEBREW: return pool_of(hebrew);
    case SCRIPT_OUTSIDE: return pool_of(outside);
    case SCRIPT_SUPPLEMENTARY: return pool_of(supplementary);
    default: return pool_of(special);
    }
}

char32_t draw(SoakRandom& random, Pool from) {
    const Range& range = from.ranges[random.below(static_cast<uint32_t>(from.count))];
    return range.first + random.below(static_cast<uint32_t>(range.last - range.first + 1));
}

bool in(const Range* ranges, int count, char32_t code) {
    for (int i = 0; i < count; ++i)
        if (code >= ranges[i].first && code <= ranges[i].last) return true;
    return false;
}

void append_code(std::u16string& out, char32_t code) {
    char16_t units[2];
    out.append(units, static_cast<size_t>(utf16_encode(code, units)));
}

}  // namespace

const char* soak_script_name(SoakScript script) {
    static const char* const names[] = {"Latin", "Cyrillic", "Greek", "CJK", "Hebrew",
                                        "outside the code pages", "surrogate pairs", "mixed"};
    return script < SCRIPT_COUNT ? names[script] : "special";
}

SoakScript soak_script_of(char32_t code) {
    /* ASCII letters and digits count as Latin; the special pool is checked first. */
    if (in(special, sizeof special / sizeof special[0], code)) return SCRIPT_COUNT;
    for (int script = SCRIPT_LATIN; script < SCRIPT_MIXED; ++script) {
        Pool each = pool(static_cast<SoakScript>(script));
        if (in(each.ranges, each.count, code)) return static_cast<SoakScript>(script);
    }
    return SCRIPT_COUNT;
}

std::u16string soak_name(SoakRandom& random, SoakScript script, int units, bool specials) {
    std::u16string name;
    while (static_cast<int>(name.size()) < units) {
        int left = units - static_cast<int>(name.size());
        SoakScript from = script == SCRIPT_MIXED ? static_cast<SoakScript>(random.below(SCRIPT_MIXED)) : script;
        char32_t code;
        if (specials && random.chance(60)) {
            code = draw(random, pool(SCRIPT_COUNT));
        } else if (from != SCRIPT_LATIN && random.chance(120)) {
            /* Part numbers and suffixes in ASCII, as names in any script carry them. */
            code = draw(random, Pool{latin, 5});
        } else {
            if (from == SCRIPT_SUPPLEMENTARY && left < 2) from = SCRIPT_OUTSIDE;
            code = draw(random, pool(from));
        }
        append_code(name, code);
    }
    return name;
}

std::string script_word(const std::u16string& text) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        /* A lone surrogate comes out as U+FFFD. */
        char32_t code;
        i += static_cast<size_t>(utf16_decode(text.data() + i, text.size() - i, &code));
        if (code <= 0x20 || code == 0x7F || code == '#' || code == '\\') {
            out += "\\x";
            out += digits[code >> 4];
            out += digits[code & 15];
        } else {
            char bytes[4];
            out.append(bytes, static_cast<size_t>(utf8_encode(code, bytes)));
        }
    }
    return out;
}

}  // namespace vthost
