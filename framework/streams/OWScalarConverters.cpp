#include "framework/streams/OWScalarConverters.h"

namespace {

template<class T>
TOWNotifyOperationRef single(T value)
{
    return OWMakeOperation<TOWSuppliedSingleOperation>(static_cast<float>(value));
}

template<class T>
TOWNotifyOperationRef real(T value)
{
    return OWMakeOperation<TOWSuppliedRealOperation>(static_cast<double>(value));
}

template<class T>
TOWNotifyOperationRef rangedOrSingle(T value, T firstBound, T secondBound, bool ranged)
{
    if (!ranged)
        return single(value);
    return OWMakeOperation<TOWSuppliedRealValueRangeOperation>(
        static_cast<double>(value), static_cast<double>(firstBound), static_cast<double>(secondBound));
}

} // namespace

TOWIntToFloatFormatConverter::TOWIntToFloatFormatConverter()
    : TOWScalarConverter(TOWValueEvent<std::int32_t>::Of<&TOWIntToFloatFormatConverter::onValue>(this))
{
}

void TOWIntToFloatFormatConverter::onValue(TObject*, std::int32_t value)
{
    send(single(value));
}

TOWIntToRealFormatConverter::TOWIntToRealFormatConverter()
    : TOWScalarConverter(TOWValueEvent<std::int32_t>::Of<&TOWIntToRealFormatConverter::onValue>(this))
{
}

void TOWIntToRealFormatConverter::onValue(TObject*, std::int32_t value)
{
    send(real(value));
}

TOWInt64ToFloatFormatConverter::TOWInt64ToFloatFormatConverter()
    : TOWScalarConverter(TOWValueEvent<std::int64_t>::Of<&TOWInt64ToFloatFormatConverter::onValue>(this))
{
}

void TOWInt64ToFloatFormatConverter::onValue(TObject*, std::int64_t value)
{
    send(single(value));
}

TOWInt64ToRealFormatConverter::TOWInt64ToRealFormatConverter()
    : TOWScalarConverter(TOWValueEvent<std::int64_t>::Of<&TOWInt64ToRealFormatConverter::onValue>(this))
{
}

void TOWInt64ToRealFormatConverter::onValue(TObject*, std::int64_t value)
{
    send(real(value));
}

TOWFloatToRealFormatConverter::TOWFloatToRealFormatConverter()
    : TOWScalarConverter(TOWValueEvent<float>::Of<&TOWFloatToRealFormatConverter::onValue>(this))
{
}

void TOWFloatToRealFormatConverter::onValue(TObject*, float value)
{
    send(real(value));
}

TOWIntToRealRangedFormatConverter::TOWIntToRealRangedFormatConverter()
    : TOWScalarConverter(TOWRangedValueEvent<std::int32_t>::Of<&TOWIntToRealRangedFormatConverter::onValue>(this))
{
}

void TOWIntToRealRangedFormatConverter::onValue(TObject*, std::int32_t value, std::int32_t firstBound,
                                                std::int32_t secondBound, bool ranged)
{
    send(rangedOrSingle(value, firstBound, secondBound, ranged));
}

TOWInt64ToRealRangedFormatConverter::TOWInt64ToRealRangedFormatConverter()
    : TOWScalarConverter(TOWRangedValueEvent<std::int64_t>::Of<&TOWInt64ToRealRangedFormatConverter::onValue>(this))
{
}

void TOWInt64ToRealRangedFormatConverter::onValue(TObject*, std::int64_t value, std::int64_t firstBound,
                                                  std::int64_t secondBound, bool ranged)
{
    send(rangedOrSingle(value, firstBound, secondBound, ranged));
}
