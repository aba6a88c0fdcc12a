#pragma once
// Base of the controls built on this library. Drawing and windowing belong to
// the user-interface layer; here a control is a component.
#include "framework/ClassLibrary/Component.h"

class TCustomControl : public TComponent {
public:
    using TComponent::TComponent;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
};
