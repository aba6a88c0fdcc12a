#pragma once
// The parking form: an invisible container without an owner on which item
// controls wait while they belong to an item list. It is made once by the
// program's start-up and freed at its end; a TSLParkingFormScope does both.
#include "framework/ClassLibrary/CustomControl.h"

// The form, or null outside a parking-form scope.
TCustomControl* ParkingForm();

class TSLParkingFormScope {
public:
    TSLParkingFormScope();
    ~TSLParkingFormScope();
    TSLParkingFormScope(const TSLParkingFormScope&) = delete;
    TSLParkingFormScope& operator=(const TSLParkingFormScope&) = delete;
};
