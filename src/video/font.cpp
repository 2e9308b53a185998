#include "video/font.h"

#include "video/image.h"

Font::Font(const char*, int cellWidth, int cellHeight, int spacing, int firstChar, int lastChar)
    : cellWidth(cellWidth), cellHeight(cellHeight), spacing(spacing), firstChar(firstChar),
      lastChar(lastChar), picture(nullptr) {}

Font::~Font() { delete picture; }

void Font::drawString(int, int, const char*) {}

void Font::drawRotatedGlyph(int, int, unsigned char, uint16_t, const uint16_t*) {}
