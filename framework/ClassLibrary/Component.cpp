#include "framework/ClassLibrary/Component.h"

#include "framework/ClassLibrary/FormStream.h"
#include "framework/ClassLibrary/TypeInfo.h"
#include "framework/locks/OWDestroyLock.h"

#include <algorithm>
#include <iterator>

const TClassInfo& TComponent::StaticClassInfo()
{
    static const TClassInfo info("TComponent", &TPersistent::StaticClassInfo(),
                                 {Published<&TComponent::Name, &TComponent::SetName>("Name")});
    return info;
}

TComponent::TComponent(TComponent* owner)
{
    claimDestruction_ = [](TObject& object) { return static_cast<TComponent&>(object).claimDestruction(); };
    if (owner)
        owner->InsertComponent(*this);
}

TComponent::~TComponent()
{
    DestroyComponents();
    if (TComponent* owner = Owner())
        owner->RemoveComponent(*this);
    if (countedByFreer_)
        owThreadUses::Pop(this);
}

void TComponent::BeforeDestruction()
{
    state_.destroying = true;
    DestroyComponents();
}

bool TComponent::claimDestruction()
{
    for (;;) {
        TComponent* owner = Owner();
        if (!owner) {
            if (claimed_)
                return false;
            claimed_ = true;
            freer_ = std::this_thread::get_id();
            usesRefused_.store(true, std::memory_order_seq_cst);
            return true;
        }
        const std::lock_guard hold(owner->ownedGuard_);
        // Handed over to another owner meanwhile: claim it there.
        if (Owner() != owner)
            continue;
        if (claimed_)
            return false;
        owner->takeOut(*this);
        return true;
    }
}

void TComponent::takeOut(TComponent& component)
{
    // From the back: the owner frees its components last first, so that
    // freeing all of them does not scan the list once per component.
    const auto it = std::find(components_.rbegin(), components_.rend(), &component);
    if (it != components_.rend()) {
        names_.Leaving(component);
        components_.erase(std::next(it).base());
    }
    leaving_.push_back(&component);
    listChanged();
    component.claimed_ = true;
    component.freer_ = std::this_thread::get_id();
    component.usesRefused_.store(true, std::memory_order_seq_cst);
    component.countedByFreer_ = true;
    owThreadUses::Push(&component);
}

bool TComponent::TryUse() noexcept
{
    // Sequentially consistent on both sides: either the freeing thread sees
    // this use or this use sees the claim.
    uses_.fetch_add(1, std::memory_order_seq_cst);
    if (usesRefused_.load(std::memory_order_seq_cst)) {
        uses_.fetch_sub(1, std::memory_order_seq_cst);
        return false;
    }
    owThreadUses::Push(&uses_);
    return true;
}

void TComponent::EndUse() noexcept
{
    owThreadUses::Pop(&uses_);
    uses_.fetch_sub(1, std::memory_order_seq_cst);
}

void TComponent::WaitForUses()
{
    // Refused at the claim already; here too for a component freed without.
    // Most components are never looked up: no wait is set up for them.
    usesRefused_.store(true, std::memory_order_seq_cst);
    if (uses_.load(std::memory_order_seq_cst) == 0)
        return;
    owThreadUses::WaitForOthers(
        &uses_, [this] { return uses_.load(std::memory_order_seq_cst); }, [] { return false; });
}

std::vector<TComponentUse> TComponent::UsedComponents() const
{
    const std::lock_guard hold(ownedGuard_);
    std::vector<TComponentUse> used;
    used.reserve(components_.size());
    for (TComponent* component : components_) {
        if (TComponentUse use(component); use)
            used.push_back(std::move(use));
    }
    return used;
}

void TComponent::SetName(const std::string& name)
{
    for (;;) {
        TComponent* owner = Owner();
        if (!owner) {
            if (name != name_)
                name_ = name;
            return;
        }
        const std::lock_guard hold(owner->ownedGuard_);
        if (Owner() != owner)
            continue;
        if (name == name_)
            return;
        // One being freed has left the list and its index already.
        if (claimed_) {
            name_ = name;
            return;
        }
        owner->names_.Leaving(*this);
        name_ = name;
        owner->names_.Renamed(*this, owner->components_);
        return;
    }
}

TComponent* TComponent::Components(int index) const
{
    const std::lock_guard hold(ownedGuard_);
    return components_.at(static_cast<std::size_t>(index));
}

std::vector<TComponent*> TComponent::OwnedComponents() const
{
    const std::lock_guard hold(ownedGuard_);
    return components_;
}

TComponent* TComponent::FindOwned(std::string_view name) const
{
    const std::lock_guard hold(ownedGuard_);
    return names_.First(name, components_);
}

void TComponent::InsertComponent(TComponent& component)
{
    TComponent* former = component.Owner();
    if (former == this)
        return;
    if (former)
        former->RemoveComponent(component);
    const std::lock_guard hold(ownedGuard_);
    components_.push_back(&component);
    listChanged();
    mayHold_.store(true, std::memory_order_release);
    names_.Appended(component);
    component.owner_.store(this, std::memory_order_release);
}

void TComponent::RemoveComponent(TComponent& component)
{
    const std::lock_guard hold(ownedGuard_);
    if (component.Owner() != this)
        return;
    if (component.claimed_) {
        // Taken out as it began to go; now it is gone.
        std::erase(leaving_, &component);
    } else if (const auto it = std::find(components_.rbegin(), components_.rend(), &component);
               it != components_.rend()) {
        names_.Leaving(component);
        components_.erase(std::next(it).base());
    }
    listChanged();
    component.owner_.store(nullptr, std::memory_order_release);
}

void TComponent::listChanged()
{
    count_.store(static_cast<int>(components_.size()), std::memory_order_release);
}

void TComponent::DestroyComponents()
{
    // Most components never own one: closing a form does not lock each.
    if (!mayHold_.load(std::memory_order_acquire))
        return;
    const std::thread::id self = std::this_thread::get_id();
    for (;;) {
        TComponent* next = nullptr;
        const TComponent* elsewhere = nullptr;
        {
            const std::lock_guard hold(ownedGuard_);
            if (!components_.empty()) {
                next = components_.back();
                takeOut(*next);
            } else {
                // Those this thread began to free further up its stack (a
                // handler in their destruction freeing this owner) cannot be
                // gone before this returns: they no longer call on it.
                std::erase_if(leaving_, [&](TComponent* c) {
                    if (c->freer_ != self)
                        return false;
                    c->owner_.store(nullptr, std::memory_order_release);
                    return true;
                });
                if (leaving_.empty()) {
                    mayHold_.store(false, std::memory_order_relaxed);
                    return;
                }
                elsewhere = leaving_.front();
            }
        }
        // Freed outside the lock: its destruction may call anything.
        if (next) {
            FreeClaimedObject(next);
        } else {
            // Its freer counts it among its uses: should that thread be
            // freeing a pin this one holds a use of (a handler of it freeing
            // this owner), it does not wait for this thread in turn.
            owThreadUses::WaitUntilNone(elsewhere, [&] {
                const std::lock_guard hold(ownedGuard_);
                return static_cast<std::int32_t>(std::ranges::count(leaving_, elsewhere));
            });
        }
    }
}

void TComponent::GetChildren(const TGetChildProc& proc, TComponent*)
{
    // A copy: a callback may reorder the owned components.
    const std::vector<TComponent*> owned = OwnedComponents();
    for (TComponent* c : owned)
        if (!c->HasParent())
            proc(*c);
}

void TComponent::ReadState(TReader& reader)
{
    reader.ReadData(*this);
}
