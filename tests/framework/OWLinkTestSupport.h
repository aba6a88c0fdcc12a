#pragma once
// Components for the tests of pin paths and link streaming: pins published
// directly, inside sub-objects and in pin lists, and forms as roots.
#include "OWPinTestSupport.h"

#include "framework/ClassLibrary/ClassLibraryErrors.h"
#include "framework/ClassLibrary/ComponentClasses.h"
#include "framework/ClassLibrary/FormStream.h"
#include "framework/OWPinLookup.h"
#include "framework/OWUnloadedPin.h"

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
