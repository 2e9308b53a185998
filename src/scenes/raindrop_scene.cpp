#include "scenes/raindrop_scene.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "core/pixel.h"
#include "video/image.h"
#include "video/screen.h"

RaindropScene::RaindropScene()
    : dropSheet(new Image("data/drops01.png", SHEET_WIDTH, SHEET_HEIGHT)), nextSlot(0) {
    for (int i = 0; i < MAX_DROPS; i++) {
        dropX[i] = 0;
        dropY[i] = 0;
        dropActive[i] = false;
        dropStage[i] = 0;
        dropColumn[i] = 0;
        dropSpeed[i] = 0;
    }
}

RaindropScene::~RaindropScene() {
    delete dropSheet;
}

void RaindropScene::update(uint32_t time) {
    startDrop();
    growAndSlide(time);
    touchDrops();
}

void RaindropScene::startDrop() {
    // One slot is looked at per update, so a slot comes round again 50
    // updates later. The three draws come in this order: column, row, speed.
    const int s = nextSlot;
    if (!dropActive[s]) {
        dropX[s] = rand() % 280; // keeps the 32-pixel tile inside the screen
        dropY[s] = rand() % 200;
        dropColumn[s] = 0;
        dropStage[s] = 0;
        dropActive[s] = true;
        dropSpeed[s] = rand() % 4 + 1;
    }
    nextSlot = (s + 1) % MAX_DROPS;
}

void RaindropScene::growAndSlide(uint32_t time) {
    // Drops swell only in the first half of every 50 ms of the clock.
    const bool growing = time % 50 <= 24;
    for (int i = 0; i < MAX_DROPS; i++) {
        if (!dropActive[i]) continue;
        if (growing && dropStage[i] < LAST_STAGE) dropStage[i]++;
        if (dropStage[i] >= FIRST_SLIDING_STAGE) dropY[i] += dropSpeed[i];
        if (dropY[i] > SCREEN_HEIGHT) dropActive[i] = false;
    }
}

void RaindropScene::touchDrops() {
    // Drops that come close while sliding at clearly different speeds run
    // together. Pairs are taken in order and see the speeds that earlier
    // pairs set.
    for (int i = 0; i < MAX_DROPS; i++) {
        if (!dropActive[i]) continue;
        for (int j = 0; j < MAX_DROPS; j++) {
            if (!dropActive[j]) continue;
            if (dropY[j] <= dropY[i] - 10 || dropY[j] >= dropY[i] + 10) continue;
            if (dropX[j] <= dropX[i] - 20 || dropX[j] >= dropX[i] + 20) continue;
            if (std::abs(dropSpeed[i] - dropSpeed[j]) > 1) {
                dropSpeed[i] = TOUCH_SPEED;
                dropSpeed[j] = TOUCH_SPEED;
            }
        }
    }
}

void RaindropScene::render() {
    uint16_t* screen = Screen::instance()->pixels;
    if (refractInPlace(screen)) return;
    // Drops outside the columns and rows that refractInPlace takes: the
    // whole map. Both work areas live in this call's frame: nothing is
    // allocated per frame.
    uint16_t frameCopy[SCREEN_PIXELS];
    uint16_t map[SCREEN_PIXELS];
    memcpy(frameCopy, screen, SCREEN_BYTES);
    std::fill_n(map, SCREEN_PIXELS, NEUTRAL_OFFSET);
    stampDrops(map);
    refract(frameCopy, map, screen);
}

namespace {

// A map value displaces its pixel when its red is 16 or more and its green
// 32 or more (top bits of each field): below that an offset is -1 or less.
// Every value the map is made of is at least the neutral one in both fields,
// so a value that displaces has dx and dy of 0..15.
const uint16_t DISPLACING_BITS = 0x8400;

// Refracts the pixel at screen index `index` through map value m if m
// displaces it, reading the screen itself: offsets of 0..15 only read
// pixels at or after the one written, which pixels taken in screen order
// have not yet changed, so the screen is still the frame there.
inline void refractPixel(uint16_t* screen, int index, uint32_t m) {
    if (__builtin_expect((m & DISPLACING_BITS) != DISPLACING_BITS, 1)) return;
    const int dx = static_cast<int>(redOf(static_cast<uint16_t>(m))) - 16;
    const int dy = static_cast<int>(greenOf(static_cast<uint16_t>(m)) >> 1) - 16;
    const int u = index + 4 * dy * SCREEN_WIDTH + 4 * dx;
    if (u >= SCREEN_PIXELS) return;
    screen[index] = brighten(screen[u], static_cast<uint32_t>(dx + dy));
}

// Refracts `count` pixels from screen index `index` through the map values
// `map`, in screen order. The values are read two at a time from a 4-byte
// boundary: `pair & pair << 5` has bit 15 (bit 31) set exactly when the low
// (high) value has both displacing bits (10 and 15, 26 and 31), so one test
// passes over two values that leave their pixels alone.
void refractSpan(uint16_t* screen, int index, const uint16_t* map, int count) {
    const uint16_t* const end = map + count;
    if (map != end && (reinterpret_cast<uintptr_t>(map) & 2)) refractPixel(screen, index++, *map++);
    for (; end - map >= 2; map += 2, index += 2) {
        const uint32_t pair = *reinterpret_cast<const PixelPair*>(map);
        if (__builtin_expect(((pair & pair << 5) & 0x80008000u) == 0, 1)) continue;
        refractPixel(screen, index, pair & 0xFFFF);
        refractPixel(screen, index + 1, pair >> 16);
    }
    if (map != end) refractPixel(screen, index, *map);
}

// The larger red and the larger green of two map values (blue 0): each
// field compared in place, under its mask.
inline uint16_t largerFields(uint16_t a, uint16_t b) {
    const uint32_t red = packRgb565(31, 0, 0), green = packRgb565(0, 63, 0);
    return static_cast<uint16_t>(std::max(a & red, b & red) | std::max(a & green, b & green));
}

} // namespace

// The map and the refraction without the full-screen map or the frame copy:
// row by row, each run of columns that overlapping tiles cover is made from
// the tiles and refracted in place (refractSpan). A run with one tile is
// refracted from the tile itself: a tile value displaces exactly when its
// larger fields with the neutral value do, by the same offsets. Takes drops
// whose tiles lie within the screen's columns and the sheet; false, with
// nothing drawn, otherwise.
bool RaindropScene::refractInPlace(uint16_t* screen) const {
    int order[MAX_DROPS]; // live drops by column
    int live = 0;
    int top = SCREEN_HEIGHT, bottom = 0; // rows the tiles cover
    for (int i = 0; i < MAX_DROPS; i++) {
        if (!dropActive[i]) continue;
        if (dropX[i] < 0 || dropX[i] > SCREEN_WIDTH - TILE_SIZE || dropY[i] < -TILE_SIZE ||
            dropY[i] > SCREEN_HEIGHT || dropStage[i] < 0 || dropStage[i] > LAST_STAGE ||
            dropColumn[i] < 0 || dropColumn[i] >= SHEET_WIDTH / TILE_SIZE ||
            dropSheet->pixelCount < SHEET_WIDTH * SHEET_HEIGHT)
            return false;
        int j = live++;
        for (; j > 0 && dropX[order[j - 1]] > dropX[i]; j--)
            order[j] = order[j - 1];
        order[j] = i;
        top = std::min(top, dropY[i]);
        bottom = std::max(bottom, dropY[i] + TILE_SIZE);
    }
    top = std::max(top, 0);
    bottom = std::min(bottom, SCREEN_HEIGHT);

    alignas(4) uint16_t run[SCREEN_WIDTH]; // a run's map values, read in pairs
    int near[MAX_DROPS];                   // live drops by column whose tiles reach into the band
    int nearCount = 0;
    for (int y = top; y < bottom; y++) {
        if ((y - top) % TILE_SIZE == 0) {
            // A new band of TILE_SIZE rows: only drops from TILE_SIZE - 1
            // rows above it to its last row can cover one of its rows.
            nearCount = 0;
            for (int j = 0; j < live; j++)
                if (dropY[order[j]] > y - TILE_SIZE && dropY[order[j]] < y + TILE_SIZE)
                    near[nearCount++] = order[j];
        }
        // The tiles' rows on this row, by column.
        int columns[MAX_DROPS];
        const uint16_t* tileRows[MAX_DROPS];
        int count = 0;
        for (int j = 0; j < nearCount; j++) {
            const int s = near[j];
            const int tileRow = y - dropY[s];
            if (tileRow < 0 || tileRow >= TILE_SIZE) continue;
            columns[count] = dropX[s];
            tileRows[count] = dropSheet->pixels + dropColumn[s] * TILE_SIZE +
                              (dropStage[s] * TILE_SIZE + tileRow) * SHEET_WIDTH;
            count++;
        }
        for (int first = 0; first < count;) {
            // Tiles first..last-1 overlap one another: one run of columns.
            int last = first + 1, runEnd = columns[first] + TILE_SIZE;
            for (; last < count && columns[last] < runEnd; last++)
                runEnd = columns[last] + TILE_SIZE;
            int x = columns[first];
            const uint16_t* values = tileRows[first];
            if (last - first > 1) {
                // The first tile's row as it is (tile rows start at 4-byte
                // boundaries: the sheet's rows and tiles have even widths),
                // then each next one merged where it overlaps the ones before
                // and copied past them (the starts are in order, so each
                // reaches further). A column's values without the neutral
                // one displace exactly when they do with it, by the same
                // offsets: it is the largest only in a field that does not
                // displace.
                memcpy(run, __builtin_assume_aligned(tileRows[first], 4),
                       sizeof(uint16_t) * TILE_SIZE);
                for (int t = first + 1; t < last; t++) {
                    const int overlap = columns[t - 1] + TILE_SIZE - columns[t]; // 1..32
                    uint16_t* m = run + (columns[t] - x);
                    for (int k = 0; k < overlap; k++)
                        m[k] = largerFields(m[k], tileRows[t][k]);
                    std::copy(tileRows[t] + overlap, tileRows[t] + TILE_SIZE, m + overlap);
                }
                values = run;
            }
            // The map never covers index 0.
            const int skip = y == 0 && x == 0 ? 1 : 0;
            refractSpan(screen, y * SCREEN_WIDTH + x + skip, values + skip, runEnd - x - skip);
            first = last;
        }
    }
    return true;
}

void RaindropScene::stampDrops(uint16_t* map) const {
    for (int i = 0; i < MAX_DROPS; i++) {
        if (!dropActive[i]) continue;
        const uint16_t* tile =
            dropSheet->pixels + dropColumn[i] * TILE_SIZE + dropStage[i] * TILE_SIZE * SHEET_WIDTH;
        for (int j = 0; j < TILE_SIZE; j++) {
            const int rowStart = dropX[i] + (dropY[i] + j) * SCREEN_WIDTH;
            const uint16_t* tileRow = tile + j * SHEET_WIDTH;
            for (int k = 0; k < TILE_SIZE; k++) {
                // Rows below the screen are cut here, before the tile is read.
                const int t = rowStart + k;
                if (t < 1 || t >= SCREEN_PIXELS) continue;
                map[t] = largerFields(map[t], tileRow[k]);
            }
        }
    }
}

void RaindropScene::refract(const uint16_t* frameCopy, const uint16_t* map, uint16_t* screen) {
    for (int i = 0; i < SCREEN_PIXELS; i++) {
        const uint16_t m = map[i];
        const int dx = static_cast<int>(redOf(m)) - 16;
        const int dy = static_cast<int>(greenOf(m) >> 1) - 16;
        // An offset of -1 in either direction (the neutral value has both)
        // leaves the pixel alone.
        if (dx == -1 || dy == -1) continue;
        // Formed linearly: a horizontal offset past the edge of the screen
        // reads from the neighbouring row.
        const int u = i + 4 * dy * SCREEN_WIDTH + 4 * dx;
        if (u < 1 || u >= SCREEN_PIXELS) continue;
        screen[i] = brighten(frameCopy[u], static_cast<uint32_t>(std::abs(dx + dy)));
    }
}
