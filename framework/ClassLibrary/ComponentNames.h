#pragma once
// The names of the components one owner holds, so that finding an owned
// component by name (as a form is read, once per stored component) does not
// scan the whole list. Names compare exactly, and among components of the
// same name the one first in the owner's list is found, as a scan would.
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class TComponent;

class TComponentNames {
public:
    // component has just been appended to the owner's list.
    void Appended(TComponent& component);
    // component is leaving the owner's list under its present name.
    void Leaving(TComponent& component);
    // component (in the owner's list) has just taken its present name.
    void Renamed(TComponent& component, const std::vector<TComponent*>& owned);
    TComponent* First(std::string_view name, const std::vector<TComponent*>& owned) const;

private:
    struct THash {
        using is_transparent = void;
        std::size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
    };
    // Each name's components in list order. Unnamed components are left out:
    // a new component is unnamed until its maker names it, and keeping all
    // of those under one name would make naming them in turn scan that name.
    std::unordered_map<std::string, std::vector<TComponent*>, THash, std::equal_to<>> byName_;
};
