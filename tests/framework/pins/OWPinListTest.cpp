#include "framework/OWPinTestSupport.h"

#include "framework/pins/OWPinRegistry.h"
#include "framework/pins/OWUnloadedPin.h"

using namespace owPinTest;

namespace {

// A component publishing a pin list as InputPins.
class TListOwner : public TPinOwner {
public:
    TListOwner(TComponent* owner, std::string name, bool ownsPins)
        : TPinOwner(owner, std::move(name)), list_(MakeObject<TOWPinList>(this, ownsPins, &OwnerLock()))
    {
    }
    static const TClassInfo& StaticClassInfo()
    {
        static const TClassInfo info("TListOwner", &TComponent::StaticClassInfo(),
                                     {Published<&TListOwner::InputPins, nullptr>("InputPins")});
        return info;
    }
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    TOWPinList* InputPins() const { return list_.get(); }

private:
    TOwned<TOWPinList> list_;
};

class PinLists : public ::testing::Test {
protected:
    TPinOwner form{nullptr, "Form1"};
    TListOwner& owning = *MakeComponent<TListOwner>(form, "Scope1", true);
    TListOwner& borrowing = *MakeComponent<TListOwner>(form, "Scope2", false);
    TOWPinList& owned = *owning.InputPins();
    TOWPinList& shared = *borrowing.InputPins();

    TTestStatePin* addOwned(const std::string& name = {})
    {
        TTestStatePin* pin = MakeStatePin(owning).release();
        owned.AddPin(pin, name);
        return pin;
    }
    TOWUnloadedPin* placeholderFor(int index)
    {
        const std::string at = "Form1.Scope1.InputPins";
        return TOWUnloadedPin::Create(at + "._Pin" + std::to_string(index),
                                      at + ".Pin [" + std::to_string(index) + "]", "Form1.Other.Pin", "Form1",
                                      TOWPinKind::State, false);
    }
};

TEST_F(PinLists, NamesAndPathsOfListedPins)
{
    for (int i = 0; i < 4; ++i)
        addOwned();
    TOWPin* third = static_cast<TOWPin*>(owned.Items(2));
    struct Case {
        const char* what;
        std::string text;
        std::string expected;
    };
    const Case before[] = {
        {"unnamed", owned.PinName(3), "Pin [3]"},
        {"index path", third->GetIndexPath(false), "Scope1.InputPins._Pin2"},
        {"name path", third->GetPath(false), "Scope1.InputPins.Pin [2]"},
        {"with root", third->GetIndexPath(true), "Form1.Scope1.InputPins._Pin2"},
        {"root name", third->GetRootName(), "Form1"},
        {"container", third->GetContainerPath(), "Scope1.InputPins"},
    };
    for (const Case& c : before)
        EXPECT_EQ(c.text, c.expected) << c.what;

    TListenerScope events;
    owned.SetPinName(3, "Pin [3]");
    EXPECT_TRUE(events->For(owned.Items(3)).empty()) << "the default name is no change";
    owned.SetPinName(2, "Clock");
    EXPECT_EQ(events->For(third), std::vector<std::string>{"changed"});
    EXPECT_EQ(third->GetPath(false), "Scope1.InputPins.Clock");
    EXPECT_EQ(third->GetIndexPath(false), "Scope1.InputPins._Pin2");
    owned.SetPinName(2, "Pin [2]");
    EXPECT_EQ(owned.PinName(2), "Pin [2]");
    EXPECT_THROW(owned.PinName(4), EOWException);
}

TEST_F(PinLists, DeleteTellsEveryoneBeforeThePinIsFreed)
{
    TTestStatePin* kept = addOwned();
    TTestStatePin* deleted = addOwned();
    auto outside = MakeStatePin(borrowing);
    ASSERT_TRUE(outside->Connect(deleted));
    const int registered = TOWPinRegistry::Count();
    TListenerScope events;
    owned.Delete(1);
    // Told first (the listener asked the pin for its kind: it was alive),
    // freed after.
    EXPECT_EQ(events->For(deleted), (std::vector<std::string>{"removed", "unlinked", "changed", "destroying"}));
    EXPECT_EQ(TOWPinRegistry::Count(), registered - 1);
    EXPECT_FALSE(outside->HasDispatcher());
    EXPECT_EQ(owned.Count(), 1);
    EXPECT_EQ(owned.Items(0), kept);
}

TEST_F(PinLists, ABorrowingListDetachesAndAGoneSlotIsEmpty)
{
    auto pin = MakeStatePin(borrowing);
    shared.Add(pin.get());
    EXPECT_EQ(pin->PinList(), &shared);
    pin.reset();
    EXPECT_EQ(shared.Count(), 1);
    EXPECT_EQ(shared.Items(0), nullptr);
    shared.Clear();

    auto again = MakeStatePin(borrowing);
    shared.Add(again.get());
    shared.RemovePin(again.get());
    EXPECT_EQ(again->PinList(), nullptr);
    EXPECT_EQ(shared.Count(), 0);
}

TEST_F(PinLists, ARealPinTakesThePlaceholdersSlotAndItsLinks)
{
    addOwned();
    addOwned();
    TOWUnloadedPin* standIn = placeholderFor(2);
    owned.AddPin(standIn, {});
    auto partner = MakeStatePin(borrowing);
    ASSERT_TRUE(partner->Connect(standIn));
    EXPECT_TRUE(standIn->IsConnected());
    const int placeholders = OWPlaceholderCount();

    TTestStatePin* real = MakeStatePin(owning).release();
    owned.AddPin(real, "Real");
    EXPECT_EQ(OWPlaceholderCount(), placeholders - 1);
    EXPECT_EQ(owned.EntryCount(), 3);
    EXPECT_EQ(owned.Items(2), real);
    EXPECT_EQ(owned.PinName(2), "Real");
    EXPECT_TRUE(real->IsLinkedWith(partner.get()));
}

TEST_F(PinLists, APinResolvesThePlaceholdersThatStandForIt)
{
    TOWUnloadedPin* standIn = placeholderFor(0);
    auto partner = MakeStatePin(borrowing);
    ASSERT_TRUE(partner->Connect(standIn));
    TTestStatePin* real = addOwned();
    const int placeholders = OWPlaceholderCount();
    real->ResolvePlaceholders();
    EXPECT_EQ(OWPlaceholderCount(), placeholders - 1);
    EXPECT_TRUE(partner->IsLinkedWith(real));
    EXPECT_EQ(OWFindPlaceholderFor(*real), nullptr);
}

TEST_F(PinLists, PlaceholdersArePurgedOnlyWhenNoWalkIsInProgress)
{
    addOwned();
    const int placeholders = OWPlaceholderCount();
    owned.AddPin(placeholderFor(1), {});
    owned.AddPin(placeholderFor(2), {});
    {
        TOWPinList::TWalk walk(owned);
        EXPECT_EQ(owned.Count(), 1);
        EXPECT_EQ(owned.EntryCount(), 3) << "indices must not shift under a walk";
        EXPECT_NE(owned.Items(2), nullptr);
    }
    EXPECT_EQ(owned.EntryCount(), 1);
    // Owned once: the purge released them from the placeholder list, and the
    // owning pin list did not free them a second time.
    EXPECT_EQ(OWPlaceholderCount(), placeholders);
}

TEST_F(PinLists, ClearingAnOwningListFreesItsPinsButNotItsPlaceholders)
{
    addOwned();
    TOWUnloadedPin* kept = placeholderFor(1);
    kept->SetKeep(true);
    owned.AddPin(kept, {});
    const int placeholders = OWPlaceholderCount();
    const int registered = TOWPinRegistry::Count();
    owned.Clear();
    EXPECT_EQ(TOWPinRegistry::Count(), registered - 1);
    EXPECT_EQ(OWPlaceholderCount(), placeholders);
    EXPECT_FALSE(kept->InList());
    kept->SetKeep(false);
    EXPECT_TRUE(kept->ReleaseIfUnused());
    EXPECT_EQ(OWPlaceholderCount(), placeholders - 1);
}

TEST_F(PinLists, ExchangeSwapsNamesAndPins)
{
    TTestStatePin* first = addOwned("First");
    TTestStatePin* second = addOwned();
    TListenerScope events;
    owned.Exchange(0, 1);
    EXPECT_EQ(owned.Items(0), second);
    EXPECT_EQ(owned.PinName(1), "First");
    EXPECT_EQ(owned.IndexOf(first), 1);
    EXPECT_EQ(events->For(first), std::vector<std::string>{"moved"});
    EXPECT_THROW(owned.Exchange(0, 2), EOWException);
}

} // namespace
