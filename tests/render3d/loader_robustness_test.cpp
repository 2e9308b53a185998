// Broken and hostile ASE text must load without reading or writing outside
// the mesh's arrays, and the result must transform and render safely.
#include <string>

#include "mesh_test_helpers.h"

namespace {

using mesh_test::MeshTest;
using mesh_test::ONE;

// Loads, transforms and renders; the arrays must hold what the capacities allow.
void exercise(Mesh& mesh, Screen* screen) {
    mesh.position = Vec3{0, 0, 20 * ONE};
    mesh.transform();
    screen->dirtyTop = 0;
    screen->dirtyBottom = SCREEN_HEIGHT;
    screen->clearDepth(1000 * ONE);
    mesh.render();
    mesh.angleX = 9000;
    mesh.angleY = -70000;
    mesh.transform();
    mesh.render();
}

TEST_F(MeshTest, RecordsBeyondTheCapacitiesAreDropped) {
    std::string text;
    for (int i = 0; i < 6; i++) {
        const std::string n = std::to_string(i);
        text += "*MESH_VERTEX " + n + " " + std::to_string(40 * (i + 1)) + " 0 0\n";
        text += "*MESH_TVERT " + n + " 1.0 0.0 0.0\n";
        text += "*MESH_FACE " + n + ": A: 0 B: 1 C: 2 AB: 1 BC: 1 CA: 1 *MESH_SMOOTHING 1 " +
                "*MESH_MTLID 3\n";
        text += "*MESH_TFACE " + n + " 0 1 " + n + "\n";
    }
    text += "*MESH_VERTEXNORMAL 2 1.0 0 0\n*MESH_VERTEXNORMAL 3 0 1.0 0\n";
    text += "*MESH_VERTEXNORMAL -1 0 0 1.0\n*MESH_VERTEXNORMAL 2147483647 0 0 1.0\n";
    auto mesh = load(text, 3, 2, 1);
    EXPECT_EQ(mesh->vertices[2].position.x, 3 * ONE); // the first three were kept
    EXPECT_EQ(mesh->vertices[2].normal.x, ONE);
    EXPECT_EQ(mesh->faces[1].materialId, 3);
    EXPECT_EQ(mesh->texFaces[1].c, 1); // the second TFACE line
    EXPECT_EQ(mesh->texVertices[0].u, 0xFF0000);
    // Vertex 0 received no normal: the index -1 line was ignored, not
    // written before the array.
    EXPECT_EQ(mesh->vertices[0].normal.z, 0);
    // The texture faces name texture vertices 1 and 2, which do not exist:
    // those faces are skipped rather than read outside the array.
    exercise(*mesh, screen);
}

TEST_F(MeshTest, LongTokensAreSplitInsteadOfOverrunningTheBuffer) {
    const std::string longName(500, 'x');
    auto mesh = load("*NODE_NAME " + longName + "\n" + std::string(79, 'y') +
                         "*MESH_VERTEX 0 40 40 40\n*MESH_VERTEX 1 80 0 0\n",
                     2, 0, 0);
    // The 79 characters fill one read; the keyword glued to them is the next.
    EXPECT_EQ(mesh->vertices[0].position.x, ONE);
    EXPECT_EQ(mesh->vertices[1].position.x, 2 * ONE);
}

TEST_F(MeshTest, MalformedNumbersStoreZeroAndStillAdvance) {
    auto mesh =
        load("*MESH_VERTEX 0 abc 1 2\n"
             "*MESH_VERTEX 1 40 40 40\n"
             "*MESH_VERTEXNORMAL banana 1.0 1.0 1.0\n"
             "*MESH_FACE 0: A: 1 B: oops\n"
             "*MESH_FACE 1: A: 0 B: 1 C: 1 AB: 0 BC: 0 CA: 0 *MESH_SMOOTHING 0 *MESH_MTLID 1\n"
             "*MESH_TVERT 0 nan inf 0\n"
             "*MESH_TVERT 1 1e30 -1e30 0\n"
             "*MESH_TVERT 2 -0.5",
             3, 2, 3);
    // The first record is stored with what did parse (nothing) and counts.
    EXPECT_EQ(mesh->vertices[0].position.x, 0);
    EXPECT_EQ(mesh->vertices[1].position.x, ONE);
    EXPECT_EQ(mesh->faces[0].a, 1);
    EXPECT_EQ(mesh->faces[0].b, 0);
    EXPECT_EQ(mesh->faces[1].materialId, 1);
    // NaN converts to 0, out-of-range values saturate.
    EXPECT_EQ(mesh->texVertices[0].u, 0);
    EXPECT_EQ(mesh->texVertices[1].u, INT32_MAX);
    EXPECT_EQ(mesh->texVertices[1].v, INT32_MAX); // 1 - (-1e30)
    EXPECT_EQ(mesh->texVertices[2].u, -0x7F8000);
    exercise(*mesh, screen);
}

TEST_F(MeshTest, GarbageAndTruncatedFilesLoadSafely) {
    std::string garbage;
    for (int i = 0; i < 4000; i++)
        garbage += static_cast<char>((i * 7919 + 13) % 256);
    const std::string cases[] = {
        "",
        "*MESH_VERTEX",
        "*MESH_FACE 0: A:",
        "*MESH_VERTEXNORMAL",
        "*MESH_TFACE 0 5 6",
        garbage,
        "*MESH_FACE 0: A: -7 B: 99999 C: 2147483647 AB: 1 BC: 1 CA: 1 *MESH_SMOOTHING 1 "
        "*MESH_MTLID 1\n*MESH_FACE 1: A: 0 B: 1 C: 2 AB: 1 BC: 1 CA: 1 *MESH_SMOOTHING 1 "
        "*MESH_MTLID 0\n*MESH_TFACE 1 -1 300 2\n",
    };
    for (const std::string& text : cases) {
        auto mesh = load(text, 4, 2, 4);
        exercise(*mesh, screen);
    }
    // Capacities of zero (or less) give empty meshes that draw nothing.
    auto empty = load("*MESH_VERTEX 0 1 2 3\n*MESH_FACE 0: A: 0 B: 0 C: 0\n", 0, -3, 0);
    EXPECT_EQ(empty->faceCount, 0);
    exercise(*empty, screen);
}

} // namespace
