#include "framework/pins/OWLinkGate.h"

#include <vector>

namespace {

thread_local int deferralDepth = 0;
thread_local std::vector<TOwned<TOWFormatConverter>> pendingConverters;

void freePending()
{
    // Freeing one converter may let go of others (a chain of converters).
    while (!pendingConverters.empty()) {
        TOwned<TOWFormatConverter> next = std::move(pendingConverters.back());
        pendingConverters.pop_back();
        next.reset();
    }
}

} // namespace

TOWReleaseDeferral::TOWReleaseDeferral()
{
    ++deferralDepth;
}

TOWReleaseDeferral::~TOWReleaseDeferral()
{
    if (--deferralDepth == 0)
        freePending();
}

TOWLinkGate::TEnter::TEnter(TOWLinkGate& gate) : gate_(gate)
{
    gate_.mutex_.lock();
}

TOWLinkGate::TEnter::~TEnter()
{
    gate_.mutex_.unlock();
}

void OWReleaseConverter(TOwned<TOWFormatConverter> converter)
{
    if (!converter)
        return;
    if (deferralDepth == 0) {
        converter.reset();
        return;
    }
    pendingConverters.push_back(std::move(converter));
}
