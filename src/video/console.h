#pragma once

#include <cstdint>

class Font;

// Placeholder until the console is built: shows nothing.
class Console {
  public:
    static Console* instance();
    static void destroyInstance();

    void setFont(Font* font);
    void moveTo(int column, int row);
    void print(const char* text);
    void redraw(bool clearFirst);
    void stepProgress();
};
