#include "framework/OWPinPaths.h"

#include "framework/ClassLibrary/TypeInfo.h"
#include "framework/OWPinList.h"
#include "framework/OWPins.h"

#include <algorithm>

bool FindPropertyPath(const std::string& prefix, const TObject& object, const std::string& className,
                      std::string& path, std::vector<const TObject*>& visited, int depth, const TObject* target)
{
    if (auto component = dynamic_cast<const TComponent*>(&object); component && component->ComponentState().destroying)
        return false;
    for (const TPropInfo* prop : object.ClassInfo().Properties()) {
        if (prop->kind != TTypeKind::Class || !prop->get)
            continue;
        const TPropValue value = prop->get(object);
        const auto* held = std::get_if<TObject*>(&value);
        if (!held || !*held)
            continue;
        TObject* child = *held;
        if (child == target) {
            path = prefix + prop->name;
            return true;
        }
        if (auto list = dynamic_cast<TOWPinList*>(child)) {
            const int index = list->IndexOf(dynamic_cast<const TOWBasicPin*>(target));
            if (index >= 0 && target->ClassInfo().InheritsFromName(className)) {
                path = prefix + prop->name + "." + list->PinName(index);
                return true;
            }
            continue;
        }
        if (dynamic_cast<TComponent*>(child) || !dynamic_cast<TPersistent*>(child))
            continue;
        if (std::find(visited.begin(), visited.end(), child) != visited.end())
            continue;
        visited.push_back(child);
        if (FindPropertyPath(prop->name + ".", *child, className, path, visited, depth + 1, target))
            return true;
    }
    return false;
}

std::string GetPinPath(TOWPin* pin, bool withRoot, bool indexForm)
{
    if (!pin)
        return {};
    TComponent* owner = pin->GetOwnerComponent();
    if (!owner)
        return "(No owner)";
    std::string path;
    std::vector<const TObject*> visited;
    TOWPinList* list = pin->PinList();
    if (list) {
        std::string listPath;
        FindPropertyPath({}, *owner, "TOWPinList", listPath, visited, 0, list);
        const std::string start = owner->Name() + "." + listPath;
        const int index = list->IndexOf(pin);
        path = indexForm ? start + "._Pin" + std::to_string(index) : start + "." + list->PinName(index);
    } else {
        std::string propertyPath;
        FindPropertyPath({}, *owner, "TOWPin", propertyPath, visited, 0, pin);
        path = owner->Name() + "." + propertyPath;
    }
    return withRoot ? pin->GetRootName() + "." + path : path;
}
