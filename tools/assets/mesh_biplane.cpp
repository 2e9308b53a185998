// The biplane: a pentagonal fuselage with cowling and spinner, two wings with
// interplane struts, tailplane and fin, landing gear with two wheels, and a
// two-bladed propeller. The nose points along +y, up is +z, the wings span x.
// 136 faces, 96 vertices. The lacquered body is environment mapped
// (material 1); the rest is textured from the patches of env_red.png.
#include "generators.h"
#include "mesh_parts.h"

namespace {

const int TEXTURED = 0, CHROME = 1;

// Patches of env_red.png (see writeLacquer): the corners outside the sphere
// hold rudder stripes, wood, dark metal and canvas; the wing strips lie
// inside the sphere's lit upper and dark lower parts.
const TexelPatch RUDDER{2, 2, 29, 29};
const TexelPatch WOOD{226, 2, 253, 29};
const TexelPatch METAL{2, 226, 29, 253};
const TexelPatch CANVAS{226, 226, 253, 253};
const TexelPatch WING_TOP{56, 58, 200, 84};
const TexelPatch WING_UNDER{64, 196, 192, 212};
const TexelPatch WING_EDGE{80, 226, 176, 232};
const TexelPatch BODY{60, 100, 196, 156};

Ring pentagon(double y, double halfWidth, double bottom, double shoulder, double ridge) {
    Ring r;
    r.points = {vec(-halfWidth, y, bottom), vec(halfWidth, y, bottom), vec(halfWidth, y, shoulder),
                vec(0, y, ridge), vec(-halfWidth, y, shoulder)};
    r.centre = vec(0, y, (bottom + ridge) / 2);
    return r;
}

// A wing (or tailplane) as a box: span from -span to +span, chord from
// `lead` back to `trail`, tips slightly narrower, thickness upwards from z.
void wing(MeshBuilder& m, double span, double lead, double trail, double z, double thickness,
          double tipInset, const TexelPatch& top, const TexelPatch& under, const TexelPatch& edge) {
    const Vec c[8] = {
        vec(-span, lead - tipInset, z),
        vec(span, lead - tipInset, z),
        vec(span, trail + tipInset, z),
        vec(-span, trail + tipInset, z),
        vec(-span, lead - tipInset, z + thickness),
        vec(span, lead - tipInset, z + thickness),
        vec(span, trail + tipInset, z + thickness),
        vec(-span, trail + tipInset, z + thickness),
    };
    box(m, c, top, under, edge, TEXTURED);
}

// A wheel: a flat diamond (octahedron) standing in the y-z plane.
void wheel(MeshBuilder& m, Vec centre, double radius, double halfThickness) {
    const int top = m.vertex(centre + vec(0, 0, radius));
    const int bottom = m.vertex(centre + vec(0, 0, -radius));
    const int front = m.vertex(centre + vec(0, radius, 0));
    const int back = m.vertex(centre + vec(0, -radius, 0));
    const int left = m.vertex(centre + vec(-halfThickness, 0, 0));
    const int right = m.vertex(centre + vec(halfThickness, 0, 0));
    const int rim[4] = {top, front, bottom, back};
    for (int k = 0; k < 4; k++) {
        const int a = rim[k], b = rim[(k + 1) % 4];
        for (int side : {left, right})
            outwardFace(m, a, b, side, METAL.at(k / 4.0, 0), METAL.at((k + 1) / 4.0, 0),
                        METAL.at(0.5, 1), TEXTURED, centre);
    }
}

} // namespace

bool writeBiplane(const std::string& dir) {
    MeshBuilder m;
    // Fuselage: cowling ring, the cockpit's widest point, the rear, a tail
    // point and a spinner point; the cowling is dark metal, the rest lacquer.
    const std::vector<Ring> rings = {
        pentagon(2.45, 0.42, -0.40, 0.20, 0.42),
        pentagon(1.85, 0.47, -0.46, 0.24, 0.50),
        pentagon(0.10, 0.45, -0.46, 0.27, 0.60),
        pentagon(-1.60, 0.25, -0.25, 0.18, 0.34),
    };
    tube(m, rings, {TEXTURED, CHROME, CHROME}, {METAL, BODY, BODY}, vec(0, 2.95, 0.0),
         vec(0, -3.05, 0.10), TEXTURED, CHROME, METAL);

    // Wings: the upper one staggered forward above the fuselage, the lower one
    // through the fuselage's floor.
    wing(m, 3.5, 1.15, -0.10, 0.98, 0.10, 0.10, WING_TOP, WING_UNDER, WING_EDGE);
    wing(m, 3.15, 0.95, -0.20, -0.44, 0.09, 0.10, WING_TOP, WING_UNDER, WING_EDGE);
    // Tailplane and fin.
    wing(m, 1.15, -2.30, -3.00, 0.10, 0.06, 0.12, CANVAS, WING_UNDER, WING_EDGE);
    {
        const Vec profile[3] = {vec(0, -2.25, 0.30), vec(0, -3.08, 0.16), vec(0, -2.98, 1.02)};
        int left[3], right[3];
        for (int k = 0; k < 3; k++) {
            left[k] = m.vertex(profile[k] + vec(-0.05, 0, 0));
            right[k] = m.vertex(profile[k] + vec(0.05, 0, 0));
        }
        const Vec inside = vec(0, -2.77, 0.49);
        const Texel tex[3] = {RUDDER.at(0, 1), RUDDER.at(1, 1), RUDDER.at(1, 0)};
        outwardFace(m, left[0], left[1], left[2], tex[0], tex[1], tex[2], TEXTURED, inside);
        outwardFace(m, right[0], right[1], right[2], tex[0], tex[1], tex[2], TEXTURED, inside);
        for (int k = 0; k < 3; k++) {
            const int j = (k + 1) % 3;
            outwardFace(m, left[k], left[j], right[j], WING_EDGE.at(0, 0), WING_EDGE.at(1, 0),
                        WING_EDGE.at(1, 1), CHROME, inside);
            outwardFace(m, left[k], right[j], right[k], WING_EDGE.at(0, 0), WING_EDGE.at(1, 1),
                        WING_EDGE.at(0, 1), CHROME, inside);
        }
    }
    // Interplane struts, leaning with the stagger.
    for (double side : {-1.0, 1.0}) {
        strut(m, vec(side * 2.45, 0.35, -0.38), vec(side * 2.55, 0.55, 1.00), 0.07, vec(1, 0, 0),
              WOOD, TEXTURED);
    }
    // Landing gear: a leg from the fuselage floor to each wheel.
    for (double side : {-1.0, 1.0}) {
        strut(m, vec(side * 0.28, 1.35, -0.42), vec(side * 0.62, 1.25, -1.12), 0.06, vec(0, 1, 0),
              METAL, TEXTURED);
        wheel(m, vec(side * 0.66, 1.25, -1.20), 0.32, 0.09);
    }
    // Propeller: a thin upright blade pair just behind the spinner's point.
    {
        const Vec c[8] = {
            vec(-0.09, 2.66, -0.92), vec(0.09, 2.66, -0.92), vec(0.09, 2.60, -0.92),
            vec(-0.09, 2.60, -0.92), vec(-0.09, 2.66, 0.92), vec(0.09, 2.66, 0.92),
            vec(0.09, 2.60, 0.92),   vec(-0.09, 2.60, 0.92),
        };
        box(m, c, WOOD, WOOD, WOOD, TEXTURED);
    }
    // A wingspan of about 6.3 units: some 190 pixels across in the clouds.
    m.setScale(0.9);
    return m.write(dir + "/sopwith.ase", "sopwith", "env_red.png");
}
