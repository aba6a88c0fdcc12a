#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "dsp/FftCore.h"

using namespace dsp::fft;

namespace {

TEST(FftTables, BitReverseTableListsPairsThenFixedPoints) {
    const struct {
        int order;
        std::vector<Ipp32u> entries;
    } table[] = {
        {3, {0, 4, 0}},
        {4, {4, 8, 0, 12, 0}},
        // 3 middle bits: pairs (1,4), (3,6); fixed points 7, 5, 2.
        {5, {4, 16, 12, 24, 0, 28, 20, 8, 0}},
    };
    for (const auto& row : table) {
        std::vector<Ipp32u> t(row.entries.size() + 8, 0xdeadbeef);
        BuildBitReverseTable(row.order, t.data());
        t.resize(row.entries.size());
        EXPECT_EQ(t, row.entries) << "order " << row.order;
    }
}

// Both walks (the table's pairs for small orders, tiles for large ones) must
// give exactly the bit-reversal permutation, copying and in place.
TEST(FftBitReversal, CopyAndInPlaceGiveThePermutation) {
    for (int order = 2; order <= 16; ++order) {
        const std::size_t n = std::size_t{1} << order;
        std::vector<Ipp32u> table(n / 4 + 8);
        BuildBitReverseTable(order, table.data());
        std::vector<Ipp64fc> source(n), copied(n), inPlace(n);
        for (std::size_t i = 0; i < n; ++i)
            source[i] = inPlace[i] = {static_cast<double>(i), -static_cast<double>(i)};
        BitReverseCopy(source.data(), copied.data(), n, table.data());
        BitReverseInPlace(inPlace.data(), n, table.data());
        for (std::size_t i = 0; i < n; ++i) {
            std::size_t r = 0;
            for (int b = 0; b < order; ++b)
                r |= ((i >> b) & 1u) << (order - 1 - b);
            ASSERT_EQ(copied[r].re, static_cast<double>(i)) << "order " << order << " index " << i;
            ASSERT_EQ(inPlace[r].re, static_cast<double>(i)) << "order " << order << " index " << i;
        }
    }
}

TEST(FftTables, SineTableOfOrderFourHoldsAQuarterWave) {
    std::vector<double> sine(5);
    BuildTwiddleTable(4, sine.data());
    const double pi = std::acos(-1.0);
    for (int k = 0; k <= 4; ++k)
        EXPECT_NEAR(sine[k], std::sin(2 * pi * k / 16), 1e-16) << k;
    EXPECT_EQ(sine[0], 0.0);
    EXPECT_EQ(sine[4], 1.0);
}

// The chains of levels, including orders far too large to build here.
TEST(FftPlan, ShapesAndSizesForEveryLargeOrder) {
    constexpr std::size_t K = 1024;
    const struct {
        int order;
        std::vector<int> splits;
        int bottom;
        bool medium;
        std::size_t work;
    } table[] = {
        {10, {}, 10, true, 0},       {11, {}, 11, true, 0},        {12, {4}, 8, false, K},
        {15, {7}, 8, false, 8 * K},  {16, {7}, 9, false, 8 * K},   {18, {9}, 9, false, 32 * K},
        {19, {9}, 10, true, 32 * K}, {20, {9}, 11, true, 32 * K},  {21, {8, 5}, 8, false, 16 * K},
        {22, {8, 6}, 8, false, 16 * K}, {23, {9, 6}, 8, false, 32 * K}, {24, {9, 7}, 8, false, 32 * K},
        {25, {9, 7}, 9, false, 32 * K}, {26, {9, 8}, 9, false, 32 * K}, {27, {9, 9}, 9, false, 32 * K},
        {28, {9, 9}, 10, true, 32 * K}, {29, {9, 9}, 11, true, 32 * K}, {30, {9, 8, 5}, 8, false, 32 * K},
    };
    for (const auto& row : table) {
        const PlanShape shape = planShapeOf(row.order);
        ASSERT_EQ(shape.levelCount, static_cast<int>(row.splits.size())) << "order " << row.order;
        int q = row.order;
        std::size_t storage = row.medium ? 16 * (std::size_t{1} << row.bottom) / 4 + 8208
                                         : 16 * ((std::size_t{1} << row.bottom) + 1);
        for (int l = 0; l < shape.levelCount; ++l) {
            EXPECT_EQ(shape.levelOrder[l], q);
            EXPECT_EQ(shape.split[l], row.splits[l]) << "order " << row.order << " level " << l;
            storage += 16 * ((std::size_t{1} << q) + (std::size_t{1} << row.splits[l]) + 1);
            q -= row.splits[l];
        }
        EXPECT_EQ(shape.bottomOrder, row.bottom) << "order " << row.order;
        EXPECT_EQ(shape.bottomIsMedium, row.medium) << "order " << row.order;

        PlanSizeSet sizes;
        ASSERT_TRUE(PlanSizes(row.order, sizes));
        EXPECT_EQ(sizes.workBytes, row.work) << "order " << row.order;
        EXPECT_EQ(sizes.storageBytes, storage) << "order " << row.order;
        // The cross twiddles of level 0 alone are 16 bytes a point: the sizes
        // of the largest orders must not have wrapped.
        if (shape.levelCount > 0) {
            EXPECT_GT(sizes.storageBytes, 16 * (std::size_t{1} << row.order)) << "order " << row.order;
        }
    }
}

TEST(FftPlan, TableSizesOfTheLargestOrdersStayExact) {
    std::size_t bytes = 0;
    ASSERT_TRUE(sineTableBytes(30, bytes));
    EXPECT_EQ(bytes, (std::size_t{1} << 31) + 16);
    ASSERT_TRUE(bitReverseTableBytes(30, bytes));
    EXPECT_EQ(bytes, (std::size_t{1} << 30) + 16);
    ASSERT_TRUE(bitReverseTableBytes(29, bytes));
    EXPECT_EQ(bytes, (std::size_t{1} << 29) + 16);
}

}  // namespace
