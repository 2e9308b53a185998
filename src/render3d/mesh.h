// A textured triangle mesh read from an ASE text file, with its transform to
// the screen and its depth-tested rasterizer.
#pragma once

#include <cstdint>
#include <cstdio>

#include "core/fixed.h"

class Image;
class Screen;

// Positions and normals are read-only once loaded: transform() keeps their
// rotation and reuses it while its matrix stays the same. Whoever writes a
// vertex afterwards (any field) calls Mesh::verticesChanged() before the next
// transform().
struct MeshVertex {
    Vec3 position;   // model space, 1.0 = 40 file units
    Vec3 normal;     // unit length as 1.0
    Vec3 viewNormal; // the normal rotated by the last transform()
};

// Material id 1 is environment mapped; every other id is textured.
struct MeshFace {
    int32_t a;
    int32_t b;
    int32_t c;
    int32_t materialId;
};

const int32_t ENVIRONMENT_MATERIAL = 1;

// Texel coordinates of a 256x256 picture (0 .. 255.0).
struct TexVertex {
    Fixed u;
    Fixed v;
};

// Texture vertices of the corners a, b, c of the face with the same index.
struct TexFace {
    int32_t a;
    int32_t b;
    int32_t c;
};

class Mesh {
  public:
    Image* texture; // not owned; sampled by textured faces, may be swapped between draws
    Image* envMap;  // not owned; sampled through the view normals by material 1
    Matrix3 rotation;
    int32_t angleX; // 1/65536 turns; reduced to the low 16 bits by transform()
    int32_t angleY;
    int32_t angleZ;
    Vec3 position; // added in world space before the camera rotation

    MeshVertex* vertices;
    MeshFace* faces;
    TexVertex* texVertices;
    TexFace* texFaces;
    Fixed* faceArea; // doubled signed screen area per face, written by render()

    int32_t vertexCount;
    int32_t faceCount;
    int32_t texVertexCount;

    int32_t clipRight; // one past the last column drawn: 320
    int32_t clipLeft;  // first column drawn: 0
    Fixed clipBottom;  // one past the last row drawn: 240.0
    Fixed clipTop;     // first row drawn: 0

    int32_t* screenX; // projected column of each vertex
    int32_t* screenY; // projected row of each vertex
    Fixed* screenZ;   // view depth of each vertex

    Fixed focalLength; // projection scale, 250.0 after construction

    // The positions rotated by rotatedBy (without the translation), and how
    // many of them, and of the view normals, are those of rotatedBy (0 for
    // none): a mesh drawn several times a frame at different places is
    // rotated once.
    Vec3* rotatedPositions;
    Matrix3 rotatedBy;
    int32_t rotatedCount;

    Screen* screen;
    Fixed* depthTarget;      // the screen's depth buffer
    uint16_t* pixelTarget;   // the screen's pixels
    uint16_t* currentTexels; // picture of the face being drawn

    // Loads the mesh from `path` into arrays of the given capacities and
    // transforms it once. A file that cannot be opened ends the process
    // with status 1 after "error loading <path>".
    Mesh(const char* path, Image* texture, Image* envMap, int vertexCount, int faceCount,
         int texVertexCount);
    // The same from a stream that is already open, read from where it
    // stands to its end and left open.
    Mesh(FILE* stream, Image* texture, Image* envMap, int vertexCount, int faceCount,
         int texVertexCount);
    ~Mesh();
    Mesh(const Mesh&) = delete;
    Mesh& operator=(const Mesh&) = delete;

    // Model space to screen: rotation, position, camera, projection.
    void transform();

    // Drops the kept rotation after vertices were written (see MeshVertex).
    void verticesChanged() { rotatedCount = 0; }

    // Draws the faces of the last transform into the screen with the depth test.
    void render();

    // Fills columns x1..x2 (either order) of `row`, interpolating u, v, z
    // from the x1 end to the x2 end.
    void drawSpan(int x1, int x2, int row, Fixed u1, Fixed v1, Fixed u2, Fixed v2, Fixed z1,
                  Fixed z2);

  private:
    void load(FILE* file, Image* texture, Image* envMap, int vertexCount, int faceCount,
              int texVertexCount);
    void parse(FILE* file);
};
