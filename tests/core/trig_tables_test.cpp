#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "core/trig_tables.h"

namespace {

class TrigTables : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { buildTrigTables(); }
};

TEST_F(TrigTables, KnownEntries) {
    struct Row {
        int i, sine, cosine;
    };
    const Row rows[] = {
        {0, 0, -65535},          {1, -6, -65535},        {2, -12, -65535},
        {3, -18, -65535},        {4, -25, -65535},       {100, -628, -65532},
        {8192, -46340, -46336},  {16383, -65535, 0},     {16384, -65535, 0},
        {16385, -65535, 6},      {24576, -46336, 46340}, {32767, 0, 65535},
        {32768, 0, 65535},       {32769, 6, 65535},      {49152, 65535, 0},
        {65535, 0, -65535},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(SineTable[r.i], r.sine) << "sine " << r.i;
        EXPECT_EQ(CosineTable[r.i], r.cosine) << "cosine " << r.i;
    }
}

TEST_F(TrigTables, RangeNeverReachesOne) {
    EXPECT_EQ(*std::min_element(SineTable, SineTable + 65536), -65535);
    EXPECT_EQ(*std::max_element(SineTable, SineTable + 65536), 65535);
    EXPECT_EQ(*std::min_element(CosineTable, CosineTable + 65536), -65535);
    EXPECT_EQ(*std::max_element(CosineTable, CosineTable + 65536), 65535);
}

TEST_F(TrigTables, SecondHalfIsNegatedFirstHalf) {
    for (int i = 0; i < 32768; i++)
        ASSERT_EQ(SineTable[i + 32768], -SineTable[i]) << i;
}

TEST_F(TrigTables, SecondQuarterMirrorsFirstWithOffsetOne) {
    for (int i = 16384; i < 32768; i++)
        ASSERT_EQ(SineTable[i], SineTable[32767 - i]) << i;
}

TEST_F(TrigTables, CloseToNegatedSineAndCosine) {
    for (int i = 0; i < 65536; i++) {
        const double angle = 2.0 * M_PI * i / 65536.0;
        ASSERT_NEAR(SineTable[i], -65536.0 * std::sin(angle), 8.0) << i;
        ASSERT_NEAR(CosineTable[i], -65536.0 * std::cos(angle), 8.0) << i;
    }
}

} // namespace
