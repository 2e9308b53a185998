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

// 2^63 / n for a divisor normalised to 2^31 <= n < 2^32, from below, by
// straight lines: segment j covers n from a = (256 + j) 2^23 to b = a + 2^23,
// where f(n) = 2^63 / n runs from 2^40 / (256 + j) to 2^40 / (257 + j).
// base is floor(f(a)) - 2^14 - 1; slope is the drop f(a) - f(b) per 2^15th
// of the segment, times 2^7, rounded up. Built by the compiler.
struct QuotientReciprocal {
    uint32_t base;
    uint32_t slope;
};
struct QuotientReciprocals {
    QuotientReciprocal of[256];
};
constexpr QuotientReciprocals makeQuotientReciprocals() {
    QuotientReciprocals r{};
    for (uint64_t j = 0; j < 256; j++) {
        const uint64_t fa = (uint64_t{1} << 40) / (256 + j), fb = (uint64_t{1} << 40) / (257 + j);
        r.of[j].base = static_cast<uint32_t>(fa - (1 << 14) - 1);
        r.of[j].slope = static_cast<uint32_t>((fa + 1 - fb + 255) >> 8);
    }
    return r;
}
inline constexpr QuotientReciprocals QUOTIENT_RECIPROCAL = makeQuotientReciprocals();

// A dividend a prepared for fixedDiv (a * 2^16) / b by many divisors b: a
// projection divides one focal length by every vertex's depth, so all that
// depends on a alone is worked out once. over(b) equals the 64-bit quotient
// for every b != 0.
//
// With m = |a|, d = |b|, the quotient q = floor(m 2^16 / d). Where it is at
// least 1 and below 2^24 and d <= 2^23 it is found by multiplying, without a
// division (the handheld has no divider; see longQuotient for the rest):
// - m is normalised once: mn = m 2^t in [2^31, 2^32); d per divisor with five
//   conditional shifts (no CLZ on the handheld): n = d 2^s in [2^31, 2^32),
//   8 <= s <= 31, so n's low 8 bits are 0.
// - R, from the line through segment j = bits 23..30 of n, with
//   f - 2^14 - 259 <= R <= f for f = 2^63 / n >= 2^31. The chord lies above
//   the convex f by at most (2^23)^2 / 8 times f'' <= 2^64 / 2^93, that is
//   2^14, which base takes off (with 1 more, and up to 1 for its floor);
//   n - a is exactly 2^8 times the 15 bits x read from it; the slope rounded
//   up (by less than 257 / 2^8) and the product's floor put R from 257 below
//   the chord to 1 above. So R = f (1 - e) with 0 <= e < (2^14 + 259) / 2^31.
// - Q = m 2^16 / d = mn 2^(16+s-t) / n, q = floor(Q), and the estimate
//   q0 = floor(mn R / 2^32) >> k with k = 15 + t - s is floor(Q (1 - e)):
//   q0 <= q and q - q0 < Q e + 1 < 2^24 e + 1 < 132. 1 <= Q < 2^24 and
//   1/2 < mn / n < 2 give 7 <= k <= 31.
// - r = m 2^16 - q0 d lies in [0, 132 d), below 2^32, so the low 32 bits of
//   both products give it exactly. Its quotient by the same reciprocal,
//   q1 = floor(r R / 2^32) >> (31 - s) = floor(r/d (1 - e)), is floor(r/d) or
//   one less, as r/d e < 1; r - q1 d is then below 2d, and one compare
//   finds the last unit.
struct FixedDividend {
    // Shifts v (not 0) up until its top bit is set, with five conditional
    // shifts (the handheld has no CLZ), and returns `place` less the shift:
    // with place 31, the place of v's top bit before. Counting down from the
    // caller's own start leaves no subtraction after the shifts.
    static uint32_t normalise(uint32_t& v, uint32_t place) {
        if (v < 0x10000u) v <<= 16, place -= 16;
        if (v < 0x1000000u) v <<= 8, place -= 8;
        if (v < 0x10000000u) v <<= 4, place -= 4;
        if (v < 0x40000000u) v <<= 2, place -= 2;
        if (v < 0x80000000u) v <<= 1, place -= 1;
        return place;
    }

    uint32_t magnitude;  // m
    uint32_t normalised; // mn
    uint32_t low;        // m 2^16, low 32 bits
    uint32_t first;      // the least d taken by multiplying: floor(m / 256) + 1 (m < 256 d)
    uint32_t span;       // how many: up to 2^23 and to m 2^16 (q >= 1)
    uint32_t kLessU;     // k - (31 - s) = t - 16, modulo 2^32
    bool negative;

    explicit FixedDividend(Fixed a) {
        negative = a < 0;
        magnitude = negative ? 0u - static_cast<uint32_t>(a) : static_cast<uint32_t>(a);
        uint32_t mn = magnitude;
        const uint32_t t = 31 - normalise(mn, 31); // m = 0 leaves span 0: never used
        normalised = mn;
        low = magnitude << 16;
        kLessU = t - 16;
        const uint32_t least = magnitude >> 8, most = magnitude >= 128 ? 1u << 23 : low;
        first = least + 1;
        span = most - least; // m <= 2^31, so least <= 2^23 and least <= m 2^16
    }

    // Always inline: in a loop the dividend's fields and the table's address
    // stay in registers instead of being loaded again for every call.
    __attribute__((always_inline)) Fixed over(Fixed b) const {
        const uint32_t d = b < 0 ? 0u - static_cast<uint32_t>(b) : static_cast<uint32_t>(b);
        uint32_t q;
        if (d - first < span) { // d - first wraps when d < first
            uint32_t n = d << 8;
            const uint32_t u = normalise(n, 23); // u = 31 - s
            const QuotientReciprocal& line = QUOTIENT_RECIPROCAL.of[(n >> 23) - 256];
            const uint32_t x = (n << 9) >> 17; // bits 8..22: where n lies in the segment
            const uint64_t reciprocal = line.base - ((x * line.slope) >> 7);            // R
            q = static_cast<uint32_t>((normalised * reciprocal) >> 32) >> (u + kLessU); // q0
            const uint32_t rest = low - q * d; // r = m 2^16 - q0 d, below 132 d
            const uint32_t more = static_cast<uint32_t>((rest * reciprocal) >> 32) >> u; // q1
            q += more;
            if (rest - more * d >= d) q++;
        } else {
            q = longQuotient(magnitude, d);
        }
        return static_cast<Fixed>(negative != (b < 0) ? 0u - q : q);
    }
};

// (a * 2^16) / b, truncated toward zero and kept to its low 32 bits, as the
// 64-bit quotient would be; b must not be 0.
inline Fixed fixedDiv(Fixed a, Fixed b) {
    return FixedDividend(a).over(b);
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
