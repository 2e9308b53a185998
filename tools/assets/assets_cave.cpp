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

} // namespace

bool writeCave(const std::string& dir) {
    // Rock: layered noise gives a height field, lit from the opening.
    Plane height(320, 240);
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++) {
            const double u = x / 320.0, v = y / 320.0;
            const double n = tileFbm(u, v, 5, 5, 0xCB1);
            const double ridges = 1 - 2 * (n < 0 ? -n : n);
            height.at(x, y) = 0.6 * ridges + 0.4 * tileFbm(u, v, 12, 4, 0xCB2);
        }
    Canvas c(320, 240);
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++) {
            const double px = x + 0.5, py = y + 0.5;
            const double d = openingDistance(px, py);
            // Outside, behind the water: a bright misty valley.
            const double sky = dm::clamp01(1 - py / 150);
            Rgb outside = mix(hex(0x6FA88C), hex(0xD8F0F0), sky);
            outside = mix(outside, hex(0x3C7A50),
                          dm::smoothstep(0.1, 0.5, tileFbm(px / 320, py / 320, 6, 3, 0xCB3)) *
                              dm::clamp01((py - 90) / 100));
            // Rock, shaded from the height field's slope towards the light.
            const double hx = height.at(x < 319 ? x + 1 : x, y) - height.at(x > 0 ? x - 1 : x, y);
            const double hy = height.at(x, y < 239 ? y + 1 : y) - height.at(x, y > 0 ? y - 1 : y);
            const double toLight = (px < 164 ? 1 : -1) * hx * 6 + hy * -3;
            const double nearGap = dm::clamp01(1 - (d > 0 ? d : 0) / 90);
            double light = 0.18 + 0.5 * nearGap * nearGap + 0.35 * toLight * (0.3 + nearGap);
            light *= 0.75 + 0.5 * height.at(x, y);
            // The floor: wet stone catching the opening's light.
            const double floor = dm::smoothstep(185, 215, py);
            Rgb rock = mix(hex(0x2A2420), hex(0x6A6258), dm::clamp01(light));
            rock = mix(rock, hex(0x9CC0C0), dm::clamp01(light - 0.7) * 0.8);
            rock = mix(rock, mix(rock, hex(0x4C7078), 0.5) * 1.1, floor * nearGap);
            // Darker towards the screen's corners.
            const double vignette =
                dm::clamp01(1 - 0.55 * dm::length((px - 164) / 200, (py - 120) / 170));
            rock = rock * vignette;
            const double inside = dm::clamp01(0.5 - d);
            Rgb pixel = mix(rock, outside, inside);
            // A thin bright rim where the rock meets the light.
            pixel =
                screenAdd(pixel, hex(0x80A8A0) * (0.5 * dm::clamp01(1 - (d < 0 ? -d : d) / 2.5)));
            c.at(x, y) = pixel;
        }
    bool ok = saveCanvas(dir, "luola.png", c);

    // The waterfall's opacity over screen columns 100..227: full inside the
    // gap, soft towards the rock, thinning a little where it leaves the lip.
    Plane alpha(128, 240);
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 128; x++) {
            const double px = x + 100.5, py = y + 0.5;
            const double d = openingDistance(px, py);
            double a = dm::clamp01((-d + 1) / 6);
            a *= dm::clamp01((py - 8) / 10 + 0.2);
            alpha.at(x, y) = a;
        }
    ok = savePictureAs(dir, "luola_alpha.png", greenPicture(alpha, hex(0x101828), hex(0xA0D8FF)),
                       128, 240) &&
         ok;
    return ok;
}
