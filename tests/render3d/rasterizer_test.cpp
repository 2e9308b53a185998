// Culling, edge walking, span clipping and the depth test of the rasterizer.
#include <vector>

#include "mesh_test_helpers.h"

namespace {

using mesh_test::MeshTest;
using mesh_test::ONE;

const uint16_t UNTOUCHED = 0xFFFF;
const Fixed CLEARED = 1000 * ONE;
const Fixed UNSET_AREA = 0x5A5A5A5A;

struct Point {
    int x, y;
    Fixed z;
};

// A mesh whose screen arrays the tests fill directly instead of
// transforming: up to 8 faces over 24 vertices, textured unless told.
class RasterizerTest : public MeshTest {
  protected:
    void SetUp() override {
        MeshTest::SetUp();
        mesh = load("", 24, 8, 24);
        mesh->faceCount = 0;
        screen->dirtyTop = 239;
        screen->dirtyBottom = 0;
    }

    // Appends a face with the given corners, each at texel (u, v) = (0, 0)
    // unless set later through texVertices.
    int addFace(Point a, Point b, Point c, int material = 0) {
        const int face = mesh->faceCount++;
        const Point corners[3] = {a, b, c};
        int index[3];
        for (int k = 0; k < 3; k++) {
            index[k] = face * 3 + k;
            mesh->screenX[index[k]] = corners[k].x;
            mesh->screenY[index[k]] = corners[k].y;
            mesh->screenZ[index[k]] = corners[k].z;
            mesh->texVertices[index[k]] = TexVertex{0, 0};
        }
        mesh->faces[face] = MeshFace{index[0], index[1], index[2], material};
        mesh->texFaces[face] = TexFace{index[0], index[1], index[2]};
        mesh->faceArea[face] = UNSET_AREA;
        return face;
    }

    void setTexel(int face, int corner, Fixed u, Fixed v) {
        mesh->texVertices[face * 3 + corner] = TexVertex{u, v};
    }

    int drawnCount() const {
        int n = 0;
        for (int i = 0; i < SCREEN_PIXELS; i++)
            n += screen->depthBuffer[i] != CLEARED;
        return n;
    }

    bool drawn(int column, int row) const { return depthAt(column, row) != CLEARED; }

    std::unique_ptr<Mesh> mesh;
};

TEST_F(RasterizerTest, FrontFaceFillsRowsDownToButExcludingTheBottom) {
    const int face = addFace({0, 0, 5 * ONE}, {0, 10, 5 * ONE}, {10, 0, 5 * ONE});
    mesh->render();
    EXPECT_EQ(mesh->faceArea[face], -100 * ONE);
    EXPECT_EQ(drawnCount(), 65);
    for (int row = 0; row < 10; row++) {
        EXPECT_TRUE(drawn(10 - row, row)) << row;
        EXPECT_FALSE(drawn(11 - row, row)) << row;
        for (int column = 0; column <= 10 - row; column++)
            ASSERT_EQ(depthAt(column, row), 5 * ONE) << column << "," << row;
    }
    EXPECT_FALSE(drawn(0, 10));
    EXPECT_EQ(pixelAt(3, 3), 0); // texel (0, 0)
    EXPECT_EQ(screen->dirtyTop, 0);
    EXPECT_EQ(screen->dirtyBottom, 10);
}

TEST_F(RasterizerTest, BackFaceDrawsNothingButWidensTheDirtyBand) {
    const int face = addFace({0, 0, 5 * ONE}, {10, 0, 5 * ONE}, {0, 10, 5 * ONE});
    mesh->render();
    EXPECT_EQ(mesh->faceArea[face], 100 * ONE);
    EXPECT_EQ(drawnCount(), 0);
    EXPECT_LE(screen->dirtyTop, 0);
    EXPECT_GE(screen->dirtyBottom, 10);

    // A face of zero area is culled the same way.
    const int flat = addFace({0, 20, 5 * ONE}, {5, 25, 5 * ONE}, {10, 30, 5 * ONE});
    mesh->render();
    EXPECT_EQ(mesh->faceArea[flat], 0);
    EXPECT_EQ(drawnCount(), 0);
    EXPECT_EQ(screen->dirtyBottom, 30);
}

TEST_F(RasterizerTest, FaceBehindTheViewerIsRejectedBeforeAnything) {
    const int face = addFace({0, 0, 5 * ONE}, {0, 10, -1}, {10, 0, 5 * ONE});
    mesh->render();
    EXPECT_EQ(mesh->faceArea[face], UNSET_AREA);
    EXPECT_EQ(screen->dirtyTop, 239);
    EXPECT_EQ(screen->dirtyBottom, 0);
    EXPECT_EQ(drawnCount(), 0);
}

TEST_F(RasterizerTest, FacesBesideTheScreenLeaveTheAreaUnset) {
    const int right = addFace({320, 0, ONE}, {320, 10, ONE}, {400, 0, ONE});
    const int left = addFace({-30, 0, ONE}, {-30, 10, ONE}, {-1, 0, ONE});
    mesh->render();
    EXPECT_EQ(mesh->faceArea[right], UNSET_AREA);
    EXPECT_EQ(mesh->faceArea[left], UNSET_AREA);
    EXPECT_EQ(screen->dirtyBottom, 0);

    // One corner on the screen is enough to go on.
    const int straddling = addFace({-30, 0, ONE}, {-30, 10, ONE}, {0, 0, ONE});
    mesh->render();
    EXPECT_EQ(mesh->faceArea[straddling], -300 * ONE);
    EXPECT_EQ(drawnCount(), 1); // column 0 of row 0
}

TEST_F(RasterizerTest, FacesAboveOrBelowTheScreenGetAnAreaButNoBand) {
    const int below = addFace({0, 240, ONE}, {0, 250, ONE}, {10, 240, ONE});
    const int above = addFace({0, -20, ONE}, {0, -1, ONE}, {10, -20, ONE});
    mesh->render();
    EXPECT_EQ(mesh->faceArea[below], -100 * ONE);
    EXPECT_EQ(mesh->faceArea[above], -190 * ONE);
    EXPECT_EQ(screen->dirtyTop, 239);
    EXPECT_EQ(screen->dirtyBottom, 0);
    EXPECT_EQ(drawnCount(), 0);
}

TEST_F(RasterizerTest, RowsAboveTheScreenAreSteppedAsIfDrawn) {
    auto place = [&](int top) {
        const int face =
            addFace({20, top, 2 * ONE}, {2, top + 25, 9 * ONE}, {90, top + 17, 30 * ONE});
        setTexel(face, 0, 10 * ONE, 3 * ONE);
        setTexel(face, 1, 200 * ONE, 40 * ONE);
        setTexel(face, 2, 77 * ONE, 250 * ONE);
    };
    place(-5);
    mesh->render();
    std::vector<uint16_t> pixels(screen->pixels, screen->pixels + SCREEN_PIXELS);
    std::vector<int32_t> depths(screen->depthBuffer, screen->depthBuffer + SCREEN_PIXELS);
    EXPECT_EQ(screen->dirtyTop, -5);
    EXPECT_EQ(screen->dirtyBottom, 20);

    clearAll(CLEARED);
    mesh->faceCount = 0;
    place(0);
    mesh->render();
    int compared = 0;
    for (int row = 0; row < 25; row++)
        for (int column = 0; column < 100; column++) {
            const int shifted = (row + 5) * 320 + column;
            const int original = row * 320 + column;
            if (row < 20) {
                ASSERT_EQ(depths[original], screen->depthBuffer[shifted]) << column << "," << row;
                ASSERT_EQ(pixels[original], screen->pixels[shifted]) << column << "," << row;
                compared += depths[original] != CLEARED;
            } else {
                ASSERT_EQ(depths[original], CLEARED) << column << "," << row;
            }
        }
    EXPECT_GT(compared, 500);
}

TEST_F(RasterizerTest, EdgeStepsRoundAsTheirFormulasSay) {
    // Top A (0,0), middle B (3,3), bottom C (0,6). The x step of A->B is a
    // division (exactly 1.0; a reciprocal would give 0.99998 and leave
    // column 1 of row 1 empty); the z step of A->C is a division (1.0, not
    // 65532); the z step of A->B goes through the reciprocal (65535).
    addFace({0, 0, 10 * ONE}, {0, 6, 16 * ONE}, {3, 3, 13 * ONE});
    mesh->render();
    EXPECT_TRUE(drawn(1, 1));
    EXPECT_FALSE(drawn(2, 1));
    EXPECT_TRUE(drawn(2, 2));
    EXPECT_EQ(depthAt(0, 1), 11 * ONE);
    EXPECT_EQ(depthAt(1, 1), 11 * ONE - 1);
    // Lower part: the short edge restarts exactly at B.
    EXPECT_TRUE(drawn(3, 3));
    EXPECT_EQ(depthAt(3, 3), 13 * ONE);
    EXPECT_EQ(drawnCount(), 1 + 2 + 3 + 4 + 3 + 2);
}

TEST_F(RasterizerTest, CornersOfEqualRowKeepTheirFaceOrder) {
    // The two top corners share row 0; the first in the face is A and walks
    // the long edge, whose z step is a division (1.0 per row), while B's
    // edge to C uses the reciprocal (65530 per row).
    addFace({10, 0, 0}, {0, 0, 0}, {5, 10, 10 * ONE});
    mesh->render();
    EXPECT_EQ(depthAt(0, 1), 65530); // the left end comes from B's edge
    EXPECT_EQ(depthAt(9, 1), 65530); // span slope 6/9 of a unit rounds to 0

    clearAll(CLEARED);
    mesh->faceCount = 0;
    addFace({0, 0, 0}, {5, 10, 10 * ONE}, {10, 0, 0});
    mesh->render();
    EXPECT_EQ(depthAt(0, 1), 65536); // now the left corner comes first
}

TEST_F(RasterizerTest, EqualDepthKeepsTheFirstFace) {
    const int first = addFace({0, 0, 5 * ONE}, {0, 10, 5 * ONE}, {10, 0, 5 * ONE});
    const int second = addFace({0, 0, 5 * ONE}, {0, 10, 5 * ONE}, {10, 0, 5 * ONE});
    setTexel(first, 0, 1 * ONE, 0);
    setTexel(first, 1, 1 * ONE, 0);
    setTexel(first, 2, 1 * ONE, 0);
    setTexel(second, 0, 2 * ONE, 0);
    setTexel(second, 1, 2 * ONE, 0);
    setTexel(second, 2, 2 * ONE, 0);
    mesh->render();
    EXPECT_EQ(pixelAt(0, 0), 1);
    EXPECT_EQ(pixelAt(4, 5), 1);

    // A nearer face does replace it.
    mesh->screenZ[second * 3 + 0] = mesh->screenZ[second * 3 + 1] = mesh->screenZ[second * 3 + 2] =
        5 * ONE - 1;
    mesh->render();
    EXPECT_EQ(pixelAt(4, 5), 2);
    EXPECT_EQ(depthAt(4, 5), 5 * ONE - 1);
}

TEST_F(RasterizerTest, TexturesCanBeSwappedBetweenDraws) {
    addFace({0, 0, 5 * ONE}, {0, 10, 5 * ONE}, {10, 0, 5 * ONE});
    Image other(256, 256);
    for (int i = 0; i < 256 * 256; i++)
        other.pixels[i] = 0x1234;
    mesh->texture = &other;
    mesh->render();
    EXPECT_EQ(pixelAt(2, 2), 0x1234);
    EXPECT_EQ(mesh->currentTexels, other.pixels);
}

TEST_F(RasterizerTest, EnvironmentMappingSamplesThroughTheViewNormals) {
    const int face = addFace({0, 0, ONE}, {0, 10, ONE}, {10, 0, ONE}, ENVIRONMENT_MATERIAL);
    for (int k = 0; k < 3; k++)
        mesh->vertices[face * 3 + k].viewNormal = Vec3{0, 0, -ONE};
    for (int i = 0; i < 256 * 256; i++)
        envMap->pixels[i] = static_cast<uint16_t>(i ^ 0x8000);
    mesh->render();
    EXPECT_EQ(mesh->currentTexels, envMap->pixels);
    EXPECT_EQ(pixelAt(3, 3), (128 * 256 + 128) ^ 0x8000);

    clearAll(CLEARED);
    for (int k = 0; k < 3; k++)
        mesh->vertices[face * 3 + k].viewNormal = Vec3{-ONE, ONE / 4, 0};
    mesh->render();
    EXPECT_EQ(pixelAt(3, 3), (160 * 256 + 0) ^ 0x8000);

    // +1.0 reaches texel 256, which is clamped to the last column and row.
    clearAll(CLEARED);
    for (int k = 0; k < 3; k++)
        mesh->vertices[face * 3 + k].viewNormal = Vec3{ONE, ONE, 0};
    mesh->render();
    EXPECT_EQ(pixelAt(3, 3), (255 * 256 + 255) ^ 0x8000);
}

TEST_F(RasterizerTest, MeshAtOrBeyondTheClearedDepthLeavesTheBufferAlone) {
    clearAll(100 * ONE);
    addFace({0, 0, 100 * ONE}, {0, 100, 100 * ONE}, {100, 0, 150 * ONE});
    mesh->render();
    for (int i = 0; i < SCREEN_PIXELS; i++) {
        ASSERT_EQ(screen->depthBuffer[i], 100 * ONE) << i;
        ASSERT_EQ(screen->pixels[i], UNTOUCHED) << i;
    }
    EXPECT_EQ(screen->dirtyBottom, 100); // still recorded for the next clear
}

TEST_F(RasterizerTest, FacesWithIndicesOutsideTheArraysAreSkipped) {
    const int face = addFace({0, 0, ONE}, {0, 10, ONE}, {10, 0, ONE});
    mesh->faces[face].b = 24;
    const int textured = addFace({0, 20, ONE}, {0, 30, ONE}, {10, 20, ONE});
    mesh->texFaces[textured].c = -1;
    const int fine = addFace({0, 40, ONE}, {0, 50, ONE}, {10, 40, ONE});
    mesh->render();
    EXPECT_EQ(mesh->faceArea[face], UNSET_AREA);
    EXPECT_EQ(mesh->faceArea[textured], UNSET_AREA);
    EXPECT_EQ(mesh->faceArea[fine], -100 * ONE);
    EXPECT_EQ(drawnCount(), 65);
}

TEST_F(RasterizerTest, FarReachingTrianglesAreClippedToTheScreen) {
    // A one-row sliver 32000 columns wide and a two-column one 32000 rows
    // tall, with texture coordinates far outside the picture.
    addFace({-16000, 100, ONE}, {-16000, 101, ONE}, {16000, 100, 3 * ONE});
    addFace({100, -16000, ONE}, {99, 16000, 2 * ONE}, {101, -16000, ONE});
    const Fixed wild[6][2] = {{INT32_MAX, INT32_MIN}, {-ONE, 900 * ONE},     {0, 0},
                              {INT32_MIN, -5},        {12345678, INT32_MAX}, {-1, 256 * ONE}};
    for (int k = 0; k < 6; k++)
        mesh->texVertices[k] = TexVertex{wild[k][0], wild[k][1]};
    mesh->render();
    for (int column = 0; column < 320; column++)
        ASSERT_TRUE(drawn(column, 100)) << column;
    EXPECT_FALSE(drawn(0, 101));
    // Half way down its height the tall one covers columns 99 and 100.
    for (int row = 0; row < 240; row++) {
        ASSERT_TRUE(drawn(99, row) && drawn(100, row)) << row;
        if (row == 100) continue; // the wide one
        ASSERT_FALSE(drawn(98, row) || drawn(101, row)) << row;
    }
    EXPECT_EQ(drawnCount(), 320 + 240 * 2 - 2); // they share two pixels of row 100
    EXPECT_EQ(screen->dirtyTop, -16000);
    EXPECT_EQ(screen->dirtyBottom, 16000);
}

TEST_F(RasterizerTest, ClipRowsAndColumnsBoundTheFill) {
    // Rows from the first whole row at or after clipTop to the last before
    // clipBottom, columns clipLeft .. clipRight - 1.
    addFace({0, 0, ONE}, {0, 100, ONE}, {100, 0, ONE});
    mesh->clipTop = 10 * ONE + ONE / 2;
    mesh->clipBottom = 20 * ONE;
    mesh->clipLeft = 5;
    mesh->clipRight = 50;
    mesh->render();
    EXPECT_TRUE(drawn(5, 11) && drawn(49, 11) && drawn(5, 19) && drawn(49, 19));
    EXPECT_FALSE(drawn(4, 11) || drawn(50, 11) || drawn(5, 10) || drawn(5, 20));
    EXPECT_EQ(drawnCount(), 9 * 45);
}

TEST_F(RasterizerTest, AreaOfVeryLargeFacesWraps) {
    // 64000 x 64000 pixels does not fit 16.16: the doubled area wraps and
    // its sign decides, exactly as the 32-bit arithmetic gives it.
    const int face = addFace({-32000, -32000, ONE}, {-32000, 32000, ONE}, {32000, -32000, ONE});
    mesh->render();
    EXPECT_EQ(mesh->faceArea[face],
              static_cast<Fixed>(static_cast<uint32_t>(-64000LL * 64000 * 65536)));
}

// drawSpan on its own.
class SpanTest : public RasterizerTest {
  protected:
    void SetUp() override {
        RasterizerTest::SetUp();
        mesh->currentTexels = texture->pixels;
    }
};

TEST_F(SpanTest, LeftClipJumpsTheInterpolants) {
    // u runs 0 .. 10.0 over columns -5 .. 5: slope 65530 per column.
    mesh->drawSpan(-5, 5, 7, 0, 0, 10 * ONE, 0, 0, 10 * ONE);
    EXPECT_FALSE(drawn(319, 6));
    EXPECT_EQ(pixelAt(0, 7), 4); // 5 x 65530 = 4.9998 texels
    EXPECT_EQ(depthAt(0, 7), 5 * 65530);
    EXPECT_EQ(pixelAt(5, 7), 9); // 10 x 65530 = 9.9995 texels
    EXPECT_FALSE(drawn(6, 7));
    EXPECT_EQ(drawnCount(), 6);
}

TEST_F(SpanTest, RightEndIsClampedToTheLastColumn) {
    mesh->drawSpan(310, 400, 7, 0, 0, 90 * ONE, 0, ONE, ONE);
    EXPECT_TRUE(drawn(310, 7));
    EXPECT_TRUE(drawn(319, 7));
    EXPECT_FALSE(drawn(0, 8));
    EXPECT_EQ(drawnCount(), 10);
    EXPECT_EQ(pixelAt(319, 7), 8); // 9 x fixedMul(2^32 / 90.0, 90.0) = 8.99985
}

TEST_F(SpanTest, SpansEntirelyOffScreenDrawNothing) {
    mesh->drawSpan(-9, -1, 7, 0, 0, 0, 0, ONE, ONE);
    mesh->drawSpan(320, 500, 7, 0, 0, 0, 0, ONE, ONE);
    EXPECT_EQ(drawnCount(), 0);
}

TEST_F(SpanTest, OnePixelSpanUsesTheFirstEnd) {
    mesh->drawSpan(7, 7, 3, 0x38000, 0x20000, 99 * ONE, 99 * ONE, 4 * ONE, 9 * ONE);
    EXPECT_EQ(pixelAt(7, 3), 515); // U 3.5, V 2.0
    EXPECT_EQ(depthAt(7, 3), 4 * ONE);
    EXPECT_EQ(drawnCount(), 1);
}

TEST_F(SpanTest, ReversedSpanStartsFromTheSecondEnd) {
    mesh->drawSpan(5, 2, 0, 3 * ONE, 0, 0, 0, 9 * ONE, 6 * ONE);
    EXPECT_EQ(depthAt(2, 0), 6 * ONE);
    EXPECT_EQ(pixelAt(2, 0), 0);
    EXPECT_EQ(pixelAt(3, 0), 0); // 0.99998 texels
    EXPECT_EQ(pixelAt(5, 0), 2);
    EXPECT_EQ(depthAt(5, 0), 6 * ONE + 3 * fixedMul(fixedReciprocal(3 * ONE), 3 * ONE));
    EXPECT_EQ(drawnCount(), 4);
}

TEST_F(SpanTest, EveryLengthWritesExactlyItsColumns) {
    // Covers the first pixel, each remainder modulo four and the groups of four.
    for (int length = 1; length <= 12; length++) {
        clearAll(CLEARED);
        mesh->drawSpan(100, 100 + length - 1, 50, 0, 0, (length - 1) * ONE, 0, ONE, ONE);
        EXPECT_EQ(drawnCount(), length) << length;
        EXPECT_FALSE(drawn(100 + length, 50)) << length;
        for (int k = 1; k < length; k++)
            EXPECT_LE(pixelAt(100 + k, 50), k) << length;
    }
}

TEST_F(SpanTest, TexelCoordinatesAreClampedToThePicture) {
    mesh->drawSpan(0, 3, 0, -ONE, 300 * ONE, -ONE, 300 * ONE, ONE, ONE);
    EXPECT_EQ(pixelAt(0, 0), 255 * 256);
    mesh->drawSpan(0, 0, 1, 0x7FFFFFFF, INT32_MIN, 0, 0, ONE, ONE);
    EXPECT_EQ(pixelAt(0, 1), 255);
    // Steps that carry u past 255.99 mid-span: clamped from there on.
    mesh->drawSpan(0, 9, 2, 250 * ONE, 0, 260 * ONE, 0, ONE, ONE);
    EXPECT_EQ(pixelAt(4, 2), 254); // 250 + 4 x 1.111
    EXPECT_EQ(pixelAt(9, 2), 255);
}

} // namespace
