#include "framework/pins/OWPinLookup.h"

#include "framework/ClassLibrary/TypeInfo.h"
#include "framework/components/SLPropertyLookup.h"
#include "framework/pins/OWPinList.h"
#include "framework/pins/OWPinRegistry.h"
#include "framework/pins/OWPins.h"
#include "framework/pins/OWStateDispatcher.h"
#include "framework/pins/OWUnloadedPin.h"

#include <deque>
#include <functional>
#include <iterator>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace {

bool isOwnRoot(const TComponent& owner, const TComponent& child)
{
    // A form, frame or data module names its own tree, and so does every
    // component the application owns.
    switch (child.Role()) {
    case TComponentRole::Form:
    case TComponentRole::DataModule:
    case TComponentRole::Frame:
        return true;
    default:
        return owner.Role() == TComponentRole::Application;
    }
}

// The root of that name, in use: `near` when it is named so, else a root
// that holds pins (the registry knows every pin, and a root without pins has
// nothing to link to). A root is taken into use while a pin of it is: it
// cannot be gone before.
TComponentUse findRoot(std::string_view name, TComponent* near)
{
    if (near && near->Name() == name)
        return TComponentUse(near);
    if (name.empty())
        return {};
    TComponentUse found;
    const TOWPinRegistry::TUses uses = TOWPinRegistry::UseAll(nullptr);
    uses.ForEach([&](TOWBasicPin& pin) {
        TComponent* root = found ? nullptr : pin.GetRoot();
        if (root && root != near && !root->ComponentState().destroying && root->Name() == name)
            found = TComponentUse(root);
    });
    return found;
}

// Walks root's tree (the root itself first, then nearest level first;
// sub-roots and their trees are not part of it) until visit answers true.
// Other threads may free and rename components meanwhile: each list is held
// while it is read, and the lists of a level stay held while the next level
// is read, so that no component met is freed before the walk is past it.
// visit only reads names and keeps pointers.
template<class Visit>
void walkTree(TComponent& root, Visit&& visit)
{
    if (visit(root))
        return;
    std::vector<TComponent*> level{&root};
    std::vector<TComponent*> next;
    std::deque<TOwnedComponents> levelHeld, nextHeld;
    while (!level.empty()) {
        next.clear();
        for (TComponent* owner : level) {
            for (TComponent* child : nextHeld.emplace_back(*owner)) {
                if (isOwnRoot(*owner, *child))
                    continue;
                if (visit(*child))
                    return;
                if (child->ComponentCount() > 0)
                    next.push_back(child);
            }
        }
        level.swap(next);
        levelHeld = std::exchange(nextHeld, {});
    }
}

// Hashes names as views, so a look-up by a path's part copies nothing.
struct TNameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
};

// The names of each root's tree, the first of each name in walk order.
struct TLookupBatch {
    using TNames = std::unordered_map<std::string, TComponent*, TNameHash, std::equal_to<>>;
    std::unordered_map<const TComponent*, TNames> roots;
};
thread_local TLookupBatch* activeBatch = nullptr;

// The first component of that name in root's tree, in use: taken while the
// list that holds it is, so that it is not freed while its pins are read.
TComponentUse findComponent(TComponent& root, std::string_view name)
{
    if (activeBatch) {
        const auto [at, made] = activeBatch->roots.try_emplace(&root);
        // Named apart: clang 14 lets no lambda capture a structured binding.
        TLookupBatch::TNames& names = at->second;
        if (made) {
            walkTree(root, [&](TComponent& c) {
                names.try_emplace(c.Name(), &c);
                return false;
            });
        }
        const auto found = names.find(name);
        return found == names.end() ? TComponentUse() : TComponentUse(found->second);
    }
    TComponentUse found;
    walkTree(root, [&](TComponent& c) {
        if (c.Name() != name)
            return false;
        found = TComponentUse(&c);
        return true;
    });
    return found;
}

// The pin of the component with that property path: index forms first, then
// name forms; only pins the component owns.
TOWBasicPin* findInComponent(TComponent& component, std::string_view path)
{
    // A path without a dot can only be a pin property of the component
    // itself (sub-objects and lists add a level): no walk needed.
    if (path.find('.') == std::string_view::npos) {
        TObject* held = nullptr;
        auto* pin = GetClassPropertyByName(&component, path, held) ? dynamic_cast<TOWPin*>(held) : nullptr;
        return pin && pin->GetOwnerComponent() == &component ? pin : nullptr;
    }
    for (const bool indexForm : {true, false}) {
        std::vector<TOWPinPathItem> items;
        ListPins(component, "TOWPin", items, indexForm);
        for (const TOWPinPathItem& item : items) {
            if (item.Path == path && item.Pin->GetOwnerComponent() == &component)
                return item.Pin;
        }
    }
    return nullptr;
}

std::string rootNameOf(const std::string& path)
{
    const auto dot = path.find('.');
    return dot == std::string::npos ? std::string() : path.substr(0, dot);
}

bool designing(TComponent* component)
{
    return component && component->ComponentState().designing && !OWDesigningSuppressed();
}

} // namespace

TOWPathLookupBatch::TOWPathLookupBatch()
{
    if (!activeBatch)
        activeBatch = new TLookupBatch;
}

TOWPathLookupBatch::~TOWPathLookupBatch()
{
    delete std::exchange(activeBatch, nullptr);
}

TOWLinkReader TOWLinkReader::Of(TOWBasicPin& pin)
{
    TOWLinkReader reader;
    reader.Root = pin.GetRoot();
    reader.RootName = pin.GetRootName();
    reader.FormName = pin.FormName();
    reader.Requester = pin.Borrow();
    reader.Designing = pin.IsDesigning();
    return reader;
}

TOWLinkReader TOWLinkReader::Of(TOWPinList& list)
{
    TOWLinkReader reader;
    TComponent* owner = list.Owner();
    reader.Root = FindRootOwner(owner);
    reader.RootName = reader.Root ? reader.Root->Name() : std::string();
    reader.FormName = list.FormName();
    if (owner) {
        std::string listPath;
        std::vector<const TObject*> visited;
        FindPropertyPath({}, *owner, "TOWPinList", listPath, visited, 0, &list);
        reader.RequesterPath = reader.RootName + "." + owner->Name() + "." + listPath;
    }
    reader.Designing = designing(owner);
    return reader;
}

void QualifyPath(const std::string& formName, const std::string& rootName, std::string& path)
{
    if (formName.empty() || formName == rootName)
        return;
    if (path.size() > formName.size() && path.compare(0, formName.size(), formName) == 0 &&
        path[formName.size()] == '.')
        path.replace(0, formName.size(), rootName);
}

void QualifyPath(TOWBasicPin& pin, std::string& path)
{
    QualifyPath(pin.FormName(), pin.GetRootName(), path);
}

TOWBorrowed<TOWBasicPin> OWFindPinByPath(TComponent* near, const std::string& path)
{
    const auto first = path.find('.');
    if (first == std::string::npos)
        return {};
    const std::string_view text(path);
    // The pin is borrowed while its owner is in use: once that ends, the
    // owner may go, and the pin with it.
    const auto pinOf = [](const TComponentUse& owner, std::string_view propertyPath) {
        TOWBasicPin* pin = owner ? findInComponent(*owner, propertyPath) : nullptr;
        return pin ? pin->Borrow() : TOWBorrowed<TOWBasicPin>();
    };
    // Root.Component.Property...
    if (const auto second = path.find('.', first + 1); second != std::string::npos) {
        if (const TComponentUse root = findRoot(text.substr(0, first), near)) {
            if (auto pin = pinOf(findComponent(*root, text.substr(first + 1, second - first - 1)),
                                 text.substr(second + 1)))
                return pin;
        }
    }
    // Component.Property... in the nearest root.
    if (near) {
        if (const TComponentUse root{near})
            return pinOf(findComponent(*root, text.substr(0, first)), text.substr(first + 1));
    }
    return {};
}

TOWBorrowed<TOWBasicPin> OWFindLinkPin(const TOWLinkReader& reader, const std::string& indexPath,
                                       const std::string& namePath)
{
    TOWBorrowed<TOWBasicPin> pin = OWFindPinByPath(reader.Root, indexPath);
    if (!pin && namePath != indexPath)
        pin = OWFindPinByPath(reader.Root, namePath);
    return pin;
}

TOWBorrowed<TOWBasicPin> OWFindLinkTarget(const TOWLinkReader& reader, const std::string& indexPath,
                                          const std::string& namePath, TOWPinKind kind)
{
    if (TOWBorrowed<TOWBasicPin> pin = OWFindLinkPin(reader, indexPath, namePath))
        return pin;
    const std::string rootName = rootNameOf(indexPath);
    TOWBorrowed<TOWUnloadedPin> placeholder = OWFindPlaceholderOfKind(rootName, indexPath, kind);
    if (!placeholder && namePath != indexPath)
        placeholder = OWFindPlaceholderOfKind(rootName, namePath, kind);
    if (!placeholder) {
        std::string requester = reader.RequesterPath;
        if (auto pin = Use(reader.Requester))
            requester = pin->GetPath(true);
        placeholder = TOWUnloadedPin::Make(indexPath, namePath, requester, rootName, kind, reader.Designing);
    }
    return OWBorrowedPin(placeholder);
}

namespace {

// ListLinkCandidates, keeping a use of every component listed in `kept`.
bool listCandidates(std::vector<TOWPinPathItem>& list, TComponent& root, TOWBasicPin& asker, unsigned flags,
                    const std::string& prefix, const std::string& separator, std::vector<TComponentUse>& kept)
{
    bool complete = true;
    const std::string lead = prefix.empty() ? std::string() : prefix + separator;
    // Taken while the list is held: pins are asked on the way, which no
    // list lock may be held for, and no component listed goes meanwhile.
    std::vector<TComponentUse> components = root.UsedComponents();
    for (const TComponentUse& used : components) {
        TComponent* component = used.Get();
        std::vector<TOWPinPathItem> pins;
        if (!ListPins(*component, "TOWPin", pins, (flags & owCandidateIndexForm) != 0))
            complete = false;
        for (TOWPinPathItem& item : pins) {
            TOWBasicPin* pin = item.Pin;
            if (pin == &asker || pin->GetOwnerComponent() != component)
                continue;
            bool admitted = false;
            if (flags & owCandidateConnectCheck) {
                admitted = asker.CanConnectTo(pin, true) &&
                           !((flags & owCandidateNoFunctionDependents) && asker.IsFunctionDependent(pin));
            } else {
                TOWFormatConverter* converter = nullptr;
                const TOWFormatConverterClass* converterClass = nullptr;
                admitted = asker.CanLinkType(pin, converter, true, converterClass);
            }
            if (admitted)
                list.push_back({lead + component->Name() + separator + item.Path, pin});
        }
        if (component->ComponentCount() > 0 &&
            !listCandidates(list, *component, asker, flags, prefix, separator, kept))
            complete = false;
    }
    std::move(components.begin(), components.end(), std::back_inserter(kept));
    return complete;
}

} // namespace

bool ListLinkCandidates(std::vector<TOWPinPathItem>& list, TComponent& root, TOWBasicPin& asker, unsigned flags,
                        const std::string& prefix, const std::string& separator)
{
    std::vector<TComponentUse> kept;
    return listCandidates(list, root, asker, flags, prefix, separator, kept);
}

bool ConnectByText(TOWBasicPin& source, TComponent* root, const std::string& text, bool indexForm)
{
    if (text.empty()) {
        if (!indexForm)
            source.DisconnectAll();
        return true;
    }
    TComponent* own = source.GetRoot();
    TComponent* within = root ? root : own;
    if (!within)
        return false;
    const std::string prefix = within == own ? std::string() : within->Name();
    std::vector<TOWPinPathItem> candidates;
    std::vector<TComponentUse> kept;
    const bool complete = listCandidates(candidates, *within, source,
                                         owCandidateConnectCheck | (indexForm ? owCandidateIndexForm : 0u), prefix,
                                         ".", kept);
    for (const TOWPinPathItem& candidate : candidates) {
        if (candidate.Path != text)
            continue;
        // Borrowed while its owner is in use; linked as any pin found.
        const TOWBorrowed<TOWBasicPin> found = candidate.Pin->Borrow();
        kept.clear();
        auto pin = Use(found);
        return pin && source.Connect(pin.Get());
    }
    // A listing that missed pins may have missed the one named.
    return !complete;
}

bool ConnectByPath(TOWBasicPin& sink, TComponent* root, const std::string& indexPath, const std::string& namePath)
{
    if (indexPath == "nil") {
        sink.DisconnectAll();
        return true;
    }
    TOWLinkReader reader = TOWLinkReader::Of(sink);
    if (root)
        reader.Root = root;
    std::string index = indexPath;
    std::string name = namePath.empty() ? indexPath : namePath;
    QualifyPath(sink, index);
    QualifyPath(sink, name);
    const TOWBorrowed<TOWBasicPin> target = OWFindLinkTarget(reader, index, name, TOWPinKind::Source);
    auto pin = Use(target);
    if (!pin)
        return false;
    const bool linked = sink.Connect(pin.Get());
    if (!linked) {
        if (auto* placeholder = dynamic_cast<TOWUnloadedPin*>(pin.Get()))
            placeholder->ReleaseIfUnused();
    }
    return linked;
}

bool TOWStreamPin::SetLinkText(TComponent* root, const std::string& text)
{
    if (GetSinkKind() == TOWPinKind::Source)
        return ConnectByText(*this, root, text, false);
    if (text.empty() || text == "(Disconnected)") {
        DisconnectAll();
        return true;
    }
    // A typed path makes no placeholder: a typing error would wait forever.
    if (const TOWBorrowed<TOWBasicPin> found = OWFindPinByPath(root ? root : GetRoot(), text)) {
        auto pin = Use(found);
        return pin && Connect(pin.Get());
    }
    TOWStateDispatcherRef dispatcher = FindDispatcher(text);
    return dispatcher && JoinDispatcher(dispatcher.Get());
}
