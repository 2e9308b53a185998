#pragma once

#include <cstdint>

class Image;

// Placeholder until the font is built: draws nothing.
class Font {
  public:
    int32_t cellWidth;
    int32_t cellHeight;
    int32_t spacing;
    int32_t firstChar;
    int32_t lastChar;
    Image* picture;

    Font(const char* path, int cellWidth, int cellHeight, int spacing, int firstChar,
         int lastChar);
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    void drawString(int x, int y, const char* text);
    void drawRotatedGlyph(int x, int y, unsigned char ch, uint16_t angle, const uint16_t* mask);
};
