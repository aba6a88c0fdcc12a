#include "framework/OWPinEvents.h"
#include "framework/OWPins.h"
#include "framework/OWUnloadedPin.h"

void OWPinsFinalize()
{
    owPlaceholderDetail::FreeAll();
    owPinEvents::ClearListeners();
    owStreamTypeRegistryDetail::Clear();
}
