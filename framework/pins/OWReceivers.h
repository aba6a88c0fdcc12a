#pragma once
// Receivers: how a pin takes the operations of a stream type. The GUID of a
// stream type is also the identifier of that type's receiver; a pin that takes
// the type answers QueryInterface for it with an IOWReceiver, and the handlers
// of source pins ask their target for it at every delivery. Two receivers
// belong to no single type: IOWNotifyReceiver (any operation at all) and
// ISLStreamReceiver (the buffer pins' generic receiver).
#include "framework/ClassLibrary/Method.h"
#include "framework/ClassLibrary/TypeInfo.h"
#include "framework/operations/OWGuid.h"
#include "framework/operations/OWOperations.h"
#include "framework/pins/OWPinModel.h"

#include <memory>
#include <string_view>
#include <vector>

class TOWBasicPin;

class IOWReceiver {
public:
    // True when the receiver took the operation.
    virtual bool Receive(const TGUID& streamType, const TOWNotifyOperationRef& operation, TOWHandlerFlags flags) = 0;

protected:
    ~IOWReceiver() = default;
};

// Identifiers only: both are reached as an IOWReceiver (OWQueryReceiver).
struct IOWNotifyReceiver {
    static constexpr std::string_view Guid = "{CFDF94D7-5134-49D9-AC65-902BBC1CD140}";
};
struct ISLStreamReceiver {
    static constexpr std::string_view Guid = "{20ACBC6D-DA0D-4359-8C78-CE0067D009A0}";
};

using TOWReceiveMethod =
    TMethod<bool(const TGUID& streamType, const TOWNotifyOperationRef& operation, TOWHandlerFlags flags)>;

// The receivers a pin implements, each bound to one of its methods. Filled
// by the pin's constructors (the most basic class first) and read-only after,
// so lookups need no lock.
class TOWReceiverTable {
public:
    // Binds the receiver of that identifier, replacing an earlier binding.
    void Add(const TGUID& id, TOWReceiveMethod method);
    // Null when the pin does not implement it.
    IOWReceiver* Find(const TGUID& id) const;

private:
    struct TEntry final : IOWReceiver {
        TEntry(const TGUID& id, TOWReceiveMethod method) : Id(id), Method(method) {}
        bool Receive(const TGUID& streamType, const TOWNotifyOperationRef& operation, TOWHandlerFlags flags) override
        {
            return Method(streamType, operation, flags);
        }
        TGUID Id;
        TOWReceiveMethod Method;
    };
    // Receivers are handed out by address: each entry stays where it is.
    std::vector<std::unique_ptr<TEntry>> entries_;
};

// The target's receiver of that identifier, asked through QueryInterface;
// null when it has none.
IOWReceiver* OWQueryReceiver(TOWBasicPin* target, const TGUID& id);

// Hands the operation to the target's receiver of `id`; False when the
// target lacks it.
bool OWPassToReceiver(TOWBasicPin* target, const TGUID& id, const TGUID& streamType,
                      const TOWNotifyOperationRef& operation, TOWHandlerFlags flags);

// A pin class that implements receivers: each one bound to a method of the
// pin, answered by GetInterface before the base class's interfaces.
template<class Base>
class TOWReceivingPin : public Base {
public:
    using Base::Base;

    void* GetInterface(const TGUID& iid) override
    {
        if (IOWReceiver* receiver = receivers_.Find(iid))
            return receiver;
        return Base::GetInterface(iid);
    }

protected:
    // Constructors only.
    void AddReceiver(const TGUID& id, TOWReceiveMethod method) { receivers_.Add(id, method); }

private:
    TOWReceiverTable receivers_;
};

// The class information of a pin or converter class of the stream-type units.
#define OW_TYPE_UNIT_CLASS(Name, Parent)                                                                               \
    static const TClassInfo& StaticClassInfo()                                                                         \
    {                                                                                                                  \
        static const TClassInfo info(#Name, &Parent::StaticClassInfo(), {});                                           \
        return info;                                                                                                   \
    }                                                                                                                  \
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
