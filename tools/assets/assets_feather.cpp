// The opening scene: a soft backdrop, a feather that drifts over it, and a
// slice of watermelon that fades in over the middle of the screen.
#include "generators.h"

bool writeFeather(const std::string& dir) {
    Canvas bg(320, 240);
    Random random(0xF3);
    struct Bokeh {
        double x, y, r, a;
        Rgb c;
    };
    std::vector<Bokeh> bokeh;
    for (int i = 0; i < 34; i++) {
        const Rgb tints[3] = {hex(0xFFFFFF), hex(0xFFE8D0), hex(0xE0E8FF)};
        bokeh.push_back({random.range(0, 320), random.range(0, 240), random.range(6, 26),
                         random.range(0.08, 0.22), tints[random.below(3)]});
    }
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++) {
            const double px = x + 0.5, py = y + 0.5;
            const double t = dm::clamp01((px * 0.6 + py) / 432);
            Rgb c = ramp({hex(0xB8A8D8), hex(0xE0C0D8), hex(0xF8D8C0), hex(0xF0E4C8)}, t);
            c = mix(c, hex(0xFFFFFF), 0.25 * dm::exp(-dm::length(px - 90, py - 50) / 120));
            c = c * (0.96 + 0.06 * tileFbm(px / 320, py / 320, 3, 3, 0xF4));
            for (const Bokeh& b : bokeh) {
                const double d = dm::length(px - b.x, py - b.y);
                const double disc = dm::clamp01((b.r - d) / 1.5);
                const double rim = dm::clamp01(1 - (b.r - d < 0 ? d - b.r : b.r - d) / 2) * 0.5;
                c = screenAdd(c, b.c * (b.a * (disc + rim)));
            }
            bg.at(x, y) = c;
        }
    bool ok = saveCanvas(dir, "bg3.png", bg);

    // The feather lies along the middle column, tip at the top, and stays
    // inside the circle of radius 64 round the centre in every turn.
    Canvas colour(128, 128, hex(0xF0ECE4));
    Plane alpha(128, 128);
    const double top = 8, base = 121;
    for (int y = 0; y < 128; y++)
        for (int x = 0; x < 128; x++) {
            const double px = x + 0.5, py = y + 0.5;
            const double s = (base - py) / (base - top); // 0 at the base, 1 at the tip
            const double shaftX = 64 + 6 * dm::sin(dm::PI * dm::clamp01(s));
            const double offset = px - shaftX;
            const double side = offset < 0 ? -offset : offset;
            // Vane widths: the left vane is the broader, both round off at the tip.
            const double reach = offset < 0 ? 31 : 23;
            const double sv = dm::clamp01((s - 0.1) / 0.9);
            double width = reach * dm::pow(dm::sin(dm::PI * dm::clamp01(sv * 0.92 + 0.08)), 0.55);
            if (s > 1) width = 0;
            // Barbs run out and up from the shaft; ragged ends and a few splits.
            const double barb = s * 114 + side * 0.8;
            width *= 0.93 + 0.07 * gradientNoise(barb / 3.0, offset < 0 ? 1.5 : 7.5, 4096, 0xF5);
            const double split = dm::smoothstep(
                0.45, 0.62, gradientNoise(barb / 7.0, offset < 0 ? 3.5 : 9.5, 4096, 0xF6));
            double a = dm::clamp01((width - side) / 1.6 + 0.5);
            a *= 1 - split * dm::smoothstep(0.35, 0.6, side / (width + 0.01));
            // Down at the base: thin wisps.
            if (s < 0.22 && s > -0.02) {
                const double wisp =
                    0.5 + 0.5 * dm::sin(barb * 2.3 + gradientNoise(px / 5, py / 5, 4096, 0xF7) * 3);
                const double downWidth = 14 * dm::clamp01(s * 6);
                const double down = dm::clamp01((downWidth - side) / 4) * wisp * 0.55;
                if (down > a) a = down;
            }
            // The shaft, down to the quill's end.
            const double shaft = dm::clamp01(1.3 - side) * (s > -0.01 && s < 1.0 ? 1 : 0);
            if (shaft > a) a = shaft;
            // Colour: ivory at the base, slate blue towards the tip, with soft
            // bars across the vanes and a sheen along the barbs.
            Rgb c =
                ramp({hex(0xFAF6EE), hex(0xE8ECF0), hex(0x98A8C4), hex(0x4A5878)}, dm::clamp01(s));
            const double bars = 0.5 + 0.5 * dm::cos(barb * 0.42 + 0.8 * dm::sin(side * 0.15));
            c = mix(c, c * 0.72,
                    dm::smoothstep(0.5, 1.0, bars) * dm::smoothstep(0.35, 0.7, s) * 0.6);
            c = c * (0.94 + 0.06 * dm::cos(barb * 2.6));
            c = mix(c, hex(0xFFFFF4), shaft * 0.8);
            colour.at(x, y) = c;
            // Nothing may reach past the turning circle.
            if (dm::length(px - 64, py - 64) > 63) a = 0;
            alpha.at(x, y) = a;
        }
    ok = saveCanvas(dir, "feather.png", colour) && ok;
    ok = savePictureAs(dir, "feather_alpha.png", greenPicture(alpha, hex(0), hex(0xFFFFFF)), 128,
                       128) &&
         ok;
    return ok;
}

bool writeFruit(const std::string& dir) {
    // A watermelon slice: a half-ellipse, cut face up, within rows 81..154
    // and columns 51..274, with a soft shadow under it.
    const double cx = 162, cy = 86, rx = 104, ry = 58;
    Canvas colour(320, 240, hex(0x202010));
    Plane alpha(320, 240);
    for (int y = 81; y <= 154; y++)
        for (int x = 51; x <= 274; x++) {
            const double px = x + 0.5, py = y + 0.5;
            const double e = dm::length((px - cx) / rx, (py - cy) / ry);
            const double below = py - cy;
            // Coverage of the half-ellipse, antialiased on both edges.
            const double edge = dm::clamp01((1 - e) * 40 + 0.5) * dm::clamp01(below + 0.5);
            const double shadowE = dm::length((px - cx - 4) / (rx + 2), (py - cy - 5) / (ry + 1));
            const double shadow =
                dm::clamp01((1.08 - shadowE) * 6) * dm::clamp01((py - cy - 4) / 6) * 0.45;
            Rgb c;
            const double angle = dm::atan2(below, px - cx);
            if (e > 0.93) {
                // Dark rind with lighter stripes.
                const double stripe = dm::pow(0.5 + 0.5 * dm::sin(angle * 26), 3);
                c = mix(hex(0x1E5A1C), hex(0x4E9A38), stripe * 0.7);
                c = c * (0.8 + 0.2 * (1 - (e - 0.93) / 0.07));
            } else if (e > 0.86) {
                c = mix(hex(0xF0F4D0), hex(0x9CCC6C), (e - 0.86) / 0.07);
            } else {
                // Flesh: deep red, lighter towards the cut face, grainy.
                const double t = e / 0.86;
                c = mix(hex(0xFF5A60), hex(0xE0202C), t);
                c = mix(c, hex(0xFFA0A0), dm::clamp01(1 - below / 6) * 0.35);
                c = c * (0.93 + 0.07 * gradientNoise(px / 2.5, py / 2.5, 4096, 0xF8));
                // Seeds in two rows.
                for (int row = 0; row < 2; row++) {
                    const double re = row == 0 ? 0.42 : 0.66;
                    const int count = row == 0 ? 7 : 11;
                    for (int k = 0; k < count; k++) {
                        const double a = dm::PI * (k + 0.5) / count;
                        const double sx = cx + rx * re * dm::cos(a), sy = cy + ry * re * dm::sin(a);
                        // A teardrop pointing at the centre.
                        const double dx = px - sx, dy = py - sy;
                        const double ux = dm::cos(a), uy = dm::sin(a);
                        const double along = dx * ux + dy * uy, across = -dx * uy + dy * ux;
                        const double d =
                            dm::length(along / 3.2, across / 1.9) - (along < 0 ? 1 + along / 5 : 1);
                        const double seed = dm::clamp01(-d * 2);
                        c = mix(c, hex(0x1A0A06), seed);
                        c = screenAdd(
                            c,
                            hex(0xA08070) *
                                (seed * dm::clamp01(1 - dm::length(along + 1, across + 0.6) / 1.2) *
                                 0.6));
                    }
                }
            }
            // The cut face catches light along the top edge.
            c = screenAdd(c, hex(0xFFE0E0) * (dm::clamp01(1 - below / 2.5) * 0.4));
            colour.at(x, y) = mix(hex(0x281810), c, edge);
            alpha.at(x, y) = edge > shadow ? edge : shadow;
        }
    bool ok = saveCanvas(dir, "hedelmae.png", colour);
    ok = savePictureAs(dir, "hedelmae_opac.png", greenPicture(alpha, hex(0), hex(0xFFFFFF)), 320,
                       240) &&
         ok;
    return ok;
}
