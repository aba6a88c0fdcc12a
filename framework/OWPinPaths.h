#pragma once
// Pin paths: owner name, ".", the property path of the pin in its owner (or of
// its list, then the pin's name or "_Pin" + index in the list). Only the
// nearest sub-object level contributes its property name.
#include <string>
#include <vector>

class TObject;
class TOWBasicPin;
class TOWPin;

// The property path under which `object` holds `target` (a pin, or a pin
// list), searched through published object properties and nested
// persistents; false when none.
bool FindPropertyPath(const std::string& prefix, const TObject& object, const std::string& className,
                      std::string& path, std::vector<const TObject*>& visited, int depth, const TObject* target);
// The path of a pin: name form or index form, with or without its root name.
// Empty for no pin, "(No owner)" for a pin without owner.
std::string GetPinPath(TOWPin* pin, bool withRoot, bool indexForm);
