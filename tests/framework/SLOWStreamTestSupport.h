#pragma once
// A log of what a buffer sink heard, a probing sink, and a source that
// streams numbered buffers from a thread of its own, for the threaded tests
// of the buffer pins.
#include "framework/OWTypeUnitTestSupport.h"

#include "framework/buffers/SLRealBuffer.h"
#include "framework/streams/SLOWSinkPins.h"
#include "framework/streams/SLOWSourcePins.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
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

// Two streams told apart by what they carry: the second source's buffers
// are numbered from secondFirst on and its start carries a rate of its own,
// so that every item a sink heard names its source.
inline constexpr int secondFirst = 1 << 24;
inline constexpr double firstRate = 1000.0;
inline constexpr double secondRate = 2000.0;

// An item a buffer sink heard: a start or a buffer of source 1 or 2, or a
// stop (source 0).
struct TItem {
    enum TKind : std::uint8_t { Start, Buffer, Stop } kind;
    std::uint8_t source;
    int number;
};

inline TItem itemOf(const TOWNotifyOperationRef& operation)
{
    if (const auto* start = OWOperationAs<TOWStartSampleRateOperation>(operation))
        return {TItem::Start, static_cast<std::uint8_t>(start->SampleRate() == firstRate ? 1 : 2), 0};
    if (OWOperationAs<TOWStopOperation>(operation))
        return {TItem::Stop, 0, 0};
    const int number = bufferNumber(operation);
    return {TItem::Buffer, static_cast<std::uint8_t>(number < secondFirst ? 1 : 2), number};
}

inline int sourceOf(const TOWNotifyOperationRef& operation)
{
    return itemOf(operation).source;
}

inline std::vector<TItem> itemsOf(const std::vector<TOWNotifyOperationRef>& operations)
{
    std::vector<TItem> items;
    for (const auto& operation : operations)
        items.push_back(itemOf(operation));
    return items;
}

// What firstBreak lets pass besides whole links.
struct TBreakRules {
    // A stop outside a stream: a link to a source that sent nothing is
    // stopped all the same.
    bool strayStops = false;
    // A stream still open at the end.
    bool openEnd = true;
};

// Every link is heard whole: buffers only of the source whose start came
// last, each once and in order, a stop only inside a stream and after it only
// a start. The first item that breaks this, described with the items around
// it; empty when none does.
inline std::string firstBreak(const std::vector<TItem>& items, TBreakRules rules = {})
{
    int current = 0;
    bool open = false;
    int last[3] = {-1, -1, -1};
    const auto at = [&](std::size_t i) {
        std::string around = " at item " + std::to_string(i) + ":";
        for (std::size_t j = i > 6 ? i - 6 : 0; j < std::min(items.size(), i + 3); ++j)
            around += std::string(j == i ? " [" : " ") + "SBE"[items[j].kind] + std::to_string(items[j].source) +
                      (j == i ? "]" : "");
        return around;
    };
    for (std::size_t i = 0; i < items.size(); ++i) {
        const TItem& item = items[i];
        if (item.kind == TItem::Start) {
            current = item.source;
            open = true;
        } else if (item.kind == TItem::Stop) {
            if (!open && !rules.strayStops)
                return "a stop outside a stream" + at(i);
            open = false;
        } else if (!open) {
            return "a buffer after a stop" + at(i);
        } else if (item.source != current) {
            return "a buffer of source " + std::to_string(item.source) + " after the start of source " +
                   std::to_string(current) + at(i);
        } else if (item.number <= std::exchange(last[item.source], item.number)) {
            return "a buffer twice or out of order" + at(i);
        }
    }
    if (open && !rules.openEnd)
        return "a stream left open" + at(items.size() - 1);
    return {};
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
