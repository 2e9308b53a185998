// Drawing surfaces of the asset generator: colour canvases and single-value
// planes in double precision, noise, and the conversion to the RGB565
// pictures the show loads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "fmath.h"

struct Rgb {
    double r = 0, g = 0, b = 0;
};

inline Rgb rgb(double r, double g, double b) {
    return Rgb{r, g, b};
}
// A colour written as 0xRRGGBB.
inline Rgb hex(uint32_t c) {
    return Rgb{((c >> 16) & 255) / 255.0, ((c >> 8) & 255) / 255.0, (c & 255) / 255.0};
}
inline Rgb mix(const Rgb& a, const Rgb& b, double t) {
    return Rgb{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
inline Rgb operator*(const Rgb& a, double s) {
    return Rgb{a.r * s, a.g * s, a.b * s};
}
inline Rgb operator*(const Rgb& a, const Rgb& b) {
    return Rgb{a.r * b.r, a.g * b.g, a.b * b.b};
}
inline Rgb operator+(const Rgb& a, const Rgb& b) {
    return Rgb{a.r + b.r, a.g + b.g, a.b + b.b};
}
// Screen blend: brightens without passing white.
inline Rgb screenAdd(const Rgb& a, const Rgb& b) {
    return Rgb{1 - (1 - a.r) * (1 - b.r), 1 - (1 - a.g) * (1 - b.g), 1 - (1 - a.b) * (1 - b.b)};
}
// Picks a colour from a ramp of evenly spaced stops, t in 0..1.
Rgb ramp(const std::vector<Rgb>& stops, double t);

// A picture in colour, values nominally 0..1 per channel.
class Canvas {
  public:
    Canvas(int width, int height, Rgb fill = Rgb{});
    int width, height;
    std::vector<Rgb> px;
    Rgb& at(int x, int y) { return px[static_cast<size_t>(y) * width + x]; }
    const Rgb& at(int x, int y) const { return px[static_cast<size_t>(y) * width + x]; }
    // Lays colour c over pixel (x, y) with coverage a (0..1), ignoring pixels
    // outside the canvas.
    void blend(int x, int y, const Rgb& c, double a);
    Rgb sample(double x, double y) const; // bilinear, clamped at the edges
};

// A single value per pixel, nominally 0..1 (masks, intensities, heights).
class Plane {
  public:
    Plane(int width, int height, double fill = 0);
    int width, height;
    std::vector<double> v;
    double& at(int x, int y) { return v[static_cast<size_t>(y) * width + x]; }
    double at(int x, int y) const { return v[static_cast<size_t>(y) * width + x]; }
    double sample(double x, double y) const; // bilinear, clamped at the edges
    double wrapped(int x, int y) const;      // repeats in both directions
    void maxWith(int x, int y, double value);
};

// Box blur of the given radius, repeated `passes` times (close to a Gaussian).
void blur(Plane& plane, int radius, int passes, bool wrap = false);
void blur(Canvas& canvas, int radius, int passes);

// Our own fixed pseudo-random sequence (SplitMix64): same numbers everywhere.
class Random {
  public:
    explicit Random(uint64_t seed) : state(seed) {}
    uint64_t next();
    double unit(); // 0 <= value < 1
    double range(double lo, double hi) { return lo + (hi - lo) * unit(); }
    int below(int n) { return static_cast<int>(next() % static_cast<uint64_t>(n)); }

  private:
    uint64_t state;
};

uint32_t hash32(uint32_t x, uint32_t y, uint32_t seed);

// Gradient noise about -1..1 that repeats every `period` lattice cells.
double gradientNoise(double x, double y, int period, uint32_t seed);
double gradientNoise(double x, double y, int periodX, int periodY, uint32_t seed);
// Sum of octaves over a tile: (u, v) in tile units 0..1 repeat exactly; the
// first octave has `cells` lattice cells across the tile.
double tileFbm(double u, double v, int cells, int octaves, uint32_t seed, double gain = 0.5);
double tileFbmXY(double u, double v, int cellsX, int cellsY, int octaves, uint32_t seed,
                 double gain = 0.5);
// Cellular (Worley) distance to the nearest of the feature points of a tiled
// grid of `cells` cells, in cell units.
double tileCellular(double u, double v, int cells, uint32_t seed);

// RGB565 conversion. Colour canvases get a 4x4 ordered dither so gradients
// keep their smoothness in 5/6/5 bits.
uint16_t packColour(const Rgb& c, int x, int y, bool dither);
std::vector<uint16_t> toRgb565(const Canvas& canvas, bool dither = true);
// Writes a picture; returns false (and prints why) when the file cannot be
// written.
bool savePicture(const std::string& path, const std::vector<uint16_t>& pixels, int width,
                 int height);
inline uint32_t level(double v, int top) {
    const double s = dm::clamp01(v) * top + 0.5;
    return static_cast<uint32_t>(s);
}
