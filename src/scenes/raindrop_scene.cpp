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
    // Both work areas live in this call's frame: nothing is allocated per
    // frame.
    uint16_t frameCopy[SCREEN_PIXELS];
    uint16_t map[SCREEN_PIXELS];
    uint16_t* screen = Screen::instance()->pixels;
    memcpy(frameCopy, screen, SCREEN_BYTES);
    std::fill_n(map, SCREEN_PIXELS, NEUTRAL_OFFSET);
    stampDrops(map);
    refract(frameCopy, map, screen);
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
                const uint16_t d = tileRow[k];
                const uint16_t m = map[t];
                map[t] =
                    packRgb565(std::max(redOf(d), redOf(m)), std::max(greenOf(d), greenOf(m)), 0);
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
