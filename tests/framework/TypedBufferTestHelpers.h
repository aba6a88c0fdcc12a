#pragma once
// Making typed buffers from value lists and reading them back, for the tests.
#include <algorithm>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "framework/SLRef.h"

template <typename Buffer, typename Element>
SLRef<Buffer> bufferOf(const std::vector<Element>& values)
{
    SLRef<Buffer> buffer = Buffer::CreateSized(static_cast<std::uint32_t>(values.size()));
    std::copy(values.begin(), values.end(), buffer->GetWritePointer());
    return buffer;
}

template <typename Buffer>
auto elementsOf(Buffer& buffer)
{
    using Element = std::remove_cv_t<std::remove_pointer_t<decltype(buffer.GetReadPointer())>>;
    return std::vector<Element>(buffer.GetReadPointer(), buffer.GetReadPointer() + buffer.GetCount());
}
