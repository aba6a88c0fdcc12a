#pragma once
// The state behind a queued sink pin: the rate its stream was announced with,
// the block size reads are cut to, the stream's flags and the queue of
// received buffers. Buffers of whatever length come in on the delivering
// thread; the reader (the chart, on its own thread) takes them out in blocks.
//
// Rate, block size and flags are atomics and the queue has its own lock, so
// the delivering and the reading thread share them safely. The state may
// outlive its pin (whoever holds the interface keeps it): it reaches the pin
// only through a borrowed pointer, and a pin that is gone counts as not
// connected.
#include "framework/locks/OWInterface.h"
#include "framework/pins/OWPinModel.h"
#include "framework/streams/SLBufferQueue.h"

#include <atomic>
#include <cstdint>
#include <string_view>

class TOWBasicPin;

class IOWSLQueuedPin : public IOWInterface {
public:
    static constexpr std::string_view Guid = "{AEE73535-9267-4CB2-ABF7-905245E0EB46}";

    // Makes the rate known.
    virtual void SetSampleRate(double rate) = 0;
    // False, and nothing queued, for a buffer the queue refuses (not linear,
    // or of another class than the buffers queued).
    virtual bool Push(ISLData& buffer) = 0;
    // The stream stopped: stopped and answered.
    virtual void Stop() = 0;
    // Stop, and the rate is forgotten.
    virtual void Reset() = 0;
    virtual bool GetRateKnown() = 0;
    // At least a block is queued.
    virtual bool IsReady() = 0;
    virtual double GetSampleRate() = 0;
    virtual void SetAnswered(bool value) = 0;
    virtual void SetStopped(bool value) = 0;
    virtual bool GetAnswered() = 0;
    virtual bool GetStopped() = 0;
    virtual bool GetQueryEnabled() = 0;
    // True when the rate is known or there is nobody to ask; otherwise asks
    // the source to announce its stream again and says whether it answered.
    virtual bool QueryStream() = 0;
    // Block size := n * rate / divisor, rounded to nearest with halves to
    // even: the count of samples of this stream that span the time of n
    // samples at the divisor's rate. False, and the block size left as it
    // was, when the divisor or the rate is not a positive finite number or
    // the result is not a count above 0.
    virtual bool SetBlockSizeFromRate(std::int32_t n, float divisor) = 0;
};

class TSLOWQueuedPinImpl final : public TOWInterfacedObject<IOWSLQueuedPin> {
public:
    explicit TSLOWQueuedPinImpl(TOWBorrowed<TOWBasicPin> pin);

    void SetSampleRate(double rate) override;
    bool Push(ISLData& buffer) override;
    void Stop() override;
    void Reset() override;
    bool GetRateKnown() override { return rateKnown_.load(); }
    bool IsReady() override;
    double GetSampleRate() override { return sampleRate_.load(); }
    void SetAnswered(bool value) override { answered_.store(value); }
    void SetStopped(bool value) override { stopped_.store(value); }
    bool GetAnswered() override { return answered_.load(); }
    bool GetStopped() override { return stopped_.load(); }
    bool GetQueryEnabled() override { return queryEnabled_.load(); }
    bool QueryStream() override;
    bool SetBlockSizeFromRate(std::int32_t n, float divisor) override;

    std::uint32_t GetBlockSize() const { return blockSize_.load(); }
    std::uint64_t GetQueuedCount() const { return queue_.QueuedCount(); }
    std::uint32_t GetHeadCount() const { return queue_.HeadCount(); }
    SLRef<ISLData> PopHead() { return queue_.PopHead(); }
    TSLBufferQueue& Queue() { return queue_; }

    // One block as a buffer of `count` samples, taken from the next
    // block-size samples queued: all of them when count is the block size,
    // else each result sample the nearest of them by index. Real buffers
    // read as real, integer buffers as integer. False, with nothing taken
    // from the queue, nothing allocated and `buffer` untouched, when the
    // block size is 0, fewer than a block are queued or the queue holds
    // neither kind.
    bool ReadBlock(std::int32_t count, SLRef<ISLData>& buffer);
    // As ReadBlock with `span` samples for the block size, leaving the pin's
    // own block size as it is; a span of 0 (less than one sample of this
    // stream is due) takes nothing and gives `count` copies of the next
    // queued sample.
    bool ReadSpan(std::int32_t count, std::uint32_t span, SLRef<ISLData>& buffer);

private:
    template<class Buffer>
    bool readSpanOf(std::uint32_t count, std::uint32_t span, SLRef<ISLData>& buffer);

    TOWBorrowed<TOWBasicPin> pin_;
    TSLBufferQueue queue_;
    std::atomic<std::uint32_t> blockSize_{0};
    std::atomic<double> sampleRate_{0};
    std::atomic<bool> rateKnown_{false};
    std::atomic<bool> stopped_{false};
    std::atomic<bool> answered_{false};
    std::atomic<bool> queryEnabled_{false};
};
