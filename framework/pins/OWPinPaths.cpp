#include "framework/pins/OWPinPaths.h"

#include "framework/ClassLibrary/TypeInfo.h"
#include "framework/pins/OWPinList.h"
#include "framework/pins/OWPins.h"

#include <algorithm>
#include <unordered_set>

namespace {

// Deeper sub-object chains than this are not searched (a published property
// graph is never this deep; the bound keeps a malformed one from exhausting
// the stack).
constexpr int maxDepth = 32;

enum class TStep : std::uint8_t { Stop, Skip, Descend };

// The object a published object property of `object` holds; null for other
// kinds of property and for nil.
TObject* heldBy(const TPropInfo& prop, const TObject& object)
{
    if (prop.kind != TTypeKind::Class || !prop.get)
        return nullptr;
    const TPropValue value = prop.get(object);
    const auto* held = std::get_if<TObject*>(&value);
    return held ? *held : nullptr;
}

// Walks the published object properties of `object` (nil values skipped) and
// calls visit (nearest property path, full property path, value) for each;
// the visitor stops the walk, skips the value or lets the walk descend into
// it, which it does only for persistents that are not components and were
// not visited yet. True when the visitor stopped the walk.
template<class Visit>
bool walkProperties(const TObject& object, const std::string& prefix, const std::string& fullPrefix,
                    std::vector<const TObject*>& visited, int depth, Visit& visit)
{
    if (auto component = dynamic_cast<const TComponent*>(&object); component && component->ComponentState().destroying)
        return false;
    for (const TPropInfo* prop : object.ClassInfo().Properties()) {
        TObject* child = heldBy(*prop, object);
        if (!child)
            continue;
        const TStep step = visit(prefix + prop->name, fullPrefix + prop->name, *child);
        if (step == TStep::Stop)
            return true;
        if (step == TStep::Skip || depth >= maxDepth)
            continue;
        if (dynamic_cast<TComponent*>(child) || !dynamic_cast<TPersistent*>(child))
            continue;
        if (std::find(visited.begin(), visited.end(), child) != visited.end())
            continue;
        visited.push_back(child);
        // The outer prefix is not carried: only the nearest level names.
        if (walkProperties(*child, prop->name + ".", fullPrefix + prop->name + ".", visited, depth + 1, visit))
            return true;
    }
    return false;
}

// A pin found by the walk, before the duplicate rule.
struct TFoundPin {
    std::string nearest;
    std::string full;
    TOWBasicPin* pin;
    int index;  // in its list; -1 for a pin property
    std::string entryName;
};

std::vector<TFoundPin> findPins(const TObject& object, std::string_view className)
{
    std::vector<TFoundPin> found;
    std::vector<const TObject*> visited;
    auto visit = [&](const std::string& path, const std::string& full, TObject& value) {
        if (auto* pin = dynamic_cast<TOWBasicPin*>(&value)) {
            if (InheritsFromName(*pin, className))
                found.push_back({path, full, pin, -1, {}});
            return TStep::Skip;
        }
        if (auto* list = dynamic_cast<TOWPinList*>(&value)) {
            // Indices are slots, placeholders included: no purge meanwhile.
            TOWPinList::TWalk walk(*list);
            const int count = list->EntryCount();
            for (int i = 0; i < count; ++i) {
                // Pin and name read together: another thread may shorten the
                // list meanwhile.
                auto [borrowed, name] = list->NamedItemAt(i);
                auto entry = Use(borrowed);
                if (entry && InheritsFromName(*entry, className))
                    found.push_back({path, full, entry.Get(), i, std::move(name)});
            }
            return TStep::Skip;
        }
        return TStep::Descend;
    };
    walkProperties(object, {}, {}, visited, 0, visit);
    return found;
}

std::string entryPath(const std::string& container, int index, const std::string& entryName, bool indexForm)
{
    return indexForm ? container + "._Pin" + std::to_string(index) : container + "." + entryName;
}

std::string formOf(const std::string& container, const TFoundPin& pin, bool indexForm)
{
    return pin.index < 0 ? container : entryPath(container, pin.index, pin.entryName, indexForm);
}

// The local path of a pin whose owner is being destroyed. Paths are still
// written then (a placeholder kept for a pin of a closing form), but members
// of the owner may already be freed: no property value is followed, the
// owner's own published values are only compared with the pin and its list.
// A pin held in a sub-object is not found this way.
bool pathInDestroyingOwner(const TComponent& owner, TOWPin& pin, TOWPinList* list, int index, bool indexForm,
                           std::string& path)
{
    const TObject* asPin = &pin;
    const TObject* asList = list;
    for (const TPropInfo* prop : owner.ClassInfo().Properties()) {
        const TObject* held = heldBy(*prop, owner);
        if (!held)
            continue;
        if (held == asPin) {
            path = prop->name;
            return true;
        }
        if (index >= 0 && held == asList) {
            path = entryPath(prop->name, index, list->PinName(index), indexForm);
            return true;
        }
    }
    return false;
}

// The paths of the found pins in one form, with the duplicate rule applied.
std::vector<TOWPinPathItem> pathsOf(const std::vector<TFoundPin>& found, bool indexForm)
{
    std::vector<TOWPinPathItem> items;
    items.reserve(found.size());
    std::unordered_set<std::string> taken;
    for (const TFoundPin& pin : found) {
        std::string path = formOf(pin.nearest, pin, indexForm);
        if (!taken.insert(path).second) {
            path = formOf(pin.full, pin, indexForm);
            taken.insert(path);
        }
        items.push_back({std::move(path), pin.pin});
    }
    return items;
}

} // namespace

bool InheritsFromName(const TObject& object, std::string_view className)
{
    return object.ClassInfo().InheritsFromName(className);
}

bool FindPropertyPath(const std::string& prefix, const TObject& object, const std::string& className,
                      std::string& path, std::vector<const TObject*>& visited, int depth, const TObject* target)
{
    auto visit = [&](const std::string& found, const std::string&, TObject& value) {
        if (&value == target) {
            path = found;
            return TStep::Stop;
        }
        if (auto* list = dynamic_cast<TOWPinList*>(&value)) {
            const int index = list->IndexOf(dynamic_cast<const TOWBasicPin*>(target));
            if (index >= 0 && InheritsFromName(*target, className)) {
                path = found + "." + list->PinName(index);
                return TStep::Stop;
            }
            return TStep::Skip;
        }
        return TStep::Descend;
    };
    return walkProperties(object, prefix, prefix, visited, depth, visit);
}

bool ListPins(const TComponent& component, std::string_view className, std::vector<TOWPinPathItem>& list,
              bool indexForm)
{
    if (component.ComponentState().destroying)
        return false;
    std::vector<TOWPinPathItem> items = pathsOf(findPins(component, className), indexForm);
    list.insert(list.end(), std::make_move_iterator(items.begin()), std::make_move_iterator(items.end()));
    return true;
}

std::string GetPinPath(TOWPin* pin, bool withRoot, bool indexForm)
{
    if (!pin)
        return {};
    TComponent* owner = pin->GetOwnerComponent();
    if (!owner)
        return "(No owner)";
    TOWPinList* list = pin->PinList();
    const int index = list ? list->IndexOf(pin) : -1;
    std::string local;
    bool found = false;
    if (owner->ComponentState().destroying) {
        found = pathInDestroyingOwner(*owner, *pin, list, index, indexForm, local);
    } else {
        const std::vector<TFoundPin> pins = findPins(*owner, "TOWBasicPin");
        const auto it = std::find_if(pins.begin(), pins.end(), [&](const TFoundPin& f) { return f.pin == pin; });
        if (it != pins.end()) {
            local = pathsOf(pins, indexForm)[static_cast<std::size_t>(it - pins.begin())].Path;
            found = true;
        }
    }
    // A list the owner does not publish: the list's part of the path is
    // empty.
    if (!found && index >= 0)
        local = entryPath({}, index, list->PinName(index), indexForm);
    const std::string path = owner->Name() + "." + local;
    return withRoot ? pin->GetRootName() + "." + path : path;
}
