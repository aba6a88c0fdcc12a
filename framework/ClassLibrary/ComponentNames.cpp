#include "framework/ClassLibrary/ComponentNames.h"

#include "framework/ClassLibrary/Component.h"

#include <algorithm>
#include <iterator>

void TComponentNames::Appended(TComponent& component)
{
    if (!component.Name().empty())
        byName_[component.Name()].push_back(&component);
}

void TComponentNames::Leaving(TComponent& component)
{
    if (component.Name().empty())
        return;
    const auto named = byName_.find(component.Name());
    if (named == byName_.end())
        return;
    std::vector<TComponent*>& same = named->second;
    // From the back, as the owner frees its components last first.
    if (const auto it = std::find(same.rbegin(), same.rend(), &component); it != same.rend())
        same.erase(std::next(it).base());
    if (same.empty())
        byName_.erase(named);
}

void TComponentNames::Renamed(TComponent& component, const std::vector<TComponent*>& owned)
{
    if (component.Name().empty())
        return;
    std::vector<TComponent*>& same = byName_[component.Name()];
    if (same.empty()) {
        same.push_back(&component);
        return;
    }
    // A second component of that name: its place among the others follows
    // the list, which only a walk of the list tells.
    same.clear();
    for (TComponent* c : owned)
        if (c->Name() == component.Name())
            same.push_back(c);
}

TComponent* TComponentNames::First(std::string_view name, const std::vector<TComponent*>& owned) const
{
    if (name.empty()) {
        const auto it = std::find_if(owned.begin(), owned.end(), [](const TComponent* c) { return c->Name().empty(); });
        return it == owned.end() ? nullptr : *it;
    }
    const auto named = byName_.find(name);
    return named == byName_.end() ? nullptr : named->second.front();
}
