#pragma once
// Sink pins of the scalar stream types. Each takes its types through their
// receivers: it tests the operation's class, keeps the value and calls
// OnValue; operations of other kinds are ignored. The kept value is read
// from any thread.
#include "framework/pins/OWReceivers.h"
#include "framework/pins/OWSinkPin.h"
#include "framework/streams/OWScalarTypes.h"

#include <atomic>

template<class T>
using TOWValueEvent = TMethod<void(TObject* sender, T value)>;

// The value kept by a sink of one plain value.
template<class T>
class TOWValueSinkPin : public TOWReceivingPin<TOWSinkPin> {
public:
    TOWValueSinkPin(TComponent* owner, IOWLock* lock, TOWValueEvent<T> onValue)
        : TOWReceivingPin<TOWSinkPin>(owner, lock), onValue_(onValue)
    {
    }

    T Value() const { return value_.load(std::memory_order_acquire); }

protected:
    // Takes the type: its receiver, and its place in the handler table.
    template<auto Receive, class Self>
    void takeType(Self* self, const TGUID& streamType)
    {
        AddReceiver(streamType, TOWReceiveMethod::Of<Receive>(self));
        AddStreamType(streamType);
    }
    bool take(T value)
    {
        value_.store(value, std::memory_order_release);
        if (onValue_)
            onValue_(this, value);
        return true;
    }

private:
    TOWValueEvent<T> onValue_;
    std::atomic<T> value_{};
};

class TOWFloatSinkPin : public TOWValueSinkPin<float> {
public:
    TOWFloatSinkPin(TComponent* owner, IOWLock* lock, TOWValueEvent<float> onValue = {});
    OW_TYPE_UNIT_CLASS(TOWFloatSinkPin, TOWSinkPin)

private:
    bool receive(const TGUID& streamType, const TOWNotifyOperationRef& operation, TOWHandlerFlags flags);
};

class TOWIntegerSinkPin : public TOWValueSinkPin<std::int32_t> {
public:
    TOWIntegerSinkPin(TComponent* owner, IOWLock* lock, TOWValueEvent<std::int32_t> onValue = {});
    OW_TYPE_UNIT_CLASS(TOWIntegerSinkPin, TOWSinkPin)

private:
    bool receive(const TGUID& streamType, const TOWNotifyOperationRef& operation, TOWHandlerFlags flags);
};

class TOWInt64SinkPin : public TOWValueSinkPin<std::int64_t> {
public:
    TOWInt64SinkPin(TComponent* owner, IOWLock* lock, TOWValueEvent<std::int64_t> onValue = {});
    OW_TYPE_UNIT_CLASS(TOWInt64SinkPin, TOWSinkPin)

private:
    bool receive(const TGUID& streamType, const TOWNotifyOperationRef& operation, TOWHandlerFlags flags);
};

// Takes reals as they are and singles widened.
class TOWRealSinkPin : public TOWValueSinkPin<double> {
public:
    TOWRealSinkPin(TComponent* owner, IOWLock* lock, TOWValueEvent<double> onValue = {});
    OW_TYPE_UNIT_CLASS(TOWRealSinkPin, TOWSinkPin)

private:
    bool receive(const TGUID& streamType, const TOWNotifyOperationRef& operation, TOWHandlerFlags flags);
};

// Days since 30 December 1899; the fraction is the time of day.
class TOWDateTimeSinkPin : public TOWValueSinkPin<double> {
public:
    TOWDateTimeSinkPin(TComponent* owner, IOWLock* lock, TOWValueEvent<double> onValue = {});
    OW_TYPE_UNIT_CLASS(TOWDateTimeSinkPin, TOWSinkPin)

private:
    bool receive(const TGUID& streamType, const TOWNotifyOperationRef& operation, TOWHandlerFlags flags);
};

// A value with the range it lies in. A plain value keeps the range received
// before it and is reported with Ranged False.
template<class T>
struct TOWRangedValue {
    T Value{};
    T FirstBound{};
    T SecondBound{};
};

template<class T>
using TOWRangedValueEvent = TMethod<void(TObject* sender, T value, T firstBound, T secondBound, bool ranged)>;
template<class T>
using TOWRangeEvent = TMethod<void(TObject* sender, T firstBound, T secondBound)>;

template<class T, class ValueRangeOp, class RangeOp, class ValueOp>
class TOWRangedSinkPin : public TOWReceivingPin<TOWSinkPin> {
public:
    TOWRangedSinkPin(TComponent* owner, IOWLock* lock, const TGUID& rangedType, const TGUID& plainType,
                     TOWRangedValueEvent<T> onValue, TOWRangeEvent<T> onRange);

    TOWRangedValue<T> Current();

private:
    bool receive(const TGUID& streamType, const TOWNotifyOperationRef& operation, TOWHandlerFlags flags);

    TOWRangedValueEvent<T> onValue_;
    TOWRangeEvent<T> onRange_;
    TOWRangedValue<T> current_;
};

using TOWIntRangedBase = TOWRangedSinkPin<std::int32_t, TOWSuppliedIntValueRangeOperation,
                                          TOWSuppliedIntRangeOperation, TOWSuppliedIntegerOperation>;
using TOWInt64RangedBase = TOWRangedSinkPin<std::int64_t, TOWSuppliedInt64ValueRangeOperation,
                                            TOWSuppliedInt64RangeOperation, TOWSuppliedInt64Operation>;

class TOWIntAndRangedSinkPin : public TOWIntRangedBase {
public:
    TOWIntAndRangedSinkPin(TComponent* owner, IOWLock* lock, TOWRangedValueEvent<std::int32_t> onValue = {},
                           TOWRangeEvent<std::int32_t> onRange = {});
    OW_TYPE_UNIT_CLASS(TOWIntAndRangedSinkPin, TOWSinkPin)
};

class TOWInt64AndRangedSinkPin : public TOWInt64RangedBase {
public:
    TOWInt64AndRangedSinkPin(TComponent* owner, IOWLock* lock, TOWRangedValueEvent<std::int64_t> onValue = {},
                             TOWRangeEvent<std::int64_t> onRange = {});
    OW_TYPE_UNIT_CLASS(TOWInt64AndRangedSinkPin, TOWSinkPin)
};
