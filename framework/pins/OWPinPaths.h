#pragma once
// Pin paths: owner name, ".", the property path of the pin in its owner (or
// of its list, then the pin's name or "_Pin" + index in the list). Only the
// nearest sub-object level contributes its property name: a pin held as
// A.B.Clock (two sub-objects deep) has the property path B.Clock. Writing and
// lookup follow the same rule, so saved paths match.
//
// Two pins of one owner with the same path: the nearest-level rule can give
// two pins one path (owner.A.B.Clock and owner.C.B.Clock are both B.Clock).
// The first of them in the walk order (published properties in declaration
// order, each sub-object searched before the next property) keeps the path;
// every later one is named by its full property path instead (A.B.Clock,
// C.B.Clock), so a saved link never comes back on the wrong pin. The same
// holds for each form (index and name) on its own.
#include <string>
#include <string_view>
#include <vector>

class TObject;
class TComponent;
class TOWBasicPin;
class TOWPin;

// True when the object's class or one of its ancestors has that name.
bool InheritsFromName(const TObject& object, std::string_view className);

// The property path under which `object` holds `target` (a pin, or a pin
// list), searched through published object properties and nested persistents,
// stopping at the first hit; false when none. Pins are named through
// ListPins and GetPinPath, which also apply the rule for duplicate paths.
bool FindPropertyPath(const std::string& prefix, const TObject& object, const std::string& className,
                      std::string& path, std::vector<const TObject*>& visited, int depth, const TObject* target);

struct TOWPinPathItem {
    std::string Path;
    TOWBasicPin* Pin = nullptr;
};

// The property paths (index or name form) of every pin of class className or
// below that the component holds, each with its pin, in walk order. False
// (and nothing listed) for a component being destroyed.
bool ListPins(const TComponent& component, std::string_view className, std::vector<TOWPinPathItem>& list,
              bool indexForm);

// The path of a pin: name form or index form, with or without its root name.
// Empty for no pin, "(No owner)" for a pin without owner. While the owner is
// being destroyed only a pin (or pin list) the owner publishes itself is
// named: its sub-objects are not searched then.
std::string GetPinPath(TOWPin* pin, bool withRoot, bool indexForm);
