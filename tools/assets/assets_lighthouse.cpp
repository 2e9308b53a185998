// A lighthouse at night on rocks by the sea, and the glow of its lamp.
#include "generators.h"

namespace {

// The lamp's centre on the screen; the glow picture is laid at (208, 32).
const double LAMP_X = 276, LAMP_Y = 70;
const double TOWER_BASE = 188, TOWER_TOP = 84;

double rocksTop(double x) {
    // The rock the lighthouse stands on, falling away to the sea on both sides.
    const double promontory = 252 - 70 * dm::exp(-((x - 284) / 44) * ((x - 284) / 44));
    const double foreground = 254 - 30 * dm::exp(-((x - 26) / 42) * ((x - 26) / 42));
    const double top = promontory < foreground ? promontory : foreground;
    return top + 5 * gradientNoise(x / 9.0, 0.5, 4096, 0xB1) +
           2 * gradientNoise(x / 3.0, 2.5, 4096, 0xB2);
}

// Colour of the tower at (x, y), or no cover (returns false).
bool tower(double x, double y, Rgb* colour, double* cover) {
    const double dx = x - LAMP_X;
    if (y >= TOWER_TOP && y <= TOWER_BASE + 4) {
        const double t = (y - TOWER_TOP) / (TOWER_BASE - TOWER_TOP);
        const double half = 7.5 + 6 * t;
        const double edge = half - (dx < 0 ? -dx : dx);
        if (edge > -0.5) {
            *cover = dm::clamp01(edge + 0.5);
            const double band = dm::fract(t * 3.0);
            Rgb paint = band < 0.45 ? hex(0xB82A22) : hex(0xE8E4DC);
            // Lit by the moon from the left, darker on the right.
            const double shade = 0.35 + 0.65 * dm::clamp01(0.75 - dx / (half * 1.6));
            *colour = paint * (0.28 * shade + 0.05);
            *colour = mix(*colour, hex(0x1A2038), 0.35);
            // A window.
            if (dx > -2 && dx < 1.5 && dm::fract(t * 3.0 + 0.1) > 0.62 &&
                dm::fract(t * 3.0 + 0.1) < 0.75)
                *colour = hex(0xFFD070);
            return true;
        }
    }
    // Gallery, lamp room and roof.
    if (y >= TOWER_TOP - 3 && y < TOWER_TOP && dx > -11 && dx < 11) {
        *cover = 1;
        *colour = hex(0x141824);
        return true;
    }
    if (y >= LAMP_Y - 8 && y < TOWER_TOP - 3 && dx > -7 && dx < 7) {
        *cover = 1;
        const bool mullion = dm::fract((dx + 7) / 4.5) < 0.22;
        *colour = mullion
                      ? hex(0x202430)
                      : mix(hex(0xFFF4C0), hex(0xFFC040), dm::clamp01(((dx < 0 ? -dx : dx)) / 7));
        return true;
    }
    if (y >= LAMP_Y - 17 && y < LAMP_Y - 8) {
        const double t = (LAMP_Y - 8 - y) / 9;
        const double half = 8.5 * dm::sqrt(1 - t * t);
        if ((dx < 0 ? -dx : dx) < half + 0.5) {
            *cover = dm::clamp01(half + 0.5 - (dx < 0 ? -dx : dx));
            *colour = mix(hex(0x5A1410), hex(0x200808), dm::clamp01(dx / 8 + 0.5));
            return true;
        }
    }
    if (y >= LAMP_Y - 22 && y < LAMP_Y - 16 && dx > -1 && dx < 1) {
        *cover = 1;
        *colour = hex(0x181818);
        return true;
    }
    return false;
}

} // namespace

bool writeLighthouse(const std::string& dir) {
    const double horizon = 150;
    const double moonX = 62, moonY = 44, moonR = 13;
    Canvas c(320, 240);
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++) {
            const double px = x + 0.5, py = y + 0.5;
            Rgb colour;
            if (py < horizon) {
                // Night sky, lighter and warmer towards the horizon.
                const double t = py / horizon;
                colour = ramp({hex(0x04081A), hex(0x0C1634), hex(0x1E2A56), hex(0x4A3E6C)}, t);
                // Thin clouds.
                const double cloud =
                    dm::smoothstep(0.15, 0.6, tileFbmXY(px / 320, py / 240, 3, 6, 5, 0xB3));
                colour = mix(colour, hex(0x2A3460), cloud * 0.5 * t);
                // Stars: sparse points, fewer near the horizon.
                const uint32_t h = hash32(x, y, 0xB4);
                if ((h & 1023) < 5 && t < 0.8) {
                    const double b = ((h >> 10) & 255) / 255.0;
                    colour = screenAdd(colour, hex(0xE8ECFF) * (0.35 + 0.65 * b) * (1 - t));
                }
                // Moon with its halo: a crescent lit from the right.
                const double dm0 = dm::length(px - moonX, py - moonY);
                colour = screenAdd(colour, hex(0x8090C0) * (0.45 * dm::exp(-dm0 / 22)));
                const double disc = dm::clamp01(moonR + 0.5 - dm0);
                const double shadow =
                    dm::clamp01(moonR + 0.5 - dm::length(px - moonX + 6, py - moonY - 3));
                colour = mix(colour, mix(hex(0xFFF6DC), hex(0x1A2040), shadow * 0.9), disc);
                // A far headland on the left.
                const double land = horizon - 9 * dm::exp(-((px - 40) * (px - 40)) / 3000) -
                                    2 * gradientNoise(px / 14, 0.5, 4096, 0xB5);
                if (py > land) colour = mix(colour, hex(0x0A0E1C), dm::clamp01(py - land));
            } else {
                // The sea: dark, with ripples catching the moon and the lamp.
                const double t = (py - horizon) / (240 - horizon);
                colour = mix(hex(0x141C3C), hex(0x060A18), t);
                const double ripple =
                    gradientNoise(px / (10 + 30 * t), py / (1.2 + 3 * t), 4096, 0xB6);
                const double glitter = dm::smoothstep(0.25, 0.7, ripple);
                const double moonPath =
                    dm::exp(-((px - moonX) * (px - moonX)) / (2 * (8 + 40 * t) * (8 + 40 * t)));
                const double lampPath =
                    dm::exp(-((px - LAMP_X) * (px - LAMP_X)) / (2 * (6 + 25 * t) * (6 + 25 * t)));
                colour = screenAdd(colour, hex(0xC8D0F0) * (glitter * moonPath * 0.8));
                colour = screenAdd(colour, hex(0xFFC870) * (glitter * lampPath * 0.45));
                colour = screenAdd(colour, hex(0x202C50) * (glitter * 0.25));
            }
            // Rocks with moonlit edges.
            const double top = rocksTop(px);
            if (py > top - 1) {
                const double n = tileFbm(px / 320, py / 320, 10, 4, 0xB7);
                const double lit =
                    dm::clamp01(1 - (py - top) / 10) * dm::clamp01(0.8 - (px - 250) / 80);
                Rgb rock = mix(hex(0x0C0E16), hex(0x2C3040), 0.4 + 0.6 * n);
                rock = screenAdd(rock, hex(0x5A6488) * (lit * 0.6));
                // Foam where the waves break on the low rocks.
                const double foam = dm::clamp01(1 - (py - top) / 4) *
                                    dm::smoothstep(196, 214, top) *
                                    dm::smoothstep(0.0, 0.4, n + 0.2);
                rock = mix(rock, hex(0xA8B4D0), foam * 0.5);
                colour = mix(colour, rock, dm::clamp01(py - top + 1));
            }
            Rgb towerColour;
            double cover = 0;
            if (tower(px, py, &towerColour, &cover)) colour = mix(colour, towerColour, cover);
            c.at(x, y) = colour;
        }
    bool ok = saveCanvas(dir, "majakka.png", c);

    // The lamp's glow over screen columns 208..319, rows 32..159: a halo round
    // the lamp and two beams, all fading to nothing before the edges.
    Plane glow(128, 128);
    const double gx = LAMP_X - 208, gy = LAMP_Y - 32;
    for (int y = 0; y < 128; y++)
        for (int x = 0; x < 112; x++) {
            const double dx = x + 0.5 - gx, dy = y + 0.5 - gy;
            const double r = dm::length(dx, dy);
            const double core = dm::clamp01(1.0 - r / 7.5);
            const double halo = dm::exp(-r / 9.0) * 0.9 + dm::exp(-r / 26.0) * 0.35;
            // Beams: narrow horizontal wedges, slightly tilted.
            const double spread = 2.5 + (dx < 0 ? -dx : dx) * 0.2;
            const double beamY = dy - dx * 0.06;
            const double beam = dm::exp(-(beamY * beamY) / (2 * spread * spread)) *
                                dm::clamp01((dx < 0 ? -dx : dx) / 8.0) * 0.55;
            double v = core + halo + beam;
            // Fade out before the picture's edges so no border shows.
            const double ex = dm::smoothstep(0, 22, x + 0.5) * dm::smoothstep(0, 14, 111.5 - x);
            const double ey = dm::smoothstep(0, 14, y + 0.5) * dm::smoothstep(0, 14, 127.5 - y);
            glow.at(x, y) = dm::clamp01(v) * ex * ey;
        }
    ok = savePictureAs(dir, "majakka_light.png", greenPicture(glow, hex(0x100800), hex(0xFFF0C0)),
                       128, 128) &&
         ok;
    return ok;
}
