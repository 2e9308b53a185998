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

void Sprite::addRow(const std::vector<uint32_t>& drawn) {
    const auto level = [&drawn](size_t i) { return drawn[i] >> 24; };
    const auto column = [&drawn](size_t i) { return int32_t(drawn[i] >> 16 & 0xFF); };
    const auto follows = [&](size_t i) { return column(i) == column(i - 1) + 1; };
    // Marks the opaque pixels that form copy runs.
    std::vector<bool> copied(drawn.size(), false);
    for (size_t i = 0; i < drawn.size();) {
        size_t j = i + 1;
        if (level(i) == 64)
            while (j < drawn.size() && level(j) == 64 && follows(j))
                j++;
        if (level(i) == 64 && j - i >= size_t(SHORTEST_COPY))
            std::fill(copied.begin() + i, copied.begin() + j, true);
        i = j;
    }
    // The runs of each kind: neighbouring columns of the pixels it takes.
    for (const bool copy : {true, false}) {
        for (size_t i = 0; i < drawn.size(); i++) {
            if (copied[i] != copy) continue;
            if (i == 0 || copied[i - 1] != copy || !follows(i)) {
                const int32_t data = int32_t(copy ? copies.size() : blends.size()) - column(i);
                runs.push_back(Run{column(i), column(i), data});
            }
            runs.back().end++;
            if (copy)
                copies.push_back(static_cast<uint16_t>(drawn[i]));
            else {
                const uint32_t o = level(i), c = drawn[i] & 0xFFFFu;
                blends.push_back(o * greenOf(static_cast<uint16_t>(c)) << 20 | (64 - o) << 5 |
                                 (c & 0xF81Fu));
            }
        }
        rowRuns.push_back(static_cast<int32_t>(runs.size()));
    }
}

namespace {

// Copies n >= 1 pixels, two a turn (the second load under way before the
// first store).
inline void copyRun(uint16_t* to, const uint16_t* from, int32_t n) {
    if (n & 1) *to++ = *from++;
    for (n >>= 1; n != 0; n--, to += 2, from += 2) {
        const uint16_t a = from[0], b = from[1];
        to[0] = a;
        to[1] = b;
    }
}

// blendLevel of a packed blend-run pixel w (see Sprite::blends) over the
// screen pixel d, from blendLevelWord's total per channel, 64 d + o (c - d)
// = (64 - o) d + o c, shifted down 6 (floored) in two parts: red and blue
// at bits 11..26, green at bits 26..31. Level 64 (weight 0) is c itself.
struct BlendParts {
    uint32_t rb;
    uint32_t g;
};
// The screen pixel comes as dRb = d & 0xF81F and dG = (d & 0x07E0) << 10.
inline BlendParts blendParts(uint32_t dRb, uint32_t dG, uint32_t w) {
    const uint32_t cRb = w & 0xF81Fu;
    const uint32_t weight = w & 0x07E0u; // (64 - o) << 5
    // 32 (64 c + (64 - o) (d - c)) per field: each total is below 2^11, so
    // red and blue share the word without a carry between them, and the
    // wrapped unsigned product sums to the true total, below 2^27.
    const uint32_t rb = weight * (dRb - cRb) + (cRb << 11);
    // (64 - o) green(d) << 20 plus w's o * green << 20: the green total
    // (below 2^12) in bits 20..31; w's low 20 bits add below them.
    const uint32_t g = weight * dG + w;
    return {rb & 0xF81Fu << 11, g & 0xFC000000u}; // each total >> 6, in place
}
// blendParts over the low pixel of d (only its low 16 bits are read), and
// the pixel from the parts. Green's masks carry a bit that is always clear
// in the shifted word (bit 0 here, bit 31 in blendRun's high pixel): no
// ARM immediate holds them, so each stays in a register and the shift folds
// into the AND.
inline BlendParts blendPartsLow(uint32_t d, uint32_t w) {
    return blendParts(d & 0xF81Fu, d << 10 & 0x1F8001u, w); // (d & 0x07E0) << 10
}
inline uint32_t pixelOf(BlendParts p) {
    return p.rb >> 11 | p.g >> 21;
}

// Blends n >= 1 pixels of a blend run over `to`. The screen is read and
// written a pair of pixels at a time, one word at a 4-byte boundary: a pixel
// at an odd place first, and one left over at the end, go alone.
inline void blendRun(uint16_t* to, const uint32_t* from, int32_t n) {
    if (reinterpret_cast<uintptr_t>(to) & 2) {
        *to = static_cast<uint16_t>(pixelOf(blendPartsLow(*to, *from++)));
        to++;
        n--;
    }
    for (int32_t pairs = n >> 1; pairs != 0; pairs--, to += 2, from += 2) {
        PixelPair* pair = reinterpret_cast<PixelPair*>(to);
        const uint32_t d = *pair;
        const BlendParts p1 =
            blendParts(d >> 16 & 0xF81Fu, d >> 6 & 0x801F8000u, from[1]); // high pixel
        // The second pixel's parts up 16 bits beside the first: one store.
        *pair = pixelOf(blendPartsLow(d, from[0])) | p1.rb << 5 | p1.g >> 5;
    }
    if (n & 1) *to = static_cast<uint16_t>(pixelOf(blendPartsLow(*to, *from)));
}

} // namespace

void Sprite::draw(int64_t x, int64_t y, int32_t firstRow, int32_t endRow, int32_t columns) const {
    // The sprite rows whose screen row lies within 0..239.
    const int64_t from = std::max<int64_t>({firstRow, int64_t(firstRow) - y, 0});
    const int64_t to = std::min<int64_t>({endRow, int64_t(firstRow) + SCREEN_HEIGHT - y, height});
    // The sprite columns whose screen column lies within 0..319.
    const int64_t firstColumn = std::max<int64_t>(0, -x);
    const int64_t endColumn = std::min<int64_t>({columns, SCREEN_WIDTH - x, width});
    if (from >= to || firstColumn >= endColumn) return;
    // Within 0..256 now, and x within -255..319.
    const int32_t first = static_cast<int32_t>(firstColumn), end = static_cast<int32_t>(endColumn);
    uint16_t* screen = Screen::instance()->pixels;
    // The screen index of the row's column 0, negative when x is; the pixels
    // drawn lie on the screen.
    int32_t rowIndex = static_cast<int32_t>((y + from - firstRow) * SCREEN_WIDTH + x);
    const Run* allRuns = runs.data();
    for (int32_t r = static_cast<int32_t>(from); r < to; r++, rowIndex += SCREEN_WIDTH) {
        const Run* run = allRuns + rowRuns[2 * r];
        const Run* copyEnd = allRuns + rowRuns[2 * r + 1];
        const Run* blendEnd = allRuns + rowRuns[2 * r + 2];
        for (; run != copyEnd; run++) {
            const int32_t a = std::max(run->first, first), b = std::min(run->end, end);
            if (a < b) copyRun(screen + (rowIndex + a), copies.data() + (run->data + a), b - a);
        }
        for (; run != blendEnd; run++) {
            const int32_t a = std::max(run->first, first), b = std::min(run->end, end);
            if (a < b) blendRun(screen + (rowIndex + a), blends.data() + (run->data + a), b - a);
        }
    }
}
