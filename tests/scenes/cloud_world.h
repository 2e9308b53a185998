// A small world for the tests of the cloud, cave and dragonfly scenes: a
// temporary folder whose data/ holds synthetic pictures and meshes, and a
// way to construct a scene with that folder as the working directory.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "test_support.h"

namespace scene_world {

using testing_support::InDirectory;

typedef std::array<float, 3> Point;  // file units: 40 make 1.0
typedef std::array<int, 4> Triangle; // corners a, b, c and material id

// A temporary folder with an empty data/ in it.
class DataFolder {
  public:
    DataFolder() { mkdir(dir.file("data").c_str(), 0777); }
    const std::string& path() const { return dir.path(); }
    std::string data(const std::string& name) const { return dir.file("data/" + name); }

    void picture(const std::string& name, int width, int height,
                 const std::vector<uint16_t>& pixels) const {
        testing_support::writePicture(data(name), width, height, pixels);
    }
    void uniformPicture(const std::string& name, int width, int height, uint16_t colour) const {
        picture(name, width, height, std::vector<uint16_t>(width * height, colour));
    }

    // A one-object ASE mesh. Each vertex has texture vertex (0.5, 0.5) and
    // normal (0, 0, -1); the faces are padded up to faceCount with
    // zero-area faces on vertex 0, which never draw a pixel.
    void mesh(const std::string& name, const std::vector<Point>& vertices,
              const std::vector<Triangle>& faces, int faceCount) const {
        FILE* file = fopen(data(name).c_str(), "w");
        ASSERT_NE(file, nullptr);
        fprintf(file, "*3DSMAX_ASCIIEXPORT 200\n*GEOMOBJECT {\n *MESH {\n");
        fprintf(file, "  *MESH_NUMVERTEX %zu\n  *MESH_VERTEX_LIST {\n", vertices.size());
        for (size_t i = 0; i < vertices.size(); i++)
            fprintf(file, "   *MESH_VERTEX %zu\t%.4f\t%.4f\t%.4f\n", i, vertices[i][0],
                    vertices[i][1], vertices[i][2]);
        fprintf(file, "  }\n  *MESH_FACE_LIST {\n");
        std::vector<Triangle> all = faces;
        while (static_cast<int>(all.size()) < faceCount)
            all.push_back({0, 0, 0, 0});
        for (size_t i = 0; i < all.size(); i++)
            fprintf(file,
                    "   *MESH_FACE %zu: A: %d B: %d C: %d AB: 1 BC: 1 CA: 0 *MESH_SMOOTHING 1 "
                    "*MESH_MTLID %d\n",
                    i, all[i][0], all[i][1], all[i][2], all[i][3]);
        fprintf(file, "  }\n  *MESH_TVERTLIST {\n");
        for (size_t i = 0; i < vertices.size(); i++)
            fprintf(file, "   *MESH_TVERT %zu\t0.5000\t0.5000\t0.0000\n", i);
        fprintf(file, "  }\n  *MESH_TFACELIST {\n");
        for (size_t i = 0; i < all.size(); i++)
            fprintf(file, "   *MESH_TFACE %zu\t%d\t%d\t%d\n", i, all[i][0], all[i][1], all[i][2]);
        fprintf(file, "  }\n  *MESH_NORMALS {\n");
        for (size_t i = 0; i < vertices.size(); i++)
            fprintf(file, "   *MESH_VERTEXNORMAL %zu\t0.0000\t0.0000\t-1.0000\n", i);
        fprintf(file, "  }\n }\n}\n");
        fclose(file);
    }

  private:
    testing_support::TempDir dir;
};

// The blend of the show written out per channel: weight o * 1024 of 65536
// for the source, the rest for the destination, saturated, back by 16 bits.
inline uint16_t referenceBlend(uint16_t source, uint16_t destination, int opacity) {
    return testing_support::referenceBlend(source, destination, int64_t(opacity) * 1024);
}

} // namespace scene_world
