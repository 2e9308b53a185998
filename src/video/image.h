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
