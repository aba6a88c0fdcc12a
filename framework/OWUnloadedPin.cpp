#include "framework/OWUnloadedPin.h"

#include "framework/ClassLibrary/TypeInfo.h"
#include "framework/OWPinRegistry.h"

#include <algorithm>
#include <mutex>

namespace {

// The owning placeholder list; a leaf of the lock order.
struct TPlaceholders {
    std::mutex guard;
    std::vector<TOwned<TOWUnloadedPin>> items;
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

TOWUnloadedPin* TOWUnloadedPin::Create(const std::string& indexPath, const std::string& namePath,
                                       const std::string& requesterPath, const std::string& rootName, TOWPinKind kind,
                                       bool designing)
{
    TOwned<TOWUnloadedPin> made(new TOWUnloadedPin(indexPath, namePath, requesterPath, rootName, kind, designing));
    made->AfterConstruction();
    TOWUnloadedPin* pin = made.get();
    TPlaceholders& p = placeholders();
    std::lock_guard hold(p.guard);
    p.items.push_back(std::move(made));
    return pin;
}

bool TOWUnloadedPin::CanLinkType(TOWBasicPin* pin, TOWFormatConverter*& converter, bool flag,
                                 const TOWFormatConverterClass*& converterClass)
{
    converter = nullptr;
    converterClass = nullptr;
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
    if (!section)
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
    auto section = WriteLocked();
    if (!section)
        return;
    for (int index = links_.IndexOfSink(pin); index >= 0; index = links_.IndexOfSink(pin))
        links_.Delete(index);
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
    auto section = WriteLocked();
    if (!section)
        return;
    std::erase_if(links_.Entries(), [&](const TOWPinEntry& e) { return e.Sink.Get() == pin; });
    for (TOWPinEntry& entry : links_.Entries()) {
        if (entry.DependsOn.Get() == pin)
            entry.DependsOn = {};
    }
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
    {
        const TOWPinRegistry::TUses uses = TOWPinRegistry::UseAll(this);
        uses.ForEach([&](TOWBasicPin& pin) { pin.PinReplaced(this, &realPin); });
    }
    std::vector<TOWPinEntry> links;
    {
        auto section = WriteLocked();
        if (section)
            links.swap(links_.Entries());
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
    {
        auto section = ReadLocked();
        if (!section || links_.Count() > 0)
            return false;
    }
    if (InList() || Keep() || releasing_.exchange(true))
        return false;
    TOwned<TOWUnloadedPin> owned = extractPlaceholder(this);
    return owned != nullptr;
}

TOWUnloadedPin* OWFindPlaceholder(const std::string& rootName, const std::string& path)
{
    TPlaceholders& p = placeholders();
    std::lock_guard hold(p.guard);
    for (const TOwned<TOWUnloadedPin>& pin : p.items) {
        if (pin->RootNameText() == rootName && (pin->IndexPathText() == path || pin->NamePathText() == path))
            return pin.get();
    }
    return nullptr;
}

TOWUnloadedPin* OWFindPlaceholderFor(TOWBasicPin& pin)
{
    const std::string root = pin.GetRootName();
    if (TOWUnloadedPin* found = OWFindPlaceholder(root, pin.GetPath(true)))
        return found;
    return OWFindPlaceholder(root, pin.GetPath(false));
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
    }
}
