#include "framework/locks/OWCriticalSection.h"

#include "framework/locks/OWThread.h"

void TOWSpinGuard::yieldNow() noexcept
{
    OWYield();
}
