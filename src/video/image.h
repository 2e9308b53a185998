// A PNG picture decoded once into the screen's own RGB565 format.
#pragma once

#include <cstdint>
#include <cstdio>

// Where a picture is read from: a file by name, or a stream that is already
// open (read from where it stands; `name` only names it in messages).
struct PictureSource {
    PictureSource(const char* path) : name(path), stream(nullptr) {}
    PictureSource(FILE* stream, const char* name) : name(name), stream(stream) {}
    const char* name;
    FILE* stream;
};

// No side of a picture may be longer than this; the header's claim is
// checked before anything is decoded, so a few bytes cannot ask for
// gigabytes.
const int MAX_PICTURE_SIDE = 4096;

#include <vector>

#include "core/pixel.h" // rgb565ToRgb888, for the picture writers

class Image {
  public:
    int32_t pixelCount; // width * height
    uint16_t* pixels;   // owned, row-major, rows of `width` pixels
    int32_t width;
    int32_t height;

    // Loads the PNG picture as it is. A file that is missing, not a PNG,
    // larger than MAX_PICTURE_SIDE on a side or cannot be decoded gives an
    // empty 0x0 picture, silently.
    explicit Image(const PictureSource& source);

    // Loads a picture whose owner relies on `width` columns and at least
    // `minHeight` rows. A picture that does not meet that (missing,
    // undecodable or the wrong size, told by its header before decoding) is
    // replaced by a black width x minHeight picture and one line naming the
    // file goes to stderr.
    Image(const PictureSource& source, int width, int minHeight);

    // Blank picture of width x height black pixels.
    Image(int width, int height);

    ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    // Copies the first 320x240 pixels over the screen in one block.
    void copyToScreen() const;

    // Loads a picture read only as a run of pixels in storage order (a
    // palette ramp): any shape with at least minPixels pixels is kept;
    // otherwise it is replaced by minPixels black pixels in one row, with the
    // same stderr line.
    static Image* loadAtLeast(const PictureSource& source, int minPixels);

    // Loads a picture read with its own width as the row stride (a glyph
    // sheet): any picture at least minWidth x minHeight is kept; otherwise it
    // is replaced by a black minWidth x minHeight one, with the stderr line.
    static Image* loadAtLeast(const PictureSource& source, int minWidth, int minHeight);

  private:
    Image() = default;
    // Decodes the picture if the size its header gives lies within these
    // bounds (and within MAX_PICTURE_SIDE); otherwise nothing is decoded.
    bool decode(const PictureSource& source, int minWidth, int maxWidth, int minHeight,
                int64_t minPixels);
    void makeBlank(int width, int height);
};

// blendOpacity of core/pixel.h for opacities 0..63, in two multiplies, and
// the source itself at 64. Its weights there are o * 1024, so each channel is
// (o*c + (64-o)*d) >> 6 = d + ((o*(c - d)) >> 6), floored, and never reaches
// the saturation. Here red and blue share one word and green has its own:
// taken as wrapping unsigned words, 64*d + o*(c - d) is the true non-negative
// total (below 2^22, blue's sum below 2048 under red's bit 11), and shifting
// it by 6 equals d + (o*(c - d) >> 6) in every bit kept. Only the low 16 bits
// of c are read, so a packed word can be passed as it is.
inline uint32_t blendLevelWord(uint32_t c, uint32_t d, uint32_t o) { // the pixel in bits 0..15
    const uint32_t dRb = d & 0xF81Fu, dG = d & 0x07E0u;
    const uint32_t rb = dRb + ((o * ((c & 0xF81Fu) - dRb)) >> 6);
    const uint32_t g = dG + ((o * ((c & 0x07E0u) - dG)) >> 6);
    return rb ^ ((rb ^ g) & 0x07E0u); // green from g, the rest from rb
}
inline uint16_t blendLevel(uint32_t c, uint32_t d, uint32_t o) {
    return static_cast<uint16_t>(blendLevelWord(c, d, o));
}

// The level of a picture pixel whose opacity (green, 0..63) makes 63 the
// picture itself, 0 nothing and anything between a blend.
inline uint32_t opacityLevel(uint16_t opacityPixel) {
    const uint32_t o = greenOf(opacityPixel);
    return o == 63 ? 64 : o;
}

// Lays a pixel of level << 24 | colour (level 1..64; bits 16..23 are not
// read) over *target.
inline void blendDab(uint16_t* target, uint32_t colourLevel) {
    const uint32_t level = colourLevel >> 24;
    const uint32_t p = level == 64 ? colourLevel // a plain copy
                                   : blendLevelWord(colourLevel, *target, level);
    *target = static_cast<uint16_t>(p);
}

// One pixel that a picture draws: its place relative to where the picture is
// drawn, in bytes of the screen (twice its pixels), and level << 24 | colour,
// level 1..64 as blendLevel takes it.
struct Dab {
    int32_t offset;
    uint32_t colourLevel;
};

// Blends every dab over the pixel `origin + offset` bytes into `pixels`, in
// order; each of those must lie within the screen.
void drawDabs(uint16_t* pixels, int32_t origin, const Dab* begin, const Dab* end);

// Blends `colour` at each level over the pixel `origin + offset` bytes into
// `pixels`, for a picture of one colour: each entry is its byte offset << 8 |
// level (1..64); the places must all differ and lie within the screen.
void drawTint(uint16_t* pixels, int32_t origin, uint16_t colour, const uint32_t* begin,
              const uint32_t* end);

// A picture of at most 256 columns cut down to the pixels it draws, to be
// blended over the screen wherever it lands. Each row's drawn pixels are cut
// into runs of neighbouring columns: runs of opaque pixels long enough to be
// worth it are copied, the rest are blended (a level of 64 blends to the
// colour itself, so an opaque pixel may be in either kind).
class Sprite {
  public:
    // Keeps pixel i of `colours` at level(i) where that is 1..64.
    template <class Level> Sprite(const Image& colours, Level level);

    // Draws rows firstRow..endRow-1, row firstRow on screen row y and column
    // 0 on screen column x, of each only the columns below `columns`; nothing
    // outside the screen.
    void draw(int64_t x, int64_t y, int32_t firstRow, int32_t endRow, int32_t columns) const;

  private:
    // Columns first..end-1 of a row, as span = first | end << 16 (first is
    // below 256, so bits 8..15 are clear); column c's pixel is
    // copies[data + c] (a copy run, data even) or blends[data + c] (a blend
    // run).
    struct Run {
        int32_t data;
        uint32_t span;
    };
    // Opaque stretches shorter than this are blended with their neighbours:
    // a run of its own, and the blend run it would cut in two, cost more
    // than blending a few pixels.
    static const int32_t SHORTEST_COPY = 6;

    int32_t width;
    int32_t height;
    // Colours, each copy run's from an even place (a pad before it where
    // needed), then all of them again from place oddCopies (odd): drawn at
    // an odd x, a run is copied from there, so that its source and its
    // screen place always share their parity and it goes a word at a time.
    std::vector<uint16_t> copies;
    int32_t oddCopies;
    // Colour c at level o (1..64), packed for blendPair: o * green << 20 |
    // (64 - o) << 5 | (c & 0xF81F). Green's share of blendLevel's total
    // (64 - o) * d + o * c (at most 4032) is multiplied once here; the
    // weight 64 - o sits in green's place of the colour.
    std::vector<uint32_t> blends;
    std::vector<Run> runs;
    // Row r's copy runs are runs[rowRuns[2r]..rowRuns[2r + 1]), its blend
    // runs runs[rowRuns[2r + 1]..rowRuns[2r + 2]); 2 * height + 1 entries.
    std::vector<int32_t> rowRuns;

    void addRow(const std::vector<uint32_t>& drawn);
    void addOddCopies();
};

template <class Level> Sprite::Sprite(const Image& colours, Level level) {
    width = colours.width < 256 ? colours.width : 256;
    height = colours.height;
    rowRuns.push_back(0);
    std::vector<uint32_t> drawn; // level << 24 | column << 16 | colour, in column order
    for (int32_t r = 0; r < height; r++) {
        drawn.clear();
        for (int32_t column = 0; column < width; column++) {
            const int32_t i = r * colours.width + column;
            const uint32_t l = level(i);
            if (l >= 1 && l <= 64)
                drawn.push_back(l << 24 | uint32_t(column) << 16 | colours.pixels[i]);
        }
        addRow(drawn);
    }
    addOddCopies();
}
