// Builds a triangle mesh from parts and writes it as an ASE file (the text
// format 3D tools export: scene, material list, one geometry object with its
// vertex, face, texture and normal lists).
//
// Faces are given counter-clockwise as seen from outside, so that their
// right-hand normal points outwards: that is the order the show's rasterizer
// draws as front faces (counter-clockwise on its y-down screen).
#pragma once

#include <string>
#include <vector>

struct Vec {
    double x = 0, y = 0, z = 0;
};
inline Vec vec(double x, double y, double z) {
    return Vec{x, y, z};
}
inline Vec operator+(Vec a, Vec b) {
    return Vec{a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec operator-(Vec a, Vec b) {
    return Vec{a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec operator*(Vec a, double s) {
    return Vec{a.x * s, a.y * s, a.z * s};
}
inline double dot(Vec a, Vec b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vec cross(Vec a, Vec b) {
    return Vec{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Vec normalised(Vec v);

// Texture coordinates in texels of the 256x256 picture (column, row).
struct Texel {
    double u = 0, v = 0;
};

class MeshBuilder {
  public:
    // Positions are in the show's units; the file holds them times 40.
    int vertex(Vec p);
    // Texture vertices are shared when they coincide.
    int texel(double column, double row);
    // A triangle, counter-clockwise seen from outside, with its texels.
    void face(int a, int b, int c, int ta, int tb, int tc, int material);
    void face(int a, int b, int c, Texel ta, Texel tb, Texel tc, int material);
    // Two triangles a-b-c and a-c-d.
    void quad(int a, int b, int c, int d, Texel ta, Texel tb, Texel tc, Texel td, int material);

    // Scales every position when the file is written (sizes the whole model).
    void setScale(double s) { scale = s; }

    // Replaces the smoothed normal of a vertex (for parts whose normals should
    // not be averaged, such as a sphere-like nose).
    void setNormal(int vertex, Vec normal);

    Vec position(int v) const { return positions[v]; }
    size_t vertexCount() const { return positions.size(); }
    size_t faceCount() const { return faces.size(); }
    size_t texelCount() const { return texels.size(); }

    // Writes the ASE file; `texture` names the picture in the material list.
    bool write(const std::string& path, const std::string& objectName,
               const std::string& texture) const;

  private:
    struct Face {
        int v[3];
        int t[3];
        int material;
    };
    double scale = 1;
    std::vector<Vec> positions;
    std::vector<Vec> fixedNormals;
    std::vector<bool> hasFixedNormal;
    std::vector<Texel> texels;
    std::vector<Face> faces;
    std::vector<Vec> vertexNormals() const;
};
