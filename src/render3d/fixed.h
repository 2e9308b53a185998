// 16.16 fixed-point numbers, vectors and 3x3 matrices of the 3D renderer.
#pragma once

#include <cstdint>

// Signed 16.16 fixed point: 0x10000 is 1.0. Sums wrap modulo 2^32.
typedef int32_t Fixed;

const Fixed FIXED_ONE = 0x10000;

struct Vec3 {
    Fixed x;
    Fixed y;
    Fixed z;
};

// Nine values stored row by row (m00, m01, m02, m10, ...). Vectors are row
// vectors multiplied from the left, so the rows are the images of the axes.
struct Matrix3 {
    Fixed m[9];
};
