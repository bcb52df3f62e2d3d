/* The bounded formatter and scanner.
 *
 * pro_sprintf walks its format once: ordinary characters are copied whole (EUC character length
 * rule), "%%" gives "%", and every conversion is matched against a fixed specifier table, turned
 * into one run-time printf specification and formatted into the piece buffer, whose text is then
 * appended to the output.  Output, piece and "%ws" conversion buffers are xarrays of one shared
 * formatter state made on first use; a result without a destination lives until the next call.
 * pro_scanf reads its conversions with the same parser and table matching ("ws" becomes "s"),
 * hands the translated format to sscanf with a fixed number of target slots, then widens the
 * "%ws" targets in place.
 *
 * Every buffer is sized before it is written: pieces are formatted with the buffer's capacity
 * and formatted again after growing when they did not fit; a request beyond what an xarray can
 * hold refuses the call instead. */
#include "text/text.h"

#include <stdio.h>
#include <string.h>

#include <type_traits>

#include "frame/report.h"
#include "memory/memory.h"
#include "platform/platform.h"
#include "text/text_internal.h"

namespace {

enum arg_kind { KIND_INT, KIND_DOUBLE, KIND_STRING, KIND_WIDE, KIND_PATH, KIND_FLOAT_TARGET,
                KIND_COUNT };

struct specifier_row {
    const char* text;        /* conversion letters as matched in the format (any ASCII case) */
    const char* replacement; /* letters handed to the run-time library, or null: the matched ones */
    arg_kind kind;
};

const specifier_row print_rows[] = {
    {"d", nullptr, KIND_INT},     {"f", nullptr, KIND_DOUBLE},  {"lf", nullptr, KIND_DOUBLE},
    {"s", nullptr, KIND_STRING},  {"ws", "s", KIND_WIDE},       {"e", nullptr, KIND_DOUBLE},
    {"g", nullptr, KIND_DOUBLE},  {"c", nullptr, KIND_INT},     {"i", nullptr, KIND_INT},
    {"o", nullptr, KIND_INT},     {"u", nullptr, KIND_INT},     {"x", nullptr, KIND_INT},
    {"ld", nullptr, KIND_INT},    {"li", nullptr, KIND_INT},    {"lo", nullptr, KIND_INT},
    {"lu", nullptr, KIND_INT},    {"lx", nullptr, KIND_INT},    {"pd", "s", KIND_PATH},
    {"pf", "s", KIND_PATH},
};

/* Scanner rows; KIND_FLOAT_TARGET and KIND_DOUBLE only say which letters keep their "l". */
const specifier_row scan_rows[] = {
    {"d", nullptr, KIND_INT},     {"f", nullptr, KIND_FLOAT_TARGET},
    {"lf", nullptr, KIND_DOUBLE}, {"le", nullptr, KIND_DOUBLE}, {"lg", nullptr, KIND_DOUBLE},
    {"s", nullptr, KIND_STRING},  {"ws", "s", KIND_WIDE},
    {"e", nullptr, KIND_FLOAT_TARGET}, {"g", nullptr, KIND_FLOAT_TARGET},
    {"c", nullptr, KIND_INT},     {"i", nullptr, KIND_INT},     {"o", nullptr, KIND_INT},
    {"u", nullptr, KIND_INT},     {"x", nullptr, KIND_INT},     {"ld", nullptr, KIND_INT},
    {"li", nullptr, KIND_INT},    {"lo", nullptr, KIND_INT},    {"lu", nullptr, KIND_INT},
    {"lx", nullptr, KIND_INT},    {"n", nullptr, KIND_COUNT},
};

const int print_format_limit = 500;   /* longest format pro_sprintf accepts */
const int scan_format_limit = 512;    /* longest format pro_scanf accepts */
const int spec_limit = 19;            /* longest conversion specification, stars written in */
const int path_limit = 256;           /* local copy of a "pd"/"pf" argument, terminator included */
const int scan_target_limit = 20;     /* target slots handed to sscanf */
const int scan_wide_units = 512;      /* temporary of a "%ws" target, terminator included */
const int buffer_limit = 2000000;     /* largest piece or output: below the xarray maximum */

struct formatter_state {
    char* output;            /* xarray of bytes: the text of the current call */
    char* conversion;        /* xarray of bytes: narrow form of a "%ws" argument */
    char* piece;             /* xarray of bytes: text of one conversion */
    int conversion_capacity; /* bytes the conversion buffer holds */
    int piece_capacity;      /* bytes the piece buffer holds */
};

formatter_state* state = nullptr;

bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }


/* Length of a row's text or letters (one or two bytes): found by looking, which costs less than
 * a library call on so short a text (a counting loop would be turned into that call). */
size_t short_length(const char* text) {
    if (text[0] == '\0') return 0;
    if (text[1] == '\0') return 1;
    if (text[2] == '\0') return 2;
    return 3 + strlen(text + 3);
}

/* First row whose text matches at p, ignoring ASCII case: every byte of the row's text matched
 * before the format ends. */
const specifier_row* match_row(const specifier_row* rows, int row_count, const char* p) {
    for (int i = 0; i < row_count; ++i) {
        const char* text = rows[i].text;
        size_t k = 0;
        while (text[k] != '\0' && p[k] != '\0' && ascii_lower(p[k]) == text[k]) ++k;
        if (text[k] == '\0') return &rows[i];
    }
    return nullptr;
}

/* The letters handed to the run-time library for a matched row.  The letters are passed on as
 * written where the run-time library gives both cases the same argument type ("%X", "%E", "%G",
 * "%F"); every other letter goes lower case, because the upper-case forms "%S", "%C", "%Lf" or
 * "%Ld" would read a wide or wider argument than the one the row takes.  The "l" of the integer
 * rows is dropped: their arguments and targets are 32-bit. */
void row_letters(const specifier_row* row, const char* written, char* letters) {
    if (row->replacement != nullptr) {
        size_t n = short_length(row->replacement);
        memcpy(letters, row->replacement, n + 1);
        return;
    }
    size_t n = short_length(row->text);
    size_t out = 0;
    for (size_t k = 0; k < n; ++k) {
        char c = written[k];
        bool last = k + 1 == n;
        if (!last && row->kind == KIND_INT) continue; /* the "l" of "ld", "lx", ... */
        if (last && (c == 'X' || c == 'E' || c == 'G' || c == 'F'))
            letters[out++] = c;
        else
            letters[out++] = ascii_lower(c);
    }
    letters[out] = '\0';
}

/* One conversion specification as both sides read it: from its "%" through the flags, width,
 * precision and stars up to the conversion letters, which are matched against the side's
 * specifier table; the scanner also takes a scanset ("%[...]") in place of letters. */
struct conversion_spec {
    const char* start;          /* the "%" */
    int prefix_length;          /* bytes from the "%" up to the letters or the "[" */
    int stars;                  /* "*" in the prefix */
    const specifier_row* row;   /* the matched row; null for a scanset */
    char letters[4];            /* the letters handed to the run-time library (none for a scanset) */
    const char* end;            /* the format after the conversion */
};

/* Reads the conversion whose "%" is at p.  False for one the side does not accept: a "$"
 * (positional arguments would read what was never passed), a format that ends before the
 * letters, letters that no row matches, a scanset without its closing "]". */
bool parse_conversion(const char* p, const specifier_row* rows, int row_count, bool scansets,
                      conversion_spec* spec) {
    const char* q = p + 1;
    spec->start = p;
    spec->stars = 0;
    spec->row = nullptr;
    spec->letters[0] = '\0';
    while (*q != '\0' && !is_letter(*q) && !(scansets && *q == '[')) {
        if (*q == '$') return false;
        if (*q == '*') ++spec->stars;
        ++q;
    }
    spec->prefix_length = static_cast<int>(q - p);
    if (scansets && *q == '[') {
        /* a scanset runs to its closing "]"; a "]" right after "[" or "[^" is a member */
        ++q;
        if (*q == '^') ++q;
        if (*q == ']') ++q;
        while (*q != '\0' && *q != ']') ++q;
        if (*q != ']') return false;
        spec->end = q + 1;
        return true;
    }
    if (*q == '\0') return false;
    spec->row = match_row(rows, row_count, q);
    if (spec->row == nullptr) return false;
    row_letters(spec->row, q, spec->letters);
    spec->end = q + short_length(spec->row->text);
    return true;
}

/* Makes *buffer hold at least size bytes; false when that is more than a buffer may hold. */
bool ensure(char** buffer, int* capacity, int size) {
    if (size <= *capacity) return true;
    if (size > buffer_limit) return false;
    XAR_RESIZE(reinterpret_cast<void**>(buffer), size);
    *capacity = size;
    return true;
}

void create_state(void) {
    state = static_cast<formatter_state*>(getmem(static_cast<int>(sizeof(formatter_state)), 0));
    state->output = static_cast<char*>(XAR_ALLOC(0, 1, 300));
    state->conversion = static_cast<char*>(XAR_ALLOC(500, 1, 500));
    state->piece = static_cast<char*>(XAR_ALLOC(500, 1, 500));
    state->conversion_capacity = 500;
    state->piece_capacity = 500;
}

/* Bytes in the output so far: the output's count, kept here so that an append needs no query. */
int output_length = 0;

bool append_output(const char* text, int n) {
    if (n <= 0) return true;
    if (output_length + n > buffer_limit) return false;
    XAR_APPEND(reinterpret_cast<void**>(&state->output), n, text);
    output_length += n;
    return true;
}

/* True when the width (or, where it pads, the precision) of a specification alone asks for more
 * than a piece may hold.  Such a piece is refused in any case; asking the run-time library first
 * would make it walk the whole padding (up to 2^31 characters for a star value) only to count. */
bool spec_exceeds_limit(const char* spec, bool precision_pads) {
    bool in_precision = false;
    for (const char* p = spec + 1; *p != '\0';) {
        if (*p < '0' || *p > '9') {
            if (*p == '.') in_precision = true;
            ++p;
            continue;
        }
        long long number = 0;
        while (*p >= '0' && *p <= '9') {
            if (number <= buffer_limit) number = number * 10 + (*p - '0');
            ++p;
        }
        if (number > buffer_limit && (!in_precision || precision_pads)) return true;
    }
    return false;
}

/* A number's precision adds digits; a string's precision only cuts it. */
template <typename T>
constexpr bool precision_pads = true;
template <>
constexpr bool precision_pads<const char*> = false;

/* The run-time library's text of one value; doubles through the platform, whose library
 * decides the digits of an exponent. */
template <typename T>
int print_value(char* dest, size_t capacity, const char* spec, T value) {
    if constexpr (std::is_same_v<T, double>) return platform.format_double(dest, capacity, spec, value);
    else return snprintf(dest, capacity, spec, value);
}

/* Formats one value into the piece buffer; the caller has checked the conversion text against
 * the value's kind.  Returns the piece's length, or -1 when it cannot be formatted or held. */
template <typename T>
int format_piece(const char* spec, T value) {
    if (spec_exceeds_limit(spec, precision_pads<T>)) return -1;
    for (;;) {
        int needed = print_value(state->piece, static_cast<size_t>(state->piece_capacity), spec, value);
        if (needed < 0) return -1;
        if (needed < state->piece_capacity) return needed;
        if (!ensure(&state->piece, &state->piece_capacity, needed + 1)) return -1;
    }
}

/* Width of a specification: after the "%", a "-" marks it left-justified, otherwise one leading
 * non-digit flag is skipped; the digits then are the width. */
int spec_width(const char* spec, bool* left) {
    const char* p = spec + 1;
    *left = false;
    if (*p == '-') {
        *left = true;
        ++p;
    } else if (*p != '\0' && (*p < '0' || *p > '9')) {
        ++p;
    }
    int width = 0;
    while (*p >= '0' && *p <= '9' && width < buffer_limit) width = width * 10 + (*p++ - '0');
    return width;
}

/* Two-digit exponents: a three-digit exponent that starts with "0" ("1.5e+007") loses that
 * digit, and the field width is made up with one blank. */
int normalise_exponent(const char* spec, int length) {
    char* piece = state->piece;
    char* e = strchr(piece, 'e');
    if (e == nullptr) e = strchr(piece, 'E');
    if (e == nullptr || e[1] == '\0' || e[2] != '0') return length;
    const char* digits = e + 2;
    int count = 0;
    while (digits[count] >= '0' && digits[count] <= '9') ++count;
    if (count != 3) return length;
    memmove(e + 2, e + 3, strlen(e + 3) + 1);
    --length;
    bool left = false;
    int width = spec_width(spec, &left);
    if (length < width) {
        if (left) {
            piece[length] = ' ';
            piece[length + 1] = '\0';
        } else {
            memmove(piece + 1, piece, static_cast<size_t>(length) + 1);
            piece[0] = ' ';
        }
        ++length;
    }
    return length;
}

/* Cuts converted "%ws" text to the precision at a character boundary; the first character is
 * always kept whole. */
void cut_to_precision(const char* spec, char* text) {
    const char* dot = strchr(spec, '.');
    if (dot == nullptr || dot[1] < '0' || dot[1] > '9') return;
    int precision = 0;
    for (const char* p = dot + 1; *p >= '0' && *p <= '9' && precision < buffer_limit; ++p)
        precision = precision * 10 + (*p - '0');
    int length = static_cast<int>(strlen(text));
    if (precision >= length) return;
    int at = 0;
    for (;;) {
        int next = at + euc_char_length(static_cast<unsigned char>(text[at]));
        if (next > length) next = length;
        if (next > precision) {
            text[at == 0 ? next : at] = '\0';
            return;
        }
        at = next;
    }
}

/* The narrow form of a "%ws" argument, in the conversion buffer; null when no buffer may hold
 * what the conversion can write for it. */
char* narrow_argument(const char16_t* value) {
    int n = value != nullptr ? static_cast<int>(wide_length(value)) : 0;
    if (n > (buffer_limit - 1) / TEXT_NARROW_PER_UNIT) return nullptr;
    if (!ensure(&state->conversion, &state->conversion_capacity, TEXT_NARROW_PER_UNIT * n + 1)) return nullptr;
    state->conversion[0] = '\0';
    wstostr(state->conversion, value);
    return state->conversion;
}

/* Formats the value of one conversion into the piece buffer; -1 refuses the call. */
int convert_value(const char* spec, arg_kind kind, va_list* args) {
    switch (kind) {
    case KIND_INT:
        return format_piece(spec, va_arg(*args, int));
    case KIND_DOUBLE: {
        double value = va_arg(*args, double);
        if (value < 1e-30 && value > -1e-30) value = 0.0;
        int length = format_piece(spec, value);
        if (length >= 0 && (strchr(spec, 'e') || strchr(spec, 'E') || strchr(spec, 'g')))
            length = normalise_exponent(spec, length);
        return length;
    }
    case KIND_STRING: {
        const char* value = va_arg(*args, const char*);
        return format_piece(spec, value != nullptr ? value : "(null)");
    }
    case KIND_WIDE: {
        char* narrow = narrow_argument(va_arg(*args, const char16_t*));
        if (narrow == nullptr) return -1;
        cut_to_precision(spec, narrow);
        return format_piece(spec, static_cast<const char*>(narrow));
    }
    case KIND_PATH: {
        const char* value = va_arg(*args, const char*);
        char copy[path_limit];
        copy[0] = '\0';
        if (value != nullptr) {
            size_t n = strlen(value);
            if (n >= static_cast<size_t>(path_limit))
                err_report_fatal("WSTRCOPY_X", "OVERFLOW.");
            else
                memcpy(copy, value, n + 1);
        }
        for (char* p = copy; *p != '\0'; ++p)
            if (*p == '/' || *p == '|') *p = '\\';
        return format_piece(spec, static_cast<const char*>(copy));
    }
    default:
        return -1;
    }
}

/* The decimal text of value, written backwards from the end of digits; returns its start. */
char* decimal_text(int value, char* end) {
    unsigned magnitude = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
    char* p = end;
    do {
        *--p = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) *--p = '-';
    return p;
}

/* A conversion without flags, width, precision or stars ("%s", "%ws", "%c", "%d", "%i") gives
 * the argument's own text, which is appended directly instead of going through sprintf and the
 * piece buffer: the same bytes, and the same refusal of a text no piece could hold.  Returns 1
 * done, 0 refused, -1 when the conversion takes the general path (nothing has been read). */
int convert_plain(char letter, arg_kind kind, va_list* args) {
    if (kind == KIND_STRING) {
        const char* value = va_arg(*args, const char*);
        if (value == nullptr) value = "(null)";
        size_t n = strlen(value);
        if (n >= static_cast<size_t>(buffer_limit)) return 0;
        return append_output(value, static_cast<int>(n)) ? 1 : 0;
    }
    if (kind == KIND_WIDE) {
        const char* narrow = narrow_argument(va_arg(*args, const char16_t*));
        if (narrow == nullptr) return 0;
        return append_output(narrow, static_cast<int>(strlen(narrow))) ? 1 : 0;
    }
    if (kind != KIND_INT) return -1;
    if (letter == 'c') {
        char byte = static_cast<char>(va_arg(*args, int));
        return append_output(&byte, 1) ? 1 : 0;
    }
    if (letter == 'd' || letter == 'i') {
        char digits[12];
        char* start = decimal_text(va_arg(*args, int), digits + sizeof digits);
        return append_output(start, static_cast<int>(digits + sizeof digits - start)) ? 1 : 0;
    }
    return -1;
}

/* Writes the star values into the conversion text in order; false when it grows too long. */
bool write_stars(char* spec, int stars, va_list* args) {
    for (int i = 0; i < stars; ++i) {
        char number[16];
        snprintf(number, sizeof number, "%d", va_arg(*args, int));
        char* star = strchr(spec, '*');
        if (star == nullptr) return false;
        size_t head = static_cast<size_t>(star - spec);
        size_t digits = strlen(number);
        size_t tail = strlen(star + 1);
        if (head + digits + tail > static_cast<size_t>(spec_limit)) return false;
        memmove(star + digits, star + 1, tail + 1);
        memcpy(star, number, digits);
    }
    return true;
}

/* One conversion starting at the "%" at *at; advances *at past its letters.  False refuses the
 * whole call. */
bool convert(const char** at, va_list* args) {
    conversion_spec conv;
    if (!parse_conversion(*at, print_rows, sizeof print_rows / sizeof print_rows[0], false, &conv))
        return false;
    size_t n = short_length(conv.letters);
    if (conv.prefix_length + static_cast<int>(n) > spec_limit) return false;
    char spec[spec_limit + 1];
    memcpy(spec, conv.start, static_cast<size_t>(conv.prefix_length));
    memcpy(spec + conv.prefix_length, conv.letters, n + 1);
    *at = conv.end;
    if (conv.prefix_length == 1) {
        int handled = convert_plain(conv.letters[0], conv.row->kind, args);
        if (handled >= 0) return handled == 1;
    }
    if (!write_stars(spec, conv.stars, args)) return false;
    int piece_length = convert_value(spec, conv.row->kind, args);
    if (piece_length < 0) return false;
    return append_output(state->piece, piece_length);
}

char* format_walk(char* dest, const char* format, size_t format_length, va_list* args) {
    const char* end = format + format_length;
    const char* p = format;
    while (*p != '\0') {
        if (*p != '%') {
            /* A run of whole characters up to the next "%" that starts a character goes to the
             * output at once; a character is never taken past the end of the format. */
            const char* run = p;
            while (*p != '\0' && *p != '%') {
                int n = euc_char_length(static_cast<unsigned char>(*p));
                if (n > end - p) n = static_cast<int>(end - p);
                p += n;
            }
            if (!append_output(run, static_cast<int>(p - run))) return nullptr;
        } else if (p[1] == '%') {
            if (!append_output("%", 1)) return nullptr;
            p += 2;
        } else if (!convert(&p, args)) {
            return nullptr;
        }
    }
    if (!append_output("", 1)) return nullptr;
    if (dest == nullptr) return state->output;
    strcpy(dest, state->output);
    return dest;
}

/* What the scanner keeps of each conversion that assigns a target. */
struct scan_conversion {
    bool wide;       /* "%ws" target */
    bool count;      /* "%n" target */
};

/* The format handed to sscanf and its conversions.  The translation never grows: "ws" becomes
 * "s", every other byte is copied; "%n" for the count output may follow. */
struct scan_translation {
    char text[scan_format_limit + 3];
    size_t length;
    scan_conversion conversions[scan_format_limit];
    int target_count;             /* conversions that assign a target ("%*d" assigns none) */
};

/* One conversion, translated from *at onto the translation; advances *at.  False for a
 * conversion the scanner does not accept. */
bool translate_conversion(const char** at, scan_translation* t) {
    conversion_spec spec;
    if (!parse_conversion(*at, scan_rows, sizeof scan_rows / sizeof scan_rows[0], true, &spec))
        return false;
    /* the prefix, then the letters, or for a scanset its brackets as written */
    const char* copied_to = spec.row != nullptr ? spec.start + spec.prefix_length : spec.end;
    memcpy(t->text + t->length, spec.start, static_cast<size_t>(copied_to - spec.start));
    t->length += static_cast<size_t>(copied_to - spec.start);
    if (spec.row != nullptr) {
        size_t n = short_length(spec.letters);
        memcpy(t->text + t->length, spec.letters, n);
        t->length += n;
    }
    if (spec.stars == 0) {
        scan_conversion* conv = &t->conversions[t->target_count++];
        conv->wide = spec.row != nullptr && spec.row->kind == KIND_WIDE;
        conv->count = spec.row != nullptr && spec.row->kind == KIND_COUNT;
    }
    *at = spec.end;
    return true;
}

/* Translates the whole format; false when one of its conversions is refused. */
bool translate_format(const char* format, scan_translation* t) {
    t->length = 0;
    t->target_count = 0;
    for (const char* p = format; *p != '\0';) {
        if (p[0] == '%' && p[1] == '%') {
            t->text[t->length++] = *p++;
            t->text[t->length++] = *p++;
        } else if (*p == '%') {
            if (!translate_conversion(&p, t)) return false;
        } else {
            /* Other bytes are copied one at a time, EUC characters included: sscanf reads the
             * format byte by byte, so a "%" after a lead byte is a conversion there too and
             * must be translated and counted here. */
            t->text[t->length++] = *p++;
        }
    }
    return true;
}

/* Widens the narrow text that sscanf stored in a "%ws" target, in place. */
void widen_target(void* target) {
    char narrow[scan_wide_units];
    strncpy(narrow, static_cast<const char*>(target), scan_wide_units - 1);
    narrow[scan_wide_units - 1] = '\0';
    char16_t wide[scan_wide_units];
    wide[0] = 0;
    strtows(wide, narrow);
    int n = wide_length(wide);
    memcpy(target, wide, (static_cast<size_t>(n) + 1) * sizeof(char16_t));
}

/* Widens the "%ws" targets that sscanf filled.  It assigns in order, so the first `assigned`
 * targets that are not counts are the filled ones. */
void widen_filled_targets(const scan_translation* t, void* const* targets, int assigned) {
    int filled = 0;
    for (int i = 0; i < t->target_count && filled < assigned; ++i) {
        if (t->conversions[i].count) continue;
        if (t->conversions[i].wide) widen_target(targets[i]);
        ++filled;
    }
}

}  // namespace

extern "C" {

char* pro_sprintf(char* dest, const char* format, va_list args) {
    if (format == nullptr) return nullptr;
    size_t format_length = strlen(format);
    if (format_length > static_cast<size_t>(print_format_limit)) {
        msg_log_printf("pro_sprintf   format too long \n");
        return nullptr;
    }
    if (state == nullptr)
        create_state();
    else
        XAR_RESIZE(reinterpret_cast<void**>(&state->output), 0);
    output_length = 0;
    va_list walk;
    va_copy(walk, args);
    char* result = format_walk(dest, format, format_length, &walk);
    va_end(walk);
    return result;
}

char* pro_str_format(char* dest, const char* format, ...) {
    va_list args;
    va_start(args, format);
    char* result = pro_sprintf(dest, format, args);
    va_end(args);
    return result;
}

int pro_wstr_format(char16_t* dest, const char* format, ...) {
    va_list args;
    va_start(args, format);
    char* text = pro_sprintf(nullptr, format, args);
    va_end(args);
    if (text == nullptr) return 0;
    strtows(dest, text);
    return wide_length(dest);
}

int pro_message(const char* format, ...) {
    va_list args;
    va_start(args, format);
    char* text = pro_sprintf(nullptr, format, args);
    va_end(args);
    if (text == nullptr) return 0;
    msg_log_printf("%s", text);
    return static_cast<int>(strlen(text));
}

int pro_scanf(const char* text, int* count, const char* format, va_list args) {
    if (count != nullptr) *count = 0;
    if (format == nullptr || text == nullptr) return 0;
    if (strlen(format) > static_cast<size_t>(scan_format_limit)) {
        msg_log_printf("pro_scanf   format too long \n");
        return 0;
    }
    scan_translation t;
    if (!translate_format(format, &t)) return 0;
    if (t.target_count + (count != nullptr ? 1 : 0) > scan_target_limit) {
        msg_log_printf("Too many arguments to be processed by pro_scanf\n");
        return 0;
    }

    void* targets[scan_target_limit] = {};
    va_list walk;
    va_copy(walk, args);
    for (int i = 0; i < t.target_count; ++i) targets[i] = va_arg(walk, void*);
    va_end(walk);
    if (count != nullptr) {
        t.text[t.length++] = '%';
        t.text[t.length++] = 'n';
        targets[t.target_count] = count;
    }
    t.text[t.length] = '\0';

    int assigned = sscanf(text, t.text, targets[0], targets[1], targets[2], targets[3],
                          targets[4], targets[5], targets[6], targets[7], targets[8], targets[9],
                          targets[10], targets[11], targets[12], targets[13], targets[14],
                          targets[15], targets[16], targets[17], targets[18], targets[19]);
    widen_filled_targets(&t, targets, assigned);
    return assigned;
}

int pro_sscanf(const char* text, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int result = pro_scanf(text, nullptr, format, args);
    va_end(args);
    return result;
}

}
