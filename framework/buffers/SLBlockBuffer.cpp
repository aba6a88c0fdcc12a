#include "framework/buffers/SLBlockBuffer.h"

#include "dsp/SLBasicDispatcher.h"

namespace {

const dsp::BasicRoutineTable& routines()
{
    return dsp::BasicTable();
}

} // namespace

void TSLBlockBuffer::Add(ISLBlockBuffer& other)
{
    modifyWith(other, routines().ippsAdd_8u_ISfs, 0);
}

void TSLBlockBuffer::Subtract(ISLBlockBuffer& other)
{
    modifyWith(other, routines().ippsSub_8u_ISfs, 0);
}

void TSLBlockBuffer::Multiply(ISLBlockBuffer& other)
{
    modifyWith(other, routines().ippsMul_8u_ISfs, 0);
}

void TSLBlockBuffer::Divide(ISLBlockBuffer& other)
{
    modifyEach(other, [](std::uint8_t value, std::uint8_t divisor) {
        if (divisor == 0)
            throw EDivByZero();
        return static_cast<std::uint8_t>(value / divisor);
    });
}

void TSLBlockBuffer::Fill(std::uint8_t value)
{
    routines().ippsSet_8u(value, GetWritePointer(), count());
}

void TSLBlockBuffer::Zero()
{
    routines().ippsZero_8u(GetWritePointer(), count());
}
