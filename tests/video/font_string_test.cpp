// drawString: glyph placement, advance, newlines, transparency, byte codes
// above 127 and clipping at the screen's edges.
#include <gtest/gtest.h>

#include <climits>

#include "font_test_sheet.h"
#include "video/image.h"

using namespace font_testing;
using testing_support::TempDir;

namespace {

const uint16_t BACKGROUND = 0xABCD; // above every numbered sheet pixel

class DrawStringTest : public ::testing::Test {
  protected:
    void SetUp() override {
        font = loadConsoleFont(dir);
        fillScreen(BACKGROUND);
    }

    // Expects the glyph cell at sheet (srcX, srcY) drawn at screen (x, y),
    // columns [firstColumn, endColumn) of it.
    void expectCell(int x, int y, int srcX, int srcY, int firstColumn = 0, int endColumn = 8) {
        const uint16_t* screen = Screen::instance()->pixels;
        for (int t = 0; t < 9; t++)
            for (int j = firstColumn; j < endColumn; j++)
                ASSERT_EQ(screen[(y + t) * SCREEN_WIDTH + x + j],
                          sheetPixel(srcX + j, srcY + t, 128))
                    << "glyph pixel " << j << "," << t << " at " << x << "," << y;
    }

    // Number of screen pixels that no longer hold the background.
    static int changedPixels() {
        int changed = 0;
        for (uint16_t p : screenSnapshot())
            changed += p != BACKGROUND;
        return changed;
    }

    TempDir dir;
    std::unique_ptr<Font> font;
};

TEST_F(DrawStringTest, SheetIsSizedFromCellsAndCharacterRange) {
    // 71 glyphs in rows of 16: five rows of 8x9 cells.
    EXPECT_EQ(font->picture->width, 128);
    EXPECT_EQ(font->picture->height, 45);
    EXPECT_EQ(font->glyphIndex('A'), 33);
    EXPECT_EQ(font->glyphIndex('f'), 70);
    EXPECT_EQ(font->glyphIndex('g'), 0);
    EXPECT_EQ(font->glyphIndex(200), 0);
}

TEST_F(DrawStringTest, GlyphsComeFromTheirCells) {
    font->drawString(20, 30, "A");
    expectCell(20, 30, 8, 18);
    EXPECT_EQ(changedPixels(), 72);

    fillScreen(BACKGROUND);
    font->drawString(100, 200, "f");
    expectCell(100, 200, 48, 36);
    EXPECT_EQ(changedPixels(), 72);
}

TEST_F(DrawStringTest, UndrawnCharactersStillAdvanceSevenPixels) {
    font->drawString(20, 30, "gA");
    expectCell(27, 30, 8, 18);
    EXPECT_EQ(changedPixels(), 72);

    fillScreen(BACKGROUND);
    font->drawString(20, 30, " A");
    expectCell(27, 30, 8, 18);
    EXPECT_EQ(changedPixels(), 72);
}

TEST_F(DrawStringTest, NewlineStartsTheNextLineAtTheStartColumn) {
    font->drawString(5, 5, "ab\ncd");
    // Each glyph overlaps the previous one's last column.
    expectCell(5, 5, 8 * 1, 36, 0, 7);  // 'a' is glyph 65
    expectCell(12, 5, 8 * 2, 36);       // 'b'
    expectCell(5, 15, 8 * 3, 36, 0, 7); // 'c'
    expectCell(12, 15, 8 * 4, 36);      // 'd'
    EXPECT_EQ(changedPixels(), 2 * 15 * 9);
}

TEST_F(DrawStringTest, TransparentKeyLeavesTheScreen) {
    std::vector<uint16_t> sheet = numberedSheet(128, 45);
    sheet[18 * 128 + 8] = TRANSPARENT_KEY; // top-left pixel of 'A'
    sheet[18 * 128 + 9] = 0xF81E;
    font = loadFont(dir, sheet, 128, 45, 8, 9, -1, 32, 102);
    font->drawString(20, 30, "A");
    const uint16_t* screen = Screen::instance()->pixels;
    EXPECT_EQ(screen[30 * SCREEN_WIDTH + 20], BACKGROUND);
    EXPECT_EQ(screen[30 * SCREEN_WIDTH + 21], 0xF81E);
    EXPECT_EQ(changedPixels(), 71);
}

TEST_F(DrawStringTest, CodesAbove127AreUnsigned) {
    // A full 8-bit range: code 200 is glyph 168, row 10, column 8.
    font = loadFont(dir, numberedSheet(128, 126), 128, 126, 8, 9, -1, 32, 255);
    EXPECT_EQ(font->picture->height, 126);
    font->drawString(40, 50, "\xC8");
    const uint16_t* screen = Screen::instance()->pixels;
    EXPECT_EQ(screen[50 * SCREEN_WIDTH + 40], sheetPixel(64, 90, 128));
    EXPECT_EQ(changedPixels(), 72);
}

TEST_F(DrawStringTest, TooSmallSheetIsReplacedNotOverread) {
    // A sheet one row short of the range would put glyph 70 outside it.
    font = loadFont(dir, numberedSheet(128, 40), 128, 40, 8, 9, -1, 32, 102);
    EXPECT_EQ(font->picture->width, 128);
    EXPECT_GE(font->picture->height, 45);
    font->drawString(0, 0, "f");
}

TEST_F(DrawStringTest, ClipsAtEveryEdge) {
    // Right edge: only four columns fit; nothing wraps into the next rows.
    font->drawString(316, 100, "A");
    expectCell(316, 100, 8, 18, 0, 4);
    EXPECT_EQ(changedPixels(), 4 * 9);

    // Top-left corner.
    fillScreen(BACKGROUND);
    font->drawString(-3, -4, "A");
    const uint16_t* screen = Screen::instance()->pixels;
    for (int t = 4; t < 9; t++)
        for (int j = 3; j < 8; j++)
            ASSERT_EQ(screen[(t - 4) * SCREEN_WIDTH + j - 3], sheetPixel(8 + j, 18 + t, 128));
    EXPECT_EQ(changedPixels(), 5 * 5);

    // Bottom edge: rows 236..239 only.
    fillScreen(BACKGROUND);
    font->drawString(0, 236, "A\nA");
    EXPECT_EQ(screen[239 * SCREEN_WIDTH], sheetPixel(8, 21, 128));
    EXPECT_EQ(changedPixels(), 4 * 8);

    // Far away, and pens that would overflow 32 bits.
    fillScreen(BACKGROUND);
    font->drawString(INT_MAX - 2, INT_MIN, "AAAA\nA");
    font->drawString(INT_MIN, INT_MAX, "A\n\nA");
    font->drawString(-1000, 120, "AAAAAAAA");
    EXPECT_EQ(changedPixels(), 0);
}

} // namespace

namespace {

// A sheet wider than its 16 cells is read with its own width as the stride.
TEST(DrawStringWideSheet, UsesTheSheetsOwnWidth) {
    TempDir dir;
    std::unique_ptr<Font> font = loadFont(dir, numberedSheet(200, 50), 200, 50, 8, 9, -1, 32, 102);
    ASSERT_EQ(font->picture->width, 200);
    fillScreen(BACKGROUND);
    font->drawString(20, 30, "A"); // glyph 33 at sheet (8, 18)
    const uint16_t* screen = Screen::instance()->pixels;
    for (int t = 0; t < 9; t++)
        for (int j = 0; j < 8; j++)
            ASSERT_EQ(screen[(30 + t) * SCREEN_WIDTH + 20 + j], sheetPixel(8 + j, 18 + t, 200));
}

} // namespace
