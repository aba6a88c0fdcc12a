#pragma once
// Pin events: tools that watch pins register a listener and hear every pin,
// pin list and dispatcher change. Notifications are sent with no pin-model
// section held (see OWPinModel.h), to a snapshot of the listener list, so a
// listener may add or remove listeners, or call back into the pins.
#include "framework/locks/OWInterface.h"

#include <cstdint>
#include <string>

class TOWBasicPin;
class TOWPinList;
class TOWPinObject;
class TOWStateDispatcher;

class IOWPinEvents : public IOWInterface {
public:
    virtual void PinCreated(TOWBasicPin* pin) {}
    virtual void PinDestroying(TOWBasicPin* pin, bool silent) {}
    virtual void PinChanged(TOWBasicPin* pin) {}
    // Other is the pin linked, or the dispatcher joined or left.
    virtual void PinsLinked(TOWBasicPin* pin, TOWPinObject* other) {}
    virtual void PinsUnlinked(TOWBasicPin* pin, TOWPinObject* other) {}
    virtual void PinListCreated(TOWPinList* list) {}
    virtual void PinListDestroyed(TOWPinList* list) {}
    virtual void PinListChanged(TOWPinList* list) {}
    virtual void PinListPinAdded(TOWPinList* list, TOWBasicPin* pin, const std::string& name) {}
    virtual void PinListPinRemoved(TOWPinList* list, TOWBasicPin* pin, int index) {}
    virtual void PinListPinMoved(TOWPinList* list, TOWBasicPin* pin, int oldIndex, int newIndex) {}
    virtual void DispatcherCreated(TOWStateDispatcher* dispatcher) {}
    virtual void DispatcherChanged(TOWStateDispatcher* dispatcher, bool flag) {}
    virtual void DispatcherDestroyed(TOWStateDispatcher* dispatcher) {}

protected:
    ~IOWPinEvents() = default;
};
using TOWPinEventsRef = TOWIntf<IOWPinEvents>;

// The list holds a reference to each listener until it is removed (or the pin
// unit is finalised). Adding a listener twice adds it once.
void OWAddPinEventListener(const TOWPinEventsRef& listener);
void OWRemovePinEventListener(IOWPinEvents* listener);

// Sends one notification to every listener registered when it starts.
namespace owPinEvents {
void PinCreated(TOWBasicPin* pin);
void PinDestroying(TOWBasicPin* pin, bool silent);
void PinChanged(TOWBasicPin* pin);
void PinsLinked(TOWBasicPin* pin, TOWPinObject* other);
void PinsUnlinked(TOWBasicPin* pin, TOWPinObject* other);
void PinListCreated(TOWPinList* list);
void PinListDestroyed(TOWPinList* list);
void PinListChanged(TOWPinList* list);
void PinListPinAdded(TOWPinList* list, TOWBasicPin* pin, const std::string& name);
void PinListPinRemoved(TOWPinList* list, TOWBasicPin* pin, int index);
void PinListPinMoved(TOWPinList* list, TOWBasicPin* pin, int oldIndex, int newIndex);
void DispatcherCreated(TOWStateDispatcher* dispatcher);
void DispatcherChanged(TOWStateDispatcher* dispatcher, bool flag);
void DispatcherDestroyed(TOWStateDispatcher* dispatcher);

// Drops every listener (the pin unit's finalisation).
void ClearListeners();
} // namespace owPinEvents
