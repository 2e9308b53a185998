// The closing scene: a summer meadow, the dragonfly's body and wing frames,
// and the credit bands.
#include "generators.h"
#include "lettering.h"

bool writeMeadow(const std::string& dir) {
    // Horizon near row 122, where the far flowers (drawn at about row 150
    // when farthest) fade into the same light haze.
    const double horizon = 122;
    Canvas c(320, 240);
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++) {
            const double px = x + 0.5, py = y + 0.5;
            Rgb colour;
            if (py < horizon) {
                const double t = py / horizon;
                colour = ramp({hex(0x5C9EE8), hex(0x8CC0F0), hex(0xD8ECF4), hex(0xF4F6EC)}, t);
                const double cloud = dm::smoothstep(
                    0.05, 0.55, tileFbmXY(px / 320, py / 200, 3, 4, 5, 0xD1) + 0.25 - t * 0.3);
                colour = mix(colour, hex(0xFFFFFF), cloud * 0.75);
                colour = mix(
                    colour, hex(0xC8D4E0),
                    cloud *
                        dm::smoothstep(0.2, 0.6,
                                       py / 240 + 0.15 * tileFbm(px / 320, py / 320, 8, 2, 0xD2)) *
                        0.4);
            } else {
                colour = hex(0xF0F4E8);
            }
            // Distant tree line in haze, then rolling meadow.
            const double trees = horizon - 10 - 7 * tileFbm(px / 320, 0.3, 9, 4, 0xD3) -
                                 6 * dm::exp(-((px - 250) / 40) * ((px - 250) / 40));
            if (py > trees)
                colour =
                    mix(colour, mix(hex(0x9CB8A8), hex(0xC8D8CC), 0.3), dm::clamp01(py - trees));
            const double field = horizon + 2 * dm::sin(px / 60);
            if (py > field) {
                const double t = dm::clamp01((py - field) / (240 - field));
                Rgb grass = ramp({hex(0xC8DCA8), hex(0x9CC86C), hex(0x68A040), hex(0x3C7A28)},
                                 dm::pow(t, 0.8));
                // Blades: vertical streaks, longer near the viewer.
                const double blades =
                    gradientNoise(px / (1.2 + 2.5 * t), py / (3 + 14 * t), 4096, 0xD4);
                grass = grass * (0.88 + 0.22 * blades * t + 0.06);
                // Patches of light and shade.
                grass = grass * (0.92 + 0.16 * tileFbm(px / 320, py / 160, 4, 3, 0xD5));
                // Small flowers, larger towards the front.
                const double size = 0.6 + 2.8 * t;
                const double cell = 6 + 18 * t;
                const double gx = dm::floor(px / cell), gy = dm::floor(py / (cell * 0.6));
                const uint32_t h =
                    hash32(static_cast<uint32_t>(gx), static_cast<uint32_t>(gy), 0xD6);
                if ((h & 3) == 0) {
                    const double fx = (gx + 0.2 + 0.6 * ((h >> 8) & 255) / 255.0) * cell;
                    const double fy = (gy + 0.2 + 0.6 * ((h >> 16) & 255) / 255.0) * cell * 0.6;
                    const double d = dm::length(px - fx, (py - fy) * 1.3);
                    const Rgb petals[4] = {hex(0xFFFFFF), hex(0xFFE050), hex(0xF088B8),
                                           hex(0xB8A0F0)};
                    const Rgb petal = petals[(h >> 24) & 3];
                    grass =
                        mix(grass, mix(petal, hex(0xF4F6EC), (1 - t) * 0.5), dm::clamp01(size - d));
                }
                colour = mix(colour, grass, dm::clamp01(py - field));
            }
            c.at(x, y) = colour;
        }
    return saveCanvas(dir, "bg.png", c);
}

namespace {

// Opacity and colour of the dragonfly's body seen from above, head up.
void body(double x, double y, Rgb* colour, double* cover) {
    const double cx = 16;
    double best = 1e9;
    Rgb col;
    auto part = [&](double d, Rgb c) {
        if (d < best) {
            best = d;
            col = c;
        }
    };
    // Compound eyes.
    for (double side : {-1.0, 1.0}) {
        const double d = dm::length((x - cx - side * 4.6) / 5.2, (y - 8) / 5.6) * 5.2 - 5.2;
        const double shine = dm::clamp01(1 - dm::length(x - cx - side * 4.6 + 1.5, y - 6.5) / 2.5);
        part(d, mix(mix(hex(0x1A6A88), hex(0x0C2C48), dm::clamp01((y - 4) / 9)), hex(0xE0FFFF),
                    shine * 0.8));
    }
    // Thorax.
    {
        const double d = dm::length((x - cx) / 6.6, (y - 21) / 8.5) * 6.6 - 6.6;
        const double stripe = dm::pow(0.5 + 0.5 * dm::cos((x - cx) * 1.1), 8);
        part(d, mix(mix(hex(0x3C9A4C), hex(0x184A2C), dm::clamp01((y - 14) / 14)), hex(0xD8E858),
                    stripe * 0.6));
    }
    // Abdomen: long and tapering, in segments.
    if (y > 27 && y < 83) {
        const double t = (y - 27) / 56;
        const double half = 3.0 - 1.4 * t + 0.6 * dm::exp(-t * 12);
        const double d = (x - cx < 0 ? cx - x : x - cx) - half;
        const double segment = dm::fract((y - 27) / 6.2);
        Rgb c = mix(hex(0x2A7AC8), hex(0x123C74), t * 0.6);
        c = mix(c, hex(0x081830), dm::smoothstep(0.8, 1.0, segment) * 0.8);
        c = screenAdd(c, hex(0x80C8FF) * (0.4 * dm::clamp01(1 - (x - cx + 1) * (x - cx + 1) / 2)));
        part(y > 81 ? d + (y - 81) : d, c);
    }
    *colour = col;
    *cover = dm::clamp01(0.5 - best);
}

// One wing: root at (rx, ry), pointing along angle `a` (radians, 0 = right,
// negative = forwards/up), `length` long and `width` wide at its widest.
// Returns the wing's opacity (0..63) and colour at (x, y), if it covers it.
bool wing(double x, double y, double rx, double ry, double a, double length, double width,
          double side, double* opacity, Rgb* colour) {
    const double ux = dm::cos(a), uy = dm::sin(a);
    const double along = (x - rx) * ux + (y - ry) * uy;
    // Negative `across` is the leading (forward) edge on both sides.
    const double across = (-(x - rx) * uy + (y - ry) * ux) * side;
    if (along < 0 || along > length) return false;
    const double s = along / length;
    // Narrow at the root, widest at a third, rounded tip.
    const double profile =
        width * dm::sqrt(dm::clamp01(s * 6)) * dm::sqrt(dm::clamp01(1 - s * s * s));
    const double lead = profile * 0.35, trail = profile * 0.65;
    if (across < -lead - 0.5 || across > trail + 0.5) return false;
    const double edge = dm::clamp01(across < 0 ? across + lead + 0.5 : trail + 0.5 - across);
    // Veins: the leading edge, long veins, and a net of cross veins.
    const double leadVein = dm::clamp01(1.2 - (across + lead));
    const double longVein =
        dm::pow(0.5 + 0.5 * dm::cos((across + lead) / (profile + 0.01) * dm::PI * 5), 12);
    const double crossVein = dm::pow(0.5 + 0.5 * dm::cos(along * 0.9 + across * 0.35), 16);
    const bool stigma = s > 0.8 && s < 0.88 && across < -lead + 2.2;
    double vein = leadVein;
    if (longVein * 0.8 > vein) vein = longVein * 0.8;
    if (crossVein * 0.35 > vein) vein = crossVein * 0.35;
    if (stigma) vein = 1;
    // Membrane faintly tinted and darker towards the root.
    const double membrane = 13 + 8 * (1 - s);
    *opacity = (membrane + (52 - membrane) * vein) * edge;
    *colour = mix(mix(hex(0xB8D0D8), hex(0xD8C890), s), hex(0x201810), vein);
    return true;
}

} // namespace

bool writeDragonfly(const std::string& dir) {
    Canvas colour(32, 84, hex(0x204020));
    Plane opacity(32, 84);
    for (int y = 0; y < 84; y++)
        for (int x = 0; x < 32; x++) {
            Rgb c;
            double a;
            body(x + 0.5, y + 0.5, &c, &a);
            colour.at(x, y) = c;
            opacity.at(x, y) = a;
        }
    bool ok = saveCanvas(dir, "dragonfly.png", colour, false);
    ok = savePictureAs(dir, "dragonfly_opac.png", greenPicture(opacity, hex(0), hex(0xFFFFFF)), 32,
                       84) &&
         ok;

    // Wing frames, 192 wide with the body's axis at column 95 and 120 rows.
    // The show lifts the frames by 60, 40 and 10 rows, so the wing roots (at
    // the thorax, 22 rows above the body's centre) lie at rows 98, 78 and 48;
    // the three frames sweep the wings forward, level and back.
    const int height = 120;
    const double rootRow[3] = {98, 78, 48};
    const double sweep[3] = {-0.30, -0.05, 0.22};
    const double reach[3] = {0.86, 1.0, 0.9};
    for (int frame = 0; frame < 3; frame++) {
        Canvas c(192, height, hex(0xFFFFFF));
        for (int y = 0; y < height; y++)
            for (int x = 0; x < 192; x++) {
                const double px = x + 0.5, py = y + 0.5;
                double best = 0;
                Rgb bestColour = hex(0xFFFFFF);
                for (double side : {-1.0, 1.0})
                    for (int pair = 0; pair < 2; pair++) {
                        const double ry = rootRow[frame] - 3 + pair * 8;
                        const double rx = 95.5 + side * 5;
                        const double base = sweep[frame] + (pair ? 0.16 : 0);
                        const double a = side > 0 ? base : dm::PI - base;
                        double o;
                        Rgb col;
                        const double len = (pair ? 78 : 84) * reach[frame];
                        if (wing(px, py, rx, ry, a, len, pair ? 17 : 14, side, &o, &col) &&
                            o > best) {
                            best = o;
                            bestColour = col;
                        }
                    }
                // Opacity is 63 - green: the colour keeps its hue, its green
                // field is set from the opacity.
                // The drawn colour is the pixel itself, green included, so red
                // and blue follow the green level to keep the wing a neutral,
                // slightly tinted glass rather than green.
                const double green = (63 - best) / 63.0;
                const double tint = bestColour.r - bestColour.b; // warm near the tip
                c.at(x, y) = Rgb{dm::clamp01(green * 0.94 + tint * 0.3), green,
                                 dm::clamp01(green * 1.06 - tint * 0.3)};
                if (best < 0.5) c.at(x, y) = hex(0xFFFFFF);
            }
        ok = saveCanvas(dir, "df_wing" + std::to_string(frame + 1) + ".png", c, false) && ok;
    }
    return ok;
}

bool writeCredits(const std::string& dir) {
    struct Band {
        int top, bottom, width;
        const char* role;
        double roleHeight;
    };
    const Band bands[3] = {
        {0, 56, 180, "CODE", 22}, {66, 118, 130, "GRAPHICS", 14}, {126, 176, 110, "MUSIC", 18}};
    Canvas colour(256, 176, hex(0x102030));
    Plane opacity(256, 176);
    for (const Band& b : bands) {
        TextStyle role;
        role.height = b.roleHeight;
        role.stroke = b.roleHeight * 0.2;
        role.tracking = 1;
        TextStyle group;
        group.height = 8;
        group.stroke = 1.7;
        group.tracking = 1.5;
        const double cx = b.width / 2.0;
        const double roleTop = b.top + 7;
        const TextShape roleShape = layoutCentred(b.role, cx, roleTop, role);
        const TextShape groupShape = layoutCentred("BY QUORVANE", cx, b.bottom - 16, group);
        for (int y = b.top; y < b.bottom; y++)
            for (int x = 0; x < b.width; x++) {
                const double px = x + 0.5, py = y + 0.5;
                // A rounded translucent panel.
                const double hx = (px - cx < 0 ? cx - px : px - cx) - (cx - 8);
                const double hy =
                    (py - (b.top + b.bottom) / 2.0 < 0 ? (b.top + b.bottom) / 2.0 - py
                                                       : py - (b.top + b.bottom) / 2.0) -
                    ((b.bottom - b.top) / 2.0 - 8);
                const double corner = dm::length(hx > 0 ? hx : 0, hy > 0 ? hy : 0) +
                                      ((hx > hy ? hx : hy) < 0 ? (hx > hy ? hx : hy) : 0) - 7;
                const double panel = dm::clamp01(0.5 - corner);
                const double dr = roleShape.distance(px, py);
                const double dg = groupShape.distance(px, py);
                const double roleIn = dm::clamp01(0.5 - dr),
                             roleEdge = dm::clamp01(0.5 - (dr - 1.2));
                const double groupIn = dm::clamp01(0.5 - dg),
                             groupEdge = dm::clamp01(0.5 - (dg - 1.0));
                const double t = dm::clamp01((py - roleTop) / b.roleHeight);
                Rgb c = mix(hex(0x18324C), hex(0x0C1A2C), (py - b.top) / (b.bottom - b.top));
                c = mix(c, hex(0x06101C), roleEdge > groupEdge ? roleEdge : groupEdge);
                c = mix(c, mix(hex(0xFFFFFF), hex(0xFFD878), t), roleIn);
                c = mix(c, hex(0xB8E0FF), groupIn);
                double a = panel * 0.55;
                const double text = roleEdge > groupEdge ? roleEdge : groupEdge;
                if (text > a) a = text;
                colour.at(x, y) = c;
                opacity.at(x, y) = a;
            }
    }
    bool ok = saveCanvas(dir, "credits.png", colour);
    ok = savePictureAs(dir, "credits_opac.png", greenPicture(opacity, hex(0), hex(0xFFFFFF)), 256,
                       176) &&
         ok;
    return ok;
}
