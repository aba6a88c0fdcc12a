#pragma once
// USB HID device access: the controller, its devices and their read threads.
#include "device/JvHidDevice.h"
#include "device/JvHidDeviceController.h"
#include "device/JvHidDeviceReadThread.h"
#include "device/JvHidEvent.h"
#include "device/JvHidPnPInfo.h"
