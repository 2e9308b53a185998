#include "ase_reader.h"

#include <cstdio>
#include <cstring>

bool readAse(const std::string& path, AseMesh* mesh, std::string* why) {
    FILE* file = fopen(path.c_str(), "rt");
    if (!file) {
        *why = "cannot be opened";
        return false;
    }
    char token[80];
    bool ok = true;
    auto fail = [&](const char* record) {
        if (ok) *why = std::string("a ") + record + " record does not parse";
        ok = false;
    };
    while (fscanf(file, "%79s", token) == 1) {
        float x = 0, y = 0, z = 0;
        int a = 0, b = 0, c = 0, d = 0;
        if (strcmp(token, "*MESH_VERTEX") == 0) {
            if (fscanf(file, "%*s %f %f %f", &x, &y, &z) != 3) fail("vertex");
            mesh->vertices.push_back({x, y, z});
        } else if (strcmp(token, "*MESH_FACE") == 0) {
            if (fscanf(file,
                       "%*s %*s %d %*s %d %*s %d AB: %*d BC: %*d CA: %*d *MESH_SMOOTHING %*d "
                       "*MESH_MTLID %d",
                       &a, &b, &c, &d) != 4)
                fail("face");
            mesh->faces.push_back({{a, b, c}, d});
        } else if (strcmp(token, "*MESH_TVERT") == 0) {
            if (fscanf(file, "%*s %f %f", &x, &y) != 2) fail("texture vertex");
            mesh->texVertices.push_back({x, y});
        } else if (strcmp(token, "*MESH_TFACE") == 0) {
            if (fscanf(file, "%*s %d %d %d", &a, &b, &c) != 3) fail("texture face");
            mesh->texFaces.push_back({{a, b, c}});
        } else if (strcmp(token, "*MESH_FACENORMAL") == 0) {
            if (fscanf(file, "%d %f %f %f", &a, &x, &y, &z) != 4) fail("face normal");
            mesh->faceNormals.push_back({a, x, y, z});
        } else if (strcmp(token, "*MESH_VERTEXNORMAL") == 0) {
            if (fscanf(file, "%d %f %f %f", &a, &x, &y, &z) != 4) fail("vertex normal");
            mesh->vertexNormals.push_back({a, x, y, z});
        }
    }
    fclose(file);
    return ok;
}
