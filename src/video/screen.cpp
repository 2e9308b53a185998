#include "video/screen.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/camera.h"
#include "platform/frame_output.h"

namespace {
Screen* theScreen = nullptr;
}

Screen* Screen::instance() {
    if (!theScreen) theScreen = new Screen(SCREEN_WIDTH, SCREEN_HEIGHT, 16);
    return theScreen;
}

void Screen::destroyInstance() {
    delete theScreen;
    theScreen = nullptr;
}

Screen::Screen(int width, int height, int bitsPerPixel) {
    // The show needs only video: its sound goes its own way and no joystick
    // is ever opened. Where SDL cannot give audio or a joystick, it plays
    // with video alone.
    if (SDL_Init(SDL_INIT_AUDIO | SDL_INIT_VIDEO | SDL_INIT_JOYSTICK) < 0 &&
        SDL_Init(SDL_INIT_VIDEO) < 0) {
        printf("Unable to init SDL: %s\n", SDL_GetError());
        exit(1);
    }
    atexit(SDL_Quit);
    this->width = width;
    this->height = height;
    surface = SDL_SetVideoMode(width, height, bitsPerPixel, 0);
    SDL_ShowCursor(0);
    if (!surface) {
        printf("Unable to set video: %s\n", SDL_GetError());
        exit(1);
    }
    // Drawing goes to our own frame rather than surface->pixels so that a
    // later change of video mode can never leave the drawing code (or the
    // meshes' copies of the address) pointing at freed memory.
    memset(frame, 0, sizeof frame);
    pixels = frame;
    frameOutput = platform::openFrameOutput(frame, SCREEN_WIDTH, SCREEN_HEIGHT);
    // Without it nothing drawn would ever reach the window.
    if (!frameOutput) {
        printf("Unable to set video: %s\n", SDL_GetError());
        exit(1);
    }
    camera = new Camera;
    camera->reset();
    SDL_UpdateRect(surface, 0, 0, width, height);
    dirtyTop = 0;
    dirtyBottom = 239; // the first clearDepth clears rows 0..238
    memset(depthBuffer, 0, sizeof depthBuffer);
    for (int row = 0; row < SCREEN_HEIGHT; row++) {
        depthRowValue[row] = 0; // what the memset wrote
        depthLeft[row] = SCREEN_WIDTH;
        depthRight[row] = -1;
    }
}

Screen::~Screen() {
    delete camera;
    platform::closeFrameOutput(frameOutput);
    SDL_Quit();
}

// A refused video mode leaves no surface; drawing goes on into our own frame.
void Screen::lock() {
    if (surface && SDL_MUSTLOCK(surface)) SDL_LockSurface(surface);
}

void Screen::unlock() {
    if (surface && SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
}

void Screen::present() {
    // A failed resize can leave no surface; there is then nothing to show.
    if (!surface) return;
    platform::presentFrame(frameOutput, surface, width, height);
}

void Screen::resize(int w, int h) {
    width = w / 2 * 2; // toward zero: 321 -> 320, -3 -> -2
    height = h / 2 * 2;
    surface = SDL_SetVideoMode(width, height, 16, 0);
}

void Screen::clearDepth(int32_t value) {
    // The dirty band in whole rows, cut to the screen; a band that ends
    // before it starts clears nothing and is kept as it is.
    const int32_t top = dirtyTop < 0 ? 0 : dirtyTop;
    const int32_t bottom = dirtyBottom > SCREEN_HEIGHT ? SCREEN_HEIGHT : dirtyBottom;
    if (bottom < top) return;
    // Exact for any order of clears and writes: outside its extent a row
    // holds depthRowValue (true after the constructor; a clear leaves the
    // whole row at `value` with an empty extent; a writer widens the extent
    // over every column it may change). So a row cleared to the same value
    // again differs from it only inside the extent, and any other row is
    // cleared whole. Rows outside the band keep their values and extents.
    for (int32_t row = top; row < bottom; row++) {
        // A row is 320 words, 40 blocks of 8: one store a word and one loop
        // branch a block (the stores miss the cache anyway; fewer
        // instructions around them is all there is to gain).
        int32_t first = 0, blocks = SCREEN_WIDTH / 8;
        if (depthRowValue[row] == value) {
            // Only the blocks the written columns touch: the rest of each
            // block already holds value. An empty extent (left > right) none.
            const int32_t left = depthLeft[row], right = depthRight[row];
            first = left & ~7;
            blocks = left > right ? 0 : (right >> 3) - (left >> 3) + 1; // both 0..319 here
        }
        depthRowValue[row] = value;
        depthLeft[row] = SCREEN_WIDTH;
        depthRight[row] = -1;
        for (int32_t* word = depthBuffer + row * SCREEN_WIDTH + first; blocks > 0; blocks--) {
            word[0] = value, word[1] = value, word[2] = value, word[3] = value;
            word[4] = value, word[5] = value, word[6] = value, word[7] = value;
            word += 8;
        }
    }
    dirtyBottom = 0;
    dirtyTop = 239;
}

void Screen::depthWrittenEverywhere() {
    for (int row = 0; row < SCREEN_HEIGHT; row++) {
        depthLeft[row] = 0;
        depthRight[row] = SCREEN_WIDTH - 1;
    }
}

void Screen::drawLine(int x0, int y0, int x1, int y1, uint16_t colour) {
    // Bresenham that plots both end points; column 0 and 319 and row 0 and
    // 239 are never written.
    auto plot = [this, colour](int x, int y) {
        if (x >= 1 && x <= 318 && y >= 1 && y <= 238) pixels[y * SCREEN_WIDTH + x] = colour;
    };
    const int dx = x1 < x0 ? x0 - x1 : x1 - x0;
    const int sx = x1 < x0 ? -1 : 1;
    const int dy = y1 < y0 ? y0 - y1 : y1 - y0;
    const int sy = y1 < y0 ? -1 : 1;
    int x = x0;
    int y = y0;
    plot(x, y);
    if (dx > dy) {
        int err = 2 * dy - dx;
        while (x != x1) {
            const int e = err;
            x += sx;
            if (e >= 0) {
                y += sy;
                err -= 2 * dx;
            }
            err += 2 * dy;
            plot(x, y);
        }
    } else {
        int err = 2 * dx - dy;
        while (y != y1) {
            const int e = err;
            y += sy;
            if (e >= 0) {
                x += sx;
                err -= 2 * dy;
            }
            err += 2 * dx;
            plot(x, y);
        }
    }
}
