#include "ScopeTestSupport.h"

#include "framework/OWLinkTestSupport.h"
#include "framework/streams/SLOWSourcePins.h"

#include <algorithm>

namespace zq::chart {
namespace {

using namespace testing;

using owLinkTest::TTestForm;

// A component publishing one real source, Out.
class TSignalSource : public owPinTest::TPinOwner {
public:
    explicit TSignalSource(TComponent* owner, std::string name = {})
        : TPinOwner(owner, std::move(name)), out_(MakeObject<TSLOWRealSourcePin>(this, &OwnerLock()))
    {
    }
    static const TClassInfo& StaticClassInfo()
    {
        static const TClassInfo info("TSignalSource", &TComponent::StaticClassInfo(),
                                     {Published<&TSignalSource::Out, nullptr>("Out")});
        return info;
    }
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    TSLOWRealSourcePin* Out() const { return out_.get(); }

private:
    TOwned<TSLOWRealSourcePin> out_;
};

enum class Input { Y, X };

TOWBasicPin& pinOf(TSLScope& scope, Input input, int channel)
{
    TSLScopeChannel& c = scope.Channels.GetItem(channel);
    return input == Input::Y ? static_cast<TOWBasicPin&>(c.InputPin()) : c.XInputPin();
}

class ScopePinOwner : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        StartPinsOnce();
        RegisterComponentClass<TSignalSource>();
        RegisterComponentClass<TSLScope>();
    }
    void TearDown() override { owPlaceholderDetail::FreeAll(); }

    // A chart named Scope1 with its channels, owned by the form.
    static TSLScope& chartIn(TComponent& form, int channels)
    {
        auto* scope = MakeComponent<TSLScope>(form);
        scope->SetName("Scope1");
        for (int i = 0; i < channels; ++i)
            scope->Channels.Add();
        return *scope;
    }
    static TSignalSource& sourceIn(TComponent& form) { return *MakeComponent<TSignalSource>(form, "Source1"); }
    static TOwned<TTestForm> form(const char* name) { return MakeObject<TTestForm>(nullptr, name); }
    // Form1 with a chart Scope1 of two channels, and Source1 (beside the chart
    // or in Form2) linked to channel 1's samples and channel 0's X values:
    // both forms as written.
    struct TStoredForms {
        TFormObject charts;
        TFormObject sources;
    };
    static TStoredForms storedLinkedChart(bool sourceBeside)
    {
        const auto form1 = form("Form1");
        const auto form2 = form("Form2");
        TSLScope& scope = chartIn(*form1, 2);
        TSignalSource& source = sourceIn(sourceBeside ? *form1 : *form2);
        EXPECT_TRUE(source.Out()->Connect(&scope.Channels.GetItem(1).InputPin()));
        EXPECT_TRUE(source.Out()->Connect(&scope.Channels.GetItem(0).XInputPin()));
        return {owLinkTest::Written(*form1), owLinkTest::Written(*form2)};
    }
    // The form's first component of that class.
    template<class T>
    static T& firstOf(TComponent& form)
    {
        for (int i = 0; i < form.ComponentCount(); ++i) {
            if (auto* found = dynamic_cast<T*>(form.Components(i)))
                return *found;
        }
        throw std::runtime_error("no such component");
    }
};

TEST_F(ScopePinOwner, ChannelPinsAreNamedByTheChartAndItsListsAndFoundByThosePaths)
{
    struct Case {
        Input input;
        int channel;
        const char* namePath;
        const char* indexPath;
    };
    constexpr Case cases[] = {
        {Input::Y, 0, "Scope1.InputPins.Channel0", "Scope1.InputPins._Pin0"},
        {Input::X, 1, "Scope1.XInputPins.Channel1", "Scope1.XInputPins._Pin1"},
        // An entry whose name was cleared is named by its index.
        {Input::Y, 2, "Scope1.InputPins.Pin [2]", "Scope1.InputPins._Pin2"},
    };
    const auto form1 = form("Form1");
    TSLScope& scope = chartIn(*form1, 3);
    scope.InputPins->SetPinName(2, "");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.namePath);
        auto& pin = dynamic_cast<TOWPin&>(pinOf(scope, c.input, c.channel));
        EXPECT_EQ(pin.GetOwnerComponent(), &scope);
        EXPECT_EQ(pin.GetPath(false), c.namePath);
        EXPECT_EQ(pin.GetIndexPath(false), c.indexPath);
        EXPECT_EQ(pin.GetPath(true), std::string("Form1.") + c.namePath);
        for (const std::string& path : {std::string(c.namePath), std::string(c.indexPath),
                                        std::string("Form1.") + c.namePath, std::string("Form1.") + c.indexPath})
            EXPECT_EQ(OWFindPinByPath(form1.get(), path), &pin) << path;
    }
    // A chart without an owner is its own root.
    TSLScope alone;
    alone.SetName("Scope1");
    alone.Channels.Add();
    EXPECT_EQ(alone.Channels.GetItem(0).InputPin().GetIndexPath(true), "Scope1.Scope1.InputPins._Pin0");
}

TEST_F(ScopePinOwner, ASourceListsAndConnectsToChannelsByTheirText)
{
    struct Case {
        bool sourceInOtherForm;
        const char* text;
        bool indexForm;
        Input input;
        int channel;
    };
    constexpr Case cases[] = {
        {false, "Scope1.InputPins.Channel1", false, Input::Y, 1},
        {false, "Scope1.XInputPins._Pin0", true, Input::X, 0},
        {true, "Form1.Scope1.InputPins.Channel0", false, Input::Y, 0},
        {true, "Form1.Scope1.XInputPins._Pin1", true, Input::X, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto form1 = form("Form1");
        const auto form2 = form("Form2");
        TSLScope& scope = chartIn(*form1, 2);
        TSignalSource& source = sourceIn(c.sourceInOtherForm ? *form2 : *form1);
        TComponent* root = c.sourceInOtherForm ? form1.get() : nullptr;

        std::vector<TOWPinPathItem> candidates;
        const unsigned flags = owCandidateConnectCheck | (c.indexForm ? owCandidateIndexForm : 0u);
        ASSERT_TRUE(ListLinkCandidates(candidates, *form1, *source.Out(), flags,
                                       c.sourceInOtherForm ? "Form1" : "", "."));
        TOWBasicPin& expected = pinOf(scope, c.input, c.channel);
        const auto listed = std::find_if(candidates.begin(), candidates.end(),
                                         [&](const TOWPinPathItem& item) { return item.Path == c.text; });
        ASSERT_NE(listed, candidates.end());
        EXPECT_EQ(listed->Pin, &expected);
        EXPECT_EQ(candidates.size(), 4u) << "both inputs of both channels";

        ASSERT_TRUE(ConnectByText(*source.Out(), root, c.text, c.indexForm));
        EXPECT_TRUE(source.Out()->IsLinkedWith(&expected));
        EXPECT_EQ(source.Out()->GetSinkCount(), 1);
    }
}

// When the chart's own form is read, if at all: with its channels made, or
// before (its lists' links then wait in slots no pin holds yet), and then
// even before the source's form made the source.
enum class ChartFormRead { WithChannels, Never, BeforeChannels, BeforeChannelsAndSource };

// A source linked to a channel of a chart is written with its form; read
// back into a fresh form, the link is there, once: made when the chart's form
// is read too, or when the channel is made after the source's form or the
// chart's own form was read.
TEST_F(ScopePinOwner, ALinkToAChannelSurvivesAFormRoundTrip)
{
    struct Case {
        const char* label;
        bool otherForm;
        bool otherFormRead;
        ChartFormRead chartFormRead;
    };
    constexpr Case cases[] = {
        {"source beside the chart", false, false, ChartFormRead::WithChannels},
        {"source in Form2, read first", true, true, ChartFormRead::WithChannels},
        {"channels made after the source's form was read", true, true, ChartFormRead::Never},
        {"channels made after the chart's form alone was read", true, false, ChartFormRead::BeforeChannels},
        {"source beside the chart, channels made after their form was read", false, false,
         ChartFormRead::BeforeChannels},
        {"channels made after both forms were read", true, true, ChartFormRead::BeforeChannels},
        {"channels made after the chart's form, then the source's were read", true, true,
         ChartFormRead::BeforeChannelsAndSource},
    };
    for (const auto [label, otherForm, otherFormRead, chartFormRead] : cases) {
        SCOPED_TRACE(label);
        const auto [storedCharts, storedSources] = storedLinkedChart(!otherForm);
        {
            const TFormObject* stored = owLinkTest::StoredChild(otherForm ? storedSources : storedCharts, "Source1");
            ASSERT_NE(stored, nullptr);
            const TFormProperty* sinks = owLinkTest::StoredProperty(*stored, "Out.SinkPins");
            ASSERT_NE(sinks, nullptr);
            ASSERT_EQ(sinks->value.items.size(), 2u);
            const TFormValue& first = sinks->value.items[0];
            ASSERT_EQ(first.items.size(), 2u) << "index path and name path";
            EXPECT_EQ(first.items[0].text, "Form1.Scope1.InputPins._Pin1");
            EXPECT_EQ(first.items[1].text, "Form1.Scope1.InputPins.Channel1");
        }
        const auto form1 = form("Form1");
        const auto form2 = form("Form2");
        // Read last, the source's form makes the source from its class name.
        const bool sourceLast = chartFormRead == ChartFormRead::BeforeChannelsAndSource;
        TSignalSource* made = sourceLast ? nullptr : &sourceIn(otherForm ? *form2 : *form1);
        if (otherFormRead && !sourceLast)
            owLinkTest::ReadInto(*form2, storedSources);
        const bool early = chartFormRead == ChartFormRead::BeforeChannels || sourceLast;
        TSLScope& scope = chartIn(*form1, early ? 0 : 2);
        if (chartFormRead != ChartFormRead::Never)
            owLinkTest::ReadInto(*form1, storedCharts);
        if (sourceLast)
            owLinkTest::ReadInto(*form2, storedSources);
        TSignalSource& source = made ? *made : firstOf<TSignalSource>(*form2);
        for (int i = 0; early && i < 2; ++i)
            scope.Channels.Add();

        EXPECT_EQ(scope.Channels.GetItem(1).InputPin().GetSource(), source.Out());
        EXPECT_EQ(scope.Channels.GetItem(0).XInputPin().GetSource(), source.Out());
        EXPECT_EQ(scope.Channels.GetItem(0).InputPin().GetSource(), nullptr);
        EXPECT_EQ(source.Out()->GetSinkCount(), 2);
        EXPECT_EQ(OWPlaceholderCount(), 0);
    }
}

} // namespace
} // namespace zq::chart

namespace zq::chart {
namespace {

using namespace testing;

// Where the source that a chart's stored lists name stands while the chart's
// form (Form1) is read: beside the chart (made by the reader, or before it),
// in Form2 (standing, read after Form1, or never there).
enum class SourceAt { Beside, BesideStanding, OtherForm, OtherFormReadAfter, Missing };
// What the chart is before its form is read: made by the reader, or made
// beforehand with that many channels.
constexpr int madeByReader = -1;


// A chart whose form is read before its channels all stand keeps its lists'
// links in placeholders standing for the slots. Freed (alone or with its
// form), it takes every one of them along, and the placeholders for a source
// not loaded go with the links that waited on them: a chart made later under
// the same path, with no form read, starts unlinked, whatever comes after.
TEST_F(ScopePinOwner, AFreedChartLeavesNoPlaceholderAndNoLinkForALaterChartOfItsPath)
{
    struct Case {
        const char* label;
        SourceAt source;
        int channelsBefore;  // madeByReader: the reader makes the chart
        int channelsAfter;   // made after the read, before the chart is freed
        bool wholeForm;
    };
    const Case cases[] = {
        {"source beside, chart made by the reader", SourceAt::Beside, madeByReader, 0, true},
        {"source beside, chart without channels", SourceAt::Beside, 0, 0, true},
        {"source standing beside, chart made by the reader", SourceAt::BesideStanding, madeByReader, 0, true},
        {"source in a standing form, chart freed alone", SourceAt::OtherForm, 0, 0, false},
        {"source in a standing form, whole form freed", SourceAt::OtherForm, 0, 0, true},
        {"source in a standing form, one channel made", SourceAt::OtherForm, 0, 1, false},
        {"source read after the chart, chart freed alone", SourceAt::OtherFormReadAfter, 0, 0, false},
        {"source read after the chart, one channel made", SourceAt::OtherFormReadAfter, 0, 1, true},
        {"source never loaded, chart freed alone", SourceAt::Missing, 0, 0, false},
        {"source never loaded, whole form freed", SourceAt::Missing, madeByReader, 0, true},
        {"source never loaded, one channel made", SourceAt::Missing, 0, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const bool beside = c.source == SourceAt::Beside || c.source == SourceAt::BesideStanding;
        const auto [storedCharts, storedSources] = storedLinkedChart(beside);
        // Each case on its own: what an earlier one left does not count.
        owPlaceholderDetail::FreeAll();
        auto form2 = form("Form2");
        if (c.source == SourceAt::OtherForm)
            sourceIn(*form2);
        auto form1 = form("Form1");
        if (c.source == SourceAt::BesideStanding)
            sourceIn(*form1);
        if (c.channelsBefore != madeByReader)
            chartIn(*form1, c.channelsBefore);
        owLinkTest::ReadInto(*form1, storedCharts);
        if (c.source == SourceAt::OtherFormReadAfter)
            owLinkTest::ReadInto(*form2, storedSources);
        TSLScope& read = firstOf<TSLScope>(*form1);
        for (int i = 0; i < c.channelsAfter; ++i)
            read.Channels.Add();
        if (c.wholeForm)
            form1.reset();
        else
            FreeObject(&read);
        EXPECT_EQ(OWPlaceholderCount(), 0);

        if (!form1)
            form1 = form("Form1");
        TSLScope& later = chartIn(*form1, 2);
        if (c.source == SourceAt::Missing)
            sourceIn(*form2).Out()->ResolvePlaceholders();
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(later.Channels.GetItem(i).InputPin().GetLinkedPin(), nullptr) << "channel " << i;
            EXPECT_EQ(later.Channels.GetItem(i).XInputPin().GetLinkedPin(), nullptr) << "channel " << i;
        }
        if (!beside) {
            EXPECT_EQ(firstOf<TSignalSource>(*form2).Out()->GetSinkCount(), 0);
        }
        EXPECT_EQ(OWPlaceholderCount(), 0);
    }
}

} // namespace
} // namespace zq::chart
