#include "device/JvHidDevice.h"

#include "device/JvHidDeviceController.h"
#include "device/JvHidDeviceReadThread.h"
#include "platform/hid/HidError.h"

#include <algorithm>
#include <array>
#include <cerrno>

using zq::hid::AccessQueryOnly;
using zq::hid::AccessRead;
using zq::hid::AccessReadWrite;
using zq::hid::AccessWrite;
using zq::hid::InvalidHandle;

namespace {

constexpr std::size_t ManufacturerChars = 254;
constexpr std::size_t ManufacturerBufferChars = 508 / sizeof(char16_t);

bool refuseLength(const void* report, std::uint32_t length)
{
    if (report == nullptr || length == 0) {
        zq::hid::setLastError(EINVAL);
        return true;
    }
    if (length > zq::hid::MaxReportLength) {
        zq::hid::setLastError(EMSGSIZE);
        return true;
    }
    return false;
}

} // namespace

TJvHidDevice::TJvHidDevice(std::unique_ptr<TJvHidPnPInfo> pnpInfo, TJvHidDeviceController* controller)
    : backend_(controller->backend_), controller_(controller), pnpInfo_(std::move(pnpInfo))
{
    SetDataHandler(controller->OnDeviceData());
    OnUnplug = controller->OnDeviceUnplug();
    onDataError_ = controller->OnDeviceDataError();

    syncHandle_ = backend().open(pnpInfo_->DevicePath, AccessReadWrite, false);
    readWriteAccess_ = syncHandle_ != InvalidHandle;
    if (syncHandle_ == InvalidHandle)
        syncHandle_ = backend().open(pnpInfo_->DevicePath, AccessQueryOnly, false);
    if (syncHandle_ == InvalidHandle)
        throw EControllerError("device cannot be opened");

    zq::hid::DeviceAttributes attributes;
    const bool identified = backend().getAttributes(syncHandle_, attributes);
    CloseSyncHandle();
    if (!identified)
        throw EControllerError("device cannot be identified");
    attributes_ = {12, attributes.vendorId, attributes.productId, attributes.versionNumber};
}

TJvHidDevice::~TJvHidDevice()
{
    TJvHidDataEvent data = onData_;
    TJvHidPlugEvent unplug = OnUnplug;
    SetDataHandler(nullptr);
    OnUnplug = nullptr;

    CloseSyncHandle();
    CloseOverlappedHandle(TJvHidOpenMode::omhRead);
    CloseOverlappedHandle(TJvHidOpenMode::omhWrite);
    preparsedData_.reset();

    if (controller_)
        controller_->deviceDestroyed(this, std::move(pnpInfo_), std::move(data), std::move(unplug), sleepTime_);
}

bool TJvHidDevice::CanAccess() const
{
    return pluggedIn_ && (acquired_ || announcing_);
}

bool TJvHidDevice::denyAccess() const
{
    if (CanAccess())
        return false;
    zq::hid::setLastError(pluggedIn_ ? EACCES : ENODEV);
    return true;
}

bool TJvHidDevice::OpenSyncHandle()
{
    if (!denyAccess() && syncHandle_ == InvalidHandle) {
        syncHandle_ = backend().open(pnpInfo_->DevicePath, AccessReadWrite, false);
        readWriteAccess_ = syncHandle_ != InvalidHandle;
        if (syncHandle_ == InvalidHandle)
            syncHandle_ = backend().open(pnpInfo_->DevicePath, AccessQueryOnly, false);
        if (syncHandle_ != InvalidHandle) {
            if (numInputBuffers_ != 0)
                backend().setNumInputBuffers(syncHandle_, numInputBuffers_);
            backend().getNumInputBuffers(syncHandle_, numInputBuffers_);
        }
    }
    return syncHandle_ != InvalidHandle;
}

bool TJvHidDevice::OpenOverlappedHandle(TJvHidOpenMode mode)
{
    if (denyAccess())
        return false;
    if (mode == TJvHidOpenMode::omhRead) {
        std::lock_guard lock(readHandleMutex_);
        return openReadHandleLocked();
    }
    if (writeHandle_ == InvalidHandle)
        writeHandle_ = backend().open(pnpInfo_->DevicePath, AccessWrite, true);
    return writeHandle_ != InvalidHandle;
}

bool TJvHidDevice::openReadHandleLocked()
{
    // Checked again under the lock: an unplug may have closed it meanwhile.
    if (denyAccess())
        return false;
    if (readHandle_ == InvalidHandle) {
        const zq::hid::Handle handle = backend().open(pnpInfo_->DevicePath, AccessRead, true);
        if (handle != InvalidHandle) {
            if (numOverlappedBuffers_ != 0)
                backend().setNumInputBuffers(handle, numOverlappedBuffers_);
            std::uint32_t count = numOverlappedBuffers_;
            backend().getNumInputBuffers(handle, count);
            numOverlappedBuffers_ = count;
        }
        readHandle_ = handle;
    }
    return readHandle_ != InvalidHandle;
}

void TJvHidDevice::CloseSyncHandle()
{
    if (syncHandle_ != InvalidHandle)
        backend().close(std::exchange(syncHandle_, InvalidHandle));
    numInputBuffers_ = 0;
}

void TJvHidDevice::closeReadHandleLocked()
{
    if (readHandle_ != InvalidHandle)
        backend().close(readHandle_.exchange(InvalidHandle));
    numOverlappedBuffers_ = 0;
}

void TJvHidDevice::CloseOverlappedHandle(TJvHidOpenMode mode)
{
    if (mode == TJvHidOpenMode::omhRead) {
        std::lock_guard lock(readHandleMutex_);
        closeReadHandleLocked();
    } else if (writeHandle_ != InvalidHandle) {
        backend().close(std::exchange(writeHandle_, InvalidHandle));
    }
}

void TJvHidDevice::SetNumInputBuffers(std::uint32_t count)
{
    if (count == numInputBuffers_ || !OpenSyncHandle())
        return;
    backend().setNumInputBuffers(syncHandle_, count);
    backend().getNumInputBuffers(syncHandle_, numInputBuffers_);
}

void TJvHidDevice::SetNumOverlappedBuffers(std::uint32_t count)
{
    if (count == numOverlappedBuffers_ || !OpenOverlappedHandle(TJvHidOpenMode::omhRead))
        return;
    std::lock_guard lock(readHandleMutex_);
    if (readHandle_ == InvalidHandle)
        return;
    backend().setNumInputBuffers(readHandle_, count);
    std::uint32_t actual = numOverlappedBuffers_;
    backend().getNumInputBuffers(readHandle_, actual);
    numOverlappedBuffers_ = actual;
}

void TJvHidDevice::SetSleepTime(std::uint32_t milliseconds)
{
    if (milliseconds >= MinSleepTime && milliseconds <= MaxSleepTime)
        sleepTime_ = milliseconds;
}

const zq::hid::PreparsedData* TJvHidDevice::GetPreparsedData()
{
    if (!preparsedData_ && OpenSyncHandle()) {
        preparsedData_ = backend().getPreparsedData(syncHandle_);
        CloseSyncHandle();
    }
    return preparsedData_.get();
}

THIDPCaps TJvHidDevice::GetCaps()
{
    THIDPCaps caps{};
    if (const auto* data = GetPreparsedData()) {
        caps.Usage = data->caps.usage;
        caps.UsagePage = data->caps.usagePage;
        caps.InputReportByteLength = data->caps.inputReportByteLength;
        caps.OutputReportByteLength = data->caps.outputReportByteLength;
        caps.FeatureReportByteLength = data->caps.featureReportByteLength;
    }
    return caps;
}

QString TJvHidDevice::GetManufacturer()
{
    if (manufacturer_.isEmpty() && OpenSyncHandle()) {
        std::array<char16_t, ManufacturerBufferChars> buffer{};
        if (backend().getManufacturerString(syncHandle_, buffer)) {
            const auto end = std::find(buffer.begin(), buffer.begin() + ManufacturerChars, u'\0');
            manufacturer_ = QString::fromUtf16(buffer.data(), end - buffer.begin());
        }
        CloseSyncHandle();
    }
    return manufacturer_;
}

bool TJvHidDevice::GetFeature(void* report, std::uint32_t length)
{
    if (!OpenSyncHandle() || refuseLength(report, length))
        return false;
    return backend().getFeature(syncHandle_, {static_cast<std::uint8_t*>(report), length});
}

bool TJvHidDevice::SetFeature(const void* report, std::uint32_t length)
{
    if (!OpenSyncHandle() || refuseLength(report, length))
        return false;
    return backend().setFeature(syncHandle_, {static_cast<const std::uint8_t*>(report), length});
}

bool TJvHidDevice::WriteReport(const void* report, std::uint32_t length, std::uint32_t& bytesWritten)
{
    bytesWritten = 0;
    if (!OpenSyncHandle() || refuseLength(report, length))
        return false;
    return backend().write(syncHandle_, {static_cast<const std::uint8_t*>(report), length}, bytesWritten);
}

bool TJvHidDevice::StartOverlappedRead(void* buffer, std::uint32_t length, zq::hid::AlertableWaiter& waiter)
{
    // The read starts under the lock it was opened under. An unplug closing
    // the handle meanwhile would make the read fail on a closed handle, and
    // its user hear of a bad handle instead of the device being gone; now the
    // close comes either before the open, which then fails as the device is
    // gone, or after the read started, which it ends, and that read is
    // dropped.
    std::lock_guard lock(readHandleMutex_);
    if (!openReadHandleLocked())
        return false;
    readOverlapped_ = {};
    readOverlapped_.owner = this;
    return backend().startRead(readHandle_, {static_cast<std::uint8_t*>(buffer), length}, readOverlapped_, waiter);
}

std::uint64_t TJvHidDevice::DroppedInputReports() const
{
    std::lock_guard lock(readHandleMutex_);
    std::uint64_t count = 0;
    if (readHandle_ != InvalidHandle && !backend().getDroppedInputReports(readHandle_, count))
        count = 0;
    return count;
}

std::uint32_t TJvHidDevice::GetReadResult()
{
    const zq::hid::Handle handle = readHandle_;
    if (handle == InvalidHandle)
        return 0;
    std::uint32_t bytes = 0;
    return backend().getOverlappedResult(handle, readOverlapped_, bytes) ? bytes : 0;
}

bool TJvHidDevice::CancelPendingIO(TJvHidOpenMode mode)
{
    const zq::hid::Handle handle = mode == TJvHidOpenMode::omhRead ? readHandle_.load() : writeHandle_;
    if (handle == InvalidHandle)
        return false;
    return backend().cancelIo(handle);
}

void TJvHidDevice::SetDataHandler(TJvHidDataEvent handler)
{
    if (!handler)
        StopReader();
    onData_ = std::move(handler);
    StartReader();
}

void TJvHidDevice::StartReader()
{
    if (!onData_ || !pluggedIn_ || !acquired_ || !readWriteAccess_ || readThread_)
        return;
    // A device whose input reports are missing or longer than any buffer of
    // the program gets no reader rather than one that cannot work.
    const THIDPCaps caps = GetCaps();
    if (caps.InputReportByteLength == 0 || caps.InputReportByteLength > zq::hid::MaxReportLength)
        return;
    readThread_ = std::make_unique<TJvHidDeviceReadThread>(this);
    readThread_->Resume();
}

void TJvHidDevice::StopReader()
{
    if (!readThread_)
        return;
    if (readThread_->InHandOver()) {
        readThread_->Terminate();
        TJvHidDeviceReadThread::FreeWhenEnded(std::move(readThread_));
        return;
    }
    readThread_->Terminate();
    readThread_->WaitFor();
    readThread_.reset();
}

void TJvHidDevice::HandleUnplug()
{
    CloseSyncHandle();
    {
        std::lock_guard lock(readHandleMutex_);
        pluggedIn_ = false;
        closeReadHandleLocked();
    }
    CloseOverlappedHandle(TJvHidOpenMode::omhWrite);
    // Cleared before the call: the handler runs once even if it gives the
    // device back (destroys it) from inside.
    TJvHidPlugEvent handler = std::exchange(OnUnplug, nullptr);
    if (handler)
        handler(this);
}
