#include "video/console.h"

#include <cstring>

#include "video/font.h"
#include "video/screen.h"

namespace {
Console* theConsole = nullptr;

const int LEFT = 5, TOP = 5; // pixel position of cell (0, 0)
const int CELL_WIDTH = 8, LINE_HEIGHT = 10;
} // namespace

Console* Console::instance() {
    if (!theConsole) theConsole = new Console;
    return theConsole;
}

void Console::destroyInstance() {
    delete theConsole;
    theConsole = nullptr;
}

Console::Console() : font(nullptr), column(0), row(0), progressSteps(0) {
    memset(cells, 0, sizeof cells);
}

void Console::setFont(Font* newFont) {
    font = newFont;
}

void Console::moveTo(int newColumn, int newRow) {
    column = newColumn;
    row = newRow;
}

void Console::lineFeed() {
    column = 0;
    if (row + 1 > CONSOLE_ROWS - 1) {
        memmove(cells, cells + CONSOLE_COLUMNS, (CONSOLE_ROWS - 1) * CONSOLE_COLUMNS);
        memset(cells + (CONSOLE_ROWS - 1) * CONSOLE_COLUMNS, 0, CONSOLE_COLUMNS);
        row = CONSOLE_ROWS - 1;
    } else {
        row++;
    }
}

void Console::print(const char* text) {
    // The length is taken again before every byte, as the text may lie in
    // memory that printing changes.
    for (size_t n = 0; n < strlen(text); n++) {
        const char b = text[n];
        if (b == '\n') {
            lineFeed();
            continue;
        }
        // A cursor moved outside the grid stores nothing rather than
        // writing past the cells.
        const int64_t cell = int64_t(row) * CONSOLE_COLUMNS + column;
        if (cell >= 0 && cell < CONSOLE_CELLS) cells[cell] = b;
        if (column + 1 > CONSOLE_COLUMNS - 1)
            lineFeed();
        else
            column++;
    }
}

void Console::redraw(bool clearFirst) {
    Screen* screen = Screen::instance();
    if (clearFirst) memset(screen->pixels, 0xFF, SCREEN_BYTES);
    if (font) {
        for (int r = 0; r < CONSOLE_ROWS; r++)
            for (int c = 0; c < CONSOLE_COLUMNS; c++) {
                const char text[2] = {cells[r * CONSOLE_COLUMNS + c], 0};
                font->drawString(LEFT + CELL_WIDTH * c, TOP + LINE_HEIGHT * r, text);
            }
    }
    screen->present();
}

void Console::stepProgress() {
    if (progressSteps > CONSOLE_PROGRESS_STEPS - 1) return;
    // Fill the cell left of the cursor and the one under it, then put the
    // bar's moving end ('d' first, 'e' after, 'f' on the last step) after them.
    column--;
    print("f");
    print("f");
    if (progressSteps == 0)
        print("d");
    else if (progressSteps == CONSOLE_PROGRESS_STEPS - 1)
        print("f");
    else
        print("e");
    progressSteps++;
    redraw(true);
}
