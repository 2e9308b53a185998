// Closed and open solids for the mesh builder. Every face is turned so that
// its normal points away from a point inside the part, which makes the winding
// right for any convex piece.
#pragma once

#include <vector>

#include "mesh_builder.h"

// A rectangle of texels that a part's faces are mapped into.
struct TexelPatch {
    double left, top, right, bottom;
    Texel at(double s, double t) const {
        return Texel{left + (right - left) * s, top + (bottom - top) * t};
    }
};

// Adds a triangle turned to face away from `inside`.
void outwardFace(MeshBuilder& m, int a, int b, int c, Texel ta, Texel tb, Texel tc, int material,
                 Vec inside);

// A six-sided box given by its eight corners: 0-3 the bottom (z low) ring and
// 4-7 the top ring, both in the same order around. Each side maps to `patch`.
void box(MeshBuilder& m, const Vec corners[8], const TexelPatch& top, const TexelPatch& bottom,
         const TexelPatch& sides, int material);

// A prism along `from`..`to` with a triangular cross-section of `radius`,
// sides only (its ends are buried in other parts) or closed.
void strut(MeshBuilder& m, Vec from, Vec to, double radius, Vec across, const TexelPatch& patch,
           int material);

// A tube through rings of the same number of points; `caps` closes the ends
// with a cone to a point (given) each.
struct Ring {
    std::vector<Vec> points;
    Vec centre;
};
void tube(MeshBuilder& m, const std::vector<Ring>& rings, const std::vector<int>& materials,
          const std::vector<TexelPatch>& patches, Vec frontTip, Vec backTip, int frontMaterial,
          int backMaterial, const TexelPatch& capPatch);
