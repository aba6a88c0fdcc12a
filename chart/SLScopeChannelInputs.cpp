#include "chart/SLScopeChannelInputs.h"

#include "framework/buffers/LPBufferPair.h"
#include "framework/buffers/SLComplexBuffer.h"
#include "framework/buffers/SLIntegerBuffer.h"
#include "framework/buffers/SLRealBuffer.h"

#include <cmath>
#include <limits>

namespace zq::chart {

namespace {

bool positiveRate(double rate)
{
    return std::isfinite(rate) && rate > 0;
}

// The samples of a buffer as doubles, or nothing for a kind without them.
SLRef<TSLRealBuffer> asReals(const SLRef<ISLData>& buffer)
{
    if (!buffer)
        return nullptr;
    TSLBasicBuffer* object = buffer->GetInstance();
    if (auto* real = dynamic_cast<TSLRealBuffer*>(object))
        return SLRef<TSLRealBuffer>(real);
    if (auto* integer = dynamic_cast<TSLIntegerBuffer*>(object))
        return TSLRealBuffer::CreateFromIntegers(integer->GetReadPointer(), integer->GetCount());
    if (auto* complex = dynamic_cast<TSLComplexBuffer*>(object)) {
        const SLRef<ISLRealBuffer> magnitude = complex->Magnitude();
        return magnitude ? SLRef<TSLRealBuffer>(dynamic_cast<TSLRealBuffer*>(magnitude->GetInstance())) : nullptr;
    }
    return nullptr;
}

} // namespace

TSLScopeChannelInputs::TSLScopeChannelInputs(TOWIntf<TSLOWQueuedPinImpl> y, TOWIntf<TSLOWQueuedPinImpl> x)
    : y_(std::move(y)), x_(std::move(x))
{
}

bool TSLScopeChannelInputs::receiveCommon(TSLOWQueuedPinImpl& pin, const TOWNotifyOperationRef& operation)
{
    if (const auto* start = OWOperationAs<TOWStartSampleRateOperation>(operation)) {
        pin.SetAnswered(false);
        pin.SetSampleRate(start->SampleRate());
        return true;
    }
    if (OWOperationAs<TOWStopOperation>(operation)) {
        pin.Reset();
        return true;
    }
    if (OWOperationAs<TOWIgnoreStreamOperation>(operation)) {
        pin.SetAnswered(true);
        return true;
    }
    return false;
}

bool TSLScopeChannelInputs::ReceiveY(TOWBasicPin*, const TGUID&, const TOWNotifyOperationRef& operation,
                                     TOWHandlerFlags)
{
    if (detached_.load())
        return false;
    if (OWOperationAs<TOWStartOperation>(operation)) {
        spectrum_.store(OWOperationAs<TOWStartSpectrumOperation>(operation) != nullptr);
        intensity_.store(OWOperationAs<TOWStartIntensityOperation>(operation) != nullptr);
        // A start without a rate opens the stream all the same.
        if (!receiveCommon(*y_, operation))
            y_->SetAnswered(false);
        return true;
    }
    if (receiveCommon(*y_, operation))
        return true;
    if (const auto* supplied = OWOperationAs<TOWSuppliedBufferOperation>(operation)) {
        pushY(supplied->Buffer());
        return true;
    }
    if (const auto* pair = OWOperationAs<TOWSuppliedBufferPairOperation>(operation)) {
        if (pair->Buffers()) {
            pushY(pair->Buffers()->First());
            pushY(pair->Buffers()->Second());
        }
        return true;
    }
    return false;
}

void TSLScopeChannelInputs::pushY(const SLRef<ISLData>& buffer)
{
    if (const SLRef<TSLRealBuffer> reals = asReals(buffer))
        y_->Push(*reals);
}

bool TSLScopeChannelInputs::ReceiveX(TOWBasicPin*, const TGUID&, const TOWNotifyOperationRef& operation,
                                     TOWHandlerFlags)
{
    if (detached_.load())
        return false;
    if (receiveCommon(*x_, operation))
        return true;
    if (const auto* supplied = OWOperationAs<TOWSuppliedBufferOperation>(operation)) {
        if (supplied->Buffer())
            x_->Push(*supplied->Buffer());
        return true;
    }
    return false;
}

bool TSLScopeChannelInputs::TakeQueued(TSLChannelData& data, bool hasX)
{
    if (!enabled_.load() || detached_.load())
        return false;
    bool took = false;
    // At most what is queued now: a source sending faster than the chart
    // draws does not keep the refresh here.
    for (std::size_t left = y_->Queue().BufferCount(); left > 0; --left) {
        if (y_->GetAnswered() && !y_->GetStopped())
            break;
        const TStep step = takeOne(data, hasX);
        if (step == TStep::Waiting)
            break;
        took = took || step == TStep::Took;
    }
    return took;
}

TSLScopeChannelInputs::TStep TSLScopeChannelInputs::takeOne(TSLChannelData& data, bool hasX)
{
    SLRef<ISLData> xBlock;
    SLRef<ISLData> yBuffer;
    try {
        yBuffer = hasX ? popPaired(xBlock) : y_->PopHead();
    } catch (...) {
        // Left at the head it would fail again at every refresh.
        y_->PopHead();
        dropped_.fetch_add(1);
        return TStep::Dropped;
    }
    if (!yBuffer)
        return TStep::Waiting;
    try {
        return store(data, yBuffer, xBlock) ? TStep::Took : TStep::Waiting;
    } catch (...) {
        dropped_.fetch_add(1);
        return TStep::Dropped;
    }
}

SLRef<ISLData> TSLScopeChannelInputs::popPaired(SLRef<ISLData>& xBlock)
{
    // Read once: a source may announce another rate at any time, and the
    // size of the X read must follow the rates the decision was made on.
    const double xRate = x_->GetSampleRate();
    const double yRate = y_->GetSampleRate();
    if (!positiveRate(xRate) || !positiveRate(yRate))
        return nullptr;
    if (xRate != carryXRate_ || yRate != carryYRate_) {
        xCarry_ = 0;
        carryXRate_ = xRate;
        carryYRate_ = yRate;
    }
    // Decided and read while the Y queue holds still: the buffer whose X
    // block was read is the one taken.
    return y_->Queue().PopHeadIf([&](std::uint32_t n) {
        if (n == 0)
            return true;
        const double due = static_cast<double>(n) * xRate / yRate + xCarry_;
        const double span = std::nearbyint(due);
        if (!(span <= static_cast<double>(std::numeric_limits<std::uint32_t>::max())))
            return false;
        if (!x_->ReadSpan(static_cast<std::int32_t>(n), static_cast<std::uint32_t>(span), xBlock))
            return false;
        xCarry_ = due - span;
        return true;
    });
}

bool TSLScopeChannelInputs::store(TSLChannelData& data, const SLRef<ISLData>& yBuffer, const SLRef<ISLData>& xBlock)
{
    const SLRef<TSLRealBuffer> ys = asReals(yBuffer);
    if (!ys)
        return false;
    const std::uint32_t n = ys->GetCount();
    if (n == 0)
        return true;
    if (xBlock) {
        const SLRef<TSLRealBuffer> xs = asReals(xBlock);
        if (!xs || xs->GetCount() != n)
            return false;
        xs_.assign(xs->GetReadPointer(), xs->GetReadPointer() + n);
    } else {
        if (data.GetCount() == 0)
            nextX_ = 0;
        const double rate = y_->GetSampleRate();
        const double step = positiveRate(rate) ? 1 / rate : 1;
        xs_.resize(n);
        for (double& x : xs_) {
            x = nextX_;
            nextX_ += step;
        }
    }
    return data.AppendXYData(xs_.data(), ys->GetReadPointer(), n);
}

} // namespace zq::chart
