#include "framework/ClassLibrary/Component.h"

#include "framework/ClassLibrary/FormStream.h"
#include "framework/ClassLibrary/TypeInfo.h"

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
    if (owner)
        owner->InsertComponent(*this);
}

TComponent::~TComponent()
{
    DestroyComponents();
    if (owner_)
        owner_->RemoveComponent(*this);
}

void TComponent::BeforeDestruction()
{
    state_.destroying = true;
    DestroyComponents();
}

void TComponent::SetName(const std::string& name)
{
    if (name == name_)
        return;
    if (owner_)
        owner_->names_.Leaving(*this);
    name_ = name;
    if (owner_)
        owner_->names_.Renamed(*this, owner_->components_);
}

void TComponent::InsertComponent(TComponent& component)
{
    if (component.owner_ == this)
        return;
    if (component.owner_)
        component.owner_->RemoveComponent(component);
    components_.push_back(&component);
    names_.Appended(component);
    component.owner_ = this;
}

void TComponent::RemoveComponent(TComponent& component)
{
    if (component.owner_ != this)
        return;
    // From the back: the owner frees its components last first, so that
    // freeing all of them does not scan the list once per component.
    const auto it = std::find(components_.rbegin(), components_.rend(), &component);
    if (it != components_.rend()) {
        names_.Leaving(component);
        components_.erase(std::next(it).base());
    }
    component.owner_ = nullptr;
}

void TComponent::DestroyComponents()
{
    // Last first; each one leaves the list as it goes.
    while (!components_.empty())
        FreeObject(components_.back());
}

void TComponent::GetChildren(const TGetChildProc& proc, TComponent*)
{
    // A copy: a callback may reorder the owned components.
    const std::vector<TComponent*> owned = components_;
    for (TComponent* c : owned)
        if (!c->HasParent())
            proc(*c);
}

void TComponent::ReadState(TReader& reader)
{
    reader.ReadData(*this);
}
