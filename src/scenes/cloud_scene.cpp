#include "scenes/cloud_scene.h"

#include "core/camera.h"
#include "core/pixel.h"
#include "core/trig_tables.h"
#include "render3d/mesh.h"
#include "scenes/biplane.h"
#include "video/image.h"
#include "video/screen.h"

namespace {

// Layer k is a third of the depth cycle behind layer k - 1.
const uint32_t LAYER_OFFSETS[CLOUD_LAYER_COUNT] = {0, 30000, 60000};
// Depth of full strength: no fade.
const int32_t CLEAREST_DEPTH = 32000;
// A fade no texel green (0..63) survives: the layer adds nothing.
const int32_t NO_CLOUD = 64;
const int32_t LAST_ROW = SCREEN_HEIGHT - 1;

// Moves every layer's row position on by `rows` rows. The positions wrap like
// the 32-bit sums they stand for, so a jump equals that many additions.
void advanceRows(int32_t* rowV, const CloudLayer* layers, int64_t rows) {
    for (int k = 0; k < CLOUD_LAYER_COUNT; k++)
        rowV[k] = static_cast<int32_t>(static_cast<uint32_t>(rowV[k]) +
                                       static_cast<uint32_t>(layers[k].scale) *
                                           static_cast<uint32_t>(rows));
}

// A pixel's light: the green above each layer's fade, g (0..63 when no
// fade is below 0), summed as G, added to green, and the g / 2, rounded
// down, summed, added to red and blue. With O the number of odd g, that
// red-blue light is (G - O) / 2: G and O alone decide the pixel.
const int MAX_GREEN_LIGHT = 3 * 63;
const int MAX_ODD_LAYERS = CLOUD_LAYER_COUNT;

// CloudScene::light, one array of words so that one base register reaches all
// of it through LDR's shifted register offset:
//   [64 k + green]  layer k's light from a texel of that green (the texel
//                   bytes hold green + 64 k): 4 g + (g & 1), the field O
//                   below G never carrying;
//   [SKY + 4 G + O] the sky with that light added, saturated.
// Layer 0's words also carry SKY, so the three words of a pixel summed are
// the index of its sky pixel: one load a pixel, nothing between the sum and
// it.
const int LAYER_LIGHT_WORDS = 64;
const int SKY = CLOUD_LAYER_COUNT * LAYER_LIGHT_WORDS;
const int ODD_BITS = 2;
const uint32_t ODD_MASK = (1u << ODD_BITS) - 1;
static_assert(MAX_ODD_LAYERS < (1 << ODD_BITS), "the odd count stays below G");
static_assert(SKY + (MAX_GREEN_LIGHT << ODD_BITS) + MAX_ODD_LAYERS + 1 == CLOUD_LIGHT_WORDS,
              "light table size");

constexpr uint32_t lightWord(uint32_t g) {
    return g << ODD_BITS | (g & 1);
}

// addLight() on both pixels of a word at once, with the light each pixel's
// sum stands for (`sums`: the first pixel's in the low half).
inline uint32_t litPair(uint32_t pair, uint32_t sums) {
    const uint32_t first = (sums & 0xFFFF) - SKY, second = (sums >> 16) - SKY;
    const uint32_t green0 = first >> ODD_BITS, green1 = second >> ODD_BITS;
    const uint32_t redBlue0 = (green0 - (first & ODD_MASK)) >> 1,
                   redBlue1 = (green1 - (second & ODD_MASK)) >> 1;
    // `low` and `high` split as PAIR_FIELDS tells (core/pixel.h). Each sum
    // fits below the next field: blue and red reach at most 31 + 93 (7
    // bits), green 63 + 189 (8 bits).
    uint32_t low = (pair & PAIR_FIELDS) + (redBlue0 | redBlue0 << 11 | green1 << 21);
    uint32_t high = (rotate16(pair) & PAIR_FIELDS) + (redBlue1 | redBlue1 << 11 | green0 << 21);
    // A sum past its channel's top sets a bit above it: that channel is full.
    const uint32_t BLUE_OVER = 0x60, RED_OVER = 0x30000, GREEN_OVER = 0x18000000;
    if (low & BLUE_OVER) low |= 0x1F;
    if (low & RED_OVER) low |= 0xF800;
    if (low & GREEN_OVER) low |= 0x07E00000;
    if (high & BLUE_OVER) high |= 0x1F;
    if (high & RED_OVER) high |= 0xF800;
    if (high & GREEN_OVER) high |= 0x07E00000;
    return (low & PAIR_FIELDS) | rotate16(high & PAIR_FIELDS);
}

// Every fade 0 or more: each layer's light is at most 63, and the light
// table holds every sum.
bool lightByTable(const int32_t* fade) {
    return fade[0] >= 0 && fade[1] >= 0 && fade[2] >= 0;
}

// One layer's walk along a screen row.
struct RowWalk {
    const uint8_t* texels;
    uint32_t at, step;
};

// The walk's texel byte, and the walk moved on one pixel.
inline uint32_t texelByte(RowWalk& w) {
    const uint32_t texel = w.texels[w.at >> 16]; // LDRB's offset shifted
    w.at += w.step;
    return texel;
}

// The light word of the walk's texel, and the walk moved on one pixel.
inline uint32_t texelLight(const uint32_t* light, RowWalk& w) {
    return light[texelByte(w)]; // then LDR's offset shifted
}

// Two pixels as one 32-bit store at a 4-byte-aligned address (rows start
// at even pixels); the first pixel is the lower address, as every target is
// little-endian (PixelPair, core/pixel.h).
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "pixel pairs are stored little-endian");
static_assert(SCREEN_WIDTH % 2 == 0, "rows are whole pairs");
inline void storePair(uint16_t* out, uint32_t first, uint32_t second) {
    *reinterpret_cast<PixelPair*>(out) = first | second << 16;
}

// Two pixels' light words in one, the first in the low half. A pixel's
// three words sum to below 2^14 (an index into the light table), so the
// halves never carry into each other, and the high half shifted down by 14
// is its word's byte offset.
static_assert(CLOUD_LIGHT_WORDS <= 1 << 14, "a sum of light words stays in its half");
const uint32_t PAIRS_END = 1u << 31; // after the last pair of a row (bandRow)

// The word `byteOffset` bytes into `table`; the offset is a multiple of 4, so
// the load takes it as it is, shifted by the addressing mode.
inline uint32_t wordAt(const uint32_t* table, uint32_t byteOffset) {
    return *reinterpret_cast<const uint32_t*>(reinterpret_cast<const char*>(table) + byteOffset);
}

// A row in two passes, so that each pass's walks, table and pointers stay
// in the ARM's registers: one layer's light words into a row of pairs
// (layerLight), then the other two added and the pixels written (skyRow, bandRow),
// two pixels a step. The row of the first pass serves every following row
// that walks the same texels (see CloudScene::drawRow).
//
// Eight pixels a step, their texel bytes loaded first: no light load then
// waits for its byte, and the compare and branch come once per eight. Not
// inlined, so that the loop has the registers to itself.
__attribute__((noinline)) void layerLight(uint32_t* pairs, const uint32_t* light, RowWalk w) {
    static_assert(SCREEN_WIDTH % 8 == 0, "four pairs a step");
    for (const uint32_t* const end = pairs + SCREEN_WIDTH / 2; pairs != end; pairs += 4) {
        const uint32_t t0 = texelByte(w), t1 = texelByte(w), t2 = texelByte(w), t3 = texelByte(w);
        const uint32_t t4 = texelByte(w), t5 = texelByte(w), t6 = texelByte(w), t7 = texelByte(w);
        pairs[0] = light[t0] | light[t1] << 16;
        pairs[1] = light[t2] | light[t3] << 16;
        pairs[2] = light[t4] | light[t5] << 16;
        pairs[3] = light[t6] | light[t7] << 16;
    }
}

// Both pixels' sums of a pair: `slow`, the first pass's pair, plus the
// other two layers' words, the second pixel's in the high half.
inline uint32_t pairSums(uint32_t slow, const uint32_t* light, RowWalk& wa, RowWalk& wb) {
    uint32_t sums = slow + texelLight(light, wa);
    uint32_t second = texelLight(light, wa);
    sums += texelLight(light, wb);
    second += texelLight(light, wb);
    return sums + (second << 16);
}

// The sky pixels of a pair's sums, stored: one load each.
inline void storeSky(uint16_t* out, const uint32_t* light, uint32_t sums) {
    storePair(out, wordAt(light, sums << 16 >> 14), wordAt(light, sums >> 14));
}

// The pairs from `out` up to `end`. Not inlined: inside drawRow the loop
// ran out of registers and reloaded its end from the stack every pair.
__attribute__((noinline)) void skyRow(uint16_t* out, const uint16_t* end, const uint32_t* light,
                                      const uint32_t* pairs, RowWalk wa, RowWalk wb) {
    for (; out != end; out += 2, pairs++)
        storeSky(out, light, pairSums(*pairs, light, wa, wb));
}

// The walk as it stands `columns` pixels further on: the steps add up in
// 32 bits, wrapping as the same number of additions would.
inline RowWalk walkFrom(RowWalk w, int32_t columns) {
    w.at += static_cast<uint32_t>(columns) * w.step;
    return w;
}

// The same onto the biplane where it was drawn. The row of pairs ends in
// PAIRS_END, which no pair reaches, so the loop needs no end pointer and
// the walks, table and pointers keep their registers.
__attribute__((noinline)) void bandRow(uint16_t* out, const int32_t* depth, const uint32_t* light,
                                       const uint32_t* pairs, RowWalk wa, RowWalk wb) {
    for (;; out += 2, depth += 2, pairs++) {
        const uint32_t slow = *pairs;
        if (slow == PAIRS_END) return;
        const uint32_t sums = pairSums(slow, light, wa, wb);
        if (__builtin_expect(depth[0] != CLOUD_CLEAR_DEPTH || depth[1] != CLOUD_CLEAR_DEPTH, 0)) {
            // The biplane's pixels lit as they are; a pixel it did not draw
            // is the sky, which lit gives its sky pixel.
            uint32_t pair = *reinterpret_cast<const PixelPair*>(out);
            if (depth[0] == CLOUD_CLEAR_DEPTH) pair = (pair & 0xFFFF0000u) | CLOUD_SKY;
            if (depth[1] == CLOUD_CLEAR_DEPTH) pair = (pair & 0xFFFFu) | uint32_t(CLOUD_SKY) << 16;
            *reinterpret_cast<PixelPair*>(out) = litPair(pair, sums);
            continue;
        }
        storeSky(out, light, sums);
    }
}

// The same one pixel at a time, for fades below 0, whose light the table's
// words cannot hold.
void lightRowByChannel(uint16_t* out, const int32_t* depth, bool band, const RowWalk* walk,
                       const int32_t* fade) {
    for (int x = 0; x < SCREEN_WIDTH; x++) {
        uint32_t green = 0, redBlue = 0;
        for (int k = 0; k < CLOUD_LAYER_COUNT; k++) {
            const uint32_t at = walk[k].at + static_cast<uint32_t>(x) * walk[k].step;
            const int32_t g = walk[k].texels[at >> 16] - LAYER_LIGHT_WORDS * k - fade[k];
            if (g > 0) {
                green += g;
                redBlue += g >> 1;
            }
        }
        out[x] =
            addLight(band && depth[x] != CLOUD_CLEAR_DEPTH ? out[x] : CLOUD_SKY, redBlue, green);
    }
}

} // namespace

CloudScene::CloudScene()
    : layers(), oddField(0), slowWordsAt(0), slowWordsValid(false), slowLayer(0) {
    slowWords[SCREEN_WIDTH / 2] = PAIRS_END;
    loadBiplane(biplaneTexture, biplane);
    clouds[0] = new Image("data/cloud1.png", 256, 256);
    clouds[1] = new Image("data/cloud2.png", 256, 256);
    clouds[2] = new Image("data/cloud3.png", 256, 256);
    for (int k = 0; k < CLOUD_LAYER_COUNT; k++) {
        greens[k] = new uint8_t[256 * 256];
        for (int i = 0; i < 256 * 256; i++)
            greens[k][i] =
                static_cast<uint8_t>(greenOf(clouds[k]->pixels[i]) + LAYER_LIGHT_WORDS * k);
    }
    // Every (G, O) a sum can hold, the ones no sum reaches (O above G, or of
    // the other parity) included.
    for (uint32_t green = 0; green <= MAX_GREEN_LIGHT; green++)
        for (uint32_t odd = 0; odd <= MAX_ODD_LAYERS; odd++)
            light[SKY + (green << ODD_BITS) + odd] =
                addLight(CLOUD_SKY, green < odd ? 0 : (green - odd) >> 1, green);

    // The fade grows linearly with the distance from the clearest depth,
    // one step per 58000/63 of depth. Built once so frames need no division.
    for (int32_t i = 0; i < CLOUD_DEPTH_CYCLE; i++) {
        const int64_t distance = i < CLEAREST_DEPTH ? CLEAREST_DEPTH - i : i - CLEAREST_DEPTH;
        const int64_t q = (distance * 65536) / 58000;
        fadeTable[i] = static_cast<int32_t>((63 * q) >> 16);
    }
}

CloudScene::~CloudScene() {
    delete biplaneTexture;
    delete biplane;
    for (Image* cloud : clouds)
        delete cloud;
    for (uint8_t* green : greens)
        delete[] green;
}

void CloudScene::placeLayer(CloudLayer& layer, int32_t z) {
    layer.depth = z;
    layer.scale = z;
    layer.originU = 0x1540000 - 340 * z;
    layer.originV = 10 * z - 0xA0000;
}

void CloudScene::update(uint32_t now) {
    Camera* camera = Screen::instance()->camera;
    biplane->focalLength = BIPLANE_FOCAL_LENGTH;

    // The camera sways around the plane, which rocks in place at the origin.
    camera->angleX = 16384;
    camera->angleY = 0;
    camera->angleZ = SineTable[(SineTable[(16 * now) & 0xFFFF] >> 7) & 0xFFFF];
    camera->position.x = 2 * SineTable[(8 * now) & 0xFFFF];
    camera->position.y = fixedFromDouble(9.9);
    camera->position.z = 2 * CosineTable[(4 * now) & 0xFFFF];
    biplane->angleX = SineTable[(SineTable[(8 * now) & 0xFFFF] >> 8) & 0xFFFF] + 4000;
    biplane->angleY = SineTable[(SineTable[(16 * now) & 0xFFFF] >> 6) & 0xFFFF];
    biplane->angleZ = -5000;
    camera->update();
    biplane->transform();

    // Each layer's depth falls by 32 per ms from 90000 to 1, then starts over.
    for (int k = 0; k < CLOUD_LAYER_COUNT; k++) {
        const uint32_t cycle = static_cast<uint32_t>(CLOUD_DEPTH_CYCLE);
        const uint32_t z = cycle - ((32 * now + LAYER_OFFSETS[k]) % cycle);
        placeLayer(layers[k], static_cast<int32_t>(z));
    }
    oddField = 1 - oddField;
}

void CloudScene::render() {
    Screen* screen = Screen::instance();
    screen->clearDepth(CLOUD_CLEAR_DEPTH);
    biplane->render();
    drawClouds(screen->dirtyTop, screen->dirtyBottom);
}

void CloudScene::drawClouds(int32_t top, int32_t bottom) {
    int32_t rowV[CLOUD_LAYER_COUNT];
    int32_t fade[CLOUD_LAYER_COUNT];
    for (int k = 0; k < CLOUD_LAYER_COUNT; k++) {
        rowV[k] = layers[k].originV;
        // Depth 90000 lies one past the table and adds nothing.
        const int32_t depth = layers[k].depth;
        fade[k] = depth >= 0 && depth < CLOUD_DEPTH_CYCLE ? fadeTable[depth] : NO_CLOUD;
    }
    // The layer whose texel row changes least often from row to row: the
    // smallest step (any choice draws the same pixels).
    slowLayer = 0;
    for (int k = 1; k < CLOUD_LAYER_COUNT; k++)
        if (static_cast<uint32_t>(layers[k].scale) < static_cast<uint32_t>(layers[slowLayer].scale))
            slowLayer = k;
    slowWordsValid = false; // the fades and walks are this frame's
    // Each layer's light by texel green, from its fade; layer 0's words carry
    // the sky parts' offsets.
    if (lightByTable(fade))
        for (int k = 0; k < CLOUD_LAYER_COUNT; k++)
            for (int32_t green = 0; green < LAYER_LIGHT_WORDS; green++) {
                const uint32_t g = green > fade[k] ? static_cast<uint32_t>(green - fade[k]) : 0;
                light[LAYER_LIGHT_WORDS * k + green] = lightWord(g) + (k == 0 ? SKY : 0);
            }
    // The band may reach beyond the screen: rows outside it are passed over,
    // but the sampling positions still move as if they had been drawn.
    int64_t count = 0;
    const int64_t upperEnd = static_cast<int64_t>(top) - 4;
    while (count < upperEnd) {
        const int64_t row = oddField + count;
        if (row > LAST_ROW) {
            const int64_t remaining = (upperEnd - count + 1) / 2;
            advanceRows(rowV, layers, 2 * remaining);
            count += 2 * remaining;
            break;
        }
        drawRow(static_cast<int>(row), rowV, fade, false);
        advanceRows(rowV, layers, 2);
        count += 2;
    }

    // The band around the biplane: every row, over the plane's own pixels.
    const int64_t bandEnd = static_cast<int64_t>(bottom) + 4;
    while (count < bandEnd) {
        const int64_t row = oddField + count;
        if (row > LAST_ROW) {
            advanceRows(rowV, layers, bandEnd - count);
            break;
        }
        drawRow(static_cast<int>(row), rowV, fade, true);
        advanceRows(rowV, layers, 1);
        count++;
    }

    // Every other row below the band, sampling on from the band's last row.
    int64_t row = (static_cast<int64_t>(bottom) & ~int64_t(1)) - oddField + 4;
    if (row < 0) {
        const int64_t skipped = (1 - row) / 2;
        advanceRows(rowV, layers, 2 * skipped);
        row += 2 * skipped;
    }
    for (; row <= LAST_ROW; row += 2) {
        drawRow(static_cast<int>(row), rowV, fade, false);
        advanceRows(rowV, layers, 2);
    }
}

// One screen row: three texels per pixel, each layer's green less its fade,
// added onto the sky, or in the band onto the biplane where it was drawn.
//
// A texel's index is (rowStart + column) & 0xFFFF, column being the top half
// of the layer's u; that is the top half of u + (rowStart << 16), so one
// 32-bit position per layer walks the row, wrapping where the picture
// repeats, and the load takes it shifted (LDRB's register offset, LSR #16).
void CloudScene::drawRow(int row, const int32_t* rowV, const int32_t* fade, bool band) {
    Screen* screen = Screen::instance();
    uint16_t* out = screen->pixels + row * SCREEN_WIDTH;
    const int32_t* depth = screen->depthBuffer + row * SCREEN_WIDTH;
    RowWalk walk[CLOUD_LAYER_COUNT];
    for (int k = 0; k < CLOUD_LAYER_COUNT; k++)
        walk[k] = {greens[k],
                   static_cast<uint32_t>(layers[k].originU) +
                       (static_cast<uint32_t>(rowV[k] >> 16) << 24),
                   static_cast<uint32_t>(layers[k].scale)};
    if (!lightByTable(fade)) {
        lightRowByChannel(out, depth, band, walk, fade);
        return;
    }
    // The layer that moves least per row goes to the first pass: its row of
    // words is made again only when the row's walk differs from the one it
    // was made for, which its texel row alone decides within a frame.
    const int slow = slowLayer;
    const RowWalk& others0 = walk[slow == 0 ? 1 : 0];
    const RowWalk& others1 = walk[slow == 2 ? 1 : 2];
    if (!slowWordsValid || walk[slow].at != slowWordsAt) {
        layerLight(slowWords, light, walk[slow]);
        slowWordsAt = walk[slow].at;
        slowWordsValid = true;
    }
    // Outside its extent a row's depths are the value it was last cleared
    // to (Screen); when that is the clear depth, those pixels are the sky,
    // drawn as in a row outside the band, and only the pairs the extent
    // touches go through the band loop.
    if (!band || (screen->depthRowValue[row] == CLOUD_CLEAR_DEPTH &&
                  screen->depthLeft[row] > screen->depthRight[row])) {
        skyRow(out, out + SCREEN_WIDTH, light, slowWords, others0, others1);
        return;
    }
    int32_t left = 0, end = SCREEN_WIDTH; // the band loop's pixels [left, end), whole pairs
    if (screen->depthRowValue[row] == CLOUD_CLEAR_DEPTH) {
        left = screen->depthLeft[row] & ~1;
        end = (screen->depthRight[row] | 1) + 1; // both 0..319 here
    }
    skyRow(out, out + left, light, slowWords, others0, others1);
    // The pair after the band part ends bandRow's loop, as PAIRS_END does
    // after the row's last pair; it is put back for the rows that follow.
    uint32_t* const stop = slowWords + end / 2;
    const uint32_t kept = *stop;
    *stop = PAIRS_END;
    bandRow(out + left, depth + left, light, slowWords + left / 2, walkFrom(others0, left),
            walkFrom(others1, left));
    *stop = kept;
    skyRow(out + end, out + SCREEN_WIDTH, light, stop, walkFrom(others0, end),
           walkFrom(others1, end));
}
