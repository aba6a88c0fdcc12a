#pragma once

#include "device/JvHidDeviceController.h"

#include <memory>

// Owns the HID controller and, when it goes, the devices taken from it. The
// controller leaves acquired devices to their users, and the main window
// keeps the ones it took (the logger, and devices that were not the logger)
// to the end. Their handlers are removed first, so nothing calls back into a
// window that is going away.
class OwnedHidController {
public:
    // Without a backend the controller picks the one the environment names.
    explicit OwnedHidController(std::shared_ptr<zq::hid::HidBackend> backend);
    ~OwnedHidController();
    OwnedHidController(const OwnedHidController&) = delete;
    OwnedHidController& operator=(const OwnedHidController&) = delete;

    TJvHidDeviceController* get() const { return controller_.get(); }

private:
    std::unique_ptr<TJvHidDeviceController> controller_;
};
