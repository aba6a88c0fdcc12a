#pragma once
// Base of the controls built on this library. Drawing and windowing belong to
// the user-interface layer; here a control is a component with a parent
// control, child controls and a visibility. Parenting does not own: a control
// that goes leaves its parent and lets go of its children.
#include "framework/ClassLibrary/Component.h"

#include <vector>

class TCustomControl : public TComponent {
public:
    using TComponent::TComponent;
    ~TCustomControl() override;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    TCustomControl* Parent() const { return parent_; }
    virtual void SetParent(TCustomControl* parent);
    int ControlCount() const { return static_cast<int>(controls_.size()); }
    TCustomControl* Controls(int index) const { return controls_.at(static_cast<std::size_t>(index)); }
    // Takes a child out of the controls without asking it (its parent is then none).
    void RemoveControl(TCustomControl& control);

    bool Visible() const { return visible_; }
    void SetVisible(bool visible) { visible_ = visible; }

    bool HasParent() const override { return parent_ != nullptr; }
    TComponent* GetParentComponent() const override { return parent_; }
    // The owned components without a parent, then the child controls that
    // belong to root or to this control.
    void GetChildren(const TGetChildProc& proc, TComponent* root) override;
    // A control's parent component is its parent control.
    void SetParentComponent(TComponent* parent) override;
    // Read under the control it is listed in.
    void ReadState(TReader& reader) override;

private:
    TCustomControl* parent_ = nullptr;
    std::vector<TCustomControl*> controls_;
    bool visible_ = true;
};
