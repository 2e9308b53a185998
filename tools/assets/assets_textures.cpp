// Textures of the two meshes: the biplane's red lacquer sphere map with its
// corner patches, and the flower's atlas.
#include "generators.h"

namespace {

struct Dir {
    double x, y, z;
};
Dir unit(double x, double y, double z) {
    const double l = dm::sqrt(x * x + y * y + z * z);
    return Dir{x / l, y / l, z / l};
}
double dotd(Dir a, Dir b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// The lacquered sphere as seen from the front: x right, y down, z towards the
// viewer. Lit from the upper left, with a sky reflected in the upper half and
// warm ground in the lower half.
Rgb lacquer(double nx, double ny) {
    const double nz = dm::sqrt(1 - nx * nx - ny * ny);
    const Dir n{nx, ny, nz};
    const Dir light = unit(-0.55, -0.65, 0.55);
    const Dir half = unit(light.x, light.y, light.z + 1);
    const double diffuse = dm::clamp01(dotd(n, light));
    const double specular = dm::pow(dm::clamp01(dotd(n, half)), 70);
    const double broad = dm::pow(dm::clamp01(dotd(n, half)), 9);
    // Reflection direction of the view ray (0, 0, -1) about n.
    const double ry = 2 * nz * ny;
    const double fresnel = 0.08 + 0.92 * dm::pow(1 - nz, 4);
    const Rgb sky = mix(hex(0xF4E8E0), hex(0x5C88D0), dm::clamp01(-ry));
    const Rgb ground = mix(hex(0x402418), hex(0x140804), dm::clamp01(ry));
    const Rgb reflected = ry < 0 ? sky : ground;
    const Rgb base = hex(0xC8140E);
    Rgb c = base * (0.18 + 0.82 * diffuse);
    c = mix(c, reflected, fresnel * 0.65);
    c = screenAdd(c, hex(0xFF7050) * (broad * 0.35));
    c = screenAdd(c, Rgb{1, 1, 1} * specular);
    return c;
}

// A racing chequer of cream and red for the fin.
Rgb rudder(double s, double t) {
    const int cell = (static_cast<int>(s * 3.99) + static_cast<int>(t * 3.99)) & 1;
    return cell ? hex(0xF4ECD8) : hex(0xC8180F);
}

Rgb wood(double s, double t) {
    const double grain = 0.5 + 0.5 * dm::sin(s * 40 + 3 * gradientNoise(s * 3, t * 9, 64, 7));
    return mix(hex(0x6A3A18), hex(0xB07838), 0.35 + 0.5 * grain);
}

Rgb metal(double s, double t) {
    const double band = 0.5 + 0.5 * dm::cos((t - 0.3) * 5);
    Rgb c = mix(hex(0x202428), hex(0x8C949C), band * 0.8);
    const double rivet = dm::length(dm::fract(s * 4) - 0.5, dm::fract(t * 4) - 0.5);
    if (rivet < 0.14) c = screenAdd(c, hex(0x505860));
    return c;
}

Rgb canvas(double s, double t) {
    Rgb c = mix(hex(0xF0E6CC), hex(0xD8C8A4), t);
    if (s > 0.38 && s < 0.62) c = hex(0xC81C16);
    return c;
}

} // namespace

bool writeLacquer(const std::string& dir) {
    Canvas c(256, 256);
    for (int y = 0; y < 256; y++)
        for (int x = 0; x < 256; x++) {
            const double nx = (x + 0.5 - 128) / 128, ny = (y + 0.5 - 128) / 128;
            const double r = dm::length(nx, ny);
            Rgb colour;
            if (r < 1)
                colour = lacquer(nx, ny);
            else
                colour = mix(hex(0x3A0806), hex(0x120202), dm::clamp01((r - 1) * 3));
            // Corner patches (outside the sphere) for the textured faces.
            const bool left = x < 32, right = x >= 224, top = y < 32, bottom = y >= 224;
            const double s = (x & 31) / 31.0, t = (y & 31) / 31.0;
            if (left && top) colour = rudder(s, t);
            if (right && top) colour = wood(s, t);
            if (left && bottom) colour = metal(s, t);
            if (right && bottom) colour = canvas(s, t);
            c.at(x, y) = colour;
        }
    return saveCanvas(dir, "env_red.png", c);
}

namespace {

// Position inside a diamond-outlined lens patch: s across (0..1), t from the
// tip (0) to the base (1).
Rgb petalFront(double s, double t) {
    const double across = (s - 0.5) * 2;
    const Rgb deep = hex(0xB0145C), mid = hex(0xF0508C), light = hex(0xFFC8DC);
    Rgb c = t > 0.75 ? mix(mid, deep, (t - 0.75) / 0.25) : mix(light, mid, t / 0.75);
    // Fine veins fanning out from the base.
    const double fan = across / (1.05 - t * 0.9);
    const double vein = dm::pow(0.5 + 0.5 * dm::cos(fan * 22), 6);
    c = mix(c, deep, vein * 0.22 * (0.3 + t));
    // Lighter rim towards the edge, a soft shadow along the middle.
    c = mix(c, hex(0xFFE8F0), dm::smoothstep(0.55, 1.0, across * across) * 0.35 * (1 - t));
    c = c * (0.9 + 0.1 * dm::smoothstep(0.0, 0.3, across * across));
    return c;
}

Rgb petalBack(double s, double t) {
    return mix(petalFront(s, t), hex(0x9A3A78), 0.35);
}

Rgb bloomCentre(double x, double y) {
    const double dx = x - 64, dy = y - 64, r = dm::length(dx, dy) / 62;
    Rgb c = mix(hex(0xFFD83A), hex(0xE07A10), dm::clamp01(r * 1.2));
    // Seeds on a golden-angle spiral.
    double best = 99;
    for (int k = 0; k < 90; k++) {
        const double a = k * 2.39996323, rr = 5.6 * dm::sqrt(k + 0.5);
        const double d = dm::length(dx - rr * dm::cos(a), dy - rr * dm::sin(a));
        if (d < best) best = d;
    }
    const double seed = dm::clamp01(1 - best / 3.2);
    c = mix(c, hex(0x6A3008), seed * 0.65 * dm::clamp01(1.2 - r));
    c = screenAdd(c, hex(0xFFF4C0) * (0.4 * dm::clamp01(1 - dm::length(dx + 14, dy + 14) / 30)));
    return c;
}

Rgb stem(double s, double) {
    return mix(hex(0x2E7A24), hex(0x78B848), 0.5 + 0.5 * dm::cos((s - 0.35) * 6));
}

Rgb leaf(double s, double t) {
    const double across = (s - 0.5) * 2;
    Rgb c = mix(hex(0x6CB84C), hex(0x2A6A22), dm::clamp01(t * 0.8 + 0.2 * across * across));
    const double rib = dm::clamp01(1 - (across < 0 ? -across : across) / 0.05);
    const double side =
        dm::pow(0.5 + 0.5 * dm::cos((t * 9 + (across < 0 ? -across : across) * 4) * dm::PI), 8);
    c = mix(c, hex(0xB8E890), rib * 0.7 + side * 0.18);
    return c;
}

} // namespace

bool writeFlowerTexture(const std::string& dir) {
    Canvas c(256, 256);
    for (int y = 0; y < 256; y++)
        for (int x = 0; x < 256; x++) {
            Rgb colour;
            if (y < 128 && x < 128)
                colour = petalFront((x + 0.5) / 128, (y + 0.5) / 128);
            else if (y < 128)
                colour = petalBack((x - 127.5) / 128, (y + 0.5) / 128);
            else if (x < 128)
                colour = bloomCentre(x + 0.5, y - 127.5);
            else if (x < 160)
                colour = stem((x - 127.5) / 32, (y - 127.5) / 128);
            else
                colour = leaf((x - 159.5) / 96, (y - 127.5) / 128);
            c.at(x, y) = colour;
        }
    return saveCanvas(dir, "kukka.png", c);
}
