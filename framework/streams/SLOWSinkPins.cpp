#include "framework/streams/SLOWSinkPins.h"

#include "framework/streams/SLOWSourcePins.h"

namespace st = owStreamTypes;
namespace sl = slStreamTypes;

TSLOWSinkPin::TSLOWSinkPin(TComponent* owner, IOWLock* lock, TSLOWReceiveEvent onReceive)
    : TOWReceivingPin<TOWSinkPin>(owner, lock), onReceive_(onReceive)
{
    AddReceiver(OWGuidOf<ISLStreamReceiver>(), TOWReceiveMethod::Of<&TSLOWSinkPin::receive>(this));
    takeType(sl::Universal);
    SetAcceptsAnyType(true);
}

void TSLOWSinkPin::takeType(const TGUID& streamType)
{
    AddReceiver(streamType, TOWReceiveMethod::Of<&TSLOWSinkPin::receive>(this));
    AddStreamType(streamType, TOWStreamHandler::Of<&TSLOWSinkPin::sinkHandler>(this));
}

bool TSLOWSinkPin::sinkHandler(TOWBasicPin* target, const TGUID& streamType, TOWHandlerFlags flags,
                               const TOWNotifyOperationRef& operation)
{
    return SLStreamReceiverHandler(this, target, streamType, flags, operation);
}

bool TSLOWSinkPin::receive(const TGUID& streamType, const TOWNotifyOperationRef& operation, TOWHandlerFlags flags)
{
    return onReceive_ && onReceive_(this, streamType, operation, flags);
}

void TSLOWSinkPin::LinkRemoved()
{
    TOWReceivingPin<TOWSinkPin>::LinkRemoved();
    // The stop for this sink's former link is delivered now that no gate is held.
    SLDeliverDeferredStops();
}

TSLOWIntegerSinkPin::TSLOWIntegerSinkPin(TComponent* owner, IOWLock* lock, TSLOWReceiveEvent onReceive)
    : TSLOWSinkPin(owner, lock, onReceive)
{
    takeType(sl::IntegerArray);
}

TSLOWRealSinkPin::TSLOWRealSinkPin(TComponent* owner, IOWLock* lock, TSLOWReceiveEvent onReceive)
    : TSLOWSinkPin(owner, lock, onReceive)
{
    takeType(sl::RealArray);
}

TSLOWComboRealSinkPin::TSLOWComboRealSinkPin(TComponent* owner, IOWLock* lock, TSLOWReceiveEvent onReceive)
    : TSLOWRealSinkPin(owner, lock, onReceive)
{
    takeType(st::FloatSingle);
    takeType(st::RealSingle);
}

TSLOWComboRealIntSinkPin::TSLOWComboRealIntSinkPin(TComponent* owner, IOWLock* lock, TSLOWReceiveEvent onReceive)
    : TSLOWComboRealSinkPin(owner, lock, onReceive)
{
    takeType(sl::IntegerArray);
    takeType(st::Integer32);
}

TSLOWComboRealIntComplexPairedSinkPin::TSLOWComboRealIntComplexPairedSinkPin(TComponent* owner, IOWLock* lock,
                                                                             TSLOWReceiveEvent onReceive)
    : TSLOWComboRealIntSinkPin(owner, lock, onReceive)
{
    takeType(sl::PairedBuffers);
    takeType(sl::ComplexArray);
    takeType(st::RealComplex);
}

TSLOWComplexSinkPin::TSLOWComplexSinkPin(TComponent* owner, IOWLock* lock, TSLOWReceiveEvent onReceive)
    : TSLOWSinkPin(owner, lock, onReceive)
{
    takeType(sl::ComplexArray);
}
