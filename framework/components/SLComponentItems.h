#pragma once
// Item lists: a component keeps other controls as its items in a locked list
// held in one of its published properties. Items stream as children of that
// component, in list order.
#include "framework/components/LPComponent.h"
#include "framework/locks/OWCriticalSection.h"

#include <vector>

class TSLComponentItems;

// An item control as its list sees it. Items are components owned elsewhere,
// so the counting answers 1 and never frees.
class ISLComponentItem : public IOWInterface {
public:
    std::uint32_t AddRef() noexcept override { return 1; }
    std::uint32_t Release() noexcept override { return 1; }

    // Joins list (leaving the current one); null leaves any list.
    virtual void SetOwnerCollection(TSLComponentItems* list) = 0;
    virtual TSLComponentItems* GetOwnerCollection() const = 0;
    // The component whose published property holds the list.
    virtual void SetCollectionOwner(TComponent* owner) = 0;
    virtual TComponent* GetCollectionOwner() const = 0;
    virtual TCustomControl& GetComponent() = 0;
    // Position in the list, -1 outside one.
    virtual int GetIndex() const = 0;
    virtual void SetIndex(int index) = 0;
    virtual bool GetVisible() const = 0;
    virtual void SetVisible(bool visible) = 0;

protected:
    ~ISLComponentItem() = default;
};

class TSLComponentItems : public TLPPersistent {
public:
    // The list shares the root lock of lock (normally its owner's).
    TSLComponentItems(TComponent* ownerComponent, ILPLock& lock);
    // Frees the items still in the list. Only the list's own Changed runs
    // meanwhile: the owner that made it may already be going.
    ~TSLComponentItems() override;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    TComponent* OwnerComponent() const { return ownerComponent_; }

    // For the item's SetOwnerCollection, once the item has stored this list:
    // appends it (once) and tells it the list's owner. Items join through
    // SetOwnerCollection, never through Add alone.
    void Add(ISLComponentItem& item);
    // Takes item out; the index it had, -1 when it was not there.
    int Remove(ISLComponentItem& item);
    // Takes item out and, when it was there, out of the item's own record.
    void Detach(ISLComponentItem& item);
    void Exchange(int i, int j);

    int GetCount() const;
    // Null outside 0 .. count - 1.
    ISLComponentItem* GetItemIntf(int index) const;
    int IndexOf(const ISLComponentItem& item) const;

    // Empties the list from the last item to the first; with freeItems the
    // controls are also taken out of the owner and freed.
    void Clear(bool freeItems);

    // The controls of the items that root owns, in list order: what the owner
    // streams as its children.
    void GetChildren(const TGetChildProc& proc, TComponent* root) const;
    void SetChildOrder(TComponent& child, int order);

private:
    std::vector<ISLComponentItem*> snapshot() const;

    TComponent* ownerComponent_;
    mutable TOWCriticalSection guard_;
    std::vector<ISLComponentItem*> items_;
};

// An item list that tells its owner about changes: Changed calls the first
// method; the second is kept for the owner.
class TLPComponentElements : public TSLComponentItems {
public:
    TLPComponentElements(TComponent* ownerComponent, ILPLock& lock, TNotifyMethod onChanged,
                         TNotifyMethod ownerMethod)
        : TSLComponentItems(ownerComponent, lock), onChanged_(onChanged), ownerMethod_(ownerMethod)
    {
    }

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    void Changed() override;
    TNotifyMethod OwnerMethod() const { return ownerMethod_; }

private:
    TNotifyMethod onChanged_;
    TNotifyMethod ownerMethod_;
};
