#include "raster.h"

#include <cstdio>

#include "core/pixel.h"
#include "tools/image_writer.h"

Rgb ramp(const std::vector<Rgb>& stops, double t) {
    if (stops.size() == 1) return stops[0];
    const double s = dm::clamp01(t) * (stops.size() - 1);
    size_t i = static_cast<size_t>(s);
    if (i >= stops.size() - 1) i = stops.size() - 2;
    return mix(stops[i], stops[i + 1], s - i);
}

Canvas::Canvas(int w, int h, Rgb fill)
    : width(w), height(h), px(static_cast<size_t>(w) * h, fill) {}

void Canvas::blend(int x, int y, const Rgb& c, double a) {
    if (x < 0 || y < 0 || x >= width || y >= height || a <= 0) return;
    Rgb& d = at(x, y);
    d = mix(d, c, a > 1 ? 1 : a);
}

Rgb Canvas::sample(double x, double y) const {
    x = dm::clamp(x, 0, width - 1.001);
    y = dm::clamp(y, 0, height - 1.001);
    const int ix = static_cast<int>(x), iy = static_cast<int>(y);
    const double fx = x - ix, fy = y - iy;
    const Rgb top = mix(at(ix, iy), at(ix + 1, iy), fx);
    const Rgb bottom = mix(at(ix, iy + 1), at(ix + 1, iy + 1), fx);
    return mix(top, bottom, fy);
}

Plane::Plane(int w, int h, double fill)
    : width(w), height(h), v(static_cast<size_t>(w) * h, fill) {}

double Plane::sample(double x, double y) const {
    x = dm::clamp(x, 0, width - 1.001);
    y = dm::clamp(y, 0, height - 1.001);
    const int ix = static_cast<int>(x), iy = static_cast<int>(y);
    const double fx = x - ix, fy = y - iy;
    const double top = dm::mix(at(ix, iy), at(ix + 1, iy), fx);
    const double bottom = dm::mix(at(ix, iy + 1), at(ix + 1, iy + 1), fx);
    return dm::mix(top, bottom, fy);
}

double Plane::wrapped(int x, int y) const {
    x %= width;
    y %= height;
    if (x < 0) x += width;
    if (y < 0) y += height;
    return at(x, y);
}

void Plane::maxWith(int x, int y, double value) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    double& d = at(x, y);
    if (value > d) d = value;
}

namespace {

// One box pass along rows (or columns, through the stride) of n values.
template <typename T, typename Get, typename Set>
void boxLine(int n, int radius, bool wrap, Get get, Set set, std::vector<T>& scratch) {
    scratch.resize(n);
    for (int i = 0; i < n; i++)
        scratch[i] = get(i);
    auto value = [&](int i) {
        if (wrap) return scratch[((i % n) + n) % n];
        return scratch[i < 0 ? 0 : (i >= n ? n - 1 : i)];
    };
    const double scale = 1.0 / (2 * radius + 1);
    T sum = value(-radius) * 0.0;
    for (int i = -radius; i <= radius; i++)
        sum = sum + value(i);
    for (int i = 0; i < n; i++) {
        set(i, sum * scale);
        sum = sum + value(i + radius + 1) + value(i - radius) * -1.0;
    }
}

} // namespace

void blur(Plane& p, int radius, int passes, bool wrap) {
    std::vector<double> scratch;
    for (int pass = 0; pass < passes; pass++) {
        for (int y = 0; y < p.height; y++)
            boxLine<double>(
                p.width, radius, wrap, [&](int i) { return p.at(i, y); },
                [&](int i, double v) { p.at(i, y) = v; }, scratch);
        for (int x = 0; x < p.width; x++)
            boxLine<double>(
                p.height, radius, wrap, [&](int i) { return p.at(x, i); },
                [&](int i, double v) { p.at(x, i) = v; }, scratch);
    }
}

void blur(Canvas& c, int radius, int passes) {
    std::vector<Rgb> scratch;
    for (int pass = 0; pass < passes; pass++) {
        for (int y = 0; y < c.height; y++)
            boxLine<Rgb>(
                c.width, radius, false, [&](int i) { return c.at(i, y); },
                [&](int i, Rgb v) { c.at(i, y) = v; }, scratch);
        for (int x = 0; x < c.width; x++)
            boxLine<Rgb>(
                c.height, radius, false, [&](int i) { return c.at(x, i); },
                [&](int i, Rgb v) { c.at(x, i) = v; }, scratch);
    }
}

uint64_t Random::next() {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double Random::unit() {
    return (next() >> 11) * (1.0 / 9007199254740992.0);
}

uint32_t hash32(uint32_t x, uint32_t y, uint32_t seed) {
    uint32_t h = x * 0x8DA6B343u ^ y * 0xD8163841u ^ seed * 0xCB1AB31Fu;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

namespace {

// Sixteen unit gradient directions, written out so no sine is needed.
const double GRADIENTS[16][2] = {
    {1, 0},  {0.92388, 0.38268},   {0.70711, 0.70711},   {0.38268, 0.92388},
    {0, 1},  {-0.38268, 0.92388},  {-0.70711, 0.70711},  {-0.92388, 0.38268},
    {-1, 0}, {-0.92388, -0.38268}, {-0.70711, -0.70711}, {-0.38268, -0.92388},
    {0, -1}, {0.38268, -0.92388},  {0.70711, -0.70711},  {0.92388, -0.38268},
};

double corner(int ix, int iy, int periodX, int periodY, uint32_t seed, double dx, double dy) {
    const uint32_t px = static_cast<uint32_t>(((ix % periodX) + periodX) % periodX);
    const uint32_t py = static_cast<uint32_t>(((iy % periodY) + periodY) % periodY);
    const double* g = GRADIENTS[hash32(px, py, seed) & 15];
    return g[0] * dx + g[1] * dy;
}

double fade(double t) {
    return t * t * t * (t * (t * 6 - 15) + 10);
}

} // namespace

double gradientNoise(double x, double y, int period, uint32_t seed) {
    return gradientNoise(x, y, period, period, seed);
}

double gradientNoise(double x, double y, int periodX, int periodY, uint32_t seed) {
    const double fx = dm::floor(x), fy = dm::floor(y);
    const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    const double dx = x - fx, dy = y - fy;
    const double n00 = corner(ix, iy, periodX, periodY, seed, dx, dy);
    const double n10 = corner(ix + 1, iy, periodX, periodY, seed, dx - 1, dy);
    const double n01 = corner(ix, iy + 1, periodX, periodY, seed, dx, dy - 1);
    const double n11 = corner(ix + 1, iy + 1, periodX, periodY, seed, dx - 1, dy - 1);
    const double u = fade(dx), v = fade(dy);
    return 1.4 * dm::mix(dm::mix(n00, n10, u), dm::mix(n01, n11, u), v);
}

double tileFbm(double u, double v, int cells, int octaves, uint32_t seed, double gain) {
    return tileFbmXY(u, v, cells, cells, octaves, seed, gain);
}

double tileFbmXY(double u, double v, int cellsX, int cellsY, int octaves, uint32_t seed,
                 double gain) {
    double sum = 0, amplitude = 1, total = 0;
    for (int o = 0; o < octaves; o++) {
        sum += amplitude * gradientNoise(u * cellsX, v * cellsY, cellsX, cellsY, seed + 101u * o);
        total += amplitude;
        amplitude *= gain;
        cellsX *= 2;
        cellsY *= 2;
    }
    return sum / total;
}

double tileCellular(double u, double v, int cells, uint32_t seed) {
    const double x = u * cells, y = v * cells;
    const int cx = static_cast<int>(dm::floor(x)), cy = static_cast<int>(dm::floor(y));
    double best = 9;
    for (int j = -1; j <= 1; j++)
        for (int i = -1; i <= 1; i++) {
            const int gx = cx + i, gy = cy + j;
            const uint32_t h = hash32(static_cast<uint32_t>(((gx % cells) + cells) % cells),
                                      static_cast<uint32_t>(((gy % cells) + cells) % cells), seed);
            const double px = gx + (h & 0xFFFF) / 65536.0;
            const double py = gy + (h >> 16) / 65536.0;
            const double d = dm::length(px - x, py - y);
            if (d < best) best = d;
        }
    return best;
}

uint16_t packColour(const Rgb& c, int x, int y, bool dither) {
    static const int BAYER[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    const double d = dither ? (BAYER[y & 3][x & 3] + 0.5) / 16.0 - 0.5 : 0.0;
    auto channel = [d](double v, int top) {
        const double s = dm::clamp01(v) * top + 0.5 + d;
        const int q = static_cast<int>(dm::floor(s));
        return static_cast<uint32_t>(q < 0 ? 0 : (q > top ? top : q));
    };
    return packRgb565(channel(c.r, 31), channel(c.g, 63), channel(c.b, 31));
}

std::vector<uint16_t> toRgb565(const Canvas& canvas, bool dither) {
    std::vector<uint16_t> out(canvas.px.size());
    for (int y = 0; y < canvas.height; y++)
        for (int x = 0; x < canvas.width; x++)
            out[static_cast<size_t>(y) * canvas.width + x] =
                packColour(canvas.at(x, y), x, y, dither);
    return out;
}

bool savePicture(const std::string& path, const std::vector<uint16_t>& pixels, int width,
                 int height) {
    if (writeFramePng(path, pixels.data(), width, height)) return true;
    fprintf(stderr, "demo-assets: cannot write %s\n", path.c_str());
    return false;
}
