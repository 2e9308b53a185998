#include <gtest/gtest.h>
#include <stb_image_write.h>

#include <algorithm>
#include <fstream>
#include <vector>

#include "test_support.h"
#include "video/image.h"
#include "video/screen.h"

using testing_support::TempDir;

namespace {

// Writes raw 8-bit pixels with `components` channels as a PNG.
void writeRawPng(const std::string& path, int w, int h, int components,
                 const std::vector<uint8_t>& bytes) {
    ASSERT_TRUE(stbi_write_png(path.c_str(), w, h, components, bytes.data(), w * components));
}

TEST(ImageLoad, ConvertsByDroppingLowBits) {
    TempDir dir;
    const std::string path = dir.file("rgb.png");
    writeRawPng(path, 5, 1, 3, {255, 255, 255, 255, 0, 255, 7, 3, 7, 8, 4, 8, 0, 255, 0});
    Image image(path.c_str());
    ASSERT_EQ(image.width, 5);
    ASSERT_EQ(image.height, 1);
    ASSERT_EQ(image.pixelCount, 5);
    EXPECT_EQ(image.pixels[0], 0xFFFF);
    EXPECT_EQ(image.pixels[1], 0xF81F);
    EXPECT_EQ(image.pixels[2], 0x0000);
    EXPECT_EQ(image.pixels[3], 0x0821);
    EXPECT_EQ(image.pixels[4], 0x07E0);
}

TEST(ImageLoad, AlphaIsIgnoredAndGreyIsExpanded) {
    TempDir dir;
    writeRawPng(dir.file("rgba.png"), 1, 1, 4, {255, 0, 0, 0});
    writeRawPng(dir.file("grey.png"), 1, 1, 1, {200});
    Image rgba(dir.file("rgba.png").c_str());
    Image grey(dir.file("grey.png").c_str());
    ASSERT_EQ(rgba.pixelCount, 1);
    EXPECT_EQ(rgba.pixels[0], 0xF800);
    ASSERT_EQ(grey.pixelCount, 1);
    EXPECT_EQ(grey.pixels[0], 0xCE59);
}

TEST(ImageLoad, RowMajorLayout) {
    TempDir dir;
    std::vector<uint16_t> pixels(6);
    for (int i = 0; i < 6; i++)
        pixels[i] = static_cast<uint16_t>(0x0841 * (i + 1));
    testing_support::writePicture(dir.file("p.png"), 3, 2, pixels);
    Image image(dir.file("p.png").c_str());
    ASSERT_EQ(image.width, 3);
    ASSERT_EQ(image.height, 2);
    EXPECT_EQ(std::vector<uint16_t>(image.pixels, image.pixels + 6), pixels);
}

TEST(ImageWrite, EveryRgb565ValueRoundTrips) {
    TempDir dir;
    std::vector<uint16_t> all(65536);
    for (int i = 0; i < 65536; i++)
        all[i] = static_cast<uint16_t>(i);
    testing_support::writePicture(dir.file("all.png"), 256, 256, all);
    Image image(dir.file("all.png").c_str());
    ASSERT_EQ(image.pixelCount, 65536);
    EXPECT_EQ(std::vector<uint16_t>(image.pixels, image.pixels + 65536), all);
}

TEST(ImageBlank, IsBlackOfTheGivenSize) {
    Image blank(256, 256);
    ASSERT_NE(blank.pixels, nullptr);
    for (int i = 0; i < 65536; i++)
        ASSERT_EQ(blank.pixels[i], 0) << i;
}

TEST(ImageSized, MissingOrWrongPictureBecomesBlackOfTheNeededSize) {
    TempDir dir;
    testing_support::writePicture(dir.file("small.png"), 4, 4, std::vector<uint16_t>(16, 0xFFFF));
    testing_support::writePicture(dir.file("tall.png"), 4, 9, std::vector<uint16_t>(36, 0x1234));
    std::ofstream(dir.file("broken.png")) << "not a picture";

    for (const char* name : {"missing.png", "small.png", "broken.png"}) {
        testing::internal::CaptureStderr();
        testing::internal::CaptureStdout();
        Image image(dir.file(name).c_str(), 8, 8);
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        EXPECT_NE(err.find(name), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        ASSERT_EQ(image.width, 8);
        ASSERT_EQ(image.height, 8);
        for (int i = 0; i < 64; i++)
            ASSERT_EQ(image.pixels[i], 0) << name << " " << i;
    }

    // Extra rows are fine: the owner relies on the width and a minimum height.
    testing::internal::CaptureStderr();
    Image tall(dir.file("tall.png").c_str(), 4, 8);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(tall.height, 9);
    EXPECT_EQ(tall.pixels[35], 0x1234);
}

TEST(ImageSized, RunOfPixelsNeedsOnlyTheCount) {
    TempDir dir;
    testing_support::writePicture(dir.file("ramp.png"), 16, 16, std::vector<uint16_t>(256, 0x07E0));
    Image* ramp = Image::loadAtLeast(dir.file("ramp.png").c_str(), 190);
    EXPECT_EQ(ramp->pixelCount, 256);
    EXPECT_EQ(ramp->pixels[255], 0x07E0);
    delete ramp;
    testing::internal::CaptureStderr();
    Image* missing = Image::loadAtLeast(dir.file("nothing.png").c_str(), 190);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("nothing.png"), std::string::npos);
    EXPECT_GE(missing->pixelCount, 190);
    EXPECT_EQ(missing->pixels[189], 0);
    delete missing;
}

TEST(ImageLoad, MissingFileGivesEmptyPictureSilently) {
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    Image image("/nonexistent/picture.png");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(image.pixelCount, 0);
    EXPECT_EQ(image.pixels, nullptr);
}

// drawTint takes its pixels two at a time; an odd count has one left over.
TEST(ImageTint, OddCountBlendsEveryPlaceAsBlendOpacity) {
    uint16_t pixels[4] = {0x1234, 0xFFFF, 0x0000, 0x8410};
    const uint16_t before[4] = {0x1234, 0xFFFF, 0x0000, 0x8410};
    const uint32_t tint[3] = {0u << 8 | 10, 4u << 8 | 63, 6u << 8 | 1}; // pixels 0, 2 and 3
    drawTint(pixels, 0, 0xF81F, tint, tint + 3);
    EXPECT_EQ(pixels[0], blendOpacity(0xF81F, before[0], 10));
    EXPECT_EQ(pixels[1], before[1]);
    EXPECT_EQ(pixels[2], blendOpacity(0xF81F, before[2], 63));
    EXPECT_EQ(pixels[3], blendOpacity(0xF81F, before[3], 1));
}

// A sprite row's opaque stretch is copied as one run and the rest blended,
// two screen pixels a word; cut at either screen edge and at either parity
// of x, every pixel is still its own blend.
TEST(ImageSprite, RunsCutAtTheScreenEdgesBlendEveryPixel) {
    Image colours(12, 1);
    for (int c = 0; c < 12; c++)
        colours.pixels[c] = static_cast<uint16_t>(0x1357 * (c + 1));
    const uint32_t levels[12] = {64, 64, 64, 64, 64, 64, 64, 64, 64, 20, 0, 40};
    const Sprite sprite(colours, [&levels](int32_t i) { return levels[i]; });
    uint16_t* screen = Screen::instance()->pixels;
    for (const int x : {-3, -4, 313, 314}) {
        for (int i = 0; i < SCREEN_WIDTH; i++)
            screen[i] = static_cast<uint16_t>(i * 40503u);
        sprite.draw(x, 0, 0, 1, 12);
        for (int i = 0; i < SCREEN_WIDTH; i++) {
            const uint16_t before = static_cast<uint16_t>(i * 40503u);
            const int c = i - x;
            uint16_t expected = before;
            if (c >= 0 && c < 12 && levels[c] == 64) expected = colours.pixels[c];
            if (c >= 0 && c < 12 && levels[c] >= 1 && levels[c] <= 63)
                expected = blendOpacity(colours.pixels[c], before, levels[c]);
            ASSERT_EQ(screen[i], expected) << "x " << x << " column " << i;
        }
    }
}

// Blend runs go four screen pairs a turn after one and two for the count's
// low bits, the last pixel before the pairs: row r has r + 1 blended pixels
// (every count of pairs mod 4, and levels up to 64), at both parities of x.
TEST(ImageSprite, BlendRunsOfEveryLengthBlendEveryPixel) {
    const int width = 24, height = 24;
    Image colours(width, height);
    for (int i = 0; i < width * height; i++)
        colours.pixels[i] = static_cast<uint16_t>(0x2F5B * (i + 7));
    const auto level = [](int32_t i) -> uint32_t {
        return i % width <= i / width ? 1 + (i * 37u) % 64 : 0;
    };
    const Sprite sprite(colours, level);
    uint16_t* screen = Screen::instance()->pixels;
    for (const int x : {100, 101}) {
        for (int i = 0; i < SCREEN_WIDTH * height; i++)
            screen[i] = static_cast<uint16_t>(i * 40503u);
        sprite.draw(x, 0, 0, height, width);
        for (int i = 0; i < SCREEN_WIDTH * height; i++) {
            const uint16_t before = static_cast<uint16_t>(i * 40503u);
            const int r = i / SCREEN_WIDTH, c = i % SCREEN_WIDTH - x;
            uint16_t expected = before;
            if (c >= 0 && c < width && level(r * width + c) != 0)
                expected = blendLevel(colours.pixels[r * width + c], before, level(r * width + c));
            ASSERT_EQ(screen[i], expected) << "x " << x << " row " << r << " column " << c;
        }
    }
}

} // namespace
