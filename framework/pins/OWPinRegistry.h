#pragma once
// The process-wide registry of live pins, in the order they were made. Its
// critical section is a leaf of the lock order (OWPinModel.h): nothing but
// non-blocking destroy-lock uses is taken inside it, and no pin is called
// inside it.
#include "framework/pins/OWPins.h"

#include <vector>

class TOWPinRegistry {
public:
    // A use of each pin collected (and a reference to its destroy lock),
    // ended in reverse order with the object.
    class TUses {
    public:
        TUses() = default;
        TUses(TUses&& other) noexcept : used_(std::move(other.used_)) {}
        TUses(const TUses&) = delete;
        TUses& operator=(const TUses&) = delete;
        ~TUses();
        // Calls f on each pin that still exists when its turn comes: a pin
        // told may free others of the list (a converter's pins) on this
        // thread, and those are passed over.
        template<class F>
        void ForEach(F&& f) const
        {
            for (const TUsed& used : used_) {
                if (!used.life->Retired())
                    f(*used.pin);
            }
        }
        std::size_t Count() const { return used_.size(); }

    private:
        friend class TOWPinRegistry;
        struct TUsed {
            TOWBasicPin* pin;
            TOWDestroyLock* life;
        };
        std::vector<TUsed> used_;
    };

    static void Register(TOWBasicPin& pin);
    static void Unregister(TOWBasicPin& pin);
    // Every registered pin but `except` that grants a use (pins being
    // destroyed do not), in registry order. Other threads cannot free them
    // until the uses end.
    static TUses UseAll(const TOWBasicPin* except);
    static int Count();
};
