// Pictures that are data more than pictures: the transition patterns, the
// waterfall layers and palette, the cloud layers and the raindrop tiles.
#include <functional>

#include "core/pixel.h"
#include "generators.h"

namespace {

// Normalises a plane to exactly 0..1.
void stretch(Plane& p) {
    double lo = p.v[0], hi = p.v[0];
    for (double v : p.v) {
        if (v < lo) lo = v;
        if (v > hi) hi = v;
    }
    for (double& v : p.v)
        v = hi > lo ? (v - lo) / (hi - lo) : 0;
}

// A transition pattern: `f` (0..1 per pixel) becomes the difference
// blue - red from -31 to 31; green carries a soft tint of the same value.
std::vector<uint16_t> transitionPattern(const Plane& f) {
    std::vector<uint16_t> out(f.v.size());
    for (size_t i = 0; i < out.size(); i++) {
        const int d = static_cast<int>(dm::floor(dm::clamp01(f.v[i]) * 62 + 0.5)) - 31;
        const int blue = (d + 32) / 2, red = blue - d;
        const int green = 14 + static_cast<int>(dm::floor(f.v[i] * 30 + 0.5));
        out[i] = packRgb565(red, green, blue);
    }
    return out;
}

Plane patternPlane(const std::function<double(double, double)>& f) {
    Plane p(320, 240);
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++)
            p.at(x, y) = f(x + 0.5, y + 0.5);
    return p;
}

} // namespace

bool writeTransitions(const std::string& dir) {
    std::vector<Plane> patterns;
    // 1: radial, from the middle outwards.
    patterns.push_back(
        patternPlane([](double x, double y) { return dm::length(x - 160, y - 120) / 200.0; }));
    // 2: diagonal, top-left to bottom-right.
    patterns.push_back(patternPlane([](double x, double y) { return (x + 1.3 * y) / 632.0; }));
    // 3: spiral, two arms; the wrap from 31 to -31 is one step of the flash's
    // 64-step cycle, so the arms have no seam.
    patterns.push_back(patternPlane([](double x, double y) {
        const double a = dm::atan2(y - 120, x - 160) / dm::TAU;
        return dm::fract(2 * a + dm::length(x - 160, y - 120) / 120.0);
    }));
    // 4: noisy blobs.
    {
        Plane p = patternPlane(
            [](double x, double y) { return tileFbm(x / 320.0, y / 320.0, 3, 4, 0x51u, 0.55); });
        stretch(p);
        patterns.push_back(p);
    }
    // 5: blinds, vertical slats that open from left to right.
    patterns.push_back(patternPlane([](double x, double y) {
        const double slat = dm::fract(x / 32.0);
        return 0.78 * slat + 0.17 * (x / 320.0) + 0.05 * (y / 240.0);
    }));
    bool ok = true;
    for (size_t i = 0; i < patterns.size(); i++) {
        stretch(patterns[i]);
        ok = savePictureAs(dir, "trans" + std::to_string(i + 1) + ".png",
                           transitionPattern(patterns[i]), 320, 240) &&
             ok;
    }
    return ok;
}

bool writeWaterfall(const std::string& dir) {
    // Three layers of falling streaks, each repeating every 256 rows: long in
    // the direction of the fall, narrow across it, at three scales.
    const int cellsAcross[3] = {10, 18, 34};
    const int cellsDown[3] = {2, 3, 6};
    bool ok = true;
    for (int layer = 0; layer < 3; layer++) {
        Plane p(128, 256);
        for (int y = 0; y < 256; y++)
            for (int x = 0; x < 128; x++) {
                const double u = x / 128.0, v = y / 256.0;
                const double streak =
                    tileFbmXY(u, v, cellsAcross[layer], cellsDown[layer], 4, 0x3A0u + layer, 0.55);
                const double fine = tileFbmXY(u, v, cellsAcross[layer] * 3, cellsDown[layer] * 2, 2,
                                              0x3B0u + layer);
                p.at(x, y) = dm::clamp01(0.66 + 1.2 * streak + 0.3 * fine);
            }
        ok = savePictureAs(dir, "waterfall" + std::to_string(layer + 1) + ".png",
                           greenPicture(p, hex(0x082848), hex(0xC8E8FF)), 128, 256) &&
             ok;
    }
    // The palette: indices 91..189 (the summed intensity) run from deep water
    // blue to white foam; the lower indices continue the ramp into the dark.
    const std::vector<Rgb> water = {hex(0x0C3A6C), hex(0x1A5E9C), hex(0x3A8CC8), hex(0x72B8E2),
                                    hex(0xB0DEF4), hex(0xE4F6FC), hex(0xFFFFFF)};
    Canvas palette(256, 8);
    for (int i = 0; i < 256; i++) {
        Rgb c;
        if (i < 91)
            c = mix(hex(0x000814), water[0], i / 91.0);
        else
            c = ramp(water, (i - 91) / 98.0);
        for (int y = 0; y < 8; y++)
            palette.at(i, y) = c;
    }
    return saveCanvas(dir, "waterfall_pal.png", palette, false) && ok;
}

bool writeClouds(const std::string& dir) {
    bool ok = true;
    for (int k = 0; k < 3; k++) {
        Plane p(256, 256);
        for (int y = 0; y < 256; y++)
            for (int x = 0; x < 256; x++) {
                const double u = x / 256.0, v = y / 256.0;
                double value = 0;
                if (k == 0) {
                    // Large heaped cumulus.
                    const double base = tileFbm(u, v, 3, 6, 0xC10, 0.52);
                    value = dm::smoothstep(-0.04, 0.3, base);
                    value *= 0.85 + 0.3 * tileFbm(u, v, 12, 3, 0xC11);
                } else if (k == 1) {
                    // Many small puffs.
                    const double base = tileFbm(u, v, 6, 5, 0xC20, 0.5);
                    const double cells = tileCellular(u, v, 7, 0xC21);
                    value = dm::smoothstep(0.05, 0.45, base + 0.22 - 0.6 * cells);
                } else {
                    // Long streaks drawn out sideways, bent by a slow warp.
                    const double warp = tileFbm(u, v, 2, 2, 0xC30);
                    const double base = tileFbmXY(u, v + 0.12 * warp, 2, 8, 5, 0xC31, 0.55);
                    value = dm::smoothstep(0.02, 0.42, base);
                }
                p.at(x, y) = value;
            }
        // Softened a little: the layers are magnified many times as they pass.
        blur(p, 1, 2, true);
        ok = savePictureAs(dir, "cloud" + std::to_string(k + 1) + ".png",
                           greenPicture(p, hex(0x3070C0), hex(0xF0F8FF)), 256, 256) &&
             ok;
    }
    return ok;
}

namespace {

const uint16_t NEUTRAL = 0x7BE0;

// Signed distance to a drop at stage `stage` of tile row, centred in a 32x32
// tile; `radius` receives the lens radius.
double dropDistance(double x, double y, int stage, double scale, double* radius, double* cx,
                    double* cy) {
    static const double RADII[8] = {2.2, 3.6, 5.2, 6.8, 8.4, 9.4, 10.2, 10.8};
    const double r = RADII[stage] * scale;
    *radius = r;
    *cx = 16;
    *cy = stage < 5 ? 16.5 : 16.5 + (stage - 4) * 0.9;
    double d = dm::length(x - *cx, y - *cy) - r;
    if (stage >= 5) {
        // A sliding drop leaves a narrowing trail behind it (upwards).
        const double tail = 3 + (stage - 4) * 3.5;
        const double t = dm::clamp01((*cy - y) / tail);
        const double halfWidth = r * (1 - t) * 0.75;
        if (y < *cy && y > *cy - tail) {
            const double dt = (x - *cx < 0 ? *cx - x : x - *cx) - halfWidth;
            if (dt < d) d = dt;
        }
    }
    return d;
}

} // namespace

bool writeDrops(const std::string& dir) {
    std::vector<uint16_t> sheet(256 * 256, NEUTRAL);
    for (int column = 0; column < 8; column++)
        for (int stage = 0; stage < 8; stage++) {
            const double scale = 1.0 - 0.04 * column;
            for (int y = 0; y < 32; y++)
                for (int x = 0; x < 32; x++) {
                    double r, cx, cy;
                    const double d = dropDistance(x + 0.5, y + 0.5, stage, scale, &r, &cx, &cy);
                    if (d >= 0) continue;
                    // An inverting lens: the drop shows what lies just to its
                    // lower right, mirrored. Only offsets 0..15 survive the
                    // stamping, so the offset falls from the top-left edge
                    // (largest) to the bottom-right edge (zero).
                    const double lens = 1.25;
                    const double ox = dm::clamp((cx + r - (x + 0.5)) * lens / 4, 0, 15);
                    const double oy = dm::clamp((cy + r - (y + 0.5)) * lens / 4, 0, 15);
                    const int dx = static_cast<int>(dm::floor(ox + 0.5));
                    const int dy = static_cast<int>(dm::floor(oy + 0.5));
                    const uint16_t red = static_cast<uint16_t>(dx + 16);
                    const uint16_t green = static_cast<uint16_t>(2 * (dy + 16));
                    sheet[(stage * 32 + y) * 256 + column * 32 + x] = packRgb565(red, green, 0);
                }
        }
    return savePictureAs(dir, "drops01.png", sheet, 256, 256);
}
