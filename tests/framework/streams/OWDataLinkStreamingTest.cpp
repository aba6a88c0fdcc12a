#include "framework/OWLinkTestSupport.h"

#include <functional>

using namespace owLinkTest;

namespace {

class DataLinkStreaming : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        RegisterTestConverter();
        RegisterComponentClass<TDataScope>();
        RegisterComponentClass<TListedData>();
    }
    void TearDown() override { owPlaceholderDetail::FreeAll(); }

    static TComponent& named(TComponent& owner, const std::string& name)
    {
        for (int i = 0; i < owner.ComponentCount(); ++i) {
            if (owner.Components(i)->Name() == name)
                return *owner.Components(i);
        }
        throw std::runtime_error("no component " + name);
    }
    static TDataScope& scope(TComponent& owner, const std::string& name)
    {
        return dynamic_cast<TDataScope&>(named(owner, name));
    }
};

TEST_F(DataLinkStreaming, SourcesSinksDependenciesAndConvertersComeBackInAFreshForm)
{
    TFormObject stored;
    std::vector<std::string> before;
    {
        TTestForm form(nullptr, "Form1");
        TDataScope& c1 = *MakeComponent<TDataScope>(form, "C1");
        TDataScope& c2 = *MakeComponent<TDataScope>(form, "C2");
        TDataScope& c3 = *MakeComponent<TDataScope>(form, "C3");
        ASSERT_TRUE(c2.In()->Connect(c1.Out()));
        ASSERT_TRUE(c3.In()->ConnectData(c1.Out(), c2.In()));
        ASSERT_TRUE(c1.In()->Connect(c2.Out()));
        ASSERT_TRUE(c1.InC()->Connect(c3.OutB()));
        ASSERT_TRUE(c2.State()->LinkState(c3.State()));
        ASSERT_TRUE(c3.Mix()->Connect(c2.Out()));
        ASSERT_TRUE(c3.Mix()->Connect(c1.Out()));
        // Listed pins: a listed source through a converter, listed sinks
        // fed from outside, one with a DependsOn.
        TListedData& listed = *MakeComponent<TListedData>(form, "L");
        ASSERT_TRUE(c2.InC()->Connect(listed.Out()));
        ASSERT_TRUE(listed.In(0)->Connect(c1.Out()));
        ASSERT_TRUE(listed.In(1)->ConnectData(c2.Out(), c1.In()));
        before = LinksOf(form);
        stored = Written(form);
    }
    ASSERT_EQ(before.size(), 22u);
    TTestForm fresh(nullptr, "Form1");
    ReadInto(fresh, stored);
    EXPECT_EQ(LinksOf(fresh), before);
    EXPECT_EQ(OWPlaceholderCount(), 0);
    EXPECT_EQ(scope(fresh, "C2").SourceWhenLoaded, scope(fresh, "C1").Out()) << "linked before Loaded";
    // The DependsOn orders delivery: C2's sink is served before C3's.
    TDataScope& c1 = scope(fresh, "C1");
    const auto entries = c1.Out()->SinkEntries();
    auto at = [&](TOWBasicPin* sink) {
        return std::find_if(entries.begin(), entries.end(), [&](const TOWPinEntry& e) { return e.Sink.Get() == sink; }) -
               entries.begin();
    };
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_LT(at(scope(fresh, "C2").In()), at(scope(fresh, "C3").In()));
}

TEST_F(DataLinkStreaming, TheStoredValuesTakeTheShapesOfTheirLinks)
{
    TTestForm form(nullptr, "Form1");
    TDataScope& c1 = *MakeComponent<TDataScope>(form, "C1");
    TDataScope& c2 = *MakeComponent<TDataScope>(form, "C2");
    TStreamOwner& listed = *MakeComponent<TStreamOwner>(form, "L");
    TTestSinkPin& named = listed.Sink({typeA}, "Left");
    ASSERT_TRUE(c2.In()->Connect(c1.Out()));
    ASSERT_TRUE(named.ConnectData(c1.Out(), c2.In()));
    ASSERT_TRUE(c2.Mix()->Connect(c1.Out()));
    const TFormObject stored = Written(form);
    auto value = [&](const char* component, const char* property) {
        const TFormProperty* p = StoredProperty(*StoredChild(stored, component), property);
        return p ? p->value : TFormValue();
    };
    const TFormValue sinks = value("C1", "Out.SinkPins");
    ASSERT_EQ(sinks.type, TValueType::List);
    ASSERT_EQ(sinks.items.size(), 3u);
    const TFormValue sources = value("C2", "Mix.SourcePin");
    ASSERT_EQ(sources.type, TValueType::List) << "a multi-sink stores a list";
    ASSERT_EQ(sources.items.size(), 1u);
    EXPECT_EQ(sources.items[0].text, "Form1.C1.Out");
    EXPECT_EQ(sinks.items[0].type, TValueType::Ident) << "same paths, no DependsOn: an identifier";
    EXPECT_EQ(sinks.items[0].text, "Form1.C2.In");
    const TFormValue& both = sinks.items[1];
    ASSERT_EQ(both.items.size(), 3u) << "[index path, DependsOn, name path]";
    EXPECT_EQ(both.items[0].text, "Form1.L.Pins._Pin0");
    EXPECT_EQ(both.items[1].text, "Form1.C2.In");
    EXPECT_EQ(both.items[2].text, "Form1.L.Pins.Left");
    EXPECT_EQ(value("C2", "In.SourcePin").text, "Form1.C1.Out");
    EXPECT_EQ(value("C2", "In.Form").text, "Form1");
    EXPECT_EQ(value("C1", "In.SourcePin").type, TValueType::Null) << "an unlinked sink stores nothing";
    // The listed sink with a DependsOn: [[index path], DependsOn].
    const TFormValue pins = value("L", "Pins.Pins");
    ASSERT_EQ(pins.items.size(), 1u);
    ASSERT_EQ(pins.items[0].items.size(), 2u);
    EXPECT_EQ(pins.items[0].items[0].items[0].text, "Form1.C1.Out");
    EXPECT_EQ(pins.items[0].items[1].text, "Form1.C2.In");
}

TEST_F(DataLinkStreaming, TwoFormsLinkedToEachOtherLoadInEitherOrder)
{
    TFormObject stored1;
    TFormObject stored2;
    std::vector<std::string> before1;
    std::vector<std::string> before2;
    {
        TTestForm form1(nullptr, "Form1");
        TTestForm form2(nullptr, "Form2");
        TDataScope& a = *MakeComponent<TDataScope>(form1, "A");
        TDataScope& b = *MakeComponent<TDataScope>(form2, "B");
        ASSERT_TRUE(b.In()->Connect(a.Out()));
        ASSERT_TRUE(a.In()->Connect(b.Out()));
        ASSERT_TRUE(a.InC()->Connect(b.OutB()));
        ASSERT_TRUE(a.Mix()->Connect(b.Out()));
        ASSERT_TRUE(a.Mix()->Connect(a.Out()));
        before1 = LinksOf(form1);
        before2 = LinksOf(form2);
        stored1 = Written(form1);
        stored2 = Written(form2);
    }
    for (const bool firstFirst : {true, false}) {
        SCOPED_TRACE(firstFirst ? "Form1 first" : "Form2 first");
        TTestForm form1(nullptr, "Form1");
        TTestForm form2(nullptr, "Form2");
        if (firstFirst) {
            ReadInto(form1, stored1);
            EXPECT_GT(OWPlaceholderCount(), 0) << "the far ends wait";
            ReadInto(form2, stored2);
        } else {
            ReadInto(form2, stored2);
            ReadInto(form1, stored1);
        }
        EXPECT_EQ(LinksOf(form1), before1);
        EXPECT_EQ(LinksOf(form2), before2);
        EXPECT_EQ(OWPlaceholderCount(), 0);
    }
}

TEST_F(DataLinkStreaming, AFormReadUnderAnotherNameLinksItsOwnPinsAndKeepsLinksIntoOtherForms)
{
    TTestForm form1(nullptr, "Form1");
    TTestForm form2(nullptr, "Form2");
    TDataScope& a = *MakeComponent<TDataScope>(form1, "A");
    TDataScope& b = *MakeComponent<TDataScope>(form1, "B");
    TDataScope& x = *MakeComponent<TDataScope>(form2, "X");
    ASSERT_TRUE(b.In()->Connect(a.Out()));
    ASSERT_TRUE(a.In()->Connect(x.Out()));
    const TFormObject stored = Written(form1);

    TTestForm copy(nullptr, "Form1_1");
    ReadInto(copy, stored);
    TDataScope& copyA = scope(copy, "A");
    TDataScope& copyB = scope(copy, "B");
    EXPECT_EQ(copyB.In()->GetSource(), copyA.Out());
    EXPECT_EQ(copyA.In()->GetSource(), x.Out());
    EXPECT_EQ(x.Out()->GetSinkCount(), 2);
    EXPECT_EQ(a.Out()->GetSinkCount(), 1) << "the original keeps its own sink only";
    EXPECT_EQ(b.In()->GetSource(), a.Out());
    EXPECT_EQ(OWPlaceholderCount(), 0);
}

TEST_F(DataLinkStreaming, AMissingFarEndWaitsOnAPlaceholderUntilItsPinComes)
{
    TTestForm form(nullptr, "Form1");
    TDataScope& a = *MakeComponent<TDataScope>(form, "A");
    TReader().ReadProperties(a, {{"In.SourcePin", TFormValue::Ident("Form1.Late.Out")},
                                 {"Out.SinkPins", TFormValue::List({TFormValue::Ident("Form1.Late.In")})}});
    EXPECT_EQ(OWPlaceholderCount(), 2);
    EXPECT_EQ(a.In()->GetSource(), nullptr);
    TDataScope& late = *MakeComponent<TDataScope>(form, "Late");
    late.Out()->ResolvePlaceholders();
    late.In()->ResolvePlaceholders();
    EXPECT_EQ(a.In()->GetSource(), late.Out());
    EXPECT_EQ(late.In()->GetSource(), a.Out());
    EXPECT_EQ(OWPlaceholderCount(), 0);
}

TEST_F(DataLinkStreaming, LinkEditingByText)
{
    TTestForm form(nullptr, "Form1");
    TTestForm other(nullptr, "Form2");
    TDataScope& a = *MakeComponent<TDataScope>(form, "A");
    TDataScope& b = *MakeComponent<TDataScope>(form, "B");
    TDataScope& x = *MakeComponent<TDataScope>(other, "X");
    struct Case {
        const char* what;
        TOWBasicPin* pin;
        TComponent* root;
        const char* text;
        bool result;
        TOWBasicPin* source;  // B.In's source afterwards
    };
    const Case cases[] = {
        {"a source by candidate text", a.Out(), nullptr, "B.In", true, a.Out()},
        {"a name of no candidate", a.Out(), nullptr, "B.Nothing", false, a.Out()},
        {"a sink of another type is no candidate", a.Out(), nullptr, "B.InC", false, a.Out()},
        {"a sink by path", b.In(), nullptr, "X.Out", false, a.Out()},
        {"a sink by path with root", b.In(), nullptr, "Form2.X.Out", true, x.Out()},
        {"a sink by path without root", b.In(), nullptr, "A.Out", true, a.Out()},
        {"a sink unlinked", b.In(), nullptr, "(Disconnected)", true, nullptr},
        {"a source within another root", x.Out(), &form, "Form1.B.In", true, x.Out()},
        {"a source unlinked by empty text", x.Out(), nullptr, "", true, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.pin->SetLinkText(c.root, c.text), c.result);
        EXPECT_EQ(b.In()->GetSource(), c.source);
    }
    // By path: "nil" unlinks, a missing path waits on a placeholder.
    EXPECT_TRUE(ConnectByPath(*b.In(), nullptr, "Form1.A.Out", "Form1.A.Out"));
    EXPECT_EQ(b.In()->GetSource(), a.Out());
    EXPECT_TRUE(ConnectByPath(*b.In(), nullptr, "nil", {}));
    EXPECT_EQ(b.In()->GetSource(), nullptr);
    EXPECT_TRUE(ConnectByPath(*b.In(), nullptr, "Form1.Later.Out", {}));
    EXPECT_EQ(OWPlaceholderCount(), 1);
    EXPECT_EQ(b.In()->GetLinkText(), "(Disconnected)");
}

TEST_F(DataLinkStreaming, AStateConverterIsMadeForTheTypesReadAndWrittenBackTheSame)
{
    TTestForm form(nullptr, "Form1");
    TDataScope& b = *MakeComponent<TDataScope>(form, "B");
    auto text = [](const std::string& s) {
        TFormValue v = TFormValue::Of(TValueType::String);
        v.text = s;
        return v;
    };
    const TFormValue value = TFormValue::List({text("Form1Link7"), text(GuidToString(typeB)), text(GuidToString(typeC))});
    const int made = TTestConverter::made.load();
    TReader().ReadProperties(b, {{"InC.StateConverter", value}});
    EXPECT_EQ(TTestConverter::made.load(), made + 1);
    EXPECT_TRUE(b.InC()->IsStateOwnedElsewhere());
    auto dispatcher = b.InC()->GetDispatcher();
    ASSERT_TRUE(dispatcher);
    EXPECT_EQ(dispatcher->Name(), "Form1Link7");
    ASSERT_EQ(dispatcher->Converters().size(), 1u);
    EXPECT_TRUE(dispatcher->Converters()[0]->InputPin()->IsDispatcher(dispatcher.Get()));
    const TFormObject stored = Written(form);
    const TFormProperty* written = StoredProperty(*StoredChild(stored, "B"), "InC.StateConverter");
    ASSERT_NE(written, nullptr);
    ASSERT_EQ(written->value.items.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(written->value.items[i].text, value.items[i].text);
    EXPECT_EQ(StoredProperty(*StoredChild(stored, "B"), "InC.SourcePin"), nullptr) << "the state owns the link";

    // A pair without a registered converter links nothing; a GUID that is
    // not one is refused.
    TDataScope& c = *MakeComponent<TDataScope>(form, "C");
    TReader().ReadProperties(
        c, {{"InC.StateConverter", TFormValue::List({text("X"), text(GuidToString(typeA)), text(GuidToString(typeC))})}});
    EXPECT_FALSE(c.InC()->HasDispatcher());
    EXPECT_THROW(TReader().ReadProperties(
                     c, {{"InC.StateConverter", TFormValue::List({text("X"), text("{B0}"), text(GuidToString(typeC))})}}),
                 EReadError);
}

TEST_F(DataLinkStreaming, AStatePinLinkedToASinkThroughAStateConverterComesBackInAFreshForm)
{
    // Either component may be stored, and so read, first.
    struct Case {
        const char* what;
        bool statePinFirst;
    };
    const Case cases[] = {{"the state pin's component first", true}, {"the sink's component first", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TFormObject stored;
        std::vector<std::string> before;
        {
            TTestForm form(nullptr, "Form1");
            TDataScope& first = *MakeComponent<TDataScope>(form, "First");
            TDataScope& second = *MakeComponent<TDataScope>(form, "Second");
            TDataScope& from = c.statePinFirst ? first : second;
            TDataScope& to = c.statePinFirst ? second : first;
            const int made = TTestConverter::made.load();
            ASSERT_TRUE(from.State()->LinkState(to.InC()));
            EXPECT_EQ(TTestConverter::made.load(), made + 1);
            EXPECT_TRUE(to.InC()->IsStateOwnedElsewhere());
            before = LinksOf(form);
            stored = Written(form);
        }
        TTestForm fresh(nullptr, "Form1");
        ReadInto(fresh, stored);
        EXPECT_EQ(LinksOf(fresh), before);
        TDataScope& from = scope(fresh, c.statePinFirst ? "First" : "Second");
        TDataScope& to = scope(fresh, c.statePinFirst ? "Second" : "First");
        auto dispatcher = from.State()->GetDispatcher();
        ASSERT_TRUE(dispatcher);
        EXPECT_EQ(to.InC()->GetDispatcher(), dispatcher);
        ASSERT_EQ(dispatcher->Converters().size(), 1u);
        EXPECT_TRUE(dispatcher->Converters()[0]->OutputPin()->IsLinkedWith(to.InC()));
        EXPECT_EQ(dispatcher->Count(), 2) << "the state pin and the converter's input";
        EXPECT_EQ(OWPlaceholderCount(), 0);
    }
    // No converter leads from the state pin's type to In, and a source
    // takes no state.
    TTestForm form(nullptr, "Form1");
    TDataScope& a = *MakeComponent<TDataScope>(form, "A");
    TDataScope& b = *MakeComponent<TDataScope>(form, "B");
    for (TOWBasicPin* refused : std::initializer_list<TOWBasicPin*>{b.In(), b.Out(), b.Mix()}) {
        EXPECT_FALSE(a.State()->LinkState(refused));
        EXPECT_FALSE(a.State()->HasDispatcher());
        EXPECT_FALSE(refused->HasDispatcher());
    }
}

int timesWritten(const TFormValue& value, const std::string& text)
{
    int count = value.text == text ? 1 : 0;
    for (const TFormValue& item : value.items)
        count += timesWritten(item, text);
    return count;
}

int timesWritten(const TFormObject& object, const std::string& text)
{
    int count = 0;
    for (const TFormProperty& p : object.properties)
        count += timesWritten(p.value, text);
    for (const TFormObject& child : object.children)
        count += timesWritten(child, text);
    return count;
}

TEST_F(DataLinkStreaming, ASinksPendingLinkSurvivesSavesMadeBeforeItsFarEndLoads)
{
    auto id = [](const char* path) { return TFormValue::Ident(path); };
    auto nil = TFormValue::Ident("nil");
    auto published = [](TComponent& form) -> TOWSinkPin* { return scope(form, "A").In(); };
    auto listed = [](TComponent& form) { return dynamic_cast<TListedData&>(named(form, "L")).In(0); };
    struct Case {
        const char* what;
        bool designing;
        const char* component;  // reads the pending link
        const char* property;
        TFormValue value;
        std::function<TOWSinkPin*(TComponent&)> sink;
        const char* pendingPath;  // the far end's index path
        const char* dependsOn;    // the link's DependsOn, by index path
        std::vector<std::pair<std::string, int>> written;  // texts and how often the form stores them
    };
    const Case cases[] = {
        {"a published sink", false, "A", "In.SourcePin", id("Form1.Late.Out"), published, "Form1.Late.Out", nullptr,
         {{"Form1.Late.Out", 1}}},
        {"a published sink at design time", true, "A", "In.SourcePin", id("Form1.Late.Out"), published,
         "Form1.Late.Out", nullptr, {{"Form1.Late.Out", 1}}},
        {"a published sink with a DependsOn", false, "A", "In.SourcePin",
         TFormValue::List({TFormValue::List({id("Form1.Late.Out")}), id("Form1.L.Pins._Pin1")}), published,
         "Form1.Late.Out", "Form1.L.Pins._Pin1", {{"Form1.Late.Out", 1}, {"Form1.L.Pins._Pin1", 1}}},
        {"a sink waiting on another form", false, "A", "In.SourcePin", id("Form2.X.Out"), published, "Form2.X.Out",
         nullptr, {{"Form2.X.Out", 1}}},
        {"a listed sink", false, "L", "Pins.Pins", TFormValue::List({nil, id("Form1.Late.Out")}), listed,
         "Form1.Late.Out", nullptr, {{"Form1.Late.Out", 1}}},
        // At run time the list lets go of its placeholders, and the sink
        // writes the link.
        {"a sink fed by a placeholder that left a list", false, "L", "Pins.Pins",
         TFormValue::List({nil, nil, nil, nil, id("Sinks"), TFormValue::List({id("Form1.A.In")})}), published,
         "Form1.L.Pins._Pin4", nullptr, {{"Form1.L.Pins._Pin4", 1}, {"Form1.A.In", 0}}},
        // At design time the list keeps it and writes the link with the
        // slot; the sink does not write it again.
        {"a sink fed by a placeholder in a list of its form", true, "L", "Pins.Pins",
         TFormValue::List({nil, nil, nil, nil, id("Sinks"), TFormValue::List({id("Form1.A.In")})}), published,
         "Form1.L.Pins._Pin4", nullptr, {{"Form1.A.In", 1}, {"Form1.L.Pins._Pin4", 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // The reader takes the components a form already has.
        auto makeComponents = [&](TComponent& form) {
            MakeComponent<TDataScope>(form, "A")->SetDesigning(c.designing);
            MakeComponent<TListedData>(form, "L")->SetDesigning(c.designing);
        };
        TFormObject stored;
        {
            TTestForm form(nullptr, "Form1");
            makeComponents(form);
            TReader().ReadProperties(named(form, c.component), {{c.property, c.value}});
            stored = Written(form);
        }
        // Saved again after each load, before the far end exists.
        for (int cycle = 0; cycle < 3; ++cycle) {
            SCOPED_TRACE(cycle);
            for (const auto& [text, times] : c.written)
                EXPECT_EQ(timesWritten(stored, text), times) << text;
            TTestForm fresh(nullptr, "Form1");
            makeComponents(fresh);
            ReadInto(fresh, stored);
            TOWSinkPin* sink = c.sink(fresh);
            EXPECT_EQ(sink->GetSource(), nullptr);
            auto* pending = dynamic_cast<TOWUnloadedPin*>(sink->GetLinkedPin());
            ASSERT_NE(pending, nullptr) << "the link still waits";
            EXPECT_EQ(pending->GetIndexPath(true), c.pendingPath);
            TOWBasicPin* dependsOn = pending->GetDependsOn(sink);
            EXPECT_EQ(dependsOn ? dependsOn->GetIndexPath(true) : "", c.dependsOn ? c.dependsOn : "");
            stored = Written(fresh);
        }
        // The far end comes at last and takes the link over.
        if (c.pendingPath == std::string("Form1.Late.Out")) {
            TTestForm last(nullptr, "Form1");
            makeComponents(last);
            ReadInto(last, stored);
            TDataScope& late = *MakeComponent<TDataScope>(last, "Late");
            late.SetDesigning(c.designing);
            // A DependsOn names another sink of the same source.
            TOWSinkPin* before = c.dependsOn ? listed(last) : nullptr;
            if (before) {
                ASSERT_TRUE(before->Connect(late.Out()));
            }
            late.Out()->ResolvePlaceholders();
            EXPECT_EQ(c.sink(last)->GetSource(), late.Out());
            EXPECT_EQ(c.sink(last)->GetLinkDependsOn(0), before);
        }
        owPlaceholderDetail::FreeAll();
    }
}

// A source or multi-sink whose far end is in a form not loaded yet keeps
// that link through saves made meanwhile, DependsOn included, and gets it
// when the form is read; a plain sink does the same (above).
TEST_F(DataLinkStreaming, PendingLinksOfSourcesAndMultiSinksSurviveSavesMadeBeforeTheirFarEndsLoad)
{
    auto id = [](const char* path) { return TFormValue::Ident(path); };
    using TPinOf = std::function<TOWBasicPin*(TDataScope&)>;
    const TPinOf mix = [](TDataScope& s) -> TOWBasicPin* { return s.Mix(); };
    const TPinOf out = [](TDataScope& s) -> TOWBasicPin* { return s.Out(); };
    const TPinOf xOut = [](TDataScope& x) -> TOWBasicPin* { return x.Out(); };
    const TPinOf xIn = [](TDataScope& x) -> TOWBasicPin* { return x.In(); };
    struct Case {
        const char* what;
        const char* property;
        TFormValue value;
        TPinOf pin;          // of A, the pin that reads the links
        TPinOf far;          // of X, the far end in Form2
        int linkedAtOnce;    // links to Form1's own pins, made at once
        bool dependsOnXIn;   // the pending link's DependsOn is Form2's X.In
    };
    const Case cases[] = {
        {"a multi-sink", "Mix.SourcePin", TFormValue::List({id("Form2.X.Out")}), mix, xOut, 0, false},
        {"a multi-sink with a linked source", "Mix.SourcePin",
         TFormValue::List({id("Form1.A.Out"), id("Form2.X.Out")}), mix, xOut, 1, false},
        {"a multi-sink with a DependsOn", "Mix.SourcePin",
         TFormValue::List({TFormValue::List({id("Form2.X.Out"), id("Form2.X.In")})}), mix, xOut, 0, true},
        {"a source", "Out.SinkPins", TFormValue::List({id("Form2.X.In")}), out, xIn, 0, false},
        {"a source with a linked sink", "Out.SinkPins", TFormValue::List({id("Form1.A.In"), id("Form2.X.In")}),
         out, xIn, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TFormObject stored;
        {
            TTestForm form(nullptr, "Form1");
            TReader().ReadProperties(*MakeComponent<TDataScope>(form, "A"), {{c.property, c.value}});
            stored = Written(form);
        }
        // Saved again after each load, before Form2 exists.
        for (int cycle = 0; cycle < 3; ++cycle) {
            SCOPED_TRACE(cycle);
            TTestForm fresh(nullptr, "Form1");
            ReadInto(fresh, stored);
            TOWBasicPin& pin = *c.pin(scope(fresh, "A"));
            EXPECT_EQ(pin.GetLinkCount(), c.linkedAtOnce);
            const auto pending = TOWUnloadedPin::PendingLinksOf(pin);
            ASSERT_EQ(pending.size(), 1u) << "the link still waits";
            auto dependsOn = Use(pending[0].DependsOn);
            EXPECT_EQ(dependsOn ? dependsOn->GetIndexPath(true) : "", c.dependsOnXIn ? "Form2.X.In" : "");
            stored = Written(fresh);
        }
        {
            TTestForm form1(nullptr, "Form1");
            ReadInto(form1, stored);
            TTestForm form2(nullptr, "Form2");
            TDataScope& x = *MakeComponent<TDataScope>(form2, "X");
            // A DependsOn is a sink served before, by the same source.
            if (c.dependsOnXIn) {
                x.In()->ResolvePlaceholders();
                ASSERT_TRUE(x.In()->Connect(x.Out()));
            }
            c.far(x)->ResolvePlaceholders();
            TDataScope& a = scope(form1, "A");
            TOWBasicPin& pin = *c.pin(a);
            ASSERT_EQ(pin.GetLinkCount(), c.linkedAtOnce + 1);
            EXPECT_EQ(pin.GetLink(c.linkedAtOnce), c.far(x));
            EXPECT_EQ(pin.GetLinkDependsOn(c.linkedAtOnce), c.dependsOnXIn ? x.In() : nullptr);
            EXPECT_EQ(OWPlaceholderCount(), 0);
        }
        EXPECT_EQ(OWPlaceholderCount(), 0);
    }
}

// A placeholder made for a link's DependsOn that is not loaded yet goes with
// the link: unlinked, its sink, source or form freed. While another link
// names it, it stays; once the DependsOn is loaded, the link names that pin.
TEST_F(DataLinkStreaming, APlaceholderForAMissingDependsOnGoesWithItsLink)
{
    auto id = [](const char* path) { return TFormValue::Ident(path); };
    auto withDependency = [&](TFormValue far) { return TFormValue::List({TFormValue::List({far}), id("Form2.X.In")}); };
    struct TLink {
        const char* what;
        const char* reader;  // the component that reads the link
        const char* property;
        TFormValue value;
        bool farLoaded;  // the far end is A.Out, else Form2.X.Out
        bool multi;      // B.Mix holds the link, else B.In
    };
    const TLink links[] = {
        {"a sink and its source", "B", "In.SourcePin", withDependency(id("Form1.A.Out")), true, false},
        {"a source and its sink", "A", "Out.SinkPins",
         TFormValue::List({TFormValue::List({id("Form1.B.In"), id("Form2.X.In")})}), true, false},
        {"a multi-sink and its source", "B", "Mix.SourcePin",
         TFormValue::List({TFormValue::List({id("Form1.A.Out"), id("Form2.X.In")})}), true, true},
        {"a sink waiting for its source", "B", "In.SourcePin", withDependency(id("Form2.X.Out")), false, false},
        {"a multi-sink waiting for its source", "B", "Mix.SourcePin",
         TFormValue::List({TFormValue::List({id("Form2.X.Out"), id("Form2.X.In")})}), false, true},
    };
    enum class TEnd { Unlinked, SinkFreed, SourceFreed, FormFreed, DependencyLoaded };
    const std::pair<const char*, TEnd> ends[] = {
        {"unlinked", TEnd::Unlinked},         {"its sink freed", TEnd::SinkFreed},
        {"its source freed", TEnd::SourceFreed}, {"its form freed", TEnd::FormFreed},
        {"its DependsOn loaded", TEnd::DependencyLoaded},
    };
    for (const TLink& link : links) {
        for (const auto& [what, end] : ends) {
            if (end == TEnd::SourceFreed && !link.farLoaded)
                continue;
            SCOPED_TRACE(std::string(link.what) + ", " + what);
            ASSERT_EQ(OWPlaceholderCount(), 0);
            auto form = std::make_unique<TTestForm>(nullptr, "Form1");
            TDataScope& a = *MakeComponent<TDataScope>(*form, "A");
            TDataScope& b = *MakeComponent<TDataScope>(*form, "B");
            TOWBasicPin& sink = link.multi ? static_cast<TOWBasicPin&>(*b.Mix()) : *b.In();
            // Loading, as a form read is: a source admits a DependsOn it
            // does not feed yet.
            a.SetLoading(true);
            b.SetLoading(true);
            TReader().ReadProperties(link.reader[0] == 'A' ? a : b, {{link.property, link.value}});
            a.SetLoading(false);
            b.SetLoading(false);
            ASSERT_EQ(OWPlaceholderCount(), link.farLoaded ? 1 : 2);
            if (link.farLoaded) {
                ASSERT_EQ(sink.GetLinkCount(), 1);
                ASSERT_EQ(sink.GetLink(0), a.Out());
            }
            switch (end) {
            case TEnd::Unlinked:
                sink.DisconnectAll();
                break;
            case TEnd::SinkFreed:
                FreeObject(&b);
                break;
            case TEnd::SourceFreed:
                FreeObject(&a);
                break;
            case TEnd::FormFreed:
                form.reset();
                break;
            case TEnd::DependencyLoaded: {
                TTestForm form2(nullptr, "Form2");
                TDataScope& x = *MakeComponent<TDataScope>(form2, "X");
                x.In()->ResolvePlaceholders();
                if (link.farLoaded) {
                    EXPECT_EQ(sink.GetLinkDependsOn(0), x.In());
                } else {
                    // A DependsOn is a sink served before, by the same source.
                    ASSERT_TRUE(x.In()->Connect(x.Out()));
                    x.Out()->ResolvePlaceholders();
                    ASSERT_EQ(sink.GetLinkCount(), 1);
                    EXPECT_EQ(sink.GetLinkDependsOn(0), x.In());
                }
                EXPECT_EQ(OWPlaceholderCount(), 0);
                break;
            }
            }
            EXPECT_EQ(OWPlaceholderCount(), 0);
        }
    }
    // Two links naming the same DependsOn: it lasts until the second goes.
    TTestForm form(nullptr, "Form1");
    TDataScope& a = *MakeComponent<TDataScope>(form, "A");
    TDataScope& b = *MakeComponent<TDataScope>(form, "B");
    a.SetLoading(true);
    TReader().ReadProperties(a, {{"Out.SinkPins", TFormValue::List({TFormValue::List({id("Form1.B.In"), id("Form2.X.In")}),
                                                                    TFormValue::List({id("Form1.B.Mix"), id("Form2.X.In")})})}});
    a.SetLoading(false);
    ASSERT_EQ(OWPlaceholderCount(), 1);
    b.In()->DisconnectAll();
    EXPECT_EQ(OWPlaceholderCount(), 1);
    ASSERT_NE(b.Mix()->GetLinkDependsOn(0), nullptr);
    EXPECT_EQ(b.Mix()->GetLinkDependsOn(0)->GetIndexPath(true), "Form2.X.In");
    b.Mix()->DisconnectAll();
    EXPECT_EQ(OWPlaceholderCount(), 0);
}

} // namespace

namespace {

TEST_F(DataLinkStreaming, TheLinkReaderNeverLinksAWrongKindOfPinOnRandomAndMutatedValues)
{
    std::vector<TFormProperty> seeds;
    {
        TTestForm form(nullptr, "Form1");
        TDataScope& a = *MakeComponent<TDataScope>(form, "A");
        TDataScope& b = *MakeComponent<TDataScope>(form, "B");
        ASSERT_TRUE(b.In()->ConnectData(a.Out(), nullptr));
        ASSERT_TRUE(a.In()->Connect(b.Out()));
        ASSERT_TRUE(a.InC()->Connect(b.OutB()));
        TDataScope& c = *MakeComponent<TDataScope>(form, "C");
        ASSERT_TRUE(c.In()->ConnectData(a.Out(), b.In()));
        for (const TFormObject& stored : Written(form).children)
            seeds.insert(seeds.end(), stored.properties.begin(), stored.properties.end());
    }
    ASSERT_GT(seeds.size(), 5u);
    const std::vector<std::string> properties{"Out.SinkPins", "In.SourcePin", "InC.StateConverter", "Out.Form",
                                              "State.State", "OutB.SinkPins", "Mix.SourcePin"};
    TValueFuzzer fuzz(7121, {"nil", "Sinks", "Sources", "State", "Form1.B.In", "Form1.B.Out", "Form1.A.In",
                             "Form1.A.Out", "Form1.B.InC", "Form1.B.Mix", "Form1.B.State", "Form2.X.Out",
                             "Form1.A.", "", GuidToString(typeB), GuidToString(typeC), "Form1Link1"});
    int refused = 0;
    for (int round = 0; round < 4000; ++round) {
        TTestForm form(nullptr, "Form1");
        TDataScope& a = *MakeComponent<TDataScope>(form, "A");
        TDataScope& b = *MakeComponent<TDataScope>(form, "B");
        if (fuzz.ReadOne(a, round, seeds, properties))
            ++refused;
        for (TDataScope* s : {&a, &b}) {
            for (TTestSinkPin* sink : {s->In(), s->InC()}) {
                if (TOWBasicPin* source = sink->GetSource()) {
                    EXPECT_NE(source->GetSinkKind(), TOWPinKind::Sink) << "a sink fed by a sink";
                    EXPECT_NE(source, sink);
                }
            }
            for (int i = 0; i < s->Mix()->GetSourceCount(); ++i)
                EXPECT_NE(s->Mix()->GetSourceAt(i)->GetSinkKind(), TOWPinKind::Sink) << "a multi-sink fed by a sink";
            for (TTestSourcePin* source : {s->Out(), s->OutB()}) {
                for (int i = 0; i < source->GetSinkCount(); ++i)
                    EXPECT_NE(source->GetSink(i)->GetSinkKind(), TOWPinKind::Source) << "a source feeding a source";
            }
        }
        if (round % 500 == 499)
            owPlaceholderDetail::FreeAll();
    }
    EXPECT_GT(refused, 400);
    EXPECT_LT(refused, 3800);
}

} // namespace
