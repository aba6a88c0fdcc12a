#include "framework/streams/OWScalarSinkPins.h"

// ---------------------------------------------------------------- plain values

TOWFloatSinkPin::TOWFloatSinkPin(TComponent* owner, IOWLock* lock, TOWValueEvent<float> onValue)
    : TOWValueSinkPin<float>(owner, lock, onValue)
{
    takeType<&TOWFloatSinkPin::receive>(this, owStreamTypes::FloatSingle);
}

bool TOWFloatSinkPin::receive(const TGUID&, const TOWNotifyOperationRef& operation, TOWHandlerFlags)
{
    const auto* single = OWOperationAs<TOWSuppliedSingleOperation>(operation);
    return single && take(single->Value());
}

TOWIntegerSinkPin::TOWIntegerSinkPin(TComponent* owner, IOWLock* lock, TOWValueEvent<std::int32_t> onValue)
    : TOWValueSinkPin<std::int32_t>(owner, lock, onValue)
{
    takeType<&TOWIntegerSinkPin::receive>(this, owStreamTypes::Integer32);
}

bool TOWIntegerSinkPin::receive(const TGUID&, const TOWNotifyOperationRef& operation, TOWHandlerFlags)
{
    const auto* integer = OWOperationAs<TOWSuppliedIntegerOperation>(operation);
    return integer && take(integer->Value());
}

TOWInt64SinkPin::TOWInt64SinkPin(TComponent* owner, IOWLock* lock, TOWValueEvent<std::int64_t> onValue)
    : TOWValueSinkPin<std::int64_t>(owner, lock, onValue)
{
    takeType<&TOWInt64SinkPin::receive>(this, owStreamTypes::Integer64);
}

bool TOWInt64SinkPin::receive(const TGUID&, const TOWNotifyOperationRef& operation, TOWHandlerFlags)
{
    const auto* integer = OWOperationAs<TOWSuppliedInt64Operation>(operation);
    return integer && take(integer->Value());
}

TOWRealSinkPin::TOWRealSinkPin(TComponent* owner, IOWLock* lock, TOWValueEvent<double> onValue)
    : TOWValueSinkPin<double>(owner, lock, onValue)
{
    takeType<&TOWRealSinkPin::receive>(this, owStreamTypes::RealSingle);
    takeType<&TOWRealSinkPin::receive>(this, owStreamTypes::FloatSingle);
}

bool TOWRealSinkPin::receive(const TGUID&, const TOWNotifyOperationRef& operation, TOWHandlerFlags)
{
    if (const auto* real = OWOperationAs<TOWSuppliedRealOperation>(operation))
        return take(real->Value());
    if (const auto* single = OWOperationAs<TOWSuppliedSingleOperation>(operation))
        return take(single->Value());
    return false;
}

TOWDateTimeSinkPin::TOWDateTimeSinkPin(TComponent* owner, IOWLock* lock, TOWValueEvent<double> onValue)
    : TOWValueSinkPin<double>(owner, lock, onValue)
{
    takeType<&TOWDateTimeSinkPin::receive>(this, owStreamTypes::DateTime);
}

bool TOWDateTimeSinkPin::receive(const TGUID&, const TOWNotifyOperationRef& operation, TOWHandlerFlags)
{
    const auto* dateTime = OWOperationAs<TOWSuppliedDateTimeOperation>(operation);
    return dateTime && take(dateTime->Value());
}

// ---------------------------------------------------------------- ranged values

template<class T, class ValueRangeOp, class RangeOp, class ValueOp>
TOWRangedSinkPin<T, ValueRangeOp, RangeOp, ValueOp>::TOWRangedSinkPin(TComponent* owner, IOWLock* lock,
                                                                      const TGUID& rangedType, const TGUID& plainType,
                                                                      TOWRangedValueEvent<T> onValue,
                                                                      TOWRangeEvent<T> onRange)
    : TOWReceivingPin<TOWSinkPin>(owner, lock), onValue_(onValue), onRange_(onRange)
{
    for (const TGUID& type : {rangedType, plainType}) {
        AddReceiver(type, TOWReceiveMethod::Of<&TOWRangedSinkPin::receive>(this));
        AddStreamType(type);
    }
}

template<class T, class ValueRangeOp, class RangeOp, class ValueOp>
TOWRangedValue<T> TOWRangedSinkPin<T, ValueRangeOp, RangeOp, ValueOp>::Current()
{
    auto section = ReadLocked();
    return section ? current_ : TOWRangedValue<T>{};
}

template<class T, class ValueRangeOp, class RangeOp, class ValueOp>
bool TOWRangedSinkPin<T, ValueRangeOp, RangeOp, ValueOp>::receive(const TGUID&, const TOWNotifyOperationRef& operation,
                                                                  TOWHandlerFlags)
{
    // The most derived kind first: a value with its range is also a value.
    TOWRangedValue<T> now;
    bool ranged = false;
    if (const auto* valueRange = OWOperationAs<ValueRangeOp>(operation)) {
        now = {valueRange->Value(), valueRange->FirstBound(), valueRange->SecondBound()};
        ranged = true;
        auto section = WriteLocked();
        if (section)
            current_ = now;
    } else if (const auto* range = OWOperationAs<RangeOp>(operation)) {
        {
            auto section = WriteLocked();
            if (section) {
                current_.FirstBound = range->FirstBound();
                current_.SecondBound = range->SecondBound();
            }
        }
        if (onRange_)
            onRange_(this, range->FirstBound(), range->SecondBound());
        return true;
    } else if (const auto* value = OWOperationAs<ValueOp>(operation)) {
        // Reported with the range received before it.
        now.Value = value->Value();
        auto section = WriteLocked();
        if (section) {
            current_.Value = now.Value;
            now = current_;
        }
    } else {
        return false;
    }
    if (onValue_)
        onValue_(this, now.Value, now.FirstBound, now.SecondBound, ranged);
    return true;
}

template class TOWRangedSinkPin<std::int32_t, TOWSuppliedIntValueRangeOperation, TOWSuppliedIntRangeOperation,
                                TOWSuppliedIntegerOperation>;
template class TOWRangedSinkPin<std::int64_t, TOWSuppliedInt64ValueRangeOperation, TOWSuppliedInt64RangeOperation,
                                TOWSuppliedInt64Operation>;

TOWIntAndRangedSinkPin::TOWIntAndRangedSinkPin(TComponent* owner, IOWLock* lock,
                                               TOWRangedValueEvent<std::int32_t> onValue,
                                               TOWRangeEvent<std::int32_t> onRange)
    : TOWIntRangedBase(owner, lock, owStreamTypes::RangedInteger32, owStreamTypes::Integer32, onValue, onRange)
{
}

TOWInt64AndRangedSinkPin::TOWInt64AndRangedSinkPin(TComponent* owner, IOWLock* lock,
                                                   TOWRangedValueEvent<std::int64_t> onValue,
                                                   TOWRangeEvent<std::int64_t> onRange)
    : TOWInt64RangedBase(owner, lock, owStreamTypes::RangedInteger64, owStreamTypes::Integer64, onValue, onRange)
{
}
