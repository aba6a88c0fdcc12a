#pragma once
// A log of what a buffer sink heard, a probing sink, and a source that
// streams numbered buffers from a thread of its own, for the threaded tests
// of the buffer pins.
#include "framework/OWTypeUnitTestSupport.h"

#include "framework/buffers/SLRealBuffer.h"
#include "framework/streams/SLOWSinkPins.h"
#include "framework/streams/SLOWSourcePins.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace owBufferTest {

using owPinTest::TPinOwner;

// What a buffer sink pin received, in order: the operations' serial numbers
// and kinds.
class TLog {
public:
    TSLOWReceiveEvent Event() { return TSLOWReceiveEvent::Of<&TLog::receive>(this); }

    std::vector<TOWNotifyOperationRef> Operations()
    {
        std::lock_guard hold(guard_);
        return operations_;
    }
    std::vector<TOWOperationKind> Kinds()
    {
        std::vector<TOWOperationKind> kinds;
        for (const auto& op : Operations())
            kinds.push_back(op->OperationObject().Kind());
        return kinds;
    }

    void Add(const TOWNotifyOperationRef& operation)
    {
        std::lock_guard hold(guard_);
        operations_.push_back(operation);
    }
    std::size_t Size()
    {
        std::lock_guard hold(guard_);
        return operations_.size();
    }

private:
    bool receive(TOWBasicPin*, const TGUID&, const TOWNotifyOperationRef& operation, TOWHandlerFlags)
    {
        Add(operation);
        return true;
    }

    std::mutex guard_;
    std::vector<TOWNotifyOperationRef> operations_;
};

inline TOWNotifyOperationRef realBuffer(std::vector<double> values)
{
    return OWMakeOperation<TOWSuppliedBufferOperation>(
        TSLRealBuffer::CreateFromData(values.data(), static_cast<std::uint32_t>(values.size())));
}

// A buffer sink that logs into a log that outlives it and runs actions in
// its handler (before and after logging) and when a link of it has gone.
class TProbeSink : public TSLOWRealSinkPin {
public:
    TProbeSink(TComponent* owner, IOWLock* lock, TLog& log)
        : TSLOWRealSinkPin(owner, lock, TSLOWReceiveEvent::Of<&TProbeSink::receive>(this)), log_(log)
    {
    }
    void LinkRemoved() override
    {
        TSLOWRealSinkPin::LinkRemoved();
        if (onLinkRemoved)
            std::exchange(onLinkRemoved, nullptr)();
    }
    std::function<void(const TOWNotifyOperationRef&)> beforeLog;
    std::function<void(const TOWNotifyOperationRef&)> onReceive;
    std::function<void()> onLinkRemoved;
    std::atomic<bool> logging{true};

private:
    bool receive(TOWBasicPin*, const TGUID&, const TOWNotifyOperationRef& operation, TOWHandlerFlags)
    {
        if (!logging.load())
            return true;
        if (beforeLog)
            beforeLog(operation);
        log_.Add(operation);
        if (onReceive)
            onReceive(operation);
        return true;
    }
    TLog& log_;
};

inline int bufferNumber(const TOWNotifyOperationRef& operation)
{
    const auto* supplied = OWOperationAs<TOWSuppliedBufferOperation>(operation);
    return supplied ? static_cast<int>(intfCast<ISLRealBuffer>(supplied->Buffer())->GetItem(0)) : -1;
}

// Every link starts with a start; buffers come once each in the order sent;
// after a stop only a new start. Returns the stops heard.
inline int expectWellFormedStreams(const std::vector<TOWNotifyOperationRef>& operations)
{
    int last = -1;
    int stops = 0;
    bool open = false;
    for (std::size_t i = 0; i < operations.size(); ++i) {
        SCOPED_TRACE(i);
        const TOWNotifyOperationRef& operation = operations[i];
        if (OWOperationAs<TOWStartOperation>(operation)) {
            open = true;
        } else if (OWOperationAs<TOWStopOperation>(operation)) {
            EXPECT_TRUE(open) << "a stop outside a stream";
            open = false;
            ++stops;
        } else {
            EXPECT_TRUE(open) << "a buffer outside a stream";
            const int number = bufferNumber(operation);
            EXPECT_GT(number, last) << "each buffer once and in order";
            last = number;
        }
    }
    return stops;
}

// Sends a start and then numbered buffers from a thread of its own until
// told to stop; a keeper sink linked first can hold it inside a delivery.
class TStreamingSource {
public:
    // Buffers are numbered from `first` on; the start carries `rate`; with a
    // pace the sender sleeps that long after each buffer.
    explicit TStreamingSource(TPinOwner& owner, int first = 0, double rate = 1000.0,
                              std::chrono::microseconds pace = {})
        : source(MakeObject<TSLOWRealSourcePin>(&owner, &owner.OwnerLock())),
          keeper(MakeObject<TProbeSink>(&owner, &owner.OwnerLock(), keeperLog))
    {
        keeper->onReceive = [this](const TOWNotifyOperationRef&) {
            if (const std::function<void()>* action = inSend.load()) {
                (*action)();
                inSend.store(nullptr);
            }
            if (!hold.load())
                return;
            held.store(true);
            while (hold.load())
                std::this_thread::yield();
        };
        EXPECT_TRUE(keeper->Connect(source.get()));
        sender = std::thread([this, first, rate, pace] {
            source->SendOperation(OWMakeOperation<TOWStartSampleRateOperation>(0, rate));
            for (int i = 0; !done.load() || i < stopAt.load(); ++i) {
                source->SendOperation(realBuffer({double(first + i)}));
                sent.store(i + 1);
                if (pace.count() > 0)
                    std::this_thread::sleep_for(pace);
            }
        });
    }
    ~TStreamingSource() { Finish(); }
    // Holds the sender in the keeper's handler, between two sends.
    void Hold()
    {
        hold.store(true);
        while (!held.load())
            std::this_thread::yield();
    }
    void Release()
    {
        held.store(false);
        hold.store(false);
    }
    // Runs the action on the sending thread, inside a send.
    void DuringASend(const std::function<void()>& action)
    {
        inSend.store(&action);
        while (inSend.load())
            std::this_thread::yield();
    }
    void WaitForSent(int count)
    {
        while (sent.load() < count)
            std::this_thread::yield();
    }
    void Finish(int more = 0)
    {
        if (!sender.joinable())
            return;
        stopAt.store(sent.load() + more);
        done.store(true);
        sender.join();
    }

    TLog keeperLog;
    TOwned<TSLOWRealSourcePin> source;
    TOwned<TProbeSink> keeper;
    std::atomic<int> sent{0};

private:
    std::atomic<bool> hold{false}, held{false}, done{false};
    std::atomic<int> stopAt{0};
    std::atomic<const std::function<void()>*> inSend{nullptr};
    std::thread sender;
};

} // namespace owBufferTest
