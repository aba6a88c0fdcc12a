#include "device/JvHidDeviceController.h"

#include <QMetaObject>

#include <algorithm>

TJvHidDeviceController::TJvHidDeviceController(QObject* owner)
    : TJvHidDeviceController(owner, zq::hid::createHidBackend())
{
}

TJvHidDeviceController::TJvHidDeviceController(QObject* owner, std::shared_ptr<zq::hid::HidBackend> backend)
    : QObject(owner), backend_(std::move(backend))
{
    backendLoaded_ = backend_ && backend_->available();
    if (!backendLoaded_)
        return;
    subscription_ = backend_->subscribeChanges([this] { postDeviceChange(0); });
    // The first enumeration runs from the event loop, once the owner is up.
    postDeviceChange(-1);
}

TJvHidDeviceController::~TJvHidDeviceController()
{
    onDeviceChange_ = nullptr;
    onDeviceUnplug_ = nullptr;
    onEnumerate_ = nullptr;
    subscription_.reset();
    const std::vector<TJvHidDevice*> devices = std::exchange(deviceList_, {});
    for (TJvHidDevice* device : devices) {
        device->controller_ = nullptr;
        if (device->Acquired())
            device->HandleUnplug();  // its user still holds it
        else
            delete device;
    }
}

void TJvHidDeviceController::postDeviceChange(std::int32_t lParam)
{
    // Several changes before the message is handled make one enumeration.
    if (messagePending_)
        return;
    messagePending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this, lParam] {
            messagePending_ = false;
            DeviceWndProc({TDeviceChangeMessage::WM_DEVICECHANGE, TDeviceChangeMessage::DBT_DEVNODES_CHANGED, lParam});
        },
        Qt::QueuedConnection);
}

void TJvHidDeviceController::DeviceWndProc(const TDeviceChangeMessage& message)
{
    if (message.Msg != TDeviceChangeMessage::WM_DEVICECHANGE ||
        message.WParam != TDeviceChangeMessage::DBT_DEVNODES_CHANGED || inDeviceChange_)
        return;
    lastChangeParam_ = message.LParam;
    inDeviceChange_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{inDeviceChange_};
    DeviceChange();
}

void TJvHidDeviceController::EnumerateHidDevices(std::vector<std::unique_ptr<TJvHidDevice>>& list)
{
    if (!backendLoaded_)
        return;
    for (const auto& entry : backend_->enumerate()) {
        try {
            auto info = std::make_unique<TJvHidPnPInfo>(*backend_, entry);
            list.push_back(std::make_unique<TJvHidDevice>(std::move(info), this));
        } catch (const EControllerError&) {
            // Left out this time; the next device change tries again.
        }
    }
}

void TJvHidDeviceController::DeviceChange()
{
    bool changed = lastChangeParam_ == -1;
    std::vector<std::unique_ptr<TJvHidDevice>> found;
    EnumerateHidDevices(found);

    // Handlers may give devices back (destroy them) while this runs, so an
    // entry is looked at again only while it is still where it was.
    const auto stillListed = [this](std::size_t i, TJvHidDevice* device) {
        return i < deviceList_.size() && deviceList_[i] == device;
    };
    for (std::size_t i = deviceList_.size(); i-- > 0;) {
        if (i >= deviceList_.size())
            continue;
        TJvHidDevice* device = deviceList_[i];
        const bool present = device->PluggedIn() && std::any_of(found.rbegin(), found.rend(), [&](const auto& d) {
                                 return d->PnPInfo()->DevInst == device->PnPInfo()->DevInst;
                             });
        if (present)
            continue;
        changed = true;
        device->HandleUnplug();
        if (!stillListed(i, device))
            continue;
        FireRemoval(device);
        if (!stillListed(i, device) || device->Acquired())
            continue;
        deviceList_.erase(deviceList_.begin() + static_cast<std::ptrdiff_t>(i));
        device->controller_ = nullptr;
        delete device;
    }

    for (auto& candidate : found) {
        const bool listed = std::any_of(deviceList_.begin(), deviceList_.end(), [&](TJvHidDevice* entry) {
            return entry->PnPInfo()->DevInst == candidate->PnPInfo()->DevInst && entry->PluggedIn();
        });
        if (listed) {
            candidate->controller_ = nullptr;
            candidate.reset();
        }
    }

    for (auto& candidate : found) {
        if (!candidate)
            continue;
        TJvHidDevice* device = candidate.release();
        deviceList_.push_back(device);
        changed = true;
        FireArrival(device);
    }

    recount();
    if (changed)
        FireDeviceChange();
}

void TJvHidDeviceController::recount()
{
    std::uint32_t free = 0;
    std::uint32_t unplugged = 0;
    std::uint32_t acquired = 0;
    for (const TJvHidDevice* device : deviceList_) {
        if (device->Acquired())
            ++acquired;
        else
            ++free;
        if (!device->PluggedIn())
            ++unplugged;
    }
    numFreeDevices_ = free;
    numUnpluggedDevices_ = unplugged;
    numAcquiredDevices_ = acquired - unplugged;
}

bool TJvHidDeviceController::AcquireDevice(TJvHidDevice*& device, int index, bool condition)
{
    if (index < 0 || static_cast<std::size_t>(index) >= deviceList_.size())
        return false;
    TJvHidDevice* entry = deviceList_[static_cast<std::size_t>(index)];
    if (!condition || entry->Acquired())
        return false;
    device = entry;
    entry->acquired_ = true;
    ++numAcquiredDevices_;
    --numFreeDevices_;
    entry->StartReader();
    return true;
}

bool TJvHidDeviceController::AcquireFirstFree(TJvHidDevice*& device)
{
    device = nullptr;
    for (std::size_t i = 0; i < deviceList_.size(); ++i)
        if (AcquireDevice(device, static_cast<int>(i), true))
            return true;
    return false;
}

void TJvHidDeviceController::FireArrival(TJvHidDevice* device)
{
    if (!onArrival_)
        return;
    device->announcing_ = true;
    onArrival_(device);
    device->announcing_ = false;
}

void TJvHidDeviceController::FireRemoval(TJvHidDevice* device)
{
    if (!onRemoval_)
        return;
    device->announcing_ = true;
    onRemoval_(device);
    device->announcing_ = false;
}

void TJvHidDeviceController::FireDeviceChange()
{
    if (onDeviceChange_)
        onDeviceChange_(this);
}

void TJvHidDeviceController::SetOnDeviceChange(TJvHidNotifyEvent handler)
{
    if (handler.SameCode(onDeviceChange_))
        return;
    onDeviceChange_ = std::move(handler);
    if (!loading_)
        DeviceChange();
}

void TJvHidDeviceController::SetOnDeviceData(TJvHidDataEvent handler)
{
    if (handler.SameCode(onDeviceData_))
        return;
    for (TJvHidDevice* device : deviceList_)
        if (device->OnData().SameCode(onDeviceData_))
            device->SetDataHandler(handler);
    onDeviceData_ = std::move(handler);
}

void TJvHidDeviceController::SetOnDeviceDataError(TJvHidDataErrorEvent handler)
{
    if (handler.SameCode(onDeviceDataError_))
        return;
    for (TJvHidDevice* device : deviceList_)
        if (device->OnDataError().SameCode(onDeviceDataError_))
            device->SetOnDataError(handler);
    onDeviceDataError_ = std::move(handler);
}

void TJvHidDeviceController::SetOnDeviceUnplug(TJvHidPlugEvent handler)
{
    if (handler.SameCode(onDeviceUnplug_))
        return;
    for (TJvHidDevice* device : deviceList_)
        if (device->OnUnplug.SameCode(onDeviceUnplug_))
            device->OnUnplug = handler;
    onDeviceUnplug_ = std::move(handler);
}

void TJvHidDeviceController::SetDevThreadSleepTime(std::uint32_t milliseconds)
{
    if (milliseconds == devThreadSleepTime_)
        return;
    for (TJvHidDevice* device : deviceList_)
        if (device->SleepTime() == devThreadSleepTime_)
            device->SetSleepTime(milliseconds);
    devThreadSleepTime_ = milliseconds;
}

void TJvHidDeviceController::deviceDestroyed(TJvHidDevice* device, std::unique_ptr<TJvHidPnPInfo> pnpInfo,
                                             TJvHidDataEvent onData, TJvHidPlugEvent onUnplug,
                                             std::uint32_t sleepTime)
{
    auto it = std::find(deviceList_.begin(), deviceList_.end(), device);
    if (it == deviceList_.end())
        return;
    if (device->PluggedIn()) {
        try {
            auto fresh = std::make_unique<TJvHidDevice>(std::move(pnpInfo), this);
            fresh->SetDataHandler(std::move(onData));
            fresh->OnUnplug = std::move(onUnplug);
            fresh->SetSleepTime(sleepTime);
            it = std::find(deviceList_.begin(), deviceList_.end(), device);
            *it = fresh.release();
            recount();
            return;
        } catch (const EControllerError&) {
            // It can no longer be opened: it leaves the list as if unplugged.
            it = std::find(deviceList_.begin(), deviceList_.end(), device);
        }
    }
    deviceList_.erase(it);
    recount();
}
