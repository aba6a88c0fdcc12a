#pragma once
// Base of the framework's lockable objects (pins, pin lists, dispatchers): a
// persistent with a lock and a critical section of its own.
#include "framework/ClassLibrary/Persistent.h"
#include "framework/locks/OWCriticalSection.h"
#include "framework/locks/OWLock.h"

class TComponent;

class TOWObject : public TPersistent {
public:
    TOWObject();

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    // Sections on the object's own lock, without a yield lock. Unlike the
    // lock's own operations these return the section even when it was let
    // pass during a stop.
    virtual TOWLockSectionRef ReadSection();
    virtual TOWLockSectionRef WriteSection();
    virtual TOWLockSectionRef UnlockSection();

    IOWLock& Lock() const { return *lock_; }
    TOWCriticalSection& CriticalSection() { return criticalSection_; }

private:
    // The lock lives on while sections still refer to it.
    TOWLockRef lock_;
    TOWCriticalSection criticalSection_;
};

// The component that names a tree of components: the component itself when it
// has no owner, when its owner is the application, or when it is a form, a
// data module or a frame; otherwise its owner's root. Null for null.
TComponent* FindRootOwner(TComponent* component);
