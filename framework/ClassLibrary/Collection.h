#pragma once
// Collections own items of one item class and tell about every item that joins
// or leaves them. An item joins in its AfterConstruction, once it is whole, so
// the collection's notification already sees the finished item.
#include "framework/ClassLibrary/Persistent.h"

#include <vector>

class TCollection;
class TCollectionItem;

// How a collection makes its items.
struct TCollectionItemClass {
    const TClassInfo& info;
    TCollectionItem* (*create)(TCollection& collection);
};

// The item class of T, which must be constructible from a TCollection*.
template<class T>
const TCollectionItemClass& CollectionItemClassOf();

enum class TCollectionNotification : std::uint8_t { Added, Extracting, Deleting };

class TCollectionItem : public TPersistent {
public:
    explicit TCollectionItem(TCollection* collection) : pending_(collection) {}

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    void AfterConstruction() override;
    // Leaves the collection, which reports the item as deleted.
    void BeforeDestruction() override;

    TCollection* Collection() const { return collection_; }
    // Moves the item to another collection (null: out of any). Leaving this
    // way reports the item as extracted; it is then the caller's to free.
    void SetCollection(TCollection* collection);
    int Index() const;
    virtual void SetIndex(int index);
    TPersistent* GetOwner() const override;

private:
    friend class TCollection;
    TCollection* pending_;
    TCollection* collection_ = nullptr;
};

class TCollection : public TPersistent {
public:
    explicit TCollection(const TCollectionItemClass& itemClass) : itemClass_(itemClass) {}
    ~TCollection() override;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    // Frees the items while the collection is whole.
    void BeforeDestruction() override;

    // Replaces the items by copies of the source collection's items.
    void Assign(const TPersistent& source) override;

    const TCollectionItemClass& ItemClass() const { return itemClass_; }
    TCollectionItem* Add();
    int Count() const { return static_cast<int>(items_.size()); }
    TCollectionItem* Items(int index) const { return items_.at(static_cast<std::size_t>(index)); }
    int IndexOf(const TCollectionItem* item) const;
    void Delete(int index);
    void Clear();
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    int UpdateCount() const { return updateCount_; }

protected:
    // After an item joined; before it leaves.
    virtual void Notify(TCollectionItem& item, TCollectionNotification action) {}
    // After any change while no update is open; item null for many items.
    virtual void Update(TCollectionItem* item) {}

private:
    friend class TCollectionItem;
    void insertItem(TCollectionItem& item);
    void removeItem(TCollectionItem& item, TCollectionNotification action);
    void moveItem(int from, int to);

    const TCollectionItemClass& itemClass_;
    std::vector<TCollectionItem*> items_;
    int updateCount_ = 0;
};

template<class T>
const TCollectionItemClass& CollectionItemClassOf()
{
    static const TCollectionItemClass itemClass{
        T::StaticClassInfo(), [](TCollection& c) -> TCollectionItem* { return MakeObject<T>(&c).release(); }};
    return itemClass;
}
