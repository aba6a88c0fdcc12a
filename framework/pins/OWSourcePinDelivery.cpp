// Delivery of a source pin (the route does the work) and the announcement
// of a new link.
#include "framework/pins/OWLinkGate.h"
#include "framework/pins/OWPinEvents.h"
#include "framework/pins/OWSourcePin.h"


namespace {

const char* const dependsOnItselfText = "The pin depends on itself. Please protect with functional dependency.";

} // namespace

bool TOWSourcePin::Dispatch(TOWBasicPin* target, const TOWNotifyOperationRef& operation)
{
    return route_.Deliver(*this, target, operation);
}

void TOWSourcePin::Announce(TOWBasicPin* sink, const TOWStreamHandler& handler)
{
    if (!handler || !sink)
        return;
    const TOWReleaseDeferral deferral;
    TOWSelfUse self(*this);
    if (!self)
        return;
    if (Nesting() > maxAnnounceNesting)
        throw EOWException(dependsOnItselfText);
    const TOWNestingGuard nesting(nestingCounter(), self);

    TGUID streamType = Negotiate(*this, sink, true, false).StreamType;
    TOWBorrowed<TOWBasicPin> target = sink->Borrow();
    {
        auto section = ReadLocked();
        if (!section)
            return;
        const int index = sinks_.IndexOfSink(sink);
        if (index >= 0)
            streamType = sinks_.Items(index).StreamType;
    }
    {
        const TOWLockSectionRef ownerLetGo = letGoOfOwner();
        if (auto served = Use(target))
            handler(served.Get(), streamType, owAnnounceFlag | owLastTargetFlag, OWMakeOperation<TOWNotifyOperation>());
    }
    if (!self.Gone())
        owPinEvents::PinChanged(this);
}

void TOWSourcePin::AnnounceTo(TOWBasicPin* sink)
{
    TOWStreamHandler handler;
    TOWBorrowed<TOWBasicPin> output;
    {
        auto section = ReadLocked();
        if (!section)
            return;
        const int index = sinks_.IndexOfSink(sink);
        if (index < 0)
            return;
        const TOWPinEntry& entry = sinks_.Items(index);
        handler = entry.Handler;
        if (entry.Target.Get() != sink) {
            for (TOWFormatConverter* converter : converters_.Snapshot()) {
                if (converter->InputPin() == entry.Target.Get())
                    output = BorrowAs<TOWBasicPin>(converter->OutputPin());
            }
        }
    }
    // Behind a converter the sink hears the announcement from the
    // converter's output, in the type it takes; the converter's input, which
    // other sinks may share, is not told again.
    if (output) {
        if (auto out = Use(output)) {
            if (auto* outputSource = dynamic_cast<TOWSourcePin*>(out.Get()))
                outputSource->AnnounceTo(sink);
        }
        return;
    }
    Announce(sink, handler);
}

void TOWSourcePin::Renegotiate(TOWBasicPin* sink)
{
    const TGUID streamType = Negotiate(*this, sink, true, false).StreamType;
    if (streamType.IsNull())
        return;
    const TOWStreamHandler handler = FindHandler(streamType);
    {
        auto section = WriteLocked();
        if (!section)
            return;
        const int index = sinks_.IndexOfSink(sink);
        if (index < 0 || sinks_.Items(index).StreamType == streamType)
            return;
        sinks_.Items(index).StreamType = streamType;
        sinks_.Items(index).Handler = handler;
        route_.Changed();
    }
    AnnounceTo(sink);
}
