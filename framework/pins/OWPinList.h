#pragma once
// A list of pins a component exposes (the chart's InputPins, XInputPins):
// names and pins in index order, placeholders standing in for pins not
// loaded yet. The list owns its pins when made with ownsPins, but never the
// placeholders in its slots: the placeholder list owns those. Its stand-ins
// last no longer than the list, though: a stand-in the purge took out of its
// slot with links still waits for a pin of the slot, and when the list goes
// it frees those and the ones in its slots, links and all.
//
// Walking the list: hold a TWalk for the whole walk, so that the placeholder
// purge that Count and Items run does not shift the indices under it.
// The stream properties ("Form", "Pins", "PinsOwner") are defined through
// DefineProperties by the link streaming. A "Pins" value of more than
// owMaxStreamLinks items is refused.
#include "framework/pins/OWPins.h"

#include <string>
#include <utility>
#include <vector>

class TOWUnloadedPin;

class TOWPinList : public TOWObject {
public:
    // lock: the owner's lock, the yield lock of the list's sections.
    TOWPinList(TComponent* owner, bool ownsPins, IOWLock* lock);
    ~TOWPinList() override;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    void AfterConstruction() override;
    void BeforeDestruction() override;
    // "Form", "Pins" and "PinsOwner" (OWPinStreaming.cpp).
    void DefineProperties(TFiler& filer) override;

    // Defers the placeholder purge to the end of the outermost walk.
    class TWalk {
    public:
        explicit TWalk(TOWPinList& list);
        TWalk(const TWalk&) = delete;
        TWalk& operator=(const TWalk&) = delete;
        ~TWalk();

    private:
        TOWPinList& list_;
    };

    TComponent* Owner() const { return owner_; }
    bool OwnsPins() const { return ownsPins_; }
    // Purges placeholders, then the number of entries minus placeholders.
    int Count();
    // Purges placeholders, then the pin at index (null for a slot whose pin
    // was destroyed).
    TOWBasicPin* Items(int index);
    // The stored name, or "Pin [index]" when it is empty.
    std::string PinName(int index);
    void SetPinName(int index, const std::string& name);
    void Exchange(int i, int j);
    int IndexOf(const TOWBasicPin* pin);
    void Add(TOWBasicPin* pin);
    void AddPin(TOWBasicPin* pin, const std::string& name);
    void Delete(int index);
    void RemovePin(TOWBasicPin* pin);
    void Clear();
    void SetCount(int) {}

    const std::string& FormName() const { return formName_; }
    void SetFormName(std::string name) { formName_ = std::move(name); }
    int PlaceholderCount();
    // Every entry, placeholders included, without purging.
    int EntryCount();
    // The pin of a slot with its destroy lock, without purging; empty for an
    // index out of range. Use it through TOWUse: a placeholder in a slot may
    // be gone.
    TOWBorrowed<TOWBasicPin> ItemAt(int index);
    // The same with the slot's name as PinName gives it, read together: for a
    // walk that other threads may shorten (an index gone gives nothing).
    std::pair<TOWBorrowed<TOWBasicPin>, std::string> NamedItemAt(int index);

    // A pin of this list is going: its slot is set to null.
    void PinGone(TOWBasicPin* pin);
    TOWBorrowed<TOWPinList> Borrow() { return {this, life_}; }

private:
    struct TEntry {
        std::string name;
        TOWBasicPin* pin = nullptr;
        TOWIntf<TOWDestroyLock> life;
        bool placeholder = false;
    };

    TOWPinSection readLocked() { return TOWPinSection::Read(Lock(), lock_.Get()); }
    TOWPinSection writeLocked() { return TOWPinSection::Write(Lock(), lock_.Get()); }
    void purgePlaceholders();
    // Under the write section: the entry at index, out of the list.
    TEntry takeOut(int index);
    // After it: the notifications, then the pin freed or detached.
    void finishDelete(TEntry removed, int index);
    // Frees or detaches a pin taken out of the list (no section held).
    void letGo(const TEntry& entry);
    // Frees the stand-ins that wait for a pin of their slot (no section held).
    void discardWaiting();

    TComponent* owner_;
    TOWLockRef lock_;
    TOWIntf<TOWDestroyLock> life_;
    std::vector<TEntry> entries_;
    // Stand-ins taken out of their slots that hold links still.
    std::vector<TOWBorrowed<TOWUnloadedPin>> waiting_;
    const bool ownsPins_;
    std::string formName_;
    int placeholderCount_ = 0;
    int cachedIndex_ = -1;
    bool purging_ = false;
    std::atomic<int> walks_{0};
};
