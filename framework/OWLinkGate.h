#pragma once
// Link changes of one sink pin are serialised by that sink's gate: connect,
// disconnect and the source side's removal all go through the sink, so that
// the sink's record of its source and the source's entry for the sink change
// together. The gate is held across calls into the partner's AddLink and
// RemoveLink (which take only their own sections) but never across handlers,
// and it is always taken inside a use of the sink's destroy lock, so the sink
// cannot be freed under it.
//
// Converters a source lets go of while a gate is held are freed when the
// thread's outermost gate opens: freeing a converter waits for deliveries in
// progress through its pins, and such a delivery may want the same gate.
#include "framework/OWFormatConverter.h"

#include <mutex>

class TOWLinkGate {
public:
    TOWLinkGate() = default;
    TOWLinkGate(const TOWLinkGate&) = delete;
    TOWLinkGate& operator=(const TOWLinkGate&) = delete;

    // Holds a gate for a scope.
    class TEnter {
    public:
        explicit TEnter(TOWLinkGate& gate);
        TEnter(const TEnter&) = delete;
        TEnter& operator=(const TEnter&) = delete;
        ~TEnter();

    private:
        TOWLinkGate& gate_;
    };

private:
    std::recursive_mutex mutex_;
};

// Frees the converter now, or when the thread's outermost gate opens.
void OWReleaseConverter(TOwned<TOWFormatConverter> converter);
