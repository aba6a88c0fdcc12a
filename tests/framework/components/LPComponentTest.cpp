#include "framework/OWPinTestSupport.h"

#include "framework/ClassLibrary/ClassLibraryErrors.h"
#include "framework/ClassLibrary/FormStream.h"
#include "framework/ClassLibrary/TypeInfo.h"
#include "framework/components/LPComponent.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <future>
#include <latch>
#include <limits>
#include <string>
#include <thread>
#include <vector>

namespace {

using ::testing::ElementsAre;

enum class TShade : std::uint8_t { Light, Dark };

// Records property handlers and owner notifications in the order they come.
struct TJournal {
    std::vector<std::string> events;
    void handler() { events.push_back("handler"); }
    void changed(TObject*) { events.push_back("changed"); }
};

// A locked sub-object with one property of each setter kind.
class TProbe : public TLPLockedPersistentNotify {
public:
    TProbe(TLPCustomControl& control, TJournal& journal)
        : TLPLockedPersistentNotify(&control, TNotifyEvent::Of<&TJournal::changed>(&journal), control.Lock()),
          journal_(&journal)
    {
    }

    static const TClassInfo& StaticClassInfo()
    {
        static const TClassInfo info(
            "TProbe", &TLPLockedPersistentNotify::StaticClassInfo(),
            {Published<&TProbe::GetLevel, &TProbe::SetLevel>("Level"),
             Published<&TProbe::GetValue, &TProbe::SetValue>("Value"),
             Published<&TProbe::GetDataValue, &TProbe::SetDataValue>("DataValue"),
             Published<&TProbe::GetWhen, &TProbe::SetWhen>("When", "TDateTime"),
             Published<&TProbe::GetText, &TProbe::SetText>("Text"),
             Published<&TProbe::GetShade, &TProbe::SetShade>("Shade", 0),
             Published<&TProbe::GetName, &TProbe::SetName>("Name"),
             Published<&TProbe::GetLevel, nullptr>("ReadOnlyLevel")});
        return info;
    }
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    TNotifyMethod Handler() { return TNotifyMethod::Of<&TJournal::handler>(journal_); }

    std::int32_t GetLevel() const { return level; }
    void SetLevel(std::int32_t v) { Lock().SetField(level, v, Handler()); }
    double GetValue() const { return value; }
    void SetValue(double v) { Lock().SetField(value, v); }
    double GetDataValue() const { return dataValue; }
    void SetDataValue(double v) { Lock().SetField(dataValue, v); }
    double GetWhen() const { return when; }
    void SetWhen(double v) { Lock().SetField(when, v); }
    std::string GetText() const { return text; }
    void SetText(std::string v) { Lock().SetField(text, std::move(v)); }
    TShade GetShade() const { return shade; }
    void SetShade(TShade v) { Lock().SetField(shade, v); }
    std::string GetName() const { return name; }
    void SetName(std::string v) { name = std::move(v); }

    std::int32_t level = 0;
    double value = 1.0;
    double dataValue = 2.0;
    double when = 0.0;
    std::string text;
    TShade shade = TShade::Light;
    std::string name;

private:
    TJournal* journal_;
};

struct LPLockFixture : ::testing::Test {
    TOwned<TLPCustomControl> control = MakeObject<TLPCustomControl>(nullptr);
    TJournal journal;
    TOwned<TProbe> probe = MakeObject<TProbe>(*control, journal);
};

// ---------------------------------------------------------------- setters

using LPSetterTest = LPLockFixture;

// One row per value kind: setting the current value again fires nothing; a new
// value is stored, then its handler runs, then the owner is told.
template<class T>
void expectEqualValueIsNoChange(ILPLock& lock, TJournal& journal, T initial, T other)
{
    T field = initial;
    auto handler = TNotifyMethod::Of<&TJournal::handler>(&journal);
    journal.events.clear();
    EXPECT_FALSE(lock.SetField(field, initial, handler));
    EXPECT_TRUE(journal.events.empty());
    EXPECT_TRUE(lock.SetField(field, other, handler));
    EXPECT_EQ(field, other);
    EXPECT_THAT(journal.events, ElementsAre("handler", "changed"));
}

TEST_F(LPSetterTest, EqualValuesOfEveryKindChangeNothing)
{
    ILPLock& lock = probe->Lock();
    expectEqualValueIsNoChange<std::int32_t>(lock, journal, -5, 5);
    expectEqualValueIsNoChange<std::int64_t>(lock, journal, std::int64_t{1} << 40, -(std::int64_t{1} << 40));
    expectEqualValueIsNoChange<TShade>(lock, journal, TShade::Dark, TShade::Light);
    expectEqualValueIsNoChange<double>(lock, journal, 1e300, -1e-300);
    expectEqualValueIsNoChange<std::string>(lock, journal, "abc", "abd");
    // Minus zero equals zero.
    journal.events.clear();
    double zero = 0.0;
    EXPECT_FALSE(lock.SetField(zero, -0.0));
    EXPECT_FALSE(std::signbit(zero));
    EXPECT_TRUE(journal.events.empty());
}

TEST_F(LPSetterTest, QuietSetterCallsTheHandlerButNotTheOwner)
{
    std::uint8_t field = 0;
    EXPECT_TRUE(probe->Lock().SetFieldQuiet(field, std::uint8_t{3}, TNotifyMethod::Of<&TJournal::handler>(&journal)));
    EXPECT_THAT(journal.events, ElementsAre("handler"));
}

struct TClampCase {
    const char* what;
    std::int64_t value, low, high, expected;
};

class LPClampTest : public LPLockFixture, public ::testing::WithParamInterface<TClampCase> {};

TEST_P(LPClampTest, RangeSettersClampLowThenHigh)
{
    const TClampCase& c = GetParam();
    std::int32_t field = -1;
    probe->Lock().SetFieldRange(field, static_cast<std::int32_t>(c.value), static_cast<std::int32_t>(c.low),
                                static_cast<std::int32_t>(c.high));
    EXPECT_EQ(field, c.expected);
    std::int64_t wide = -1;
    probe->Lock().SetFieldRange(wide, c.value, c.low, c.high);
    EXPECT_EQ(wide, c.expected);
    double real = -1;
    probe->Lock().SetFieldRange(real, double(c.value), double(c.low), double(c.high));
    EXPECT_EQ(real, double(c.expected));
}

INSTANTIATE_TEST_SUITE_P(Bounds, LPClampTest,
                         ::testing::Values(TClampCase{"inside", 7, 0, 10, 7}, TClampCase{"below", -3, 0, 10, 0},
                                           TClampCase{"above", 12, 0, 10, 10},
                                           TClampCase{"crossed bounds: the upper wins", 7, 10, 5, 5},
                                           TClampCase{"crossed, below both", 1, 10, 5, 5}));

TEST_F(LPSetterTest, OneSidedBoundsAndUnsignedComparison)
{
    ILPLock& lock = probe->Lock();
    std::int32_t s = 0;
    lock.SetFieldMin(s, -10, -2);
    EXPECT_EQ(s, -2);
    lock.SetFieldMax(s, 99, 50);
    EXPECT_EQ(s, 50);
    std::uint32_t u = 0;
    lock.SetFieldMax(u, 0xFFFFFFFFu, 10u);  // large, not -1
    EXPECT_EQ(u, 10u);
    std::uint8_t b = 0;
    lock.SetFieldMin(b, std::uint8_t{200}, std::uint8_t{100});
    EXPECT_EQ(b, 200);
}

TEST_F(LPSetterTest, ASetterRefusedDuringAnotherThreadsStopChangesAndFiresNothing)
{
    auto stop = control->Lock().StopSection();
    const bool changed = std::async(std::launch::async, [&] {
                             return probe->Lock().SetField(probe->level, 42,
                                                           TNotifyMethod::Of<&TJournal::handler>(&journal));
                         }).get();
    EXPECT_FALSE(changed);
    EXPECT_EQ(probe->level, 0);
    EXPECT_TRUE(journal.events.empty());
    // The stopping thread itself still sets.
    EXPECT_TRUE(probe->Lock().SetField(probe->level, 42));
}

// The other kinds of locked objects are in the table below.
TEST_F(LPSetterTest, NotifyingPersistentsShareTheControlsRootLock)
{
    TJournal other;
    auto child = MakeObject<TLPLockedPersistentNotify>(*probe, TNotifyEvent::Of<&TJournal::changed>(&other));
    auto grandChild = MakeObject<TLPPersistent>(*child);
    TOWLock* root = &control->Lock().GetLockObject();
    for (ILPLock* lock : {&probe->Lock(), &child->Lock(), &grandChild->Lock()})
        EXPECT_EQ(&lock->GetLockObject(), root);
    // Each object keeps its own change notification.
    std::int32_t field = 0;
    child->Lock().SetField(field, 1);
    EXPECT_EQ(other.events.size(), 1u);
    EXPECT_TRUE(journal.events.empty());
}

// Counts the change notifications the object's lock gives it.
template<class Base>
class TCounting : public Base {
public:
    template<class... Args>
    explicit TCounting(int& count, Args&&... args) : Base(std::forward<Args>(args)...), count_(&count)
    {
    }
    void Changed() override { ++*count_; }

private:
    int* count_;
};

enum class LockedKind { Control, Persistent, PersistentOfItem, Item, CollectionOfControl, CollectionOfPersistent, CollectionOfItem };

class LPOwnLockTest : public LPLockFixture, public ::testing::WithParamInterface<LockedKind> {
protected:
    // Makes the object of the kind under test in the fixture's tree; its lock is kept in `kept`.
    TOwned<TObject> make(int& count)
    {
        switch (GetParam()) {
        case LockedKind::Control:
            return keep(MakeObject<TCounting<TLPCustomControl>>(count, nullptr));
        case LockedKind::Persistent:
            return keep(MakeObject<TCounting<TLPPersistent>>(count, *probe));
        case LockedKind::PersistentOfItem:
            return keep(MakeObject<TCounting<TLPPersistent>>(count, *static_cast<TLPCollectionItem*>(collection->Add())));
        case LockedKind::Item:
            return keep(MakeObject<TCounting<TLPCollectionItem>>(count, collection.get()));
        case LockedKind::CollectionOfControl:
            return keep(MakeObject<TCounting<TLPCollection>>(count, *control, itemClass()));
        case LockedKind::CollectionOfPersistent:
            return keep(MakeObject<TCounting<TLPCollection>>(count, *probe, itemClass()));
        case LockedKind::CollectionOfItem:
            return keep(MakeObject<TCounting<TLPCollection>>(
                count, *static_cast<TLPCollectionItem*>(collection->Add()), itemClass()));
        }
        return nullptr;
    }

    static const TCollectionItemClass& itemClass() { return CollectionItemClassOf<TLPCollectionItem>(); }

    template<class T>
    TOwned<TObject> keep(TOwned<T> object)
    {
        kept = TOWIntf<ILPLock>(&object->Lock());
        return TOwned<TObject>(object.release());
    }

    TOwned<TLPCollection> collection = MakeObject<TLPCollection>(*control, itemClass());
    TOWIntf<ILPLock> kept;
};

TEST_P(LPOwnLockTest, JoinsItsTreeAndStopsNotifyingOnceGone)
{
    int count = 0;
    auto object = make(count);
    const bool ownTree = GetParam() == LockedKind::Control;
    EXPECT_EQ(&kept->GetLockObject() == &control->Lock().GetLockObject(), !ownTree);
    kept->Notify();
    EXPECT_EQ(count, 1);
    object.reset();
    // The lock outlives its object here; it must not call into it.
    kept->Notify();
    EXPECT_EQ(count, 1);
}

INSTANTIATE_TEST_SUITE_P(Kinds, LPOwnLockTest,
                         ::testing::Values(LockedKind::Control, LockedKind::Persistent, LockedKind::PersistentOfItem, LockedKind::Item,
                                           LockedKind::CollectionOfControl, LockedKind::CollectionOfPersistent,
                                           LockedKind::CollectionOfItem));

// ---------------------------------------------------------------- Assign

using LPAssignTest = LPLockFixture;

TEST_F(LPAssignTest, PersistentsCopyEveryPublishedPropertyWithASetter)
{
    TJournal sourceJournal;
    auto source = MakeObject<TProbe>(*control, sourceJournal);
    source->level = 9;
    source->value = -4.5;
    source->text = "volts";
    source->shade = TShade::Dark;
    source->name = "probe2";
    probe->Assign(*source);
    EXPECT_EQ(probe->level, 9);
    EXPECT_EQ(probe->value, -4.5);
    EXPECT_EQ(probe->text, "volts");
    EXPECT_EQ(probe->shade, TShade::Dark);
    EXPECT_EQ(probe->name, "probe2");  // persistents copy the name
}

class TOtherPersistent : public TLPPersistent {
public:
    using TLPPersistent::TLPPersistent;
    static const TClassInfo& StaticClassInfo()
    {
        static const TClassInfo info("TOtherPersistent", &TLPPersistent::StaticClassInfo(),
                                     {Published<&TOtherPersistent::GetText, &TOtherPersistent::SetText>("Text"),
                                      Published<&TOtherPersistent::GetLevel, nullptr>("Level")});
        return info;
    }
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    std::string GetText() const { return text; }
    void SetText(std::string v) { text = std::move(v); }
    std::int32_t GetLevel() const { return 77; }
    std::string text = "from other";
};

TEST_F(LPAssignTest, AnotherClassOfTheFamilyGivesOnlyWhatItHas)
{
    auto other = MakeObject<TOtherPersistent>(*control);
    probe->value = 3.0;
    probe->Assign(*other);
    EXPECT_EQ(probe->text, "from other");
    EXPECT_EQ(probe->level, 77);
    EXPECT_EQ(probe->value, 3.0);  // the other class has no Value
}

TEST_F(LPAssignTest, AnotherFamilyCannotBeAssigned)
{
    auto collection = MakeObject<TLPCollection>(*control, CollectionItemClassOf<TLPCollectionItem>());
    EXPECT_THROW(probe->Assign(*collection->Add()), EConvertError);
    EXPECT_THROW(collection->Items(0)->Assign(*probe), EConvertError);
}

class TNamedItem : public TLPCollectionItem {
public:
    using TLPCollectionItem::TLPCollectionItem;
    static const TClassInfo& StaticClassInfo()
    {
        static const TClassInfo info("TNamedItem", &TLPCollectionItem::StaticClassInfo(),
                                     {Published<&TNamedItem::GetName, &TNamedItem::SetName>("Name"),
                                      Published<&TNamedItem::GetGain, &TNamedItem::SetGain>("Gain")});
        return info;
    }
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    std::string GetName() const { return name; }
    void SetName(std::string v) { name = std::move(v); }
    double GetGain() const { return gain; }
    void SetGain(double v) { Lock().SetField(gain, v); }
    std::string name;
    double gain = 1.0;
};

class TChannels : public TLPCollection {
public:
    TChannels(TLPCustomControl& owner) : TLPCollection(owner, CollectionItemClassOf<TNamedItem>()) {}
    static const TClassInfo& StaticClassInfo()
    {
        static const TClassInfo info("TChannels", &TLPCollection::StaticClassInfo(),
                                     {Published<&TChannels::GetName, &TChannels::SetName>("Name"),
                                      Published<&TChannels::GetLimit, &TChannels::SetLimit>("Limit")});
        return info;
    }
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    std::string GetName() const { return name; }
    void SetName(std::string v) { name = std::move(v); }
    std::int32_t GetLimit() const { return limit; }
    void SetLimit(std::int32_t v) { limit = v; }
    void InitNewItem(TCollectionItem& item) override
    {
        // The item's lock exists before it joins.
        itemLocksSeen.push_back(&static_cast<TLPCollectionItem&>(item).Lock().GetLockObject());
    }
    std::string name;
    std::int32_t limit = 0;
    std::vector<TOWLock*> itemLocksSeen;
};

TEST_F(LPAssignTest, CollectionsCopyPropertiesButTheNameAndReplaceTheItems)
{
    auto source = MakeObject<TChannels>(*control);
    source->name = "source";
    source->limit = 8;
    for (double gain : {2.0, 3.0}) {
        auto* item = static_cast<TNamedItem*>(source->Add());
        item->gain = gain;
        item->name = "item";
    }
    auto dest = MakeObject<TChannels>(*control);
    dest->name = "dest";
    dest->Add();
    dest->Add();
    dest->Add();
    dest->Assign(*source);
    EXPECT_EQ(dest->name, "dest");
    EXPECT_EQ(dest->limit, 8);
    ASSERT_EQ(dest->Count(), 2);
    EXPECT_EQ(static_cast<TNamedItem*>(dest->Items(0))->gain, 2.0);
    EXPECT_EQ(static_cast<TNamedItem*>(dest->Items(1))->gain, 3.0);
    EXPECT_EQ(static_cast<TNamedItem*>(dest->Items(1))->name, "");  // items skip the name
    for (TOWLock* lock : dest->itemLocksSeen)
        EXPECT_EQ(lock, &control->Lock().GetLockObject());
}

// An object of a locked kind whose getter takes its tree's lock, as the
// chart's getters do.
template<class Base>
class TLockedLevel : public Base {
public:
    using Base::Base;
    static const TClassInfo& StaticClassInfo()
    {
        static const TClassInfo info("TLockedLevel", &Base::StaticClassInfo(),
                                     {Published<&TLockedLevel::GetLevel, &TLockedLevel::SetLevel>("Level")});
        return info;
    }
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    std::int32_t GetLevel() const { return this->Lock().GetField(level); }
    void SetLevel(std::int32_t v) { this->Lock().SetField(level, v); }
    std::int32_t level = 0;
};

enum class AssignKind { Persistent, Item, Control, Collection };

// One object of the kind under test in a tree of its own.
struct TTree {
    explicit TTree(AssignKind kind) : object(make(kind)) {}
    TPersistent* make(AssignKind kind)
    {
        const TCollectionItemClass& items = CollectionItemClassOf<TLockedLevel<TLPCollectionItem>>();
        switch (kind) {
        case AssignKind::Persistent:
            owned = MakeObject<TLockedLevel<TLPPersistent>>(*control);
            break;
        case AssignKind::Item:
            owned = MakeObject<TLPCollection>(*control, items);
            return static_cast<TCollection&>(*owned).Add();
        case AssignKind::Control:
            owned = MakeObject<TLockedLevel<TLPCustomControl>>(nullptr);
            break;
        case AssignKind::Collection:
            // With items, whose copies read the other tree too.
            owned = MakeObject<TLockedLevel<TLPCollection>>(*control, items);
            static_cast<TCollection&>(*owned).Add();
            static_cast<TCollection&>(*owned).Add();
            break;
        }
        return owned.get();
    }
    TOwned<TLPCustomControl> control = MakeObject<TLPCustomControl>(nullptr);
    TOwned<TPersistent> owned;
    TPersistent* object;
};

class LPCrossAssignTest : public ::testing::TestWithParam<AssignKind> {};

// Each tree is assigned from the other on its own thread, the two starting
// together: taking the two trees' locks in each call's own order dead-locks.
TEST_P(LPCrossAssignTest, TwoTreesAssignedFromEachOtherOnTwoThreadsFinish)
{
    TTree left(GetParam()), right(GetParam());
    std::latch start(2);
    auto run = [&start](TPersistent* to, const TPersistent* from) {
        start.arrive_and_wait();
        for (int i = 0; i < 20000; ++i)
            to->Assign(*from);
    };
    owPinTest::TWatchdog watchdog(std::chrono::seconds(20));
    std::jthread leftThread(run, left.object, right.object);
    std::jthread rightThread(run, right.object, left.object);
}

INSTANTIATE_TEST_SUITE_P(Kinds, LPCrossAssignTest,
                         ::testing::Values(AssignKind::Persistent, AssignKind::Item, AssignKind::Control,
                                           AssignKind::Collection));

// ---------------------------------------------------------------- collections

struct TListenerLog : TOWInterfacedObject<IOWCollectionListener> {
    std::vector<std::string> events;
    void ItemAdded(TOWExtCollection&, TCollectionItem& item) override { events.push_back("added"); }
    void ItemRemoved(TOWExtCollection&, TCollectionItem& item) override { events.push_back("removed"); }
};

TEST(OWExtCollectionTest, ListenersCachedIndexAndReferenceCells)
{
    auto control = MakeObject<TLPCustomControl>(nullptr);
    auto collection = MakeObject<TChannels>(*control);
    auto log = OWMake<TListenerLog>();
    collection->AddListener(log);
    auto* first = static_cast<TOWExtCollectionItem*>(collection->Add());
    collection->Add();
    TOWExtCollectionItem* cell = first;
    first->SetRefCell(&cell);
    collection->CachedIndex = 1;
    first->SetCollection(nullptr);  // extracted: now ours to free
    EXPECT_EQ(collection->CachedIndex, -1);
    EXPECT_EQ(cell, first);
    FreeObject(first);
    EXPECT_EQ(cell, nullptr);
    collection->CachedIndex = 0;
    collection->Delete(0);
    EXPECT_EQ(collection->CachedIndex, -1);
    EXPECT_THAT(log->events, ElementsAre("added", "added", "removed", "removed"));
}

// ---------------------------------------------------------------- "_Floats"

std::vector<std::string> propertyNames(const std::vector<TFormProperty>& properties)
{
    std::vector<std::string> names;
    for (const auto& p : properties)
        names.push_back(p.name);
    return names;
}

using LPFloatsTest = LPLockFixture;

// Zero floats other than dates go by name into "_Floats" and come back over
// non-zero defaults; without zeros there is no such property.
TEST_F(LPFloatsTest, ZerosAreWrittenByNameAndSurviveARoundTrip)
{
    probe->value = 0.0;
    probe->dataValue = 0.0;
    probe->when = 0.0; // a date: not carried
    probe->level = 3;
    probe->text = "mV";
    TWriter writer;
    const auto properties = writer.WriteProperties(*probe);
    EXPECT_THAT(propertyNames(properties), ElementsAre("Level", "Text", "_Floats"));
    const TFormValue& floats = properties.back().value;
    ASSERT_EQ(floats.type, TValueType::List);
    ASSERT_EQ(floats.items.size(), 2u);
    std::vector<std::string> zeroNames;
    for (const TFormValue& entry : floats.items) {
        ASSERT_EQ(entry.items.size(), 2u);
        EXPECT_EQ(entry.items[0].type, TValueType::Ident);
        EXPECT_EQ(entry.items[1].type, TValueType::Double);
        EXPECT_EQ(entry.items[1].real, 0.0);
        zeroNames.push_back(entry.items[0].text);
    }
    EXPECT_THAT(zeroNames, ::testing::UnorderedElementsAre("Value", "DataValue"));

    TJournal other;
    auto copy = MakeObject<TProbe>(*control, other); // defaults 1.0 and 2.0
    TReader().ReadProperties(*copy, properties);
    EXPECT_EQ(copy->value, 0.0);
    EXPECT_EQ(copy->dataValue, 0.0);
    EXPECT_EQ(copy->level, 3);
    EXPECT_EQ(copy->text, "mV");

    probe->value = probe->dataValue = 2.0;
    EXPECT_THAT(propertyNames(writer.WriteProperties(*probe)), ::testing::Not(::testing::Contains("_Floats")));
}

TEST_F(LPFloatsTest, ANameThatIsNoFloatPropertyFailsTheRead)
{
    for (const char* name : {"Text", "Missing"}) {
        const TFormValue floats = TFormValue::List({TFormValue::List({TFormValue::Ident(name), TFormValue::Float(0)})});
        EXPECT_THROW(TReader().ReadProperties(*probe, {{"_Floats", floats}}), EReadError) << name;
    }
}

} // namespace
