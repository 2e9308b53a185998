// 16.16 fixed-point numbers, vectors and 3x3 matrices of the 3D renderer.
//
// Every result wraps modulo 2^32 like the 32-bit registers the renderer was
// written for; nothing saturates. Signed overflow is undefined in C++, so
// sums go through unsigned arithmetic (fixedAdd / fixedSub), which compiles
// to the same single instruction.
#pragma once

#include <cstdint>

// Signed 16.16 fixed point: 0x10000 is 1.0. Sums wrap modulo 2^32.
typedef int32_t Fixed;

const Fixed FIXED_ONE = 0x10000;

inline Fixed fixedAdd(Fixed a, Fixed b) {
    return static_cast<Fixed>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

inline Fixed fixedSub(Fixed a, Fixed b) {
    return static_cast<Fixed>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

// A decimal constant as Fixed: the value times 65536, truncated toward zero
// (9.9 gives 0x9E666). For constants written in the source; evaluated by the
// compiler, so no floating point reaches the show's code.
constexpr Fixed fixedFromDouble(double value) {
    return static_cast<Fixed>(value * 65536.0);
}

// A whole number as Fixed (n << 16), wrapping like the 32-bit shift.
inline Fixed fixedFromInt(int32_t n) {
    return static_cast<Fixed>(static_cast<uint32_t>(n) << 16);
}

// Bits 16..47 of the exact 64-bit product: rounds toward minus infinity and
// wraps when the result does not fit.
inline Fixed fixedMul(Fixed a, Fixed b) {
    return static_cast<Fixed>((static_cast<int64_t>(a) * b) >> 16);
}

// m * 2^16 / d for d > 0, truncated, kept to its low 32 bits: m / d is one
// 32-bit division (the handheld has no divider, and the 64-bit helper costs
// several times this), then the 16 bits of (m % d) * 2^16 / d are found one
// at a time by long division. The remainder stays below d <= 2^31, so
// doubling it never leaves 32 bits; the top bits of m / d shifted out are
// those the 32-bit result drops anyway.
inline uint32_t longQuotient(uint32_t m, uint32_t d) {
    uint32_t q = m / d;
    uint32_t r = m - q * d;
    auto step = [&]() {
        r <<= 1;
        q <<= 1;
        if (r >= d) r -= d, q |= 1; // the next quotient bit
    };
    step(), step(), step(), step(); // written out: no loop counter or branch
    step(), step(), step(), step();
    step(), step(), step(), step();
    step(), step(), step(), step();
    return q;
}

// The same for 1 <= d <= 2^23 and m < 256 d (a focal length over a depth),
// without a division:
// - m / d below 256 by long division: d 2^k is subtracted where it fits for
//   k = 7 down to 0 (d 2^8 <= 2^31 does not overflow), leaving the quotient
//   and a remainder r < d. When m < 16 d the top four steps would subtract
//   nothing and are passed over.
// - the 16 bits below the point in two rounds of eight, each in one word x
//   holding the remainder above 8 bits of new quotient bits: x = r 2^8 + q'
//   with q' < 2^8 at each step's start (q' gets a bit a step, and a round
//   starts with q' = 0). Doubling x doubles both; 2 r >= d exactly when the
//   doubled x > d 2^8 - 1, since 2 q' stays below 2^8, and then taking
//   d 2^8 - 1 off subtracts d from the remainder and sets the new bit. 2 r <
//   2 d <= 2^24, so the doubled x stays below 2^32.
inline uint32_t shortQuotient(uint32_t m, uint32_t d) {
    uint32_t q = 0, r = m;
    auto bit = [&](int k) {
        if (r >= (d << k)) r -= d << k, q |= 1u << k; // the quotient's bit k
    };
    if (m >= (d << 4)) bit(7), bit(6), bit(5), bit(4);
    bit(3), bit(2), bit(1), bit(0);

    const uint32_t limit = (d << 8) - 1;
    auto eightBits = [limit](uint32_t x) {
        auto step = [&]() {
            x <<= 1;
            if (x > limit) x -= limit; // remainder less d, quotient bit set
        };
        step(), step(), step(), step(); // written out: no loop counter or branch
        step(), step(), step(), step();
        return x;
    };
    const uint32_t upper = eightBits(r << 8);
    const uint32_t lower = eightBits(upper & ~0xFFu); // the remainder, its bits cleared
    return (q << 16) | ((upper & 0xFF) << 8) | (lower & 0xFF);
}

// (a * 2^16) / b, truncated toward zero and kept to its low 32 bits, as the
// 64-bit quotient would be; b must not be 0.
inline Fixed fixedDiv(Fixed a, Fixed b) {
    const uint32_t m = a < 0 ? 0u - static_cast<uint32_t>(a) : static_cast<uint32_t>(a);
    const uint32_t d = b < 0 ? 0u - static_cast<uint32_t>(b) : static_cast<uint32_t>(b);
    const uint32_t q = d <= (1u << 23) && m < (d << 8) ? shortQuotient(m, d) : longQuotient(m, d);
    return static_cast<Fixed>((a < 0) != (b < 0) ? 0u - q : q);
}

// 2^32 / d, truncated toward zero, kept to its low 32 bits; d must not be 0.
// For a whole number of pixels n << 16 this is 1/n.
//
// Worked with one 32-bit division (the handheld has no divider, and the
// 64-bit helper costs several times the 32-bit one): with m = |d| and
// q = (2^32 - 1) / m, 2^32 = q m + r + 1, so the quotient is q, or q + 1
// when r + 1 reaches m (m divides 2^32). d = 1 gives 2^32, whose low bits
// are 0, as the 64-bit form's do.
inline Fixed fixedReciprocal(Fixed d) {
    const uint32_t m = d < 0 ? 0u - static_cast<uint32_t>(d) : static_cast<uint32_t>(d);
    uint32_t q = 0xFFFFFFFFu / m;
    if (0xFFFFFFFFu - q * m == m - 1) q++;
    return static_cast<Fixed>(d < 0 ? 0u - q : q);
}

struct Vec3 {
    Fixed x;
    Fixed y;
    Fixed z;
};

// Nine values stored row by row (m00, m01, m02, m10, ...). Vectors are row
// vectors multiplied from the left, so the rows are the images of the axes,
// and A.multiply(B) gives a matrix that applies A first, then B.
struct Matrix3 {
    Fixed m[9];

    void setIdentity() {
        m[0] = FIXED_ONE, m[1] = 0, m[2] = 0;
        m[3] = 0, m[4] = FIXED_ONE, m[5] = 0;
        m[6] = 0, m[7] = 0, m[8] = FIXED_ONE;
    }

    // this = this x other. Each product is rounded on its own; the result is
    // built in a copy, so other may be this matrix.
    void multiply(const Matrix3& other) {
        Fixed result[9];
        for (int row = 0; row < 3; row++) {
            const Fixed* r = &m[row * 3];
            for (int col = 0; col < 3; col++) {
                Fixed sum =
                    fixedAdd(fixedMul(r[0], other.m[col]), fixedMul(r[1], other.m[3 + col]));
                result[row * 3 + col] = fixedAdd(sum, fixedMul(r[2], other.m[6 + col]));
            }
        }
        for (int i = 0; i < 9; i++)
            m[i] = result[i];
    }

    // The rotation about x, then y, then z from three sines and three
    // cosines, taken as they are (the tables hold negated values).
    void setRotation(Fixed sx, Fixed sy, Fixed sz, Fixed cx, Fixed cy, Fixed cz) {
        Fixed p = fixedMul(sy, cz);
        Fixed q = fixedMul(sy, sz);
        m[0] = fixedMul(cy, cz);
        m[1] = fixedMul(cy, sz);
        m[2] = fixedSub(0, sy);
        m[3] = fixedSub(fixedMul(sx, p), fixedMul(sz, cx));
        m[4] = fixedAdd(fixedMul(sx, q), fixedMul(cx, cz));
        m[5] = fixedMul(sx, cy);
        m[6] = fixedAdd(fixedMul(p, cx), fixedMul(sx, sz));
        m[7] = fixedSub(fixedMul(q, cx), fixedMul(sx, cz));
        m[8] = fixedMul(cx, cy);
    }
};

// v x m for a row vector v.
inline Vec3 transformVector(Vec3 v, const Matrix3& m) {
    Vec3 r;
    r.x = fixedAdd(fixedAdd(fixedMul(v.x, m.m[0]), fixedMul(v.y, m.m[3])), fixedMul(v.z, m.m[6]));
    r.y = fixedAdd(fixedAdd(fixedMul(v.x, m.m[1]), fixedMul(v.y, m.m[4])), fixedMul(v.z, m.m[7]));
    r.z = fixedAdd(fixedAdd(fixedMul(v.x, m.m[2]), fixedMul(v.y, m.m[5])), fixedMul(v.z, m.m[8]));
    return r;
}
