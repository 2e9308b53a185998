// The cave seen from inside, looking out through the gap where the waterfall
// falls, and the waterfall's opacity mask, which shares the gap's outline.
#include "generators.h"

namespace {

// Edges of the opening in screen columns for a row: the arch starts at the
// lip near row 8 and widens to the band 100..227 lower down; the rock edges
// are ragged.
void openingEdges(double y, double* left, double* right) {
    const double lip = 8;
    const double t = dm::clamp01((y - lip) / 70);
    const double arch = dm::sqrt(t * (2 - t)); // quarter circle
    const double halfWidth = 12 + 42 * arch;
    const double rag = 4.0 * gradientNoise(y / 13.0, 0.5, 4096, 0xCA1) +
                       2.0 * gradientNoise(y / 5.0, 3.5, 4096, 0xCA2);
    const double rag2 = 4.0 * gradientNoise(y / 11.0, 7.5, 4096, 0xCA3) +
                        2.0 * gradientNoise(y / 4.0, 9.5, 4096, 0xCA4);
    *left = 164 - halfWidth + rag;
    *right = 164 + halfWidth + rag2;
}

// Signed distance (pixels, negative inside) to the opening.
double openingDistance(double x, double y) {
    const double lip = 12;
    double l, r;
    openingEdges(y > lip ? y : lip, &l, &r);
    const double d = l - x > x - r ? l - x : x - r;
    return d > lip - y ? d : lip - y;
}

// Length of the stalactites hanging from the ceiling at column x: a sparse
// row of large ones and a denser row of small ones, some cells left empty.
double stalactites(double x) {
    double longest = 0;
    const double cells[2] = {23, 9}, lengths[2] = {30, 10}, widths[2] = {6, 3};
    for (int layer = 0; layer < 2; layer++)
        for (int k = -1; k <= 1; k++) {
            const int cell = static_cast<int>(dm::floor(x / cells[layer])) + k;
            const uint32_t h = hash32(static_cast<uint32_t>(cell + 100), 7 + layer, 0xCB5);
            if ((h >> 28) < 5) continue;
            const double centre = (cell + 0.15 + 0.7 * (h & 255) / 255.0) * cells[layer];
            const double length = lengths[layer] * (0.3 + 0.7 * ((h >> 8) & 255) / 255.0);
            const double width = widths[layer] * (0.6 + 0.4 * ((h >> 16) & 255) / 255.0);
            const double dx = x - centre < 0 ? centre - x : x - centre;
            const double v = length * dm::pow(dm::clamp01(1 - dx / width), 1.4);
            if (v > longest) longest = v;
        }
    return longest;
}

} // namespace

bool writeCave(const std::string& dir) {
    // Rock: boulders (cellular noise) under ridged detail give a height
    // field, lit from the opening.
    Plane height(320, 240);
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++) {
            const double u = x / 320.0, v = y / 320.0;
            const double n = tileFbm(u, v, 5, 5, 0xCB1);
            const double ridges = 1 - 2 * (n < 0 ? -n : n);
            const double boulders = 1 - tileCellular(u, v * 1.4, 7, 0xCB4);
            height.at(x, y) = 0.45 * boulders + 0.35 * ridges + 0.2 * tileFbm(u, v, 14, 4, 0xCB2);
        }
    const double ceiling = 14, pool = 214;
    Canvas c(320, 240);
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++) {
            const double px = x + 0.5, py = y + 0.5;
            const double d = openingDistance(px, py);
            // Behind the water: the dim, wet back of the gap, lighter at the
            // top where daylight comes in over the lip, so thin water shows depth.
            const double sky = dm::clamp01(1 - py / 120);
            Rgb outside = mix(hex(0x123A48), hex(0x8CC8D8), sky * sky);
            outside = mix(outside, hex(0x0A2430),
                          dm::smoothstep(0.0, 0.5, tileFbm(px / 320, py / 320, 6, 3, 0xCB3)) * 0.6);
            // Rock, shaded from the height field's slope towards the light.
            const double hx = height.at(x < 319 ? x + 1 : x, y) - height.at(x > 0 ? x - 1 : x, y);
            const double hy = height.at(x, y < 239 ? y + 1 : y) - height.at(x, y > 0 ? y - 1 : y);
            const double toLight = (px < 164 ? 1 : -1) * hx * 10 - hy * 4;
            const double nearGap = dm::clamp01(1 - (d > 0 ? d : 0) / 100);
            double light = 0.12 + 0.55 * nearGap * nearGap + 0.45 * toLight * (0.25 + nearGap);
            light *= 0.7 + 0.6 * height.at(x, y);
            Rgb rock = ramp({hex(0x1A1614), hex(0x3A322C), hex(0x6A6258), hex(0xA8C4C4)},
                            dm::clamp01(light));
            // Moss in the damp hollows near the water.
            const double moss =
                dm::smoothstep(0.55, 0.8,
                               tileFbm(px / 320, py / 320, 9, 3, 0xCB6) + 0.6 * nearGap) *
                dm::clamp01(0.6 - height.at(x, y)) * nearGap;
            rock = mix(rock, hex(0x3A5A28) * (0.6 + 0.6 * light), moss * 0.7);
            // Wet glints facing the light.
            rock = screenAdd(
                rock,
                hex(0xC8E8F0) *
                    (dm::smoothstep(0.75, 0.95, toLight * nearGap + 0.5 * height.at(x, y)) * 0.35));
            // The ceiling with its stalactites, darker and lit from below.
            const double hang =
                ceiling +
                stalactites(px) * (0.4 + 0.6 * dm::clamp01(dm::length((px - 164) / 60, 0)));
            if (py < hang) {
                const double below = dm::clamp01((hang - py) / 10);
                rock = mix(rock * 0.55, hex(0x0E0C0A), below * 0.6);
                rock = screenAdd(rock, hex(0x607878) *
                                           (dm::clamp01(1 - (hang - py) / 3) * nearGap * 0.6));
            }
            // Mist rising from where the water lands.
            const double mist = dm::exp(-(d > 0 ? d : 0) / 28) * dm::smoothstep(60, 240, py);
            rock = screenAdd(rock, hex(0x5C8C9C) * (0.45 * mist));
            // Darker towards the screen's corners.
            const double vignette =
                dm::clamp01(1 - 0.5 * dm::length((px - 164) / 190, (py - 110) / 160));
            rock = rock * vignette;
            const double inside = dm::clamp01(0.5 - d);
            Rgb pixel = mix(rock, outside, inside);
            // A thin bright rim where the rock meets the light.
            pixel =
                screenAdd(pixel, hex(0x80A8A0) * (0.5 * dm::clamp01(1 - (d < 0 ? -d : d) / 2.5)));
            c.at(x, y) = pixel;
        }
    // The pool at the foot: a dark mirror of the cave above it, rippled.
    for (int y = static_cast<int>(pool); y < 240; y++)
        for (int x = 0; x < 320; x++) {
            const double ripple = 1.5 * gradientNoise(x / 12.0, y / 1.5, 4096, 0xCB7);
            const double mirror = 2 * pool - y - 1 + ripple;
            Rgb reflected = c.sample(x + ripple * 0.5, mirror) * 0.5;
            reflected = mix(reflected, hex(0x0C2028), 0.35);
            const double edge = dm::clamp01((y - pool) / 2);
            c.at(x, y) = screenAdd(mix(c.at(x, y), reflected, edge),
                                   hex(0x9CD0E0) * (dm::clamp01(1 - (y - pool)) * 0.12));
        }
    bool ok = saveCanvas(dir, "luola.png", c);

    // The waterfall's opacity over screen columns 100..227: full inside the
    // gap, soft towards the rock, thinning a little where it leaves the lip.
    // The whole pixel is also the greeting letters' clip mask, so it is 0
    // exactly where the opacity is.
    Plane alpha(128, 240);
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 128; x++) {
            const double px = x + 100.5, py = y + 0.5;
            const double d = openingDistance(px, py);
            double a = dm::clamp01((-d + 1) / 6);
            a *= dm::clamp01((py - 8) / 10 + 0.2);
            alpha.at(x, y) = a;
        }
    ok = savePictureAs(dir, "luola_alpha.png", greenPicture(alpha, hex(0x000000), hex(0xA0D8FF)),
                       128, 240) &&
         ok;
    return ok;
}
