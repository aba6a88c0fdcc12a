#include "framework/pins/OWPinList.h"

#include "framework/ClassLibrary/TypeInfo.h"
#include "framework/pins/OWPinEvents.h"
#include "framework/pins/OWUnloadedPin.h"

#include <algorithm>

namespace {

std::string unnamedPinName(int index)
{
    return "Pin [" + std::to_string(index) + "]";
}

[[noreturn]] void indexOutOfRange(int index)
{
    throw EOWException("Index out of range = " + std::to_string(static_cast<unsigned>(index)));
}

} // namespace

const TClassInfo& TOWPinList::StaticClassInfo()
{
    static const TClassInfo info("TOWPinList", &TOWObject::StaticClassInfo(), {});
    return info;
}

TOWPinList::TOWPinList(TComponent* owner, bool ownsPins, IOWLock* lock)
    : owner_(owner), lock_(lock), life_(TOWDestroyLock::Create()), ownsPins_(ownsPins)
{
}

TOWPinList::~TOWPinList()
{
    if (!life_->Retired())
        BeforeDestruction();
}

void TOWPinList::AfterConstruction()
{
    owPinEvents::PinListCreated(this);
}

void TOWPinList::BeforeDestruction()
{
    if (life_->Retired())
        return;
    owPinEvents::PinListDestroyed(this);
    // Pins leaving the list reach it through its destroy lock only.
    auto pending = life_->DestroySection();
    Clear();
    discardWaiting();
    life_->Retire();
}

TOWPinList::TWalk::TWalk(TOWPinList& list) : list_(list)
{
    list_.walks_.fetch_add(1, std::memory_order_acq_rel);
}

TOWPinList::TWalk::~TWalk()
{
    if (list_.walks_.fetch_sub(1, std::memory_order_acq_rel) == 1)
        list_.purgePlaceholders();
}

void TOWPinList::purgePlaceholders()
{
    if (walks_.load(std::memory_order_acquire) > 0)
        return;
    if (owner_ && (owner_->ComponentState().loading || owner_->ComponentState().designing))
        return;
    std::vector<TEntry> purged;
    {
        auto section = writeLocked();
        if (!section || purging_ || placeholderCount_ == 0)
            return;
        purging_ = true;
        for (int i = static_cast<int>(entries_.size()) - 1; i >= 0 && placeholderCount_ > 0; --i) {
            if (entries_[static_cast<std::size_t>(i)].placeholder) {
                purged.push_back(std::move(entries_[static_cast<std::size_t>(i)]));
                entries_.erase(entries_.begin() + i);
                --placeholderCount_;
            }
        }
        cachedIndex_ = -1;
        purging_ = false;
    }
    for (const TEntry& entry : purged)
        letGo(entry);
}

int TOWPinList::Count()
{
    purgePlaceholders();
    auto section = readLocked();
    return section ? static_cast<int>(entries_.size()) - placeholderCount_ : 0;
}

int TOWPinList::EntryCount()
{
    auto section = readLocked();
    return section ? static_cast<int>(entries_.size()) : 0;
}

TOWBorrowed<TOWBasicPin> TOWPinList::ItemAt(int index)
{
    auto section = readLocked();
    if (!section || index < 0 || index >= static_cast<int>(entries_.size()))
        return {};
    const TEntry& entry = entries_[static_cast<std::size_t>(index)];
    return TOWBorrowed<TOWBasicPin>(entry.pin, entry.life);
}

std::pair<TOWBorrowed<TOWBasicPin>, std::string> TOWPinList::NamedItemAt(int index)
{
    auto section = readLocked();
    if (!section || index < 0 || index >= static_cast<int>(entries_.size()))
        return {};
    const TEntry& entry = entries_[static_cast<std::size_t>(index)];
    return {TOWBorrowed<TOWBasicPin>(entry.pin, entry.life), entry.name.empty() ? unnamedPinName(index) : entry.name};
}

int TOWPinList::PlaceholderCount()
{
    auto section = readLocked();
    return section ? placeholderCount_ : 0;
}

TOWBasicPin* TOWPinList::Items(int index)
{
    purgePlaceholders();
    auto section = readLocked();
    if (!section)
        return nullptr;
    if (index < 0 || index >= static_cast<int>(entries_.size()))
        indexOutOfRange(index);
    return entries_[static_cast<std::size_t>(index)].pin;
}

std::string TOWPinList::PinName(int index)
{
    auto section = readLocked();
    if (!section)
        return {};
    if (index < 0 || index >= static_cast<int>(entries_.size()))
        indexOutOfRange(index);
    const std::string& name = entries_[static_cast<std::size_t>(index)].name;
    return name.empty() ? unnamedPinName(index) : name;
}

void TOWPinList::SetPinName(int index, const std::string& name)
{
    TOWBorrowed<TOWBasicPin> changed;
    {
        auto section = writeLocked();
        if (!section || index < 0 || index >= static_cast<int>(entries_.size()))
            return;
        TEntry& entry = entries_[static_cast<std::size_t>(index)];
        const std::string stored = name == unnamedPinName(index) ? std::string() : name;
        if (stored == entry.name)
            return;
        entry.name = stored;
        cachedIndex_ = -1;
        changed = TOWBorrowed<TOWBasicPin>(entry.pin, entry.life);
    }
    if (auto pin = Use(changed))
        owPinEvents::PinChanged(pin.Get());
}

void TOWPinList::Exchange(int i, int j)
{
    TOWBasicPin* moved = nullptr;
    {
        auto section = writeLocked();
        if (!section)
            return;
        const int size = static_cast<int>(entries_.size());
        if (i < 0 || i >= size)
            indexOutOfRange(i);
        if (j < 0 || j >= size)
            indexOutOfRange(j);
        std::swap(entries_[static_cast<std::size_t>(i)], entries_[static_cast<std::size_t>(j)]);
        cachedIndex_ = -1;
        moved = entries_[static_cast<std::size_t>(j)].pin;
    }
    owPinEvents::PinListPinMoved(this, moved, i, j);
    owPinEvents::PinListChanged(this);
}

int TOWPinList::IndexOf(const TOWBasicPin* pin)
{
    auto section = readLocked();
    if (!section || !pin)
        return -1;
    auto it = std::find_if(entries_.begin(), entries_.end(), [&](const TEntry& e) { return e.pin == pin; });
    return it == entries_.end() ? -1 : static_cast<int>(it - entries_.begin());
}

void TOWPinList::Add(TOWBasicPin* pin)
{
    AddPin(pin, {});
    owPinEvents::PinChanged(pin);
}

void TOWPinList::AddPin(TOWBasicPin* pin, const std::string& name)
{
    if (!pin)
        return;
    auto* placeholder = dynamic_cast<TOWUnloadedPin*>(pin);
    TOWBorrowed<TOWUnloadedPin> replaced;
    {
        auto section = writeLocked();
        if (!section)
            return;
        TEntry entry{name, pin, TOWIntf<TOWDestroyLock>(&pin->DestroyLockObject()), placeholder != nullptr};
        auto slot = std::find_if(entries_.begin(), entries_.end(), [](const TEntry& e) { return e.placeholder; });
        if (placeholder) {
            placeholder->SetInList(true);
            entries_.push_back(std::move(entry));
            ++placeholderCount_;
        } else if (placeholderCount_ > 0 && slot != entries_.end()) {
            // The real pin takes the first placeholder's slot and its links.
            replaced = TOWBorrowed<TOWUnloadedPin>(static_cast<TOWUnloadedPin*>(slot->pin), slot->life);
            *slot = std::move(entry);
            --placeholderCount_;
        } else {
            entries_.push_back(std::move(entry));
        }
        cachedIndex_ = -1;
    }
    if (auto standIn = Use(replaced)) {
        standIn->SetInList(false);
        standIn->ResolveInto(*pin);
    }
    if (!placeholder && pin->GetOwnerComponent() == owner_) {
        pin->SetPinList(this);
        owPinEvents::PinChanged(pin);
        // A stand-in that the purge took out of this slot still holds the
        // links a "Pins" value gave the slot. It is known by the slot's index
        // path alone, which names this pin only now, so the pin's name path
        // never finds it; placeholders that have a name path wait for that.
        if (OWPlaceholderCount() > 0)
            OWResolvePlaceholdersOf(*pin, pin->GetIndexPath(true), pin->GetIndexPath(false),
                                    &OWFindIndexOnlyPlaceholder);
    }
    owPinEvents::PinListChanged(this);
    owPinEvents::PinListPinAdded(this, pin, name);
}

void TOWPinList::Delete(int index)
{
    TEntry removed;
    {
        auto section = writeLocked();
        if (!section)
            return;
        if (index < 0 || index >= static_cast<int>(entries_.size()))
            indexOutOfRange(index);
        removed = takeOut(index);
    }
    finishDelete(std::move(removed), index);
}

void TOWPinList::RemovePin(TOWBasicPin* pin)
{
    // Found and taken out under one section, so that another thread's change
    // in between cannot make it take the wrong entry.
    for (;;) {
        TEntry removed;
        int index = -1;
        {
            auto section = writeLocked();
            if (!section || !pin)
                return;
            auto it = std::find_if(entries_.begin(), entries_.end(), [&](const TEntry& e) { return e.pin == pin; });
            if (it == entries_.end())
                return;
            index = static_cast<int>(it - entries_.begin());
            removed = takeOut(index);
        }
        finishDelete(std::move(removed), index);
    }
}

TOWPinList::TEntry TOWPinList::takeOut(int index)
{
    TEntry removed = std::move(entries_[static_cast<std::size_t>(index)]);
    entries_.erase(entries_.begin() + index);
    if (removed.placeholder)
        --placeholderCount_;
    cachedIndex_ = -1;
    return removed;
}

void TOWPinList::finishDelete(TEntry removed, int index)
{
    // Every notification goes out while the pin still exists; it is freed
    // last.
    TOWBorrowed<TOWBasicPin> pin(removed.pin, removed.life);
    if (!removed.placeholder && !ownsPins_) {
        if (auto detached = Use(pin); detached && detached->PinList() == this) {
            detached->LeavePinList(this);
            owPinEvents::PinChanged(detached.Get());
        }
    }
    owPinEvents::PinListPinRemoved(this, removed.pin, index);
    owPinEvents::PinListChanged(this);
    letGo(removed);
}

void TOWPinList::Clear()
{
    std::vector<TEntry> removed;
    {
        auto section = writeLocked();
        if (!section)
            return;
        removed.swap(entries_);
        placeholderCount_ = 0;
        cachedIndex_ = -1;
    }
    for (const TEntry& entry : removed)
        letGo(entry);
    owPinEvents::PinListChanged(this);
}

void TOWPinList::letGo(const TEntry& entry)
{
    if (!entry.pin)
        return;
    TOWBorrowed<TOWBasicPin> borrowed(entry.pin, entry.life);
    if (entry.placeholder) {
        auto placeholder = Use(borrowed);
        if (!placeholder)
            return;
        auto* standIn = static_cast<TOWUnloadedPin*>(placeholder.Get());
        standIn->SetInList(false);
        if (standIn->ReleaseIfUnused())
            return;
        // Its links wait for a pin of its slot, as long as this list stands.
        auto section = writeLocked();
        if (!section)
            return;
        std::erase_if(waiting_, [](const TOWBorrowed<TOWUnloadedPin>& w) { return !w.Life() || w.Life()->Retired(); });
        waiting_.push_back(TOWBasicPin::BorrowAs(standIn));
        return;
    }
    auto pin = Use(borrowed);
    if (!pin)
        return;
    pin->LeavePinList(this);
    // Freeing it inside this thread's own use is allowed: the destruction does
    // not wait for the destroying thread's uses.
    if (ownsPins_)
        FreeObject(pin.Get());
}

void TOWPinList::discardWaiting()
{
    std::vector<TOWBorrowed<TOWUnloadedPin>> waiting;
    {
        auto section = writeLocked();
        if (section)
            waiting.swap(waiting_);
    }
    for (const TOWBorrowed<TOWUnloadedPin>& borrowed : waiting) {
        if (auto standIn = Use(borrowed))
            standIn->Discard();
    }
}

void TOWPinList::PinGone(TOWBasicPin* pin)
{
    auto section = writeLocked();
    if (!section)
        return;
    for (TEntry& entry : entries_) {
        if (entry.pin == pin) {
            entry.pin = nullptr;
            entry.life.Reset();
        }
    }
}
