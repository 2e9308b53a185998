// Rounding, wrap-around and matrix conventions of the fixed-point math.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "core/camera.h"
#include "core/fixed.h"
#include "core/trig_tables.h"

namespace {

const Fixed ONE = 0x10000;

Matrix3 diagonal(Fixed d) {
    return Matrix3{{d, 0, 0, 0, d, 0, 0, 0, d}};
}

void expectMatrix(const Matrix3& m, const Matrix3& expected) {
    for (int i = 0; i < 9; i++)
        EXPECT_EQ(m.m[i], expected.m[i]) << "element " << i;
}

TEST(FixedMul, KeepsBits16To47RoundingDown) {
    for (Fixed x : {Fixed(0x7FFFFFFF), Fixed(INT32_MIN), Fixed(-1), Fixed(12345)})
        EXPECT_EQ(fixedMul(ONE, x), x);
    EXPECT_EQ(fixedMul(-1, 1), -1); // floors, does not truncate toward zero
    EXPECT_EQ(fixedMul(-3, 0x8000), -2);
    EXPECT_EQ(fixedMul(0x8000, 0x8000), 0x4000);
    // 0x7FFFFFFF^2 = 0x3FFFFFFF_00000001: bits 16..47 are 0xFFFF0000.
    EXPECT_EQ(fixedMul(0x7FFFFFFF, 0x7FFFFFFF), static_cast<Fixed>(0xFFFF0000u));
    EXPECT_EQ(fixedMul(INT32_MIN, INT32_MIN), 0); // 2^62 >> 16 = 2^46: low 32 bits are 0
}

TEST(FixedDiv, TruncatesTowardZero) {
    EXPECT_EQ(fixedDiv(-3 * ONE, 2 * ONE), -0x18000);
    EXPECT_EQ(fixedDiv(1, 3), 0x5555);
    EXPECT_EQ(fixedDiv(-1, 3), -0x5555);
    EXPECT_EQ(fixedDiv(1, -3), -0x5555);
    EXPECT_EQ(fixedDiv(0x7FFFFFFF, 1),
              static_cast<Fixed>(0xFFFF0000u)); // low 32 bits of the quotient
}

// The 32-bit long division against the 64-bit quotient it replaces, where
// its remainder comes nearest 2^32 (divisors at 2^31) and at the signs' ends.
TEST(FixedDiv, EqualsTheSixtyFourBitQuotient) {
    const Fixed values[] = {1,          -1,        3,         ONE - 1,       ONE,       ONE + 1,
                            0x40000001, INT32_MAX, INT32_MIN, INT32_MIN + 1, 0x7FFF1234};
    for (Fixed a : values)
        for (Fixed b : values)
            EXPECT_EQ(fixedDiv(a, b), static_cast<Fixed>((static_cast<int64_t>(a) * 65536) / b))
                << a << " / " << b;
}

// Divisions without the 32-bit divide (divisor up to 2^23, quotient from
// 1/65536 to below 256.0) against the 64-bit quotient at that path's edges,
// both signs.
TEST(FixedDiv, EqualsTheSixtyFourBitQuotientAtTheShortPathsEdges) {
    for (int64_t d : {int64_t{1}, int64_t{3}, int64_t{1} << 23, (int64_t{1} << 23) + 1})
        for (int64_t m : {d * 16 - 1, d * 16, d * 256 - 1, d * 256})
            for (int64_t sign : {1, -1}) {
                const Fixed a = static_cast<Fixed>(m * sign), b = static_cast<Fixed>(d);
                EXPECT_EQ(fixedDiv(a, b), static_cast<Fixed>((static_cast<int64_t>(a) * 65536) / b))
                    << a << " / " << b;
                EXPECT_EQ(fixedDiv(b, a), static_cast<Fixed>((static_cast<int64_t>(b) * 65536) / a))
                    << b << " / " << a;
            }
}

// The same where the quotient falls from 1/65536 to 0 (divisor m 2^16 + 1),
// which the 32-bit divide takes again.
TEST(FixedDiv, EqualsTheSixtyFourBitQuotientWhereItReachesZero) {
    for (int64_t m : {int64_t{1}, int64_t{127}, int64_t{128}})
        for (int64_t d : {m * 65536 - 1, m * 65536, m * 65536 + 1})
            for (int64_t sign : {1, -1}) {
                const Fixed a = static_cast<Fixed>(m * sign), b = static_cast<Fixed>(d);
                EXPECT_EQ(fixedDiv(a, b), static_cast<Fixed>((static_cast<int64_t>(a) * 65536) / b))
                    << a << " / " << b;
            }
}

TEST(FixedReciprocal, TruncatesAndDiffersFromDivisionRounding) {
    EXPECT_EQ(fixedReciprocal(ONE), ONE);
    EXPECT_EQ(fixedReciprocal(3 * ONE), 0x5555);
    EXPECT_EQ(fixedReciprocal(7 * ONE), 9362); // 65536 / 7 = 9362.28
    EXPECT_EQ(fixedReciprocal(1), 0);          // 2^32 does not fit: low bits are 0
    // A slope formed with the reciprocal rounds differently from a division.
    EXPECT_EQ(fixedMul(fixedReciprocal(3 * ONE), 2 * ONE), 0xAAAA);
    EXPECT_EQ(fixedDiv(2 * ONE, 3 * ONE), 0xAAAA);
    EXPECT_EQ(fixedMul(fixedReciprocal(3 * ONE), 10 * ONE), 0x35552);
    EXPECT_EQ(fixedDiv(10 * ONE, 3 * ONE), 0x35555);
}

// The 32-bit form against the 64-bit division it replaces, where its
// correction step decides (powers of two, both signs, the ends of the range).
TEST(FixedReciprocal, EqualsTheSixtyFourBitQuotient) {
    std::vector<int64_t> divisors = {1,     2,         3,         65535,        65536,
                                     65537, INT32_MAX, INT32_MIN, INT32_MIN + 1};
    for (int shift = 0; shift < 31; shift++)
        for (int64_t near = -1; near <= 1; near++)
            divisors.push_back((int64_t{1} << shift) + near);
    for (int64_t d : divisors)
        for (int64_t sign : {1, -1}) {
            const int64_t divisor = d * sign;
            if (divisor == 0 || divisor < INT32_MIN || divisor > INT32_MAX) continue;
            const Fixed f = static_cast<Fixed>(divisor);
            EXPECT_EQ(fixedReciprocal(f), static_cast<Fixed>(INT64_C(0x100000000) / divisor))
                << "d = " << divisor;
        }
}

TEST(Matrix3Test, MultiplyRoundsEachProductAndWraps) {
    Matrix3 a = diagonal(ONE);
    a.m[0] = 1, a.m[1] = 1; // row 0 = (1/65536, 1/65536, 0)
    Matrix3 b = diagonal(0);
    b.m[0] = 0x8000, b.m[3] = 0x8000;
    a.multiply(b);
    EXPECT_EQ(a.m[0], 0); // two products of 0.5/65536 each floor to 0

    Matrix3 c = diagonal(ONE);
    c.m[0] = 0x7FFFFFFF, c.m[1] = ONE;
    Matrix3 d = diagonal(ONE);
    d.m[3] = ONE; // column 0 = (1, 1, 0)
    c.multiply(d);
    EXPECT_EQ(c.m[0], static_cast<Fixed>(0x8000FFFFu)); // the sum wraps
}

TEST(Matrix3Test, IdentityTimesAnyMatrixIsExact) {
    Matrix3 m{{-7, 0x12345, INT32_MIN, 3, -0x10000, 0x7FFFFFFF, 1, 2, -3}};
    Matrix3 id;
    id.setIdentity();
    id.multiply(m);
    expectMatrix(id, m);
}

TEST(Matrix3Test, MultiplyByItselfSquares) {
    Matrix3 m{{0x9000, -0x3000, 0x1234, 0x2000, 0xC000, -0x700, -0x1111, 0x4321, 0x8888}};
    Matrix3 copy = m;
    Matrix3 expected = m;
    expected.multiply(copy);
    m.multiply(m);
    expectMatrix(m, expected);
}

TEST(Matrix3Test, SetRotationQuarterTurns) {
    Matrix3 m;
    m.setRotation(0, 0, 0, ONE, ONE, ONE);
    expectMatrix(m, diagonal(ONE));

    m.setRotation(0, 0, ONE, ONE, ONE, 0); // about z
    expectMatrix(m, Matrix3{{0, ONE, 0, -ONE, 0, 0, 0, 0, ONE}});
    Vec3 v = transformVector(Vec3{ONE, 0, 0}, m);
    EXPECT_EQ(v.x, 0);
    EXPECT_EQ(v.y, ONE);
    EXPECT_EQ(v.z, 0);

    m.setRotation(ONE, 0, 0, 0, ONE, ONE); // about x
    expectMatrix(m, Matrix3{{ONE, 0, 0, 0, 0, ONE, 0, -ONE, 0}});
    m.setRotation(0, ONE, 0, ONE, 0, ONE); // about y
    expectMatrix(m, Matrix3{{0, 0, -ONE, 0, ONE, 0, ONE, 0, 0}});
}

TEST(Matrix3Test, SetRotationIsXThenYThenZ) {
    // Generic sines and cosines: the built matrix must match Rx x Ry x Rz
    // up to the rounding of the individual products.
    const Fixed sx = 20000, cx = 62400, sy = -31000, cy = 57700, sz = 45000, cz = -47600;
    Matrix3 rx{{ONE, 0, 0, 0, cx, sx, 0, -sx, cx}};
    Matrix3 ry{{cy, 0, -sy, 0, ONE, 0, sy, 0, cy}};
    Matrix3 rz{{cz, sz, 0, -sz, cz, 0, 0, 0, ONE}};
    Matrix3 product = rx;
    product.multiply(ry);
    product.multiply(rz);
    Matrix3 built;
    built.setRotation(sx, sy, sz, cx, cy, cz);
    for (int i = 0; i < 9; i++)
        EXPECT_LE(std::abs(built.m[i] - product.m[i]), 3) << "element " << i;
}

TEST(TransformVectorTest, RowVectorTimesMatrix) {
    Matrix3 m{{1 * ONE, 2 * ONE, 3 * ONE, 4 * ONE, 5 * ONE, 6 * ONE, 7 * ONE, 8 * ONE, 9 * ONE}};
    Vec3 v = transformVector(Vec3{ONE, 2 * ONE, -ONE}, m);
    EXPECT_EQ(v.x, (1 + 8 - 7) * ONE);
    EXPECT_EQ(v.y, (2 + 10 - 8) * ONE);
    EXPECT_EQ(v.z, (3 + 12 - 9) * ONE);
}

class RotationFromAnglesTest : public testing::Test {
  protected:
    static void SetUpTestSuite() { buildTrigTables(); }
};

TEST_F(RotationFromAnglesTest, ReducesAnglesTo16Bits) {
    int32_t ax = 0x12345, ay = -16384, az = 70000;
    rotationFromAngles(ax, ay, az);
    EXPECT_EQ(ax, 0x2345);
    EXPECT_EQ(ay, 49152);
    EXPECT_EQ(az, 4464);
    int32_t bx = -1, by = 65541, bz = 65535;
    rotationFromAngles(bx, by, bz);
    EXPECT_EQ(bx, 65535);
    EXPECT_EQ(by, 5);
    EXPECT_EQ(bz, 65535);
}

TEST_F(RotationFromAnglesTest, ZeroAnglesGiveTheTableScaledDiagonal) {
    int32_t ax = 0, ay = 0, az = 0;
    Matrix3 m = rotationFromAngles(ax, ay, az);
    expectMatrix(m, diagonal(65534));
    m.multiply(m);
    expectMatrix(m, diagonal(65532));
}

} // namespace
