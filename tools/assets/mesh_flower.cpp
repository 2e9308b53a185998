// The flower: a curved stem, two leaves, eight petals round a domed centre.
// It stands on z = 0 with its bloom facing -y (towards the viewer of the
// flower field) and tilted a little upwards. 121 faces, 85 vertices, all
// textured from the atlas kukka.png.
#include "fmath.h"
#include "generators.h"
#include "mesh_parts.h"

namespace {

const int TEXTURED = 0;

// Atlas regions of kukka.png (see writeFlowerTexture).
const TexelPatch PETAL_FRONT{0, 0, 127, 127};
const TexelPatch PETAL_BACK{128, 0, 255, 127};
const TexelPatch CENTRE{0, 128, 127, 255};
const TexelPatch STEM{132, 132, 156, 252};
const TexelPatch LEAF{160, 128, 255, 255};

// Bloom frame: centre, facing direction, and the two in-plane axes.
const Vec BLOOM = {0, -0.10, 2.30};
Vec facing() {
    return normalised(vec(0, -1, 0.35));
}
Vec bloomRight() {
    return vec(1, 0, 0);
}
Vec bloomUp() {
    return normalised(cross(facing(), bloomRight()) * -1);
}

// A thin closed lens: outline base, left, tip, right, and a bulge on each
// face; `front` is the side the lens faces. Texture: the outline maps to the
// patch's bottom, left, top and right middles.
void lens(MeshBuilder& m, Vec base, Vec left, Vec tip, Vec right, Vec front, double bulge,
          double cup, const TexelPatch& frontPatch, const TexelPatch& backPatch) {
    const Vec centre = (base + left + tip + right) * 0.25;
    const int b = m.vertex(base), l = m.vertex(left), t = m.vertex(tip), r = m.vertex(right);
    const int cf = m.vertex(centre + front * (bulge - cup));
    const int cb = m.vertex(centre - front * (bulge + cup));
    const int outline[4] = {b, l, t, r};
    const double s[4] = {0.5, 0.04, 0.5, 0.96}, tt[4] = {0.98, 0.5, 0.02, 0.5};
    for (int side = 0; side < 2; side++) {
        const TexelPatch& patch = side == 0 ? frontPatch : backPatch;
        const int c = side == 0 ? cf : cb;
        const Vec inside = centre - front * (side == 0 ? cup + bulge * 0.5 : cup - bulge * 0.5);
        for (int k = 0; k < 4; k++) {
            const int j = (k + 1) % 4;
            outwardFace(m, outline[k], outline[j], c, patch.at(s[k], tt[k]), patch.at(s[j], tt[j]),
                        patch.at(0.5, 0.5), TEXTURED, inside);
        }
    }
}

} // namespace

bool writeFlower(const std::string& dir) {
    MeshBuilder m;
    const Vec f = facing(), right = bloomRight(), up = bloomUp();

    // Stem: a triangular tube from the ground, bending slightly, ending
    // inside the centre; a cap closes its foot.
    {
        const int rings = 5;
        int ids[rings][3];
        Vec axis[rings];
        for (int r = 0; r < rings; r++) {
            const double t = r / double(rings - 1);
            axis[r] = vec(0.10 * dm::sin(t * 2.6), 0.18 * t * t - 0.02, t * 2.22);
            const double radius = 0.055 - 0.012 * t;
            const double cs[3] = {0, -0.8660254, 0.8660254}, sn[3] = {1, -0.5, -0.5};
            for (int k = 0; k < 3; k++)
                ids[r][k] = m.vertex(axis[r] + vec(cs[k] * radius, sn[k] * radius, 0));
        }
        for (int r = 0; r + 1 < rings; r++)
            for (int k = 0; k < 3; k++) {
                const int j = (k + 1) % 3;
                const Vec inside = (axis[r] + axis[r + 1]) * 0.5;
                const double v0 = STEM.top + (STEM.bottom - STEM.top) * (1 - r / 4.0);
                const double v1 = STEM.top + (STEM.bottom - STEM.top) * (1 - (r + 1) / 4.0);
                const double u0 = STEM.left + (STEM.right - STEM.left) * k / 3.0;
                const double u1 = STEM.left + (STEM.right - STEM.left) * (k + 1) / 3.0;
                outwardFace(m, ids[r][k], ids[r][j], ids[r + 1][j], Texel{u0, v0}, Texel{u1, v0},
                            Texel{u1, v1}, TEXTURED, inside);
                outwardFace(m, ids[r][k], ids[r + 1][j], ids[r + 1][k], Texel{u0, v0},
                            Texel{u1, v1}, Texel{u0, v1}, TEXTURED, inside);
            }
        outwardFace(m, ids[0][0], ids[0][1], ids[0][2], STEM.at(0, 1), STEM.at(0.5, 1),
                    STEM.at(1, 1), TEXTURED, axis[0] + vec(0, 0, 0.05));
    }

    // Two leaves from the lower stem, one to each side, arching outwards.
    for (double side : {-1.0, 1.0}) {
        const Vec base = vec(0.02 * side, 0.0, 0.55 + (side > 0 ? 0.25 : 0));
        const Vec dir = normalised(vec(side, -0.35, 0.75));
        const Vec across = normalised(cross(dir, vec(0, 1, 0)));
        const Vec normal = normalised(cross(across, dir) * side);
        const Vec tip = base + dir * 1.05 + vec(0, 0, -0.08);
        const Vec mid = base + dir * 0.45;
        lens(m, base, mid + across * 0.16, tip, mid - across * 0.16, normal, 0.03, 0.05, LEAF,
             LEAF);
    }

    // Eight petals round the bloom, cupped slightly forward.
    for (int k = 0; k < 8; k++) {
        const double a = dm::TAU * (k + 0.5) / 8;
        const Vec radial = right * dm::cos(a) + up * dm::sin(a);
        const Vec side = right * -dm::sin(a) + up * dm::cos(a);
        const Vec base = BLOOM + radial * 0.10 + f * 0.02;
        const Vec tip = BLOOM + radial * 0.78 + f * 0.16;
        const Vec mid = BLOOM + radial * 0.48 + f * 0.06;
        lens(m, base, mid + side * 0.19, tip, mid - side * 0.19, f, 0.035, 0.0, PETAL_FRONT,
             PETAL_BACK);
    }

    // The centre: a cushion of eight points with a dome in front and behind.
    {
        int ring[8];
        for (int k = 0; k < 8; k++) {
            const double a = dm::TAU * k / 8;
            ring[k] = m.vertex(BLOOM + (right * dm::cos(a) + up * dm::sin(a)) * 0.19 + f * 0.06);
        }
        const int front = m.vertex(BLOOM + f * 0.17);
        const int back = m.vertex(BLOOM - f * 0.06);
        const Vec inside = BLOOM + f * 0.05;
        for (int k = 0; k < 8; k++) {
            const int j = (k + 1) % 8;
            const double a0 = dm::TAU * k / 8, a1 = dm::TAU * j / 8;
            const Texel t0 = CENTRE.at(0.5 + 0.48 * dm::cos(a0), 0.5 - 0.48 * dm::sin(a0));
            const Texel t1 = CENTRE.at(0.5 + 0.48 * dm::cos(a1), 0.5 - 0.48 * dm::sin(a1));
            outwardFace(m, ring[k], ring[j], front, t0, t1, CENTRE.at(0.5, 0.5), TEXTURED, inside);
            outwardFace(m, ring[k], ring[j], back, t0, t1, CENTRE.at(0.5, 0.5), TEXTURED, inside);
        }
    }
    return m.write(dir + "/kukka.ase", "kukka", "kukka.png");
}
