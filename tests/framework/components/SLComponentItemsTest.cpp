#include "framework/ClassLibrary/FormStream.h"
#include "framework/ClassLibrary/TypeInfo.h"
#include "framework/components/LPControlDrawLayer.h"
#include "framework/components/SLParkingForm.h"
#include "framework/components/SLPropertyLookup.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

std::vector<std::string>* destroyedLog = nullptr;

void logDestroyed(const std::string& what)
{
    if (destroyedLog)
        destroyedLog->push_back(what);
}

class TItem : public TSLCustomControlItem {
public:
    explicit TItem(TComponent* owner, std::string name = {}) : TSLCustomControlItem(owner)
    {
        SetName(std::move(name));
    }
    ~TItem() override { logDestroyed(Name()); }
    static const TClassInfo& StaticClassInfo()
    {
        static const TClassInfo info("TItem", &TSLCustomControlItem::StaticClassInfo(),
                                     {Published<&TItem::GetLevel, &TItem::SetLevel>("Level", 0)});
        return info;
    }
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    std::int32_t GetLevel() const { return level; }
    void SetLevel(std::int32_t v) { level = v; }
    std::int32_t level = 0;
};

class TLayer : public TLPControlDrawLayer {
public:
    explicit TLayer(TComponent* owner, std::string name = {}) : TLPControlDrawLayer(owner) { SetName(std::move(name)); }
    static const TClassInfo& StaticClassInfo()
    {
        static const TClassInfo info("TLayer", &TLPControlDrawLayer::StaticClassInfo(), {});
        return info;
    }
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
};

// An owner with two item lists of the same class (by name: "Extras" before
// "Items") and a list of draw layers; it streams the items as its children.
class TPanel : public TLPCustomControl {
public:
    explicit TPanel(TComponent* owner, std::string name = {}) : TLPCustomControl(owner)
    {
        SetName(std::move(name));
    }
    static const TClassInfo& StaticClassInfo()
    {
        static const TClassInfo info("TPanel", &TLPCustomControl::StaticClassInfo(),
                                     {Published<&TPanel::GetItems, nullptr>("Items"),
                                      Published<&TPanel::GetExtras, nullptr>("Extras"),
                                      Published<&TPanel::GetLayers, nullptr>("Layers")});
        return info;
    }
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    void GetChildren(const TGetChildProc& proc, TComponent* root) override
    {
        TLPCustomControl::GetChildren(proc, root);
        items->GetChildren(proc, root);
        extras->GetChildren(proc, root);
        layers->GetChildren(proc, root);
    }
    TSLComponentItems* GetItems() const { return items.get(); }
    TSLComponentItems* GetExtras() const { return extras.get(); }
    TLPDrawLayers* GetLayers() const { return layers.get(); }

    // Declared after the lock they share, freed before it.
    TOwned<TSLComponentItems> items = MakeObject<TSLComponentItems>(this, Lock());
    TOwned<TSLComponentItems> extras = MakeObject<TSLComponentItems>(this, Lock());
    TOwned<TLPDrawLayers> layers = MakeObject<TLPDrawLayers>(this, Lock());
};

class TGlassPanel : public TPanel {
public:
    using TPanel::TPanel;
    static const TClassInfo& StaticClassInfo()
    {
        static const TClassInfo info("TILGlassPanel", &TPanel::StaticClassInfo(), {});
        return info;
    }
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
};

class TForm : public TComponent {
public:
    explicit TForm(TComponent* owner = nullptr) : TComponent(owner) {}
    TComponentRole Role() const override { return TComponentRole::Form; }
};

class ComponentItemsTest : public ::testing::Test {
protected:
    TSLParkingFormScope parking;
    TOwned<TForm> form = MakeObject<TForm>();
    TPanel* panel = MakeComponent<TPanel>(*form, "Panel");

    std::vector<TItem*> addItems(TSLComponentItems& list, int count)
    {
        std::vector<TItem*> items;
        for (int i = 0; i < count; ++i) {
            items.push_back(MakeComponent<TItem>(*form, "I" + std::to_string(i)));
            items.back()->SetOwnerCollection(&list);
        }
        return items;
    }
    static std::vector<std::string> namesIn(const TSLComponentItems& list)
    {
        std::vector<std::string> names;
        for (int i = 0; i < list.GetCount(); ++i)
            names.push_back(list.GetItemIntf(i)->GetComponent().Name());
        return names;
    }
};

TEST_F(ComponentItemsTest, JoiningParksTheControlAndNamesTheListOwnerAsParent)
{
    auto items = addItems(*panel->items, 2);
    EXPECT_EQ(items[0]->Parent(), ParkingForm());
    EXPECT_FALSE(ParkingForm()->Visible());
    EXPECT_EQ(items[0]->GetParentComponent(), panel);
    EXPECT_EQ(items[0]->GetCollectionOwner(), panel);
    // Whatever parent is asked for while it belongs to a list.
    items[0]->SetParent(panel);
    EXPECT_EQ(items[0]->Parent(), ParkingForm());
    // Moving to another list leaves the first.
    items[0]->SetOwnerCollection(panel->extras.get());
    EXPECT_THAT(namesIn(*panel->items), ElementsAre("I1"));
    EXPECT_THAT(namesIn(*panel->extras), ElementsAre("I0"));
    // Out of any list: no index to set, and its parent is its own again.
    items[1]->SetOwnerCollection(nullptr);
    items[1]->SetIndex(3);
    EXPECT_EQ(panel->items->GetCount(), 0);
    EXPECT_EQ(items[1]->GetIndex(), -1);
    items[1]->SetParent(panel);
    EXPECT_EQ(items[1]->Parent(), panel);
}

struct TIndexCase {
    int item;
    int target;
    std::vector<std::string> order;
};

class SetIndexTest : public ComponentItemsTest, public ::testing::WithParamInterface<TIndexCase> {};

TEST_P(SetIndexTest, MovesBySwappingWithTheClampedTarget)
{
    const TIndexCase& c = GetParam();
    auto items = addItems(*panel->items, 5);
    items[static_cast<std::size_t>(c.item)]->SetIndex(c.target);
    EXPECT_THAT(namesIn(*panel->items), ElementsAreArray(c.order)) << c.item << " to " << c.target;
}

INSTANTIATE_TEST_SUITE_P(Moves, SetIndexTest,
                         ::testing::Values(TIndexCase{1, 10, {"I0", "I4", "I2", "I3", "I1"}},
                                           TIndexCase{3, -2, {"I3", "I1", "I2", "I0", "I4"}},
                                           TIndexCase{0, 2, {"I2", "I1", "I0", "I3", "I4"}}));

TEST_F(ComponentItemsTest, RunTimeParentChangeJoinsTheFirstListOfTheItemClass)
{
    auto* item = MakeComponent<TItem>(*form, "A");
    item->SetParentComponent(panel);
    // "Extras" comes before "Items" by name.
    EXPECT_EQ(item->GetOwnerCollection(), panel->extras.get());
    auto* layer = MakeComponent<TLayer>(*form, "L");
    layer->SetParentComponent(panel);
    EXPECT_EQ(layer->GetOwnerCollection(), panel->layers.get());
    // A parent without a list of the class changes nothing but the parent.
    auto* other = MakeComponent<TItem>(*form, "B");
    other->SetParentComponent(MakeComponent<TForm>(*form));
    EXPECT_EQ(other->GetOwnerCollection(), nullptr);
}

TEST_F(ComponentItemsTest, FreeingTheListFreesTheItemsWhoLeaveTheirOwners)
{
    std::vector<std::string> log;
    destroyedLog = &log;
    auto items = addItems(*panel->items, 3);
    auto* kept = MakeComponent<TItem>(*form, "Kept");
    panel->items.reset();
    destroyedLog = nullptr;
    EXPECT_THAT(log, ElementsAre("I2", "I1", "I0"));
    ASSERT_EQ(form->ComponentCount(), 2);
    EXPECT_EQ(form->Components(1), kept);
}

TEST_F(ComponentItemsTest, FreedItemsLeaveTheirListAndClearingWithoutFreeingKeepsThem)
{
    auto items = addItems(*panel->items, 3);
    FreeObject(items[1]);
    EXPECT_THAT(namesIn(*panel->items), ElementsAre("I0", "I2"));
    // A plain delete skips BeforeDestruction; the item still leaves.
    std::unique_ptr<TItem> deleted(MakeObject<TItem>(nullptr, "D").release());
    deleted->SetOwnerCollection(panel->items.get());
    deleted.reset();
    EXPECT_THAT(namesIn(*panel->items), ElementsAre("I0", "I2"));
    panel->items->Clear(false);
    EXPECT_EQ(panel->items->GetCount(), 0);
    EXPECT_EQ(items[0]->GetOwnerCollection(), nullptr);
    EXPECT_EQ(items[0]->GetCollectionOwner(), nullptr);
}

TEST_F(ComponentItemsTest, ElementListsTellTheirOwnerOfEveryChange)
{
    int changes = 0;
    auto count = [&changes] { ++changes; };
    auto elements = MakeObject<TLPComponentElements>(panel, panel->Lock(), TNotifyMethod::OfCallable(&count),
                                                     TNotifyMethod{});
    auto items = addItems(*elements, 2);
    items[1]->SetIndex(0);
    items[0]->SetOwnerCollection(nullptr);
    EXPECT_EQ(changes, 4);
    elements->Clear(false);
}

// ---------------------------------------------------------------- streaming

struct TStreamCase {
    const char* what;
    bool glassParent;      // the copy's parent is a "TILGlassPanel"
    bool storedList;       // the items were in a list when written
    const char* listName;  // the list they were written from
    const char* expected;  // the list they are in after reading, "" for none
};

class ItemStreamTest : public ComponentItemsTest, public ::testing::WithParamInterface<TStreamCase> {};

TEST_P(ItemStreamTest, ItemsStreamAsChildrenOfTheirListOwner)
{
    const TStreamCase& c = GetParam();
    auto makePanel = [&c](TForm& owner) -> TPanel* {
        return c.glassParent ? MakeComponent<TGlassPanel>(owner, "Source") : MakeComponent<TPanel>(owner, "Source");
    };
    auto listOf = [](TPanel& p, const std::string& name) { return name == "Items" ? p.items.get() : p.extras.get(); };
    auto sourceForm = MakeObject<TForm>();
    TPanel* source = makePanel(*sourceForm);
    std::vector<TItem*> written;
    for (int i = 0; i < 3; ++i) {
        written.push_back(MakeComponent<TItem>(*sourceForm, "W" + std::to_string(i)));
        written.back()->level = 10 + i;
        written.back()->SetParent(source);
        if (c.storedList)
            written.back()->SetOwnerCollection(listOf(*source, c.listName));
    }
    if (c.storedList)
        written[2]->SetIndex(0);
    // List order when written from a list, else the order of ownership.
    const auto order = c.storedList ? ElementsAre("W2", "W1", "W0") : ElementsAre("W0", "W1", "W2");
    const TFormObject stream = TWriter().WriteComponent(*sourceForm);
    ASSERT_EQ(stream.children.size(), 1u);
    std::vector<std::string> childNames;
    for (const TFormObject& child : stream.children[0].children)
        childNames.push_back(child.name);
    EXPECT_THAT(childNames, order) << c.what;

    // The copy: a fresh form whose items exist, in another order, in no list.
    auto copyForm = MakeObject<TForm>();
    TPanel* copy = makePanel(*copyForm);
    std::vector<TItem*> read;
    for (const char* name : {"W0", "W1", "W2"})
        read.push_back(MakeComponent<TItem>(*copyForm, name));
    TReader().ReadComponent(*copyForm, stream);
    EXPECT_EQ(read[2]->level, 12);
    if (std::string(c.expected).empty()) {
        EXPECT_EQ(copy->items->GetCount() + copy->extras->GetCount(), 0) << c.what;
        EXPECT_EQ(read[0]->Parent(), copy) << c.what;
    } else {
        EXPECT_THAT(namesIn(*listOf(*copy, c.expected)), order) << c.what;
        EXPECT_EQ(read[0]->Parent(), ParkingForm());
        EXPECT_EQ(read[0]->GetParentComponent(), copy);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Joining, ItemStreamTest,
    ::testing::Values(TStreamCase{"a stored list stands over the class look-up", false, true, "Items", "Items"},
                      TStreamCase{"stored in the list that comes first", false, true, "Extras", "Extras"},
                      TStreamCase{"no stored list: the first list of the class", false, false, "Items", "Extras"},
                      TStreamCase{"glass panel with a stored list", true, true, "Items", "Items"},
                      TStreamCase{"glass panel without one: no list", true, false, "Items", ""}));

// ---------------------------------------------------------------- look-ups

// The finds the streaming takes are checked there; these are the refusals.
TEST_F(ComponentItemsTest, PropertyLookUps)
{
    TObject* value = nullptr;
    std::string name;
    TPropValue any;
    EXPECT_FALSE(GetPropertyValue(nullptr, "Items", any));
    EXPECT_FALSE(GetPropertyValue(panel, "Missing", any));
    ASSERT_TRUE(GetPropertyValue(panel, "Name", any));
    EXPECT_EQ(std::get<std::string>(any), "Panel");
    EXPECT_FALSE(FindPropertyOfClass(panel, TItem::StaticClassInfo(), value));
    EXPECT_FALSE(FindPropertyNameOfObject(panel, form.get(), name));
    EXPECT_FALSE(GetClassPropertyByName(panel, "layers", value));
    EXPECT_FALSE(GetClassPropertyByName(panel, "Name", value));
}

// ---------------------------------------------------------------- draw layers

class TClient : public TObject {
public:
    enum class TKind { Leaves, Stays, ComesBack };
    TClient(std::string name, TKind kind, TLPControlDrawLayer& layer) : name_(std::move(name)), kind_(kind), layer_(layer)
    {
    }
    ~TClient() override
    {
        if (kind_ == TKind::Leaves)
            layer_.RemoveClient(*this);
        else if (kind_ == TKind::ComesBack)
            added_ = layer_.AddClient(*this);
        logDestroyed(name_ + (added_ ? " came back" : ""));
    }

private:
    std::string name_;
    TKind kind_;
    TLPControlDrawLayer& layer_;
    bool added_ = false;
};

// Freed through the class library, or by a plain delete that skips BeforeDestruction.
class DrawLayerTest : public ComponentItemsTest, public ::testing::WithParamInterface<bool> {};

TEST_P(DrawLayerTest, DestructionFreesEveryClientOnceAndTheStoredObjects)
{
    std::vector<std::string> log;
    destroyedLog = &log;
    std::unique_ptr<TLayer> plain(MakeObject<TLayer>(nullptr, "L").release());
    TLayer& layer = *plain;
    layer.AddClient(*MakeObject<TClient>("leaves", TClient::TKind::Leaves, layer).release());
    layer.AddClient(*MakeObject<TClient>("stays", TClient::TKind::Stays, layer).release());
    layer.AddClient(*MakeObject<TClient>("comes back", TClient::TKind::ComesBack, layer).release());
    int key = 0;
    layer.SetData(&key, MakeObject<TItem>(nullptr, "stored"));
    if (GetParam())
        plain.reset();
    else
        FreeObject(plain.release());
    destroyedLog = nullptr;
    EXPECT_THAT(log, ElementsAre("comes back", "stays", "leaves", "stored")) << "plain delete: " << GetParam();
}

INSTANTIATE_TEST_SUITE_P(Freeing, DrawLayerTest, ::testing::Bool());

enum class TNewValue { Null, Fresh, TheKeysOwn };

struct TSetDataCase {
    const char* what;
    bool present;  // the key holds "old" before
    TNewValue value;
    std::vector<std::string> freed;
    const char* stored;  // name of what the key holds after, "" for nothing
};

class SetDataTest : public ComponentItemsTest, public ::testing::WithParamInterface<TSetDataCase> {};

TEST_P(SetDataTest, ReplacingOrRemovingFreesWhatGoes)
{
    const TSetDataCase& c = GetParam();
    auto layer = MakeObject<TLayer>(nullptr, "L");
    int key = 0;
    int otherKey = 0;
    layer->SetData(&otherKey, MakeObject<TItem>(nullptr, "other"));
    if (c.present)
        layer->SetData(&key, MakeObject<TItem>(nullptr, "old"));
    std::vector<std::string> log;
    destroyedLog = &log;
    layer->SetData(&key, c.value == TNewValue::TheKeysOwn ? TOwned<TObject>(layer->GetData(&key))
                         : c.value == TNewValue::Fresh    ? MakeObject<TItem>(nullptr, "new")
                                                          : TOwned<TObject>());
    EXPECT_THAT(log, ElementsAreArray(c.freed)) << c.what;
    auto* stored = dynamic_cast<TItem*>(layer->GetData(&key));
    EXPECT_EQ(stored ? stored->Name() : "", c.stored) << c.what;
    EXPECT_EQ(dynamic_cast<TItem*>(layer->GetData(&otherKey))->Name(), "other");
    log.clear();
    layer->ClearData();
    destroyedLog = nullptr;
    EXPECT_EQ(log.size(), std::string(c.stored).empty() ? 1u : 2u) << c.what;
    EXPECT_EQ(layer->GetData(&otherKey), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Store, SetDataTest,
    ::testing::Values(TSetDataCase{"absent key, null", false, TNewValue::Null, {}, ""},
                      TSetDataCase{"absent key, value", false, TNewValue::Fresh, {}, "new"},
                      TSetDataCase{"present key, value", true, TNewValue::Fresh, {"old"}, "new"},
                      TSetDataCase{"present key, null", true, TNewValue::Null, {"old"}, ""},
                      TSetDataCase{"present key, its own object", true, TNewValue::TheKeysOwn, {}, "old"}));

} // namespace
