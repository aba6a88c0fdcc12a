#pragma once
// Keeps the list of present HID interfaces, follows device changes, announces
// removals and arrivals, and hands devices out to users.
//
// The backend is chosen at construction: the process-wide simulated bus when
// the environment variable ZQ_HID_BACKEND is "sim", hidraw otherwise (or the
// one passed in). Device changes arrive as messages handled from the Qt event
// loop on the main thread; the first enumeration runs from the loop after
// construction and always reports a change.
//
// OnEnumerate is kept for users but never called.
#include "device/JvHidDevice.h"
#include "device/JvHidEvent.h"
#include "platform/hid/HidBackend.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

// The platform's device-change message as the controller's window receives it.
struct TDeviceChangeMessage {
    static constexpr std::uint32_t WM_DEVICECHANGE = 0x0219;
    static constexpr std::uint32_t DBT_DEVNODES_CHANGED = 0x0007;
    static constexpr std::uint32_t DBT_DEVICEARRIVAL = 0x8000;

    std::uint32_t Msg = WM_DEVICECHANGE;
    std::uint32_t WParam = DBT_DEVNODES_CHANGED;
    std::int32_t LParam = 0;
};

class TJvHidDeviceController : public QObject {
    Q_OBJECT

public:
    explicit TJvHidDeviceController(QObject* owner = nullptr);
    TJvHidDeviceController(QObject* owner, std::shared_ptr<zq::hid::HidBackend> backend);
    ~TJvHidDeviceController() override;

    const TJvHidPlugEvent& OnArrival() const { return onArrival_; }
    const TJvHidNotifyEvent& OnDeviceChange() const { return onDeviceChange_; }
    const TJvHidEnumerateEvent& OnEnumerate() const { return onEnumerate_; }
    const TJvHidDataEvent& OnDeviceData() const { return onDeviceData_; }
    const TJvHidDataErrorEvent& OnDeviceDataError() const { return onDeviceDataError_; }
    const TJvHidPlugEvent& OnDeviceUnplug() const { return onDeviceUnplug_; }
    const TJvHidPlugEvent& OnRemoval() const { return onRemoval_; }

    void SetOnArrival(TJvHidPlugEvent handler) { onArrival_ = std::move(handler); }
    // A handler with other code runs DeviceChange at once, unless loading.
    void SetOnDeviceChange(TJvHidNotifyEvent handler);
    void SetOnEnumerate(TJvHidEnumerateEvent handler) { onEnumerate_ = std::move(handler); }
    // These three move every device that has the old handler's code to the new one.
    void SetOnDeviceData(TJvHidDataEvent handler);
    void SetOnDeviceDataError(TJvHidDataErrorEvent handler);
    void SetOnDeviceUnplug(TJvHidPlugEvent handler);
    void SetOnRemoval(TJvHidPlugEvent handler) { onRemoval_ = std::move(handler); }

    std::uint32_t DevThreadSleepTime() const { return devThreadSleepTime_; }
    void SetDevThreadSleepTime(std::uint32_t milliseconds);
    QString Version() const { return QStringLiteral("1.0.34"); }
    void SetVersion(const QString& value) { versionWritten_ = value; }

    // While set, a new OnDeviceChange handler is only stored, as when the
    // owner restores its settings before it is shown.
    void SetLoading(bool loading) { loading_ = loading; }
    bool Loading() const { return loading_; }

    void DeviceChange();
    bool AcquireDevice(TJvHidDevice*& device, int index, bool condition);
    bool AcquireFirstFree(TJvHidDevice*& device);
    void DeviceWndProc(const TDeviceChangeMessage& message);
    void EnumerateHidDevices(std::vector<std::unique_ptr<TJvHidDevice>>& list);
    void FireArrival(TJvHidDevice* device);
    void FireRemoval(TJvHidDevice* device);
    void FireDeviceChange();

    const std::vector<TJvHidDevice*>& DeviceList() const { return deviceList_; }
    std::uint32_t NumFreeDevices() const { return numFreeDevices_; }
    std::uint32_t NumAcquiredDevices() const { return numAcquiredDevices_; }
    std::uint32_t NumUnpluggedDevices() const { return numUnpluggedDevices_; }
    bool InDeviceChange() const { return inDeviceChange_; }
    std::int32_t LastChangeParam() const { return lastChangeParam_; }
    bool BackendLoaded() const { return backendLoaded_; }
    const std::shared_ptr<zq::hid::HidBackend>& Backend() const { return backend_; }

private:
    friend class TJvHidDevice;

    void postDeviceChange(std::int32_t lParam);
    void recount();
    // A device of the list is being destroyed: put a fresh free copy in its
    // place or drop the entry.
    void deviceDestroyed(TJvHidDevice* device, std::unique_ptr<TJvHidPnPInfo> pnpInfo, TJvHidDataEvent onData,
                         TJvHidPlugEvent onUnplug, std::uint32_t sleepTime);

    std::shared_ptr<zq::hid::HidBackend> backend_;
    bool backendLoaded_ = false;
    TJvHidPlugEvent onArrival_;
    TJvHidNotifyEvent onDeviceChange_;
    TJvHidEnumerateEvent onEnumerate_;
    TJvHidDataEvent onDeviceData_;
    TJvHidDataErrorEvent onDeviceDataError_;
    TJvHidPlugEvent onDeviceUnplug_;
    TJvHidPlugEvent onRemoval_;
    std::uint32_t devThreadSleepTime_ = TJvHidDevice::DefaultSleepTime;
    QString versionWritten_;
    std::vector<TJvHidDevice*> deviceList_;
    std::uint32_t numFreeDevices_ = 0;
    std::uint32_t numAcquiredDevices_ = 0;
    std::uint32_t numUnpluggedDevices_ = 0;
    bool inDeviceChange_ = false;
    std::int32_t lastChangeParam_ = 0;
    bool loading_ = false;
    bool messagePending_ = false;
    zq::hid::ChangeSubscription subscription_;
};
