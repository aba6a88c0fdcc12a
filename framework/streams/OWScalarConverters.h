#pragma once
// Converters between the scalar stream types: integers and singles to
// singles and reals, ranged integers to ranged reals. The input pin's value
// event builds the converted operation and sends it through the output pin.
#include "framework/pins/OWFormatConverter.h"
#include "framework/streams/OWScalarSinkPins.h"
#include "framework/streams/OWScalarSourcePins.h"

// An input sink of class In and an output source of class Out, made by the
// constructor; Out's SendOperation carries what the input's values become.
template<class In, class Out>
class TOWScalarConverter : public TOWFormatConverter {
protected:
    template<class OnValue>
    explicit TOWScalarConverter(OnValue onValue)
    {
        auto input = MakeObject<In>(this, nullptr, onValue);
        auto output = MakeObject<Out>(this, nullptr);
        output_ = output.get();
        InitPins(TOwned<TOWStreamPin>(input.release()), TOwned<TOWStreamPin>(output.release()));
    }

    void send(TOWNotifyOperationRef operation) { output_->SendOperation(operation); }

private:
    Out* output_;
};

class TOWIntToFloatFormatConverter : public TOWScalarConverter<TOWIntegerSinkPin, TOWFloatSourcePin> {
public:
    TOWIntToFloatFormatConverter();
    OW_TYPE_UNIT_CLASS(TOWIntToFloatFormatConverter, TOWFormatConverter)

private:
    void onValue(TObject* sender, std::int32_t value);
};

class TOWIntToRealFormatConverter : public TOWScalarConverter<TOWIntegerSinkPin, TOWRealSourcePin> {
public:
    TOWIntToRealFormatConverter();
    OW_TYPE_UNIT_CLASS(TOWIntToRealFormatConverter, TOWFormatConverter)

private:
    void onValue(TObject* sender, std::int32_t value);
};

class TOWInt64ToFloatFormatConverter : public TOWScalarConverter<TOWInt64SinkPin, TOWFloatSourcePin> {
public:
    TOWInt64ToFloatFormatConverter();
    OW_TYPE_UNIT_CLASS(TOWInt64ToFloatFormatConverter, TOWFormatConverter)

private:
    void onValue(TObject* sender, std::int64_t value);
};

class TOWInt64ToRealFormatConverter : public TOWScalarConverter<TOWInt64SinkPin, TOWRealSourcePin> {
public:
    TOWInt64ToRealFormatConverter();
    OW_TYPE_UNIT_CLASS(TOWInt64ToRealFormatConverter, TOWFormatConverter)

private:
    void onValue(TObject* sender, std::int64_t value);
};

class TOWFloatToRealFormatConverter : public TOWScalarConverter<TOWFloatSinkPin, TOWRealSourcePin> {
public:
    TOWFloatToRealFormatConverter();
    OW_TYPE_UNIT_CLASS(TOWFloatToRealFormatConverter, TOWFormatConverter)

private:
    void onValue(TObject* sender, float value);
};

// A ranged value becomes a real value with its range; a plain value a single.
class TOWIntToRealRangedFormatConverter : public TOWScalarConverter<TOWIntAndRangedSinkPin, TOWRealRangedSourcePin> {
public:
    TOWIntToRealRangedFormatConverter();
    OW_TYPE_UNIT_CLASS(TOWIntToRealRangedFormatConverter, TOWFormatConverter)

private:
    void onValue(TObject* sender, std::int32_t value, std::int32_t firstBound, std::int32_t secondBound, bool ranged);
};

class TOWInt64ToRealRangedFormatConverter
    : public TOWScalarConverter<TOWInt64AndRangedSinkPin, TOWRealRangedSourcePin> {
public:
    TOWInt64ToRealRangedFormatConverter();
    OW_TYPE_UNIT_CLASS(TOWInt64ToRealRangedFormatConverter, TOWFormatConverter)

private:
    void onValue(TObject* sender, std::int64_t value, std::int64_t firstBound, std::int64_t secondBound, bool ranged);
};
