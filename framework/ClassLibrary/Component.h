#pragma once
// Components: named objects that own other components and free them with
// themselves. A component made with an owner joins the owner's list and is
// freed by it; freeing it earlier takes it out of the list.
//
// Threads: an owner's list of components and its name index are guarded by
// a lock of the owner's own, so any threads may insert, remove, rename, look
// up and free components of one owner at once (handlers freeing or renaming
// their own components). A component leaves its owner's list as its
// destruction is claimed (FreeObject), and the claim is taken under that
// lock: of two threads freeing it at once (its owner's destruction and a
// handler of its own) the first frees it and the other leaves it alone. It
// keeps its owner (Owner) until it is gone, and an owner's destruction waits
// for those that other threads are freeing (a thread freeing a pin that such
// an owner's destruction holds a use of does not wait for that use, as it
// would not for the pin's own handler). The lock is a leaf: nothing is
// called out to while it is held (no handler, destructor, notification or
// other lock), except that a walk down a tree holds an owner's and then an
// owned component's (TOwnedComponents).
#include "framework/ClassLibrary/ComponentNames.h"
#include "framework/ClassLibrary/Persistent.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

class TReader;
class TComponent;
// Called for each child a component streams.
using TGetChildProc = std::function<void(TComponent& child)>;

struct TComponentState {
    bool loading = false;
    // Read by threads whose pins go while a form is being freed elsewhere.
    std::atomic<bool> destroying{false};
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

    // A use of the component by a thread that reads it without holding its
    // owner's list (a look-up by path): granted until the component's
    // destruction is claimed, which then waits for the uses of other
    // threads to end before anything of the component goes (WaitForUses;
    // a thread that waits for a use the freeing thread holds aside). Ended
    // on the thread that took it. TComponentUse pairs the two.
    bool TryUse() noexcept;
    void EndUse() noexcept;
    void WaitForUses() override;

    TComponent* Owner() const { return owner_.load(std::memory_order_acquire); }
    TPersistent* GetOwner() const override { return Owner(); }
    // Another thread reads a component's name only under its owner's lock
    // (FindOwned, TOwnedComponents), which a rename takes.
    const std::string& Name() const { return name_; }
    virtual void SetName(const std::string& name);

    // Components whose destruction has begun are not counted or listed.
    int ComponentCount() const { return count_.load(std::memory_order_acquire); }
    TComponent* Components(int index) const;
    // A copy of the list, for callers that call out as they go through it;
    // the components may be freed meanwhile (the caller's business).
    std::vector<TComponent*> OwnedComponents() const;
    // The owned components, each with a use taken while the list is held:
    // none of them goes while the caller holds these.
    std::vector<class TComponentUse> UsedComponents() const;
    // The first owned component of that name (exact match), or null.
    TComponent* FindOwned(std::string_view name) const;
    // Takes over ownership of component (from its former owner, if any).
    void InsertComponent(TComponent& component);
    // Gives up ownership; the component then has no owner.
    void RemoveComponent(TComponent& component);
    // Frees the owned components, last first, each outside the lock; then
    // waits for those that other threads are freeing to be gone.
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
    friend class TOwnedComponents;

    bool claimDestruction();

    // Under ownedGuard_: takes component out of the list for freeing by
    // the calling thread.
    void takeOut(TComponent& component);
    // Under ownedGuard_, after every change of the list.
    void listChanged();

    mutable std::mutex ownedGuard_;
    std::atomic<TComponent*> owner_{nullptr};
    std::string name_;
    std::vector<TComponent*> components_;
    std::atomic<int> count_{0};
    // Set as a component joins; cleared only by DestroyComponents once it
    // finds nothing left under the lock, so that the owner's destruction
    // never skips the lock while a thread that took a component out is
    // still letting go of it.
    std::atomic<bool> mayHold_{false};
    TComponentNames names_;
    // Taken out of the list to be freed and not gone yet: they still call on
    // their owner as they go.
    std::vector<TComponent*> leaving_;
    // Under the owner's lock (without an owner, the freeing thread's own):
    // whether this component's destruction has been claimed, and by which
    // thread.
    bool claimed_ = false;
    std::thread::id freer_;
    // Set on the freeing thread as it takes the component out of its
    // owner's list: until the component is gone that thread counts it among
    // its uses, so that its waits do not wait for an owner's destruction
    // that waits for it.
    bool countedByFreer_ = false;
    // Uses of other threads (TryUse), refused once the destruction has been
    // claimed.
    std::atomic<std::int32_t> uses_{0};
    std::atomic<bool> usesRefused_{false};
    TComponentState state_;
};

// A use of a component held for a scope (TComponent::TryUse); converts to
// false when refused.
class TComponentUse {
public:
    TComponentUse() = default;
    explicit TComponentUse(TComponent* component) noexcept : component_(component && component->TryUse() ? component : nullptr) {}
    TComponentUse(TComponentUse&& other) noexcept : component_(std::exchange(other.component_, nullptr)) {}
    TComponentUse& operator=(TComponentUse&& other) noexcept
    {
        TComponentUse(std::move(other)).swap(*this);
        return *this;
    }
    TComponentUse(const TComponentUse&) = delete;
    TComponentUse& operator=(const TComponentUse&) = delete;
    ~TComponentUse()
    {
        if (component_)
            component_->EndUse();
    }
    explicit operator bool() const noexcept { return component_ != nullptr; }
    TComponent* Get() const noexcept { return component_; }
    TComponent& operator*() const noexcept { return *component_; }

private:
    void swap(TComponentUse& other) noexcept { std::swap(component_, other.component_); }
    TComponent* component_ = nullptr;
};

// An owner's list held still while it is read: no component joins, leaves or
// is renamed in it meanwhile, and none of those listed is being freed. The
// lists of an owner and of the components it owns may be held together, the
// owner's first, as a walk down a tree does.
class TOwnedComponents {
public:
    explicit TOwnedComponents(const TComponent& owner) : hold_(owner.ownedGuard_), list_(&owner.components_) {}
    std::vector<TComponent*>::const_iterator begin() const { return list_->begin(); }
    std::vector<TComponent*>::const_iterator end() const { return list_->end(); }

private:
    std::unique_lock<std::mutex> hold_;
    const std::vector<TComponent*>* list_;
};

// Makes a component that its owner frees.
template<class T, class... Args>
T* MakeComponent(TComponent& owner, Args&&... args)
{
    return MakeObject<T>(&owner, std::forward<Args>(args)...).release();
}
