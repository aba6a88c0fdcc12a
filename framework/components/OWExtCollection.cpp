#include "framework/components/OWExtCollection.h"

#include "framework/ClassLibrary/TypeInfo.h"

#include <algorithm>

const TClassInfo& TOWExtCollectionItem::StaticClassInfo()
{
    static const TClassInfo info("TOWExtCollectionItem", &TCollectionItem::StaticClassInfo(), {});
    return info;
}

void TOWExtCollectionItem::BeforeDestruction()
{
    TCollectionItem::BeforeDestruction();
    if (refCell_)
        *refCell_ = nullptr;
}

TOWExtCollection::TOWExtCollection(TPersistent* owner, const TCollectionItemClass& itemClass)
    : TCollection(itemClass), owner_(owner)
{
}

const TClassInfo& TOWExtCollection::StaticClassInfo()
{
    static const TClassInfo info("TOWExtCollection", &TCollection::StaticClassInfo(), {});
    return info;
}

void TOWExtCollection::AddListener(TOWIntf<IOWCollectionListener> listener)
{
    if (!listeners_)
        listeners_ = std::make_unique<std::vector<TOWIntf<IOWCollectionListener>>>();
    listeners_->push_back(std::move(listener));
}

void TOWExtCollection::RemoveListener(IOWCollectionListener* listener)
{
    if (listeners_)
        std::erase_if(*listeners_, [listener](const auto& l) { return l.Get() == listener; });
}

void TOWExtCollection::ItemAdded(TCollectionItem& item)
{
    if (!listeners_)
        return;
    // A listener may remove itself while being told.
    const auto listeners = *listeners_;
    for (const auto& l : listeners)
        l->ItemAdded(*this, item);
}

void TOWExtCollection::ItemRemoved(TCollectionItem& item)
{
    if (!listeners_)
        return;
    const auto listeners = *listeners_;
    for (const auto& l : listeners)
        l->ItemRemoved(*this, item);
}

void TOWExtCollection::Notify(TCollectionItem& item, TCollectionNotification action)
{
    TCollection::Notify(item, action);
    if (action == TCollectionNotification::Added) {
        InitNewItem(item);
        ItemAdded(item);
    } else {
        ItemRemoved(item);
    }
    CachedIndex = -1;
}
