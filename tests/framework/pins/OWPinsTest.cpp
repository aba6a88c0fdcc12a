#include "framework/OWPinTestSupport.h"

#include "framework/pins/OWPinRegistry.h"
#include "framework/pins/OWUnloadedPin.h"

using namespace owPinTest;

namespace {

constexpr TGUID registryHandled = ParseGuid("{D0000000-0000-0000-0000-00000000000D}");
constexpr TGUID unhandled = ParseGuid("{E0000000-0000-0000-0000-00000000000E}");

bool registryHandler(TOWPin*, TOWBasicPin*, const TGUID&, TOWHandlerFlags flags, const TOWNotifyOperationRef&)
{
    return flags == owLastTargetFlag;
}

void registerPinTestTypes()
{
    RegisterStreamTypeHandler(registryHandled, registryHandler);
    RegisterStreamTypeCaption(unhandled, "Unhandled");
}

class Pins : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const TOWTypeUnitStartUp units[] = {registerPinTestTypes};
        OWPinsStartUp(units);
    }

    TPinOwner form{nullptr, "Form1"};
    TPinOwner& scope = *MakeComponent<TPinOwner>(form, "Scope1");
};

// ------------------------------------------------------------ handler table

TEST_F(Pins, AStreamTypeAddedTwiceKeepsItsPlaceWithTheSecondHandler)
{
    auto pin = MakeStatePin(scope, {typeA, typeB});
    pin->AddStreamType(typeA);
    const auto table = pin->StreamTypesCopy();
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(table[0].StreamType, typeA);
    EXPECT_FALSE(table[0].Handler);
    EXPECT_EQ(table[1].StreamType, typeB);
}

TEST_F(Pins, HandlersComeFromThePinThenFromTheRegistry)
{
    auto pin = MakeStatePin(scope, {typeA});
    pin->AddStreamType(registryHandled);
    pin->AddStreamType(unhandled);
    struct Case {
        const char* what;
        TGUID type;
        bool assigned;
        bool answer;
    };
    const Case cases[] = {
        {"own handler", typeA, true, true},
        {"registry's handler, looked up at the call", registryHandled, true, true},
        {"listed, no handler anywhere", unhandled, true, false},
        {"not listed", typeB, false, false},
        {"null type", GUID_NULL, false, false},
    };
    auto target = MakeStatePin(scope);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TOWStreamHandler handler = pin->FindHandler(c.type);
        ASSERT_EQ(static_cast<bool>(handler), c.assigned);
        if (handler) {
            EXPECT_EQ(handler(target.get(), c.type, owLastTargetFlag, OWMakeOperation<TOWNotifyOperation>()), c.answer);
        }
    }
}

TEST_F(Pins, CandidatesAreOrderedByThePinsPreferenceOnce)
{
    const TGUID x = ParseGuid("{F0000000-0000-0000-0000-000000000001}");
    const TGUID y = ParseGuid("{F0000000-0000-0000-0000-000000000002}");
    struct Case {
        std::vector<TGUID> own;
        std::vector<TGUID> candidates;
        std::vector<TGUID> ordered;
    };
    const Case cases[] = {
        {{typeB, typeA}, {x, typeA, y, typeB}, {typeB, typeA, x, y}},
        {{typeC}, {typeA, typeB}, {typeA, typeB}},
        {{typeA, typeB, typeC}, {typeC, x, typeA}, {typeA, typeC, x}},
        {{}, {y, x}, {y, x}},
    };
    for (const Case& c : cases) {
        auto pin = MakeStatePin(scope, c.own);
        TOWPinTypeRestricted list;
        for (const TGUID& type : c.candidates)
            list.Add(type, {});
        pin->OrderByOwnTypes(list);
        EXPECT_EQ(TypesOf(list), c.ordered);
        EXPECT_TRUE(list.Ordered);
        // An ordered list is left alone.
        list.Exchange(0, list.Count() - 1);
        const auto before = TypesOf(list);
        pin->OrderByOwnTypes(list);
        EXPECT_EQ(TypesOf(list), before);
    }
}

// ------------------------------------------------------------ state links

TEST_F(Pins, StateLinksAreRefusedWhereThePinsCannotMeet)
{
    TPinOwner& designed = *MakeComponent<TPinOwner>(form, "Designed");
    designed.SetDesigning(true);
    auto a = MakeStatePin(scope, {typeA}, {typeA});
    auto b = MakeStatePin(scope, {typeB}, {typeB});
    auto atDesign = MakeStatePin(designed, {typeA}, {typeA});
    struct Case {
        const char* what;
        TOWBasicPin* from;
        TOWBasicPin* to;
    };
    const Case cases[] = {
        {"a pin with itself", a.get(), a.get()},
        {"no common type", a.get(), b.get()},
        {"a design-time pin with a run-time pin", a.get(), atDesign.get()},
        {"nothing", a.get(), nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(c.from->ConnectData(c.to, nullptr));
        EXPECT_FALSE(c.from->HasDispatcher());
        EXPECT_EQ(c.from->GetLinkText(), "(Disconnected)");
    }
}

TEST_F(Pins, TwoStatePinsLinkThroughANewDispatcherThatAThirdJoins)
{
    auto a = MakeStatePin(scope);
    auto b = MakeStatePin(scope);
    auto c = MakeStatePin(scope);
    ASSERT_TRUE(a->Connect(b.get()));
    auto dispatcher = a->GetDispatcher();
    ASSERT_TRUE(dispatcher);
    // Named after the owner's root.
    EXPECT_EQ(dispatcher->Name(), "Form1Link1");
    EXPECT_EQ(b->GetDispatcher(), dispatcher);
    EXPECT_TRUE(a->IsLinkedWith(b.get()));
    EXPECT_EQ(UniqueLinkName(&form, false), "Form1Link2");
    EXPECT_EQ(UniqueLinkName(&scope, false), "Scope1Link1");
    EXPECT_EQ(UniqueLinkName(&form, true), "Form1Link1");

    ASSERT_TRUE(c->Connect(a.get()));
    EXPECT_EQ(c->GetDispatcher(), dispatcher);
    EXPECT_EQ(dispatcher->Count(), 3);
    EXPECT_EQ(c->GetLinkText(), "Form1Link1");

    // Two members leaving dissolve it: the last one cannot stay alone.
    TListenerScope events;
    c->DisconnectAll();
    b->DisconnectAll();
    EXPECT_FALSE(a->HasDispatcher());
    EXPECT_EQ(dispatcher->Count(), 0);
    EXPECT_TRUE(dispatcher->Dissolved());
    EXPECT_EQ(events->For(nullptr), std::vector<std::string>{"dispatcher destroyed"});
    EXPECT_FALSE(FindDispatcher("Form1Link1", false));
    EXPECT_EQ(UniqueLinkName(&form, false), "Form1Link1");
}

TEST_F(Pins, TheStateTypeIsTheOfferNearestTheEndThatThePartnerTakes)
{
    auto offering = MakeStatePin(scope, {typeA, typeB, typeC}, {});
    auto taking = MakeStatePin(scope, {}, {typeA, typeC});
    EXPECT_EQ(offering->NegotiatedStateType(taking.get()), typeC);
    ASSERT_TRUE(offering->Connect(taking.get()));
    EXPECT_EQ(offering->GetCurrentStreamType(), typeC);
}

TEST_F(Pins, StateIsDeliveredToEveryOtherMemberWithTheLastMarked)
{
    auto from = MakeStatePin(scope);
    auto second = MakeStatePin(scope);
    auto third = MakeStatePin(scope);
    ASSERT_TRUE(from->Connect(second.get()));
    ASSERT_TRUE(third->Connect(from.get()));

    EXPECT_FALSE(from->DeliverState(OWMakeOperation<TOWNotifyOperation>(), owAnnounceFlag, nullptr));
    auto all = from->Deliveries();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].target, second.get());
    EXPECT_EQ(all[0].flags, owAnnounceFlag);
    EXPECT_EQ(all[1].target, third.get());
    EXPECT_EQ(all[1].flags, owAnnounceFlag | owLastTargetFlag);

    from->deliveries.clear();
    from->DeliverState(OWMakeOperation<TOWNotifyOperation>(), 0, second.get());
    all = from->Deliveries();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].target, second.get());
    EXPECT_EQ(all[0].flags, owLastTargetFlag);

    // The relay: with no source among the members, each non-sink member
    // delivers to the pin that asked.
    from->deliveries.clear();
    second->deliveries.clear();
    third->deliveries.clear();
    second->RequestState();
    EXPECT_EQ(from->Deliveries().size(), 1u);
    EXPECT_EQ(third->Deliveries().size(), 1u);
    EXPECT_EQ(second->Deliveries().size(), 2u);
}

TEST_F(Pins, ListenersHearLinkUnlinkAndDestroyInOrder)
{
    TListenerScope events;
    auto a = MakeStatePin(scope);
    auto b = MakeStatePin(scope);
    EXPECT_EQ(events->For(a.get()), std::vector<std::string>{"created"});
    events->Clear();
    ASSERT_TRUE(a->Connect(b.get()));
    EXPECT_EQ(events->For(a.get()), (std::vector<std::string>{"linked", "changed"}));
    EXPECT_EQ(events->For(b.get()), (std::vector<std::string>{"linked", "changed"}));
    EXPECT_EQ(events->For(nullptr), std::vector<std::string>{"dispatcher created"});

    events->Clear();
    a->DisconnectAll();
    EXPECT_EQ(events->For(a.get()), (std::vector<std::string>{"unlinked", "changed"}));
    EXPECT_EQ(events->For(b.get()), std::vector<std::string>{"changed"});

    ASSERT_TRUE(a->Connect(b.get()));
    events->Clear();
    TOWBasicPin* gone = b.get();
    b.reset();
    EXPECT_EQ(events->For(gone), (std::vector<std::string>{"unlinked", "changed", "destroying"}));
    EXPECT_EQ(events->For(a.get()), std::vector<std::string>{"changed"});
    EXPECT_FALSE(a->HasDispatcher());
}

// ------------------------------------------------------------ destruction

TEST_F(Pins, EveryRegisteredPinIsToldOnceThatAPinGoes)
{
    std::vector<TOwned<TTestStatePin>> others;
    for (int i = 0; i < 5; ++i)
        others.push_back(MakeStatePin(scope));
    auto dying = MakeStatePin(scope);
    ASSERT_TRUE(dying->Connect(others[0].get()));
    ASSERT_TRUE(others[1]->Connect(dying.get()));
    TOWBasicPin* gone = dying.get();
    dying.reset();
    for (auto& other : others) {
        EXPECT_EQ(std::count(other->toldDestroying.begin(), other->toldDestroying.end(), gone), 1);
        EXPECT_FALSE(other->IsLinkedWith(gone));
    }
    // The two it linked with still share their dispatcher.
    EXPECT_TRUE(others[0]->IsLinkedWith(others[1].get()));
}

TEST_F(Pins, PinsFreedWhileThePassRunsAreNotToldAndTheRestAreToldOnce)
{
    // Like a source freeing a converter whose pins are registered too; far
    // enough down the registry that the walk holds many uses at once.
    std::vector<TOwned<TTestStatePin>> others;
    for (int i = 0; i < 100; ++i)
        others.push_back(MakeStatePin(scope));
    auto dying = MakeStatePin(scope);
    TOWBasicPin* gone = dying.get();
    std::vector<TOWBasicPin*> freed;
    others[10]->onPinDestroying = [&](TOWBasicPin* pin) {
        if (pin != gone)
            return;
        for (int i : {80, 90, 5}) {
            freed.push_back(others[static_cast<std::size_t>(i)].get());
            others[static_cast<std::size_t>(i)].reset();
        }
    };
    dying.reset();
    others[10]->onPinDestroying = nullptr;
    ASSERT_EQ(freed.size(), 3u);
    for (std::size_t i = 0; i < others.size(); ++i) {
        if (!others[i])
            continue;
        EXPECT_EQ(std::count(others[i]->toldDestroying.begin(), others[i]->toldDestroying.end(), gone), 1) << i;
        for (TOWBasicPin* f : freed)
            EXPECT_EQ(std::count(others[i]->toldDestroying.begin(), others[i]->toldDestroying.end(), f), 1) << i;
    }
}

// A component that owns its pin, so that the pin goes when its form closes.
class TPinHolder : public TPinOwner {
public:
    explicit TPinHolder(TComponent* owner) : TPinOwner(owner, "Holder"), pin(MakeStatePin(*this)) {}
    TOwned<TTestStatePin> pin;
};

TEST_F(Pins, AClosingFormsPinIsToldToEveryPinThatStillHoldsIt)
{
    enum class THeld { Nowhere, ByPendingLink, ByBorrowedPointer };
    struct Case {
        const char* what;
        THeld held;
        // Whether a pin holding nothing of it hears too: only when someone
        // holds the going pin is the registry walked.
        bool othersTold;
    };
    const Case cases[] = {
        {"held by nobody", THeld::Nowhere, false},
        {"a placeholder's pending link", THeld::ByPendingLink, true},
        {"a borrowed pointer", THeld::ByBorrowedPointer, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto watcher = MakeStatePin(scope);
        auto closing = MakeObject<TPinOwner>(nullptr, "Form2");
        TOWBasicPin* gone = MakeComponent<TPinHolder>(*closing)->pin.get();
        TOWUnloadedPin* placeholder = TOWUnloadedPin::Create("Form3.Other._Out", "Form3.Other.Out", "Form2.Holder.In",
                                                             "Form3", TOWPinKind::Source, false);
        TOWBorrowed<TOWBasicPin> kept;
        if (c.held == THeld::ByPendingLink) {
            ASSERT_TRUE(placeholder->ConnectData(gone, nullptr));
        }
        if (c.held == THeld::ByBorrowedPointer)
            kept = gone->Borrow();
        const int placeholders = OWPlaceholderCount();
        closing.reset();
        // A placeholder on which only the going pin waited goes with it.
        const bool waited = c.held == THeld::ByPendingLink;
        EXPECT_EQ(OWPlaceholderCount(), placeholders - (waited ? 1 : 0));
        EXPECT_FALSE(Use(kept));
        EXPECT_EQ(std::count(watcher->toldDestroying.begin(), watcher->toldDestroying.end(), gone),
                  c.othersTold ? 1 : 0);
        if (!waited) {
            EXPECT_TRUE(placeholder->ReleaseIfUnused());
        }
    }
}

TEST_F(Pins, AHandlerMayDestroyPinsOrDissolveTheLinkItIsServing)
{
    TWatchdog watchdog(std::chrono::seconds(20));
    enum class TAction { DestroyDeliverer, DestroyTarget, DissolveLink };
    struct Case {
        const char* what;
        TAction action;
        bool delivererLives;
        bool targetLives;
        std::size_t delivered;
    };
    const Case cases[] = {
        {"its own pin", TAction::DestroyDeliverer, false, true, 0},
        {"its target", TAction::DestroyTarget, true, false, 2},
        // The dispatcher frees itself when the last member leaves; the walk
        // goes on over its copy.
        {"every other member leaves", TAction::DissolveLink, true, true, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto from = MakeStatePin(scope);
        auto to = MakeStatePin(scope);
        auto last = MakeStatePin(scope);
        ASSERT_TRUE(from->Connect(to.get()));
        ASSERT_TRUE(last->Connect(from.get()));
        bool acted = false;
        from->onDeliver = [&](TOWBasicPin* target) {
            if (acted)
                return;
            acted = true;
            switch (c.action) {
            case TAction::DestroyDeliverer:
                from.reset();
                break;
            case TAction::DestroyTarget:
                to.reset();
                break;
            case TAction::DissolveLink:
                to->DisconnectAll();
                last->DisconnectAll();
                break;
            }
        };
        from->DeliverState(OWMakeOperation<TOWNotifyOperation>(), 0, nullptr);
        ASSERT_EQ(static_cast<bool>(from), c.delivererLives);
        EXPECT_EQ(static_cast<bool>(to), c.targetLives);
        if (from) {
            EXPECT_EQ(from->Deliveries().size(), c.delivered);
            from->onDeliver = nullptr;
        }
    }
}

TEST_F(Pins, ADestroySectionInsideTheThreadsOwnUseReturns)
{
    TWatchdog watchdog(std::chrono::seconds(10));
    auto lock = TOWDestroyLock::Create();
    for (int deeper : {0, 100}) {
        // Uses of other locks around it, beyond what the thread keeps inline.
        std::vector<TOWIntf<TOWDestroyLock>> others;
        std::vector<TOWDestroyLockSectionRef> around;
        for (int i = 0; i < deeper; ++i) {
            others.push_back(TOWDestroyLock::Create());
            around.push_back(others.back()->UseSection());
        }
        auto use = lock->UseSection();
        ASSERT_TRUE(use);
        auto inner = lock->UseSection();
        EXPECT_EQ(lock->UsesOfCaller(), 2);
        auto destroy = lock->DestroySection();
        EXPECT_FALSE(lock->UseSection());
        inner.Reset();
        EXPECT_EQ(lock->UsesOfCaller(), 1);
    }
    auto use = lock->UseSection();
    ASSERT_TRUE(use);
    lock->Retire();
    auto unlock = lock->UnlockSection();
    EXPECT_FALSE(lock->UseSection());
    EXPECT_FALSE(TOWDestroyLockUse(lock.Get()));
}

TEST_F(Pins, OperationsWithoutTheirSectionTouchNothing)
{
    auto a = MakeStatePin(scope);
    auto b = MakeStatePin(scope);
    ASSERT_TRUE(a->Connect(b.get()));
    // Another thread stops a's lock: a's sections on this thread are let pass
    // without the lock, and a answers as if it had nothing.
    std::atomic<bool> stopped{false};
    std::atomic<bool> release{false};
    std::thread stopper([&] {
        auto stop = a->Lock().StopSection();
        stopped = true;
        while (!release)
            std::this_thread::yield();
    });
    while (!stopped)
        std::this_thread::yield();
    EXPECT_FALSE(a->HasDispatcher());
    EXPECT_FALSE(a->GetDispatcher());
    EXPECT_TRUE(a->StreamTypesCopy().empty());
    a->AddStreamType(typeC);
    a->DisconnectAll();
    release = true;
    stopper.join();
    EXPECT_TRUE(a->HasDispatcher());
    EXPECT_EQ(a->StreamTypesCopy().size(), 1u);
}

} // namespace
