#include "framework/pins/OWPinRegistry.h"

#include <mutex>

namespace {

struct TRegistry {
    std::mutex guard;
    TOWBasicPin* first = nullptr;
    TOWBasicPin* last = nullptr;
    int count = 0;
};

TRegistry& registry()
{
    static TRegistry instance;
    return instance;
}

} // namespace

TOWPinRegistry::TUses::~TUses()
{
    for (auto it = used_.rbegin(); it != used_.rend(); ++it) {
        it->life->EndUse();
        it->life->Release();
    }
}

void TOWPinRegistry::Register(TOWBasicPin& pin)
{
    TRegistry& r = registry();
    std::lock_guard hold(r.guard);
    if (pin.registered_)
        return;
    pin.registryPrev_ = r.last;
    pin.registryNext_ = nullptr;
    (r.last ? r.last->registryNext_ : r.first) = &pin;
    r.last = &pin;
    pin.registered_ = true;
    ++r.count;
}

void TOWPinRegistry::Unregister(TOWBasicPin& pin)
{
    TRegistry& r = registry();
    std::lock_guard hold(r.guard);
    if (!pin.registered_)
        return;
    (pin.registryPrev_ ? pin.registryPrev_->registryNext_ : r.first) = pin.registryNext_;
    (pin.registryNext_ ? pin.registryNext_->registryPrev_ : r.last) = pin.registryPrev_;
    pin.registryPrev_ = pin.registryNext_ = nullptr;
    pin.registered_ = false;
    --r.count;
}

TOWPinRegistry::TUses TOWPinRegistry::UseAll(const TOWBasicPin* except)
{
    TUses uses;
    TRegistry& r = registry();
    std::lock_guard hold(r.guard);
    uses.used_.reserve(static_cast<std::size_t>(r.count));
    for (TOWBasicPin* pin = r.first; pin; pin = pin->registryNext_) {
        TOWDestroyLock& life = pin->DestroyLockObject();
        if (pin != except && life.TryUse()) {
            // The reference keeps the lock when the pin is freed during the
            // walk, so that its retirement can still be seen.
            life.AddRef();
            uses.used_.push_back({pin, &life});
        }
    }
    return uses;
}

int TOWPinRegistry::Count()
{
    TRegistry& r = registry();
    std::lock_guard hold(r.guard);
    return r.count;
}
