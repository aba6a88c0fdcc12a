// One owner's components inserted, renamed, looked up and freed on several
// threads at once, by handlers of their own pins and directly, and the owner
// freed while its components are being freed elsewhere: the owner's list and
// its name index must stay whole, and every component is freed exactly once.
#include "framework/OWStreamPinTestSupport.h"

#include "framework/pins/OWPinLookup.h"

#include <barrier>
#include <random>

using namespace owPinTest;

namespace {

constexpr int threadCount = 4;

// Counts what look-ups found, so that they are not optimised away; what
// they found is never followed (another thread may free it at once).
std::atomic<int> lookUpHits{0};
template<class T>
void keepFound(const T& found)
{
    if (found)
        lookUpHits.fetch_add(1, std::memory_order_relaxed);
}

// Sets a flag of its maker's when it is gone, whoever freed it.
class TFlaggedSibling : public TStreamOwner {
public:
    TFlaggedSibling(TComponent* owner, std::string name, std::atomic<bool>& gone)
        : TStreamOwner(owner, std::move(name)), gone_(gone)
    {
    }
    ~TFlaggedSibling() override { gone_.store(true); }

private:
    std::atomic<bool>& gone_;
};

// Every listed component is found by its name, as the first of that name in
// the list, and the list holds each component once.
void expectListAndIndexAgree(const TComponent& owner)
{
    std::vector<TComponent*> listed;
    for (int i = 0; i < owner.ComponentCount(); ++i)
        listed.push_back(owner.Components(i));
    std::set<TComponent*> distinct(listed.begin(), listed.end());
    EXPECT_EQ(distinct.size(), listed.size()) << "a component listed twice";
    for (TComponent* c : listed) {
        EXPECT_EQ(c->Owner(), &owner);
        const auto first = std::find_if(listed.begin(), listed.end(), [&](TComponent* o) { return o->Name() == c->Name(); });
        EXPECT_EQ(owner.FindOwned(c->Name()), *first) << "name " << c->Name();
    }
}

// What the handler of a sink does with its own component.
enum class THandlerAct { Free, Rename, Mixed };

struct TSiblingCase {
    const char* Name;
    THandlerAct Act;
    // The form is freed by the test's thread while the handlers still run.
    bool FormFreedMidway;
    int Rounds;
};

constexpr TSiblingCase siblingCases[] = {
    {"Free", THandlerAct::Free, false, 500},
    {"Rename", THandlerAct::Rename, false, 500},
    {"Mixed", THandlerAct::Mixed, false, 500},
    {"FreeWhileTheFormIsFreed", THandlerAct::Free, true, 500},
};

class SiblingHandlers : public ::testing::TestWithParam<TSiblingCase> {};

// Four threads each stream from a source of their own into the sink of their
// own component; the components are siblings in one form and nothing links
// one thread's pins to another's.
TEST_P(SiblingHandlers, KeepTheirOwnerWhole)
{
    const TSiblingCase& shape = GetParam();
    TWatchdog watchdog(std::chrono::seconds(120));
    std::vector<TOwned<TStreamOwner>> feeders;
    for (int t = 0; t < threadCount; ++t)
        feeders.push_back(MakeObject<TStreamOwner>(nullptr, "Feeder" + std::to_string(t)));
    std::vector<TTestSourcePin*> sources;
    for (auto& feeder : feeders)
        sources.push_back(&feeder->Source());

    TOwned<TPinOwner> form;
    std::barrier start(threadCount + 1), ready(threadCount + 1), done(threadCount + 1);
    std::atomic<bool> stop{false};
    std::vector<std::thread> workers;
    for (int t = 0; t < threadCount; ++t) {
        workers.emplace_back([&, t] {
            std::mt19937 rng(300 + static_cast<unsigned>(t));
            for (int round = 0;; ++round) {
                start.arrive_and_wait();
                if (stop.load())
                    return;
                std::atomic<bool> gone{false};
                const std::string name = "T" + std::to_string(t);
                auto* mine = MakeComponent<TFlaggedSibling>(*form, name, gone);
                TTestSinkPin& sink = mine->Sink();
                const int freeAfter = 1 + static_cast<int>(rng() % 8);
                auto delivered = std::make_shared<int>(0);
                TComponent* own = form.get();
                // The sink's path while the component has its own name: its
                // handler looks itself up by it, walking past siblings that
                // other threads rename and free meanwhile.
                const std::string ownPath = sink.GetPath(true);
                sink.onReceive = [&, mine, own, delivered, freeAfter, ownPath](const TOWNotifyOperationRef&,
                                                                              TOWHandlerFlags flags) {
                    if (flags & owAnnounceFlag)
                        return;
                    if (++*delivered >= freeAfter) {
                        FreeObject(mine);
                        return;
                    }
                    const unsigned pick = rng() % 8;
                    switch (shape.Act) {
                    case THandlerAct::Free:
                        return;
                    case THandlerAct::Rename:
                        // Names shared between the threads, so that a name
                        // often stands for two siblings at once.
                        mine->SetName(pick < 5 ? "Shared" + std::to_string(pick % 2) : name);
                        return;
                    case THandlerAct::Mixed:
                        if (pick < 3) {
                            mine->SetName(pick < 2 ? "Shared" + std::to_string(pick) : name);
                        } else if (pick < 5) {
                            keepFound(own->FindOwned("T" + std::to_string(rng() % threadCount)));
                            keepFound(own->FindOwned("Shared1"));
                            keepFound(own->ComponentCount());
                        } else if (pick < 7) {
                            mine->SetName(name);
                            EXPECT_EQ(OWFindPinByPath(own, ownPath), &sink);
                        } else {
                            FreeObject(mine);
                        }
                        return;
                    }
                };
                sink.Connect(sources[static_cast<std::size_t>(t)]);
                ready.arrive_and_wait();
                while (!gone.load())
                    sources[static_cast<std::size_t>(t)]->SendOperation(NewOperation());
                done.arrive_and_wait();
            }
        });
    }
    std::mt19937 rng(11);
    for (int round = 0; round < shape.Rounds && !HasFailure(); ++round) {
        form = MakeObject<TPinOwner>(nullptr, "Form1");
        start.arrive_and_wait();
        ready.arrive_and_wait();
        if (shape.FormFreedMidway) {
            for (unsigned spin = rng() % 2000; spin > 0; --spin)
                std::atomic_signal_fence(std::memory_order_seq_cst);
            form.reset();
        } else {
            // Look-ups from a thread that frees nothing: a name no sibling
            // has walks past all of them.
            for (int i = 0; i < 20; ++i) {
                EXPECT_EQ(OWFindPinByPath(form.get(), "Form1.Nobody.Pins.Pin [0]"), nullptr);
                keepFound(form->FindOwned("Shared0"));
            }
        }
        done.arrive_and_wait();
        if (form) {
            EXPECT_EQ(form->ComponentCount(), 0) << "round " << round;
            expectListAndIndexAgree(*form);
            form.reset();
        }
    }
    stop.store(true);
    start.arrive_and_wait();
    for (auto& worker : workers)
        worker.join();
}

INSTANTIATE_TEST_SUITE_P(Acts, SiblingHandlers, ::testing::ValuesIn(siblingCases),
                         [](const auto& info) { return std::string(info.param.Name); });

// Components of one owner made, renamed, looked up, moved to another owner
// and back, and freed by four threads directly.
TEST(ComponentThreads, InsertRenameLookUpAndFreeOnFourThreadsKeepTheListAndIndexWhole)
{
    TWatchdog watchdog(std::chrono::seconds(60));
    auto owner = MakeObject<TComponent>(nullptr);
    auto other = MakeObject<TComponent>(nullptr);
    std::vector<std::vector<TComponent*>> kept(threadCount);
    std::vector<std::thread> workers;
    for (int t = 0; t < threadCount; ++t) {
        workers.emplace_back([&, t] {
            std::mt19937 rng(500 + static_cast<unsigned>(t));
            std::vector<TComponent*>& mine = kept[static_cast<std::size_t>(t)];
            for (int step = 0; step < 3000; ++step) {
                switch (rng() % 6) {
                case 0:
                case 1: {
                    auto* made = MakeComponent<TComponent>(*owner);
                    made->SetName("C" + std::to_string(rng() % 5));
                    mine.push_back(made);
                    break;
                }
                case 2:
                    if (!mine.empty())
                        mine[rng() % mine.size()]->SetName(rng() % 2 ? "C" + std::to_string(rng() % 5) : "");
                    break;
                case 3:
                    keepFound(owner->FindOwned("C" + std::to_string(rng() % 5)));
                    keepFound(owner->FindOwned(""));
                    keepFound(owner->ComponentCount());
                    break;
                case 4:
                    if (!mine.empty()) {
                        TComponent* moved = mine[rng() % mine.size()];
                        other->InsertComponent(*moved);
                        owner->InsertComponent(*moved);
                    }
                    break;
                default:
                    if (!mine.empty()) {
                        const std::size_t at = rng() % mine.size();
                        FreeObject(mine[at]);
                        mine.erase(mine.begin() + static_cast<std::ptrdiff_t>(at));
                    }
                    break;
                }
            }
        });
    }
    for (auto& worker : workers)
        worker.join();
    std::size_t left = 0;
    for (const auto& mine : kept)
        left += mine.size();
    EXPECT_EQ(static_cast<std::size_t>(owner->ComponentCount()), left);
    EXPECT_EQ(other->ComponentCount(), 0);
    expectListAndIndexAgree(*owner);
}

// A component its freer's thread holds up while it is freed elsewhere, as a
// pin's use holds up the destruction of a pin a handler runs on: the thread
// can always still reach it to free it, and who frees it first wins.
class THeldUp : public TComponent {
public:
    THeldUp(TComponent* owner, const std::atomic<bool>& freerLetGo, std::thread::id freer, std::atomic<int>& freed)
        : TComponent(owner), freerLetGo_(freerLetGo), freer_(freer), freed_(freed)
    {
    }
    ~THeldUp() override { freed_.fetch_add(1); }
    void BeforeDestruction() override
    {
        if (std::this_thread::get_id() != freer_) {
            while (!freerLetGo_.load())
                std::this_thread::yield();
        } else {
            // Slow enough that the owner's destruction meets it under way.
            for (int i = 0; i < 50; ++i)
                std::this_thread::yield();
        }
        TComponent::BeforeDestruction();
    }

private:
    const std::atomic<bool>& freerLetGo_;
    std::thread::id freer_;
    std::atomic<int>& freed_;
};

TEST(ComponentThreads, AnOwnerFreedWhileOtherThreadsFreeItsComponentsFreesEachOnce)
{
    TWatchdog watchdog(std::chrono::seconds(60));
    constexpr int rounds = 150;
    std::atomic<int> freed{0};
    int made = 0;
    std::mt19937 rng(17);
    for (int round = 0; round < rounds; ++round) {
        auto owner = MakeObject<TComponent>(nullptr);
        std::array<std::atomic<bool>, threadCount> letGo{};
        std::array<std::thread::id, threadCount> freers{};
        std::array<THeldUp*, threadCount> held{};
        std::barrier start(threadCount + 1), named(threadCount + 1);
        std::vector<std::thread> workers;
        for (int t = 0; t < threadCount; ++t) {
            const unsigned delay = rng() % 3000;
            workers.emplace_back([&, t, delay] {
                named.arrive_and_wait();
                start.arrive_and_wait();
                for (unsigned spin = delay; spin > 0; --spin)
                    std::atomic_signal_fence(std::memory_order_seq_cst);
                FreeObject(held[static_cast<std::size_t>(t)]);
                letGo[static_cast<std::size_t>(t)].store(true);
            });
            freers[static_cast<std::size_t>(t)] = workers.back().get_id();
        }
        for (int t = 0; t < threadCount; ++t) {
            held[static_cast<std::size_t>(t)] = MakeComponent<THeldUp>(*owner, letGo[static_cast<std::size_t>(t)],
                                                                       freers[static_cast<std::size_t>(t)], freed);
            // A second one each, freed by the owner alone.
            MakeComponent<TComponent>(*held[static_cast<std::size_t>(t)]);
            ++made;
        }
        named.arrive_and_wait();
        start.arrive_and_wait();
        for (unsigned spin = rng() % 3000; spin > 0; --spin)
            std::atomic_signal_fence(std::memory_order_seq_cst);
        owner.reset();
        for (auto& worker : workers)
            worker.join();
        ASSERT_EQ(freed.load(), made) << "round " << round;
    }
}

// Tells when its destruction has begun, before its pins go.
class TGoingSibling : public TStreamOwner {
public:
    TGoingSibling(TComponent* owner, std::atomic<bool>& going) : TStreamOwner(owner, "Going"), going_(going) {}
    void BeforeDestruction() override
    {
        going_.store(true);
        TStreamOwner::BeforeDestruction();
    }

private:
    std::atomic<bool>& going_;
};

// A handler of a component's sink frees the component's owner while another
// thread is freeing the component: the owner's destruction waits for that
// thread, and that thread's destruction of the sink must not wait for the
// handler's use of it in turn (the handler finds its sink gone, as if it had
// freed it itself).
TEST(ComponentThreads, AHandlerFreesTheOwnerWhileAnotherThreadFreesItsComponent)
{
    TWatchdog watchdog(std::chrono::seconds(60));
    for (int round = 0; round < 20; ++round) {
        auto feeder = MakeObject<TStreamOwner>(nullptr, "Feeder");
        TTestSourcePin& source = feeder->Source();
        TPinOwner* form = MakeObject<TPinOwner>(nullptr, "Form1").release();
        std::atomic<bool> inHandler{false}, going{false};
        auto* mine = MakeComponent<TGoingSibling>(*form, going);
        TTestSinkPin& sink = mine->Sink();
        sink.onReceive = [&](const TOWNotifyOperationRef&, TOWHandlerFlags flags) {
            if ((flags & owAnnounceFlag) || inHandler.exchange(true))
                return;
            while (!going.load())
                std::this_thread::yield();
            // Time for the other thread to reach the sink's destruction.
            std::this_thread::sleep_for(std::chrono::milliseconds(round % 4));
            FreeObject(form);
        };
        sink.Connect(&source);
        std::thread freer([&] {
            while (!inHandler.load())
                std::this_thread::yield();
            FreeObject(mine);
        });
        source.SendOperation(NewOperation());
        freer.join();
        ASSERT_EQ(source.GetSinkCount(), 0) << "round " << round;
    }
}

} // namespace
