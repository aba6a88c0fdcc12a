#pragma once
// One present HID interface: its identity, cached strings and capabilities,
// the report calls, and the read thread that serves its data handler.
//
// Every call that talks to the device returns false (or 0, or an empty
// string) on failure and leaves the platform error code in
// zq::hid::lastError(); only the constructor raises.
//
// Ownership: the controller owns the devices of its list that are free; a
// device handed out by AcquireDevice belongs to its user, who gives it back by
// destroying it (delete): a plugged-in device is then replaced in the list by
// a fresh free copy, an unplugged one leaves the list.
#include "device/JvHidEvent.h"
#include "device/JvHidPnPInfo.h"
#include "platform/hid/AlertableWaiter.h"
#include "platform/hid/HidBackend.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <stdexcept>

class TJvHidDeviceController;
class TJvHidDeviceReadThread;

class EControllerError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class TJvHidOpenMode { omhRead, omhWrite };

struct THIDDAttributes {
    std::uint32_t Size = 0;
    std::uint16_t VendorID = 0;
    std::uint16_t ProductID = 0;
    std::uint16_t VersionNumber = 0;
};

// Report byte lengths include the report id byte.
struct THIDPCaps {
    std::uint16_t Usage = 0;
    std::uint16_t UsagePage = 0;
    std::uint16_t InputReportByteLength = 0;
    std::uint16_t OutputReportByteLength = 0;
    std::uint16_t FeatureReportByteLength = 0;
};

class TJvHidDevice {
public:
    static constexpr std::uint32_t DefaultSleepTime = 100;
    static constexpr std::uint32_t MinSleepTime = 10;
    static constexpr std::uint32_t MaxSleepTime = 10000;

    // Opens the device, reads its attributes and closes it again. Raises
    // EControllerError when it cannot be opened or identified; the PnP info
    // is freed with the failed object.
    TJvHidDevice(std::unique_ptr<TJvHidPnPInfo> pnpInfo, TJvHidDeviceController* controller);
    ~TJvHidDevice();
    TJvHidDevice(const TJvHidDevice&) = delete;
    TJvHidDevice& operator=(const TJvHidDevice&) = delete;

    TJvHidDeviceController* Controller() const { return controller_; }
    bool PluggedIn() const { return pluggedIn_; }
    bool Acquired() const { return acquired_; }
    bool Announcing() const { return announcing_; }
    zq::hid::Handle SyncHandle() const { return syncHandle_; }
    zq::hid::Handle ReadHandle() const { return readHandle_; }
    zq::hid::Handle WriteHandle() const { return writeHandle_; }
    const THIDDAttributes& Attributes() const { return attributes_; }
    TJvHidPnPInfo* PnPInfo() const { return pnpInfo_.get(); }
    std::uint32_t NumInputBuffers() const { return numInputBuffers_; }
    std::uint32_t NumOverlappedBuffers() const { return numOverlappedBuffers_; }
    std::uint32_t SleepTime() const { return sleepTime_; }
    bool ReadWriteAccess() const { return readWriteAccess_; }
    TJvHidDeviceReadThread* ReadThread() const { return readThread_.get(); }
    const TJvHidDataEvent& OnData() const { return onData_; }
    const TJvHidDataErrorEvent& OnDataError() const { return onDataError_; }
    void SetOnDataError(TJvHidDataErrorEvent handler) { onDataError_ = std::move(handler); }

    // Called once when the device is found gone; users read and write it freely.
    TJvHidPlugEvent OnUnplug;

    bool CanAccess() const;
    bool OpenSyncHandle();
    bool OpenOverlappedHandle(TJvHidOpenMode mode);
    void CloseSyncHandle();
    void CloseOverlappedHandle(TJvHidOpenMode mode);

    void SetNumInputBuffers(std::uint32_t count);
    void SetNumOverlappedBuffers(std::uint32_t count);
    // Only 10..10000 ms are taken; other values are ignored.
    void SetSleepTime(std::uint32_t milliseconds);

    const zq::hid::PreparsedData* GetPreparsedData();
    THIDPCaps GetCaps();
    QString GetManufacturer();

    // Report buffers start with the report id byte; lengths above
    // zq::hid::MaxReportLength are refused (EMSGSIZE).
    bool GetFeature(void* report, std::uint32_t length);
    bool SetFeature(const void* report, std::uint32_t length);
    bool WriteReport(const void* report, std::uint32_t length, std::uint32_t& bytesWritten);

    // Read thread only: the read finishes in waiter.sleepEx() on that thread.
    bool StartOverlappedRead(void* buffer, std::uint32_t length, zq::hid::AlertableWaiter& waiter);
    std::uint32_t GetReadResult();
    bool CancelPendingIO(TJvHidOpenMode mode);
    // Input reports the read handle lost because its queue was full, since
    // it was opened; 0 while it is closed.
    std::uint64_t DroppedInputReports() const;

    void SetDataHandler(TJvHidDataEvent handler);
    void StartReader();
    void StopReader();
    void HandleUnplug();

private:
    friend class TJvHidDeviceController;

    zq::hid::HidBackend& backend() const { return *backend_; }
    bool denyAccess() const;
    bool openReadHandleLocked();
    void closeReadHandleLocked();

    std::shared_ptr<zq::hid::HidBackend> backend_;
    TJvHidDeviceController* controller_ = nullptr;
    std::atomic<bool> pluggedIn_{true};
    std::atomic<bool> acquired_{false};
    std::atomic<bool> announcing_{false};
    zq::hid::Handle syncHandle_ = zq::hid::InvalidHandle;
    // The read handle is opened by the read thread and closed by the main
    // thread (unplug); the mutex keeps an open, and the read started on it,
    // from racing a close.
    mutable std::mutex readHandleMutex_;
    std::atomic<zq::hid::Handle> readHandle_{zq::hid::InvalidHandle};
    zq::hid::Handle writeHandle_ = zq::hid::InvalidHandle;
    zq::hid::OverlappedRead readOverlapped_;
    THIDDAttributes attributes_;
    std::unique_ptr<TJvHidPnPInfo> pnpInfo_;
    QString manufacturer_;
    std::unique_ptr<zq::hid::PreparsedData> preparsedData_;
    std::uint32_t numInputBuffers_ = 0;
    std::atomic<std::uint32_t> numOverlappedBuffers_{0};
    std::atomic<std::uint32_t> sleepTime_{DefaultSleepTime};
    TJvHidDataEvent onData_;
    TJvHidDataErrorEvent onDataError_;
    bool readWriteAccess_ = false;
    std::unique_ptr<TJvHidDeviceReadThread> readThread_;
};
