#include "framework/OWLinkGate.h"

#include <vector>

namespace {

thread_local int gateDepth = 0;
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

TOWLinkGate::TEnter::TEnter(TOWLinkGate& gate) : gate_(gate)
{
    gate_.mutex_.lock();
    ++gateDepth;
}

TOWLinkGate::TEnter::~TEnter()
{
    --gateDepth;
    gate_.mutex_.unlock();
    if (gateDepth == 0)
        freePending();
}

void OWReleaseConverter(TOwned<TOWFormatConverter> converter)
{
    if (!converter)
        return;
    if (gateDepth == 0) {
        converter.reset();
        return;
    }
    pendingConverters.push_back(std::move(converter));
}
