#include "framework/OWLinkTestSupport.h"

#include "framework/pins/OWUnloadedPin.h"

using namespace owLinkTest;

namespace {

class SinkPins : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterTestConverter(); }

    TPinOwner form{nullptr, "Form1"};
    TStreamOwner& scope = *MakeComponent<TStreamOwner>(form, "Scope1");
    TStreamOwner& probe = *MakeComponent<TStreamOwner>(form, "Probe1");

    TTestMultiSinkPin& MultiSink(std::vector<TGUID> accepts)
    {
        multi.push_back(MakeObject<TTestMultiSinkPin>(&probe, &probe.OwnerLock(), std::move(accepts)));
        return *multi.back();
    }
    std::vector<TOwned<TTestMultiSinkPin>> multi;

    // Form2 as stored, with the data pins of Remote1: read it to load the far
    // ends that links wait for.
    static TFormObject StoredRemoteForm()
    {
        RegisterComponentClass<TDataScope>();
        TTestForm remote(nullptr, "Form2");
        MakeComponent<TDataScope>(remote, "Remote1");
        return Written(remote);
    }
};

// ------------------------------------------------------------ multi-sinks

TEST_F(SinkPins, AMultiSinkHearsEverySourceAndSendsUpstreamToEach)
{
    auto& first = scope.Source({typeA});
    auto& offersNothing = scope.Source({});
    auto& converted = scope.Source({typeB});
    auto& sink = MultiSink({typeA, typeC});
    ASSERT_TRUE(sink.ConnectData(&first, nullptr));
    EXPECT_EQ(sink.GetTypeCaption(), "Type A");
    EXPECT_FALSE(sink.ConnectData(&offersNothing, nullptr));
    ASSERT_TRUE(sink.ConnectData(&converted, nullptr));
    EXPECT_TRUE(sink.ConnectData(&first, nullptr));
    EXPECT_EQ(sink.GetSourceCount(), 2);
    EXPECT_EQ(converted.ConverterCount(), 1);
    EXPECT_EQ(sink.GetTypeCaption(), "Multiple...");
    EXPECT_EQ(sink.GetLinkText(), "( 2 Links )");

    auto fromFirst = NewOperation();
    auto fromConverted = NewOperation();
    first.SendOperation(fromFirst);
    converted.SendOperation(fromConverted);
    EXPECT_EQ(sink.Serials(), (std::vector<std::uint32_t>{fromFirst->OperationObject().SerialNumber(),
                                                          fromConverted->OperationObject().SerialNumber()}));

    // Upstream: once to each source, the converted one through its converter.
    sink.SendOperation(NewOperation());
    EXPECT_EQ(first.upstreamCount.load(), 1);
    EXPECT_EQ(converted.upstreamCount.load(), 1);

    // One source leaves: each side is told once, the other stays.
    converted.Disconnect(&sink);
    EXPECT_EQ(sink.linkRemoved.load(), 1);
    EXPECT_EQ(converted.linkRemoved.load(), 1);
    EXPECT_EQ(converted.ConverterCount(), 0);
    EXPECT_EQ(sink.GetLinkText(), "Scope1.Pins._Pin0");
    EXPECT_EQ(sink.GetTypeCaption(), "Type A");
    // A source destroyed leaves no entry behind.
    std::erase_if(scope.sources, [&](const auto& p) { return p.get() == &first; });
    EXPECT_EQ(sink.GetSourceCount(), 0);
    EXPECT_EQ(sink.GetLinkText(), "(Disconnected)");
}

TEST_F(SinkPins, AnUpstreamLoopThroughAMultiSinkEndsWithTheNestingError)
{
    auto& source = scope.Source({typeA});
    auto& sink = MultiSink({typeA});
    ASSERT_TRUE(sink.ConnectData(&source, nullptr));
    source.onUpstream = [&](const TOWNotifyOperationRef& operation) { return sink.SendOperation(operation); };
    EXPECT_THROW(sink.SendOperation(NewOperation()), EOWException);
    EXPECT_EQ(sink.Nesting(), 0);
    source.onUpstream = nullptr;
    sink.SendOperation(NewOperation());
    EXPECT_EQ(source.upstreamCount.load(), 202);
}

std::vector<TOWBasicPin*> sourcesOf(TOWMultiSinkPin& sink)
{
    std::vector<TOWBasicPin*> sources;
    for (int i = 0; i < sink.GetSourceCount(); ++i)
        sources.push_back(sink.GetSourceAt(i));
    return sources;
}

TEST_F(SinkPins, AMultiSinkAssignedTakesTheOtherOnesSourcesWithTheirDependencies)
{
    auto& first = scope.Source({typeA});
    auto& second = scope.Source({typeA});
    auto& own = scope.Source({typeA});
    auto& before = probe.Sink({typeA});
    ASSERT_TRUE(before.ConnectData(&first, nullptr));
    auto& other = MultiSink({typeA});
    ASSERT_TRUE(other.ConnectData(&second, nullptr));
    ASSERT_TRUE(other.ConnectData(&first, &before));
    auto& unlinked = MultiSink({typeA});
    struct Case {
        const char* what;
        const TPersistent* from; // null: the pin itself
        std::vector<TOWBasicPin*> sources;
        bool refused;
    } const cases[] = {
        {"another multi-sink", &other, {&second, &first}, false},
        {"an unlinked multi-sink", &unlinked, {}, false},
        {"itself", nullptr, {&own}, false},
        {"a plain sink", &before, {&own}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto& sink = MultiSink({typeA});
        ASSERT_TRUE(sink.ConnectData(&own, nullptr));
        const TPersistent& from = c.from ? *c.from : sink;
        if (c.refused)
            EXPECT_THROW(sink.Assign(from), EConvertError);
        else
            sink.Assign(from);
        EXPECT_EQ(sourcesOf(sink), c.sources);
        // Both sides of every link agree, the dependency included.
        for (TOWBasicPin* source : c.sources) {
            EXPECT_TRUE(source->IsLinkedWith(&sink));
            EXPECT_EQ(sink.GetDependsOn(source), source == &first ? &before : nullptr);
            EXPECT_EQ(source->GetDependsOn(&sink), source == &first ? &before : nullptr);
        }
        EXPECT_EQ(own.IsLinkedWith(&sink), c.sources == std::vector<TOWBasicPin*>{&own});
        sink.DisconnectAll();
    }
    EXPECT_EQ(sourcesOf(other), (std::vector<TOWBasicPin*>{&second, &first}));
}

// A multi-sink whose source is not loaded yet waits for it on a placeholder.
// A copy of it waits the same way (after the sources it has already), without
// the pending links of its own, and both are linked once the source's form is
// read.
TEST_F(SinkPins, AMultiSinkAssignedTakesTheOtherOnesPendingLinksAsPendingLinks)
{
    const TFormObject storedRemote = StoredRemoteForm();
    auto& loaded = scope.Source({typeA});
    struct Case {
        const char* what;
        bool otherHasLoadedSource;
        bool copyWaitsOnItsOwn;
    } const cases[] = {
        {"a pending link", false, false},
        {"a pending link after a linked source", true, false},
        {"the copy's own pending link let go", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int before = OWPlaceholderCount();
        auto& other = MultiSink({typeA, typeC});
        if (c.otherHasLoadedSource) {
            ASSERT_TRUE(other.Connect(&loaded));
        }
        ASSERT_TRUE(ConnectByPath(other, nullptr, "Form2.Remote1.Out", {}));
        auto& copy = MultiSink({typeA, typeC});
        if (c.copyWaitsOnItsOwn) {
            ASSERT_TRUE(ConnectByPath(copy, nullptr, "Form2.Remote1.OutB", {}));
        }
        copy.Assign(other);
        {
            TTestForm remote(nullptr, "Form2");
            ReadInto(remote, storedRemote);
            TOWBasicPin* out = dynamic_cast<TDataScope&>(*remote.Components(0)).Out();
            const std::vector<TOWBasicPin*> expected =
                c.otherHasLoadedSource ? std::vector<TOWBasicPin*>{&loaded, out} : std::vector<TOWBasicPin*>{out};
            EXPECT_EQ(sourcesOf(other), expected);
            EXPECT_EQ(sourcesOf(copy), expected);
            EXPECT_EQ(OWPlaceholderCount(), before);
        }
        EXPECT_EQ(sourcesOf(copy), c.otherHasLoadedSource ? std::vector<TOWBasicPin*>{&loaded}
                                                           : std::vector<TOWBasicPin*>{});
        other.DisconnectAll();
        copy.DisconnectAll();
    }
}

// A placeholder lives while a link waits on it: once the last pin linked to
// it is freed, links elsewhere or lets go, it is gone.
TEST_F(SinkPins, APlaceholderGoesWithTheLastLinkWaitingOnIt)
{
    auto& loaded = scope.Source({typeA});
    enum class TEnd { Freed, Relinked, Disconnected, OneOfTwoFreed };
    const std::pair<const char*, TEnd> cases[] = {
        {"the sink freed", TEnd::Freed},
        {"the sink linked to a loaded source", TEnd::Relinked},
        {"the sink disconnected", TEnd::Disconnected},
        {"one of two sinks freed", TEnd::OneOfTwoFreed},
    };
    for (const auto& [what, end] : cases) {
        SCOPED_TRACE(what);
        const int before = OWPlaceholderCount();
        auto& sink = probe.Sink({typeA});
        auto& stays = probe.Sink({typeA});
        ASSERT_TRUE(ConnectByPath(sink, nullptr, "Form2.Remote1.Out", {}));
        if (end == TEnd::OneOfTwoFreed) {
            ASSERT_TRUE(ConnectByPath(stays, nullptr, "Form2.Remote1.Out", {}));
        }
        ASSERT_EQ(OWPlaceholderCount(), before + 1);
        switch (end) {
        case TEnd::Freed:
        case TEnd::OneOfTwoFreed:
            std::erase_if(probe.sinks, [&](const auto& p) { return p.get() == &sink; });
            break;
        case TEnd::Relinked:
            ASSERT_TRUE(sink.Connect(&loaded));
            break;
        case TEnd::Disconnected:
            sink.DisconnectAll();
            break;
        }
        EXPECT_EQ(OWPlaceholderCount(), before + (end == TEnd::OneOfTwoFreed ? 1 : 0));
        if (end == TEnd::OneOfTwoFreed) {
            ASSERT_NE(dynamic_cast<TOWUnloadedPin*>(stays.GetLinkedPin()), nullptr);
            EXPECT_EQ(stays.GetLinkedPin()->GetLinkCount(), 1);
        }
        stays.DisconnectAll();
        EXPECT_EQ(OWPlaceholderCount(), before);
    }
}

// DisconnectAll lets go of every link, those waiting for a far end not
// loaded yet too: nothing is left to write, and the far end's form read
// later links nothing.
TEST_F(SinkPins, DisconnectAllLetsGoOfLinksWaitingForTheirFarEnds)
{
    const TFormObject storedRemote = StoredRemoteForm();
    auto& loaded = scope.Source({typeA});
    auto& loadedSink = probe.Sink({typeA});
    auto& plain = probe.Sink({typeA});
    auto& multiSink = MultiSink({typeA});
    auto& source = scope.Source({typeA});
    struct Case {
        const char* what;
        TOWBasicPin* pin;
        TOWBasicPin* loadedFarEnd;  // linked too, or null
    } const cases[] = {
        {"a sink", &plain, nullptr},
        {"a multi-sink", &multiSink, nullptr},
        {"a multi-sink with a loaded source", &multiSink, &loaded},
        {"a source with a loaded sink", &source, &loadedSink},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int before = OWPlaceholderCount();
        if (c.loadedFarEnd) {
            ASSERT_TRUE(c.pin->Connect(c.loadedFarEnd));
        }
        if (c.pin == &source) {
            TOWUnloadedPin* far =
                TOWUnloadedPin::Make("Form2.Remote1.In", "Form2.Remote1.In", {}, "Form2", TOWPinKind::Sink, false).Get();
            ASSERT_TRUE(source.Connect(far));
        } else {
            ASSERT_TRUE(ConnectByPath(*c.pin, nullptr, "Form2.Remote1.Out", {}));
        }
        ASSERT_EQ(TOWUnloadedPin::PendingLinksOf(*c.pin).size(), 1u);
        c.pin->DisconnectAll();
        EXPECT_FALSE(c.pin->IsConnected());
        EXPECT_EQ(c.pin->GetLinkCount(), 0);
        EXPECT_TRUE(TOWUnloadedPin::PendingLinksOf(*c.pin).empty());
        EXPECT_FALSE(c.pin->HasLinksToWrite());
        EXPECT_EQ(OWPlaceholderCount(), before);
        TTestForm remote(nullptr, "Form2");
        ReadInto(remote, storedRemote);
        EXPECT_EQ(c.pin->GetLinkCount(), 0);
        auto& remoteScope = dynamic_cast<TDataScope&>(*remote.Components(0));
        EXPECT_FALSE(remoteScope.Out()->IsLinkedWith(c.pin));
        EXPECT_FALSE(remoteScope.In()->IsLinkedWith(c.pin));
    }
}

TEST_F(SinkPins, AMultiSinkRestrictsCandidatesToWhatEverySourceSupplies)
{
    // A component whose output offers what its input receives, fed typeA.
    auto& passIn = scope.Sink({typeA, typeB, typeC});
    auto& passOut = scope.Source({typeA, typeB});
    passOut.DataTypeDependencies().Add(&passIn);
    auto& feedA = probe.Source({typeA});
    ASSERT_TRUE(passIn.ConnectData(&feedA, nullptr));
    auto& offersAB = scope.Source({typeA, typeB});
    auto& offersBA = scope.Source({typeB, typeA});
    auto& offersBC = scope.Source({typeB, typeC});
    struct Case {
        const char* what;
        std::vector<TTestSourcePin*> sources;
        std::vector<TGUID> candidates, expected;
    } const cases[] = {
        {"no source: the candidates stay", {}, {typeC, typeA, typeB}, {typeC, typeA, typeB}},
        {"one source: its types in its order", {&offersBA}, {typeA, typeB, typeC}, {typeB, typeA}},
        {"the first source orders", {&offersAB, &offersBA}, {typeC, typeB, typeA}, {typeA, typeB}},
        {"only what both supply", {&offersAB, &offersBC}, {typeA, typeB, typeC}, {typeB}},
        {"through a component: what reaches its input", {&offersAB, &passOut}, {typeA, typeB, typeC}, {typeA}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto& sink = MultiSink({typeA, typeB, typeC});
        for (TTestSourcePin* source : c.sources)
            ASSERT_TRUE(sink.ConnectData(source, nullptr));
        TOWPinTypeRestricted list;
        for (const TGUID& type : c.candidates)
            list.Add(type, {});
        sink.RestrictTypes(list);
        EXPECT_EQ(TypesOf(list), c.expected);
        sink.DisconnectAll();
    }
}

// ------------------------------------------------------------ captions

TEST_F(SinkPins, ASinkNamesTheTypeItReceives)
{
    auto& sink = probe.Sink({typeA, typeC});
    EXPECT_EQ(sink.GetTypeCaption(), "NIL ID");
    auto& source = scope.Source({typeB});
    ASSERT_TRUE(sink.ConnectData(&source, nullptr));
    EXPECT_EQ(sink.GetTypeCaption(), "Type C");
    EXPECT_EQ(sink.GetSourceTypeCaption(), "Type C");
    EXPECT_TRUE(sink.IsLinkedThroughConverter(&source));
    sink.DisconnectAll();
    EXPECT_EQ(sink.GetTypeCaption(), "NIL ID");
}

// ------------------------------------------------------------ types through a component

struct TPassThroughCase {
    const char* name;
    std::vector<TGUID> upstreamOffers; // empty: the component's input is not linked
    TGUID linkedType;
};

class PassThrough : public SinkPins, public ::testing::WithParamInterface<TPassThroughCase> {};

TEST_P(PassThrough, WhatAComponentOffersFollowsWhatReachesItsInput)
{
    // A component whose output offers whatever its input receives.
    auto& in = scope.Sink({typeA, typeB, typeC});
    auto& out = scope.Source({typeA, typeB});
    out.DataTypeDependencies().Add(&in);
    ASSERT_EQ(in.DataTypeDependents().size(), 1u);
    if (!GetParam().upstreamOffers.empty()) {
        auto& up = probe.Source(GetParam().upstreamOffers);
        ASSERT_TRUE(in.ConnectData(&up, nullptr));
    }
    auto& down = probe.Sink({typeA, typeB});
    ASSERT_TRUE(down.ConnectData(&out, nullptr));
    EXPECT_EQ(down.GetStreamType(nullptr), GetParam().linkedType);
    EXPECT_EQ(out.GetStreamType(&down), GetParam().linkedType);
}

INSTANTIATE_TEST_SUITE_P(Cases, PassThrough,
                         ::testing::Values(TPassThroughCase{"InputUnlinked", {}, typeB},
                                           TPassThroughCase{"InputFedA", {typeA}, typeA},
                                           TPassThroughCase{"InputFedAAndB", {typeA, typeB}, typeB}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace

namespace {

struct TClosedFormCase {
    const char* what;
    const char* sourceName;  // null: the source is a published pin
    bool afterAnotherEntry;
    const char* namePath;
    const char* indexPath;
};

class ClosedSourceForm : public SinkPins, public ::testing::WithParamInterface<TClosedFormCase> {
protected:
    // Form2 with Remote1 holding the source: in its list (after another
    // entry) or as a published pin.
    struct TRemoteForm {
        TOwned<TPinOwner> form = MakeObject<TPinOwner>(nullptr, "Form2");
        TTestSourcePin* source = nullptr;
    };
    static TRemoteForm MakeRemoteForm()
    {
        TRemoteForm made;
        if (!GetParam().sourceName) {
            auto& remote = *MakeComponent<TDataScope>(*made.form, "Remote1");
            remote.SetDesigning(true);
            made.source = remote.Out();
            return made;
        }
        auto& remote = *MakeComponent<TStreamOwner>(*made.form, "Remote1");
        remote.SetDesigning(true);
        if (GetParam().afterAnotherEntry)
            remote.Sink({typeA}, "Before");
        made.source = &remote.Source({typeA}, GetParam().sourceName);
        return made;
    }
};

TEST_P(ClosedSourceForm, LeavesAPlaceholderWithTheWholePathThatLinksTheSourceAgainWhenTheFormComesBack)
{
    probe.SetDesigning(true);
    auto& sink = probe.Sink({typeA}, "In");
    const int placeholders = OWPlaceholderCount();
    {
        TRemoteForm closing = MakeRemoteForm();
        ASSERT_TRUE(sink.ConnectData(closing.source, nullptr));
    }
    auto* placeholder = dynamic_cast<TOWUnloadedPin*>(sink.GetLinkedPin());
    ASSERT_NE(placeholder, nullptr);
    EXPECT_EQ(placeholder->RootNameText(), "Form2");
    EXPECT_EQ(placeholder->NamePathText(), GetParam().namePath);
    EXPECT_EQ(placeholder->IndexPathText(), GetParam().indexPath);
    EXPECT_EQ(sink.GetSource(), nullptr);
    EXPECT_EQ(OWPlaceholderCount(), placeholders + 1);
    EXPECT_EQ(sink.linkRemoved.load(), 1);

    TRemoteForm again = MakeRemoteForm();
    again.source->ResolvePlaceholders();
    EXPECT_EQ(sink.GetSource(), again.source);
    EXPECT_EQ(OWPlaceholderCount(), placeholders);
    sink.DisconnectAll();
    EXPECT_EQ(sink.GetLinkedPin(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ClosedSourceForm,
    ::testing::Values(
        TClosedFormCase{"Named", "Out", false, "Form2.Remote1.Pins.Out", "Form2.Remote1.Pins._Pin0"},
        TClosedFormCase{"NamedSecond", "Out", true, "Form2.Remote1.Pins.Out", "Form2.Remote1.Pins._Pin1"},
        TClosedFormCase{"UnnamedSecond", "", true, "Form2.Remote1.Pins.Pin [1]", "Form2.Remote1.Pins._Pin1"},
        TClosedFormCase{"Published", nullptr, false, "Form2.Remote1.Out", "Form2.Remote1.Out"}),
    [](const auto& info) { return std::string(info.param.what); });

} // namespace

namespace {

// What CanLinkType answers before it looks at types: no pin, the pin itself
// and a pin of the other design mode are refused, for both sink kinds.
TEST_F(SinkPins, LinkTypeChecksRefuseWhatCannotMeet)
{
    auto& designed = *MakeComponent<TStreamOwner>(form, "Designed1");
    designed.SetDesigning(true);
    auto& runTimeSource = scope.Source({typeA});
    auto& designSource = designed.Source({typeA});
    auto& designSink = designed.Sink({typeA}, "In");
    TOWBasicSinkPin& sink = probe.Sink({typeA}, "In");
    TOWBasicSinkPin& multiSink = MultiSink({typeA});
    struct Case {
        const char* what;
        TOWBasicPin* from;
        TOWBasicPin* to;
        bool linkable;
    };
    const Case cases[] = {
        {"sink, source of its mode", &sink, &runTimeSource, true},
        {"multi-sink, source of its mode", &multiSink, &runTimeSource, true},
        {"design-time sink, design-time source", &designSink, &designSource, true},
        {"sink, design-time source", &sink, &designSource, false},
        {"multi-sink, design-time source", &multiSink, &designSource, false},
        {"design-time sink, run-time source", &designSink, &runTimeSource, false},
        {"sink, nothing", &sink, nullptr, false},
        {"multi-sink, nothing", &multiSink, nullptr, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.from->CanLinkTypeAtAll(c.to), c.linkable);
    }
}

} // namespace
