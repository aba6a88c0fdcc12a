#include "framework/OWLinkTestSupport.h"

using namespace owLinkTest;

namespace {

class LinkStreaming : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        RegisterComponentClass<TScope>();
        RegisterComponentClass<TListedScope>();
    }
    void TearDown() override { owPlaceholderDetail::FreeAll(); }

    static TComponent& child(TComponent& owner, const std::string& name)
    {
        for (int i = 0; i < owner.ComponentCount(); ++i) {
            if (owner.Components(i)->Name() == name)
                return *owner.Components(i);
        }
        throw std::runtime_error("no component " + name);
    }
    static TScope& scope(TComponent& owner, const std::string& name) { return dynamic_cast<TScope&>(child(owner, name)); }
    static TFormValue text(const std::string& s)
    {
        TFormValue v = TFormValue::Of(TValueType::String);
        v.text = s;
        return v;
    }
};

TEST_F(LinkStreaming, StateLinksComeBackInAFreshFormMadeFromClassNames)
{
    TFormObject stored;
    std::string name;
    {
        TTestForm form(nullptr, "Form1");
        TScope& a = *MakeComponent<TScope>(form, "A");
        TScope& b = *MakeComponent<TScope>(form, "B");
        ASSERT_TRUE(a.Clock()->LinkState(b.Inputs()->Clock()));
        ASSERT_TRUE(b.Deep()->Inner()->Clock()->LinkState(a.Clock()));
        name = a.Clock()->GetDispatcher()->Name();
        stored = Written(form);
        const TFormObject* storedA = StoredChild(stored, "A");
        ASSERT_NE(storedA, nullptr);
        const TFormProperty* formName = StoredProperty(*storedA, "Clock.Form");
        ASSERT_NE(formName, nullptr);
        EXPECT_EQ(formName->value.type, TValueType::Ident);
        EXPECT_EQ(formName->value.text, "Form1");
        ASSERT_NE(StoredProperty(*storedA, "Clock.State"), nullptr);
        EXPECT_EQ(StoredProperty(*storedA, "Inputs.Clock.State"), nullptr) << "an unlinked pin stores nothing";
    }
    TTestForm fresh(nullptr, "Form1");
    ReadInto(fresh, stored);
    TScope& a = scope(fresh, "A");
    TScope& b = scope(fresh, "B");
    auto dispatcher = a.Clock()->GetDispatcher();
    ASSERT_TRUE(dispatcher);
    EXPECT_EQ(dispatcher->Name(), name);
    EXPECT_EQ(dispatcher->Count(), 3);
    EXPECT_TRUE(b.Inputs()->Clock()->IsDispatcher(dispatcher.Get()));
    EXPECT_TRUE(b.Deep()->Inner()->Clock()->IsDispatcher(dispatcher.Get()));
    EXPECT_FALSE(b.Clock()->HasDispatcher());
}

TEST_F(LinkStreaming, AFormLoadedUnderAnotherNameKeepsItsStateLinksToItself)
{
    TTestForm form(nullptr, "Form1");
    TScope& a = *MakeComponent<TScope>(form, "A");
    TScope& b = *MakeComponent<TScope>(form, "B");
    ASSERT_TRUE(a.Clock()->LinkState(b.Clock()));
    const TFormObject stored = Written(form);

    TTestForm copy(nullptr, "Form1_1");
    ReadInto(copy, stored);
    auto original = a.Clock()->GetDispatcher();
    auto copied = scope(copy, "A").Clock()->GetDispatcher();
    ASSERT_TRUE(copied);
    EXPECT_NE(copied.Get(), original.Get());
    EXPECT_EQ(copied->Name(), "Form1_1" + original->Name().substr(5));
    EXPECT_EQ(copied->Count(), 2);
    EXPECT_EQ(original->Count(), 2);
    EXPECT_TRUE(scope(copy, "B").Clock()->IsDispatcher(copied.Get()));
    EXPECT_EQ(scope(copy, "A").Clock()->FormName(), "Form1");
}

TEST_F(LinkStreaming, OnlyTheSavedRootsAutomaticLinkNamesFollowTheNewRootName)
{
    struct Case {
        const char* stored;
        const char* joined;
    };
    const Case cases[] = {{"Form1Link3", "Form1_1Link3"},
                          {"Form1Link", "Form1Link"},
                          {"Form1Links", "Form1Links"},
                          {"Form10Link1", "Form10Link1"},
                          {"Shared", "Shared"}};
    for (const Case& c : cases) {
        TTestForm form(nullptr, "Form1_1");
        TScope& a = *MakeComponent<TScope>(form, "A");
        TReader().ReadProperties(a, {{"Clock.Form", TFormValue::Ident("Form1")}, {"Clock.State", text(c.stored)}});
        auto dispatcher = a.Clock()->GetDispatcher();
        ASSERT_TRUE(dispatcher) << c.stored;
        EXPECT_EQ(dispatcher->Name(), c.joined);
    }
}

TEST_F(LinkStreaming, PinListsStoreTheirRootAndTheLinksOfTheirSlots)
{
    TFormObject stored;
    {
        TTestForm form(nullptr, "Form1");
        TScope& a = *MakeComponent<TScope>(form, "A");
        TListedScope& listed = *MakeComponent<TListedScope>(form);
        listed.SetName("L");
        ASSERT_TRUE(listed.InputPins()->Items(1)->LinkState(a.Clock()));
        stored = Written(form);
        const TFormObject* storedList = StoredChild(stored, "L");
        ASSERT_NE(storedList, nullptr);
        const TFormProperty* pins = StoredProperty(*storedList, "InputPins.Pins");
        ASSERT_NE(pins, nullptr);
        ASSERT_EQ(pins->value.items.size(), 4u) << "nil, State, [name], nil";
        EXPECT_EQ(pins->value.items[0].text, "nil");
        EXPECT_EQ(pins->value.items[1].text, "State");
        EXPECT_EQ(pins->value.items[3].text, "nil");
        EXPECT_EQ(StoredProperty(*storedList, "InputPins.Form")->value.text, "Form1");
        // An unlinked list stores its root only.
        EXPECT_EQ(StoredProperty(*StoredChild(stored, "A"), "InputPins.Pins"), nullptr);
        EXPECT_NE(StoredProperty(*StoredChild(stored, "A"), "InputPins.Form"), nullptr);
    }
    TTestForm fresh(nullptr, "Form1");
    ReadInto(fresh, stored);
    TOWPinList& list = *scope(fresh, "L").InputPins();
    auto dispatcher = scope(fresh, "A").Clock()->GetDispatcher();
    ASSERT_TRUE(dispatcher);
    EXPECT_TRUE(list.Items(1)->IsDispatcher(dispatcher.Get()));
    EXPECT_FALSE(list.Items(0)->HasDispatcher());
    EXPECT_FALSE(list.Items(2)->HasDispatcher());
    EXPECT_EQ(list.FormName(), "Form1");
    EXPECT_EQ(OWPlaceholderCount(), 0);
}

TEST_F(LinkStreaming, SlotsBeyondTheListGetPlaceholdersAndARepeatedReferenceFindsItsPlaceholder)
{
    TTestForm form(nullptr, "Form1");
    TScope& s = *MakeComponent<TScope>(form, "S");
    const TFormValue pins = TFormValue::List({TFormValue::Ident("nil"), TFormValue::Ident("nil"),
                                              TFormValue::Ident("Form1.Missing.Out")});
    // Placeholder slots last while the owner loads (its pins may come late).
    s.SetLoading(true);
    TReader().ReadProperties(s, {{"InputPins.Pins", pins}});
    TOWPinList& list = *s.InputPins();
    EXPECT_EQ(list.EntryCount(), 3);
    EXPECT_EQ(list.PlaceholderCount(), 3);
    auto slot = Use(list.ItemAt(2));
    ASSERT_TRUE(slot);
    EXPECT_EQ(slot->GetIndexPath(true), "Form1.S.InputPins._Pin2");
    EXPECT_EQ(slot->GetSinkKind(), TOWPinKind::Sink);
    ASSERT_EQ(slot->GetLinkCount(), 1);
    EXPECT_EQ(slot->GetLink(0)->GetIndexPath(true), "Form1.Missing.Out");
    EXPECT_EQ(slot->GetLink(0)->GetSinkKind(), TOWPinKind::Source);
    const int placeholders = OWPlaceholderCount();
    EXPECT_EQ(placeholders, 4);
    TReader().ReadProperties(s, {{"InputPins.Pins", pins}});
    EXPECT_EQ(OWPlaceholderCount(), placeholders) << "the same references find the same placeholders";
    EXPECT_EQ(list.EntryCount(), 3);
    s.SetLoading(false);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.EntryCount(), 0);
}

// A list's stand-ins for its slots, whether in the slots still or taken out
// of them to wait for a pin of their slot, go with the list (freed alone or
// with its owner), and so do the placeholders their links wait on: a list
// made later under the same path takes nothing over.
TEST_F(LinkStreaming, AFreedListTakesItsStandInsAndWhatTheyWaitOnAlong)
{
    const TFormValue pins = TFormValue::List({TFormValue::Ident("nil"), TFormValue::Ident("Form1.Missing.Clock")});
    struct Case {
        const char* what;
        bool wholeOwner;
        bool loadingEnded;
    } const cases[] = {
        {"list freed, stand-ins in their slots", false, false},
        {"list freed, a stand-in waiting", false, true},
        {"owner freed, stand-ins in their slots", true, false},
        {"owner freed, a stand-in waiting", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TTestForm form(nullptr, "Form1");
        const int before = OWPlaceholderCount();
        TScope* s = MakeComponent<TScope>(form, "S");
        s->SetLoading(true);
        TReader().ReadProperties(*s, {{"InputPins.Pins", pins}});
        ASSERT_EQ(OWPlaceholderCount(), before + 3) << "two slots and the missing clock";
        if (c.loadingEnded) {
            s->SetLoading(false);
            EXPECT_EQ(s->InputPins()->Count(), 0);
        }
        if (c.wholeOwner) {
            FreeObject(s);
        } else {
            s->FreeInputPins();
            s->SetName("Gone");
        }
        EXPECT_EQ(OWPlaceholderCount(), before);

        TScope& later = *MakeComponent<TScope>(form, "S", 2);
        EXPECT_FALSE(later.InputPins()->Items(1)->IsConnected());
        EXPECT_EQ(OWPlaceholderCount(), before);
    }
}

// Values of shapes the writer never makes are refused with the reader's
// error and link nothing.
TEST_F(LinkStreaming, ValuesOfUnexpectedShapesAreRefused)
{
    using V = TFormValue;
    const V ident = V::Ident("Form1.A.Clock");
    const V integer = V::Of(TValueType::Integer);
    std::vector<V> manyNils(owMaxStreamLinks + 1, V::Ident("nil"));
    struct Case {
        const char* what;
        const char* property;
        V value;
    };
    const Case cases[] = {
        {"form as a string", "Clock.Form", text("Form1")},
        {"state as an identifier", "Clock.State", ident},
        {"state as an integer", "Clock.State", integer},
        {"state as an empty list", "Clock.State", V::List({})},
        {"state with an empty name", "Clock.State", text("")},
        {"state list with an integer", "Clock.State", V::List({text("Form1Link1"), integer})},
        {"state list with a deep list", "Clock.State",
         V::List({text("Form1Link1"), V::List({V::List({ident})})})},
        {"pins not a list", "InputPins.Pins", ident},
        {"pins with an integer", "InputPins.Pins", V::List({integer})},
        {"sinks without their list", "InputPins.Pins", V::List({V::Ident("Sinks")})},
        {"sinks followed by an identifier", "InputPins.Pins", V::List({V::Ident("Sinks"), ident})},
        {"an empty reference", "InputPins.Pins", V::List({V::List({})})},
        {"a reference with a list for its path", "InputPins.Pins", V::List({V::List({V::List({ident})})})},
        {"a reference with too many items", "InputPins.Pins", V::List({V::List({ident, text("a"), text("b")})})},
        {"sinks nested in sinks", "InputPins.Pins",
         V::List({V::Ident("Sinks"), V::List({V::List({ident, V::List({ident})})})})},
        {"state of an empty slot with an integer", "InputPins.Pins", V::List({V::Ident("State"), V::List({integer})})},
        {"more slots than a list may have", "InputPins.Pins", V::List(manyNils)},
        {"links of a state pin", "Clock.SinkPins", V::List({ident})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TTestForm form(nullptr, "Form1");
        TScope& a = *MakeComponent<TScope>(form, "A");
        EXPECT_THROW(TReader().ReadProperties(a, {{c.property, c.value}}), EReadError);
        EXPECT_FALSE(a.Clock()->HasDispatcher());
        EXPECT_EQ(a.InputPins()->EntryCount(), 0);
    }
}

// A pin-list value is read whole before any slot is linked: refused at a
// late item, the items before it leave no slot, placeholder or state link.
TEST_F(LinkStreaming, APinsValueRefusedLateLinksNoneOfTheItemsBeforeIt)
{
    using V = TFormValue;
    const V integer = V::Of(TValueType::Integer);
    const V stateOfLink1 = V::List({text("Form1Link1")});
    struct Case {
        const char* what;
        int listed;
        V value;
    };
    const Case cases[] = {
        {"a link, then an integer", 0, V::List({V::Ident("Form1.Missing.Out"), integer})},
        {"a placeholder's state, then an integer", 0, V::List({V::Ident("State"), stateOfLink1, integer})},
        {"a listed pin's state, then an integer", 2, V::List({V::Ident("State"), stateOfLink1, integer})},
        {"a link, then sources without their list", 1,
         V::List({V::Ident("nil"), V::Ident("Form1.Missing.Out"), V::Ident("Sources")})},
        {"a listed pin's state, then a bad one", 2,
         V::List({V::Ident("State"), stateOfLink1, V::Ident("State"), V::List({integer})})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TTestForm form(nullptr, "Form1");
        TScope& a = *MakeComponent<TScope>(form, "A", c.listed);
        EXPECT_THROW(TReader().ReadProperties(a, {{"InputPins.Pins", c.value}}), EReadError);
        TOWPinList& list = *a.InputPins();
        EXPECT_EQ(list.EntryCount(), c.listed);
        for (int i = 0; i < c.listed; ++i)
            EXPECT_FALSE(list.Items(i)->HasDispatcher()) << "slot " << i;
        EXPECT_FALSE(FindDispatcher("Form1Link1", false));
        EXPECT_EQ(OWPlaceholderCount(), 0);
    }
}

// ------------------------------------------------------------ fuzzing

TEST_F(LinkStreaming, TheLinkReaderSurvivesRandomAndMutatedValues)
{
    // Valid values to mutate, taken from a written form.
    std::vector<TFormProperty> seeds;
    {
        TTestForm form(nullptr, "Form1");
        TScope& a = *MakeComponent<TScope>(form, "A");
        TListedScope& b = *MakeComponent<TListedScope>(form);
        b.SetName("B");
        a.Clock()->LinkState(b.Clock());
        b.InputPins()->Items(0)->LinkState(a.Inputs()->Clock());
        const TFormObject stored = Written(form);
        for (const TFormObject& c : stored.children)
            seeds.insert(seeds.end(), c.properties.begin(), c.properties.end());
    }
    ASSERT_FALSE(seeds.empty());
    const std::vector<std::string> properties{"Clock.State", "Clock.Form", "InputPins.Pins", "InputPins.Form",
                                      "Inner.Clock.State", "InputPins.PinsOwner"};
    TValueFuzzer fuzz(20261207, {"nil", "Sinks", "Sources", "State", "Form1.A.Clock", "Form1.B.Clock",
                                 "Form1.A.InputPins._Pin1", "Form2.X.Out", "", "Form1", "Form1.A.", "..",
                                 "Form1.B.Inner.Clock"});
    int refused = 0;
    for (int round = 0; round < 3000; ++round) {
        TTestForm form(nullptr, "Form1");
        TScope& a = *MakeComponent<TScope>(form, "A", static_cast<int>(fuzz.pick(3)));
        MakeComponent<TScope>(form, "B", 2);
        if (fuzz.ReadOne(a, round, seeds, properties))
            ++refused;
        EXPECT_LE(a.InputPins()->EntryCount(), owMaxStreamLinks + 2);
        if (auto dispatcher = a.Clock()->GetDispatcher()) {
            EXPECT_FALSE(dispatcher->Name().empty());
        }
    }
    // Both outcomes occur: the fuzzer reaches past the shape checks.
    EXPECT_GT(refused, 300);
    EXPECT_LT(refused, 2900);
}

} // namespace
