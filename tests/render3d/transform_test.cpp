// Camera update and projection of mesh vertices.
#include "mesh_test_helpers.h"

namespace {

using mesh_test::MeshTest;
using mesh_test::ONE;

class TransformTest : public MeshTest {
  protected:
    void SetUp() override {
        MeshTest::SetUp();
        mesh = load("", 4, 0, 0);
    }

    // Places vertex 0 at a model position and transforms.
    void project(Fixed x, Fixed y, Fixed z) {
        mesh->vertices[0].position = Vec3{x, y, z};
        mesh->verticesChanged();
        screen->camera->update();
        mesh->transform();
    }

    std::unique_ptr<Mesh> mesh;
};

TEST_F(TransformTest, ProjectsWithTheTableScaledMatrix) {
    project(ONE, -2 * ONE, 10 * ONE);
    EXPECT_EQ(mesh->screenZ[0], 655320);
    // q = 1638500; 1.0 scaled to 65532 gives 24.997 pixels, floored to 24.
    EXPECT_EQ(mesh->screenX[0], 184);
    EXPECT_EQ(mesh->screenY[0], 70);
}

TEST_F(TransformTest, HalfAPixelLeftOfCentreFloorsToColumn159) {
    project(-ONE / 2, 0, 250 * ONE);
    EXPECT_EQ(mesh->screenX[0], 159);
    EXPECT_EQ(mesh->screenY[0], 120);
    project(ONE / 2, 0, 250 * ONE);
    EXPECT_EQ(mesh->screenX[0], 160);
    EXPECT_EQ(mesh->screenY[0], 120);
}

// A kept rotation serves only the vertices it rotated: after a transform of
// fewer vertices, the same matrix on all of them rotates them again.
TEST_F(TransformTest, AKeptRotationCoversOnlyTheVerticesItRotated) {
    mesh->vertices[1].position = Vec3{ONE, -2 * ONE, 10 * ONE};
    mesh->verticesChanged();
    mesh->vertexCount = 1;
    screen->camera->angleZ = 16384;
    screen->camera->update();
    mesh->transform();
    mesh->vertexCount = 4;
    mesh->transform();
    const int32_t x = mesh->screenX[1], y = mesh->screenY[1];
    mesh->verticesChanged();
    mesh->transform();
    EXPECT_EQ(mesh->screenX[1], x);
    EXPECT_EQ(mesh->screenY[1], y);
    EXPECT_NE(x, 160); // not the origin's place, which the constructor's rotation held
}

TEST_F(TransformTest, CameraMoveGoesThroughTheRotationAndIsCleared) {
    Camera* camera = screen->camera;
    camera->move = Vec3{ONE, 0, 2 * ONE};
    camera->update();
    EXPECT_EQ(camera->position.x, 65534);
    EXPECT_EQ(camera->position.y, 0);
    EXPECT_EQ(camera->position.z, 131068);
    EXPECT_EQ(camera->move.x | camera->move.y | camera->move.z, 0);
    camera->update(); // nothing pending any more
    EXPECT_EQ(camera->position.x, 65534);
}

TEST_F(TransformTest, CameraMoveUsesTheTransposedRotation) {
    Camera* camera = screen->camera;
    camera->angleZ = 16384; // a quarter turn about z
    camera->update();
    const Matrix3& r = camera->rotation;
    camera->move = Vec3{ONE, 0, 0};
    camera->update();
    // Row-vector convention: the move along view x lands on column 0 of r.
    EXPECT_EQ(camera->position.x, fixedMul(ONE, r.m[0]));
    EXPECT_EQ(camera->position.y, fixedMul(ONE, r.m[3]));
    EXPECT_EQ(camera->position.z, fixedMul(ONE, r.m[6]));
    EXPECT_NE(r.m[3], r.m[1]); // the quarter turn is not symmetric
}

TEST_F(TransformTest, CameraAndMeshPositionsAreAddedBeforeTheViewRotation) {
    screen->camera->position = Vec3{0, 4 * ONE, 0};
    mesh->position = Vec3{0, 0, 10 * ONE};
    project(0, 0, 0);
    EXPECT_EQ(mesh->screenX[0], 160);
    EXPECT_EQ(mesh->screenY[0], 219);
    EXPECT_EQ(mesh->screenZ[0], 655340);
}

TEST_F(TransformTest, AnglesAreReducedAndTheMeshRotationRebuilt) {
    Camera* camera = screen->camera;
    camera->angleX = camera->angleY = camera->angleZ = 70000;
    mesh->angleX = mesh->angleY = mesh->angleZ = 70000;
    project(0, 0, ONE);
    EXPECT_EQ(camera->angleX, 4464);
    EXPECT_EQ(camera->angleZ, 4464);
    EXPECT_EQ(mesh->angleX, 4464);
    EXPECT_EQ(mesh->angleY, 4464);
    int32_t a = 4464, b = 4464, c = 4464;
    Matrix3 expected = rotationFromAngles(a, b, c);
    for (int i = 0; i < 9; i++)
        EXPECT_EQ(mesh->rotation.m[i], expected.m[i]);
}

TEST_F(TransformTest, MeshRotationActsBeforeTheCameraRotation) {
    mesh->angleZ = 16384;           // mesh turned about z
    screen->camera->angleX = 16384; // view turned about x
    mesh->vertices[0].normal = Vec3{ONE, 0, 0};
    project(ONE, 0, 0);
    int32_t zero = 0, quarter = 16384;
    Matrix3 m = rotationFromAngles(zero, zero, quarter);
    int32_t zero2 = 0, zero3 = 0, quarter2 = 16384;
    m.multiply(rotationFromAngles(quarter2, zero2, zero3));
    Vec3 n = transformVector(Vec3{ONE, 0, 0}, m);
    EXPECT_EQ(mesh->vertices[0].viewNormal.x, n.x);
    EXPECT_EQ(mesh->vertices[0].viewNormal.y, n.y);
    EXPECT_EQ(mesh->vertices[0].viewNormal.z, n.z);
    // The x axis turned by z goes to y, which the view's x turn moves to z:
    // nearly all of the unit normal ends up along view z.
    EXPECT_GT(std::abs(n.z), 65000);
}

TEST_F(TransformTest, NormalsAreRotatedForEnvironmentMapping) {
    mesh->vertices[0].normal = Vec3{0, 0, -ONE};
    project(0, 0, 5 * ONE);
    EXPECT_EQ(mesh->vertices[0].viewNormal.x, 0);
    EXPECT_EQ(mesh->vertices[0].viewNormal.y, 0);
    EXPECT_EQ(mesh->vertices[0].viewNormal.z, -65532);
}

TEST_F(TransformTest, FocalLengthScalesTheProjection) {
    mesh->focalLength = 300 * ONE;
    project(ONE, 0, 10 * ONE);
    // q = 300 / 10 = 30 pixels per unit, 1.0 scaled to 65532: 29.99 -> 29.
    EXPECT_EQ(mesh->screenX[0], 189);
}

TEST_F(TransformTest, VertexInTheEyePlaneGoesToTheCentre) {
    project(5 * ONE, -3 * ONE, 0);
    EXPECT_EQ(mesh->screenX[0], 160);
    EXPECT_EQ(mesh->screenY[0], 120);
    EXPECT_EQ(mesh->screenZ[0], 0);
}

TEST_F(TransformTest, VerticesBehindTheEyeAreMirrored) {
    project(ONE, ONE, -10 * ONE);
    EXPECT_EQ(mesh->screenZ[0], -655320);
    EXPECT_LT(mesh->screenX[0], 160);
    EXPECT_LT(mesh->screenY[0], 120);
}

TEST_F(TransformTest, FarOffCentrePositionsWrapAs16BitValues) {
    // At depth 1.0 one unit is 250 pixels: 200 units are 49998 pixels from
    // the centre (scaled by 65532), beyond 32767, so the column wraps.
    project(200 * ONE, 0, ONE);
    const int64_t offset = (int64_t(fixedDiv(250 * ONE, 65532)) * fixedMul(200 * ONE, 65532)) >> 32;
    EXPECT_GT(offset, 32767);
    EXPECT_EQ(mesh->screenX[0], static_cast<int16_t>(offset) + 160);
    EXPECT_LT(mesh->screenX[0], 0);
}

} // namespace
