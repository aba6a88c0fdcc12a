#pragma once
// Locked base classes: a control owns the root lock of its tree, and every
// persistent, collection and collection item below it has a TLPLock sharing
// that root lock and carrying the object's change notification (Changed).
//
// Assign copies the published properties under a write section of the
// object's lock and a read section of the source's, the two taken in one
// order for every thread; persistents and controls also stream their zero
// float properties under "_Floats".
#include "framework/ClassLibrary/CustomControl.h"
#include "framework/components/OWExtCollection.h"
#include "framework/locks/LPLock.h"

class TLPCollectionItem;

// The TLPLock a locked object owns. As the object goes, the lock stops calling
// its change notification: sections and sharing objects may keep the lock a
// little longer than the object lives.
class LPOwnedLock {
public:
    explicit LPOwnedLock(TOWIntf<TLPLock> lock) : lock_(std::move(lock)) {}
    LPOwnedLock(const LPOwnedLock&) = delete;
    LPOwnedLock& operator=(const LPOwnedLock&) = delete;
    ~LPOwnedLock() { lock_->SetOnNotify({}); }

    TLPLock& operator*() const { return *lock_; }
    TLPLock* operator->() const { return lock_.Get(); }

private:
    TOWIntf<TLPLock> lock_;
};

class TLPCustomControl : public TCustomControl {
public:
    explicit TLPCustomControl(TComponent* owner);
    ~TLPCustomControl() override;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    ILPLock& Lock() const { return *lock_; }
    // The change hook, called by the lock after an accepted property change.
    virtual void Changed() {}

    void Assign(const TPersistent& source) override;
    void DefineProperties(TFiler& filer) override;

private:
    void notifyChanged() { Changed(); }
    LPOwnedLock lock_;
};

class TLPPersistent : public TPersistent {
public:
    // Sharing the root lock of a control, another persistent, or an item.
    explicit TLPPersistent(TLPCustomControl& owner);
    explicit TLPPersistent(TLPPersistent& owner);
    explicit TLPPersistent(TLPCollectionItem& owner);
    // Sharing the root lock of the given lock.
    TLPPersistent(TPersistent* owner, ILPLock& lock);
    ~TLPPersistent() override;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    ILPLock& Lock() const { return *lock_; }
    TPersistent* GetOwner() const override { return owner_; }
    virtual void Changed() {}

    void Assign(const TPersistent& source) override;
    void DefineProperties(TFiler& filer) override;

private:
    void notifyChanged() { Changed(); }
    TPersistent* owner_;
    LPOwnedLock lock_;
};

class TLPLockedPersistentNotify : public TLPPersistent {
public:
    TLPLockedPersistentNotify(TPersistent* owner, TNotifyEvent onChange, ILPLock& lock)
        : TLPPersistent(owner, lock), onChange_(onChange)
    {
    }
    TLPLockedPersistentNotify(TLPPersistent& owner, TNotifyEvent onChange)
        : TLPPersistent(owner), onChange_(onChange)
    {
    }

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    // Fires OnChange.
    void Changed() override;
    TNotifyEvent OnChange() const { return onChange_; }
    void SetOnChange(TNotifyEvent onChange) { onChange_ = onChange; }

private:
    TNotifyEvent onChange_;
};

class TLPCollectionItem : public TOWExtCollectionItem {
public:
    // The lock is made before the item joins the collection, so the
    // collection's InitNewItem already sees it.
    explicit TLPCollectionItem(TCollection* collection);
    ~TLPCollectionItem() override;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    ILPLock& Lock() const { return *lock_; }
    virtual void Changed() {}

    void Assign(const TPersistent& source) override;

private:
    void notifyChanged() { Changed(); }
    LPOwnedLock lock_;
};

class TLPCollection : public TOWExtCollection {
public:
    TLPCollection(TLPPersistent& owner, const TCollectionItemClass& itemClass);
    TLPCollection(TLPCustomControl& owner, const TCollectionItemClass& itemClass);
    TLPCollection(TLPCollectionItem& owner, const TCollectionItemClass& itemClass);
    ~TLPCollection() override;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    ILPLock& Lock() const { return *lock_; }
    virtual void Changed() {}

    // Copies the published properties from another locked collection, then
    // replaces the items with copies of the source's items.
    void Assign(const TPersistent& source) override;

private:
    TLPCollection(TPersistent* owner, ILPLock& ownerLock, const TCollectionItemClass& itemClass);
    void notifyChanged() { Changed(); }
    LPOwnedLock lock_;
};
