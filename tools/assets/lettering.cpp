#include "lettering.h"

#include <cstdlib>
#include <map>

#include "fmath.h"

namespace {

// Stroke letters on a grid with the cap height 0..10 (y grows downwards).
// Commands: M x y (new stroke), L x y (line to), E cx cy rx ry a0 a1 (elliptic
// arc from angle a0 to a1 in degrees, joined to the stroke so far; 0 degrees
// points right, 90 down), O cx cy rx ry (a closed ellipse on its own).
const std::map<char, const char*>& strokeGlyphs() {
    static const std::map<char, const char*> glyphs = {
        {'A', "M0 10 L3.6 0 L7.2 10 M1.3 6.4 L5.9 6.4"},
        {'B', "M0 5 L3.6 5 E3.6 2.5 2.6 2.5 90 -90 L0 0 L0 10 L3.9 10 E3.9 7.5 2.8 2.5 90 -90 "
              "L3.6 5"},
        {'C', "E4.2 5 4.2 5 -42 -318"},
        {'D', "M0 0 L0 10 L2.8 10 E2.8 5 4.2 5 90 -90 L0 0"},
        {'E', "M6 0 L0 0 L0 10 L6 10 M0 5 L4.8 5"},
        {'F', "M6 0 L0 0 L0 10 M0 5 L4.8 5"},
        {'G', "E4.3 5 4.3 5 -40 -360 L4.6 5"},
        {'H', "M0 0 L0 10 M6.6 0 L6.6 10 M0 5 L6.6 5"},
        {'I', "M0 0 L0 10"},
        {'J', "M5 0 L5 6.9 E2.5 6.9 2.5 3.1 0 180"},
        {'K', "M0 0 L0 10 M6.2 0 L0 6.4 M2.3 4.3 L6.6 10"},
        {'L', "M0 0 L0 10 L5.6 10"},
        {'M', "M0 10 L0 0 L4.2 7 L8.4 0 L8.4 10"},
        {'N', "M0 10 L0 0 L6.6 10 L6.6 0"},
        {'O', "O4.7 5 4.7 5"},
        {'P', "M0 10 L0 0 L3.4 0 E3.4 2.8 2.9 2.8 -90 90 L0 5.6"},
        {'Q', "O4.7 5 4.7 5 M5.6 7 L9.4 10.6"},
        {'R', "M0 10 L0 0 L3.4 0 E3.4 2.8 2.9 2.8 -90 90 L0 5.6 M3.2 5.6 L6.6 10"},
        {'S', "E3.4 2.6 3.1 2.6 -20 -270 E3.4 7.4 3.4 2.6 -90 160"},
        {'T', "M0 0 L7 0 M3.5 0 L3.5 10"},
        {'U', "M0 0 L0 6.6 E3.3 6.6 3.3 3.4 180 0 L6.6 0"},
        {'V', "M0 0 L3.6 10 L7.2 0"},
        {'W', "M0 0 L2.6 10 L5.1 2.2 L7.6 10 L10.2 0"},
        {'X', "M0 0 L6.8 10 M6.8 0 L0 10"},
        {'Y', "M0 0 L3.5 5.2 L7 0 M3.5 5.2 L3.5 10"},
        {'Z', "M0 0 L6.6 0 L0 10 L6.6 10"},
        {'0', "O3.3 5 3.3 5"},
        {'1', "M0.6 2.2 L3 0 L3 10"},
        {'2', "E3.2 3 3.1 3 -170 15 L0 10 L6.6 10"},
        {'3', "E3.2 2.6 3 2.6 -160 90 E3.2 7.3 3.3 2.7 -90 160"},
        {'4', "M5 10 L5 0 L0 7 L7 7"},
        {'5', "M6.2 0 L1 0 L0.5 4.6 E3.3 6.8 3.3 3.2 -150 150"},
        {'6', "O3.4 6.7 3.3 3.3 M0.1 6.7 E5.2 6.7 5.1 6.7 180 265"},
        {'7', "M0 0 L6.6 0 L2.2 10"},
        {'8', "O3.3 2.5 2.8 2.5 O3.3 7.3 3.3 2.7"},
        {'9', "O3.3 3.3 3.3 3.3 M6.6 3.3 E1.5 3.3 5.1 6.7 0 85"},
        {'.', "M0 10 L0 10"},
        {',', "M0.6 9.6 L-0.4 12"},
        {'!', "M0 0 L0 6.6 M0 10 L0 10"},
        {'?', "E3 2.8 3 2.8 -170 90 L3 7 M3 10 L3 10"},
        {'-', "M0 5.6 L4 5.6"},
        {':', "M0 3.2 L0 3.2 M0 9.8 L0 9.8"},
        {'\'', "M0 0 L0 3"},
        {'"', "M0 0 L0 3 M2.2 0 L2.2 3"},
        {'(', "E4 5 4 6.2 240 120"},
        {')', "E-2 5 4 6.2 -60 60"},
        {'/', "M5 0 L0 10"},
        {'+', "M0 5 L5 5 M2.5 2.5 L2.5 7.5"},
        {'&', "M6.6 10 L1.2 3.6 E3 2.4 1.9 2.3 140 -40 L0.8 7 E2.9 7.8 2.4 2.2 200 60 L6.6 4.6"},
    };
    return glyphs;
}

struct Glyph {
    std::vector<std::vector<std::pair<double, double>>> strokes;
    double minX = 0, maxX = 0;
};

Glyph parseGlyph(const char* outline) {
    Glyph g;
    const char* p = outline;
    auto number = [&p]() {
        char* end = nullptr;
        const double v = strtod(p, &end);
        p = end;
        return v;
    };
    bool open = false;
    while (*p) {
        const char c = *p++;
        if (c == ' ') continue;
        if (c == 'M' || c == 'L') {
            const double x = number(), y = number();
            if (c == 'M' || !open) g.strokes.emplace_back();
            g.strokes.back().emplace_back(x, y);
            open = true;
        } else if (c == 'E' || c == 'O') {
            const double cx = number(), cy = number(), rx = number(), ry = number();
            double a0 = 0, a1 = 360;
            if (c == 'E') {
                a0 = number();
                a1 = number();
            }
            if (c == 'O' || !open) g.strokes.emplace_back();
            const int steps = 6 + static_cast<int>((a1 > a0 ? a1 - a0 : a0 - a1) / 10);
            for (int i = 0; i <= steps; i++) {
                const double a = (a0 + (a1 - a0) * i / steps) * dm::PI / 180;
                g.strokes.back().emplace_back(cx + rx * dm::cos(a), cy + ry * dm::sin(a));
            }
            open = c == 'E';
        }
    }
    bool first = true;
    for (const auto& s : g.strokes)
        for (const auto& pt : s) {
            if (first || pt.first < g.minX) g.minX = pt.first;
            if (first || pt.first > g.maxX) g.maxX = pt.first;
            first = false;
        }
    return g;
}

const Glyph* glyphOf(char c) {
    static std::map<char, Glyph> cache = [] {
        std::map<char, Glyph> m;
        for (const auto& entry : strokeGlyphs())
            m[entry.first] = parseGlyph(entry.second);
        return m;
    }();
    auto it = cache.find(c);
    return it == cache.end() ? nullptr : &it->second;
}

double segmentDistance(const Segment& s, double x, double y) {
    const double dx = s.x1 - s.x0, dy = s.y1 - s.y0;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((x - s.x0) * dx + (y - s.y0) * dy) / len2 : 0;
    t = dm::clamp01(t);
    return dm::length(x - (s.x0 + t * dx), y - (s.y0 + t * dy));
}

} // namespace

double TextShape::distance(double x, double y) const {
    double best = 1e9;
    for (const Segment& s : segments) {
        // Cheap rejection by the segment's bounding box.
        const double lo = (s.x0 < s.x1 ? s.x0 : s.x1) - best,
                     hi = (s.x0 < s.x1 ? s.x1 : s.x0) + best;
        if (x < lo || x > hi) continue;
        const double d = segmentDistance(s, x, y);
        if (d < best) best = d;
    }
    return best - stroke / 2;
}

TextShape layoutText(const std::string& text, double x, double y, const TextStyle& style) {
    TextShape shape;
    shape.stroke = style.stroke;
    const double unit = style.height / 10;
    const double sx = unit * style.widthScale;
    double pen = x;
    bool first = true;
    for (char c : text) {
        const Glyph* g = glyphOf(c);
        if (!g) {
            pen += 4.5 * sx + style.tracking;
            continue;
        }
        const double origin = pen - g->minX * sx;
        for (const auto& stroke : g->strokes) {
            for (size_t i = 0; i < stroke.size(); i++) {
                const size_t j = i + 1 < stroke.size() ? i + 1 : i;
                if (stroke.size() > 1 && j == i) break;
                auto place = [&](const std::pair<double, double>& p, double* px, double* py) {
                    *py = y + p.second * unit;
                    *px = origin + p.first * sx + (y + style.height - *py) * style.slant;
                };
                Segment s;
                place(stroke[i], &s.x0, &s.y0);
                place(stroke[j], &s.x1, &s.y1);
                shape.segments.push_back(s);
                for (double px : {s.x0, s.x1}) {
                    if (first || px < shape.left) shape.left = px;
                    if (first || px > shape.right) shape.right = px;
                    first = false;
                }
            }
        }
        pen = origin + g->maxX * sx + style.stroke + style.tracking + unit * 1.2;
    }
    shape.top = y;
    shape.bottom = y + style.height;
    return shape;
}

double textWidth(const std::string& text, const TextStyle& style) {
    const TextShape s = layoutText(text, 0, 0, style);
    return s.right - s.left + style.stroke;
}

TextShape layoutCentred(const std::string& text, double cx, double y, const TextStyle& style) {
    const TextShape probe = layoutText(text, 0, y, style);
    const double middle = (probe.left + probe.right) / 2;
    return layoutText(text, cx - middle, y, style);
}

const unsigned char* consoleGlyph(int ch) {
    // Five-bit rows for characters 33 ('!') to 96 ('`'), bit 4 leftmost.
    static const unsigned char TABLE[64][7] = {
        {0x04, 0x04, 0x04, 0x04, 0x04, 0x00, 0x04}, // '!'
        {0x0A, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x00}, // '"'
        {0x0A, 0x0A, 0x1F, 0x0A, 0x1F, 0x0A, 0x0A}, // '#'
        {0x04, 0x0F, 0x14, 0x0E, 0x05, 0x1E, 0x04}, // '$'
        {0x18, 0x19, 0x02, 0x04, 0x08, 0x13, 0x03}, // '%'
        {0x0C, 0x12, 0x14, 0x08, 0x15, 0x12, 0x0D}, // '&'
        {0x04, 0x04, 0x08, 0x00, 0x00, 0x00, 0x00}, // '''
        {0x02, 0x04, 0x08, 0x08, 0x08, 0x04, 0x02}, // '('
        {0x08, 0x04, 0x02, 0x02, 0x02, 0x04, 0x08}, // ')'
        {0x00, 0x04, 0x15, 0x0E, 0x15, 0x04, 0x00}, // '*'
        {0x00, 0x04, 0x04, 0x1F, 0x04, 0x04, 0x00}, // '+'
        {0x00, 0x00, 0x00, 0x00, 0x0C, 0x04, 0x08}, // ','
        {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}, // '-'
        {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}, // '.'
        {0x00, 0x01, 0x02, 0x04, 0x08, 0x10, 0x00}, // '/'
        {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}, // '0'
        {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}, // '1'
        {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}, // '2'
        {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}, // '3'
        {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}, // '4'
        {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}, // '5'
        {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}, // '6'
        {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}, // '7'
        {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}, // '8'
        {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}, // '9'
        {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}, // ':'
        {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x04, 0x08}, // ';'
        {0x02, 0x04, 0x08, 0x10, 0x08, 0x04, 0x02}, // '<'
        {0x00, 0x00, 0x1F, 0x00, 0x1F, 0x00, 0x00}, // '='
        {0x08, 0x04, 0x02, 0x01, 0x02, 0x04, 0x08}, // '>'
        {0x0E, 0x11, 0x01, 0x02, 0x04, 0x00, 0x04}, // '?'
        {0x0E, 0x11, 0x01, 0x0D, 0x15, 0x15, 0x0E}, // '@'
        {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}, // 'A'
        {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E}, // 'B'
        {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}, // 'C'
        {0x1C, 0x12, 0x11, 0x11, 0x11, 0x12, 0x1C}, // 'D'
        {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}, // 'E'
        {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}, // 'F'
        {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F}, // 'G'
        {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}, // 'H'
        {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}, // 'I'
        {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C}, // 'J'
        {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}, // 'K'
        {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}, // 'L'
        {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}, // 'M'
        {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11}, // 'N'
        {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}, // 'O'
        {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}, // 'P'
        {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D}, // 'Q'
        {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}, // 'R'
        {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}, // 'S'
        {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}, // 'T'
        {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}, // 'U'
        {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}, // 'V'
        {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A}, // 'W'
        {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11}, // 'X'
        {0x11, 0x11, 0x0A, 0x04, 0x04, 0x04, 0x04}, // 'Y'
        {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F}, // 'Z'
        {0x0E, 0x08, 0x08, 0x08, 0x08, 0x08, 0x0E}, // '['
        {0x00, 0x10, 0x08, 0x04, 0x02, 0x01, 0x00}, // backslash
        {0x0E, 0x02, 0x02, 0x02, 0x02, 0x02, 0x0E}, // ']'
        {0x04, 0x0A, 0x11, 0x00, 0x00, 0x00, 0x00}, // '^'
        {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x1F}, // '_'
        {0x08, 0x04, 0x02, 0x00, 0x00, 0x00, 0x00}, // '`'
    };
    if (ch < 33 || ch > 96) return nullptr;
    return TABLE[ch - 33];
}
