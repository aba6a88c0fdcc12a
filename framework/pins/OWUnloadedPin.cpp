#include "framework/pins/OWUnloadedPin.h"

#include "framework/ClassLibrary/TypeInfo.h"
#include "framework/pins/OWLinkGate.h"
#include "framework/pins/OWPinEvents.h"
#include "framework/pins/OWPinRegistry.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <limits>
#include <mutex>
#include <unordered_map>

namespace {

// The owning placeholder list; a leaf of the lock order. The placeholders are
// also found by root name and path (index or name form) without a walk: a
// form with many links to components read later makes as many placeholders.
struct TPlaceholders {
    struct TIndexed {
        TOWUnloadedPin* pin;
        std::uint64_t serial;
    };
    std::mutex guard;
    std::vector<TOwned<TOWUnloadedPin>> items;
    std::unordered_multimap<std::string, TIndexed> byPath;
    std::uint64_t made = 0;
    // Placeholders standing for a DependsOn of links: while there are none,
    // a link that goes asks none of them.
    std::atomic<int> withDependents{0};

    static std::string key(const std::string& rootName, const std::string& path)
    {
        std::string k;
        k.reserve(rootName.size() + 1 + path.size());
        k.append(rootName).push_back('\n');
        k.append(path);
        return k;
    }
    void index(TOWUnloadedPin* pin)
    {
        const std::uint64_t serial = made++;
        byPath.emplace(key(pin->RootNameText(), pin->IndexPathText()), TIndexed{pin, serial});
        if (pin->NamePathText() != pin->IndexPathText())
            byPath.emplace(key(pin->RootNameText(), pin->NamePathText()), TIndexed{pin, serial});
    }
    void unindex(TOWUnloadedPin* pin)
    {
        for (const std::string* path : {&pin->IndexPathText(), &pin->NamePathText()}) {
            auto [first, last] = byPath.equal_range(key(pin->RootNameText(), *path));
            for (auto it = first; it != last;) {
                if (it->second.pin == pin)
                    it = byPath.erase(it);
                else
                    ++it;
            }
        }
    }
    // The earliest made placeholder of that path that the filter admits,
    // borrowed while it is in the list: another thread may free it as soon as
    // the guard is left.
    template <class Admits>
    TOWBorrowed<TOWUnloadedPin> find(const std::string& rootName, const std::string& path, Admits admits)
    {
        auto [first, last] = byPath.equal_range(key(rootName, path));
        TOWUnloadedPin* found = nullptr;
        std::uint64_t earliest = std::numeric_limits<std::uint64_t>::max();
        for (auto it = first; it != last; ++it) {
            // One that is going takes no link: the search passes it.
            if (it->second.serial < earliest && !it->second.pin->Going() && admits(*it->second.pin)) {
                found = it->second.pin;
                earliest = it->second.serial;
            }
        }
        return TOWBasicPin::BorrowAs(found);
    }
};

TPlaceholders& placeholders()
{
    static TPlaceholders instance;
    return instance;
}

TOwned<TOWUnloadedPin> extractPlaceholder(TOWUnloadedPin* pin)
{
    TPlaceholders& p = placeholders();
    std::lock_guard hold(p.guard);
    auto it = std::find_if(p.items.begin(), p.items.end(), [&](const TOwned<TOWUnloadedPin>& i) { return i.get() == pin; });
    if (it == p.items.end())
        return nullptr;
    TOwned<TOWUnloadedPin> owned = std::move(*it);
    p.items.erase(it);
    p.unindex(pin);
    return owned;
}

} // namespace

const TClassInfo& TOWUnloadedPin::StaticClassInfo()
{
    static const TClassInfo info("TOWUnloadedPin", &TOWBasicPin::StaticClassInfo(), {});
    return info;
}

TOWUnloadedPin::TOWUnloadedPin(std::string indexPath, std::string namePath, std::string requesterPath,
                               std::string rootName, TOWPinKind kind, bool designing)
    : indexPath_(std::move(indexPath)), namePath_(std::move(namePath)), requesterPath_(std::move(requesterPath)),
      rootName_(std::move(rootName)), kind_(kind), designing_(designing)
{
}

TOWUnloadedPin::~TOWUnloadedPin()
{
    setHasDependents(false);
}

TOWUnloadedPin* TOWUnloadedPin::Create(const std::string& indexPath, const std::string& namePath,
                                       const std::string& requesterPath, const std::string& rootName, TOWPinKind kind,
                                       bool designing)
{
    return Make(indexPath, namePath, requesterPath, rootName, kind, designing).Get();
}

TOWBorrowed<TOWUnloadedPin> TOWUnloadedPin::Make(const std::string& indexPath, const std::string& namePath,
                                                 const std::string& requesterPath, const std::string& rootName,
                                                 TOWPinKind kind, bool designing)
{
    TOwned<TOWUnloadedPin> made(new TOWUnloadedPin(indexPath, namePath, requesterPath, rootName, kind, designing));
    made->AfterConstruction();
    TOWUnloadedPin* pin = made.get();
    TOWBorrowed<TOWUnloadedPin> borrowed = BorrowAs(pin);
    TPlaceholders& p = placeholders();
    std::lock_guard hold(p.guard);
    p.items.push_back(std::move(made));
    p.index(pin);
    return borrowed;
}

bool TOWUnloadedPin::CanLinkType(TOWBasicPin* pin, TOWFormatConverter*& converter, bool flag,
                                 const TOWFormatConverterClass*& converterClass)
{
    converter = nullptr;
    converterClass = nullptr;
    return pin != nullptr && pin != this;
}

bool TOWUnloadedPin::CanLink(TOWBasicPin* pin, TOWBasicPin* dependsOn, bool flag)
{
    return pin != nullptr && pin != this;
}

std::string TOWUnloadedPin::GetLocalName()
{
    const auto dot = namePath_.find('.');
    return dot == std::string::npos ? namePath_ : namePath_.substr(dot + 1);
}

std::string TOWUnloadedPin::GetPath(bool withRoot)
{
    // The paths are kept with the root; without it, the root and its dot go.
    if (withRoot || rootName_.empty() || namePath_.compare(0, rootName_.size() + 1, rootName_ + ".") != 0)
        return namePath_;
    return namePath_.substr(rootName_.size() + 1);
}

std::string TOWUnloadedPin::GetIndexPath(bool withRoot)
{
    if (withRoot || rootName_.empty() || indexPath_.compare(0, rootName_.size() + 1, rootName_ + ".") != 0)
        return indexPath_;
    return indexPath_.substr(rootName_.size() + 1);
}

TGUID TOWUnloadedPin::NegotiateStateType(TOWBasicPin* pin, TOWFormatConverter*& converter, bool flag,
                                         const TOWFormatConverterClass*& converterClass)
{
    converter = nullptr;
    converterClass = nullptr;
    return GUID_NULL;
}

bool TOWUnloadedPin::IsConnected()
{
    auto section = ReadLocked();
    return section && links_.Count() > 0;
}

bool TOWUnloadedPin::IsLinkedWith(TOWBasicPin* pin)
{
    auto section = ReadLocked();
    return section && links_.IndexOfSink(pin) >= 0;
}

void TOWUnloadedPin::AddLink(TOWBasicPin* pin, TOWBasicPin* dependsOn)
{
    ConnectData(pin, dependsOn);
}

bool TOWUnloadedPin::ConnectData(TOWBasicPin* pin, TOWBasicPin* dependsOn)
{
    if (!pin || pin == this)
        return false;
    auto section = WriteLocked();
    if (!section || releasing_.load())
        return false;
    const int index = links_.IndexOfSink(pin);
    if (index >= 0) {
        links_.Items(index).DependsOn = dependsOn ? dependsOn->Borrow() : TOWBorrowed<TOWBasicPin>();
        return true;
    }
    TOWPinEntry entry;
    entry.Sink = pin->Borrow();
    entry.Target = entry.Sink;
    if (dependsOn)
        entry.DependsOn = dependsOn->Borrow();
    links_.Add(std::move(entry));
    return true;
}

void TOWUnloadedPin::RemoveLink(TOWBasicPin* pin, bool keepPlaceholder)
{
    bool removed = false;
    {
        auto section = WriteLocked();
        if (!section)
            return;
        for (int index = links_.IndexOfSink(pin); index >= 0; index = links_.IndexOfSink(pin)) {
            links_.Delete(index);
            removed = true;
        }
    }
    if (removed)
        releaseWhenUnused();
}

void TOWUnloadedPin::DisconnectAll()
{
    {
        auto section = WriteLocked();
        if (section)
            links_.Entries().clear();
    }
    TOWBasicPin::DisconnectAll();
}

void TOWUnloadedPin::PinDestroying(TOWBasicPin* pin)
{
    bool removed = false;
    {
        auto section = WriteLocked();
        if (!section)
            return;
        removed = std::erase_if(links_.Entries(), [&](const TOWPinEntry& e) { return e.Sink.Get() == pin; }) > 0;
        for (TOWPinEntry& entry : links_.Entries()) {
            if (entry.DependsOn.Get() == pin)
                entry.DependsOn = {};
        }
        // A link of a pin that goes goes with it.
        if (std::erase_if(dependents_, [&](const TDependent& d) { return d.Pin.Get() == pin || d.Far.Get() == pin; }))
            removed = true;
        setHasDependents(!dependents_.empty());
    }
    if (removed)
        releaseWhenUnused();
}

void TOWUnloadedPin::PinReplaced(TOWBasicPin* oldPin, TOWBasicPin* newPin)
{
    auto section = WriteLocked();
    if (!section)
        return;
    for (TOWPinEntry& entry : links_.Entries()) {
        if (entry.DependsOn.Get() == oldPin)
            entry.DependsOn = newPin ? newPin->Borrow() : TOWBorrowed<TOWBasicPin>();
    }
    // A placeholder end of a dependent link hands it to its real pin.
    for (TDependent& dependent : dependents_) {
        for (TOWBorrowed<TOWBasicPin>* end : {&dependent.Pin, &dependent.Far}) {
            if (end->Get() == oldPin && newPin)
                *end = newPin->Borrow();
        }
    }
}

TOWBasicPin* TOWUnloadedPin::GetDependsOn(TOWBasicPin* pin)
{
    auto section = ReadLocked();
    if (!section)
        return nullptr;
    const int index = links_.IndexOfSink(pin);
    return index >= 0 ? links_.Items(index).DependsOn.Get() : nullptr;
}

int TOWUnloadedPin::GetLinkCount()
{
    auto section = ReadLocked();
    return section ? links_.Count() : 0;
}

TOWBasicPin* TOWUnloadedPin::GetLink(int index)
{
    auto section = ReadLocked();
    if (!section || index < 0 || index >= links_.Count())
        return nullptr;
    return links_.Items(index).Sink.Get();
}

void TOWUnloadedPin::ResolveInto(TOWBasicPin& realPin)
{
    // A partner that is a placeholder too lets go of this one and may be left
    // without links until the real pin links it: its release waits for the
    // end of the hand-over, and so does this one's own.
    const TOWReleaseDeferral deferral;
    {
        const TOWPinRegistry::TUses uses = TOWPinRegistry::UseAll(this);
        uses.ForEach([&](TOWBasicPin& pin) { pin.PinReplaced(this, &realPin); });
    }
    std::vector<TOWPinEntry> links;
    {
        // From here on a link is refused rather than recorded and lost.
        auto section = WriteLocked();
        if (section)
            links.swap(links_.Entries());
        releasing_.store(true);
    }
    // From the last to the first: the partner drops the placeholder, and the
    // real pin makes the link with the recorded data.
    for (auto it = links.rbegin(); it != links.rend(); ++it) {
        auto partner = Use(it->Sink);
        if (!partner)
            continue;
        if (partner->IsLinkedWith(this))
            partner->Disconnect(this);
        auto dependsOn = Use(it->DependsOn);
        realPin.ConnectData(partner.Get(), dependsOn.Get());
    }
    SetInList(false);
    SetKeep(false);
    if (TOwned<TOWUnloadedPin> owned = extractPlaceholder(this))
        owned.reset();
}

bool TOWUnloadedPin::ReleaseIfUnused()
{
    return release(TRelease::IfUnused);
}

bool TOWUnloadedPin::Discard()
{
    return release(TRelease::EvenIfWaitedOn);
}

bool TOWUnloadedPin::release(TRelease when)
{
    {
        // Decided under the section that links take, so that no link can be
        // recorded between the check and the release.
        auto section = WriteLocked();
        if (!section || Keep())
            return false;
        if (when == TRelease::IfUnused && (links_.Count() > 0 || !dependents_.empty() || InList()))
            return false;
        if (releasing_.exchange(true))
            return false;
    }
    return extractPlaceholder(this) != nullptr;
}

void TOWUnloadedPin::releaseWhenUnused()
{
    OWReleaseLater([placeholder = BorrowAs<TOWUnloadedPin>(this)] {
        if (auto unused = Use(placeholder))
            unused->ReleaseIfUnused();
    });
}

bool TOWUnloadedPin::AddDependent(TOWBasicPin& pin, TOWBasicPin& far)
{
    auto section = WriteLocked();
    if (!section || releasing_.load())
        return false;
    if (std::none_of(dependents_.begin(), dependents_.end(), [&](const TDependent& d) { return d.Joins(&pin, &far); }))
        dependents_.push_back({pin.Borrow(), far.Borrow()});
    setHasDependents(true);
    return true;
}

void TOWUnloadedPin::RemoveDependent(TOWBasicPin& pin, TOWBasicPin& far)
{
    {
        auto section = WriteLocked();
        if (!section)
            return;
        std::erase_if(dependents_, [&](const TDependent& d) { return d.Joins(&pin, &far); });
        setHasDependents(!dependents_.empty());
    }
    releaseWhenUnused();
}

void TOWUnloadedPin::dependencyLinkWent(TOWBasicPin* pin, TOWBasicPin* far)
{
    std::vector<TDependent> asked;
    {
        auto section = ReadLocked();
        if (!section)
            return;
        for (const TDependent& d : dependents_) {
            if (d.Joins(pin, far))
                asked.push_back(d);
        }
    }
    // Asked outside this placeholder's section: the two pins take their own.
    std::erase_if(asked, [this](const TDependent& d) {
        auto a = Use(d.Pin);
        auto b = Use(d.Far);
        return a && b && (a->GetDependsOn(b.Get()) == this || b->GetDependsOn(a.Get()) == this);
    });
    if (asked.empty())
        return;
    {
        auto section = WriteLocked();
        if (!section)
            return;
        for (const TDependent& gone : asked) {
            auto it = std::find_if(dependents_.begin(), dependents_.end(),
                                   [&](const TDependent& d) { return d.Joins(gone.Pin.Get(), gone.Far.Get()); });
            if (it != dependents_.end())
                dependents_.erase(it);
        }
        setHasDependents(!dependents_.empty());
    }
    releaseWhenUnused();
}

void TOWUnloadedPin::setHasDependents(bool has)
{
    if (hasDependents_.exchange(has) != has)
        placeholders().withDependents.fetch_add(has ? 1 : -1);
}

void OWDependencyLinkWent(TOWBasicPin* pin, TOWBasicPin* far)
{
    TPlaceholders& p = placeholders();
    if (!pin || !far || p.withDependents.load() == 0)
        return;
    std::vector<TOWBorrowed<TOWUnloadedPin>> asked;
    {
        std::lock_guard hold(p.guard);
        for (const TOwned<TOWUnloadedPin>& item : p.items) {
            if (item->hasDependents_.load())
                asked.push_back(TOWBasicPin::BorrowAs<TOWUnloadedPin>(item.get()));
        }
    }
    for (const TOWBorrowed<TOWUnloadedPin>& borrowed : asked) {
        if (auto placeholder = Use(borrowed))
            placeholder->dependencyLinkWent(pin, far);
    }
}

void OWLetGoOfPendingLinks(TOWBasicPin& pin)
{
    // A pin that goes with its owner is let go of by the placeholders as
    // they hear that it goes (they hold it, so they are told).
    if (OWPlaceholderCount() == 0 || pin.IsOwnerDestroying())
        return;
    // Placeholders left without links go once all are let go of.
    const TOWReleaseDeferral deferral;
    for (const TOWUnloadedPin::TPendingLink& link : TOWUnloadedPin::PendingLinksOf(pin)) {
        auto placeholder = Use(link.Placeholder);
        if (!placeholder)
            continue;
        placeholder->RemoveLink(&pin, false);
        owPinEvents::PinsUnlinked(&pin, placeholder.Get());
        OWDependencyLinkWent(&pin, placeholder.Get());
    }
}

std::vector<TOWUnloadedPin::TPendingLink> TOWUnloadedPin::PendingLinksOf(const TOWBasicPin& pin)
{
    std::vector<TOWBorrowed<TOWUnloadedPin>> all;
    {
        TPlaceholders& p = placeholders();
        std::lock_guard hold(p.guard);
        all.reserve(p.items.size());
        for (const TOwned<TOWUnloadedPin>& item : p.items)
            all.push_back(BorrowAs<TOWUnloadedPin>(item.get()));
    }
    std::vector<TPendingLink> pending;
    for (const TOWBorrowed<TOWUnloadedPin>& borrowed : all) {
        auto placeholder = Use(borrowed);
        if (!placeholder)
            continue;
        auto section = placeholder->ReadLocked();
        const int index = section ? placeholder->links_.IndexOfSink(&pin) : -1;
        if (index >= 0)
            pending.push_back({BorrowAs<TOWBasicPin>(placeholder.Get()), placeholder->links_.Items(index).DependsOn});
    }
    return pending;
}

TOWBorrowed<TOWUnloadedPin> OWFindPlaceholder(const std::string& rootName, const std::string& path)
{
    TPlaceholders& p = placeholders();
    std::lock_guard hold(p.guard);
    return p.find(rootName, path, [](const TOWUnloadedPin&) { return true; });
}

TOWBorrowed<TOWUnloadedPin> OWFindIndexOnlyPlaceholder(const std::string& rootName, const std::string& path)
{
    TPlaceholders& p = placeholders();
    std::lock_guard hold(p.guard);
    return p.find(rootName, path,
                  [](const TOWUnloadedPin& pin) { return pin.NamePathText() == pin.IndexPathText(); });
}

TOWBorrowed<TOWUnloadedPin> OWFindPlaceholderOfKind(const std::string& rootName, const std::string& path,
                                                    TOWPinKind kind)
{
    TPlaceholders& p = placeholders();
    std::lock_guard hold(p.guard);
    return p.find(rootName, path, [kind](TOWUnloadedPin& pin) { return pin.GetSinkKind() == kind; });
}

TOWBorrowed<TOWUnloadedPin> OWFindPlaceholderFor(TOWBasicPin& pin)
{
    const std::string root = pin.GetRootName();
    if (TOWBorrowed<TOWUnloadedPin> found = OWFindPlaceholder(root, pin.GetPath(true)))
        return found;
    return OWFindPlaceholder(root, pin.GetPath(false));
}

void OWResolvePlaceholdersOf(TOWBasicPin& pin, const std::string& pathWithRoot, const std::string& path,
                             TOWPlaceholderFinder find)
{
    const std::string root = pin.GetRootName();
    for (;;) {
        TOWBorrowed<TOWUnloadedPin> found = find(root, pathWithRoot);
        if (!found)
            found = find(root, path);
        if (!found)
            return;
        // One freed meanwhile has left the list: the next search passes it.
        if (auto placeholder = Use(found))
            placeholder->ResolveInto(pin);
    }
}

int OWPlaceholderCount()
{
    TPlaceholders& p = placeholders();
    std::lock_guard hold(p.guard);
    return static_cast<int>(p.items.size());
}

void owPlaceholderDetail::FreeAll()
{
    std::vector<TOwned<TOWUnloadedPin>> freed;
    TPlaceholders& p = placeholders();
    {
        std::lock_guard hold(p.guard);
        freed.swap(p.items);
        p.byPath.clear();
    }
}
