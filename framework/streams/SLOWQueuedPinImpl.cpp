#include "framework/streams/SLOWQueuedPinImpl.h"

#include "framework/buffers/SLIntegerBuffer.h"
#include "framework/buffers/SLRealBuffer.h"
#include "framework/operations/OWOperations.h"
#include "framework/pins/OWPins.h"

#include <algorithm>
#include <cmath>
#include <limits>

TSLOWQueuedPinImpl::TSLOWQueuedPinImpl(TOWBorrowed<TOWBasicPin> pin) : pin_(std::move(pin)) {}

void TSLOWQueuedPinImpl::SetSampleRate(double rate)
{
    sampleRate_.store(rate);
    rateKnown_.store(true);
}

bool TSLOWQueuedPinImpl::Push(ISLData& buffer)
{
    return queue_.Push(buffer);
}

void TSLOWQueuedPinImpl::Stop()
{
    stopped_.store(true);
    answered_.store(true);
}

void TSLOWQueuedPinImpl::Reset()
{
    Stop();
    rateKnown_.store(false);
}

bool TSLOWQueuedPinImpl::IsReady()
{
    return queue_.QueuedCount() >= blockSize_.load();
}

bool TSLOWQueuedPinImpl::QueryStream()
{
    if (rateKnown_.load())
        return true;
    const TOWUse<TOWBasicPin> pin(pin_);
    if (!pin || !pin->IsConnected() || !queryEnabled_.load())
        return true;
    answered_.store(false);
    // Delivered synchronously: an answer arrives before the send returns.
    pin->SendOperation(OWMakeOperation<TOWQueryStreamOperation>());
    return answered_.load();
}

bool TSLOWQueuedPinImpl::SetBlockSizeFromRate(std::int32_t n, float divisor)
{
    const double rate = sampleRate_.load();
    if (!(std::isfinite(divisor) && divisor > 0) || !(std::isfinite(rate) && rate > 0) || n < 1)
        return false;
    const long double size = std::nearbyint(static_cast<long double>(n) * rate / divisor);
    if (!(size >= 1) || size > std::numeric_limits<std::uint32_t>::max())
        return false;
    blockSize_.store(static_cast<std::uint32_t>(size));
    return true;
}

bool TSLOWQueuedPinImpl::ReadBlock(std::int32_t count, SLRef<ISLData>& buffer)
{
    const std::uint32_t blockSize = blockSize_.load();
    return blockSize > 0 && ReadSpan(count, blockSize, buffer);
}

bool TSLOWQueuedPinImpl::ReadSpan(std::int32_t count, std::uint32_t span, SLRef<ISLData>& buffer)
{
    if (count < 1)
        return false;
    const auto n = static_cast<std::uint32_t>(count);
    // A queue that empties and takes another kind meanwhile refuses the read
    // below: the kind is only a guess of which buffer to fill.
    if (queue_.Holds(typeid(TSLRealBuffer)))
        return readSpanOf<TSLRealBuffer>(n, span, buffer);
    if (queue_.Holds(typeid(TSLIntegerBuffer)))
        return readSpanOf<TSLIntegerBuffer>(n, span, buffer);
    return false;
}

template<class Buffer>
bool TSLOWQueuedPinImpl::readSpanOf(std::uint32_t count, std::uint32_t span, SLRef<ISLData>& buffer)
{
    const std::uint32_t blockSize = std::max(span, 1u);
    // Checked before the block is made: the block size follows whatever
    // rate the source announced and may stand for more memory than there
    // is, while what is queued is memory already held. Pushes only add, so
    // the fill below fails only when the cap dropped buffers meanwhile.
    if (queue_.QueuedCount() < blockSize)
        return false;
    SLRef<Buffer> block = Buffer::CreateSized(blockSize);
    if (!(span > 0 ? queue_.FillFromQueue(*block) : queue_.PeekFromQueue(*block)))
        return false;
    if (count == span) {
        buffer = block;
        return true;
    }
    SLRef<Buffer> result = Buffer::CreateSized(count);
    const auto* from = block->GetReadPointer();
    auto* to = result->GetWritePointer();
    const double step = static_cast<double>(blockSize - 1) / count;
    const std::int64_t last = blockSize - 1;
    double position = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        // Rounded to nearest with halves to even, as the default rounding mode does.
        to[i] = from[std::min(last, static_cast<std::int64_t>(std::nearbyint(position)))];
        position += step;
    }
    buffer = result;
    return true;
}
