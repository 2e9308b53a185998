// The mesh transform from model space to the screen.
#include "core/camera.h"
#include "render3d/mesh.h"
#include "video/screen.h"

namespace {
const int CENTRE_X = SCREEN_WIDTH / 2;
const int CENTRE_Y = SCREEN_HEIGHT / 2;

// fixedMul(q, v) >> 16, the column or row a point projects to before the
// centre is added: bits 32..47 of the 64-bit product, sign-extended. Taken
// from the product's high word, which is two instructions on the handheld
// where joining the two words first and shifting is three.
int32_t projected(Fixed q, Fixed v) {
    const uint32_t high = static_cast<uint32_t>(static_cast<uint64_t>(int64_t{q} * v) >> 32);
    return static_cast<int32_t>(high << 16) >> 16;
}

bool sameMatrix(const Matrix3& a, const Matrix3& b) {
    for (int i = 0; i < 9; i++)
        if (a.m[i] != b.m[i]) return false;
    return true;
}
} // namespace

void Mesh::transform() {
    rotation = rotationFromAngles(angleX, angleY, angleZ);
    const Camera* camera = screen->camera;
    // Mesh rotation first, then the view rotation.
    Matrix3 m;
    m.setIdentity();
    m.multiply(rotation);
    m.multiply(camera->rotation);

    Vec3 world{fixedAdd(position.x, camera->position.x), fixedAdd(position.y, camera->position.y),
               fixedAdd(position.z, camera->position.z)};
    Vec3 t = transformVector(world, camera->rotation);

    // The rotation depends only on m and the vertices, which stay as loaded
    // (see MeshVertex): when m is the last one's and the vertex count has not
    // grown past what was rotated, the kept rotated positions and view
    // normals are exactly what the loops below would make again.
    MeshVertex* const vs = vertices;
    const int count = vertexCount;
    Vec3* const rotated = rotatedPositions;
    if (count > rotatedCount || !sameMatrix(m, rotatedBy)) {
        // Positions and normals in two loops, each with its matrix values and
        // the arrays in local copies: one loop needs every register for both,
        // and stores through the vertex would make the compiler reload the
        // mesh's fields after each one.
        for (int i = 0; i < count; i++)
            rotated[i] = transformVector(vs[i].position, m);
        for (int i = 0; i < count; i++)
            vs[i].viewNormal = transformVector(vs[i].normal, m);
        rotatedBy = m;
        rotatedCount = count;
    }

    const FixedDividend focal(focalLength); // what the divisions by depth share
    int32_t* const sx = screenX;
    int32_t* const sy = screenY;
    Fixed* const sz = screenZ;
    for (int i = 0; i < count; i++) {
        const Vec3& p = rotated[i];
        Fixed x = fixedAdd(p.x, t.x);
        Fixed y = fixedAdd(p.y, t.y);
        Fixed z = fixedAdd(p.z, t.z);
        if (z == 0) {
            // A point in the eye's plane has no projection; park it at the
            // centre. Depth 0 still passes the rasterizer's z >= 0 test.
            sx[i] = CENTRE_X;
            sy[i] = CENTRE_Y;
            sz[i] = 0;
            continue;
        }
        Fixed q = focal.over(z); // fixedDiv(focalLength, z)
        // projected floors, so half a pixel left of the centre is column 159.
        sx[i] = projected(q, x) + CENTRE_X;
        sy[i] = projected(q, y) + CENTRE_Y;
        sz[i] = z;
    }
}
