#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "core/camera.h"
#include "video/screen.h"

namespace {

// Points written by one drawLine on a cleared frame, as (x, y) pairs.
std::vector<std::pair<int, int>> linePoints(int x0, int y0, int x1, int y1) {
    Screen* screen = Screen::instance();
    std::fill(screen->pixels, screen->pixels + SCREEN_PIXELS, 0);
    screen->drawLine(x0, y0, x1, y1, 0x1234);
    std::vector<std::pair<int, int>> points;
    for (int i = 0; i < SCREEN_PIXELS; i++)
        if (screen->pixels[i] == 0x1234) points.push_back({i % 320, i / 320});
    return points;
}

typedef std::vector<std::pair<int, int>> Points;

TEST(ScreenConstruction, CameraIsExactIdentityAndDepthIsZero) {
    Screen* screen = Screen::instance();
    ASSERT_NE(screen->camera, nullptr);
    const Matrix3& r = screen->camera->rotation;
    const Fixed identity[9] = {65536, 0, 0, 0, 65536, 0, 0, 0, 65536};
    for (int i = 0; i < 9; i++)
        EXPECT_EQ(r.m[i], identity[i]) << i;
    EXPECT_EQ(screen->camera->position.x, 0);
    EXPECT_EQ(screen->camera->move.z, 0);
    EXPECT_EQ(screen->width, 320);
    EXPECT_EQ(screen->height, 240);
    EXPECT_EQ(screen->dirtyTop, 0);
    EXPECT_EQ(screen->dirtyBottom, 239);
    EXPECT_TRUE(std::all_of(screen->depthBuffer, screen->depthBuffer + SCREEN_PIXELS,
                            [](int32_t d) { return d == 0; }));
}

TEST(ScreenDepth, FirstClearLeavesRow239) {
    Screen* screen = Screen::instance();
    screen->dirtyTop = 0;
    screen->dirtyBottom = 239;
    std::fill(screen->depthBuffer, screen->depthBuffer + SCREEN_PIXELS, 0);
    screen->depthWrittenEverywhere();
    screen->clearDepth(65536000);
    EXPECT_EQ(screen->depthBuffer[0], 65536000);
    EXPECT_EQ(screen->depthBuffer[238 * 320 + 319], 65536000);
    EXPECT_EQ(screen->depthBuffer[239 * 320], 0);
    EXPECT_EQ(screen->dirtyTop, 239);
    EXPECT_EQ(screen->dirtyBottom, 0);
}

TEST(ScreenDepth, EmptyBandWritesNothing) {
    Screen* screen = Screen::instance();
    std::fill(screen->depthBuffer, screen->depthBuffer + SCREEN_PIXELS, 7);
    screen->depthWrittenEverywhere();
    screen->dirtyTop = 239;
    screen->dirtyBottom = 0;
    screen->clearDepth(1);
    EXPECT_TRUE(std::all_of(screen->depthBuffer, screen->depthBuffer + SCREEN_PIXELS,
                            [](int32_t d) { return d == 7; }));
    EXPECT_EQ(screen->dirtyTop, 239);
    EXPECT_EQ(screen->dirtyBottom, 0);
}

TEST(ScreenDepth, BandBeyondTheScreenIsClamped) {
    Screen* screen = Screen::instance();
    std::fill(screen->depthBuffer, screen->depthBuffer + SCREEN_PIXELS, 7);
    screen->depthWrittenEverywhere();
    screen->dirtyTop = -5;
    screen->dirtyBottom = 300;
    screen->clearDepth(0x640000);
    EXPECT_TRUE(std::all_of(screen->depthBuffer, screen->depthBuffer + SCREEN_PIXELS,
                            [](int32_t d) { return d == 0x640000; }));
    EXPECT_EQ(screen->dirtyTop, 239);
    EXPECT_EQ(screen->dirtyBottom, 0);
}

TEST(ScreenDepth, NarrowBandWritesWholeRowsOnly) {
    Screen* screen = Screen::instance();
    std::fill(screen->depthBuffer, screen->depthBuffer + SCREEN_PIXELS, 7);
    screen->depthWrittenEverywhere();
    screen->dirtyTop = 10;
    screen->dirtyBottom = 12;
    screen->clearDepth(3);
    for (int i = 0; i < SCREEN_PIXELS; i++)
        ASSERT_EQ(screen->depthBuffer[i], (i >= 3200 && i < 3840) ? 3 : 7) << i;
}

// A row cleared to the same value again is cleared over its written
// columns only, both ends included.
TEST(ScreenDepth, SameValueClearsBothEndsOfTheWrittenColumns) {
    Screen* screen = Screen::instance();
    screen->dirtyTop = 0;
    screen->dirtyBottom = SCREEN_HEIGHT;
    screen->clearDepth(5);
    int32_t* row = screen->depthBuffer + 7 * SCREEN_WIDTH;
    screen->depthWritten(7, 30, 31);
    screen->depthWritten(7, 12, 30);
    row[12] = row[31] = 9;
    screen->dirtyTop = 7;
    screen->dirtyBottom = 8;
    screen->clearDepth(5);
    EXPECT_EQ(row[12], 5);
    EXPECT_EQ(row[31], 5);
}

TEST(ScreenLine, BorderRowsAndColumnsAreNeverWritten) {
    EXPECT_TRUE(linePoints(0, 0, 5, 0).empty());
    EXPECT_EQ(linePoints(1, 1, 5, 1), (Points{{1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}}));
    EXPECT_EQ(linePoints(317, 5, 320, 5), (Points{{317, 5}, {318, 5}}));
    EXPECT_TRUE(linePoints(-50, 239, 400, 239).empty());
    EXPECT_TRUE(linePoints(319, -100, 319, 400).empty());
}

TEST(ScreenLine, SinglePointAndDiagonal) {
    EXPECT_EQ(linePoints(3, 3, 3, 3), (Points{{3, 3}}));
    // Equal slopes are y-major.
    EXPECT_EQ(linePoints(10, 10, 13, 13), (Points{{10, 10}, {11, 11}, {12, 12}, {13, 13}}));
}

TEST(ScreenLine, MinorAxisStepsWhenErrorIsNotNegative) {
    // x-major, dx 4, dy 2: err starts at 0, so the first step already moves y.
    EXPECT_EQ(linePoints(10, 10, 14, 12),
              (Points{{10, 10}, {11, 11}, {12, 11}, {13, 12}, {14, 12}}));
    // The same line drawn backwards starts from the other end and differs.
    EXPECT_EQ(linePoints(14, 12, 10, 10),
              (Points{{10, 10}, {11, 10}, {12, 11}, {13, 11}, {14, 12}}));
    // A line plots max(dx, dy) + 1 points.
    EXPECT_EQ(linePoints(20, 200, 120, 50).size(), 151u);
}

TEST(ScreenResize, RoundsTowardZeroToEvenAndKeepsDrawingMemory) {
    Screen* screen = Screen::instance();
    uint16_t* before = screen->pixels;
    screen->resize(321, 241);
    EXPECT_EQ(screen->width, 320);
    EXPECT_EQ(screen->height, 240);
    screen->resize(400, 300);
    EXPECT_EQ(screen->width, 400);
    EXPECT_EQ(screen->height, 300);
    EXPECT_EQ(screen->pixels, before);
    // Drawing still reaches the whole 320x240 frame and presenting is safe.
    std::fill(screen->pixels, screen->pixels + SCREEN_PIXELS, 0xABCD);
    screen->present();
    EXPECT_EQ(screen->pixels[SCREEN_PIXELS - 1], 0xABCD);
    screen->resize(320, 240);
}

} // namespace
