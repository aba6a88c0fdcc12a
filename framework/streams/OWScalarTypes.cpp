#include "framework/streams/OWScalarTypes.h"

#include "framework/streams/OWScalarConverters.h"

bool NotifyReceiverHandler(TOWPin*, TOWBasicPin* target, const TGUID& streamType, TOWHandlerFlags flags,
                           const TOWNotifyOperationRef& operation)
{
    return OWPassToReceiver(target, OWGuidOf<IOWNotifyReceiver>(), streamType, operation, flags);
}

void OWRegisterCaptions(std::span<const TOWStreamTypeCaption> captions)
{
    for (const TOWStreamTypeCaption& c : captions)
        RegisterStreamTypeCaption(c.Type, c.Caption);
}

void OWRegisterScalarStreamTypes()
{
    using namespace owStreamTypes;
    // "Sting" is the string type's caption as stored forms and peers know it.
    static constexpr TOWStreamTypeCaption captions[] = {
        {Clock, "Clock"},
        {Integer32, "32 bit Integer single"},
        {Integer64, "64 bit Integer single"},
        {FloatSingle, "Float single"},
        {RealSingle, "Real single"},
        {RealComplex, "Real Complex single"},
        {BooleanSingle, "Boolean single"},
        {CharacterSingle, "Character single"},
        {StringSingle, "Sting"},
        {RangedInteger32, "Ranged 32 bit Integer single"},
        {RangedInteger64, "Ranged 64 bit Integer single"},
        {RangedReal, "Ranged Real single"},
        {DateTime, "Date/Time"},
    };
    OWRegisterCaptions(captions);
    RegisterStreamTypeHandler(OWGuidOf<IOWNotifyReceiver>(), NotifyReceiverHandler);

    RegisterFormatConverter(Integer32, FloatSingle, OWConverterClassOf<TOWIntToFloatFormatConverter>());
    RegisterFormatConverter(Integer32, RealSingle, OWConverterClassOf<TOWIntToRealFormatConverter>());
    RegisterFormatConverter(Integer64, FloatSingle, OWConverterClassOf<TOWInt64ToFloatFormatConverter>());
    RegisterFormatConverter(Integer64, RealSingle, OWConverterClassOf<TOWInt64ToRealFormatConverter>());
    RegisterFormatConverter(FloatSingle, RealSingle, OWConverterClassOf<TOWFloatToRealFormatConverter>());
    RegisterFormatConverter(RangedInteger32, RangedReal, OWConverterClassOf<TOWIntToRealRangedFormatConverter>());
    RegisterFormatConverter(RangedInteger64, RangedReal, OWConverterClassOf<TOWInt64ToRealRangedFormatConverter>());
}
