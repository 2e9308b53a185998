#include "mesh_parts.h"

#include "fmath.h"

void outwardFace(MeshBuilder& m, int a, int b, int c, Texel ta, Texel tb, Texel tc, int material,
                 Vec inside) {
    const Vec pa = m.position(a), pb = m.position(b), pc = m.position(c);
    const Vec n = cross(pb - pa, pc - pa);
    const Vec centre = (pa + pb + pc) * (1.0 / 3);
    if (dot(n, centre - inside) >= 0)
        m.face(a, b, c, ta, tb, tc, material);
    else
        m.face(a, c, b, ta, tc, tb, material);
}

namespace {

Vec average(const Vec* p, int n) {
    Vec s;
    for (int i = 0; i < n; i++)
        s = s + p[i];
    return s * (1.0 / n);
}

void outwardQuad(MeshBuilder& m, int a, int b, int c, int d, Texel ta, Texel tb, Texel tc, Texel td,
                 int material, Vec inside) {
    outwardFace(m, a, b, c, ta, tb, tc, material, inside);
    outwardFace(m, a, c, d, ta, tc, td, material, inside);
}

} // namespace

void box(MeshBuilder& m, const Vec corners[8], const TexelPatch& top, const TexelPatch& bottom,
         const TexelPatch& sides, int material) {
    int v[8];
    for (int i = 0; i < 8; i++)
        v[i] = m.vertex(corners[i]);
    const Vec inside = average(corners, 8);
    // Bottom and top faces map their four corners to the patch corners.
    outwardQuad(m, v[0], v[1], v[2], v[3], bottom.at(0, 0), bottom.at(1, 0), bottom.at(1, 1),
                bottom.at(0, 1), material, inside);
    outwardQuad(m, v[4], v[5], v[6], v[7], top.at(0, 0), top.at(1, 0), top.at(1, 1), top.at(0, 1),
                material, inside);
    for (int i = 0; i < 4; i++) {
        const int j = (i + 1) % 4;
        outwardQuad(m, v[i], v[j], v[4 + j], v[4 + i], sides.at(0, 1), sides.at(1, 1),
                    sides.at(1, 0), sides.at(0, 0), material, inside);
    }
}

void strut(MeshBuilder& m, Vec from, Vec to, double radius, Vec across, const TexelPatch& patch,
           int material) {
    const Vec axis = normalised(to - from);
    const Vec u = normalised(cross(axis, across));
    const Vec w = normalised(cross(u, axis));
    int bottom[3], top[3];
    // Corners at 90, 210 and 330 degrees around the axis.
    const double cs[3] = {0, -0.8660254, 0.8660254}, sn[3] = {1, -0.5, -0.5};
    for (int k = 0; k < 3; k++) {
        const Vec off = (u * cs[k] + w * sn[k]) * radius;
        bottom[k] = m.vertex(from + off);
        top[k] = m.vertex(to + off);
    }
    const Vec mid = (from + to) * 0.5;
    for (int k = 0; k < 3; k++) {
        const int j = (k + 1) % 3;
        // Each side's inside point is the axis at that height: the side faces
        // of a thin prism all see the axis behind them.
        outwardQuad(m, bottom[k], bottom[j], top[j], top[k], patch.at(k / 3.0, 1),
                    patch.at((k + 1) / 3.0, 1), patch.at((k + 1) / 3.0, 0), patch.at(k / 3.0, 0),
                    material, mid);
    }
}

void tube(MeshBuilder& m, const std::vector<Ring>& rings, const std::vector<int>& materials,
          const std::vector<TexelPatch>& patches, Vec frontTip, Vec backTip, int frontMaterial,
          int backMaterial, const TexelPatch& capPatch) {
    const int n = static_cast<int>(rings[0].points.size());
    std::vector<std::vector<int>> ids(rings.size());
    for (size_t r = 0; r < rings.size(); r++)
        for (const Vec& p : rings[r].points)
            ids[r].push_back(m.vertex(p));
    for (size_t r = 0; r + 1 < rings.size(); r++) {
        const Vec inside = (rings[r].centre + rings[r + 1].centre) * 0.5;
        const TexelPatch& patch = patches[r];
        for (int k = 0; k < n; k++) {
            const int j = (k + 1) % n;
            outwardQuad(m, ids[r][k], ids[r][j], ids[r + 1][j], ids[r + 1][k],
                        patch.at(double(k) / n, 0), patch.at(double(k + 1) / n, 0),
                        patch.at(double(k + 1) / n, 1), patch.at(double(k) / n, 1), materials[r],
                        inside);
        }
    }
    // Cones to the two tips.
    const int front = m.vertex(frontTip), back = m.vertex(backTip);
    const size_t last = rings.size() - 1;
    for (int k = 0; k < n; k++) {
        const int j = (k + 1) % n;
        const double s0 = 0.5 + 0.5 * dm::cos(dm::TAU * k / n);
        const double t0 = 0.5 + 0.5 * dm::sin(dm::TAU * k / n);
        const double s1 = 0.5 + 0.5 * dm::cos(dm::TAU * j / n);
        const double t1 = 0.5 + 0.5 * dm::sin(dm::TAU * j / n);
        outwardFace(m, ids[0][k], ids[0][j], front, capPatch.at(s0, t0), capPatch.at(s1, t1),
                    capPatch.at(0.5, 0.5), frontMaterial, rings[0].centre);
        outwardFace(m, ids[last][k], ids[last][j], back, capPatch.at(s0, t0), capPatch.at(s1, t1),
                    capPatch.at(0.5, 0.5), backMaterial, rings[last].centre);
    }
}
