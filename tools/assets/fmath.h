// Maths for the asset generator that gives the same bits on every machine:
// only +, -, *, / and sqrt (all correctly rounded by IEEE 754), never the C
// library's transcendental functions, whose last bits differ between
// versions. The target is built with -ffp-contract=off so no fused
// multiply-add changes the rounding either.
#pragma once

#include <cmath>
#include <cstdint>

namespace dm {

const double PI = 3.14159265358979323846;
const double TAU = 2 * PI;

inline double clamp(double v, double lo, double hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}
inline double clamp01(double v) {
    return clamp(v, 0.0, 1.0);
}
inline double mix(double a, double b, double t) {
    return a + (b - a) * t;
}
inline double smoothstep(double e0, double e1, double x) {
    const double t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}
inline double sqrt(double v) {
    return v <= 0 ? 0 : std::sqrt(v);
}
inline double floor(double v) {
    return std::floor(v);
}
inline double fract(double v) {
    return v - std::floor(v);
}
inline double length(double x, double y) {
    return sqrt(x * x + y * y);
}

// Sine by range reduction to [-pi/2, pi/2] and a Taylor series.
inline double sin(double x) {
    x -= TAU * std::floor(x / TAU + 0.5); // now in [-pi, pi]
    if (x > PI / 2) x = PI - x;
    if (x < -PI / 2) x = -PI - x;
    const double x2 = x * x;
    double term = x, sum = x;
    for (int n = 1; n <= 9; n++) {
        term = -term * x2 / ((2 * n) * (2 * n + 1));
        sum += term;
    }
    return sum;
}
inline double cos(double x) {
    return sin(x + PI / 2);
}

// Arc tangent of |t| <= 1 after two argument halvings, by its series.
inline double atanSmall(double t) {
    for (int i = 0; i < 2; i++)
        t = t / (1 + sqrt(1 + t * t));
    const double t2 = t * t;
    double term = t, sum = t;
    for (int n = 1; n <= 12; n++) {
        term = -term * t2;
        sum += term / (2 * n + 1);
    }
    return 4 * sum;
}
inline double atan2(double y, double x) {
    if (x == 0 && y == 0) return 0;
    const double ax = x < 0 ? -x : x, ay = y < 0 ? -y : y;
    double a = ax >= ay ? atanSmall(ay / ax) : PI / 2 - atanSmall(ax / ay);
    if (x < 0) a = PI - a;
    return y < 0 ? -a : a;
}

// e^x: x = k ln2 + r with |r| <= ln2 / 2, series for e^r, exact scaling.
inline double exp(double x) {
    if (x < -700) return 0;
    if (x > 700) x = 700;
    const double LN2 = 0.69314718055994530942;
    const double k = std::floor(x / LN2 + 0.5);
    const double r = x - k * LN2;
    double term = 1, sum = 1;
    for (int n = 1; n <= 16; n++) {
        term = term * r / n;
        sum += term;
    }
    return std::ldexp(sum, static_cast<int>(k));
}

// Natural logarithm: v = m 2^e with m in [0.5, 1), ln m by the atanh series.
inline double log(double v) {
    if (v <= 0) return -745;
    int e = 0;
    const double m = std::frexp(v, &e);
    const double s = (m - 1) / (m + 1), s2 = s * s;
    double term = s, sum = s;
    for (int n = 1; n <= 20; n++) {
        term *= s2;
        sum += term / (2 * n + 1);
    }
    return 2 * sum + e * 0.69314718055994530942;
}
inline double pow(double a, double b) {
    return a <= 0 ? 0 : exp(b * log(a));
}

} // namespace dm
