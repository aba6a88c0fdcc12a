#include "framework/buffers/SLBlockBuffer.h"

#include <gmock/gmock.h>

#include <vector>

#include "framework/TypedBufferTestHelpers.h"

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

TEST(BlockBuffer, ArithmeticSaturatesAndStopsAtTheShorterBuffer)
{
    const std::vector<std::uint8_t> left{200, 10, 16, 255, 7};
    const std::vector<std::uint8_t> right{100, 20, 16, 0};
    const struct {
        void (ISLBlockBuffer::*operation)(ISLBlockBuffer&);
        std::vector<std::uint8_t> expected;
    } cases[] = {
        {&ISLBlockBuffer::Add, {255, 30, 32, 255, 7}},
        {&ISLBlockBuffer::Subtract, {100, 0, 0, 255, 7}},
        {&ISLBlockBuffer::Multiply, {255, 200, 255, 0, 7}},
    };
    for (const auto& c : cases) {
        SLRef<TSLBlockBuffer> buffer = bytes(left);
        ((*buffer).*c.operation)(*bytes(right));
        EXPECT_THAT(values(*buffer), ElementsAreArray(c.expected));
    }
}

TEST(BlockBuffer, DivisionByZeroRaisesAtItsPosition)
{
    SLRef<TSLBlockBuffer> buffer = bytes({200, 9, 50, 7});
    SLRef<ISLData> clone = buffer->Clone();
    EXPECT_THROW(buffer->Divide(*bytes({3, 2, 0, 1})), EDivByZero);
    EXPECT_THAT(values(*buffer), ElementsAre(66, 4, 50, 7));
    EXPECT_THAT(values(*intfCast<ISLBlockBuffer>(clone)), ElementsAre(200, 9, 50, 7));
}

