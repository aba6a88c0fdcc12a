#include "framework/OWCriticalSection.h"

#include "framework/OWThread.h"

void TOWSpinGuard::yieldNow() noexcept
{
    OWYield();
}
