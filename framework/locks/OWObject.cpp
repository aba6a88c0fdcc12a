#include "framework/locks/OWObject.h"

#include "framework/ClassLibrary/Component.h"
#include "framework/ClassLibrary/TypeInfo.h"

TOWObject::TOWObject() : lock_(TOWLock::Create())
{
}

const TClassInfo& TOWObject::StaticClassInfo()
{
    static const TClassInfo info("TOWObject", &TPersistent::StaticClassInfo(), {});
    return info;
}

TOWLockSectionRef TOWObject::ReadSection()
{
    return TOWSimpleReadLockSection::Create(*lock_);
}

TOWLockSectionRef TOWObject::WriteSection()
{
    return TOWSimpleWriteLockSection::Create(*lock_);
}

TOWLockSectionRef TOWObject::UnlockSection()
{
    return TOWSimpleUnlockSection::Create(*lock_);
}

TComponent* FindRootOwner(TComponent* component)
{
    while (component) {
        TComponent* owner = component->Owner();
        if (!owner || owner->Role() == TComponentRole::Application)
            return component;
        switch (component->Role()) {
        case TComponentRole::Form:
        case TComponentRole::DataModule:
        case TComponentRole::Frame:
            return component;
        default:
            component = owner;
        }
    }
    return nullptr;
}
