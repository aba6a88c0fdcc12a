#pragma once
// Components: named objects that own other components and free them with
// themselves. A component made with an owner joins the owner's list and is
// freed by it; freeing it earlier takes it out of the list.
#include "framework/ClassLibrary/ComponentNames.h"
#include "framework/ClassLibrary/Persistent.h"

#include <functional>
#include <string>
#include <vector>

class TReader;
class TComponent;
// Called for each child a component streams.
using TGetChildProc = std::function<void(TComponent& child)>;

struct TComponentState {
    bool loading = false;
    bool destroying = false;
    bool designing = false;
};

// What a component is as the root of a tree of components.
enum class TComponentRole : std::uint8_t { Plain, Application, Form, DataModule, Frame };

class TComponent : public TPersistent {
public:
    explicit TComponent(TComponent* owner);
    ~TComponent() override;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    // Marks the component as destroying and frees the components it owns while
    // it is still whole.
    void BeforeDestruction() override;

    TComponent* Owner() const { return owner_; }
    TPersistent* GetOwner() const override { return owner_; }
    const std::string& Name() const { return name_; }
    virtual void SetName(const std::string& name);

    int ComponentCount() const { return static_cast<int>(components_.size()); }
    TComponent* Components(int index) const { return components_.at(static_cast<std::size_t>(index)); }
    // The first owned component of that name (exact match), or null.
    TComponent* FindOwned(std::string_view name) const { return names_.First(name, components_); }
    // Takes over ownership of component (from its former owner, if any).
    void InsertComponent(TComponent& component);
    // Gives up ownership; the component then has no owner.
    void RemoveComponent(TComponent& component);
    void DestroyComponents();

    const TComponentState& ComponentState() const { return state_; }
    virtual TComponentRole Role() const { return TComponentRole::Plain; }
    // Called on each component of a tree once a form stream has been read.
    virtual void Loaded() { state_.loading = false; }

    // Streaming as a tree: a component is written with the children it names
    // here and read back through ReadState. By default the children are the
    // owned components that have no parent of their own (those are written as
    // children of their parent component instead).
    virtual void GetChildren(const TGetChildProc& proc, TComponent* root);
    // Reads this component's stored properties and children from the reader.
    virtual void ReadState(TReader& reader);
    // A component with a parent streams as that parent's child.
    virtual bool HasParent() const { return false; }
    virtual TComponent* GetParentComponent() const { return nullptr; }
    virtual void SetParentComponent(TComponent* parent) {}
    void SetLoading(bool loading) { state_.loading = loading; }
    void SetDesigning(bool designing) { state_.designing = designing; }

private:
    TComponent* owner_ = nullptr;
    std::string name_;
    std::vector<TComponent*> components_;
    TComponentNames names_;
    TComponentState state_;
};

// Makes a component that its owner frees.
template<class T, class... Args>
T* MakeComponent(TComponent& owner, Args&&... args)
{
    return MakeObject<T>(&owner, std::forward<Args>(args)...).release();
}
