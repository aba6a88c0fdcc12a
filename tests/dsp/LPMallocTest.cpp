#include "dsp/LPMalloc.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>

namespace {

TEST(AlignedAlloc, RefusesSizesBelowOne)
{
    for (int size : {0, -1, -5, std::numeric_limits<int>::min()}) {
        EXPECT_EQ(dsp::AlignedAlloc(size), nullptr) << size;
        EXPECT_EQ(dsp::AlignedAlloc64f(size), nullptr) << size;
        EXPECT_EQ(dsp::AlignedAlloc64fc(size), nullptr) << size;
    }
}

TEST(AlignedAlloc, EveryBlockIsAlignedAndFullyUsable)
{
    for (int size = 1; size <= 300; ++size) {
        auto* block = static_cast<unsigned char*>(dsp::AlignedAlloc(size));
        ASSERT_NE(block, nullptr);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % 32, 0u) << size;
        std::memset(block, 0xA5, static_cast<std::size_t>(size)); // ASan checks the bounds
        dsp::AlignedFree(block);
    }
}

TEST(AlignedAlloc, ElementFormsGiveRoomForTheWholeCount)
{
    constexpr int count = 1000;
    auto* reals = static_cast<double*>(dsp::AlignedAlloc64f(count));
    auto* complexes = static_cast<double*>(dsp::AlignedAlloc64fc(count));
    ASSERT_NE(reals, nullptr);
    ASSERT_NE(complexes, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(reals) % 32, 0u);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(complexes) % 32, 0u);
    for (int i = 0; i < count; ++i)
        reals[i] = i;
    for (int i = 0; i < 2 * count; ++i)
        complexes[i] = i;
    EXPECT_EQ(reals[count - 1], count - 1);
    EXPECT_EQ(complexes[2 * count - 1], 2 * count - 1);
    dsp::AlignedFree(reals);
    dsp::AlignedFree(complexes);
}

TEST(AlignedAlloc, FreeOfNullDoesNothing)
{
    dsp::AlignedFree(nullptr);
    EXPECT_TRUE(dsp::ProcessHeapFree(nullptr));
}

} // namespace
