#include "framework/components/LPComponent.h"

#include "framework/ClassLibrary/TypeInfo.h"
#include "framework/components/LPPublishedProperties.h"

#include <functional>

namespace {

// The lock of an object of the locked family, or null for any other object.
ILPLock* lockOf(const TPersistent& object)
{
    if (auto* persistent = dynamic_cast<const TLPPersistent*>(&object))
        return &persistent->Lock();
    if (auto* item = dynamic_cast<const TLPCollectionItem*>(&object))
        return &item->Lock();
    if (auto* control = dynamic_cast<const TLPCustomControl*>(&object))
        return &control->Lock();
    if (auto* collection = dynamic_cast<const TLPCollection*>(&object))
        return &collection->Lock();
    return nullptr;
}

// Assign changes its own tree under that tree's lock while the source's
// getters take the source tree's lock. Were the two taken in the order of each
// call, A.Assign(B) and B.Assign(A) on two threads could each hold one and wait
// for the other for ever; so both are taken here, lower address first.
class TAssignSections {
public:
    TAssignSections(ILPLock& dest, const TPersistent& source)
    {
        ILPLock* from = lockOf(source);
        TOWLock& destRoot = dest.GetLockObject();
        if (!from || &from->GetLockObject() == &destRoot) {
            first_ = dest.WriteSection();
        } else if (std::less<const TOWLock*>()(&destRoot, &from->GetLockObject())) {
            first_ = dest.WriteSection();
            second_ = from->ReadSection();
        } else {
            first_ = from->ReadSection();
            second_ = dest.WriteSection();
        }
    }

private:
    // Released in the reverse order.
    TOWLockSectionRef first_;
    TOWLockSectionRef second_;
};

} // namespace

// ---------------------------------------------------------------- control

TLPCustomControl::TLPCustomControl(TComponent* owner)
    : TCustomControl(owner), lock_(TLPLock::Create(TNotifyMethod::Of<&TLPCustomControl::notifyChanged>(this)))
{
}

TLPCustomControl::~TLPCustomControl() = default;

const TClassInfo& TLPCustomControl::StaticClassInfo()
{
    static const TClassInfo info("TLPCustomControl", &TCustomControl::StaticClassInfo(), {});
    return info;
}

void TLPCustomControl::Assign(const TPersistent& source)
{
    const TAssignSections sections(*lock_, source);
    if (auto* control = dynamic_cast<const TLPCustomControl*>(&source))
        CopyPublishedProperties(*this, *control, true);
    else
        TCustomControl::Assign(source);
}

void TLPCustomControl::DefineProperties(TFiler& filer)
{
    TCustomControl::DefineProperties(filer);
    DefineFloatsProperty(filer, *this);
}

// ---------------------------------------------------------------- persistent

TLPPersistent::TLPPersistent(TLPCustomControl& owner) : TLPPersistent(&owner, owner.Lock())
{
}

TLPPersistent::TLPPersistent(TLPPersistent& owner) : TLPPersistent(&owner, owner.Lock())
{
}

TLPPersistent::TLPPersistent(TLPCollectionItem& owner) : TLPPersistent(&owner, owner.Lock())
{
}

TLPPersistent::TLPPersistent(TPersistent* owner, ILPLock& lock)
    : owner_(owner), lock_(TLPLock::CreateShared(lock, TNotifyMethod::Of<&TLPPersistent::notifyChanged>(this)))
{
}

TLPPersistent::~TLPPersistent() = default;

const TClassInfo& TLPPersistent::StaticClassInfo()
{
    static const TClassInfo info("TLPPersistent", &TPersistent::StaticClassInfo(), {});
    return info;
}

void TLPPersistent::Assign(const TPersistent& source)
{
    const TAssignSections sections(*lock_, source);
    if (auto* persistent = dynamic_cast<const TLPPersistent*>(&source))
        CopyPublishedProperties(*this, *persistent, false);
    else
        TPersistent::Assign(source);
}

void TLPPersistent::DefineProperties(TFiler& filer)
{
    TPersistent::DefineProperties(filer);
    DefineFloatsProperty(filer, *this);
}

const TClassInfo& TLPLockedPersistentNotify::StaticClassInfo()
{
    static const TClassInfo info("TLPLockedPersistentNotify", &TLPPersistent::StaticClassInfo(), {});
    return info;
}

void TLPLockedPersistentNotify::Changed()
{
    if (onChange_)
        onChange_(this);
}

// ---------------------------------------------------------------- collection item

namespace {

// Items of a locked collection share its root lock; an item of any other
// collection starts a tree of its own.
TOWIntf<TLPLock> itemLock(TCollection* collection, TNotifyMethod onNotify)
{
    if (auto* locked = dynamic_cast<TLPCollection*>(collection))
        return TLPLock::CreateShared(locked->Lock(), onNotify);
    return TLPLock::Create(onNotify);
}

} // namespace

TLPCollectionItem::TLPCollectionItem(TCollection* collection)
    : TOWExtCollectionItem(collection),
      lock_(itemLock(collection, TNotifyMethod::Of<&TLPCollectionItem::notifyChanged>(this)))
{
}

TLPCollectionItem::~TLPCollectionItem() = default;

const TClassInfo& TLPCollectionItem::StaticClassInfo()
{
    static const TClassInfo info("TLPCollectionItem", &TOWExtCollectionItem::StaticClassInfo(), {});
    return info;
}

void TLPCollectionItem::Assign(const TPersistent& source)
{
    const TAssignSections sections(*lock_, source);
    if (auto* item = dynamic_cast<const TLPCollectionItem*>(&source))
        CopyPublishedProperties(*this, *item, true);
    else
        TOWExtCollectionItem::Assign(source);
}

// ---------------------------------------------------------------- collection

TLPCollection::TLPCollection(TLPPersistent& owner, const TCollectionItemClass& itemClass)
    : TLPCollection(&owner, owner.Lock(), itemClass)
{
}

TLPCollection::TLPCollection(TLPCustomControl& owner, const TCollectionItemClass& itemClass)
    : TLPCollection(&owner, owner.Lock(), itemClass)
{
}

TLPCollection::TLPCollection(TLPCollectionItem& owner, const TCollectionItemClass& itemClass)
    : TLPCollection(&owner, owner.Lock(), itemClass)
{
}

TLPCollection::TLPCollection(TPersistent* owner, ILPLock& ownerLock, const TCollectionItemClass& itemClass)
    : TOWExtCollection(owner, itemClass),
      lock_(TLPLock::CreateShared(ownerLock, TNotifyMethod::Of<&TLPCollection::notifyChanged>(this)))
{
}

TLPCollection::~TLPCollection() = default;

const TClassInfo& TLPCollection::StaticClassInfo()
{
    static const TClassInfo info("TLPCollection", &TOWExtCollection::StaticClassInfo(), {});
    return info;
}

void TLPCollection::Assign(const TPersistent& source)
{
    const TAssignSections sections(*lock_, source);
    if (auto* collection = dynamic_cast<const TLPCollection*>(&source))
        CopyPublishedProperties(*this, *collection, true);
    TOWExtCollection::Assign(source);
}
