#pragma once

#include "chart/SLChannelData.h"
#include "framework/operations/OWGuid.h"
#include "framework/operations/OWOperations.h"
#include "framework/pins/OWPinModel.h"
#include "framework/streams/SLOWQueuedPinImpl.h"

#include <atomic>
#include <cstdint>
#include <vector>

namespace zq::chart {

// What a channel's two queued input pins receive, and the step that takes it
// into the channel's data. The receive handlers run on whatever thread
// delivers; they touch only the pins' queued state (atomics and the queues'
// own locks) and atomics of this object, never the chart's lock, so that a
// delivery never waits for the chart and the chart can free the pins while a
// source is sending. The step runs on the chart's thread, at its refresh.
class TSLScopeChannelInputs {
public:
    TSLScopeChannelInputs(TOWIntf<TSLOWQueuedPinImpl> y, TOWIntf<TSLOWQueuedPinImpl> x);

    // The handlers of the Y pin (samples) and the X pin (their X values).
    // Start, stop, ignore and buffers are taken (True); anything else is not.
    // Y buffers are queued as reals whatever their kind: integers converted,
    // complex values as their magnitudes, a pair of buffers as the first's
    // samples followed by the second's. X buffers are queued as they come
    // (real or integer; the X queue refuses a kind other than the one it
    // holds).
    bool ReceiveY(TOWBasicPin* sender, const TGUID& streamType, const TOWNotifyOperationRef& operation,
                  TOWHandlerFlags flags);
    bool ReceiveX(TOWBasicPin* sender, const TGUID& streamType, const TOWNotifyOperationRef& operation,
                  TOWHandlerFlags flags);
    // From now on the handlers take nothing: the channel is going.
    void Detach() { detached_.store(true); }

    // Moves the queued samples that are ready into `data` (appended). The
    // step runs while both of the channel's enabling flags are set: its
    // inputs are enabled (SetEnabled; on by default, off freezes the trace
    // while samples stay queued up to the queue's cap) and it is attached
    // (cleared for good by Detach). It takes Y buffers while the Y stream is
    // not answered (a live stream) or has stopped (the samples sent before
    // the stop are still drawn), but not from an ignored stream.
    //
    // With an X input (hasX: the X pin is linked) each Y buffer of n samples
    // is paired with the X samples spanning the same time at the two rates,
    // read as a block of n; a Y buffer whose X block is not all queued yet
    // waits, and nothing is taken from Y unless its X block was read. The X
    // due for a buffer rarely is a whole count: it is rounded, and what the
    // rounding left is carried to the next buffer, so that the X taken stays
    // within a sample of the time drawn; a buffer due less than one X sample
    // draws against the next X sample and leaves it queued.
    // Without an X input each sample's X is the time since the channel's
    // first sample, advancing by one over the Y rate (by 1 while the rate is
    // not a positive number), restarting at 0 when the channel's data is
    // empty. True when samples were appended.
    //
    // Nothing raises out of it: a buffer whose step fails (no memory for
    // it) is dropped and counted, and the buffers after it are taken.
    bool TakeQueued(TSLChannelData& data, bool hasX);
    // Y buffers dropped because their step failed.
    std::uint64_t GetDroppedBuffers() const { return dropped_.load(); }

    bool GetEnabled() const { return enabled_.load(); }
    void SetEnabled(bool value) { enabled_.store(value); }
    // The kind of the last start the Y pin received.
    bool GetSpectrum() const { return spectrum_.load(); }
    bool GetIntensity() const { return intensity_.load(); }

    TSLOWQueuedPinImpl& Y() const { return *y_; }
    TSLOWQueuedPinImpl& X() const { return *x_; }

private:
    // The common part of both handlers: the state changes both pins make.
    bool receiveCommon(TSLOWQueuedPinImpl& pin, const TOWNotifyOperationRef& operation);
    void pushY(const SLRef<ISLData>& buffer);
    enum class TStep { Waiting, Took, Dropped };
    TStep takeOne(TSLChannelData& data, bool hasX);
    // The oldest Y buffer and its X block, when all of that X is queued.
    SLRef<ISLData> popPaired(SLRef<ISLData>& xBlock);
    bool store(TSLChannelData& data, const SLRef<ISLData>& yBuffer, const SLRef<ISLData>& xBlock);

    TOWIntf<TSLOWQueuedPinImpl> y_;
    TOWIntf<TSLOWQueuedPinImpl> x_;
    std::atomic<bool> enabled_{true};
    std::atomic<bool> detached_{false};
    std::atomic<bool> spectrum_{false};
    std::atomic<bool> intensity_{false};
    std::atomic<std::uint64_t> dropped_{0};
    // The chart's thread only.
    double nextX_ = 0;
    // X samples due but not taken (negative: taken ahead), and the rates
    // they were due at.
    double xCarry_ = 0;
    double carryXRate_ = 0;
    double carryYRate_ = 0;
    std::vector<double> xs_;
};

} // namespace zq::chart
