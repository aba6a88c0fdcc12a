// Sources, sinks and converters linked, unlinked, destroyed and delivered to
// from several threads at once; after every round the links must agree on
// both sides and every converter must be owned and in use.
#include "framework/OWStreamPinTestSupport.h"

#include <barrier>
#include <random>

using namespace owPinTest;

namespace {

class TPinSlots {
public:
    TPinSlots(std::vector<TPinOwner*> owners, int sources, int sinks, int multiSinks) : owners_(std::move(owners))
    {
        std::mt19937 rng(7);
        for (int i = 0; i < sources; ++i)
            sources_.push_back(makeSource(rng));
        for (int i = 0; i < sinks; ++i)
            sinks_.push_back(makeSink(rng));
        for (int i = 0; i < multiSinks; ++i) {
            TPinOwner& o = owner(rng);
            multiSinks_.push_back(MakeObject<TTestMultiSinkPin>(&o, &o.OwnerLock(), std::vector<TGUID>{typeA, typeC}));
        }
    }
    TOWBorrowed<TOWBasicPin> MultiSink(std::size_t i)
    {
        std::lock_guard hold(guard_);
        return TOWBasicPin::BorrowAs<TOWBasicPin>(multiSinks_[i % multiSinks_.size()].get());
    }
    const std::vector<TOwned<TTestMultiSinkPin>>& MultiSinks() const { return multiSinks_; }

    TOWBorrowed<TOWBasicPin> Source(std::size_t i)
    {
        std::lock_guard hold(guard_);
        return TOWBasicPin::BorrowAs<TOWBasicPin>(sources_[i % sources_.size()].get());
    }
    TOWBorrowed<TOWBasicPin> Sink(std::size_t i)
    {
        std::lock_guard hold(guard_);
        return TOWBasicPin::BorrowAs<TOWBasicPin>(sinks_[i % sinks_.size()].get());
    }
    std::size_t SourceCount() const { return sources_.size(); }
    std::size_t SinkCount() const { return sinks_.size(); }

    void ReplaceSource(std::size_t i, std::mt19937& rng) { replace(sources_, i, [&] { return makeSource(rng); }); }
    void ReplaceSink(std::size_t i, std::mt19937& rng) { replace(sinks_, i, [&] { return makeSink(rng); }); }

    // Only while no thread changes anything.
    const std::vector<TOwned<TTestSourcePin>>& Sources() const { return sources_; }
    const std::vector<TOwned<TTestSinkPin>>& Sinks() const { return sinks_; }
    void Clear()
    {
        multiSinks_.clear();
        sinks_.clear();
        sources_.clear();
    }

private:
    TPinOwner& owner(std::mt19937& rng) { return *owners_[rng() % owners_.size()]; }
    // Pins are destroyed outside the table's lock (a thread that holds a use
    // of one may be waiting for the lock), both the old one and whatever
    // another thread put in the slot meanwhile.
    template <typename Pin, typename Make>
    void replace(std::vector<TOwned<Pin>>& slots, std::size_t i, Make make)
    {
        TOwned<Pin> old;
        {
            std::lock_guard hold(guard_);
            old = std::move(slots[i % slots.size()]);
        }
        old.reset();
        auto made = make();
        {
            std::lock_guard hold(guard_);
            std::swap(slots[i % slots.size()], made);
        }
        made.reset();
    }

    TOwned<TTestSourcePin> makeSource(std::mt19937& rng)
    {
        static const std::vector<TGUID> offers[] = {{typeA}, {typeB}, {typeA, typeB}};
        TPinOwner& o = owner(rng);
        return MakeObject<TTestSourcePin>(&o, &o.OwnerLock(), offers[rng() % 3]);
    }
    TOwned<TTestSinkPin> makeSink(std::mt19937& rng)
    {
        static const std::vector<TGUID> accepts[] = {{typeA}, {typeC}, {typeA, typeC}, {typeB}};
        TPinOwner& o = owner(rng);
        auto sink = MakeObject<TTestSinkPin>(&o, &o.OwnerLock(), accepts[rng() % 4]);
        // Some sinks leave their source from inside a delivery now and then.
        if (rng() % 3 == 0) {
            TTestSinkPin* self = sink.get();
            auto counter = std::make_shared<std::atomic<int>>(0);
            sink->onReceive = [self, counter](const TOWNotifyOperationRef&, TOWHandlerFlags flags) {
                if (!(flags & owAnnounceFlag) && counter->fetch_add(1) % 7 == 6)
                    self->DisconnectAll();
            };
        }
        return sink;
    }

    std::vector<TPinOwner*> owners_;
    std::mutex guard_;
    std::vector<TOwned<TTestSourcePin>> sources_;
    std::vector<TOwned<TTestSinkPin>> sinks_;
    std::vector<TOwned<TTestMultiSinkPin>> multiSinks_;
};

void randomStep(TPinSlots& slots, std::mt19937& rng)
{
    auto source = Use(slots.Source(rng()));
    // Now and then a multi-sink takes the sink's part.
    auto sink = Use(rng() % 4 == 0 ? slots.MultiSink(rng()) : slots.Sink(rng()));
    auto* sourcePin = source ? dynamic_cast<TTestSourcePin*>(source.Get()) : nullptr;
    auto* sinkPin = sink ? dynamic_cast<TOWBasicSinkPin*>(sink.Get()) : nullptr;
    if (!sourcePin || !sinkPin)
        return;
    switch (rng() % 10) {
    case 0:
    case 1:
        sinkPin->ConnectData(sourcePin, nullptr);
        break;
    case 2:
        sourcePin->ConnectData(sinkPin, nullptr);
        break;
    case 3:
        sinkPin->DisconnectAll();
        break;
    case 4:
        sourcePin->Disconnect(sinkPin);
        break;
    case 5:
    case 6:
        sourcePin->SendOperation(NewOperation());
        break;
    case 7:
        sinkPin->SendOperation(NewOperation());
        break;
    case 8:
        if (rng() % 4 == 0)
            sourcePin->DisconnectAll();
        else
            sourcePin->SendOperation(NewOperation());
        break;
    default:
        break;
    }
}

void checkLinks(TPinSlots& slots, int converterBase, int round)
{
    std::set<const TOWBasicPin*> sources, sinks;
    for (const auto& s : slots.Sources())
        sources.insert(s.get());
    for (const auto& s : slots.Sinks())
        sinks.insert(s.get());
    for (const auto& s : slots.MultiSinks())
        sinks.insert(s.get());
    int converters = 0;
    for (const auto& source : slots.Sources()) {
        const auto entries = source->SinkEntries();
        std::set<const TOWBasicPin*> targets;
        for (const TOWPinEntry& entry : entries) {
            ASSERT_TRUE(sinks.count(entry.Sink.Get())) << "round " << round << ": an entry for a pin that is gone";
            if (auto* sink = dynamic_cast<TTestSinkPin*>(entry.Sink.Get()))
                ASSERT_EQ(sink->GetSource(), source.get()) << "round " << round << ": the sink does not know its source";
            else
                ASSERT_TRUE(entry.Sink.Get()->IsLinkedWith(source.get())) << "round " << round << ": the multi-sink does not know its source";
            EXPECT_FALSE(entry.StreamType.IsNull());
            if (entry.Target.Get() != entry.Sink.Get())
                targets.insert(entry.Target.Get());
        }
        const auto owned = source->ConvertersSnapshot();
        converters += static_cast<int>(owned.size());
        std::set<const TOWBasicPin*> inputs;
        for (TOWFormatConverter* converter : owned)
            inputs.insert(converter->InputPin());
        EXPECT_EQ(inputs, targets) << "round " << round << ": a converter nobody uses, or an entry without its converter";
    }
    for (const auto& sink : slots.Sinks()) {
        TOWBasicPin* source = sink->GetSource();
        if (!source)
            continue;
        ASSERT_TRUE(sources.count(source)) << "round " << round << ": a sink linked to a pin that is gone";
        auto* sourcePin = dynamic_cast<TTestSourcePin*>(source);
        const auto entries = sourcePin->SinkEntries();
        EXPECT_EQ(std::count_if(entries.begin(), entries.end(),
                                [&](const TOWPinEntry& e) { return e.Sink.Get() == sink.get(); }),
                  1)
            << "round " << round << ": the source does not know the sink once";
        EXPECT_FALSE(sink->GetStreamType(nullptr).IsNull());
    }
    for (const auto& multi : slots.MultiSinks()) {
        for (const TOWPinEntry& entry : multi->SourceEntries()) {
            ASSERT_TRUE(sources.count(entry.Sink.Get())) << "round " << round << ": a multi-sink linked to a pin that is gone";
            const auto entries = dynamic_cast<TTestSourcePin*>(entry.Sink.Get())->SinkEntries();
            EXPECT_EQ(std::count_if(entries.begin(), entries.end(),
                                    [&](const TOWPinEntry& e) { return e.Sink.Get() == multi.get(); }),
                      1)
                << "round " << round << ": the source does not know the multi-sink once";
        }
    }
    EXPECT_EQ(TTestConverter::made.load() - TTestConverter::freed.load() - converterBase, converters)
        << "round " << round << ": converters not freed";
}

// How many pins the threads share, how many threads, and how often a step
// frees a pin and makes a new one in its slot (one step in ReplaceOdds): few
// pins and frequent replacement make a new pin often take the address of
// one freed while another thread still works on its links.
struct TStressShape {
    const char* Name;
    int Sources;
    int Sinks;
    int MultiSinks;
    int Threads;
    int Rounds;
    unsigned ReplaceOdds;
};

constexpr TStressShape stressShapes[] = {
    {"Spread", 6, 12, 3, 4, 120, 40},
    {"Crowded", 3, 4, 2, 6, 500, 10},
};

class StreamPinStress : public ::testing::TestWithParam<TStressShape> {};

TEST_P(StreamPinStress, LinkUnlinkDestroyAndDeliverFromSeveralThreads)
{
    const TStressShape& shape = GetParam();
    RegisterTestConverter();
    TWatchdog watchdog(std::chrono::seconds(240));
    const int converterBase = TTestConverter::made.load() - TTestConverter::freed.load();
    TPinOwner form{nullptr, "Form1"};
    std::vector<TPinOwner*> owners;
    for (int i = 0; i < 4; ++i)
        owners.push_back(MakeComponent<TPinOwner>(form, "Part" + std::to_string(i)));
    TPinSlots slots(owners, shape.Sources, shape.Sinks, shape.MultiSinks);

    const int threads = shape.Threads;
    const int rounds = shape.Rounds;
    constexpr int steps = 24;
    std::barrier start(threads + 1), done(threads + 1);
    std::atomic<bool> stop{false};
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            std::mt19937 rng(100 + static_cast<unsigned>(t));
            for (;;) {
                start.arrive_and_wait();
                if (stop.load())
                    return;
                for (int i = 0; i < steps; ++i) {
                    if (rng() % shape.ReplaceOdds == 0) {
                        if (rng() % 2)
                            slots.ReplaceSource(rng(), rng);
                        else
                            slots.ReplaceSink(rng(), rng);
                    } else {
                        randomStep(slots, rng);
                    }
                }
                done.arrive_and_wait();
            }
        });
    }
    for (int round = 0; round < rounds && !HasFatalFailure(); ++round) {
        start.arrive_and_wait();
        done.arrive_and_wait();
        checkLinks(slots, converterBase, round);
    }
    stop.store(true);
    start.arrive_and_wait();
    for (auto& worker : workers)
        worker.join();
    slots.Clear();
    EXPECT_EQ(TTestConverter::made.load() - TTestConverter::freed.load(), converterBase);
}

INSTANTIATE_TEST_SUITE_P(Shapes, StreamPinStress, ::testing::ValuesIn(stressShapes),
                         [](const auto& info) { return std::string(info.param.Name); });

// A component that owns one source and one sink.
class TSendingPair : public TPinOwner {
public:
    TSendingPair(TComponent* owner, std::string name) : TPinOwner(owner, std::move(name)) {}
    TOwned<TTestSourcePin> source = MakeObject<TTestSourcePin>(this, &OwnerLock(), std::vector<TGUID>{typeA});
    TOwned<TTestSinkPin> sink = MakeObject<TTestSinkPin>(this, &OwnerLock(), std::vector<TGUID>{typeA});
};

enum class TFreed { Source, Owner };

class CrossDestruction : public ::testing::TestWithParam<TFreed> {};

// Two pairs linked crosswise, each sending on a thread of its own; the
// handler of each sink, once both handlers run, frees its own pair's source
// (or its whole pair), which the other thread's delivery holds a use of.
TEST_P(CrossDestruction, TwoHandlersFreeingThePinsThatFeedEachOtherBothFinish)
{
    TWatchdog watchdog(std::chrono::seconds(30));
    TPinOwner form{nullptr, "Form1"};
    for (int round = 0; round < 20; ++round) {
        auto* a = MakeComponent<TSendingPair>(form, "A");
        auto* b = MakeComponent<TSendingPair>(form, "B");
        ASSERT_TRUE(b->sink->Connect(a->source.get()));
        ASSERT_TRUE(a->sink->Connect(b->source.get()));
        std::atomic<int> inHandler{0};
        auto freeOwn = [&](TSendingPair* own) {
            return [&inHandler, own](const TOWNotifyOperationRef&, TOWHandlerFlags flags) {
                if (flags & owAnnounceFlag)
                    return;
                ++inHandler;
                while (inHandler.load() < 2)
                    std::this_thread::yield();
                if (GetParam() == TFreed::Owner)
                    FreeObject(own);
                else
                    own->source.reset();
            };
        };
        b->sink->onReceive = freeOwn(b);
        a->sink->onReceive = freeOwn(a);
        TTestSourcePin* sources[] = {a->source.get(), b->source.get()};
        std::thread first([&] { sources[0]->SendOperation(NewOperation()); });
        std::thread second([&] { sources[1]->SendOperation(NewOperation()); });
        first.join();
        second.join();
        if (GetParam() == TFreed::Owner) {
            EXPECT_EQ(form.ComponentCount(), 0);
        } else {
            EXPECT_FALSE(a->source || b->source);
            EXPECT_EQ(a->sink->GetSource(), nullptr);
            EXPECT_EQ(b->sink->GetSource(), nullptr);
            FreeObject(a);
            FreeObject(b);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Freed, CrossDestruction, ::testing::Values(TFreed::Source, TFreed::Owner),
                         [](const auto& info) { return info.param == TFreed::Owner ? "Owner" : "Source"; });

} // namespace
