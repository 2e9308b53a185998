// The show's logo over the lighthouse: the lettering and its opacity, the
// twirl that orders its reveal, and the spark thrown off the growing edge.
#include "generators.h"
#include "lettering.h"

namespace {

const double LOGO_CX = 138, LOGO_TOP = 78, LOGO_HEIGHT = 40;

// Bold, slightly slanted capitals, condensed to fit 230 pixels so the name
// stays left of the lighthouse.
TextStyle logoStyle() {
    TextStyle style;
    style.height = LOGO_HEIGHT;
    style.stroke = 7.5;
    style.tracking = 0;
    style.slant = 0.12;
    double lo = 0.2, hi = 2;
    for (int i = 0; i < 30; i++) {
        style.widthScale = (lo + hi) / 2;
        (textWidth("QUORVANE", style) > 230 ? hi : lo) = style.widthScale;
    }
    return style;
}

} // namespace

bool writeLogo(const std::string& dir) {
    const TextShape text = layoutCentred("QUORVANE", LOGO_CX, LOGO_TOP, logoStyle());
    // A swash under the name: a long flat arc.
    TextShape swash;
    swash.stroke = 3.2;
    const double swashY = LOGO_TOP + LOGO_HEIGHT + 16;
    for (int i = 0; i < 24; i++) {
        auto point = [&](int k, double* x, double* y) {
            const double t = k / 24.0;
            *x = 32 + t * 214;
            *y = swashY - 7 * dm::sin(t * dm::PI) + 3 * t;
        };
        Segment s;
        point(i, &s.x0, &s.y0);
        point(i + 1, &s.x1, &s.y1);
        swash.segments.push_back(s);
    }
    Canvas colour(320, 240, hex(0x0A1020));
    Plane alpha(320, 240);
    const Rgb glow = hex(0x08101E), edge = hex(0x0C1426);
    for (int y = 60; y < 240; y++)
        for (int x = 0; x < 320; x++) {
            const double px = x + 0.5, py = y + 0.5;
            const double d = text.distance(px, py);
            const double ds = swash.distance(px, py) + 0.4;
            // Swash thins towards both ends.
            const double taper = dm::clamp01(1 - dm::length((px - 139) / 107.0, 0) * 1.0);
            const double dsw = ds + (1 - taper) * 1.8;
            const double inner = dm::clamp01(0.5 - d);
            const double outline = dm::clamp01(0.5 - (d - 1.6));
            const double shadow = dm::clamp01(1 - (d - 1.6) / 5.0) * 0.55;
            const double swashIn = dm::clamp01(0.5 - dsw);
            const double swashEdge = dm::clamp01(0.5 - (dsw - 1.2));
            // Chrome: cool sky in the upper half of the letters, warm metal in
            // the lower half, with a bright line at the horizon between.
            const double t = dm::clamp01((py - LOGO_TOP) / LOGO_HEIGHT);
            Rgb metal = t < 0.52 ? mix(hex(0xFFFFFF), hex(0x8CB8F0), t / 0.52)
                                 : mix(hex(0xFFE4A0), hex(0xC04A10), (t - 0.52) / 0.48);
            // A lighter rim just inside the outline gives the strokes relief.
            const double rim = dm::clamp01(1 - (-d) / 2.2);
            metal = mix(metal, hex(0xFFFFFF), 0.35 * rim * (t < 0.52 ? 0.4 : 1));
            const Rgb swashColour = mix(hex(0xFFE9B0), hex(0xFF9A3C), dm::clamp01((px - 32) / 214));
            Rgb c = glow;
            c = mix(c, edge, outline);
            c = mix(c, metal, inner);
            c = mix(c, edge, swashEdge * (1 - inner));
            c = mix(c, swashColour, swashIn * (1 - outline));
            colour.at(x, y) = c;
            double a = shadow;
            if (outline > a) a = outline;
            if (swashEdge > a) a = swashEdge;
            alpha.at(x, y) = a;
        }
    bool ok = saveCanvas(dir, "quorvane_logo.png", colour);
    ok = savePictureAs(dir, "quorvane_alpha.png", greenPicture(alpha, hex(0x000000), hex(0xFFFFFF)),
                       320, 240) &&
         ok;

    // Reveal order: a twirl about the middle of the name, the inside first,
    // sweeping out along three curved arms.
    Plane twirl(320, 240);
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++) {
            const double dx = x + 0.5 - LOGO_CX, dy = (y + 0.5 - 104) * 1.6;
            const double r = dm::length(dx, dy);
            const double a = dm::atan2(dy, dx);
            const double arms = 0.5 + 0.5 * dm::sin(3 * a + r / 18.0);
            twirl.at(x, y) = 0.8 * dm::clamp01(r / 260.0) + 0.2 * arms * dm::clamp01(r / 40.0);
        }
    {
        double hi = 0;
        for (double v : twirl.v)
            hi = v > hi ? v : hi;
        for (double& v : twirl.v)
            v /= hi;
    }
    ok = savePictureAs(dir, "map_twirl.png", greenPicture(twirl, hex(0x301060), hex(0xFFC080)), 320,
                       240) &&
         ok;

    // The spark: a soft round glow with a faint four-pointed glint.
    Plane spark(32, 32);
    for (int y = 0; y < 32; y++)
        for (int x = 0; x < 32; x++) {
            const double dx = x + 0.5 - 16, dy = y + 0.5 - 16;
            const double r = dm::length(dx, dy) / 15.0;
            const double body = r < 1 ? (1 - r) * (1 - r) : 0;
            const double ax = dx < 0 ? -dx : dx, ay = dy < 0 ? -dy : dy;
            const double glint =
                (dm::clamp01(1 - ax / 1.4) + dm::clamp01(1 - ay / 1.4)) * dm::clamp01(1 - r) * 0.35;
            spark.at(x, y) = dm::clamp01(body + glint);
        }
    ok = savePictureAs(dir, "spark.png", greenPicture(spark, hex(0x200800), hex(0xFFF0D0)), 32,
                       32) &&
         ok;
    return ok;
}
