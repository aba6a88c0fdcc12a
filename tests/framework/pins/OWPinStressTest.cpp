// Pins linked, unlinked, delivered to and destroyed from several threads at
// once. Each thread owns the pins it makes (and frees them); it reaches the
// others' pins only through borrowed pointers, as the pin model requires.
#include "framework/OWLinkTestSupport.h"

#include "framework/pins/OWPinRegistry.h"

#include <random>

using namespace owPinTest;

namespace {

constexpr int threadCount = 4;
constexpr int slotsPerThread = 6;

#if defined(__SANITIZE_THREAD__)
constexpr int stepsPerThread = 600;
#else
constexpr int stepsPerThread = 3000;
#endif

class PinStress : public ::testing::Test {
protected:
    TPinOwner form{nullptr, "Form1"};
};

// The borrowed pins every thread may link with.
struct TSharedPins {
    std::mutex guard;
    std::vector<TOWBorrowed<TOWBasicPin>> slots = std::vector<TOWBorrowed<TOWBasicPin>>(threadCount * slotsPerThread);

    void Publish(int slot, TOWBasicPin* pin)
    {
        std::lock_guard hold(guard);
        slots[static_cast<std::size_t>(slot)] = pin ? pin->Borrow() : TOWBorrowed<TOWBasicPin>();
    }
    TOWBorrowed<TOWBasicPin> Pick(std::mt19937& random)
    {
        std::lock_guard hold(guard);
        return slots[std::uniform_int_distribution<std::size_t>(0, slots.size() - 1)(random)];
    }
};

// Every pin still alive is linked only with pins still alive, and each
// dispatcher it is in lists it.
void expectNoReferenceToADestroyedPin(const std::vector<TOwned<TTestStatePin>>& alive)
{
    for (const auto& pin : alive) {
        auto dispatcher = pin->GetDispatcher();
        if (!dispatcher)
            continue;
        EXPECT_TRUE(dispatcher->HasPin(pin.get()));
        for (const TOWDispatcherPinStorage& member : dispatcher->Members()) {
            EXPECT_TRUE(static_cast<bool>(Use(member.Member))) << "a member was destroyed";
            const bool listed = std::any_of(alive.begin(), alive.end(),
                                            [&](const auto& p) { return p.get() == member.Member.Get(); });
            EXPECT_TRUE(listed);
        }
    }
}

TEST_F(PinStress, LinkUnlinkDeliverAndDestroyFromSeveralThreads)
{
    TWatchdog watchdog(std::chrono::seconds(120));
    const int registeredBefore = TOWPinRegistry::Count();
    TSharedPins shared;
    std::vector<std::vector<TOwned<TTestStatePin>>> survivors(threadCount);
    std::vector<TPinOwner*> owners;
    for (int t = 0; t < threadCount; ++t)
        owners.push_back(MakeComponent<TPinOwner>(form, "Owner" + std::to_string(t)));

    auto work = [&](int t) {
        std::mt19937 random(static_cast<unsigned>(t) * 7919u + 1u);
        std::vector<TOwned<TTestStatePin>> mine(slotsPerThread);
        for (int s = 0; s < slotsPerThread; ++s) {
            mine[static_cast<std::size_t>(s)] = MakeStatePin(*owners[static_cast<std::size_t>(t)]);
            shared.Publish(t * slotsPerThread + s, mine[static_cast<std::size_t>(s)].get());
        }
        for (int step = 0; step < stepsPerThread; ++step) {
            const int s = std::uniform_int_distribution<int>(0, slotsPerThread - 1)(random);
            TOwned<TTestStatePin>& pin = mine[static_cast<std::size_t>(s)];
            switch (std::uniform_int_distribution<int>(0, 9)(random)) {
            case 0:
            case 1:
            case 2: {
                auto other = Use(shared.Pick(random));
                if (other && other.Get() != pin.get())
                    pin->Connect(other.Get());
                break;
            }
            case 3:
                pin->DisconnectAll();
                break;
            case 4:
            case 5:
            case 6:
                pin->DeliverState(OWMakeOperation<TOWNotifyOperation>(), 0, nullptr);
                break;
            case 7:
                pin->GetLinkText();
                break;
            default:
                // Take it out of the shared table first, then free it while
                // others may still hold it borrowed.
                shared.Publish(t * slotsPerThread + s, nullptr);
                pin.reset();
                pin = MakeStatePin(*owners[static_cast<std::size_t>(t)]);
                shared.Publish(t * slotsPerThread + s, pin.get());
                break;
            }
        }
        survivors[static_cast<std::size_t>(t)] = std::move(mine);
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t)
        threads.emplace_back(work, t);
    for (auto& thread : threads)
        thread.join();

    std::vector<TOwned<TTestStatePin>> alive;
    for (auto& pins : survivors)
        for (auto& pin : pins)
            alive.push_back(std::move(pin));
    expectNoReferenceToADestroyedPin(alive);
    EXPECT_EQ(TOWPinRegistry::Count(), registeredBefore + static_cast<int>(alive.size()));
    for (auto& pin : alive)
        pin.reset();
    EXPECT_EQ(TOWPinRegistry::Count(), registeredBefore);
}

TEST_F(PinStress, TwoLinkedPinsDestroyedOnTwoThreadsAtOnce)
{
    TWatchdog watchdog(std::chrono::seconds(60));
    TPinOwner& owner = *MakeComponent<TPinOwner>(form, "Pair");
    auto witness = MakeStatePin(owner);
    for (int round = 0; round < stepsPerThread / 10; ++round) {
        auto a = MakeStatePin(owner);
        auto b = MakeStatePin(owner);
        ASSERT_TRUE(a->Connect(b.get()));
        ASSERT_TRUE(witness->Connect(a.get()));
        std::atomic<int> ready{0};
        auto destroy = [&](TOwned<TTestStatePin>& pin) {
            ++ready;
            while (ready < 2)
                std::this_thread::yield();
            pin.reset();
        };
        std::thread first(destroy, std::ref(a));
        std::thread second(destroy, std::ref(b));
        first.join();
        second.join();
        EXPECT_FALSE(witness->HasDispatcher());
    }
}

TEST_F(PinStress, DestructionDoesNotWaitForEverForADeliveryThatWaitsForTheOwnersLock)
{
    TWatchdog watchdog(std::chrono::seconds(30));
    TPinOwner& owner = *MakeComponent<TPinOwner>(form, "Chart");
    auto source = MakeStatePin(owner);
    auto sink = MakeStatePin(form);
    ASSERT_TRUE(source->Connect(sink.get()));
    std::atomic<bool> inHandler{false};
    std::atomic<bool> ownerLocked{false};
    source->onDeliver = [&](TOWBasicPin*) {
        inHandler = true;
        while (!ownerLocked)
            std::this_thread::yield();
        // Waits for the owner's lock, which the destroying thread holds.
        auto section = owner.OwnerLock().WriteSection();
    };
    std::thread delivery([&] { source->DeliverState(OWMakeOperation<TOWNotifyOperation>(), 0, nullptr); });
    while (!inHandler)
        std::this_thread::yield();
    {
        auto ownerSection = owner.OwnerLock().WriteSection();
        ownerLocked = true;
        source.reset();
    }
    delivery.join();
    EXPECT_FALSE(sink->HasDispatcher());
}

TEST_F(PinStress, LinkingOnOneThreadWhileDestroyingOnAnother)
{
    TWatchdog watchdog(std::chrono::seconds(60));
    TPinOwner& owner = *MakeComponent<TPinOwner>(form, "Hub");
    auto hub = MakeStatePin(owner);
    TSharedPins shared;
    std::atomic<bool> stop{false};
    std::thread linker([&] {
        std::mt19937 random(17);
        while (!stop) {
            if (auto other = Use(shared.Pick(random)))
                hub->Connect(other.Get());
            hub->DeliverState(OWMakeOperation<TOWNotifyOperation>(), 0, nullptr);
        }
    });
    for (int round = 0; round < stepsPerThread / 3; ++round) {
        auto pin = MakeStatePin(owner);
        const int slot = round % static_cast<int>(shared.slots.size());
        shared.Publish(slot, pin.get());
        if (round % 2)
            pin->Connect(hub.get());
        shared.Publish(slot, nullptr);
        pin.reset();
    }
    stop = true;
    linker.join();
    std::vector<TOwned<TTestStatePin>> alive;
    alive.push_back(std::move(hub));
    expectNoReferenceToADestroyedPin(alive);
}

TEST_F(PinStress, OnePinDeliveredFromSeveralThreadsWhileItsLinksChange)
{
    TWatchdog watchdog(std::chrono::seconds(60));
    TPinOwner& owner = *MakeComponent<TPinOwner>(form, "Shared");
    auto hub = MakeStatePin(owner);
    std::vector<TOwned<TTestStatePin>> partners;
    for (int i = 0; i < 4; ++i)
        partners.push_back(MakeStatePin(owner));
    std::atomic<bool> stop{false};
    std::atomic<int> started{0};
    std::vector<std::thread> deliverers;
    for (int t = 0; t < 3; ++t) {
        deliverers.emplace_back([&] {
            ++started;
            while (!stop)
                hub->DeliverState(OWMakeOperation<TOWNotifyOperation>(), 0, nullptr);
        });
    }
    while (started < 3)
        std::this_thread::yield();
    for (int round = 0; round < stepsPerThread / 3; ++round) {
        TTestStatePin& partner = *partners[static_cast<std::size_t>(round) % partners.size()];
        if (round % 3 == 2)
            partner.DisconnectAll();
        else
            partner.Connect(hub.get());
    }
    ASSERT_TRUE(partners[0]->Connect(hub.get()));
    while (hub->Deliveries().empty())
        std::this_thread::yield();
    stop = true;
    for (auto& thread : deliverers)
        thread.join();
    for (auto& partner : partners)
        partner->DisconnectAll();
    EXPECT_FALSE(hub->HasDispatcher());
}

TEST_F(PinStress, APinListChangedFromSeveralThreadsWhileAnotherWalksIt)
{
    TWatchdog watchdog(std::chrono::seconds(60));
    TPinOwner& owner = *MakeComponent<TPinOwner>(form, "Lists");
    auto list = MakeObject<TOWPinList>(&owner, true, &owner.OwnerLock());
    const int registeredBefore = TOWPinRegistry::Count();
    std::atomic<bool> stop{false};
    std::thread walker([&] {
        while (!stop) {
            TOWPinList::TWalk walk(*list);
            // Other threads delete meanwhile: an index gone is refused
            // clearly, never read from freed storage.
            try {
                for (int i = 0; i < list->EntryCount(); ++i)
                    (void)list->PinName(i);
            } catch (const EOWException&) {
            }
        }
    });
    std::vector<std::thread> changers;
    for (int t = 0; t < 3; ++t) {
        changers.emplace_back([&, t] {
            for (int round = 0; round < stepsPerThread / 10; ++round) {
                TTestStatePin* pin = MakeStatePin(owner).release();
                list->AddPin(pin, "T" + std::to_string(t));
                // Renames whatever pin stands at the index found by then.
                if (round % 2)
                    list->SetPinName(list->IndexOf(pin), "Renamed");
                list->RemovePin(pin);
            }
        });
    }
    for (auto& thread : changers)
        thread.join();
    stop = true;
    walker.join();
    EXPECT_EQ(list->Count(), 0);
    EXPECT_EQ(TOWPinRegistry::Count(), registeredBefore);
}

// Pins on several threads wait for a pin not there yet (a placeholder of its
// path) and are freed, while the main thread makes that pin and frees it
// again: each placeholder goes with the last pin that waited on it or is
// taken over by the pin of its path, and none is left at the end.
TEST_F(PinStress, PlaceholdersWaitedOnAndFreedFromSeveralThreads)
{
    TWatchdog watchdog(std::chrono::seconds(120));
    const int placeholdersBefore = OWPlaceholderCount();
    TPinOwner there(nullptr, "Form2");
    owLinkTest::TScope& awaited = *MakeComponent<owLinkTest::TScope>(there, "L");
    TOWPinList& list = *awaited.InputPins();
    const int registeredBefore = TOWPinRegistry::Count();
    std::vector<TPinOwner*> owners;
    for (int t = 0; t < threadCount; ++t)
        owners.push_back(MakeComponent<TPinOwner>(form, "Waiter" + std::to_string(t)));
    std::atomic<int> working{threadCount};
    const std::string awaitedPath = "Form2.L.InputPins._Pin0";

    auto work = [&](int t) {
        std::mt19937 random(static_cast<unsigned>(t) * 104729u + 3u);
        std::vector<TOwned<TTestStatePin>> mine;
        for (int step = 0; step < stepsPerThread / 2; ++step) {
            if (mine.size() < slotsPerThread && std::uniform_int_distribution<int>(0, 2)(random) != 0) {
                mine.push_back(MakeStatePin(*owners[static_cast<std::size_t>(t)]));
                // As a link read from a form waits for a pin not there: on
                // the placeholder of its path, or a new one. (Looking the
                // pin up by path is not for a pin freed meanwhile.)
                TOWBorrowed<TOWUnloadedPin> placeholder = OWFindPlaceholderOfKind("Form2", awaitedPath, TOWPinKind::State);
                if (!placeholder)
                    placeholder = TOWUnloadedPin::Make(awaitedPath, awaitedPath, "Form1.Waiter", "Form2",
                                                       TOWPinKind::State, false);
                // Refused once it gives way to the pin or goes.
                if (auto waitedOn = Use(placeholder))
                    mine.back()->Connect(waitedOn.Get());
            } else if (!mine.empty()) {
                mine.erase(mine.begin() + std::uniform_int_distribution<std::ptrdiff_t>(
                                              0, static_cast<std::ptrdiff_t>(mine.size()) - 1)(random));
            }
        }
        working.fetch_sub(1);
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t)
        threads.emplace_back(work, t);
    while (working.load() > 0) {
        list.AddPin(MakeStatePin(awaited).release(), {});
        list.Delete(0);
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(OWPlaceholderCount(), placeholdersBefore);
    EXPECT_EQ(TOWPinRegistry::Count(), registeredBefore);
}

} // namespace

namespace {

// Links read on several threads name one DependsOn not loaded yet and go
// again (unlinked from either side, or made again without it) while the
// others stay: the placeholder stands while any link names it, and none is
// left once no link does.
TEST_F(PinStress, ADependsOnNotLoadedSharedByLinksMadeAndUnmadeOnSeveralThreads)
{
    TWatchdog watchdog(std::chrono::seconds(120));
    const int placeholdersBefore = OWPlaceholderCount();
    owLinkTest::TTestForm shared(nullptr, "Form3");
    auto& source = *MakeComponent<owLinkTest::TDataScope>(shared, "A");
    std::vector<owLinkTest::TDataScope*> readers;
    for (int t = 0; t < threadCount; ++t)
        readers.push_back(MakeComponent<owLinkTest::TDataScope>(shared, "C" + std::to_string(t)));
    // As while a form is read: the source admits a DependsOn it does not feed.
    source.SetLoading(true);
    const TFormValue sinkValue = TFormValue::List(
        {TFormValue::List({TFormValue::Ident("Form3.A.Out")}), TFormValue::Ident("Form4.X.In")});
    const TFormValue multiValue = TFormValue::List(
        {TFormValue::List({TFormValue::Ident("Form3.A.Out"), TFormValue::Ident("Form4.X.In")})});
    std::atomic<int> unnamed{0};
    auto work = [&](int t) {
        std::mt19937 random(static_cast<unsigned>(t) * 7919u + 11u);
        owLinkTest::TDataScope& mine = *readers[static_cast<std::size_t>(t)];
        for (int step = 0; step < stepsPerThread / 4; ++step) {
            const bool multi = step % 2 == 1;
            TOWBasicPin& pin = multi ? static_cast<TOWBasicPin&>(*mine.Mix()) : *mine.In();
            TReader().ReadProperties(mine, {{multi ? "Mix.SourcePin" : "In.SourcePin", multi ? multiValue : sinkValue}});
            // The source's entry names it, and it stands (two threads may
            // each have made one for the path: both stand while named).
            bool named = false;
            for (const TOWPinEntry& entry : source.Out()->SinkEntries()) {
                if (entry.Sink.Get() != &pin)
                    continue;
                auto dependency = Use(entry.DependsOn);
                auto* placeholder = dynamic_cast<TOWUnloadedPin*>(dependency.Get());
                named = placeholder && placeholder->IndexPathText() == "Form4.X.In";
            }
            if (!named)
                unnamed.fetch_add(1);
            switch (std::uniform_int_distribution<int>(0, 2)(random)) {
            case 0:
                pin.DisconnectAll();
                break;
            case 1:
                pin.ConnectData(source.Out(), nullptr);
                pin.DisconnectAll();
                break;
            default:
                source.Out()->Disconnect(&pin);
                break;
            }
        }
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t)
        threads.emplace_back(work, t);
    for (auto& thread : threads)
        thread.join();
    source.SetLoading(false);
    EXPECT_EQ(unnamed.load(), 0) << "a link read without its DependsOn standing";
    EXPECT_EQ(source.Out()->GetSinkCount(), 0);
    EXPECT_EQ(OWPlaceholderCount(), placeholdersBefore);
}

} // namespace
