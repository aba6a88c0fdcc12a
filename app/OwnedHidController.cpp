#include "app/OwnedHidController.h"

#include <vector>

OwnedHidController::OwnedHidController(std::shared_ptr<zq::hid::HidBackend> backend)
    : controller_(backend ? std::make_unique<TJvHidDeviceController>(nullptr, std::move(backend))
                          : std::make_unique<TJvHidDeviceController>(nullptr))
{
}

OwnedHidController::~OwnedHidController()
{
    std::vector<std::unique_ptr<TJvHidDevice>> taken;
    for (TJvHidDevice* device : controller_->DeviceList()) {
        if (!device->Acquired())
            continue;
        device->SetDataHandler(nullptr);
        device->OnUnplug = nullptr;
        taken.emplace_back(device);
    }
    // The controller lets go of them without destroying them; then they go.
    controller_.reset();
}
