#pragma once
// The small types that operations, the stream-type registry and the pins all
// speak: the pin model's error, the flags of a delivery, the answers of an
// interface query and the kinds of pin. Kept apart from the pin model's rules
// so that the registries below the pins need not include them.
#include <cstdint>
#include <stdexcept>

// Errors of the pin model (a delivery nested too deep, a bad request).
class EOWException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Handler flags passed with every delivery.
using TOWHandlerFlags = std::uint8_t;
// The call announces a new connection rather than delivering an operation.
inline constexpr TOWHandlerFlags owAnnounceFlag = 1;
// The target is the last one served in this round.
inline constexpr TOWHandlerFlags owLastTargetFlag = 2;

// Answers of QueryInterface.
using TOWQueryResult = std::uint32_t;
inline constexpr TOWQueryResult owInterfaceFound = 0;
inline constexpr TOWQueryResult owNoInterface = 0x80004002u;

// The kinds a pin answers from GetSinkKind (and a placeholder stands for).
enum class TOWPinKind : std::uint8_t { Source = 0, Sink = 1, State = 2, MultiSink = 3 };
