#include "video/font.h"

#include <algorithm>
#include <cstring>

#include "core/pixel.h"
#include "core/trig_tables.h"
#include "video/image.h"
#include "video/screen.h"

namespace {

const int GLYPHS_PER_ROW = 16;
// drawRotatedGlyph addresses its sheet with this stride, whatever the width.
const int ROTATED_SHEET_STRIDE = 256;
const uint32_t GLYPH_MASK_ENTRIES = GLYPH_MASK_WIDTH * GLYPH_MASK_ROWS;

// Highest glyph index any character code 0..255 can name.
int highestGlyph(const Font& font) {
    int highest = 0;
    for (int ch = 0; ch < 256; ch++)
        highest = std::max(highest, font.glyphIndex(static_cast<unsigned char>(ch)));
    return highest;
}

} // namespace

Font::Font(const char* path, int cellWidth, int cellHeight, int spacing, int firstChar,
           int lastChar)
    : cellWidth(cellWidth), cellHeight(cellHeight), spacing(spacing), firstChar(firstChar),
      lastChar(lastChar), picture(nullptr) {
    const int glyphRows = highestGlyph(*this) / GLYPHS_PER_ROW + 1;
    const int sheetWidth = std::max(0, GLYPHS_PER_ROW * cellWidth);
    const int sheetHeight = std::max(0, glyphRows * cellHeight);
    // drawString steps through the sheet by its own width, so a wider sheet
    // is as good as an exact one.
    picture = Image::loadAtLeast(path, sheetWidth, sheetHeight);
}

Font::~Font() {
    delete picture;
}

int Font::glyphIndex(unsigned char ch) const {
    const int64_t k = ch <= lastChar ? int64_t(ch) - firstChar : -int64_t(firstChar);
    return k < 0 ? 0 : static_cast<int>(k);
}

void Font::drawString(int x, int y, const char* text) {
    uint16_t* screen = Screen::instance()->pixels;
    const uint16_t* sheet = picture->pixels;
    const int64_t sheetWidth = picture->width;
    // Bytes are read unsigned so that codes above 127 name the same glyph
    // whether the platform's char is signed or not. Pen positions are 64-bit
    // so that no caller's coordinates can overflow them.
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
    const size_t length = strlen(text);
    int64_t left = x;
    int64_t top = y;
    for (size_t n = 0; n < length; n++) {
        const unsigned char ch = bytes[n];
        if (ch == '\n') {
            top += int64_t(cellHeight) + 1;
            left = x;
            continue;
        }
        const int k = glyphIndex(ch);
        if (k > 0) {
            const int64_t srcX = int64_t(cellWidth) * (k % GLYPHS_PER_ROW);
            const int64_t srcY = int64_t(cellHeight) * (k / GLYPHS_PER_ROW);
            // Only the part of the cell that lies on the screen is drawn.
            const int64_t firstColumn = std::max<int64_t>(0, -left);
            const int64_t endColumn = std::min<int64_t>(cellWidth, SCREEN_WIDTH - left);
            const int64_t firstRow = std::max<int64_t>(0, -top);
            const int64_t endRow = std::min<int64_t>(cellHeight, SCREEN_HEIGHT - top);
            for (int64_t t = firstRow; t < endRow; t++) {
                const uint16_t* from = sheet + (srcY + t) * sheetWidth + srcX;
                uint16_t* to = screen + (top + t) * SCREEN_WIDTH + left;
                for (int64_t j = firstColumn; j < endColumn; j++)
                    if (from[j] != TRANSPARENT_KEY) to[j] = from[j];
            }
        }
        left += int64_t(cellWidth) + spacing;
    }
}

void Font::drawRotatedGlyph(int x, int y, unsigned char ch, uint16_t angle, const uint16_t* mask) {
    if (ch == ' ') return;
    const int k = glyphIndex(ch);
    if (k == 0) return;
    const int64_t srcX = int64_t(cellWidth) * (k % GLYPHS_PER_ROW);
    const int64_t srcY = int64_t(cellHeight) * (k / GLYPHS_PER_ROW);
    // Samples lie in cell columns and rows 1..15; a glyph whose window does
    // not lie wholly inside the sheet is not drawn.
    const int64_t firstSample = (srcY + 1) * ROTATED_SHEET_STRIDE + srcX + 1;
    const int64_t lastSample = (srcY + 15) * ROTATED_SHEET_STRIDE + srcX + 15;
    if (firstSample < 0 || lastSample >= picture->pixelCount) return;
    const uint16_t* cell = picture->pixels + srcY * ROTATED_SHEET_STRIDE + srcX;
    uint16_t* screen = Screen::instance()->pixels;

    // Both tables hold negated values; they are used as they are, so angle 0
    // turns the glyph by half a turn.
    const uint32_t c = static_cast<uint32_t>(CosineTable[angle]);
    const uint32_t s = static_cast<uint32_t>(SineTable[angle]);

    // The glyph is walked over a border of 5 pixels around its cell, cut to
    // screen columns 0..319 and rows 0..238 (row 239 is never drawn).
    const int64_t firstI = std::max<int64_t>(-5, -int64_t(x));
    const int64_t lastI = std::min<int64_t>(int64_t(cellWidth) + 4, 319 - int64_t(x));
    const int64_t firstJ = std::max<int64_t>(-5, -int64_t(y));
    const int64_t lastJ = std::min<int64_t>(int64_t(cellHeight) + 4, 238 - int64_t(y));
    for (int64_t i = firstI; i <= lastI; i++) {
        const int32_t X = static_cast<int32_t>(x + i);
        const uint32_t dx = static_cast<uint32_t>(i - 8);
        const uint32_t dy = static_cast<uint32_t>(firstJ - 8);
        // 32-bit products that wrap like the hardware's; then two additions a pixel.
        uint32_t u = c * dx + s * dy;
        uint32_t v = c * dy - s * dx;
        for (int64_t j = firstJ; j <= lastJ; j++, u += s, v += c) {
            const int32_t col = (static_cast<int32_t>(u) >> 16) + 8;
            const int32_t row = (static_cast<int32_t>(v) >> 16) + 8;
            if (col < 1 || col > 15 || row < 1 || row > 15) continue;
            const uint16_t p = cell[row * ROTATED_SHEET_STRIDE + col];
            if (p == TRANSPARENT_KEY) continue;
            const int32_t Y = static_cast<int32_t>(y + j);
            // Left of the mask's column 0 the linear index reaches into the
            // previous mask row; before the mask's start it is masked out.
            const int32_t m = (X - GLYPH_MASK_LEFT) + Y * GLYPH_MASK_WIDTH;
            if (static_cast<uint32_t>(m) >= GLYPH_MASK_ENTRIES || mask[m] == 0) continue;
            screen[Y * SCREEN_WIDTH + X] = p;
        }
    }
}
