// Bitmap text drawn from a glyph sheet: fixed-size cells, 16 to a row, in
// character-code order. Both operations write straight into the screen and
// skip sheet pixels that hold TRANSPARENT_KEY.
#pragma once

#include <cstdint>

class Image;

// The clip plane of drawRotatedGlyph: 128 unsigned 16-bit values a row, 240
// rows, whose column 0 lies on screen column 100.
const int GLYPH_MASK_WIDTH = 128;
const int GLYPH_MASK_LEFT = 100;
const int GLYPH_MASK_ROWS = 240;

class Font {
  public:
    int32_t cellWidth;
    int32_t cellHeight;
    int32_t spacing; // added to cellWidth to advance after each character
    int32_t firstChar;
    int32_t lastChar;
    Image* picture; // owned glyph sheet

    // Loads the sheet at exactly 16 cells wide and tall enough for every
    // glyph the character range can name, so no glyph read leaves it.
    Font(const char* path, int cellWidth, int cellHeight, int spacing, int firstChar, int lastChar);
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // Sheet glyph of a character code 0..255; 0 is never drawn.
    int glyphIndex(unsigned char ch) const;

    // Draws text with its top-left corner at (x, y); '\n' starts a new line
    // cellHeight + 1 rows lower. Pixels outside the screen are not drawn.
    void drawString(int x, int y, const char* text);

    // Draws one 16x16 glyph of a 256-pixel-wide sheet turned by angle about
    // its pixel (8, 8), placed at (x + 8, y + 8), only where the mask plane
    // is non-zero. Never writes row 239 nor outside the screen.
    void drawRotatedGlyph(int x, int y, unsigned char ch, uint16_t angle, const uint16_t* mask);
};
