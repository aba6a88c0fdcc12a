#pragma once
// Components for the tests of pin paths and link streaming: pins published
// directly, inside sub-objects and in pin lists, and forms as roots.
#include "OWPinTestSupport.h"

#include "framework/ClassLibrary/ClassLibraryErrors.h"
#include "framework/ClassLibrary/ComponentClasses.h"
#include "framework/ClassLibrary/FormStream.h"
#include "framework/pins/OWPinLookup.h"
#include "framework/pins/OWUnloadedPin.h"

#include <random>

namespace owLinkTest {

using namespace owPinTest;

class TTestForm : public TPinOwner {
public:
    explicit TTestForm(TComponent* owner, std::string name = {}) : TPinOwner(owner, std::move(name)) {}
    static const TClassInfo& StaticClassInfo()
    {
        static const TClassInfo info("TTestForm", &TComponent::StaticClassInfo(), {});
        return info;
    }
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    TComponentRole Role() const override { return TComponentRole::Form; }
};

// A sub-object holding a pin and possibly a deeper sub-object.
class TPinGroup : public TPersistent {
public:
    TPinGroup(TPinOwner& owner, int depth)
        : clock_(MakeStatePin(owner)), inner_(depth > 0 ? MakeObject<TPinGroup>(owner, depth - 1) : nullptr)
    {
    }
    static const TClassInfo& StaticClassInfo()
    {
        static const TClassInfo info("TPinGroup", &TPersistent::StaticClassInfo(),
                                     {Published<&TPinGroup::Clock, nullptr>("Clock"),
                                      Published<&TPinGroup::Inner, nullptr>("Inner")});
        return info;
    }
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    TTestStatePin* Clock() const { return clock_.get(); }
    TPinGroup* Inner() const { return inner_.get(); }

private:
    TOwned<TTestStatePin> clock_;
    TOwned<TPinGroup> inner_;
};

// Pins every way a component can hold them: Clock directly, Inputs.Clock one
// level down, Deep.Inner.Clock two levels down (path Inner.Clock), Other.
// Inner.Clock with the same nearest path, and the list InputPins.
class TScope : public TPinOwner {
public:
    explicit TScope(TComponent* owner, std::string name = {}, int listed = 0)
        : TPinOwner(owner, std::move(name)), clock_(MakeStatePin(*this)), inputs_(MakeObject<TPinGroup>(*this, 0)),
          deep_(MakeObject<TPinGroup>(*this, 1)), other_(MakeObject<TPinGroup>(*this, 1)),
          list_(MakeObject<TOWPinList>(this, true, &OwnerLock()))
    {
        for (int i = 0; i < listed; ++i)
            list_->AddPin(MakeStatePin(*this).release(), {});
    }
    static const TClassInfo& StaticClassInfo()
    {
        static const TClassInfo info("TScope", &TComponent::StaticClassInfo(),
                                     {Published<&TScope::Clock, nullptr>("Clock"),
                                      Published<&TScope::Inputs, nullptr>("Inputs"),
                                      Published<&TScope::Deep, nullptr>("Deep"),
                                      Published<&TScope::Other, nullptr>("Other"),
                                      Published<&TScope::InputPins, nullptr>("InputPins")});
        return info;
    }
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    void BeforeDestruction() override
    {
        list_.reset();
        TPinOwner::BeforeDestruction();
    }
    TTestStatePin* Clock() const { return clock_.get(); }
    TPinGroup* Inputs() const { return inputs_.get(); }
    TPinGroup* Deep() const { return deep_.get(); }
    TPinGroup* Other() const { return other_.get(); }
    TOWPinList* InputPins() const { return list_.get(); }
    // The list goes before its owner does.
    void FreeInputPins() { list_.reset(); }

private:
    TOwned<TTestStatePin> clock_;
    TOwned<TPinGroup> inputs_;
    TOwned<TPinGroup> deep_;
    TOwned<TPinGroup> other_;
    TOwned<TOWPinList> list_;
};

// A scope made by a form stream reader: three listed pins.
class TListedScope : public TScope {
public:
    explicit TListedScope(TComponent* owner) : TScope(owner, {}, 3) {}
    static const TClassInfo& StaticClassInfo()
    {
        static const TClassInfo info("TListedScope", &TScope::StaticClassInfo(), {});
        return info;
    }
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
};

// A form written and read back through the form stream.
inline TFormObject Written(TComponent& root)
{
    return TWriter().WriteComponent(root);
}

inline void ReadInto(TComponent& root, const TFormObject& form)
{
    TReader().ReadComponent(root, form);
}

// The property of the object's stored properties, or null.
inline const TFormProperty* StoredProperty(const TFormObject& object, const std::string& name)
{
    for (const TFormProperty& p : object.properties) {
        if (p.name == name)
            return &p;
    }
    return nullptr;
}

inline const TFormObject* StoredChild(const TFormObject& form, const std::string& name)
{
    for (const TFormObject& child : form.children) {
        if (child.name == name)
            return &child;
    }
    return nullptr;
}

} // namespace owLinkTest

#include "OWStreamPinTestSupport.h"

namespace owLinkTest {

// Data pins published one by one: Out (typeA), OutB (typeB), In (typeA),
// InC (typeC, reached from typeB through the test converter), Mix (a typeA
// multi-sink) and a state pin speaking typeB.
class TDataScope : public TPinOwner {
public:
    explicit TDataScope(TComponent* owner, std::string name = {})
        : TPinOwner(owner, std::move(name)),
          out_(MakeObject<TTestSourcePin>(this, &OwnerLock(), std::vector<TGUID>{typeA})),
          outB_(MakeObject<TTestSourcePin>(this, &OwnerLock(), std::vector<TGUID>{typeB})),
          in_(MakeObject<TTestSinkPin>(this, &OwnerLock(), std::vector<TGUID>{typeA})),
          inC_(MakeObject<TTestSinkPin>(this, &OwnerLock(), std::vector<TGUID>{typeC})),
          mix_(MakeObject<TTestMultiSinkPin>(this, &OwnerLock(), std::vector<TGUID>{typeA})),
          state_(MakeStatePin(*this, {typeB}, {typeB}))
    {
    }
    static const TClassInfo& StaticClassInfo()
    {
        static const TClassInfo info("TDataScope", &TComponent::StaticClassInfo(),
                                     {Published<&TDataScope::Out, nullptr>("Out"),
                                      Published<&TDataScope::OutB, nullptr>("OutB"),
                                      Published<&TDataScope::In, nullptr>("In"),
                                      Published<&TDataScope::InC, nullptr>("InC"),
                                      Published<&TDataScope::Mix, nullptr>("Mix"),
                                      Published<&TDataScope::State, nullptr>("State")});
        return info;
    }
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    TTestSourcePin* Out() const { return out_.get(); }
    TTestSourcePin* OutB() const { return outB_.get(); }
    TTestSinkPin* In() const { return in_.get(); }
    TTestSinkPin* InC() const { return inC_.get(); }
    TTestMultiSinkPin* Mix() const { return mix_.get(); }
    TTestStatePin* State() const { return state_.get(); }

    // Links are there by the time a form's components are told they loaded.
    void Loaded() override
    {
        SourceWhenLoaded = in_->GetSource();
        TPinOwner::Loaded();
    }
    TOWBasicPin* SourceWhenLoaded = nullptr;

private:
    TOwned<TTestSourcePin> out_;
    TOwned<TTestSourcePin> outB_;
    TOwned<TTestSinkPin> in_;
    TOwned<TTestSinkPin> inC_;
    TOwned<TTestMultiSinkPin> mix_;
    TOwned<TTestStatePin> state_;
};

// Data pins in an owning list "Pins": a typeB source named Out, then two
// unnamed typeA sinks.
class TListedData : public TPinOwner {
public:
    explicit TListedData(TComponent* owner, std::string name = {})
        : TPinOwner(owner, std::move(name)), list_(MakeObject<TOWPinList>(this, true, &OwnerLock()))
    {
        list_->AddPin(MakeObject<TTestSourcePin>(this, &OwnerLock(), std::vector<TGUID>{typeB}).release(), "Out");
        for (int i = 0; i < 2; ++i)
            list_->AddPin(MakeObject<TTestSinkPin>(this, &OwnerLock(), std::vector<TGUID>{typeA}).release(), {});
    }
    static const TClassInfo& StaticClassInfo()
    {
        static const TClassInfo info("TListedData", &TComponent::StaticClassInfo(),
                                     {Published<&TListedData::Pins, nullptr>("Pins")});
        return info;
    }
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    void BeforeDestruction() override
    {
        list_.reset();
        TPinOwner::BeforeDestruction();
    }
    TOWPinList* Pins() const { return list_.get(); }
    TOWSourcePin* Out() const { return static_cast<TOWSourcePin*>(list_->Items(0)); }
    TOWSinkPin* In(int i) const { return static_cast<TOWSinkPin*>(list_->Items(1 + i)); }

private:
    TOwned<TOWPinList> list_;
};

// The links of every pin of the root's components, as text: each link with
// its DependsOn, each dispatcher with its size, each source's converters.
inline std::vector<std::string> LinksOf(TComponent& root)
{
    std::vector<std::string> links;
    for (int c = 0; c < root.ComponentCount(); ++c) {
        TComponent& component = *root.Components(c);
        std::vector<TOWPinPathItem> pins;
        ListPins(component, "TOWPin", pins, true);
        for (const TOWPinPathItem& item : pins) {
            TOWBasicPin& pin = *item.Pin;
            const std::string at = component.Name() + "." + item.Path;
            for (int i = 0; i < pin.GetLinkCount(); ++i) {
                TOWBasicPin* far = pin.GetLink(i);
                TOWBasicPin* dependsOn = pin.GetLinkDependsOn(i);
                links.push_back(at + " - " + (far ? far->GetIndexPath(true) : "?") +
                                (dependsOn ? " after " + dependsOn->GetIndexPath(true) : ""));
            }
            if (auto dispatcher = pin.GetDispatcher())
                links.push_back(at + " in " + dispatcher->Name() + " of " + std::to_string(dispatcher->Count()));
            if (auto* source = dynamic_cast<TOWSourcePin*>(&pin); source && source->ConverterCount() > 0)
                links.push_back(at + " converters " + std::to_string(source->ConverterCount()));
        }
    }
    std::sort(links.begin(), links.end());
    return links;
}

// Random link values, and one-change mutations of valid ones.
class TValueFuzzer {
public:
    // idents: the identifiers (and strings) the values are made of; the
    // first four are the keywords of link values.
    TValueFuzzer(unsigned seed, std::vector<std::string> idents) : random_(seed), idents_(std::move(idents)) {}

    TFormValue Random(int depth)
    {
        switch (pick(depth > 0 ? 6 : 5)) {
        case 0:
            return TFormValue::Ident(idents_[pick(idents_.size())]);
        case 1: {
            TFormValue v = TFormValue::Of(TValueType::String);
            v.text = pick(2) ? "Form1Link1" : idents_[pick(idents_.size())];
            return v;
        }
        case 2: {
            TFormValue v = TFormValue::Of(TValueType::Integer);
            v.integer = static_cast<std::int64_t>(random_());
            return v;
        }
        case 3:
            return TFormValue::Of(pick(2) ? TValueType::True : TValueType::Nil);
        case 4:
            return TFormValue::Ident(idents_[pick(4)]);
        default: {
            std::vector<TFormValue> items(pick(6));
            for (TFormValue& item : items)
                item = Random(depth - 1);
            return TFormValue::List(std::move(items));
        }
        }
    }

    // One change somewhere in the tree: an item dropped, doubled, swapped
    // for a random one, or wrapped in a list.
    void Mutate(TFormValue& value)
    {
        TFormValue* at = &value;
        while (at->type == TValueType::List && !at->items.empty() && pick(2))
            at = &at->items[pick(at->items.size())];
        switch (pick(4)) {
        case 0:
            if (at->type == TValueType::List && !at->items.empty())
                at->items.erase(at->items.begin() + static_cast<std::ptrdiff_t>(pick(at->items.size())));
            break;
        case 1:
            if (at->type == TValueType::List && !at->items.empty())
                at->items.push_back(at->items[pick(at->items.size())]);
            break;
        case 2:
            *at = Random(2);
            break;
        default:
            *at = TFormValue::List({*at});
            break;
        }
    }

    std::size_t pick(std::size_t n) { return n ? random_() % n : 0; }

    // Reads one value into target: a mutated seed on odd rounds, a random
    // value of one of the properties on even ones. True when the reader
    // refused it (any other exception fails the caller).
    bool ReadOne(TPersistent& target, int round, const std::vector<TFormProperty>& seeds,
                 const std::vector<std::string>& properties)
    {
        std::vector<TFormProperty> stream;
        if (round % 2) {
            TFormProperty p = seeds[pick(seeds.size())];
            Mutate(p.value);
            stream.push_back(std::move(p));
        } else {
            stream.push_back({properties[pick(properties.size())], Random(4)});
        }
        try {
            TReader().ReadProperties(target, stream);
        } catch (const EReadError&) {
            return true;
        }
        return false;
    }

private:
    std::mt19937 random_;
    std::vector<std::string> idents_;
};

} // namespace owLinkTest
