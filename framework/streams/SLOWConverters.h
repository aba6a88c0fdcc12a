#pragma once
// Converters of the buffer stream types, and from scalar values to text.
// The buffer converters turn each supplied buffer into a buffer of the
// output type and pass every other operation (start, stop, query) on
// unchanged; what their sinks send upstream goes on upstream. A buffer too
// large for the output type is refused with EOWException.
#include "framework/pins/OWFormatConverter.h"
#include "framework/streams/OWScalarSinkPins.h"
#include "framework/streams/SLOWSinkPins.h"
#include "framework/streams/SLOWSourcePins.h"

#include <string>

// What every converter of the buffer unit shares: its output, whose
// upstream operations travel on through the input.
class TSLOWConverter : public TOWFormatConverter {
protected:
    template<class In, class Out, class OnInput>
    void makePins(OnInput onInput)
    {
        auto input = MakeObject<In>(this, nullptr, onInput);
        auto output = MakeObject<Out>(this, nullptr, TNotifyEvent{},
                                      TSLOWReceiveEvent::Of<&TSLOWConverter::forward>(this));
        output_ = output.get();
        InitPins(TOwned<TOWStreamPin>(input.release()), TOwned<TOWStreamPin>(output.release()));
    }
    bool send(const TOWNotifyOperationRef& operation) { return output_->SendOperation(operation); }

private:
    bool forward(TOWBasicPin*, const TGUID&, const TOWNotifyOperationRef& operation, TOWHandlerFlags)
    {
        return ForwardUpstream(operation);
    }

    TSLOWSourcePin* output_ = nullptr;
};

class TSLOWBufferConverter : public TSLOWConverter {
protected:
    template<class In, class Out>
    void makeBufferPins()
    {
        makePins<In, Out>(TSLOWReceiveEvent::Of<&TSLOWBufferConverter::inputReceived>(this));
    }
    // The converted buffer; null when the buffer is not of the input type.
    virtual SLRef<ISLData> convert(ISLData& buffer) = 0;

private:
    bool inputReceived(TOWBasicPin*, const TGUID&, const TOWNotifyOperationRef& operation, TOWHandlerFlags flags);
};

// The buffer's bytes as a byte buffer (shared, not copied).
class TSLOWToBinaryConverter : public TSLOWBufferConverter {
protected:
    SLRef<ISLData> convert(ISLData& buffer) override;
};

class TSLOWIntToBinaryFormatConverter : public TSLOWToBinaryConverter {
public:
    TSLOWIntToBinaryFormatConverter() { makeBufferPins<TSLOWIntegerSinkPin, TSLOWBinarySourcePin>(); }
    OW_TYPE_UNIT_CLASS(TSLOWIntToBinaryFormatConverter, TOWFormatConverter)
};

class TSLOWRealToBinaryFormatConverter : public TSLOWToBinaryConverter {
public:
    TSLOWRealToBinaryFormatConverter() { makeBufferPins<TSLOWRealSinkPin, TSLOWBinarySourcePin>(); }
    OW_TYPE_UNIT_CLASS(TSLOWRealToBinaryFormatConverter, TOWFormatConverter)
};

class TSLOWComplexToBinaryFormatConverter : public TSLOWToBinaryConverter {
public:
    TSLOWComplexToBinaryFormatConverter() { makeBufferPins<TSLOWComplexSinkPin, TSLOWBinarySourcePin>(); }
    OW_TYPE_UNIT_CLASS(TSLOWComplexToBinaryFormatConverter, TOWFormatConverter)
};

// Integers converted to doubles.
class TSLOWIntToRealFormatConverter : public TSLOWBufferConverter {
public:
    TSLOWIntToRealFormatConverter() { makeBufferPins<TSLOWIntegerSinkPin, TSLOWRealSourcePin>(); }
    OW_TYPE_UNIT_CLASS(TSLOWIntToRealFormatConverter, TOWFormatConverter)

protected:
    SLRef<ISLData> convert(ISLData& buffer) override;
};

// A real buffer becomes a one-row matrix on the same block.
class TSLOWRealToRealMatrixFormatConverter : public TSLOWBufferConverter {
public:
    TSLOWRealToRealMatrixFormatConverter() { makeBufferPins<TSLOWRealSinkPin, TSLOWRealMatrixSourcePin>(); }
    OW_TYPE_UNIT_CLASS(TSLOWRealToRealMatrixFormatConverter, TOWFormatConverter)

protected:
    SLRef<ISLData> convert(ISLData& buffer) override;
};

// One string operation per value of the input pin.
template<class In, class T, std::string (*Text)(T)>
class TSLOWToStringConverter : public TSLOWConverter {
protected:
    TSLOWToStringConverter()
    {
        makePins<In, TSLOWStringSourcePin>(TOWValueEvent<T>::template Of<&TSLOWToStringConverter::onValue>(this));
    }

private:
    void onValue(TObject*, T value) { send(OWMakeOperation<TOWSuppliedStringOperation>(Text(value))); }
};

std::string SLDateTimeText(double dateTime);
std::string SLIntegerText(std::int32_t value);
std::string SLRealText(double value);

class TSLOWTimeToStringFormatConverter : public TSLOWToStringConverter<TOWDateTimeSinkPin, double, SLDateTimeText> {
public:
    OW_TYPE_UNIT_CLASS(TSLOWTimeToStringFormatConverter, TOWFormatConverter)
};

class TSLOWIntegerToStringFormatConverter
    : public TSLOWToStringConverter<TOWIntegerSinkPin, std::int32_t, SLIntegerText> {
public:
    OW_TYPE_UNIT_CLASS(TSLOWIntegerToStringFormatConverter, TOWFormatConverter)
};

class TSLOWRealToStringFormatConverter : public TSLOWToStringConverter<TOWRealSinkPin, double, SLRealText> {
public:
    OW_TYPE_UNIT_CLASS(TSLOWRealToStringFormatConverter, TOWFormatConverter)
};
