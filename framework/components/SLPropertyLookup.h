#pragma once
// Look-ups of published properties by name, by value and by declared class;
// item controls use them to find the list their parent component keeps.
#include "framework/ClassLibrary/TypeInfo.h"

#include <string>
#include <string_view>
#include <vector>

class TObject;

// The published class-typed properties of a class, sorted by name.
using TPropInfoList = std::vector<const TPropInfo*>;
TPropInfoList ClassPropertiesOf(const TClassInfo& cls);

// The value of the published property name; false when object is null or has
// no readable property of that name.
bool GetPropertyValue(const TObject* object, std::string_view name, TPropValue& value);
// The first class-typed property (by name) declared as cls or a descendant.
bool FindPropertyOfClass(const TObject* object, const TClassInfo& cls, TObject*& value);
// The first class-typed property (by name) whose current value is target.
bool FindPropertyNameOfObject(const TObject* object, const TObject* target, std::string& name);
// The class-typed property of exactly this name (case-sensitive).
bool GetClassPropertyByName(const TObject* object, std::string_view name, TObject*& value);
