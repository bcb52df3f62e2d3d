/* A strict reader of one-image GIF89a files, as the menu icons are drawn: a global colour table,
 * at most a graphic control extension (its transparent colour), one image filling the screen,
 * no local colour table or interlace, LZW data that decodes to exactly one colour index per
 * pixel.  Every read is bounded by the file; the image may hold at most 2^24 pixels. */
#ifndef VTHOST_GIF_H
#define VTHOST_GIF_H

#include <stdint.h>

#include <string>
#include <vector>

namespace vthost {

struct Gif {
    std::string error;                      /* empty when the file is a valid one-image GIF89a */
    int width = 0, height = 0, colours = 0;
    int transparent = -1;                   /* transparent index of the graphic control extension */
    std::vector<uint8_t> palette;           /* RGB triples */
    std::vector<int> pixels;
};

Gif read_gif(const std::string& blob);

}  // namespace vthost

#endif
