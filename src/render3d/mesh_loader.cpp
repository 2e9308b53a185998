// Reading a mesh from an ASE text file.
//
// The file is a stream of whitespace-separated tokens; five keywords start a
// record whose numbers are read with one fscanf, everything else is skipped.
// Records are stored in file order into arrays of the capacities the caller
// gives; records beyond a capacity are read and dropped.
#include "render3d/mesh.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "video/image.h"
#include "video/screen.h"

namespace {

// Truncates toward zero like a plain float-to-int conversion; values beyond
// the 32-bit range saturate and NaN gives 0 instead of being undefined.
Fixed truncateToFixed(float value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483648.0f) return INT32_MAX;
    if (value <= -2147483648.0f) return INT32_MIN;
    return static_cast<Fixed>(value);
}

// Model coordinates are scaled down by 40 (divide first, then scale to Fixed).
Fixed modelCoordinate(float value) {
    return truncateToFixed(value / 40.0f * 65536.0f);
}

// Texture coordinates 0..1 become texels of a 256x256 picture.
Fixed texelCoordinate(float value) {
    return truncateToFixed(value * 255.0f * 65536.0f);
}

// Reads the rest of a face record: the three corners, then the material id,
// which is 0 when the record has none that can be read. The smoothing field
// is one group number as a rule, but some exporters write a list ("1,2") or
// nothing at all; the material id after it is found all the same.
int readFace(FILE* file, int* a, int* b, int* c) {
    int material = 0, smoothingEnd = -1, materialAt = -1;
    fscanf(file, "%*s %*s %d %*s %d %*s %d AB: %*d BC: %*d CA: %*d *MESH_SMOOTHING%n", a, b, c,
           &smoothingEnd);
    if (smoothingEnd < 0) return 0;
    if (fscanf(file, " %*d *MESH_MTLID%n %d", &materialAt, &material) == 1 || materialAt >= 0)
        return material;
    // The field was not one number: pass over the rest of it, on this line
    // only, and read the material id if it follows.
    int ch = getc(file);
    while (ch == ' ' || ch == '\t' || ch == '\r' || ch == ',' || (ch >= '0' && ch <= '9'))
        ch = getc(file);
    if (ch == EOF) return 0;
    ungetc(ch, file);
    if (ch != '*') return 0;
    // Anything other than the material keyword is left for the token loop.
    const long keyword = ftell(file);
    char token[16];
    if (fscanf(file, "%15s", token) == 1 && strcmp(token, "*MESH_MTLID") == 0) {
        fscanf(file, "%d", &material);
        return material;
    }
    fseek(file, keyword, SEEK_SET);
    return 0;
}

template <typename T> T* clearedArray(int count) {
    return new T[count]();
}

} // namespace

Mesh::Mesh(const char* path, Image* texture, Image* envMap, int vertexCount, int faceCount,
           int texVertexCount) {
    screen = Screen::instance();
    FILE* file = fopen(path, "rt");
    if (!file) {
        printf("error loading %s\n", path);
        exit(1);
    }
    load(file, texture, envMap, vertexCount, faceCount, texVertexCount);
    fclose(file);
    transform();
}

Mesh::Mesh(FILE* stream, Image* texture, Image* envMap, int vertexCount, int faceCount,
           int texVertexCount) {
    screen = Screen::instance();
    load(stream, texture, envMap, vertexCount, faceCount, texVertexCount);
    transform();
}

void Mesh::load(FILE* file, Image* texture, Image* envMap, int vertexCount, int faceCount,
                int texVertexCount) {
    if (vertexCount < 0) vertexCount = 0;
    if (faceCount < 0) faceCount = 0;
    if (texVertexCount < 0) texVertexCount = 0;
    // Cleared, so capacities beyond the records in the file hold zeros.
    vertices = clearedArray<MeshVertex>(vertexCount);
    faces = clearedArray<MeshFace>(faceCount);
    texVertices = clearedArray<TexVertex>(texVertexCount);
    texFaces = clearedArray<TexFace>(faceCount);
    faceArea = clearedArray<Fixed>(faceCount);
    screenX = clearedArray<int32_t>(vertexCount);
    screenY = clearedArray<int32_t>(vertexCount);
    screenZ = clearedArray<Fixed>(vertexCount);
    rotatedPositions = clearedArray<Vec3>(vertexCount);
    rotatedBy.setIdentity();
    rotatedCount = 0; // nothing rotated yet

    rotation.setIdentity();
    angleX = angleY = angleZ = 0;
    position = Vec3{0, 0, 0};
    this->vertexCount = vertexCount;
    this->faceCount = faceCount;
    this->texVertexCount = texVertexCount;
    this->texture = texture;
    this->envMap = envMap;
    clipRight = SCREEN_WIDTH;
    clipLeft = 0;
    clipBottom = fixedFromInt(SCREEN_HEIGHT);
    clipTop = 0;
    focalLength = fixedFromDouble(250.0);
    depthTarget = screen->depthBuffer;
    pixelTarget = screen->pixels;
    currentTexels = texture ? texture->pixels : nullptr;

    parse(file);
}

Mesh::~Mesh() {
    delete[] vertices;
    delete[] faces;
    delete[] texVertices;
    delete[] texFaces;
    delete[] faceArea;
    delete[] screenX;
    delete[] screenY;
    delete[] screenZ;
    delete[] rotatedPositions;
}

void Mesh::parse(FILE* file) {
    int vertexRecords = 0, faceRecords = 0, texVertexRecords = 0, texFaceRecords = 0;
    // The width limit keeps any token inside the buffer; a longer one is read
    // as several tokens.
    char token[80];
    while (fscanf(file, "%79s", token) == 1) {
        if (strcmp(token, "*MESH_VERTEX") == 0) {
            float x = 0, y = 0, z = 0;
            fscanf(file, "%*s %f %f %f", &x, &y, &z);
            if (vertexRecords < vertexCount)
                vertices[vertexRecords++].position =
                    Vec3{modelCoordinate(x), modelCoordinate(y), modelCoordinate(z)};
        } else if (strcmp(token, "*MESH_FACE") == 0) {
            int a = 0, b = 0, c = 0;
            const int material = readFace(file, &a, &b, &c);
            if (faceRecords < faceCount) faces[faceRecords++] = MeshFace{a, b, c, material};
        } else if (strcmp(token, "*MESH_TVERT") == 0) {
            float u = 0, v = 0;
            fscanf(file, "%*s %f %f", &u, &v);
            if (texVertexRecords < texVertexCount)
                texVertices[texVertexRecords++] =
                    TexVertex{texelCoordinate(u), texelCoordinate(1.0f - v)};
        } else if (strcmp(token, "*MESH_TFACE") == 0) {
            int a = 0, b = 0, c = 0;
            fscanf(file, "%*s %d %d %d", &a, &b, &c);
            if (texFaceRecords < faceCount) texFaces[texFaceRecords++] = TexFace{a, b, c};
        } else if (strcmp(token, "*MESH_VERTEXNORMAL") == 0) {
            int index = 0;
            float x = 0, y = 0, z = 0;
            fscanf(file, "%d %f %f %f", &index, &x, &y, &z);
            // A vertex gets its normal once per face corner; the last one wins.
            if (index >= 0 && index < vertexCount)
                vertices[index].normal =
                    Vec3{truncateToFixed(x * 65536.0f), truncateToFixed(y * 65536.0f),
                         truncateToFixed(z * 65536.0f)};
        }
    }
}
