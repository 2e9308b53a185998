// The text screen shown while the show loads: a grid of character cells with
// a cursor, drawn with the console font onto a white screen, and the loading
// bar that start-up advances after each stage.
#pragma once

#include <cstdint>

class Font;

const int CONSOLE_COLUMNS = 39;
const int CONSOLE_ROWS = 23;
const int CONSOLE_CELLS = CONSOLE_COLUMNS * CONSOLE_ROWS;
// stepProgress takes effect this many times; later calls do nothing.
const int CONSOLE_PROGRESS_STEPS = 28;

class Console {
  public:
    char cells[CONSOLE_CELLS]; // row-major character codes; 0 = empty
    Font* font;                // not owned; set by setFont
    int32_t column;            // cursor
    int32_t row;
    int32_t progressSteps; // stepProgress calls that took effect

    // The single console, created empty on the first call.
    static Console* instance();
    // Destroys the console made by instance() (shutdown).
    static void destroyInstance();

    void setFont(Font* font);
    // Sets the cursor; print relies on it lying inside the grid.
    void moveTo(int column, int row);
    // Writes text into the cells at the cursor; '\n' and a full row move to
    // the next row, and a line feed on the last row scrolls.
    void print(const char* text);
    // Draws every cell (on a white screen if clearFirst) and presents.
    void redraw(bool clearFirst);
    // Advances the loading bar one step and shows the console.
    void stepProgress();

  private:
    Console();
    ~Console() = default;
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    void lineFeed();
};
