#include "video/image.h"

#include <stb_image.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/pixel.h"
#include "video/screen.h"

namespace {

const unsigned char PNG_SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

uint32_t bigEndian32(const unsigned char* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

// Pictures are PNG files. stb_image would also take other formats, some of
// which let a few bytes of header claim a picture of gigabytes, so anything
// without the PNG signature is refused before the decoder sees it. What a PNG
// claims is checked here just as early: the size in its IHDR chunk (which
// comes first, after any CgBI chunks that the decoder also reads), and the
// length of every chunk up to IEND, which must lie within the file, since
// the decoder allocates what an IDAT chunk claims before reading it. So the
// decoder is only ever given a picture whose size its owner accepts and
// chunks no larger than the file.
bool readPngSize(FILE* file, uint32_t* width, uint32_t* height) {
    const off_t start = ftello(file);
    if (start < 0 || fseeko(file, 0, SEEK_END) != 0) return false;
    const off_t end = ftello(file);
    if (end < start || fseeko(file, start, SEEK_SET) != 0) return false;
    uint64_t remaining = static_cast<uint64_t>(end - start);

    unsigned char signature[8];
    if (remaining < 8 || fread(signature, 1, 8, file) != 8 ||
        memcmp(signature, PNG_SIGNATURE, 8) != 0)
        return false;
    remaining -= 8;
    bool sizeSeen = false;
    for (;;) {
        unsigned char chunk[16]; // length, type, then the first 8 bytes of the data
        if (remaining < 8 || fread(chunk, 1, 8, file) != 8) return false;
        remaining -= 8;
        // The decoder stops at IEND without reading further.
        if (sizeSeen && memcmp(chunk + 4, "IEND", 4) == 0) return true;
        const uint64_t length = bigEndian32(chunk);
        if (length + 4 > remaining) return false; // the data and the CRC
        uint64_t skip = length + 4;
        if (!sizeSeen) {
            if (memcmp(chunk + 4, "IHDR", 4) == 0 && length == 13) {
                if (fread(chunk + 8, 1, 8, file) != 8) return false;
                *width = bigEndian32(chunk + 8);
                *height = bigEndian32(chunk + 12);
                sizeSeen = true;
                skip -= 8;
            } else if (memcmp(chunk + 4, "CgBI", 4) != 0) {
                return false;
            }
        }
        if (fseeko(file, static_cast<off_t>(skip), SEEK_CUR) != 0) return false;
        remaining -= length + 4;
    }
}

} // namespace

bool Image::decode(const PictureSource& source, int minWidth, int maxWidth, int minHeight,
                   int64_t minPixels) {
    pixelCount = 0;
    pixels = nullptr;
    width = 0;
    height = 0;
    FILE* file = source.stream ? source.stream : fopen(source.name, "rb");
    if (!file) return false;
    const off_t start = ftello(file);
    uint32_t w = 0, h = 0;
    unsigned char* rgb = nullptr;
    if (readPngSize(file, &w, &h) && w >= 1 && h >= 1 && w <= MAX_PICTURE_SIDE &&
        h <= MAX_PICTURE_SIDE && int64_t(w) >= minWidth && int64_t(w) <= maxWidth &&
        int64_t(h) >= minHeight && int64_t(w) * h >= minPixels &&
        fseeko(file, start, SEEK_SET) == 0) {
        int decodedWidth = 0, decodedHeight = 0, components = 0;
        rgb = stbi_load_from_file(file, &decodedWidth, &decodedHeight, &components, 3);
        if (rgb && (uint32_t(decodedWidth) != w || uint32_t(decodedHeight) != h)) {
            stbi_image_free(rgb);
            rgb = nullptr;
        }
    }
    if (!source.stream) fclose(file);
    if (!rgb) return false;
    width = int32_t(w);
    height = int32_t(h);
    pixelCount = width * height;
    pixels = new uint16_t[pixelCount];
    for (int32_t i = 0; i < pixelCount; i++) {
        const unsigned char* p = rgb + 3 * i;
        pixels[i] = packRgb565(p[0] >> 3, p[1] >> 2, p[2] >> 3);
    }
    stbi_image_free(rgb);
    return true;
}

void Image::makeBlank(int w, int h) {
    delete[] pixels;
    width = w;
    height = h;
    pixelCount = w * h;
    pixels = new uint16_t[pixelCount]();
}

Image::Image(const PictureSource& source) {
    decode(source, 1, MAX_PICTURE_SIDE, 1, 0);
}

Image::Image(const PictureSource& source, int needWidth, int minHeight) {
    if (decode(source, needWidth, needWidth, minHeight, 0)) return;
    fprintf(stderr, "picture %s is missing or not %dx%d; using a black one\n", source.name,
            needWidth, minHeight);
    makeBlank(needWidth, minHeight);
}

Image* Image::loadAtLeast(const PictureSource& source, int minPixels) {
    Image* image = new Image;
    if (image->decode(source, 1, MAX_PICTURE_SIDE, 1, minPixels)) return image;
    fprintf(stderr, "picture %s is missing or has fewer than %d pixels; using a black one\n",
            source.name, minPixels);
    image->makeBlank(minPixels, 1);
    return image;
}

Image* Image::loadAtLeast(const PictureSource& source, int minWidth, int minHeight) {
    Image* image = new Image;
    if (image->decode(source, minWidth, MAX_PICTURE_SIDE, minHeight, 0)) return image;
    fprintf(stderr, "picture %s is missing or smaller than %dx%d; using a black one\n", source.name,
            minWidth, minHeight);
    image->makeBlank(minWidth, minHeight);
    return image;
}

Image::Image(int w, int h) : pixelCount(0), pixels(nullptr), width(0), height(0) {
    makeBlank(w, h);
}

Image::~Image() {
    delete[] pixels;
}

void Image::copyToScreen() const {
    memcpy(Screen::instance()->pixels, pixels, SCREEN_BYTES);
}

void drawDabs(uint16_t* pixels, int32_t origin, const Dab* begin, const Dab* end) {
    uint8_t* bytes = reinterpret_cast<uint8_t*>(pixels);
    for (const Dab* dab = begin; dab != end; dab++)
        blendDab(reinterpret_cast<uint16_t*>(bytes + (origin + dab->offset)), dab->colourLevel);
}

void drawTint(uint16_t* pixels, int32_t origin, uint16_t colour, const uint32_t* begin,
              const uint32_t* end) {
    uint8_t* bytes = reinterpret_cast<uint8_t*>(pixels);
    const auto at = [bytes, origin](uint32_t e) {
        return reinterpret_cast<uint16_t*>(bytes + (origin + int32_t(e >> 8)));
    };
    const uint32_t* p = begin;
    if ((end - begin) & 1) { // an odd count: the first one alone
        uint16_t* target = at(*p++);
        *target = blendLevel(colour, *target, p[-1] & 0xFF);
    }
    // Two a turn: half the loop's branches, and the second pixel's load is
    // under way while the first is blended (the places are all different).
    for (; p != end; p += 2) {
        const uint32_t e0 = p[0], e1 = p[1];
        uint16_t* target0 = at(e0);
        uint16_t* target1 = at(e1);
        const uint32_t d0 = *target0, d1 = *target1;
        *target0 = blendLevel(colour, d0, e0 & 0xFF); // the colour's channels stay in registers
        *target1 = blendLevel(colour, d1, e1 & 0xFF);
    }
}

void Sprite::draw(int64_t x, int64_t y, int32_t firstRow, int32_t endRow, int32_t columns) const {
    // The sprite rows whose screen row lies within 0..239.
    const int64_t from = std::max<int64_t>({firstRow, int64_t(firstRow) - y, 0});
    const int64_t to = std::min<int64_t>({endRow, int64_t(firstRow) + SCREEN_HEIGHT - y, height});
    // The sprite columns whose screen column lies within 0..319.
    const int64_t first = std::max<int64_t>(0, -x);
    const int64_t end = std::min<int64_t>({columns, SCREEN_WIDTH - x, width});
    if (from >= to || first >= end) return;
    // A row's pixels are in column order, so the columns drawn are one run of
    // them, found by halving when the cut is not at the row's end.
    const uint32_t firstKey = static_cast<uint32_t>(first) << 16;
    const uint32_t endKey = static_cast<uint32_t>(end) << 16;
    const auto columnBefore = [](uint32_t e, uint32_t key) { return (e & 0xFF0000u) < key; };
    uint8_t* screen = reinterpret_cast<uint8_t*>(Screen::instance()->pixels);
    // Byte offset of the row's column 0, negative when x is; the pixels
    // drawn lie on the screen.
    int32_t rowBytes = static_cast<int32_t>(2 * ((y + from - firstRow) * SCREEN_WIDTH + x));
    for (int32_t r = static_cast<int32_t>(from); r < to; r++, rowBytes += 2 * SCREEN_WIDTH) {
        const uint32_t* p = pixels.data() + rowStart[r];
        const uint32_t* rowEnd = pixels.data() + rowStart[r + 1];
        if (first > 0) p = std::lower_bound(p, rowEnd, firstKey, columnBefore);
        if (end < width) rowEnd = std::lower_bound(p, rowEnd, endKey, columnBefore);
        for (; p != rowEnd; p++) {
            const uint32_t e = *p;
            // (e & 0xFF0000) >> 15 is twice the column: its byte offset.
            blendDab(reinterpret_cast<uint16_t*>(screen + (rowBytes + ((e & 0xFF0000u) >> 15))), e);
        }
    }
}
