// The loading console: the bar's course over start-up's steps, printing,
// wrapping, scrolling and drawing the cells.
#include <gtest/gtest.h>

#include <string>

#include "font_test_sheet.h"
#include "video/console.h"

using namespace font_testing;
using testing_support::TempDir;

namespace {

class ConsoleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Console::destroyInstance();
        console = Console::instance();
        font = loadConsoleFont(dir);
        console->setFont(font.get());
    }
    void TearDown() override { Console::destroyInstance(); }

    // Row r as text, '.' for an empty cell.
    std::string rowText(int r) const {
        std::string text;
        for (int c = 0; c < CONSOLE_COLUMNS; c++) {
            const char cell = console->cells[r * CONSOLE_COLUMNS + c];
            text += cell ? cell : '.';
        }
        return text;
    }

    // The state start-up leaves before its first step.
    void printEmptyBar() {
        console->moveTo(5, 11);
        console->print("abbbbbbbbbbbbbbbbbbbbbbbbbbc");
        EXPECT_EQ(console->column, 33);
        console->moveTo(5, 11);
        console->redraw(true);
    }

    TempDir dir;
    std::unique_ptr<Font> font;
    Console* console = nullptr;
};

TEST_F(ConsoleTest, StartsEmpty) {
    EXPECT_EQ(Console::instance(), console);
    for (int i = 0; i < CONSOLE_CELLS; i++)
        ASSERT_EQ(console->cells[i], 0);
    EXPECT_EQ(console->column, 0);
    EXPECT_EQ(console->row, 0);
    EXPECT_EQ(console->progressSteps, 0);
}

TEST_F(ConsoleTest, LoadingBarGrowsTwoCellsAStep) {
    printEmptyBar();
    EXPECT_EQ(rowText(11), ".....abbbbbbbbbbbbbbbbbbbbbbbbbbc......");

    console->stepProgress();
    EXPECT_EQ(rowText(11), "....ffdbbbbbbbbbbbbbbbbbbbbbbbbbc......");
    EXPECT_EQ(console->column, 7);
    console->stepProgress();
    EXPECT_EQ(rowText(11), "....ffffebbbbbbbbbbbbbbbbbbbbbbbc......");
    EXPECT_EQ(console->column, 9);
    for (int step = 3; step <= 13; step++)
        console->stepProgress();
    EXPECT_EQ(rowText(11), "....ffffffffffffffffffffffffffebc......");
    EXPECT_EQ(console->column, 31);
    EXPECT_EQ(console->row, 11);
    EXPECT_EQ(console->progressSteps, 13);
    for (int r = 0; r < CONSOLE_ROWS; r++) {
        if (r == 11) continue;
        EXPECT_EQ(rowText(r), std::string(CONSOLE_COLUMNS, '.')) << r;
    }
}

TEST_F(ConsoleTest, TwentyNinthStepDoesNothing) {
    console->moveTo(1, 0);
    for (int step = 1; step <= 28; step++)
        console->stepProgress();
    EXPECT_EQ(console->progressSteps, 28);
    // The 28th step ends in 'f'; the 27th's 'e' was filled over by it.
    const std::string rows = rowText(0) + rowText(1);
    EXPECT_EQ(rows.substr(0, 57), std::string(57, 'f'));
    EXPECT_EQ(rows.find_first_not_of('f'), 57u);

    const std::string before = rows;
    const int column = console->column, row = console->row;
    fillScreen(0x1234);
    console->stepProgress();
    EXPECT_EQ(rowText(0) + rowText(1), before);
    EXPECT_EQ(console->column, column);
    EXPECT_EQ(console->row, row);
    EXPECT_EQ(console->progressSteps, 28);
    // No redraw either.
    for (uint16_t p : screenSnapshot())
        ASSERT_EQ(p, 0x1234);
}

TEST_F(ConsoleTest, RowsHoldThirtyNineCharacters) {
    console->print("0123456789012345678901234567890123456789");
    EXPECT_EQ(rowText(0), "012345678901234567890123456789012345678");
    EXPECT_EQ(rowText(1), "9......................................");
    EXPECT_EQ(console->row, 1);
    EXPECT_EQ(console->column, 1);

    console->print("\nx\n");
    EXPECT_EQ(rowText(2), "x......................................");
    EXPECT_EQ(console->row, 3);
    EXPECT_EQ(console->column, 0);
}

TEST_F(ConsoleTest, LineFeedOnTheLastRowScrolls) {
    for (int r = 0; r < CONSOLE_ROWS; r++) {
        console->moveTo(0, r);
        console->print(std::string(1, char('A' + r)).c_str());
    }
    console->moveTo(3, 22);
    console->print("\n");
    EXPECT_EQ(console->row, 22);
    EXPECT_EQ(console->column, 0);
    EXPECT_EQ(rowText(0), "B......................................"); // old row 0 is lost
    EXPECT_EQ(rowText(21), "W......................................");
    EXPECT_EQ(rowText(22), std::string(CONSOLE_COLUMNS, '.'));

    // A full last row scrolls too.
    console->print(std::string(CONSOLE_COLUMNS, 'z').c_str());
    EXPECT_EQ(rowText(21), std::string(CONSOLE_COLUMNS, 'z'));
    EXPECT_EQ(rowText(22), std::string(CONSOLE_COLUMNS, '.'));
    EXPECT_EQ(console->row, 22);
}

TEST_F(ConsoleTest, CursorOutsideTheGridStoresNothing) {
    console->moveTo(0, 23);
    console->print("q");
    console->moveTo(0, 0);
    console->stepProgress(); // column -1 of row 0
    EXPECT_EQ(console->cells[0], 'f');
    EXPECT_EQ(console->cells[1], 'd');
    for (int i = 2; i < CONSOLE_CELLS; i++)
        ASSERT_EQ(console->cells[i], 0) << i;
}

TEST_F(ConsoleTest, RedrawDrawsEveryCellOnWhite) {
    fillScreen(0x1234);
    console->moveTo(2, 3);
    console->print("A");
    console->moveTo(37, 22); // column 38 would feed a line and scroll
    console->print("f");
    console->redraw(true);
    const uint16_t* screen = Screen::instance()->pixels;
    int drawn = 0;
    for (int i = 0; i < SCREEN_PIXELS; i++)
        drawn += screen[i] != 0xFFFF;
    EXPECT_EQ(drawn, 2 * 72);
    // Cell (c, r) lies at (5 + 8c, 5 + 10r).
    EXPECT_EQ(screen[35 * SCREEN_WIDTH + 21], sheetPixel(8, 18, 128));
    EXPECT_EQ(screen[(225 + 8) * SCREEN_WIDTH + 301 + 7], sheetPixel(55, 44, 128));

    // Without clearing, the cells are drawn over what is there.
    fillScreen(0x1234);
    console->redraw(false);
    EXPECT_EQ(screen[0], 0x1234);
    EXPECT_EQ(screen[35 * SCREEN_WIDTH + 21], sheetPixel(8, 18, 128));
}

} // namespace
