#include "framework/OWLinkTestSupport.h"

using namespace owLinkTest;

namespace {

class PinPaths : public ::testing::Test {
protected:
    void TearDown() override { owPlaceholderDetail::FreeAll(); }

    TTestForm form{nullptr, "Form1"};
    TScope& scope = *MakeComponent<TScope>(form, "Scope1", 3);
    TOWPinList& list = *scope.InputPins();
    TOWPin* listed(int i) { return static_cast<TOWPin*>(list.Items(i)); }
};

TEST_F(PinPaths, NamesAndIndexFormsWithAndWithoutRoot)
{
    list.SetPinName(1, "Trigger");
    auto formPin = MakeStatePin(form);
    TTestStatePin* formPinRaw = formPin.get();
    // The form publishes no pin: its pin's property part is empty, but the
    // form's name comes twice with root.
    auto orphan = MakeObject<TOWStatePin>(nullptr, nullptr);
    struct Case {
        const char* what;
        TOWPin* pin;
        std::string indexPath;
        std::string namePath;
    };
    const Case cases[] = {
        {"unnamed list entry", listed(2), "Scope1.InputPins._Pin2", "Scope1.InputPins.Pin [2]"},
        {"named list entry", listed(1), "Scope1.InputPins._Pin1", "Scope1.InputPins.Trigger"},
        {"published pin", scope.Clock(), "Scope1.Clock", "Scope1.Clock"},
        {"one sub-object down", scope.Inputs()->Clock(), "Scope1.Inputs.Clock", "Scope1.Inputs.Clock"},
        {"two down: the nearest level names", scope.Deep()->Inner()->Clock(), "Scope1.Inner.Clock",
         "Scope1.Inner.Clock"},
        {"the same nearest path again: the full path", scope.Other()->Inner()->Clock(), "Scope1.Other.Inner.Clock",
         "Scope1.Other.Inner.Clock"},
        {"owned by the form", formPinRaw, "Form1.", "Form1."},
        {"no owner", orphan.get(), "(No owner)", "(No owner)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.pin->GetIndexPath(false), c.indexPath);
        EXPECT_EQ(c.pin->GetPath(false), c.namePath);
        if (c.pin->GetOwnerComponent()) {
            EXPECT_EQ(c.pin->GetIndexPath(true), "Form1." + c.indexPath);
            EXPECT_EQ(c.pin->GetPath(true), "Form1." + c.namePath);
        }
    }
    EXPECT_EQ(GetPinPath(nullptr, true, true), "");
}

TEST_F(PinPaths, EveryPathFindsItsOwnPinBackInBothFormsWithAndWithoutRoot)
{
    list.SetPinName(0, "Clock");  // a list entry named like a pin property
    std::vector<TOWPinPathItem> pins;
    ASSERT_TRUE(ListPins(scope, "TOWPin", pins, true));
    ASSERT_EQ(pins.size(), 9u);
    for (const TOWPinPathItem& item : pins) {
        auto* pin = static_cast<TOWPin*>(item.Pin);
        for (const std::string& path :
             {pin->GetIndexPath(true), pin->GetPath(true), pin->GetIndexPath(false), pin->GetPath(false)}) {
            SCOPED_TRACE(path);
            EXPECT_EQ(OWFindPinByPath(&form, path), pin);
        }
    }
    const std::string missing[] = {"Form1.Scope1.Nothing", "Form1.Nobody.Clock", "Form2.Scope1.Clock", "Scope1",
                                   "", "...", "Form1.Scope1.InputPins._Pin3", "Form1.Scope1.InputPins._Pin-1",
                                   "Form1.Scope1.Inner"};
    for (const std::string& path : missing)
        EXPECT_EQ(OWFindPinByPath(&form, path), nullptr) << path;
}

TEST_F(PinPaths, ListPinsFiltersByClassNameAndGivesBothForms)
{
    list.SetPinName(1, "Trigger");
    auto texts = [&](std::string_view className, bool indexForm) {
        std::vector<TOWPinPathItem> pins;
        ListPins(scope, className, pins, indexForm);
        std::vector<std::string> paths;
        for (const TOWPinPathItem& item : pins)
            paths.push_back(item.Path);
        return paths;
    };
    const std::vector<std::string> common{"Clock",       "Inputs.Clock", "Deep.Clock",
                                          "Inner.Clock", "Other.Clock",  "Other.Inner.Clock"};
    auto with = [&](std::vector<std::string> tail) {
        std::vector<std::string> all = common;
        all.insert(all.end(), tail.begin(), tail.end());
        return all;
    };
    EXPECT_EQ(texts("TOWStatePin", true), with({"InputPins._Pin0", "InputPins._Pin1", "InputPins._Pin2"}));
    EXPECT_EQ(texts("TOWPin", false), with({"InputPins.Pin [0]", "InputPins.Trigger", "InputPins.Pin [2]"}));
    EXPECT_TRUE(texts("TOWSourcePin", true).empty());
    EXPECT_TRUE(InheritsFromName(*scope.Clock(), "TOWBasicPin"));
    EXPECT_FALSE(InheritsFromName(*scope.Clock(), "TOWStatePinX"));
}

TEST_F(PinPaths, RootsAreFormsFramesDataModulesTheApplicationsChildrenAndOwnerlessComponents)
{
    class TRoleComponent : public TPinOwner {
    public:
        TRoleComponent(TComponent* owner, std::string name, TComponentRole role)
            : TPinOwner(owner, std::move(name)), role_(role)
        {
        }
        TComponentRole Role() const override { return role_; }

    private:
        TComponentRole role_;
    };
    auto app = MakeObject<TRoleComponent>(nullptr, "App", TComponentRole::Application);
    auto& main = *MakeComponent<TRoleComponent>(*app, "Main", TComponentRole::Plain);
    auto& frame = *MakeComponent<TRoleComponent>(main, "Frame1", TComponentRole::Frame);
    auto& module = *MakeComponent<TRoleComponent>(main, "Data1", TComponentRole::DataModule);
    auto& inFrame = *MakeComponent<TRoleComponent>(frame, "Knob", TComponentRole::Plain);
    auto& plain = *MakeComponent<TRoleComponent>(main, "Plain", TComponentRole::Plain);
    struct Case {
        TComponent* component;
        TComponent* root;
    };
    const Case cases[] = {{app.get(), app.get()},  {&main, &main},     {&frame, &frame},
                          {&module, &module},       {&inFrame, &frame}, {&plain, &main}};
    for (const Case& c : cases)
        EXPECT_EQ(FindRootOwner(c.component), c.root) << c.component->Name();
    auto knobPin = MakeStatePin(inFrame);
    EXPECT_EQ(knobPin->GetRootName(), "Frame1");
    // A frame's tree is its own: its components are not found through the
    // form that holds the frame.
    EXPECT_EQ(OWFindPinByPath(&main, "Main.Knob."), nullptr);
}

TEST_F(PinPaths, QualifyRewritesOnlyTheSavedRootFollowedByADot)
{
    struct Case {
        const char* formName;
        const char* rootName;
        const char* path;
        const char* expected;
    };
    const Case cases[] = {
        {"Form1", "Form1_1", "Form1.Scope1.Clock", "Form1_1.Scope1.Clock"},
        {"Form1", "Form1_1", "Form2.Scope1.Clock", "Form2.Scope1.Clock"},
        {"Form1", "Form1_1", "Form10.Scope1.Clock", "Form10.Scope1.Clock"},
        {"Form1", "Form1_1", "Form1", "Form1"},
        {"", "Form1_1", "Form1.Scope1.Clock", "Form1.Scope1.Clock"},
        {"Form1", "Form1", "Form1.Scope1.Clock", "Form1.Scope1.Clock"},
    };
    for (const Case& c : cases) {
        std::string path = c.path;
        QualifyPath(c.formName, c.rootName, path);
        EXPECT_EQ(path, c.expected) << c.formName << " -> " << c.rootName << ": " << c.path;
    }
}

TEST_F(PinPaths, LinkCandidatesAreThePinsTheAskerMayLinkToOwnComponentFirst)
{
    TScope& nested = *MakeComponent<TScope>(scope, "Nested");
    auto asker = MakeStatePin(form);
    auto paths = [&](unsigned flags, const std::string& prefix) {
        std::vector<TOWPinPathItem> candidates;
        EXPECT_TRUE(ListLinkCandidates(candidates, form, *asker, flags, prefix, "."));
        return candidates;
    };
    for (const unsigned flags : {0u, owCandidateConnectCheck}) {
        const auto candidates = paths(flags, {});
        ASSERT_EQ(candidates.size(), 15u) << flags;
        EXPECT_EQ(candidates[0].Path, "Scope1.Clock");
        EXPECT_EQ(candidates[0].Pin, scope.Clock());
        EXPECT_EQ(candidates[8].Path, "Scope1.InputPins.Pin [2]");
        EXPECT_EQ(candidates[9].Path, "Nested.Clock");
        EXPECT_EQ(candidates[9].Pin, nested.Clock());
    }
    const auto prefixed = paths(owCandidateIndexForm, "Form1");
    EXPECT_EQ(prefixed[8].Path, "Form1.Scope1.InputPins._Pin2");
    // A design-time component's pins are no run-time pin's candidates.
    nested.SetDesigning(true);
    EXPECT_EQ(paths(0, {}).size(), 9u);
}

TEST_F(PinPaths, StatePinLinkTextsAndLinkingByText)
{
    auto& second = *MakeComponent<TScope>(form, "Scope2");
    TTestStatePin* a = scope.Clock();
    TTestStatePin* b = second.Inputs()->Clock();
    EXPECT_EQ(a->GetLinkText(), "(Disconnected)");
    ASSERT_TRUE(a->SetLinkText(nullptr, "Scope2.Inputs.Clock"));
    EXPECT_EQ(a->GetLinkText(), "Form1.Scope2.Inputs.Clock");
    EXPECT_EQ(b->GetLinkText(), "Form1.Scope1.Clock");
    // A third member: the link text becomes the dispatcher's name.
    const std::string name = a->GetDispatcher()->Name();
    EXPECT_TRUE(second.Clock()->SetLinkText(nullptr, name));
    EXPECT_EQ(a->GetLinkText(), name);
    EXPECT_FALSE(listed(0)->SetLinkText(nullptr, "Scope9.Clock"));
    EXPECT_TRUE(a->SetLinkText(nullptr, "(Disconnected)"));
    EXPECT_FALSE(a->HasDispatcher());
}

} // namespace
