#include "framework/ClassLibrary/CustomControl.h"

#include "framework/ClassLibrary/FormStream.h"
#include "framework/ClassLibrary/TypeInfo.h"

#include <algorithm>

const TClassInfo& TCustomControl::StaticClassInfo()
{
    static const TClassInfo info("TCustomControl", &TComponent::StaticClassInfo(), {});
    return info;
}

TCustomControl::~TCustomControl()
{
    for (TCustomControl* child : controls_)
        child->parent_ = nullptr;
    if (parent_)
        parent_->RemoveControl(*this);
}

void TCustomControl::SetParent(TCustomControl* parent)
{
    if (parent == parent_ || parent == this)
        return;
    if (parent_)
        parent_->RemoveControl(*this);
    parent_ = parent;
    if (parent_)
        parent_->controls_.push_back(this);
}

void TCustomControl::RemoveControl(TCustomControl& control)
{
    if (control.parent_ != this)
        return;
    std::erase(controls_, &control);
    control.parent_ = nullptr;
}

void TCustomControl::GetChildren(const TGetChildProc& proc, TComponent* root)
{
    TComponent::GetChildren(proc, root);
    const std::vector<TCustomControl*> children = controls_;
    for (TCustomControl* c : children)
        if (c->Owner() == root || c->Owner() == this)
            proc(*c);
}

void TCustomControl::SetParentComponent(TComponent* parent)
{
    SetParent(dynamic_cast<TCustomControl*>(parent));
}

void TCustomControl::ReadState(TReader& reader)
{
    if (auto* parent = dynamic_cast<TCustomControl*>(reader.Parent()))
        SetParent(parent);
    TComponent::ReadState(reader);
}
