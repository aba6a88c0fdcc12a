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
    TSignalSource(TComponent* owner, std::string name)
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
    static void SetUpTestSuite() { StartPinsOnce(); }
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
// before (its lists' links then wait in slots no pin holds yet).
enum class ChartFormRead { WithChannels, Never, BeforeChannels };

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
    };
    for (const auto [label, otherForm, otherFormRead, chartFormRead] : cases) {
        SCOPED_TRACE(label);
        TFormObject storedCharts;
        TFormObject storedSources;
        {
            const auto form1 = form("Form1");
            const auto form2 = form("Form2");
            TSLScope& scope = chartIn(*form1, 2);
            TSignalSource& source = sourceIn(otherForm ? *form2 : *form1);
            ASSERT_TRUE(source.Out()->Connect(&scope.Channels.GetItem(1).InputPin()));
            ASSERT_TRUE(source.Out()->Connect(&scope.Channels.GetItem(0).XInputPin()));
            storedCharts = owLinkTest::Written(*form1);
            storedSources = owLinkTest::Written(*form2);

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
        TSignalSource& source = sourceIn(otherForm ? *form2 : *form1);
        if (otherFormRead)
            owLinkTest::ReadInto(*form2, storedSources);
        const bool early = chartFormRead == ChartFormRead::BeforeChannels;
        TSLScope& scope = chartIn(*form1, early ? 0 : 2);
        if (chartFormRead != ChartFormRead::Never)
            owLinkTest::ReadInto(*form1, storedCharts);
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
