#pragma once
// The component classes a form stream may name. A reader that meets a stored
// component its tree lacks makes one of the class named (owned by the root
// being read) when the class is registered here.
#include "framework/ClassLibrary/Component.h"
#include "framework/ClassLibrary/TypeInfo.h"

#include <string_view>

using TComponentFactory = TComponent* (*)(TComponent& owner);

// A later registration of the same name replaces the earlier one.
void RegisterComponentClass(std::string_view className, TComponentFactory factory);

template<class T>
void RegisterComponentClass()
{
    RegisterComponentClass(T::StaticClassInfo().Name(),
                           [](TComponent& owner) -> TComponent* { return MakeComponent<T>(owner); });
}

// A new component of the registered class, owned by owner; null for a class
// not registered.
TComponent* CreateComponentOfClass(std::string_view className, TComponent& owner);
