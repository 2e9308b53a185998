// Reads the records of an ASE mesh file token by token, the way the show's
// loader does, so that the checker and the tests see what the show will see.
#pragma once

#include <string>
#include <vector>

struct AseFace {
    int v[3];
    int material;
};
struct AseTexFace {
    int t[3];
};
struct AseNormal {
    int vertex; // the face's index for face normals
    double x, y, z;
};
struct AseMesh {
    std::vector<std::vector<double>> vertices; // x, y, z as written
    std::vector<AseFace> faces;
    std::vector<std::vector<double>> texVertices; // u, v as written
    std::vector<AseTexFace> texFaces;
    std::vector<AseNormal> faceNormals;
    std::vector<AseNormal> vertexNormals;
};

// False with a reason when the file cannot be opened or a record does not
// parse in full.
bool readAse(const std::string& path, AseMesh* mesh, std::string* why);
