#pragma once
// The two process-wide registries of stream types: caption and default handler
// of each type, and the converter class that turns one type into another.
//
// They are written only by the stream-type units' registration routines, which
// run inside OWPinsStartUp (single-threaded, before pins are used); outside it
// every registration raises EOWException, so after start-up the registries are
// read-only and need no lock. Entries are never removed before OWPinsFinalize,
// so indices stay valid; a later registration is preferred by negotiation,
// which walks the converters from the last.
#include "framework/ClassLibrary/Object.h"
#include "framework/ClassLibrary/TypeInfo.h"
#include "framework/operations/OWGuid.h"
#include "framework/operations/OWOperations.h"
#include "framework/operations/OWPinTypes.h"

#include <span>
#include <string>
#include <string_view>

class TOWBasicPin;
class TOWPin;
class TOWFormatConverter;

// A type's default handler: the pin that delivers, the target served (a sink
// pin or a converter's input pin), the type, the flags and the operation; True
// when the target took the delivery.
using TOWStreamHandlerProc = bool (*)(TOWPin* pin, TOWBasicPin* target, const TGUID& streamType,
                                      TOWHandlerFlags flags, const TOWNotifyOperationRef& operation);

// A converter class: its name and how to make one. Compared by address; one
// static instance per class (OWConverterClassOf).
struct TOWFormatConverterClass {
    std::string_view name;
    TOwned<TOWFormatConverter> (*create)();
};

template<class T>
const TOWFormatConverterClass* OWConverterClassOf()
{
    static const TOWFormatConverterClass cls{T::StaticClassInfo().Name(),
                                             []() -> TOwned<TOWFormatConverter> { return MakeObject<T>(); }};
    return &cls;
}

struct TOWStreamTypeEntry {
    TGUID StreamType{};
    std::string Caption;
    TOWStreamHandlerProc Handler = nullptr;
};

struct TOWFormatConverterEntry {
    TGUID FromType{};
    TGUID ToType{};
    const TOWFormatConverterClass* ConverterClass = nullptr;
};

// Index of the type's entry, appended (empty caption, no handler) when absent.
int FindOrAddStreamType(const TGUID& streamType);
void RegisterStreamTypeCaption(const TGUID& streamType, std::string caption);
void RegisterStreamTypeHandler(const TGUID& streamType, TOWStreamHandlerProc handler);
// "NIL ID" for the null GUID; the caption when one is registered; else the
// braced text of the GUID.
std::string StreamTypeCaption(const TGUID& streamType);
std::string StreamTypeIDToString(const TGUID& streamType);
// The first entry's handler for the type, null when none.
TOWStreamHandlerProc StreamTypeHandler(const TGUID& streamType);

// -1 when the pair is not registered.
int IndexOfFormatConverter(const TGUID& fromType, const TGUID& toType);
// Overwrites the class of a registered pair in place, else appends.
void RegisterFormatConverter(const TGUID& fromType, const TGUID& toType, const TOWFormatConverterClass* converterClass);
const TOWFormatConverterClass* FindFormatConverterClass(const TGUID& fromType, const TGUID& toType);

// The registries in registration order, for the walks of the pin framework.
std::span<const TOWStreamTypeEntry> StreamTypeEntries();
std::span<const TOWFormatConverterEntry> FormatConverterEntries();

// A stream-type unit that keeps tables of its own registers, during start-up,
// the routine that empties them; OWPinsFinalize runs it with the registries'
// own clearing, so the pin unit needs to know none of the units above it.
using TOWTypeUnitFinalize = void (*)();
void RegisterTypeUnitFinalize(TOWTypeUnitFinalize finalize);

namespace owStreamTypeRegistryDetail {
// Opened and closed by OWPinsStartUp around the units' registration routines.
void SetWritable(bool writable);
// Runs the units' finalize routines, then empties both registries
// (OWPinsFinalize).
void Clear();
} // namespace owStreamTypeRegistryDetail
