// The mesh transform from model space to the screen.
#include "core/camera.h"
#include "render3d/mesh.h"
#include "video/screen.h"

namespace {
const int CENTRE_X = SCREEN_WIDTH / 2;
const int CENTRE_Y = SCREEN_HEIGHT / 2;
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

    for (int i = 0; i < vertexCount; i++) {
        MeshVertex& vertex = vertices[i];
        Vec3 p = transformVector(vertex.position, m);
        Fixed x = fixedAdd(p.x, t.x);
        Fixed y = fixedAdd(p.y, t.y);
        Fixed z = fixedAdd(p.z, t.z);
        vertex.viewNormal = transformVector(vertex.normal, m);
        if (z == 0) {
            // A point in the eye's plane has no projection; park it at the
            // centre. Depth 0 still passes the rasterizer's z >= 0 test.
            screenX[i] = CENTRE_X;
            screenY[i] = CENTRE_Y;
            screenZ[i] = 0;
            continue;
        }
        Fixed q = fixedDiv(focalLength, z);
        // The shift floors, so half a pixel left of the centre is column 159.
        screenX[i] = (fixedMul(q, x) >> 16) + CENTRE_X;
        screenY[i] = (fixedMul(q, y) >> 16) + CENTRE_Y;
        screenZ[i] = z;
    }
}
