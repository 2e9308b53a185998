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

// Copy runs start at even places of `copies` (addRow pads before them);
// this appends the same pixels again one place later, so that the source of
// every copy run lies at the screen's parity whatever the parity of x.
void Sprite::addOddCopies() {
    if (copies.size() & 1) copies.push_back(0);
    const size_t n = copies.size();
    oddCopies = static_cast<int32_t>(n) + 1;
    copies.resize(2 * n + 1);
    std::copy(copies.begin(), copies.begin() + n, copies.begin() + (n + 1));
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
                if (copy && ((copies.size() - column(i)) & 1)) copies.push_back(0); // data even
                const int32_t data = int32_t(copy ? copies.size() : blends.size()) - column(i);
                runs.push_back(Run{data, uint32_t(column(i)) * 0x10001u});
            }
            runs.back().span += 1u << 16;
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

// Copies n >= 1 pixels. The caller hands a source at the same place within
// a 4-byte word as `to` (see Sprite::copies), so after a pixel at an odd
// place, and one left over at the end, the rest go a word (two pixels) at a
// time.
inline void copyRun(uint16_t* to, const uint16_t* from, int32_t n) {
    if (reinterpret_cast<uintptr_t>(to) & 2) {
        *to++ = *from++;
        n--;
    }
    if (n & 1) { // the last pixel now, so that nothing is left after the loop
        n--;
        to[n] = from[n];
    }
    PixelPair* pair = reinterpret_cast<PixelPair*>(to);
    const PixelPair* source = reinterpret_cast<const PixelPair*>(from);
    for (n >>= 1; n != 0; n--)
        *pair++ = *source++;
}

// The blend of a packed blend-run pixel w (see Sprite::blends) over the
// screen pixel d is blendLevelWord's total per channel, (64 - o) d + o c =
// 64 c + (64 - o) (d - c), shifted down 6 (floored), worked out in two
// words:
//   rb = weight * (dRb - cRb) + cRb << 11, weight = (64 - o) << 5 as w
//        holds it: 32 times the red and blue totals, blue's at bits 5..15
//        and red's at 16..26. Each total is below 2^11, so the fields hold
//        them without a carry between them, and the wrapped unsigned
//        product and sum come to the true value, below 2^27.
//   g  = weight * (green(d) << 15) + w: (64 - o) green(d) << 20 plus w's
//        o * green << 20, the green total (below 2^12) in bits 20..31; w's
//        low 20 bits (below 2^16) add below them without reaching bit 20.
// The pixel is then rb >> 11 (blue and red in place, the low bits of red's
// total in green's place) with green's place taken from g >> 21.
const uint32_t RB = 0xF81Fu;    // red and blue of a pixel
const uint32_t RB11 = RB << 11; // ... moved up 11 bits: cRb << 11 in one AND
// Green of d moved to bits 15..20 (from d << 10 for the pixel in the low
// half, from d >> 6 for the one in the high half). Bit 0 is a bit of red
// or green of the low pixel in d >> 6: it adds at most the weight (below
// 2^11) to w's low bits in g, under bit 20, so it changes nothing; it is
// there so that no ARM immediate holds the mask.
const uint32_t G15 = 0x1F8001u;

// x as it is, but no longer a constant to the compiler: a mask that no ARM
// immediate holds then stays in a register, its shift folded into the AND
// (`and t, mask, d, lsr #16`), instead of being reloaded or rebuilt; and
// partial results are combined in the order written, each mask-and-shift
// pair one AND and one ORR with a shifted operand.
inline uint32_t keep(uint32_t x) {
    __asm__("" : "+r"(x));
    return x;
}

struct Masks {
    uint32_t rb, rb11, g15; // RB, RB11 and G15, each in a register
};

// rb and g above for w over a screen pixel whose red and blue are dRb and
// whose green is at bits 15..20 of dG15 (masked by G15).
struct BlendParts {
    uint32_t rb, g;
};
inline BlendParts blendParts(uint32_t dRb, uint32_t dG15, uint32_t w, const Masks& m) {
    const uint32_t weight = w & 0x07E0u;
    const uint32_t c = w << 11 & m.rb11;                        // cRb << 11
    return {weight * (dRb - (c >> 11)) + c, weight * dG15 + w}; // sub t, t, c, lsr #11
}

// The blend of w over the screen pixel in d's low 16 bits (the high ones are
// not read), in bits 0..15.
inline uint32_t blendPacked(uint32_t d, uint32_t w, const Masks& m) {
    const BlendParts p = blendParts(d & m.rb, d << 10 & m.g15, w, m);
    return (p.rb >> 11 & m.rb) | keep(p.g & 0xFC000000u) >> 21;
}

// The blends of w0 and w1 over the screen pair d, as one word: 22 data
// operations and four multiplies for two pixels.
inline uint32_t blendPair(uint32_t d, uint32_t w0, uint32_t w1, const Masks& m) {
    const BlendParts p0 = blendParts(d & m.rb, d << 10 & m.g15, w0, m);
    const BlendParts p1 = blendParts(d >> 16 & m.rb, d >> 6 & m.g15, w1, m);
    // 0xFC000000 is an immediate: green's six bits, then an ORR shifting
    // them into place; red and blue are masked by RB on their way down.
    const uint32_t low = keep((p0.rb >> 11 & m.rb) | keep(p0.g & 0xFC000000u) >> 21);
    const uint32_t withRb1 = keep(low | (p1.rb >> 11 & m.rb) << 16);
    return withRb1 | keep(p1.g & 0xFC000000u) >> 5;
}

// Blends `pairs` screen pairs from the 4-byte-aligned `pair` on, four a turn
// (one loop branch and two pointer steps per four), after one and two pairs
// for the count's low bits.
inline void blendPairs(PixelPair* pair, const uint32_t* from, int32_t pairs, const Masks& m) {
    if (pairs & 1) {
        *pair = blendPair(*pair, from[0], from[1], m);
        pair++;
        from += 2;
    }
    if (pairs & 2) {
        const uint32_t d0 = pair[0];
        pair[0] = blendPair(d0, from[0], from[1], m);
        const uint32_t d1 = pair[1];
        pair[1] = blendPair(d1, from[2], from[3], m);
        pair += 2;
        from += 4;
    }
    for (PixelPair* const end = pair + (pairs & ~3); pair != end; pair += 4, from += 8) {
        const uint32_t d0 = pair[0];
        pair[0] = blendPair(d0, from[0], from[1], m);
        const uint32_t d1 = pair[1];
        pair[1] = blendPair(d1, from[2], from[3], m);
        const uint32_t d2 = pair[2];
        pair[2] = blendPair(d2, from[4], from[5], m);
        const uint32_t d3 = pair[3];
        pair[3] = blendPair(d3, from[6], from[7], m);
    }
}

// Blends n >= 1 pixels of a blend run over `to`. The screen is read and
// written a pair of pixels at a time, one word at a 4-byte boundary: a pixel
// at an odd place first, and one left over at the end, go alone (the last
// one before the pairs, so that nothing of the run is needed after them).
// The masks are made once a run, for its single pixels and its pairs.
inline void blendRun(uint16_t* to, const uint32_t* from, int32_t n) {
    const Masks m = {keep(RB), keep(RB11), keep(G15)};
    if (reinterpret_cast<uintptr_t>(to) & 2) {
        *to = static_cast<uint16_t>(blendPacked(*to, *from++, m));
        to++;
        n--;
    }
    if (n & 1) {
        n--;
        to[n] = static_cast<uint16_t>(blendPacked(to[n], from[n], m));
    }
    blendPairs(reinterpret_cast<PixelPair*>(to), from, n >> 1, m);
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
    uint16_t* const screen = Screen::instance()->pixels;
    // A copy run's source at the parity of its place on the screen, which
    // is the parity of x plus the column: see copies.
    const uint16_t* const copyData = copies.data() + (x & 1 ? oddCopies : 0);
    const uint32_t* const blendData = blends.data();
    const Run* const allRuns = runs.data();
    // The screen index of the row's column 0, negative when x is; the pixels
    // drawn lie on the screen.
    int32_t rowIndex = static_cast<int32_t>((y + from - firstRow) * SCREEN_WIDTH + x);
    const int32_t* rowRun = rowRuns.data() + 2 * from;
    const int32_t* const rowRunEnd = rowRuns.data() + 2 * to;
    for (; rowRun != rowRunEnd; rowRun += 2, rowIndex += SCREEN_WIDTH) {
        const Run* run = allRuns + rowRun[0];
        const Run* const copyEnd = allRuns + rowRun[1];
        const Run* const blendEnd = allRuns + rowRun[2];
        for (; run != copyEnd; run++) {
            const uint32_t span = run->span; // both ends in one load
            const int32_t a = std::max(int32_t(span & 0xFF), first);
            const int32_t b = std::min(int32_t(span >> 16), end);
            if (a < b) copyRun(screen + (rowIndex + a), copyData + (run->data + a), b - a);
        }
        for (; run != blendEnd; run++) {
            const uint32_t span = run->span;
            const int32_t a = std::max(int32_t(span & 0xFF), first);
            const int32_t b = std::min(int32_t(span >> 16), end);
            if (a < b) blendRun(screen + (rowIndex + a), blendData + (run->data + a), b - a);
        }
    }
}
