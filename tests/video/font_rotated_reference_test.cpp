// drawRotatedGlyph at any angle, against the rotation written out pixel by
// pixel with full products per pixel: the incremental walk, the cut to the
// screen and the mask plane must give the same frame wherever the glyph lies
// wholly on the screen's columns.
#include <gtest/gtest.h>

#include <random>

#include "core/trig_tables.h"
#include "font_test_sheet.h"

using namespace font_testing;
using testing_support::TempDir;

namespace {

const int SHEET_WIDTH = 256, SHEET_HEIGHT = 80;

// The glyph of `ch` drawn into `frame` straight from its description.
void referenceGlyph(std::vector<uint16_t>& frame, const std::vector<uint16_t>& sheet, int x, int y,
                    unsigned char ch, uint16_t angle, const std::vector<uint16_t>& mask) {
    if (ch == ' ') return;
    int k = ch <= 102 ? ch - 32 : -32;
    if (k <= 0) return;
    const int srcX = 16 * (k % 16), srcY = 16 * (k / 16);
    const int32_t c = CosineTable[angle], s = SineTable[angle];
    for (int i = -5; i <= 20; i++)
        for (int j = -5; j <= 20; j++) {
            const int32_t dx = i - 8, dy = j - 8;
            const int32_t col = ((c * dx + s * dy) >> 16) + 8;
            const int32_t row = ((c * dy - s * dx) >> 16) + 8;
            if (col < 1 || col > 15 || row < 1 || row > 15) continue;
            const uint16_t p = sheet[(srcY + row) * 256 + srcX + col];
            const int X = x + i, Y = y + j;
            if (p == TRANSPARENT_KEY || Y < 0 || Y > 238) continue;
            const int m = (X - 100) + Y * 128;
            if (m < 0 || mask[m] == 0) continue;
            frame[Y * SCREEN_WIDTH + X] = p;
        }
}

TEST(RotatedGlyphReference, EveryAngleMatchesThePixelByPixelRotation) {
    buildTrigTables();
    std::mt19937 random(11);
    std::vector<uint16_t> sheet = numberedSheet(SHEET_WIDTH, SHEET_HEIGHT);
    for (int n = 0; n < SHEET_WIDTH * SHEET_HEIGHT; n += 13)
        sheet[n] = TRANSPARENT_KEY;
    TempDir dir;
    std::unique_ptr<Font> font =
        loadFont(dir, sheet, SHEET_WIDTH, SHEET_HEIGHT, 16, 16, -1, 32, 102);
    std::vector<uint16_t> mask(GLYPH_MASK_WIDTH * GLYPH_MASK_ROWS);
    for (uint16_t& m : mask)
        m = random() % 5 == 0 ? 0 : static_cast<uint16_t>(random());

    for (int trial = 0; trial < 400; trial++) {
        const int x = 5 + static_cast<int>(random() % 295); // columns x-5 .. x+20 on screen
        const int y = static_cast<int>(random() % 270) - 20;
        const uint16_t angle = static_cast<uint16_t>(random());
        const unsigned char ch = static_cast<unsigned char>(33 + random() % 70);
        fillScreen(0x0841);
        std::vector<uint16_t> expected = screenSnapshot();
        referenceGlyph(expected, sheet, x, y, ch, angle, mask);
        font->drawRotatedGlyph(x, y, ch, angle, mask.data());
        ASSERT_EQ(screenSnapshot(), expected)
            << "x " << x << " y " << y << " angle " << angle << " char " << int(ch);
    }
}

} // namespace
