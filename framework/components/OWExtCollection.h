#pragma once
// Collections that tell their own hooks and optional listeners about every
// item that joins or leaves, and items that clear a user's reference to them
// when they go.
#include "framework/ClassLibrary/Collection.h"
#include "framework/locks/OWInterface.h"

#include <memory>
#include <vector>

class TOWExtCollection;

class TOWExtCollectionItem : public TCollectionItem {
public:
    using TCollectionItem::TCollectionItem;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    // Leaves the collection, then clears the reference cell.
    void BeforeDestruction() override;

    // A cell that points at this item and is set to null when the item goes.
    void SetRefCell(TOWExtCollectionItem** cell) { refCell_ = cell; }
    TOWExtCollectionItem** RefCell() const { return refCell_; }

private:
    TOWExtCollectionItem** refCell_ = nullptr;
};

class IOWCollectionListener : public IOWInterface {
public:
    virtual void ItemAdded(TOWExtCollection& collection, TCollectionItem& item) = 0;
    virtual void ItemRemoved(TOWExtCollection& collection, TCollectionItem& item) = 0;

protected:
    ~IOWCollectionListener() = default;
};

class TOWExtCollection : public TCollection {
public:
    TOWExtCollection(TPersistent* owner, const TCollectionItemClass& itemClass);

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    TPersistent* GetOwner() const override { return owner_; }

    // A user's cache of a looked-up index; -1 after every add, extract or delete.
    int CachedIndex = -1;

    void AddListener(TOWIntf<IOWCollectionListener> listener);
    void RemoveListener(IOWCollectionListener* listener);

    virtual void ItemAdded(TCollectionItem& item);
    virtual void ItemRemoved(TCollectionItem& item);
    // Sets up a new item before ItemAdded; empty here.
    virtual void InitNewItem(TCollectionItem& item) {}

protected:
    void Notify(TCollectionItem& item, TCollectionNotification action) override;

private:
    TPersistent* owner_;
    // Made by the first AddListener.
    std::unique_ptr<std::vector<TOWIntf<IOWCollectionListener>>> listeners_;
};
