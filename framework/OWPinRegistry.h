#pragma once
// The process-wide registry of live pins, in the order they were made. Its
// critical section is a leaf of the lock order (OWPinModel.h): nothing but
// non-blocking destroy-lock uses is taken inside it, and no pin is called
// inside it.
#include "framework/OWPins.h"

#include <vector>

class TOWPinRegistry {
public:
    // A use of each pin collected, ended (in reverse order) with the object.
    class TUses {
    public:
        TUses() = default;
        TUses(TUses&& other) noexcept : pins_(std::move(other.pins_)) {}
        TUses(const TUses&) = delete;
        TUses& operator=(const TUses&) = delete;
        ~TUses();
        const std::vector<TOWBasicPin*>& Pins() const { return pins_; }

    private:
        friend class TOWPinRegistry;
        std::vector<TOWBasicPin*> pins_;
    };

    static void Register(TOWBasicPin& pin);
    static void Unregister(TOWBasicPin& pin);
    // Every registered pin but `except` that grants a use (pins being
    // destroyed do not), in registry order. The pins stay whole until the
    // uses end; they must not be freed by the holder of the uses.
    static TUses UseAll(const TOWBasicPin* except);
    static int Count();
};
