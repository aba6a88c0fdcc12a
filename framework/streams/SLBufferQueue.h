#pragma once
// A locked first-in first-out queue of sample buffers that is read across
// buffer boundaries: buffers of whatever length go in, reads take exactly the
// count of their destination, spanning as many queued buffers as it takes.
//
// Counts are elements, never bytes. All buffers queued at one time are of one
// class (real, integer, complex, byte...), so an element means the same thing
// throughout: a buffer of another class is refused while the queue holds any,
// and a read refuses a destination of another class. An empty queue takes a
// buffer of any linear class.
//
// Every operation holds the queue's own lock for its whole run, so one thread
// may push while another reads.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <typeinfo>

#include "framework/buffers/SLDataInterfaces.h"
#include "framework/buffers/SLSimpleDataBuffer.h"
#include "framework/locks/OWCriticalSection.h"

// One queued buffer: the queue's own buffer on the pushed one's block.
struct TSLBufferWrapper {
    SLRef<ISLData> Buffer;
    // The same object as Buffer, borrowed for its counts and its copy.
    TSLLinearMemoryBuffer* Memory;
    std::uint32_t Count;
};

class TSLBufferQueue {
public:
    // The 101st push drops the oldest buffer, unread samples and all.
    static constexpr std::size_t MaxBuffers = 100;

    TSLBufferQueue() = default;
    TSLBufferQueue(const TSLBufferQueue&) = delete;
    TSLBufferQueue& operator=(const TSLBufferQueue&) = delete;

    // Queues a buffer of its current count. The queue keeps a buffer of its
    // own on the same block (nothing is copied), so later writes or resizes
    // through the pushed one leave what is queued as it was. False, and
    // nothing queued, for a buffer that is not linear or is of another class
    // than the buffers already queued.
    bool Push(ISLData& buffer);
    // Takes the oldest buffer out, whole, with the samples of it already read;
    // empty when nothing is queued.
    SLRef<ISLData> PopHead();
    // Takes the oldest buffer out when take(its count) says so; take runs
    // under the queue's lock, so what it decides on is what is taken even
    // while other threads push (it may read another queue: a reader that
    // holds two queues always takes this one first).
    SLRef<ISLData> PopHeadIf(const std::function<bool(std::uint32_t headCount)>& take);
    // Fills the whole destination, oldest samples first. False, and nothing
    // changed, when fewer samples are queued than the destination holds or the
    // destination is of another class than the queued buffers.
    bool FillFromQueue(ISLDataBuffer& dest);
    // As FillFromQueue, but takes nothing: the samples stay queued.
    bool PeekFromQueue(ISLDataBuffer& dest);

    // Element count of the oldest buffer, 0 when the queue is empty.
    std::uint32_t HeadCount() const;
    // Samples queued and not yet read.
    std::uint64_t QueuedCount() const;
    // Samples of the oldest buffer already read.
    std::uint64_t HeadOffset() const;
    std::size_t BufferCount() const;
    // Whether buffers of exactly this class are queued.
    bool Holds(const std::type_info& kind) const;

private:
    using Guard = std::lock_guard<TOWCriticalSection>;

    // Removes the oldest buffer and its unread samples from the count.
    void dropHead();
    // Copies the oldest unread samples into the whole destination, taking
    // them out of the queue when told to.
    bool copyOut(ISLDataBuffer& dest, bool take);

    mutable TOWCriticalSection lock_;
    std::deque<TSLBufferWrapper> items_;
    std::uint64_t queuedCount_ = 0;
    std::uint64_t headOffset_ = 0;
    // The class of every queued buffer; meaningful only while items_ is not empty.
    const std::type_info* kind_ = nullptr;
};
