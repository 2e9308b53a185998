// The generator's own transcendental functions (built from +, -, *, / and
// sqrt only, so their bits are the same everywhere) must still be accurate:
// compared here with the C library over their whole working ranges.
#include <gtest/gtest.h>

#include <cmath>

#include "../../tools/assets/fmath.h"

TEST(AssetMaths, SineAndCosineMatchTheLibraryOverManyTurns) {
    for (int i = -20000; i <= 20000; i++) {
        const double x = i * 0.00731;
        ASSERT_NEAR(std::sin(x), dm::sin(x), 1e-12) << x;
        ASSERT_NEAR(std::cos(x), dm::cos(x), 1e-12) << x;
    }
}

TEST(AssetMaths, ArcTangentCoversEveryQuadrant) {
    for (int i = -300; i <= 300; i++)
        for (int j = -300; j <= 300; j += 7) {
            const double y = i * 0.37, x = j * 0.41;
            if (x == 0 && y == 0) continue;
            ASSERT_NEAR(std::atan2(y, x), dm::atan2(y, x), 1e-12) << y << " " << x;
        }
    EXPECT_EQ(0, dm::atan2(0, 0));
}

TEST(AssetMaths, ExponentialLogarithmAndPower) {
    for (int i = -4000; i <= 4000; i++) {
        const double x = i * 0.01;
        ASSERT_NEAR(1.0, dm::exp(x) / std::exp(x), 1e-13) << x;
    }
    for (int i = 1; i <= 5000; i++) {
        const double v = i * 0.013;
        ASSERT_NEAR(std::log(v), dm::log(v), 1e-12) << v;
        ASSERT_NEAR(1.0, dm::pow(v, 0.55) / std::pow(v, 0.55), 1e-12) << v;
    }
    EXPECT_EQ(0, dm::pow(0, 2));
    EXPECT_EQ(0, dm::exp(-800));
}
