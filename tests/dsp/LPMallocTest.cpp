#include "dsp/LPMalloc.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>

namespace {

TEST(AlignedAlloc, RefusesSizesBelowOneAndFreeOfNullDoesNothing)
{
    for (int size : {0, -1, -5, std::numeric_limits<int>::min()}) {
        EXPECT_EQ(dsp::AlignedAlloc(size), nullptr) << size;
        EXPECT_EQ(dsp::AlignedAlloc64f(size), nullptr) << size;
        EXPECT_EQ(dsp::AlignedAlloc64fc(size), nullptr) << size;
    }
    dsp::AlignedFree(nullptr);
    EXPECT_TRUE(dsp::ProcessHeapFree(nullptr));
}

// Bytes, doubles and complex pairs: every block is aligned and, as ASan checks,
// holds the whole count.
TEST(AlignedAlloc, EveryBlockIsAlignedAndFullyUsable)
{
    for (int size = 1; size <= 300; ++size) {
        const std::pair<void*, std::size_t> blocks[] = {{dsp::AlignedAlloc(size), size},
                                                         {dsp::AlignedAlloc64f(size), size * sizeof(double)},
                                                         {dsp::AlignedAlloc64fc(size), 2 * size * sizeof(double)}};
        for (const auto& [block, bytes] : blocks) {
            ASSERT_NE(block, nullptr);
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % 32, 0u) << size;
            std::memset(block, 0xA5, bytes);
            dsp::AlignedFree(block);
        }
    }
}

} // namespace
