/* The GIF reader: the blocks of the file, then the variable-width LZW of the image data. */
#include "host/check/gif.h"

namespace vthost {

namespace {

enum { MAX_PIXELS = 1 << 24, MAX_CODES = 4096 };
enum LzwResult { LZW_OK, LZW_BAD, LZW_TOO_LONG };

/* Variable-width LZW of GIF.  A table entry is its prefix entry plus one last index, so that no
 * entry copies another; the output stops at `limit` indexes. */
LzwResult lzw_decode(const std::vector<uint8_t>& data, int min_size, size_t limit, std::vector<int>* out) {
    struct Entry {
        int prefix, first, last, length;
    };
    const int clear = 1 << min_size, end = clear + 1;
    std::vector<Entry> table;
    int width = min_size + 1, prev = -1;
    size_t bit = 0;
    bool started = false;
    auto reset = [&] {
        table.clear();
        for (int i = 0; i < clear; ++i) table.push_back({-1, i, i, 1});
        table.push_back({-1, 0, 0, 0}); /* clear */
        table.push_back({-1, 0, 0, 0}); /* end */
        width = min_size + 1;
        prev = -1;
    };
    reset();
    for (;;) {
        if (bit + width > data.size() * 8) return LZW_BAD; /* ran out before the end code */
        int code = 0;
        for (int k = 0; k < width; ++k, ++bit) code |= ((data[bit / 8] >> (bit % 8)) & 1) << k;
        if (code == clear) {
            reset();
            started = true;
            continue;
        }
        if (code == end) return started ? LZW_OK : LZW_BAD;
        if (!started) return LZW_BAD; /* GIF data starts with a clear code */
        int size = static_cast<int>(table.size());
        if (code < size && table[code].length > 0) {
            if (prev >= 0 && size < MAX_CODES)
                table.push_back({prev, table[prev].first, table[code].first, table[prev].length + 1});
        } else if (code == size && prev >= 0) {
            table.push_back({prev, table[prev].first, table[prev].first, table[prev].length + 1});
        } else {
            return LZW_BAD;
        }
        const Entry& entry = table[code];
        if (out->size() + static_cast<size_t>(entry.length) > limit) return LZW_TOO_LONG;
        size_t at = out->size() + static_cast<size_t>(entry.length);
        out->resize(at);
        for (int walk = code; walk >= 0; walk = table[walk].prefix) (*out)[--at] = table[walk].last;
        prev = code;
        if (static_cast<int>(table.size()) == (1 << width) && width < 12) ++width;
    }
}

}  // namespace

Gif read_gif(const std::string& blob) {
    Gif g;
    auto byte = [&](size_t i) -> int { return i < blob.size() ? static_cast<uint8_t>(blob[i]) : -1; };
    auto word = [&](size_t i) { return byte(i) | (byte(i + 1) << 8); };
    if (blob.compare(0, 6, "GIF89a") != 0) { g.error = "not GIF89a"; return g; }
    if (blob.size() < 13) { g.error = "truncated screen descriptor"; return g; }
    g.width = word(6);
    g.height = word(8);
    int flags = byte(10);
    if (!(flags & 0x80)) { g.error = "no global colour table"; return g; }
    g.colours = 2 << (flags & 7);
    size_t pos = 13 + 3 * static_cast<size_t>(g.colours);
    if (blob.size() < pos) { g.error = "truncated colour table"; return g; }
    g.palette.assign(blob.begin() + 13, blob.begin() + static_cast<long>(pos));
    bool image = false;
    while (pos < blob.size()) {
        int kind = byte(pos);
        if (kind == 0x3B) {
            if (pos + 1 != blob.size()) g.error = "bytes after the trailer";
            else if (!image) g.error = "no image";
            return g;
        }
        if (kind == 0x21) {
            int label = byte(pos + 1);
            if (label == 0xF9) {
                if (byte(pos + 2) != 4) { g.error = "bad graphic control extension"; return g; }
                if (byte(pos + 3) & 1) g.transparent = byte(pos + 6);
            }
            pos += 2;
        } else if (kind == 0x2C) {
            if (image) { g.error = "more than one image"; return g; }
            image = true;
            if (word(pos + 1) != 0 || word(pos + 3) != 0 || word(pos + 5) != g.width || word(pos + 7) != g.height) {
                g.error = "image does not fill the screen"; return g;
            }
            if (byte(pos + 9) & 0xC0) { g.error = "local colour table or interlace"; return g; }
            int min_size = byte(pos + 10);
            if (min_size < 2 || min_size > 8) { g.error = "bad LZW code size"; return g; }
            size_t pixels = static_cast<size_t>(g.width) * static_cast<size_t>(g.height);
            if (pixels > MAX_PIXELS) { g.error = "image too large"; return g; }
            pos += 11;
            std::vector<uint8_t> data;
            while (byte(pos) > 0) {
                size_t n = static_cast<size_t>(byte(pos));
                if (pos + 1 + n > blob.size()) { g.error = "truncated image data"; return g; }
                data.insert(data.end(), blob.begin() + static_cast<long>(pos + 1), blob.begin() + static_cast<long>(pos + 1 + n));
                pos += n + 1;
            }
            LzwResult result = lzw_decode(data, min_size, pixels, &g.pixels);
            if (result == LZW_BAD) { g.error = "bad LZW data"; return g; }
            if (result == LZW_TOO_LONG || g.pixels.size() != pixels) { g.error = "wrong pixel count"; return g; }
            for (int p : g.pixels)
                if (p >= g.colours) { g.error = "pixel outside the colour table"; return g; }
        } else {
            g.error = "unknown block"; return g;
        }
        /* Skip the sub-blocks of an extension (image data ends on its own terminator). */
        if (kind == 0x21) {
            while (byte(pos) > 0) pos += static_cast<size_t>(byte(pos)) + 1;
            if (byte(pos) < 0) { g.error = "truncated extension"; return g; }
        }
        if (byte(pos) != 0) { g.error = "missing block terminator"; return g; }
        ++pos;
    }
    g.error = "no trailer";
    return g;
}

}  // namespace vthost
