// The parts the source and sink pins are built from: dependency lists, entry
// lists, converters, and the dispatcher's helpers.
#include "framework/OWPinTestSupport.h"

#include "framework/pins/OWFormatConverter.h"
#include "framework/pins/OWPinEntryList.h"
#include "framework/pins/OWUnloadedPin.h"

using namespace owPinTest;

namespace {

// A stream pin that records what it is told about dependencies and sends.
class TTestStreamPin : public TOWStreamPin {
public:
    explicit TTestStreamPin(TComponent* owner) : TOWStreamPin(owner, nullptr) {}
    TOWPinKind GetSinkKind() override { return TOWPinKind::Sink; }
    bool IsFunctionDependentDeep(TOWBasicPin*) override { return false; }
    void AddFunctionDependency(TOWStreamPin& sink) override { functionDependencies.push_back(&sink); }
    void DependencyAdded(TOWDependencyKind kind, TOWStreamPin& source) override { told.push_back({kind, &source, true}); }
    void DependencyRemoved(TOWDependencyKind kind, TOWStreamPin& source) override { told.push_back({kind, &source, false}); }
    bool SendOperation(const TOWNotifyOperationRef& operation) override
    {
        sent.push_back(operation);
        return true;
    }

    struct TTold {
        TOWDependencyKind kind;
        TOWStreamPin* source;
        bool added;
    };
    std::vector<TOWStreamPin*> functionDependencies;
    std::vector<TTold> told;
    std::vector<TOWNotifyOperationRef> sent;
};

class TTestConverter : public TOWFormatConverter {
public:
    static const TClassInfo& StaticClassInfo()
    {
        static const TClassInfo info("TTestConverter", &TOWFormatConverter::StaticClassInfo(), {});
        return info;
    }
    TTestConverter()
    {
        auto input = MakeObject<TTestStreamPin>(this);
        auto output = MakeObject<TTestStreamPin>(this);
        in = input.get();
        out = output.get();
        InitPins(std::move(input), std::move(output));
    }
    TTestStreamPin* in;
    TTestStreamPin* out;
};

class PinParts : public ::testing::Test {
protected:
    TPinOwner form{nullptr, "Form1"};
    TPinOwner& scope = *MakeComponent<TPinOwner>(form, "Scope1");
};

TEST_F(PinParts, DependencyListsKeepEachSinkOnceAndTellIt)
{
    auto source = MakeObject<TTestStreamPin>(&scope);
    auto sink = MakeObject<TTestStreamPin>(&scope);
    for (TOWDependencyKind kind : {TOWDependencyKind::Function, TOWDependencyKind::DataType}) {
        sink->told.clear();
        TOWSinkPinList list(*source, kind);
        list.Add(nullptr);
        list.Add(sink.get());
        list.Add(sink.get());
        EXPECT_EQ(list.Count(), 1);
        EXPECT_TRUE(list.Contains(sink.get()));
        EXPECT_EQ(Use(list.Items(0)).Get(), sink.get());
        list.Remove(sink.get());
        list.Remove(sink.get());
        EXPECT_EQ(list.Count(), 0);
        ASSERT_EQ(sink->told.size(), 2u);
        EXPECT_TRUE(sink->told[0].added);
        EXPECT_FALSE(sink->told[1].added);
        for (const auto& t : sink->told) {
            EXPECT_EQ(t.kind, kind);
            EXPECT_EQ(t.source, source.get());
        }
    }
    // A listed sink that is destroyed cannot be used through the list.
    TOWFunctionSinkPinList functions(*source);
    functions.Add(sink.get());
    sink.reset();
    EXPECT_FALSE(Use(functions.Items(0)));
}

TEST_F(PinParts, EntriesKeepTheirIdsWhereverTheyMove)
{
    auto a = MakeStatePin(scope);
    auto b = MakeStatePin(scope);
    TOWPinEntryList entries;
    TOWPinEntry first;
    first.Sink = a->Borrow();
    TOWPinEntry second;
    second.Sink = b->Borrow();
    const std::uint64_t firstId = entries.Add(first).Id;
    const std::uint64_t secondId = entries.Add(second).Id;
    entries.Add(first);
    EXPECT_NE(firstId, secondId);
    EXPECT_EQ(entries.IndexOfSink(a.get()), 2) << "the last entry of the sink";
    entries.Exchange(0, 1);
    EXPECT_EQ(entries.IndexOfId(firstId), 1);
    entries.Delete(0);
    EXPECT_EQ(entries.IndexOfId(secondId), -1);
    EXPECT_EQ(entries.IndexOfId(firstId), 0);

    auto visited = TOWObjectList::Create();
    EXPECT_TRUE(visited->Add(a.get()));
    EXPECT_FALSE(visited->Add(a.get()));
    visited->AddList(TOWObjectList::Create());
    EXPECT_EQ(visited->ListCount(), 1);
}

TEST_F(PinParts, AConverterOrdersItsOutputAfterItsInputAndForwardsUpstream)
{
    auto converter = OWConverterClassOf<TTestConverter>()->create();
    auto* made = static_cast<TTestConverter*>(converter.get());
    EXPECT_EQ(made->out->functionDependencies, std::vector<TOWStreamPin*>{made->in});
    const TOWNotifyOperationRef query = OWMakeOperation<TOWQueryStreamOperation>();
    EXPECT_TRUE(made->ForwardUpstream(query));
    ASSERT_EQ(made->in->sent.size(), 1u);
    EXPECT_EQ(made->in->sent[0], query);
    // The pins go with the converter.
    const TOWBorrowed<TOWBasicPin> input = made->in->Borrow();
    converter.reset();
    EXPECT_FALSE(Use(input));
}

TEST_F(PinParts, DriversAndDependenciesInADispatcherNeverLoop)
{
    // Owners of their own, so that the paths differ.
    auto a = MakeStatePin(scope);
    auto b = MakeStatePin(*MakeComponent<TPinOwner>(form, "B"));
    auto c = MakeStatePin(*MakeComponent<TPinOwner>(form, "C"));
    auto outsider = MakeStatePin(scope);
    ASSERT_TRUE(a->Connect(b.get()));
    ASSERT_TRUE(c->Connect(a.get()));
    auto dispatcher = a->GetDispatcher();
    dispatcher->SetDriver(b.get(), a->GetPath(true));
    dispatcher->SetDriver(c.get(), b->GetPath(true));
    EXPECT_EQ(dispatcher->DriverOf(c.get()), b.get());
    struct Case {
        const char* what;
        TOWBasicPin* x;
        TOWBasicPin* y;
        bool canDrive;
    };
    const Case cases[] = {
        {"nobody", a.get(), nullptr, true},
        {"itself", a.get(), a.get(), false},
        {"a non-member", a.get(), outsider.get(), false},
        {"the end of a chain", c.get(), a.get(), true},
        {"a chain leading back", a.get(), c.get(), false},
    };
    for (const Case& k : cases)
        EXPECT_EQ(dispatcher->CanDrive(k.x, k.y), k.canDrive) << k.what;
    // A link with a DependsOn is admitted when the DependsOn is a member whose
    // dependencies do not lead back.
    EXPECT_TRUE(a->CanLink(outsider.get(), b.get(), true));
    EXPECT_FALSE(a->CanLink(b.get(), b.get(), true));
    EXPECT_FALSE(a->CanLink(b.get(), outsider.get(), true));
    EXPECT_FALSE(outsider->CanLink(a.get(), b.get(), true)) << "no dispatcher to ask";
    auto x = MakeStatePin(*MakeComponent<TPinOwner>(form, "X"));
    ASSERT_TRUE(x->ConnectData(a.get(), b.get()));
    EXPECT_TRUE(dispatcher->HasLink(x.get(), b.get()));
    EXPECT_EQ(x->GetDependsOn(x.get()), b.get());
    EXPECT_FALSE(a->CanLink(b.get(), x.get(), true)) << "x depends on b";
    // Leaving clears the drivers it gave.
    b->DisconnectAll();
    EXPECT_EQ(dispatcher->DriverOf(c.get()), nullptr);
    EXPECT_FALSE(dispatcher->MembersInDifferentRoots());

    dispatcher->MarkVisited(a.get());
    dispatcher->MarkVisited(a.get());
    EXPECT_TRUE(dispatcher->IsVisited(a.get()));
    EXPECT_EQ(dispatcher->VisitCount(), 2);
    dispatcher->ClearVisited();
    EXPECT_FALSE(dispatcher->IsVisited(a.get()));
}

TEST_F(PinParts, ADispatcherKeptOnlyByItsConvertersDissolvesWhenItsLastEndLeaves)
{
    // A sink fed by a state converter names the dispatcher; the converter's
    // input is the only member. They hold each other, so the dispatcher must
    // dissolve by itself when the sink leaves.
    struct Case {
        const char* what;
        bool withLinkingPin;
    };
    for (const Case c : {Case{"the sink alone", false}, Case{"a linking pin too", true}}) {
        SCOPED_TRACE(c.what);
        auto sink = MakeStatePin(scope);
        auto linking = MakeStatePin(scope);
        TOWBorrowed<TOWBasicPin> input;
        {
            TOWStateDispatcherRef dispatcher = TOWStateDispatcher::Create("Fed", false);
            TOwned<TOWFormatConverter> converter = OWConverterClassOf<TTestConverter>()->create();
            input = converter->InputPin()->Borrow();
            ASSERT_TRUE(converter->InputPin()->EnterDispatcher(dispatcher.Get(), nullptr));
            dispatcher->AddConverter(std::move(converter));
            if (c.withLinkingPin) {
                ASSERT_TRUE(linking->EnterDispatcher(dispatcher.Get(), nullptr));
            }
            sink->SetDispatcher(dispatcher);
        }
        ASSERT_TRUE(FindDispatcher("Fed", false));
        sink->DisconnectAll();
        EXPECT_FALSE(FindDispatcher("Fed", false));
        EXPECT_FALSE(Use(input)) << "the converter went with the dispatcher";
        EXPECT_FALSE(linking->HasDispatcher());
        EXPECT_FALSE(sink->HasDispatcher());
    }
}

TEST_F(PinParts, AStatePinsLinkTextLinksByDispatcherNameOrPath)
{
    auto a = MakeStatePin(scope);
    auto b = MakeStatePin(scope);
    auto c = MakeStatePin(scope);
    ASSERT_TRUE(a->Connect(b.get()));
    const std::string name = a->GetDispatcher()->Name();
    struct Case {
        const char* what;
        std::string text;
        bool linked;
        TOWBasicPin* partner;
    };
    const Case cases[] = {
        {"a dispatcher's name", name, true, a.get()},
        {"(Disconnected)", "(Disconnected)", false, nullptr},
        {"a path without root", b->GetPath(false), true, b.get()},
        {"a path with root", b->GetPath(true), true, b.get()},
        {"nothing there", "Scope1.Nowhere", false, nullptr},
        {"empty", "", false, nullptr},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        c->SetLinkText(&form, k.text);
        EXPECT_EQ(c->HasDispatcher(), k.linked);
        if (k.partner) {
            EXPECT_TRUE(c->IsLinkedWith(k.partner));
        }
        c->DisconnectAll();
    }
}

TEST_F(PinParts, APlaceholderRecordsItsPartnersOnceAndForgetsDestroyedOnes)
{
    TOWUnloadedPin* standIn = TOWUnloadedPin::Create("Form1.X._Pin0", "Form1.X.Pin [0]", "Form1.Scope1.Y", "Form1",
                                                     TOWPinKind::Sink, false);
    auto partner = MakeStatePin(scope);
    auto dependsOn = MakeStatePin(scope);
    EXPECT_TRUE(partner->ConnectData(standIn, nullptr));
    EXPECT_TRUE(standIn->ConnectData(partner.get(), dependsOn.get()));
    EXPECT_EQ(standIn->GetLinkCount(), 1);
    EXPECT_EQ(standIn->GetSinkKind(), TOWPinKind::Sink);
    EXPECT_EQ(standIn->GetPath(false), "X.Pin [0]");
    EXPECT_EQ(standIn->GetIndexPath(true), "Form1.X._Pin0");
    EXPECT_EQ(OWFindPlaceholder("Form1", "Form1.X._Pin0"), standIn);
    EXPECT_EQ(OWFindPlaceholder("Form2", "Form1.X._Pin0"), nullptr);
    EXPECT_FALSE(standIn->ReleaseIfUnused()) << "it still holds a link";
    auto second = MakeStatePin(scope);
    EXPECT_TRUE(second->ConnectData(standIn, nullptr));
    partner.reset();
    EXPECT_EQ(standIn->GetLinkCount(), 1);
    EXPECT_FALSE(standIn->ReleaseIfUnused()) << "a link still waits on it";
    // With its last partner nothing waits on it: it goes too.
    second.reset();
    EXPECT_EQ(OWFindPlaceholder("Form1", "Form1.X._Pin0"), nullptr);
}

} // namespace
