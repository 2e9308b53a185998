// The two glyph sheets: the loading console's 8x9 font with its loading-bar
// pieces, and the cave scene's bold 16x16 greeting letters.
#include "core/pixel.h"
#include "generators.h"
#include "lettering.h"

namespace {

const int CONSOLE_W = 8, CONSOLE_H = 9;

// Loading-bar pieces, one row of eight per glyph row ('.' transparent,
// 'o' outline, 't' empty trough, '1'-'5' fill from light to dark, 'h' the
// bright growing head). Rows 1..7 of the cell hold the bar.
const char* const BAR_PIECES[6][CONSOLE_H] = {
    {"........", "..oooooo", ".otttttt", ".otttttt", ".otttttt", ".otttttt", ".otttttt", "..oooooo",
     "........"}, // 'a' left end
    {"........", "oooooooo", "tttttttt", "tttttttt", "tttttttt", "tttttttt", "tttttttt", "oooooooo",
     "........"}, // 'b' middle
    {"........", "oooooo..", "tttttto.", "tttttto.", "tttttto.", "tttttto.", "tttttto.", "oooooo..",
     "........"}, // 'c' right end
    {"........", "oooooooo", "1111hhtt", "2222hhtt", "3333hhtt", "4444hhtt", "5555hhtt", "oooooooo",
     "........"}, // 'd' growing end, first step
    {"........", "oooooooo", "11111hht", "22222hht", "33333hht", "44444hht", "55555hht", "oooooooo",
     "........"}, // 'e' growing end, later steps
    {"........", "oooooooo", "11111111", "22222222", "33333333", "44444444", "55555555", "oooooooo",
     "........"}, // 'f' filled piece
};

uint16_t barColour(char c) {
    switch (c) {
    case 'o':
        return packColour(hex(0x24304A), 0, 0, false);
    case 't':
        return packColour(hex(0xDDE4EE), 0, 0, false);
    case '1':
        return packColour(hex(0x9CC8FF), 0, 0, false);
    case '2':
        return packColour(hex(0x5C9CF2), 0, 0, false);
    case '3':
        return packColour(hex(0x3A80E4), 0, 0, false);
    case '4':
        return packColour(hex(0x2C6AD0), 0, 0, false);
    case '5':
        return packColour(hex(0x2456B4), 0, 0, false);
    case 'h':
        return packColour(hex(0xE8F6FF), 0, 0, false);
    default:
        return TRANSPARENT_KEY;
    }
}

} // namespace

bool writeConsoleFont(const std::string& dir) {
    const int width = 128, height = 45;
    std::vector<uint16_t> sheet(width * height, TRANSPARENT_KEY);
    const uint16_t ink = packColour(hex(0x1E2638), 0, 0, false);
    for (int ch = 33; ch <= 102; ch++) {
        const int k = ch - 32;
        const int left = CONSOLE_W * (k % 16), top = CONSOLE_H * (k / 16);
        if (ch >= 'a') {
            const char* const* rows = BAR_PIECES[ch - 'a'];
            for (int y = 0; y < CONSOLE_H; y++)
                for (int x = 0; x < CONSOLE_W; x++)
                    sheet[(top + y) * width + left + x] = barColour(rows[y][x]);
            continue;
        }
        const unsigned char* glyph = consoleGlyph(ch);
        for (int y = 0; y < 7; y++)
            for (int x = 0; x < 5; x++)
                if (glyph[y] & (16 >> x)) sheet[(top + 1 + y) * width + left + 1 + x] = ink;
    }
    return savePictureAs(dir, "font.png", sheet, width, height);
}

bool writeGreetingFont(const std::string& dir) {
    const int width = 256, height = 80, cell = 16;
    std::vector<uint16_t> sheet(width * height, TRANSPARENT_KEY);
    const Rgb outline = hex(0x1A0C04);
    const std::vector<Rgb> fill = {hex(0xFFF8C8), hex(0xFFD860), hex(0xFF9A28), hex(0xE0561A)};
    for (int ch = 33; ch <= 102; ch++) {
        // Lower-case a-f of the sheet repeat the capitals.
        const char letter = static_cast<char>(ch >= 'a' ? ch - 32 : ch);
        const int k = ch - 32;
        const int left = cell * (k % 16), top = cell * (k / 16);
        TextStyle style;
        style.height = 10.4;
        style.stroke = 2.7;
        // Cells are sampled in columns and rows 1..15 only: keep the letter,
        // outline included, inside 2..14.
        const double natural = textWidth(std::string(1, letter), style);
        if (natural > 10.2) style.widthScale = (10.2 - style.stroke) / (natural - style.stroke);
        const TextShape shape = layoutCentred(std::string(1, letter), left + 8.0, top + 2.8, style);
        if (shape.segments.empty()) continue;
        for (int y = 1; y < cell; y++)
            for (int x = 1; x < cell; x++) {
                const double px = left + x + 0.5, py = top + y + 0.5;
                const double d = shape.distance(px, py);
                const double inner = dm::clamp01(0.5 - d);
                const double outer = dm::clamp01(0.5 - (d - 1.25));
                if (outer < 0.5) continue;
                const double t = (py - top - 2.8) / 10.4;
                Rgb c = mix(outline, ramp(fill, t), inner);
                sheet[(top + y) * width + left + x] = packColour(c, 0, 0, false);
            }
    }
    return savePictureAs(dir, "fontgreet.png", sheet, width, height);
}
