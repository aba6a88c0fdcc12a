#pragma once
// Making typed buffers from value lists, reading them back and telling whether
// two buffers share one block, for the buffer tests.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <type_traits>
#include <vector>

#include "framework/buffers/SLBlockBuffer.h"
#include "framework/buffers/SLComplexBuffer.h"
#include "framework/buffers/SLIntegerBuffer.h"
#include "framework/buffers/SLRealBuffer.h"
#include "framework/buffers/SLRef.h"

template <typename Buffer, typename Element>
SLRef<Buffer> bufferOf(const std::vector<Element>& values)
{
    SLRef<Buffer> buffer = Buffer::CreateSized(static_cast<std::uint32_t>(values.size()));
    std::copy(values.begin(), values.end(), buffer->GetWritePointer());
    return buffer;
}

inline SLRef<TSLRealBuffer> reals(const std::vector<double>& values)
{
    return TSLRealBuffer::CreateFromData(values.data(), static_cast<std::uint32_t>(values.size()));
}
inline SLRef<TSLIntegerBuffer> integers(const std::vector<std::int32_t>& values)
{
    return bufferOf<TSLIntegerBuffer>(values);
}
inline SLRef<TSLBlockBuffer> bytes(const std::vector<std::uint8_t>& values)
{
    return bufferOf<TSLBlockBuffer>(values);
}
inline SLRef<TSLComplexBuffer> complexes(const std::vector<Ipp64fc>& values)
{
    return bufferOf<TSLComplexBuffer>(values);
}

template <typename Buffer>
auto values(Buffer& buffer)
{
    using Element = std::remove_cv_t<std::remove_pointer_t<decltype(buffer.GetReadPointer())>>;
    return std::vector<Element>(buffer.GetReadPointer(), buffer.GetReadPointer() + buffer.GetCount());
}

template <typename Buffer>
SLRef<Buffer> cloneOf(Buffer& buffer)
{
    return intfCast<Buffer>(buffer.Clone());
}

template <typename A, typename B>
bool shareABlock(A& a, B& b)
{
    return static_cast<const void*>(a.GetReadPointer()) == static_cast<const void*>(b.GetReadPointer());
}

constexpr double infinity = std::numeric_limits<double>::infinity();
constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();
