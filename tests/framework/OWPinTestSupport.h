#pragma once
// Pins, owners and listeners for the pin model's tests.
#include "framework/ClassLibrary/TypeInfo.h"
#include "framework/pins/OWPinEvents.h"
#include "framework/pins/OWPinList.h"
#include "framework/pins/OWPins.h"
#include "framework/pins/OWStateDispatcher.h"
#include "framework/pins/OWStatePin.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <cstdlib>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace owPinTest {

inline constexpr TGUID typeA = ParseGuid("{A0000000-0000-0000-0000-00000000000A}");
inline constexpr TGUID typeB = ParseGuid("{B0000000-0000-0000-0000-00000000000B}");
inline constexpr TGUID typeC = ParseGuid("{C0000000-0000-0000-0000-00000000000C}");

// A component that can be named and given a design state; pins made for it
// are published under the names given, so that paths find them.
class TPinOwner : public TComponent {
public:
    explicit TPinOwner(TComponent* owner, std::string name = {}) : TComponent(owner) { SetName(std::move(name)); }
    IOWLock& OwnerLock() { return *lock_; }

private:
    TOWLockRef lock_ = TOWLock::Create();
};

// A state pin that takes the types it is told (its receiver interfaces), with
// a handler that records every delivery and may run an action.
class TTestStatePin : public TOWStatePin {
public:
    TTestStatePin(TPinOwner& owner, std::vector<TGUID> offers, std::vector<TGUID> accepts)
        : TOWStatePin(&owner, &owner.OwnerLock()), accepts_(std::move(accepts))
    {
        for (const TGUID& type : offers)
            AddStreamType(type, TOWStreamHandler::Of<&TTestStatePin::handle>(this));
    }

    void* GetInterface(const TGUID& iid) override
    {
        return std::find(accepts_.begin(), accepts_.end(), iid) != accepts_.end() ? this : nullptr;
    }
    void PinDestroying(TOWBasicPin* pin) override
    {
        {
            std::lock_guard hold(guard);
            toldDestroying.push_back(pin);
        }
        if (onPinDestroying)
            onPinDestroying(pin);
    }

    struct TDelivery {
        TOWBasicPin* target;
        TGUID type;
        TOWHandlerFlags flags;
    };
    std::vector<TDelivery> Deliveries()
    {
        std::lock_guard hold(guard);
        return deliveries;
    }

    std::mutex guard;
    std::vector<TDelivery> deliveries;
    std::vector<TOWBasicPin*> toldDestroying;
    // Run inside the handler, after recording.
    std::function<void(TOWBasicPin* target)> onDeliver;
    // Run when told that a pin goes, after recording.
    std::function<void(TOWBasicPin* dying)> onPinDestroying;

private:
    bool handle(TOWBasicPin* target, const TGUID& type, TOWHandlerFlags flags, const TOWNotifyOperationRef&)
    {
        {
            std::lock_guard hold(guard);
            deliveries.push_back({target, type, flags});
        }
        if (onDeliver)
            onDeliver(target);
        return true;
    }

    std::vector<TGUID> accepts_;
};

// The types of a handler table or candidate list, in their order.
inline std::vector<TGUID> TypesOf(const TOWPinStreamType& table)
{
    std::vector<TGUID> types;
    for (const TOWPinStreamTypeEntry& e : table.Entries())
        types.push_back(e.StreamType);
    return types;
}

inline TOwned<TTestStatePin> MakeStatePin(TPinOwner& owner, std::vector<TGUID> offers = {typeA},
                                          std::vector<TGUID> accepts = {typeA})
{
    return MakeObject<TTestStatePin>(owner, std::move(offers), std::move(accepts));
}

// Records every notification as text, in order.
class TRecordingListener final : public TOWInterfacedObject<IOWPinEvents> {
public:
    void PinCreated(TOWBasicPin* pin) override { add("created", pin); }
    void PinDestroying(TOWBasicPin* pin, bool silent) override { add("destroying", pin); }
    void PinChanged(TOWBasicPin* pin) override { add("changed", pin); }
    void PinsLinked(TOWBasicPin* pin, TOWPinObject* other) override { add("linked", pin); }
    void PinsUnlinked(TOWBasicPin* pin, TOWPinObject* other) override { add("unlinked", pin); }
    void PinListCreated(TOWPinList* list) override { add("list created", nullptr); }
    void PinListDestroyed(TOWPinList* list) override { add("list destroyed", nullptr); }
    void PinListChanged(TOWPinList* list) override { add("list changed", nullptr); }
    void PinListPinAdded(TOWPinList* list, TOWBasicPin* pin, const std::string& name) override { add("added", pin); }
    void PinListPinRemoved(TOWPinList* list, TOWBasicPin* pin, int index) override
    {
        // The pin must still be alive when its removal is told.
        if (pin)
            (void)pin->GetSinkKind();
        add("removed", pin);
    }
    void PinListPinMoved(TOWPinList* list, TOWBasicPin* pin, int oldIndex, int newIndex) override { add("moved", pin); }
    void DispatcherCreated(TOWStateDispatcher* dispatcher) override { add("dispatcher created", nullptr); }
    void DispatcherChanged(TOWStateDispatcher* dispatcher, bool flag) override {}
    void DispatcherDestroyed(TOWStateDispatcher* dispatcher) override { add("dispatcher destroyed", nullptr); }

    // The events naming `pin` (or every event without a pin when null).
    std::vector<std::string> For(const TOWBasicPin* pin)
    {
        std::lock_guard hold(guard_);
        std::vector<std::string> result;
        for (const auto& [text, who] : events_) {
            if (who == pin)
                result.push_back(text);
        }
        return result;
    }
    void Clear()
    {
        std::lock_guard hold(guard_);
        events_.clear();
    }

private:
    void add(const char* text, const TOWBasicPin* pin)
    {
        std::lock_guard hold(guard_);
        events_.emplace_back(text, pin);
    }
    std::mutex guard_;
    std::vector<std::pair<std::string, const TOWBasicPin*>> events_;
};

// Registers a listener for the scope of a test.
class TListenerScope {
public:
    TListenerScope() : listener_(OWMake<TRecordingListener>()) { OWAddPinEventListener(TOWIntf<IOWPinEvents>(listener_)); }
    ~TListenerScope() { OWRemovePinEventListener(listener_.Get()); }
    TRecordingListener& operator*() { return *listener_; }
    TRecordingListener* operator->() { return listener_.Get(); }

private:
    TOWIntf<TRecordingListener> listener_;
};

// Fails the test (and ends the process: a dead-lock cannot be undone) when
// the scope has not ended within the limit.
class TWatchdog {
public:
    explicit TWatchdog(std::chrono::seconds limit) : thread_([this, limit] {
        std::unique_lock hold(guard_);
        if (!done_cv_.wait_for(hold, limit, [this] { return done_; })) {
            ADD_FAILURE() << "dead-lock: the watchdog ran out";
            std::fprintf(stderr, "dead-lock: the watchdog ran out\n");
            std::abort();
        }
    })
    {
    }
    ~TWatchdog()
    {
        {
            std::lock_guard hold(guard_);
            done_ = true;
        }
        done_cv_.notify_all();
        thread_.join();
    }

private:
    std::mutex guard_;
    std::condition_variable done_cv_;
    bool done_ = false;
    std::thread thread_;
};

} // namespace owPinTest
