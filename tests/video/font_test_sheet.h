// Glyph sheets for the font and console tests: synthetic pictures whose
// every pixel differs, so a drawn pixel tells which sheet pixel it came from.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/pixel.h"
#include "test_support.h"
#include "video/font.h"
#include "video/screen.h"

namespace font_testing {

// The sheet pixel at (x, y) of a sheet `width` wide: never 0 and never the
// transparent key for sheets of up to 256x240.
inline uint16_t sheetPixel(int x, int y, int width) {
    return static_cast<uint16_t>(y * width + x + 1);
}

inline std::vector<uint16_t> numberedSheet(int width, int height) {
    std::vector<uint16_t> sheet(width * height);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            sheet[y * width + x] = sheetPixel(x, y, width);
    return sheet;
}

// Writes the sheet into `dir` and loads it as a Font.
inline std::unique_ptr<Font> loadFont(const testing_support::TempDir& dir,
                                      const std::vector<uint16_t>& sheet, int width, int height,
                                      int cellWidth, int cellHeight, int spacing, int firstChar,
                                      int lastChar) {
    const std::string path = dir.file("font.png");
    testing_support::writePicture(path, width, height, sheet);
    return std::unique_ptr<Font>(
        new Font(path.c_str(), cellWidth, cellHeight, spacing, firstChar, lastChar));
}

// The console font's shape: 8x9 cells, characters 32..102, a 128x45 sheet.
inline std::unique_ptr<Font> loadConsoleFont(const testing_support::TempDir& dir) {
    return loadFont(dir, numberedSheet(128, 45), 128, 45, 8, 9, -1, 32, 102);
}

inline std::vector<uint16_t> screenSnapshot() {
    const uint16_t* pixels = Screen::instance()->pixels;
    return std::vector<uint16_t>(pixels, pixels + SCREEN_PIXELS);
}

inline void fillScreen(uint16_t colour) {
    uint16_t* pixels = Screen::instance()->pixels;
    for (int i = 0; i < SCREEN_PIXELS; i++)
        pixels[i] = colour;
}

} // namespace font_testing
