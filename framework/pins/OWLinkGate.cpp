#include "framework/pins/OWLinkGate.h"

#include <vector>

namespace {

thread_local int deferralDepth = 0;
thread_local std::vector<TOwned<TOWFormatConverter>> pendingConverters;
thread_local std::vector<std::function<void()>> pendingReleases;

void freePending()
{
    // Freeing one converter may let go of others (a chain of converters), and
    // a release may free pins whose partners let go of more.
    while (!pendingConverters.empty() || !pendingReleases.empty()) {
        if (!pendingConverters.empty()) {
            TOwned<TOWFormatConverter> next = std::move(pendingConverters.back());
            pendingConverters.pop_back();
            next.reset();
            continue;
        }
        const std::function<void()> release = std::move(pendingReleases.front());
        pendingReleases.erase(pendingReleases.begin());
        release();
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

void OWReleaseLater(std::function<void()> release)
{
    if (!release)
        return;
    if (deferralDepth == 0) {
        release();
        return;
    }
    pendingReleases.push_back(std::move(release));
}
