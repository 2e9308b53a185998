// The closing sky with the show's name, and the rainy night seen through a
// window behind the raindrops.
#include "generators.h"
#include "lettering.h"

bool writeSkies(const std::string& dir) {
    const double horizon = 196;
    const double sunX = 204;
    TextStyle style;
    style.height = 15;
    style.stroke = 1.7;
    style.tracking = 8;
    const TextShape name = layoutCentred("QUORVANE", 160, 62, style);
    Canvas c(320, 240);
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++) {
            const double px = x + 0.5, py = y + 0.5;
            Rgb colour;
            if (py < horizon) {
                const double t = py / horizon;
                colour = ramp({hex(0x142C64), hex(0x2E4E92), hex(0x6E80B8), hex(0xC898A8),
                               hex(0xF4B890), hex(0xFFD8A0)},
                              dm::pow(t, 1.15));
                // Glow of the sun just under the horizon.
                colour = screenAdd(colour, hex(0xFFB060) *
                                               (0.45 * dm::exp(-dm::length((px - sunX) / 90,
                                                                           (py - horizon) / 40))));
                // Long calm clouds, lit from below.
                const double band = tileFbmXY(px / 320, py / 240, 2, 9, 5, 0xE1, 0.55);
                const double cloud = dm::smoothstep(0.08, 0.5, band) *
                                     dm::smoothstep(0.25, 0.55, t) *
                                     (1 - dm::smoothstep(0.85, 1.0, t));
                const Rgb lit = mix(hex(0x8A6888), hex(0xFFC0A0), dm::clamp01(t * 1.2 - 0.2));
                colour = mix(colour, lit, cloud * 0.7);
            } else {
                // Calm sea with the sun's path.
                const double t = (py - horizon) / (240 - horizon);
                colour = mix(hex(0x6A5A88), hex(0x1E2448), dm::pow(t, 0.6));
                const double ripple =
                    gradientNoise(px / (8 + 20 * t), py / (1 + 2 * t), 4096, 0xE2);
                const double path =
                    dm::exp(-((px - sunX) * (px - sunX)) / (2 * (10 + 50 * t) * (10 + 50 * t)));
                colour = screenAdd(colour,
                                   hex(0xFFC080) * (dm::smoothstep(0.1, 0.6, ripple) * path * 0.7));
                colour = screenAdd(colour, hex(0xFFD8B0) * (0.35 * dm::exp(-(py - horizon) / 3)));
            }
            // The name: fine white letters with a soft glow.
            const double d = name.distance(px, py);
            colour = screenAdd(colour, hex(0xFFE8D0) * (0.35 * dm::exp(-(d > 0 ? d : 0) / 3.5)));
            colour = mix(colour, hex(0xFFFFFF), dm::clamp01(0.5 - d));
            // A short line under the name.
            const double line = dm::clamp01(0.8 - (py - 86 < 0 ? 86 - py : py - 86)) *
                                dm::clamp01(1 - (px - 160 < 0 ? 160 - px : px - 160) / 46);
            colour = mix(colour, hex(0xFFF0E0), line * 0.8);
            c.at(x, y) = colour;
        }
    return saveCanvas(dir, "skybax.png", c);
}

bool writeWindow(const std::string& dir) {
    Random random(0xE5);
    struct Light {
        double x, y, r, a;
        Rgb c;
    };
    std::vector<Light> lights;
    const Rgb tints[5] = {hex(0xFFB040), hex(0xFF6030), hex(0xFFE0A0), hex(0x40C0D0),
                          hex(0xE8F0FF)};
    for (int i = 0; i < 70; i++) {
        // One draw per statement: the order of operands within an expression
        // is up to the compiler, and the sequence must be the same everywhere.
        const double spread = random.range(0, 120);
        const double bias = random.unit();
        const double y = 70 + spread * bias + random.range(0, 40);
        lights.push_back({random.range(-10, 330), y, random.range(3, 14), random.range(0.12, 0.4),
                          tints[random.below(5)]});
    }
    Canvas c(320, 240);
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++) {
            const double px = x + 0.5, py = y + 0.5;
            const double t = py / 240;
            Rgb colour = ramp({hex(0x0E1424), hex(0x1A2238), hex(0x22283A), hex(0x14161E)}, t);
            // Out-of-focus buildings and street lights.
            const double block = tileFbmXY(px / 320, 0.5, 7, 1, 3, 0xE6);
            if (py > 60 + 50 * (block + 0.5) && py < 200) colour = mix(colour, hex(0x202838), 0.5);
            for (const Light& l : lights) {
                const double d = dm::length(px - l.x, py - l.y);
                const double disc = dm::clamp01((l.r - d) / 2.0);
                colour =
                    screenAdd(colour, l.c * (l.a * (disc * 0.8 + 0.3 * dm::exp(-d / (l.r * 1.5)))));
            }
            // A wet street reflecting the lights.
            if (py > 196) colour = mix(colour, colour * 0.7, 0.5);
            // The window frame, sharp in front: a dark sill and side.
            const double frame = (px < 12 ? 1 : 0) + (py > 224 ? 1 : 0);
            if (frame > 0) {
                const double shade =
                    px < 12 ? 0.6 + 0.4 * (px / 12) : 0.7 + 0.3 * ((240 - py) / 16);
                colour = hex(0x2A1E18) * shade;
            }
            // A faint cold sheen on the glass.
            colour = screenAdd(colour, hex(0x304058) *
                                           (0.25 * dm::exp(-dm::length(px - 240, py - 40) / 140)));
            c.at(x, y) = colour;
        }
    return saveCanvas(dir, "bg2.png", c);
}
