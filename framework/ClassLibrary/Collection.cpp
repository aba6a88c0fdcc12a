#include "framework/ClassLibrary/Collection.h"

#include "framework/ClassLibrary/TypeInfo.h"

#include <algorithm>

// ---------------------------------------------------------------- item

const TClassInfo& TCollectionItem::StaticClassInfo()
{
    static const TClassInfo info("TCollectionItem", &TPersistent::StaticClassInfo(), {});
    return info;
}

void TCollectionItem::AfterConstruction()
{
    TPersistent::AfterConstruction();
    if (TCollection* c = std::exchange(pending_, nullptr))
        c->insertItem(*this);
}

void TCollectionItem::BeforeDestruction()
{
    if (collection_)
        collection_->removeItem(*this, TCollectionNotification::Deleting);
    TPersistent::BeforeDestruction();
}

void TCollectionItem::SetCollection(TCollection* collection)
{
    if (collection == collection_)
        return;
    if (collection_)
        collection_->removeItem(*this, TCollectionNotification::Extracting);
    if (collection)
        collection->insertItem(*this);
}

int TCollectionItem::Index() const
{
    return collection_ ? collection_->IndexOf(this) : -1;
}

void TCollectionItem::SetIndex(int index)
{
    const int current = Index();
    if (current >= 0 && current != index)
        collection_->moveItem(current, index);
}

TPersistent* TCollectionItem::GetOwner() const
{
    return collection_;
}

// ---------------------------------------------------------------- collection

const TClassInfo& TCollection::StaticClassInfo()
{
    static const TClassInfo info("TCollection", &TPersistent::StaticClassInfo(), {});
    return info;
}

TCollection::~TCollection()
{
    // Normally empty already (BeforeDestruction); without notifications now
    // that the derived parts are gone.
    for (TCollectionItem* item : items_) {
        item->collection_ = nullptr;
        FreeObject(item);
    }
}

void TCollection::BeforeDestruction()
{
    ++updateCount_;
    Clear();
    TPersistent::BeforeDestruction();
}

void TCollection::Assign(const TPersistent& source)
{
    const auto* other = dynamic_cast<const TCollection*>(&source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    BeginUpdate();
    try {
        Clear();
        for (const TCollectionItem* item : other->items_)
            Add()->Assign(*item);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

TCollectionItem* TCollection::Add()
{
    return itemClass_.create(*this);
}

int TCollection::IndexOf(const TCollectionItem* item) const
{
    auto it = std::find(items_.begin(), items_.end(), item);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TCollection::Delete(int index)
{
    FreeObject(Items(index));
}

void TCollection::Clear()
{
    if (items_.empty())
        return;
    BeginUpdate();
    while (!items_.empty())
        FreeObject(items_.back());
    EndUpdate();
}

void TCollection::EndUpdate()
{
    if (--updateCount_ == 0)
        Update(nullptr);
}

void TCollection::insertItem(TCollectionItem& item)
{
    items_.push_back(&item);
    item.collection_ = this;
    Notify(item, TCollectionNotification::Added);
    if (updateCount_ == 0)
        Update(&item);
}

void TCollection::removeItem(TCollectionItem& item, TCollectionNotification action)
{
    Notify(item, action);
    std::erase(items_, &item);
    item.collection_ = nullptr;
    if (updateCount_ == 0)
        Update(nullptr);
}

void TCollection::moveItem(int from, int to)
{
    to = std::clamp(to, 0, Count() - 1);
    TCollectionItem* item = items_[static_cast<std::size_t>(from)];
    items_.erase(items_.begin() + from);
    items_.insert(items_.begin() + to, item);
    if (updateCount_ == 0)
        Update(nullptr);
}
