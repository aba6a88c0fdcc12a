#include "framework/locks/LPLock.h"

TOWIntf<TLPLock> TLPLock::Create(TNotifyMethod onNotify)
{
    return TOWIntf<TLPLock>(new TLPLock(TOWLock::Create(), onNotify), owAdoptRef);
}

TOWIntf<TLPLock> TLPLock::CreateShared(ILPLock& owner, TNotifyMethod onNotify)
{
    return TOWIntf<TLPLock>(new TLPLock(TOWIntf<TOWLock>(&owner.GetLockObject()), onNotify), owAdoptRef);
}
