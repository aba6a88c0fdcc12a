#include "framework/pins/OWReceivers.h"

#include "framework/pins/OWPins.h"

#include <algorithm>

void TOWReceiverTable::Add(const TGUID& id, TOWReceiveMethod method)
{
    auto it = std::find_if(entries_.begin(), entries_.end(), [&](const auto& e) { return e->Id == id; });
    if (it != entries_.end())
        (*it)->Method = method;
    else
        entries_.push_back(std::make_unique<TEntry>(id, method));
}

IOWReceiver* TOWReceiverTable::Find(const TGUID& id) const
{
    for (const auto& entry : entries_) {
        if (entry->Id == id)
            return entry.get();
    }
    return nullptr;
}

IOWReceiver* OWQueryReceiver(TOWBasicPin* target, const TGUID& id)
{
    void* object = nullptr;
    if (!target || target->QueryInterface(id, object) != owInterfaceFound)
        return nullptr;
    return static_cast<IOWReceiver*>(object);
}

bool OWPassToReceiver(TOWBasicPin* target, const TGUID& id, const TGUID& streamType,
                      const TOWNotifyOperationRef& operation, TOWHandlerFlags flags)
{
    IOWReceiver* receiver = OWQueryReceiver(target, id);
    return receiver && receiver->Receive(streamType, operation, flags);
}
