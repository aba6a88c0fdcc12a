#include "framework/pins/OWPinEvents.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

namespace {

struct TListeners {
    std::mutex guard;
    std::vector<TOWPinEventsRef> items;
    // Lets a notification with no listener skip the guard altogether.
    std::atomic<bool> any{false};
};

TListeners& listeners()
{
    static TListeners instance;
    return instance;
}

template<class F>
void notify(F&& call)
{
    TListeners& l = listeners();
    if (!l.any.load(std::memory_order_acquire))
        return;
    std::vector<TOWPinEventsRef> snapshot;
    {
        std::lock_guard hold(l.guard);
        snapshot = l.items;
    }
    for (const TOWPinEventsRef& listener : snapshot)
        call(*listener);
}

} // namespace

void OWAddPinEventListener(const TOWPinEventsRef& listener)
{
    if (!listener)
        return;
    TListeners& l = listeners();
    std::lock_guard hold(l.guard);
    if (std::find(l.items.begin(), l.items.end(), listener) == l.items.end())
        l.items.push_back(listener);
    l.any.store(true, std::memory_order_release);
}

void OWRemovePinEventListener(IOWPinEvents* listener)
{
    TListeners& l = listeners();
    std::lock_guard hold(l.guard);
    std::erase_if(l.items, [&](const TOWPinEventsRef& r) { return r.Get() == listener; });
    l.any.store(!l.items.empty(), std::memory_order_release);
}

void owPinEvents::ClearListeners()
{
    std::vector<TOWPinEventsRef> dropped;
    TListeners& l = listeners();
    {
        std::lock_guard hold(l.guard);
        dropped.swap(l.items);
        l.any.store(false, std::memory_order_release);
    }
}

void owPinEvents::PinCreated(TOWBasicPin* pin) { notify([&](IOWPinEvents& e) { e.PinCreated(pin); }); }
void owPinEvents::PinDestroying(TOWBasicPin* pin, bool silent) { notify([&](IOWPinEvents& e) { e.PinDestroying(pin, silent); }); }
void owPinEvents::PinChanged(TOWBasicPin* pin) { notify([&](IOWPinEvents& e) { e.PinChanged(pin); }); }
void owPinEvents::PinsLinked(TOWBasicPin* pin, TOWPinObject* other) { notify([&](IOWPinEvents& e) { e.PinsLinked(pin, other); }); }
void owPinEvents::PinsUnlinked(TOWBasicPin* pin, TOWPinObject* other) { notify([&](IOWPinEvents& e) { e.PinsUnlinked(pin, other); }); }
void owPinEvents::PinListCreated(TOWPinList* list) { notify([&](IOWPinEvents& e) { e.PinListCreated(list); }); }
void owPinEvents::PinListDestroyed(TOWPinList* list) { notify([&](IOWPinEvents& e) { e.PinListDestroyed(list); }); }
void owPinEvents::PinListChanged(TOWPinList* list) { notify([&](IOWPinEvents& e) { e.PinListChanged(list); }); }
void owPinEvents::PinListPinAdded(TOWPinList* list, TOWBasicPin* pin, const std::string& name)
{
    notify([&](IOWPinEvents& e) { e.PinListPinAdded(list, pin, name); });
}
void owPinEvents::PinListPinRemoved(TOWPinList* list, TOWBasicPin* pin, int index)
{
    notify([&](IOWPinEvents& e) { e.PinListPinRemoved(list, pin, index); });
}
void owPinEvents::PinListPinMoved(TOWPinList* list, TOWBasicPin* pin, int oldIndex, int newIndex)
{
    notify([&](IOWPinEvents& e) { e.PinListPinMoved(list, pin, oldIndex, newIndex); });
}
void owPinEvents::DispatcherCreated(TOWStateDispatcher* dispatcher) { notify([&](IOWPinEvents& e) { e.DispatcherCreated(dispatcher); }); }
void owPinEvents::DispatcherChanged(TOWStateDispatcher* dispatcher, bool flag)
{
    notify([&](IOWPinEvents& e) { e.DispatcherChanged(dispatcher, flag); });
}
void owPinEvents::DispatcherDestroyed(TOWStateDispatcher* dispatcher) { notify([&](IOWPinEvents& e) { e.DispatcherDestroyed(dispatcher); }); }
