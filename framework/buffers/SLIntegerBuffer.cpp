#include "framework/buffers/SLIntegerBuffer.h"

#include <algorithm>

#include "dsp/FftVectorRoutines.h"
#include "dsp/SLBasicDispatcher.h"

namespace {

const dsp::BasicRoutineTable& routines()
{
    return dsp::BasicTable();
}

Ipp32u* bits(std::int32_t* values)
{
    return reinterpret_cast<Ipp32u*>(values);
}

const Ipp32u* bits(const std::int32_t* values)
{
    return reinterpret_cast<const Ipp32u*>(values);
}

// A routine on unsigned words applied to the signed elements.
auto onBits(IppStatus (*routine)(const Ipp32u*, Ipp32u*, int))
{
    return [routine](const std::int32_t* source, std::int32_t* values, int n) {
        return routine(bits(source), bits(values), n);
    };
}

// Called with indices already cut to a buffer, whose byte offsets fit 32 bits.
std::int32_t bytesOf(std::int32_t elements)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(elements) * sizeof(std::int32_t));
}

// Truncating remainder with the dividend's sign. The minimum by -1 would trap
// in the processor's division although its remainder is plainly 0.
std::int32_t truncatedRemainder(std::int32_t dividend, std::int32_t divisor)
{
    if (divisor == 0)
        throw EDivByZero();
    return divisor == -1 ? 0 : dividend % divisor;
}

// Shift counts of the element shifts are cut to their low five bits, so a
// negative count -n shifts by 32 - n (mod 32).
unsigned shiftCount(std::int32_t count)
{
    return static_cast<std::uint32_t>(count) & 31u;
}

} // namespace

void TSLIntegerBuffer::CopyTo(std::int32_t sourceIndex, ISLDataBuffer& dest, std::int32_t destIndex,
                              std::int32_t count)
{
    auto* integerDest = dynamic_cast<TSLIntegerBuffer*>(dest.GetInstance());
    if (!integerDest) {
        Base::CopyTo(sourceIndex, dest, destIndex, count);
        return;
    }
    // Cut in elements before the indices become byte offsets, which could
    // otherwise wrap back inside the buffers.
    const std::int32_t fits = fittingCount(GetCount(), sourceIndex, integerDest->GetCount(), destIndex, count);
    if (fits > 0)
        Base::CopyTo(bytesOf(sourceIndex), dest, bytesOf(destIndex), bytesOf(fits));
}

void TSLIntegerBuffer::Add(ISLIntegerBuffer& other)
{
    modifyWith(other, routines().ippsAdd_32s_ISfs, 0);
}

void TSLIntegerBuffer::Subtract(ISLIntegerBuffer& other)
{
    modifyWith(other, routines().ippsSub_32s_ISfs, 0);
}

void TSLIntegerBuffer::Multiply(ISLIntegerBuffer& other)
{
    modifyWith(other, routines().ippsMul_32s_ISfs, 0);
}

void TSLIntegerBuffer::Divide(ISLIntegerBuffer& other)
{
    modifyWith(other, routines().ippsDiv_32s_ISfs, 0);
}

void TSLIntegerBuffer::Modulo(ISLIntegerBuffer& other)
{
    modifyEach(other, truncatedRemainder);
}

void TSLIntegerBuffer::And(ISLIntegerBuffer& other)
{
    modifyWith(other, onBits(routines().ippsAnd_32u_I));
}

void TSLIntegerBuffer::Or(ISLIntegerBuffer& other)
{
    modifyWith(other, onBits(routines().ippsOr_32u_I));
}

void TSLIntegerBuffer::Xor(ISLIntegerBuffer& other)
{
    modifyWith(other, onBits(routines().ippsXor_32u_I));
}

void TSLIntegerBuffer::ShiftLeft(ISLIntegerBuffer& other)
{
    modifyEach(other, [](std::int32_t value, std::int32_t by) {
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(value) << shiftCount(by));
    });
}

void TSLIntegerBuffer::ShiftRight(ISLIntegerBuffer& other)
{
    modifyEach(other, [](std::int32_t value, std::int32_t by) {
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(value) >> shiftCount(by));
    });
}

void TSLIntegerBuffer::Fill(std::int32_t value)
{
    routines().ippsSet_32s(value, GetWritePointer(), count());
}

void TSLIntegerBuffer::AddConst(std::int32_t value)
{
    if (value != 0)
        routines().ippsAddC_32s_ISfs(value, GetModifyPointer(), count(), 0);
}

void TSLIntegerBuffer::SubtractConst(std::int32_t value)
{
    routines().ippsSubC_32s_ISfs(value, GetModifyPointer(), count(), 0);
}

void TSLIntegerBuffer::MultiplyConst(std::int32_t value)
{
    if (value != 1)
        routines().ippsMulC_32s_ISfs(value, GetModifyPointer(), count(), 0);
}

void TSLIntegerBuffer::DivideConst(std::int32_t value)
{
    if (value != 0 && value != 1)
        dsp::native::DivideInt32ByConst(value, GetModifyPointer(), count());
}

void TSLIntegerBuffer::ModuloConst(std::int32_t value)
{
    const int n = count();
    if (n < 1)
        return;
    std::int32_t* values = GetModifyPointer();
    for (int i = 0; i < n; ++i)
        values[i] = truncatedRemainder(values[i], value);
}

void TSLIntegerBuffer::AndConst(std::int32_t value)
{
    if (value != -1)
        routines().ippsAndC_32u_I(static_cast<Ipp32u>(value), bits(GetModifyPointer()), count());
}

void TSLIntegerBuffer::OrConst(std::int32_t value)
{
    if (value != 0)
        routines().ippsOrC_32u_I(static_cast<Ipp32u>(value), bits(GetModifyPointer()), count());
}

void TSLIntegerBuffer::XorConst(std::int32_t value)
{
    if (value != 0)
        routines().ippsXorC_32u_I(static_cast<Ipp32u>(value), bits(GetModifyPointer()), count());
}

void TSLIntegerBuffer::ShiftLeftConst(std::int32_t value)
{
    if (value != 0)
        routines().ippsLShiftC_32s_I(value, GetModifyPointer(), count());
}

void TSLIntegerBuffer::ShiftRightConst(std::int32_t value)
{
    if (value != 0)
        routines().ippsRShiftC_32s_I(value, GetModifyPointer(), count());
}

void TSLIntegerBuffer::Zero()
{
    routines().ippsZero_16s(reinterpret_cast<Ipp16s*>(GetWritePointer()), 2 * count());
}

std::int32_t TSLIntegerBuffer::DotProduct(ISLIntegerBuffer& other)
{
    std::int32_t result = 0;
    routines().ippsDotProd_32s_Sfs(other.GetReadPointer(), GetReadPointer(), minCount(other), &result, 0);
    return result;
}

std::int32_t TSLIntegerBuffer::Min()
{
    const std::int32_t* values = GetReadPointer();
    return count() == 0 ? 0 : *std::min_element(values, values + count());
}

std::int32_t TSLIntegerBuffer::Max()
{
    const std::int32_t* values = GetReadPointer();
    return count() == 0 ? 0 : *std::max_element(values, values + count());
}
