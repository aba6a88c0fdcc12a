#pragma once
// Link changes of one sink pin are serialised by that sink's gate: connect,
// disconnect and the source side's removal all go through the sink, so that
// the sink's record of its source and the source's entry for the sink change
// together. The gate is held across calls into the partner's AddLink and
// RemoveLink (which take only their own sections) but never across handlers,
// and it is always taken inside a use of the sink's destroy lock, so the sink
// cannot be freed under it.
//
// Converters a source lets go of while a gate is held or a delivery runs on
// the thread are freed when the outermost of these ends: freeing a converter
// waits for deliveries of other threads through its pins (which may want the
// same gate), and a delivery of this thread may be passing through it.
#include "framework/pins/OWFormatConverter.h"

#include <functional>
#include <mutex>

class TOWLinkGate {
public:
    TOWLinkGate() = default;
    TOWLinkGate(const TOWLinkGate&) = delete;
    TOWLinkGate& operator=(const TOWLinkGate&) = delete;

    // Holds a gate for a scope.
    class TEnter;

private:
    std::recursive_mutex mutex_;
};

// Defers the freeing of released converters on this thread for a scope.
class TOWReleaseDeferral {
public:
    TOWReleaseDeferral();
    TOWReleaseDeferral(const TOWReleaseDeferral&) = delete;
    TOWReleaseDeferral& operator=(const TOWReleaseDeferral&) = delete;
    ~TOWReleaseDeferral();
};

class TOWLinkGate::TEnter {
public:
    explicit TEnter(TOWLinkGate& gate);
    TEnter(const TEnter&) = delete;
    TEnter& operator=(const TEnter&) = delete;
    ~TEnter();

private:
    TOWLinkGate& gate_;
    TOWReleaseDeferral deferral_;
};

// Frees the converter now, or at the end of the thread's outermost deferral.
void OWReleaseConverter(TOwned<TOWFormatConverter> converter);
// Runs the release now, or at the end of the thread's outermost deferral: a
// placeholder whose last link went while a link change of its partner, or its
// own hand-over to the real pin, is still under way.
void OWReleaseLater(std::function<void()> release);
