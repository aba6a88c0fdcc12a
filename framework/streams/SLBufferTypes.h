#pragma once
// The stream types that carry whole buffers of samples, the table of element
// sizes of the array types, and the buffer unit's start-up routine.
#include "framework/buffers/SLDataInterfaces.h"
#include "framework/operations/OWGuid.h"
#include "framework/pins/OWPins.h"

#include <cstdint>
#include <span>

namespace slStreamTypes {
inline constexpr TGUID BinaryArray = ParseGuid("{BD807B57-05AE-44E0-A99F-3D9BAD83395E}");
inline constexpr TGUID RealArray = ParseGuid("{58041272-EF20-4696-87E6-9EE46ABFBD89}");
inline constexpr TGUID IntegerArray = ParseGuid("{473B965F-AB43-4493-B9E3-BEE9CF0803D4}");
inline constexpr TGUID ComplexArray = ParseGuid("{BD797143-D7C6-4033-B686-9ABA658346CF}");
inline constexpr TGUID Universal = ParseGuid("{949B7FD0-421F-4F1B-B8D2-87969D3E66E0}");
inline constexpr TGUID Generic = ParseGuid("{DB6DD866-611D-4DC4-B46F-459CF8F02ECD}");
inline constexpr TGUID PairedBuffers = ParseGuid("{F4D70F89-B478-4D08-990F-AD03759D0E31}");
inline constexpr TGUID String = ParseGuid("{939000AB-3C12-4A1D-89B5-33DA284E4929}");
inline constexpr TGUID RealMatrix = ParseGuid("{3A3BA3E1-0184-41DA-AA08-5412DD5F2B83}");
inline constexpr TGUID UserControl = ParseGuid("{9E7972F6-919B-491D-A094-18722B974429}");
} // namespace slStreamTypes

// One array type: its element size and how a buffer of it is made.
struct TSLBufferTypeEntry {
    TGUID StreamType{};
    std::uint32_t ElementSize = 0;
    // A new buffer of `count` elements of the type's buffer class.
    SLRef<ISLData> (*CreateBuffer)(std::uint32_t count) = nullptr;
    void (*ReleaseBuffer)(ISLData* buffer) = nullptr;
};

// An entry of a registered type keeps its element size and takes the new
// factory and release procedure; otherwise a new entry is appended.
void RegisterBufferStreamType(const TGUID& streamType, std::uint32_t elementSize,
                              SLRef<ISLData> (*createBuffer)(std::uint32_t), void (*releaseBuffer)(ISLData*));
std::span<const TSLBufferTypeEntry> BufferStreamTypes();

// The buffer types' default handler: nothing on an announcement; otherwise
// the target's ISLStreamReceiver takes the operation.
bool SLStreamReceiverHandler(TOWPin* pin, TOWBasicPin* target, const TGUID& streamType, TOWHandlerFlags flags,
                             const TOWNotifyOperationRef& operation);

// The buffer unit's start-up routine; runs after the scalar unit's.
void SLRegisterBufferStreamTypes();

// The type units of the program in the order they register. The program
// passes them to OWPinsStartUp.
std::span<const TOWTypeUnitStartUp> OWStandardTypeUnits();

namespace slBufferTypesDetail {
// Empties the element-size table (registered to run with OWPinsFinalize).
void Clear();
} // namespace slBufferTypesDetail

// OnReceive of the buffer pins: the pin, the stream type, the operation and
// the flags; its result is the receiver's answer.
using TSLOWReceiveEvent = TMethod<bool(TOWBasicPin* sender, const TGUID& streamType,
                                       const TOWNotifyOperationRef& operation, TOWHandlerFlags flags)>;
