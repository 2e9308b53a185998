// Our own letter shapes: a stroke font (letters as centre lines of round-ended
// strokes, drawn at any size as a distance field) and the 5x7 bitmap glyphs of
// the loading console.
#pragma once

#include <string>
#include <vector>

struct Segment {
    double x0, y0, x1, y1;
};

// One laid-out line of text: segments in pixels plus the stroke width.
struct TextShape {
    std::vector<Segment> segments;
    double stroke = 1;                               // stroke width in pixels
    double left = 0, right = 0, top = 0, bottom = 0; // bounds of the centre lines
    // Signed distance in pixels from (x, y) to the stroked outline: negative
    // inside the letters.
    double distance(double x, double y) const;
};

struct TextStyle {
    double height = 10;    // cap height in pixels
    double stroke = 2;     // stroke width in pixels
    double tracking = 0;   // extra space between letters, in pixels
    double slant = 0;      // horizontal shift per pixel of height (italic)
    double widthScale = 1; // horizontal stretch of the letter shapes
};

// Lays out `text` (capitals, digits, a little punctuation; anything else is a
// space) with the top-left of its first letter's cap box at (x, y).
TextShape layoutText(const std::string& text, double x, double y, const TextStyle& style);
// The same, centred horizontally on cx.
TextShape layoutCentred(const std::string& text, double cx, double y, const TextStyle& style);
// Width in pixels of the laid-out centre lines plus one stroke.
double textWidth(const std::string& text, const TextStyle& style);

// The 5x7 console glyph of a character 33..96 as seven rows of five bits
// (bit 4 is the leftmost column); nullptr for characters without one.
const unsigned char* consoleGlyph(int ch);
