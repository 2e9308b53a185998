// The generated ASE meshes, read back token by token as the show reads them:
// record counts, indices, winding and normals.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <vector>

#include "generated_assets.h"

namespace {

struct P {
    double x = 0, y = 0, z = 0;
};
P operator-(P a, P b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
P operator+(P a, P b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
P scaled(P a, double s) {
    return {a.x * s, a.y * s, a.z * s};
}
double dot(P a, P b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
P cross(P a, P b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

struct Ase {
    std::vector<P> vertices;
    std::vector<std::vector<int>> faces; // a, b, c, material
    std::vector<P> texVertices;
    std::vector<std::vector<int>> texFaces;
    std::vector<P> faceNormals;
    std::map<int, P> vertexNormals; // the last line per vertex wins, as in the show
    int badRecords = 0;
};

Ase readAse(const std::string& path) {
    Ase m;
    FILE* f = fopen(path.c_str(), "rt");
    EXPECT_NE(nullptr, f) << path;
    if (!f) return m;
    char token[80];
    while (fscanf(f, "%79s", token) == 1) {
        float x, y, z;
        int a, b, c, d;
        if (!strcmp(token, "*MESH_VERTEX")) {
            m.badRecords += fscanf(f, "%*s %f %f %f", &x, &y, &z) != 3;
            m.vertices.push_back({x / 40, y / 40, z / 40});
        } else if (!strcmp(token, "*MESH_FACE")) {
            m.badRecords += fscanf(f,
                                   "%*s %*s %d %*s %d %*s %d AB: %*d BC: %*d CA: %*d "
                                   "*MESH_SMOOTHING %*d *MESH_MTLID %d",
                                   &a, &b, &c, &d) != 4;
            m.faces.push_back({a, b, c, d});
        } else if (!strcmp(token, "*MESH_TVERT")) {
            m.badRecords += fscanf(f, "%*s %f %f", &x, &y) != 2;
            m.texVertices.push_back({x, y, 0});
        } else if (!strcmp(token, "*MESH_TFACE")) {
            m.badRecords += fscanf(f, "%*s %d %d %d", &a, &b, &c) != 3;
            m.texFaces.push_back({a, b, c});
        } else if (!strcmp(token, "*MESH_FACENORMAL")) {
            m.badRecords += fscanf(f, "%d %f %f %f", &a, &x, &y, &z) != 4;
            m.faceNormals.push_back({x, y, z});
        } else if (!strcmp(token, "*MESH_VERTEXNORMAL")) {
            m.badRecords += fscanf(f, "%d %f %f %f", &a, &x, &y, &z) != 4;
            m.vertexNormals[a] = {x, y, z};
        }
    }
    fclose(f);
    return m;
}

P corner(const Ase& m, int face, int k) {
    return m.vertices[m.faces[face][k]];
}
P faceCross(const Ase& m, int f) {
    return cross(corner(m, f, 1) - corner(m, f, 0), corner(m, f, 2) - corner(m, f, 0));
}
P centroid(const Ase& m, int f) {
    return scaled(corner(m, f, 0) + corner(m, f, 1) + corner(m, f, 2), 1.0 / 3);
}

// Does the ray from o along d cross triangle f (Moller-Trumbore)?
bool crosses(const Ase& m, int f, P o, P d) {
    const P a = corner(m, f, 0), e1 = corner(m, f, 1) - a, e2 = corner(m, f, 2) - a;
    const P p = cross(d, e2);
    const double det = dot(e1, p);
    if (std::fabs(det) < 1e-12) return false;
    const P s = o - a;
    const double u = dot(s, p) / det;
    if (u < 0 || u > 1) return false;
    const P q = cross(s, e1);
    const double v = dot(d, q) / det;
    if (v < 0 || u + v > 1) return false;
    return dot(e2, q) / det > 1e-9;
}

// Groups faces into parts that share vertices.
std::vector<int> parts(const Ase& m) {
    std::vector<int> parent(m.vertices.size());
    for (size_t i = 0; i < parent.size(); i++)
        parent[i] = static_cast<int>(i);
    std::function<int(int)> root = [&](int v) {
        return parent[v] == v ? v : parent[v] = root(parent[v]);
    };
    for (const auto& f : m.faces) {
        parent[root(f[1])] = root(f[0]);
        parent[root(f[2])] = root(f[0]);
    }
    std::vector<int> part;
    for (const auto& f : m.faces)
        part.push_back(root(f[0]));
    return part;
}

void checkMesh(const std::string& name, size_t faces, size_t maxVertices, size_t maxTexVertices,
               bool wantsChrome) {
    SCOPED_TRACE(name);
    const Ase m = readAse(generatedAssets() + "/" + name);
    EXPECT_EQ(0, m.badRecords);
    EXPECT_EQ(faces, m.faces.size());
    EXPECT_EQ(faces, m.texFaces.size());
    EXPECT_EQ(faces, m.faceNormals.size());
    EXPECT_LE(m.vertices.size(), maxVertices);
    EXPECT_LE(m.texVertices.size(), maxTexVertices);
    EXPECT_EQ(m.vertices.size(), m.vertexNormals.size()) << "every vertex needs a normal";
    int chrome = 0;
    for (size_t f = 0; f < m.faces.size(); f++) {
        for (int k = 0; k < 3; k++) {
            ASSERT_GE(m.faces[f][k], 0);
            ASSERT_LT(m.faces[f][k], static_cast<int>(m.vertices.size()));
            ASSERT_GE(m.texFaces[f][k], 0);
            ASSERT_LT(m.texFaces[f][k], static_cast<int>(m.texVertices.size()));
        }
        chrome += m.faces[f][3] == 1;
        // The right-hand normal of a, b, c is the written outward normal: the
        // corners run counter-clockwise seen from outside, which the show's
        // y-down projection draws as a front face.
        const P n = faceCross(m, f);
        EXPECT_GT(dot(n, m.faceNormals[f]), 0) << "face " << f;
        EXPECT_GT(std::sqrt(dot(n, n)), 1e-6) << "face " << f << " has no area";
    }
    EXPECT_EQ(wantsChrome, chrome > 0);
    for (const P& t : m.texVertices) {
        EXPECT_GE(t.x, 0);
        EXPECT_LE(t.x, 1);
        EXPECT_GE(t.y, 0);
        EXPECT_LE(t.y, 1);
    }
    for (const auto& vn : m.vertexNormals)
        EXPECT_NEAR(1.0, std::sqrt(dot(vn.second, vn.second)), 0.01);

    // Outward normals: a ray from just outside each face along its normal
    // leaves the face's own part, crossing it an even number of times. A
    // turned face would send its ray through the opposite wall. This holds
    // for the open parts too (struts and stem, whose ends are buried in other
    // parts), since their side faces look across, not along, their axis.
    const std::vector<int> part = parts(m);
    for (size_t f = 0; f < m.faces.size(); f++) {
        const P n = faceCross(m, f);
        const P unit = scaled(n, 1 / std::sqrt(dot(n, n)));
        const P start = centroid(m, f) + scaled(unit, 1e-4);
        int hits = 0;
        for (size_t g = 0; g < m.faces.size(); g++)
            if (part[g] == part[f] && g != f) hits += crosses(m, g, start, unit);
        EXPECT_EQ(0, hits % 2) << "face " << f << " points into its part";
    }
}

} // namespace

TEST(AssetMeshes, BiplaneHasTheRecordsAndWindingTheShowNeeds) {
    checkMesh("sopwith.ase", 136, 122, 286, true);
}

TEST(AssetMeshes, FlowerHasTheRecordsAndWindingTheShowNeeds) {
    checkMesh("kukka.ase", 121, 121, 224, false);
}

// The flower stands on z = 0 and faces -y; the biplane's nose points +y with
// its wings across x: the orientations the scenes' cameras expect.
TEST(AssetMeshes, ModelsAreOrientedForTheirScenes) {
    const Ase plane = readAse(generatedAssets() + "/sopwith.ase");
    P lo{1e9, 1e9, 1e9}, hi{-1e9, -1e9, -1e9};
    for (const P& v : plane.vertices) {
        lo = {std::min(lo.x, v.x), std::min(lo.y, v.y), std::min(lo.z, v.z)};
        hi = {std::max(hi.x, v.x), std::max(hi.y, v.y), std::max(hi.z, v.z)};
    }
    EXPECT_GT(hi.x - lo.x, hi.y - lo.y) << "wingspan across x";
    EXPECT_GT(hi.y - lo.y, hi.z - lo.z);
    EXPECT_NEAR(0, hi.x + lo.x, 0.01) << "symmetric about x = 0";
    const Ase flower = readAse(generatedAssets() + "/kukka.ase");
    double bottom = 1e9, top = -1e9;
    for (const P& v : flower.vertices) {
        bottom = std::min(bottom, v.z);
        top = std::max(top, v.z);
    }
    EXPECT_NEAR(0, bottom, 0.05);
    EXPECT_GT(top, 2.0);
    EXPECT_LT(top, 3.5);
}
