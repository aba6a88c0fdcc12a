#include "framework/streams/SLOWConverters.h"

#include "framework/buffers/BlockPool.h"
#include "framework/buffers/SLBlockBuffer.h"
#include "framework/buffers/SLIntegerBuffer.h"
#include "framework/buffers/SLRealBuffer.h"
#include "framework/buffers/SLRealMatrixBuffer.h"
#include "framework/text/OWValueText.h"

#include <climits>

namespace {

// Refuses a size the output type cannot hold, rather than letting it wrap.
void checkFits(std::uint64_t size, std::uint64_t limit, const char* what)
{
    if (size > limit)
        throw EOWException("A buffer of " + std::to_string(size) + " " + what + " is too large to be converted (at most " +
                           std::to_string(limit) + ")");
}

} // namespace

std::string SLDateTimeText(double dateTime)
{
    return DateTimeToText(dateTime);
}

std::string SLIntegerText(std::int32_t value)
{
    return std::to_string(value);
}

std::string SLRealText(double value)
{
    return RealToGeneralText(value);
}

bool TSLOWBufferConverter::inputReceived(TOWBasicPin*, const TGUID&, const TOWNotifyOperationRef& operation,
                                         TOWHandlerFlags flags)
{
    if (flags & owAnnounceFlag)
        return false;
    const auto* supplied = OWOperationAs<TOWSuppliedBufferOperation>(operation);
    if (!supplied)
        return send(operation);
    if (!supplied->Buffer())
        return false;
    SLRef<ISLData> converted = convert(*supplied->Buffer());
    return converted && send(OWMakeOperation<TOWSuppliedBufferOperation>(std::move(converted)));
}

SLRef<ISLData> TSLOWToBinaryConverter::convert(ISLData& buffer)
{
    auto* data = dynamic_cast<ISLDataBuffer*>(&buffer);
    if (!data)
        return nullptr;
    // A byte buffer indexes its bytes with signed 32-bit numbers.
    checkFits(data->GetByteSize(), INT32_MAX, "bytes");
    return TSLBlockBuffer::CreateShared(buffer);
}

SLRef<ISLData> TSLOWIntToRealFormatConverter::convert(ISLData& buffer)
{
    auto* integers = dynamic_cast<ISLIntegerBuffer*>(&buffer);
    if (!integers)
        return nullptr;
    const std::uint32_t count = integers->GetCount();
    checkFits(count, maxPoolBlockSize / sizeof(double), "integers");
    return TSLRealBuffer::CreateFromIntegers(integers->GetReadPointer(), count);
}

SLRef<ISLData> TSLOWRealToRealMatrixFormatConverter::convert(ISLData& buffer)
{
    auto* reals = dynamic_cast<ISLRealBuffer*>(&buffer);
    if (!reals)
        return nullptr;
    // The matrix counts its columns in signed 32 bits.
    checkFits(reals->GetCount(), INT32_MAX, "values");
    return TSLRealMatrixBuffer::CreateFrom(buffer);
}
