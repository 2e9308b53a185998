// drawRotatedGlyph: the half turn at angle 0, a quarter turn, the mask plane
// with its row-crossing index, and the rows and columns it must never touch.
#include <gtest/gtest.h>

#include <climits>

#include "core/trig_tables.h"
#include "font_test_sheet.h"

using namespace font_testing;
using testing_support::TempDir;

namespace {

const uint16_t BACKGROUND = 0xABCD; // above every numbered sheet pixel
const int SHEET_WIDTH = 256;
// 'A' is glyph 33: cell column 1, row 2 of 16x16 cells.
const int A_X = 16, A_Y = 32;

class RotatedGlyphTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { buildTrigTables(); }

    void SetUp() override {
        font = loadFont(dir, numberedSheet(SHEET_WIDTH, 80), SHEET_WIDTH, 80, 16, 16, -1, 32, 102);
        fillScreen(BACKGROUND);
        mask.assign(GLYPH_MASK_WIDTH * GLYPH_MASK_ROWS, 1);
    }

    static uint16_t at(int x, int y) { return Screen::instance()->pixels[y * SCREEN_WIDTH + x]; }
    static uint16_t glyph(int col, int row) {
        return sheetPixel(A_X + col, A_Y + row, SHEET_WIDTH);
    }
    static int changedPixels() {
        int changed = 0;
        for (uint16_t p : screenSnapshot())
            changed += p != BACKGROUND;
        return changed;
    }
    // The glyph column sampled at offset i of a half turn: 15..8 for i 0..7,
    // 8..1 for i 8..15; nothing outside.
    static int halfTurn(int i) { return i <= 7 ? 15 - i : 16 - i; }

    TempDir dir;
    std::unique_ptr<Font> font;
    std::vector<uint16_t> mask;
};

TEST_F(RotatedGlyphTest, AngleZeroIsAHalfTurn) {
    ASSERT_EQ(CosineTable[0], -65535);
    ASSERT_EQ(SineTable[0], 0);
    font->drawRotatedGlyph(120, 50, 'A', 0, mask.data());
    EXPECT_EQ(at(120, 50), glyph(15, 15));
    EXPECT_EQ(at(135, 65), glyph(1, 1));
    for (int j = 0; j < 16; j++)
        for (int i = 0; i < 16; i++)
            ASSERT_EQ(at(120 + i, 50 + j), glyph(halfTurn(i), halfTurn(j))) << i << "," << j;
    EXPECT_EQ(changedPixels(), 256);
}

TEST_F(RotatedGlyphTest, QuarterTurnSwapsTheAxes) {
    ASSERT_EQ(CosineTable[16384], 0);
    ASSERT_EQ(SineTable[16384], -65535);
    // u = s*dy picks the column from the screen row, v = -s*dx the row from
    // the screen column.
    font->drawRotatedGlyph(120, 50, 'A', 16384, mask.data());
    EXPECT_EQ(at(120 + 1, 50 + 0), glyph(15, 1));
    EXPECT_EQ(at(120 + 15, 50 + 15), glyph(1, 14));
    EXPECT_EQ(at(120 + 8, 50 + 8), glyph(8, 8));
    EXPECT_EQ(at(120 + 0, 50 + 5), BACKGROUND); // would be glyph row 0
}

TEST_F(RotatedGlyphTest, SpaceAndUnmappedCodesDrawNothing) {
    font->drawRotatedGlyph(120, 50, ' ', 0, mask.data());
    font->drawRotatedGlyph(120, 50, 'z', 0, mask.data());
    font->drawRotatedGlyph(120, 50, 200, 0, mask.data());
    EXPECT_EQ(changedPixels(), 0);
}

TEST_F(RotatedGlyphTest, MaskZeroAndTransparentKeyAreSkipped) {
    // Mask column 22 (screen column 122) is closed on every row.
    for (int r = 0; r < GLYPH_MASK_ROWS; r++)
        mask[r * GLYPH_MASK_WIDTH + 22] = 0;
    std::vector<uint16_t> sheet = numberedSheet(SHEET_WIDTH, 80);
    sheet[(A_Y + 15) * SHEET_WIDTH + A_X + 15] = TRANSPARENT_KEY; // lands on (120, 50)
    font = loadFont(dir, sheet, SHEET_WIDTH, 80, 16, 16, -1, 32, 102);
    font->drawRotatedGlyph(120, 50, 'A', 0, mask.data());
    EXPECT_EQ(at(120, 50), BACKGROUND);
    for (int j = 0; j < 16; j++)
        EXPECT_EQ(at(122, 50 + j), BACKGROUND);
    EXPECT_EQ(at(121, 50), glyph(14, 15));
    EXPECT_EQ(changedPixels(), 256 - 16 - 1);
}

TEST_F(RotatedGlyphTest, RowMaskIndexCrossesRowsButNeverLeavesTheMask) {
    // Left of column 100 the index names the previous mask row's end; in
    // screen row 0 it would lie before the mask and the pixel is not drawn.
    mask[0 * GLYPH_MASK_WIDTH + 125] = 0; // row 0, column 125 -> screen (97, 1)
    font->drawRotatedGlyph(90, 0, 'A', 0, mask.data());
    for (int i = 0; i < 16; i++)
        EXPECT_EQ(at(90 + i, 0), 90 + i < 100 ? BACKGROUND : glyph(halfTurn(i), 15)) << i;
    EXPECT_EQ(at(96, 1), glyph(halfTurn(6), 14));
    EXPECT_EQ(at(97, 1), BACKGROUND);

    // Only glyph row 15 reaches screen row 0, left of the mask's start.
    fillScreen(BACKGROUND);
    font->drawRotatedGlyph(-10, -15, 'A', 0, mask.data());
    EXPECT_EQ(changedPixels(), 0);
}

TEST_F(RotatedGlyphTest, NeverDrawsRow239NorOffTheScreen) {
    font->drawRotatedGlyph(150, 230, 'A', 0, mask.data());
    for (int x = 0; x < SCREEN_WIDTH; x++)
        ASSERT_EQ(at(x, 239), BACKGROUND);
    EXPECT_EQ(at(150, 238), glyph(15, 8));
    EXPECT_EQ(changedPixels(), 16 * 9);

    // Past the right edge nothing wraps into the next row's left columns.
    fillScreen(BACKGROUND);
    font->drawRotatedGlyph(310, 100, 'A', 0, mask.data());
    EXPECT_EQ(changedPixels(), 10 * 16);
    for (int y = 95; y < 125; y++)
        ASSERT_EQ(at(0, y), BACKGROUND);

    fillScreen(BACKGROUND);
    font->drawRotatedGlyph(INT_MAX, INT_MAX, 'A', 1234, mask.data());
    font->drawRotatedGlyph(INT_MIN, INT_MIN, 'A', 1234, mask.data());
    font->drawRotatedGlyph(-30, 240, 'A', 0, mask.data());
    EXPECT_EQ(changedPixels(), 0);
}

TEST_F(RotatedGlyphTest, GlyphOutsideASmallSheetIsNotDrawn) {
    // An 8x9 font's sheet is 128 wide; its last glyph row cannot hold a
    // 256-stride sample window, so that glyph is skipped rather than overread.
    font = loadFont(dir, numberedSheet(128, 45), 128, 45, 8, 9, -1, 32, 102);
    font->drawRotatedGlyph(120, 50, 'f', 0, mask.data());
    EXPECT_EQ(changedPixels(), 0);
}

} // namespace
