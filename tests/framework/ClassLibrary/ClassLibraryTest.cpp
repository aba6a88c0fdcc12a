#include "framework/ClassLibrary/ClassLibraryErrors.h"
#include "framework/ClassLibrary/Collection.h"
#include "framework/ClassLibrary/Component.h"
#include "framework/ClassLibrary/FormStream.h"
#include "framework/ClassLibrary/TypeInfo.h"
#include "framework/locks/OWObject.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<std::string>* destroyed = nullptr;

class TPart : public TComponent {
public:
    TPart(TComponent* owner, TComponentRole role = TComponentRole::Plain) : TComponent(owner), role_(role) {}
    ~TPart() override
    {
        if (destroyed)
            destroyed->push_back(Name());
    }
    TComponentRole Role() const override { return role_; }

private:
    TComponentRole role_;
};

TEST(ComponentTest, OwnersFreeTheirComponentsAndFreedComponentsLeaveTheirOwner)
{
    std::vector<std::string> log;
    destroyed = &log;
    {
        auto root = MakeObject<TPart>(nullptr);
        root->SetName("root");
        auto* a = MakeComponent<TPart>(*root);
        a->SetName("a");
        MakeComponent<TPart>(*a)->SetName("a1");
        auto* b = MakeComponent<TPart>(*root);
        b->SetName("b");
        FreeObject(b);
        EXPECT_EQ(root->ComponentCount(), 1);
    }
    destroyed = nullptr;
    EXPECT_THAT(log, ::testing::ElementsAre("b", "a1", "a", "root"));
}

TEST(ComponentTest, RootOwnerStopsAtFormsAndBelowTheApplication)
{
    EXPECT_EQ(FindRootOwner(nullptr), nullptr);
    auto application = MakeObject<TPart>(nullptr, TComponentRole::Application);
    auto* form = MakeComponent<TPart>(*application);  // owned by the application: a root
    auto* frame = MakeComponent<TPart>(*form, TComponentRole::Frame);
    auto* inFrame = MakeComponent<TPart>(*frame);
    auto* deep = MakeComponent<TPart>(*MakeComponent<TPart>(*form));
    EXPECT_EQ(FindRootOwner(application.get()), application.get());
    EXPECT_EQ(FindRootOwner(form), form);
    EXPECT_EQ(FindRootOwner(inFrame), frame);
    EXPECT_EQ(FindRootOwner(deep), form);
}

class TGain : public TPersistent {
public:
    static const TClassInfo& StaticClassInfo()
    {
        static const TClassInfo info("TGain", &TPersistent::StaticClassInfo(),
                                     {Published<&TGain::GetFactor, &TGain::SetFactor>("Factor"),
                                      Published<&TGain::GetUnit, &TGain::SetUnit>("Unit")});
        return info;
    }
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    double GetFactor() const { return factor; }
    void SetFactor(double v) { factor = v; }
    std::u16string GetUnit() const { return unit; }
    void SetUnit(std::u16string v) { unit = std::move(v); }
    double factor = 0;
    std::u16string unit;
};

class TDevice : public TComponent {
public:
    using TComponent::TComponent;
    static const TClassInfo& StaticClassInfo()
    {
        static const TClassInfo info("TDevice", &TComponent::StaticClassInfo(),
                                     {Published<&TDevice::GetChannels, &TDevice::SetChannels>("Channels", 1),
                                      Published<&TDevice::GetEnabled, &TDevice::SetEnabled>("Enabled", 0),
                                      Published<&TDevice::GetGain, nullptr>("Gain")});
        return info;
    }
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    std::int32_t GetChannels() const { return channels; }
    void SetChannels(std::int32_t v) { channels = v; }
    bool GetEnabled() const { return enabled; }
    void SetEnabled(bool v) { enabled = v; }
    TGain* GetGain() const { return gain.get(); }
    void Loaded() override
    {
        TComponent::Loaded();
        ++loadedCalls;
    }
    std::int32_t channels = 1;
    bool enabled = false;
    TOwned<TGain> gain = MakeObject<TGain>();
    int loadedCalls = 0;
};

TEST(FormStreamTest, ComponentTreesRoundTripWithSubObjectsAsDottedNames)
{
    auto device = MakeObject<TDevice>(nullptr);
    device->SetName("Logger1");
    device->channels = 4;
    device->enabled = true;
    device->gain->factor = 2.5;
    device->gain->unit = u"mV";
    auto* child = MakeComponent<TDevice>(*device);
    child->SetName("Aux");

    TWriter writer;
    const TFormObject form = writer.WriteComponent(*device);
    std::vector<std::string> names;
    for (const auto& p : form.properties)
        names.push_back(p.name);
    EXPECT_THAT(names, ::testing::ElementsAre("Channels", "Enabled", "Gain.Factor", "Gain.Unit"));
    ASSERT_EQ(form.children.size(), 1u);
    EXPECT_TRUE(form.children[0].properties.empty());  // all at their defaults

    auto copy = MakeObject<TDevice>(nullptr);
    auto* copyChild = MakeComponent<TDevice>(*copy);
    copyChild->SetName("Aux");
    copyChild->channels = 9;
    TReader().ReadComponent(*copy, form);
    EXPECT_EQ(copy->channels, 4);
    EXPECT_TRUE(copy->enabled);
    EXPECT_EQ(copy->gain->factor, 2.5);
    EXPECT_EQ(copy->gain->unit, u"mV");
    EXPECT_EQ(copy->loadedCalls, 1);
    EXPECT_EQ(copyChild->loadedCalls, 1);
    EXPECT_FALSE(copy->ComponentState().loading);
}

TEST(FormStreamTest, UnknownPropertiesAndWrongValuesAreReadErrors)
{
    auto device = MakeObject<TDevice>(nullptr);
    TReader reader;
    const std::vector<std::vector<TFormProperty>> bad{
        {{"Missing", TFormValue::Float(1)}},
        {{"Gain.Missing", TFormValue::Float(1)}},
        {{"Channels.Factor", TFormValue::Float(1)}},
        {{"Channels", TFormValue::Ident("four")}},
        {{"Gain.Factor", TFormValue::List({})}},
    };
    for (const auto& properties : bad)
        EXPECT_THROW(reader.ReadProperties(*device, properties), EReadError) << properties[0].name;
    EXPECT_TRUE(IsStringValueType(TValueType::UTF8String));
    EXPECT_FALSE(IsStringValueType(TValueType::Ident));
}

// What finding an owned component by name must answer: the first in the
// owner's list of exactly that name.
TComponent* firstInList(const TComponent& owner, const std::string& name)
{
    for (int i = 0; i < owner.ComponentCount(); ++i)
        if (owner.Components(i)->Name() == name)
            return owner.Components(i);
    return nullptr;
}

TEST(ComponentTest, FindingOwnedComponentsByNameAgreesWithTheListThroughRenamesMovesAndFrees)
{
    constexpr std::array<const char*, 4> names{"", "a", "A", "b"};
    auto first = MakeObject<TPart>(nullptr);
    auto second = MakeObject<TPart>(nullptr);
    const std::array<TComponent*, 2> owners{first.get(), second.get()};
    std::mt19937 random(7);
    const auto pick = [&](std::size_t count) { return std::uniform_int_distribution<std::size_t>(0, count - 1)(random); };
    for (int step = 0; step < 3000; ++step) {
        TComponent& owner = *owners[pick(2)];
        TComponent* some = owner.ComponentCount() ? owner.Components(static_cast<int>(pick(static_cast<std::size_t>(owner.ComponentCount())))) : nullptr;
        switch (pick(4)) {
        case 0:
            MakeComponent<TPart>(owner)->SetName(names[pick(names.size())]);
            break;
        case 1:
            if (some)
                some->SetName(names[pick(names.size())]);
            break;
        case 2:
            if (some)
                FreeObject(some);
            break;
        default:
            if (some)
                owners[pick(2)]->InsertComponent(*some);
            break;
        }
        for (const TComponent* o : owners)
            for (const char* name : names)
                ASSERT_EQ(o->FindOwned(name), firstInList(*o, name)) << "step " << step << " name '" << name << "'";
    }
}

// Reading into a tree whose components were renamed, moved or doubled
// before the read: the stored child goes to the first owned component of
// exactly its name, or the read fails as no such component exists.
struct TNamedReadCase {
    const char* what;
    std::function<TDevice*(TDevice& root, TDevice& aux, TComponent& elsewhere)> prepare;  // the expected target, or null
};

class FormStreamNamedReadTest : public ::testing::TestWithParam<TNamedReadCase> {};

TEST_P(FormStreamNamedReadTest, StoredChildrenGoToTheComponentOfTheirNameAtReadTime)
{
    auto stored = MakeObject<TDevice>(nullptr);
    auto* storedAux = MakeComponent<TDevice>(*stored);
    storedAux->SetName("Aux");
    storedAux->channels = 7;
    const TFormObject form = TWriter().WriteComponent(*stored);

    auto root = MakeObject<TDevice>(nullptr);
    auto* aux = MakeComponent<TDevice>(*root);
    aux->SetName("Aux");
    auto elsewhere = MakeObject<TDevice>(nullptr);
    TDevice* const expected = GetParam().prepare(*root, *aux, *elsewhere);
    if (!expected) {
        EXPECT_THROW(TReader().ReadComponent(*root, form), EReadError);
        return;
    }
    TReader().ReadComponent(*root, form);
    EXPECT_EQ(expected->channels, 7);
    for (int i = 0; i < root->ComponentCount(); ++i)
        if (root->Components(i) != expected)
            EXPECT_EQ(static_cast<TDevice*>(root->Components(i))->channels, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormStreamNamedReadTest,
    ::testing::Values(
        TNamedReadCase{"as_made", [](TDevice&, TDevice& aux, TComponent&) { return &aux; }},
        TNamedReadCase{"renamed_away",
                       [](TDevice&, TDevice& aux, TComponent&) -> TDevice* {
                           aux.SetName("Other");
                           return nullptr;
                       }},
        TNamedReadCase{"differs_in_case",
                       [](TDevice&, TDevice& aux, TComponent&) -> TDevice* {
                           aux.SetName("aux");
                           return nullptr;
                       }},
        TNamedReadCase{"another_renamed_onto_it",
                       [](TDevice& root, TDevice& aux, TComponent&) {
                           aux.SetName("Other");
                           auto* later = MakeComponent<TDevice>(root);
                           later->SetName("Spare");
                           later->SetName("Aux");
                           return later;
                       }},
        TNamedReadCase{"moved_to_another_owner",
                       [](TDevice&, TDevice& aux, TComponent& elsewhere) -> TDevice* {
                           elsewhere.InsertComponent(aux);
                           return nullptr;
                       }},
        TNamedReadCase{"moved_back_behind_a_namesake",
                       [](TDevice& root, TDevice& aux, TComponent& elsewhere) {
                           auto* namesake = MakeComponent<TDevice>(root);
                           namesake->SetName("Aux");
                           elsewhere.InsertComponent(aux);
                           root.InsertComponent(aux);
                           return namesake;
                       }},
        TNamedReadCase{"earlier_renamed_to_its_name",
                       [](TDevice& root, TDevice&, TComponent&) {
                           // The first component of the list takes the name
                           // second; it comes first all the same.
                           auto* earlier = static_cast<TDevice*>(root.Components(0));
                           auto* later = MakeComponent<TDevice>(root);
                           earlier->SetName("Spare");
                           later->SetName("Aux");
                           earlier->SetName("Aux");
                           return earlier;
                       }}),
    [](const ::testing::TestParamInfo<TNamedReadCase>& info) { return std::string(info.param.what); });

class TSlot : public TCollectionItem {
public:
    using TCollectionItem::TCollectionItem;
};

TEST(CollectionTest, ItemsMoveWithinBoundsAndLeaveOnFree)
{
    TOwned<TCollection> slots = MakeObject<TCollection>(CollectionItemClassOf<TSlot>());
    std::vector<TCollectionItem*> items;
    for (int i = 0; i < 5; ++i)
        items.push_back(slots->Add());
    items[1]->SetIndex(10);
    EXPECT_EQ(items[1]->Index(), 4);
    EXPECT_EQ(items[4]->Index(), 3);
    items[4]->SetIndex(-3);
    EXPECT_EQ(slots->Items(0), items[4]);
    FreeObject(items[2]);
    EXPECT_EQ(slots->Count(), 4);
    EXPECT_EQ(slots->IndexOf(items[2]), -1);
}

} // namespace
