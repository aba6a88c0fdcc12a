#pragma once
// The stream types that carry one value at a time, and the start-up routine
// that registers them (captions, the notify receiver's handler, converters).
#include "framework/operations/OWGuid.h"
#include "framework/pins/OWPins.h"
#include "framework/pins/OWReceivers.h"

#include <span>

namespace owStreamTypes {
inline constexpr TGUID Clock = ParseGuid("{48CDAF9F-00C7-4B45-999D-4EE25353A952}");
inline constexpr TGUID Integer32 = ParseGuid("{92F6B47E-B46E-49BB-9A8E-676D3C2F2E66}");
inline constexpr TGUID Integer64 = ParseGuid("{6D054E38-F733-4212-8D5A-0E866802F866}");
inline constexpr TGUID FloatSingle = ParseGuid("{67F6997B-7EB4-4E2F-8320-4A512B5F2BC7}");
inline constexpr TGUID RealSingle = ParseGuid("{208F9564-3C20-4C97-BB77-2FC5AE6E4194}");
inline constexpr TGUID RealComplex = ParseGuid("{4CC4ADE6-E5AE-4E27-A9E7-42C14E062F41}");
inline constexpr TGUID BooleanSingle = ParseGuid("{7AA677AE-F983-4714-8E64-EC6F3D17695B}");
inline constexpr TGUID CharacterSingle = ParseGuid("{3241B885-95E1-495F-ACEC-4A1C98872B63}");
inline constexpr TGUID StringSingle = ParseGuid("{25C048B4-89D4-4277-AA98-A835EB29F5C1}");
inline constexpr TGUID RangedInteger32 = ParseGuid("{836EE1EA-B8BD-4E04-8225-6AB547D1A3C4}");
inline constexpr TGUID RangedInteger64 = ParseGuid("{B201C2F8-CA4D-4CF3-8E6D-E620D2B9D7EF}");
inline constexpr TGUID RangedReal = ParseGuid("{648AC95D-2772-427C-AD9D-2B7F1EDDE1A7}");
inline constexpr TGUID DateTime = ParseGuid("{475D7D8B-4796-42A5-8F8E-B512B8FD2704}");
} // namespace owStreamTypes

// The notify receiver's handler: hands every call, announcements included,
// to the target's IOWNotifyReceiver.
bool NotifyReceiverHandler(TOWPin* pin, TOWBasicPin* target, const TGUID& streamType, TOWHandlerFlags flags,
                           const TOWNotifyOperationRef& operation);

// Registers captions in the order given.
struct TOWStreamTypeCaption {
    TGUID Type;
    const char* Caption;
};
void OWRegisterCaptions(std::span<const TOWStreamTypeCaption> captions);

// The scalar unit's start-up routine (run by OWPinsStartUp).
void OWRegisterScalarStreamTypes();
