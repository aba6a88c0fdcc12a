#include "framework/pins/OWPinEvents.h"
#include "framework/pins/OWPins.h"
#include "framework/pins/OWUnloadedPin.h"

void OWPinsFinalize()
{
    owPlaceholderDetail::FreeAll();
    owPinEvents::ClearListeners();
    owStreamTypeRegistryDetail::Clear();
}
