#include "framework/OWPinRegistry.h"

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
    for (auto it = pins_.rbegin(); it != pins_.rend(); ++it)
        (*it)->DestroyLockObject().EndUse();
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
    uses.pins_.reserve(static_cast<std::size_t>(r.count));
    for (TOWBasicPin* pin = r.first; pin; pin = pin->registryNext_) {
        if (pin != except && pin->DestroyLockObject().TryUse())
            uses.pins_.push_back(pin);
    }
    return uses;
}

int TOWPinRegistry::Count()
{
    TRegistry& r = registry();
    std::lock_guard hold(r.guard);
    return r.count;
}
