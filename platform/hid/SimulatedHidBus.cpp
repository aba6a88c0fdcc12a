#include "platform/hid/SimulatedHidBus.h"

#include "platform/hid/EventFd.h"
#include "platform/hid/HidError.h"
#include "platform/hid/InputReportQueue.h"
#include "platform/hid/RegistryValue.h"
#include "platform/hid/UniqueFd.h"

#include <QSocketNotifier>

#include <sys/eventfd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace zq::hid {

namespace {
constexpr std::uint32_t DefaultInputBuffers = 64;

} // namespace

// One open of a simulated device. The kernel queue is guarded by the
// device's mutex; the queue the read thread takes from has its own lock.
struct SimHandle {
    std::shared_ptr<SimulatedHidDevice> device;
    unsigned access = AccessQueryOnly;
    bool overlapped = false;
    std::uint32_t numInputBuffers = DefaultInputBuffers;
    UniqueFd event{::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)}; // raised when the handle closes
    std::atomic<bool> closed{false};
    // What the kernel keeps for the open file: a bounded queue that drops new
    // reports when full; its event is raised while it holds any or the device
    // is gone.
    std::deque<std::vector<std::uint8_t>> kernel;
    UniqueFd kernelEvent{::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)};
    std::weak_ptr<ReadOperation> pending;
    // Readers: the backend's own queue and the pump that fills it from the
    // kernel queue. Declared last: the pump stops first.
    std::shared_ptr<InputReportQueue> queue;
    std::unique_ptr<ReportPump> pump;

    bool isReader() const { return overlapped && (access & AccessRead) != 0; }
    // Called by the pump: the oldest report of the kernel queue.
    int takeFromKernel(std::span<std::uint8_t> buffer, std::size_t& size);
};

int SimHandle::takeFromKernel(std::span<std::uint8_t> buffer, std::size_t& size)
{
    SimulatedHidDevice& d = *device;
    {
        std::lock_guard lock(d.mutex_);
        if (!d.pluggedIn_)
            return ENODEV;
        if (kernel.empty()) {
            lowerEvent(kernelEvent);
            return EAGAIN;
        }
        const std::vector<std::uint8_t> report = std::move(kernel.front());
        kernel.pop_front();
        if (kernel.empty())
            lowerEvent(kernelEvent);
        size = std::min(report.size(), buffer.size());
        std::copy_n(report.begin(), size, buffer.begin());
    }
    d.space_.notify_all();
    return 0;
}

SimulatedHidDevice::SimulatedHidDevice(SimulatedDeviceInfo info, std::uint32_t devInst, std::string path)
    : info_(std::move(info)), devInst_(devInst), path_(std::move(path))
{
}

bool SimulatedHidDevice::pluggedIn() const
{
    std::lock_guard lock(mutex_);
    return pluggedIn_;
}

void SimulatedHidDevice::setGetFeatureHandler(GetFeatureHandler handler)
{
    setLocked(getFeature_, std::move(handler));
}

void SimulatedHidDevice::setSetFeatureHandler(ReportHandler handler)
{
    setLocked(setFeature_, std::move(handler));
}

void SimulatedHidDevice::setOutputReportHandler(ReportHandler handler)
{
    setLocked(output_, std::move(handler));
}

bool SimulatedHidDevice::queueInputReport(std::span<const std::uint8_t> report)
{
    std::lock_guard lock(mutex_);
    if (!pluggedIn_)
        return false;
    bool delivered = false;
    for (const auto& weak : handles_) {
        auto handle = weak.lock();
        if (!handle || handle->closed || !handle->isReader())
            continue;
        delivered = true;
        if (handle->kernel.size() >= KernelQueueLength) {
            ++dropped_;
            continue;
        }
        handle->kernel.emplace_back(report.begin(), report.end());
        raiseEvent(handle->kernelEvent);
    }
    return delivered;
}

bool SimulatedHidDevice::hasRoomLocked() const
{
    if (!pluggedIn_)
        return true;
    // Room for one more in both queues together, and one report besides: the
    // one the pump may be carrying from the first to the second.
    return std::all_of(handles_.begin(), handles_.end(), [](const auto& weak) {
        auto handle = weak.lock();
        return !handle || handle->closed || !handle->isReader() ||
               (handle->kernel.size() < KernelQueueLength &&
                handle->kernel.size() + handle->queue->size() + 1 < handle->queue->capacity());
    });
}

bool SimulatedHidDevice::waitForQueueSpace(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(mutex_);
    return space_.wait_for(lock, timeout, [this] { return hasRoomLocked(); });
}

std::size_t SimulatedHidDevice::droppedInputReports() const
{
    std::lock_guard lock(mutex_);
    std::size_t dropped = dropped_;
    for (const auto& weak : handles_)
        if (auto handle = weak.lock(); handle && handle->queue)
            dropped += handle->queue->dropped();
    return dropped;
}

std::size_t SimulatedHidDevice::queuedInputReports() const
{
    std::lock_guard lock(mutex_);
    std::size_t queued = 0;
    for (const auto& weak : handles_)
        if (auto handle = weak.lock(); handle && !handle->closed && handle->queue)
            queued += handle->kernel.size() + handle->queue->size();
    return queued;
}

bool SimulatedHidDevice::hasReader() const
{
    std::lock_guard lock(mutex_);
    return std::any_of(handles_.begin(), handles_.end(), [](const auto& weak) {
        auto handle = weak.lock();
        return handle && !handle->closed && handle->isReader();
    });
}

void SimulatedHidDevice::setOpenFails(bool fails)
{
    setLocked(openFails_, fails);
}

void SimulatedHidDevice::setQueryOnly(bool queryOnly)
{
    setLocked(queryOnly_, queryOnly);
}

void SimulatedHidDevice::setStringFails(bool fails)
{
    setLocked(stringFails_, fails);
}

void SimulatedHidDevice::setAttributesFail(bool fails)
{
    setLocked(attributesFail_, fails);
}

void SimulatedHidDevice::failReadStarts(int count)
{
    setLocked(readStartFailures_, count);
}

// ---------------------------------------------------------------------------

SimulatedHidBus::SimulatedHidBus() : changeEvent_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    if (!changeEvent_.valid())
        throw std::runtime_error("cannot create the device-change event");
}

SimulatedHidBus::~SimulatedHidBus() = default;

std::shared_ptr<SimulatedHidBus> SimulatedHidBus::shared()
{
    // Never destroyed: controllers and devices may still hold it while static
    // objects go, after the application object is gone.
    static const auto* bus = new std::shared_ptr<SimulatedHidBus>(std::make_shared<SimulatedHidBus>());
    return *bus;
}

std::shared_ptr<SimulatedHidDevice> SimulatedHidBus::plug(const SimulatedDeviceInfo& info)
{
    std::shared_ptr<SimulatedHidDevice> device;
    {
        std::lock_guard lock(mutex_);
        const std::uint32_t devInst = nextDevInst_++;
        device = std::make_shared<SimulatedHidDevice>(info, devInst, "sim:hid#" + std::to_string(devInst));
        devices_.push_back(device);
    }
    postChange();
    return device;
}

void SimulatedHidBus::unplug(const std::shared_ptr<SimulatedHidDevice>& device)
{
    {
        std::lock_guard lock(mutex_);
        std::erase(devices_, device);
    }
    {
        std::lock_guard lock(device->mutex_);
        device->pluggedIn_ = false;
        // Pending reads end now (each pump finds the device gone); later
        // calls on the old handles fail.
        for (const auto& weak : device->handles_)
            if (auto handle = weak.lock())
                raiseEvent(handle->kernelEvent);
    }
    device->space_.notify_all();
    postChange();
}

std::vector<std::shared_ptr<SimulatedHidDevice>> SimulatedHidBus::devices() const
{
    std::lock_guard lock(mutex_);
    return devices_;
}

std::vector<InterfaceEntry> SimulatedHidBus::enumerate()
{
    std::lock_guard lock(mutex_);
    std::vector<InterfaceEntry> entries;
    for (const auto& device : devices_)
        entries.push_back({device->devInst(), device->path()});
    return entries;
}

bool SimulatedHidBus::getRegistryProperty(const InterfaceEntry& entry, RegistryProperty property,
                                          std::span<std::uint8_t> buffer)
{
    std::shared_ptr<SimulatedHidDevice> device;
    {
        std::lock_guard lock(mutex_);
        for (const auto& d : devices_)
            if (d->path() == entry.devicePath)
                device = d;
    }
    if (!device)
        return failWith(ENODEV);
    const auto& info = device->info();
    char hardwareId[40];
    std::snprintf(hardwareId, sizeof hardwareId, "SIM\\VID_%04X&PID_%04X", info.vendorId, info.productId);
    switch (property) {
    case RegistryProperty::DeviceDesc:
    case RegistryProperty::FriendlyName:
        return storeRegistryText(buffer, toUtf8(info.product));
    case RegistryProperty::Mfg:
        return storeRegistryText(buffer, toUtf8(info.manufacturer));
    case RegistryProperty::HardwareId:
        return storeRegistryList(buffer, {hardwareId});
    case RegistryProperty::Class:
        return storeRegistryText(buffer, "HIDClass");
    case RegistryProperty::EnumeratorName:
        return storeRegistryText(buffer, "SIM");
    case RegistryProperty::PhysicalDeviceObjectName:
        return storeRegistryText(buffer, device->path());
    case RegistryProperty::Address:
        return storeRegistryText(buffer, std::to_string(device->devInst()));
    default:
        return failWith(ENODATA);
    }
}

Handle SimulatedHidBus::open(const std::string& path, unsigned access, bool overlapped)
{
    std::lock_guard lock(mutex_);
    auto it = std::find_if(devices_.begin(), devices_.end(), [&](const auto& d) { return d->path() == path; });
    if (it == devices_.end()) {
        setLastError(ENOENT);
        return InvalidHandle;
    }
    auto handle = std::make_shared<SimHandle>();
    handle->device = *it;
    handle->access = access;
    handle->overlapped = overlapped;
    {
        std::lock_guard deviceLock(handle->device->mutex_);
        if (handle->device->openFails_ || (handle->device->queryOnly_ && access != AccessQueryOnly)) {
            setLastError(EACCES);
            return InvalidHandle;
        }
        std::erase_if(handle->device->handles_, [](const auto& weak) { return weak.expired(); });
        if (handle->isReader()) {
            handle->queue = std::make_shared<InputReportQueue>(handle->numInputBuffers);
            std::weak_ptr<SimulatedHidDevice> device = handle->device;
            handle->queue->setOnTaken([device] {
                if (auto d = device.lock()) {
                    // Under the lock: a producer between its check and its
                    // wait cannot miss the wake-up.
                    { std::lock_guard lock(d->mutex_); }
                    d->space_.notify_all();
                }
            });
        }
        handle->device->handles_.push_back(handle);
    }
    // Started outside the device's lock, which the pump takes.
    if (handle->isReader()) {
        SimHandle* raw = handle.get();
        handle->pump = std::make_unique<ReportPump>(
            handle->kernelEvent.get(),
            [raw](std::span<std::uint8_t> buffer, std::size_t& size) { return raw->takeFromKernel(buffer, size); },
            handle->queue);
    }
    return handles_.add(std::move(handle));
}

bool SimulatedHidBus::close(Handle id)
{
    const auto handle = handles_.take(id);
    if (!handle)
        return failWith(EBADF);
    {
        std::lock_guard lock(handle->device->mutex_);
        handle->closed = true;
        handle->kernel.clear();
        raiseEvent(handle->event);
    }
    handle->pump.reset();
    handle->device->space_.notify_all();
    return true;
}

std::shared_ptr<SimHandle> SimulatedHidBus::find(Handle id) const
{
    return handles_.find(id);
}

std::shared_ptr<SimulatedHidDevice> SimulatedHidBus::liveDevice(Handle id, std::shared_ptr<SimHandle>* out) const
{
    auto handle = find(id);
    if (!handle) {
        setLastError(EBADF);
        return nullptr;
    }
    if (!handle->device->pluggedIn()) {
        setLastError(ENODEV);
        return nullptr;
    }
    if (out)
        *out = handle;
    return handle->device;
}

bool SimulatedHidBus::getAttributes(Handle id, DeviceAttributes& attributes)
{
    auto device = liveDevice(id);
    if (!device)
        return false;
    {
        std::lock_guard lock(device->mutex_);
        if (device->attributesFail_)
            return failWith(EIO);
    }
    attributes = {device->info().vendorId, device->info().productId, device->info().versionNumber};
    return true;
}

std::unique_ptr<PreparsedData> SimulatedHidBus::getPreparsedData(Handle id)
{
    auto device = liveDevice(id);
    if (!device)
        return nullptr;
    auto data = std::make_unique<PreparsedData>();
    data->caps.inputReportByteLength = device->info().inputReportLength;
    data->caps.outputReportByteLength = device->info().outputReportLength;
    data->caps.featureReportByteLength = device->info().featureReportLength;
    return data;
}

bool SimulatedHidBus::getManufacturerString(Handle id, std::span<char16_t> buffer)
{
    auto device = liveDevice(id);
    if (!device)
        return false;
    {
        std::lock_guard lock(device->mutex_);
        if (device->stringFails_)
            return failWith(EPIPE);
    }
    storeString(buffer, device->info().manufacturer);
    return true;
}

template <typename Handler, typename Report>
bool SimulatedHidBus::passToHandler(Handle id, bool (*allowed)(unsigned access), Handler SimulatedHidDevice::*slot,
                                    Report report)
{
    std::shared_ptr<SimHandle> handle;
    auto device = liveDevice(id, &handle);
    if (!device)
        return false;
    if (!allowed(handle->access))
        return failWith(EACCES);
    if (report.empty())
        return failWith(EINVAL);
    Handler handler;
    {
        std::lock_guard lock(device->mutex_);
        handler = (*device).*slot;
    }
    if (!handler || !handler(report))
        return failWith(EPIPE);
    return true;
}

namespace {
bool opensTheDevice(unsigned access)
{
    return access != AccessQueryOnly;
}

bool mayWrite(unsigned access)
{
    return (access & AccessWrite) != 0;
}
} // namespace

bool SimulatedHidBus::getFeature(Handle id, std::span<std::uint8_t> report)
{
    return passToHandler(id, opensTheDevice, &SimulatedHidDevice::getFeature_, report);
}

bool SimulatedHidBus::setFeature(Handle id, std::span<const std::uint8_t> report)
{
    return passToHandler(id, opensTheDevice, &SimulatedHidDevice::setFeature_, report);
}

bool SimulatedHidBus::write(Handle id, std::span<const std::uint8_t> report, std::uint32_t& written)
{
    written = 0;
    if (!passToHandler(id, mayWrite, &SimulatedHidDevice::output_, report))
        return false;
    written = static_cast<std::uint32_t>(report.size());
    return true;
}

bool SimulatedHidBus::setNumInputBuffers(Handle id, std::uint32_t count)
{
    std::shared_ptr<SimHandle> handle;
    auto device = liveDevice(id, &handle);
    if (!device)
        return false;
    if (count < MinInputBuffers || count > MaxInputBuffers)
        return failWith(EINVAL);
    {
        std::lock_guard lock(device->mutex_);
        handle->numInputBuffers = count;
    }
    if (handle->queue)
        handle->queue->setCapacity(count);
    device->space_.notify_all();
    return true;
}

bool SimulatedHidBus::getNumInputBuffers(Handle id, std::uint32_t& count)
{
    std::shared_ptr<SimHandle> handle;
    auto device = liveDevice(id, &handle);
    if (!device)
        return false;
    std::lock_guard lock(device->mutex_);
    count = handle->numInputBuffers;
    return true;
}

bool SimulatedHidBus::startRead(Handle id, std::span<std::uint8_t> buffer, OverlappedRead& overlapped,
                                AlertableWaiter& waiter)
{
    std::function<void(Handle)> hook;
    {
        std::lock_guard lock(mutex_);
        hook = readStartHook_;
    }
    if (hook)
        hook(id);
    std::shared_ptr<SimHandle> handle;
    auto device = liveDevice(id, &handle);
    if (!device)
        return false;
    if (!handle->isReader())
        return failWith(EBADF);
    std::lock_guard lock(device->mutex_);
    if (device->readStartFailures_ != 0) {
        if (device->readStartFailures_ > 0)
            --device->readStartFailures_;
        return failWith(EIO);
    }
    if (std::uint32_t error = 0; handle->queue->ended(error))
        return failWith(error);
    auto operation = std::make_shared<QueuedReadOperation>(handle->queue, handle->event.get(), handle, buffer);
    handle->pending = operation;
    overlapped.operation = operation;
    waiter.setPending(operation);
    return true;
}

bool SimulatedHidBus::getDroppedInputReports(Handle id, std::uint64_t& count)
{
    std::shared_ptr<SimHandle> handle;
    if (!liveDevice(id, &handle))
        return false;
    if (!handle->queue)
        return failWith(EBADF);
    count = handle->queue->dropped();
    return true;
}

bool SimulatedHidBus::cancelIo(Handle id)
{
    auto handle = find(id);
    if (!handle)
        return failWith(EBADF);
    std::lock_guard lock(handle->device->mutex_);
    if (auto op = handle->pending.lock(); op && !op->completed())
        op->fail(ECANCELED);
    return true;
}

std::size_t SimulatedHidBus::openHandleCount() const
{
    return handles_.size();
}

void SimulatedHidBus::setReadStartHook(std::function<void(Handle)> hook)
{
    std::lock_guard lock(mutex_);
    readStartHook_ = std::move(hook);
}

ChangeSubscription SimulatedHidBus::subscribeChanges(std::function<void()> onChange)
{
    std::lock_guard lock(mutex_);
    if (!changeNotifier_) {
        changeNotifier_ = std::make_unique<QSocketNotifier>(changeEvent_.get(), QSocketNotifier::Read);
        QObject::connect(changeNotifier_.get(), &QSocketNotifier::activated, [this] { deliverChanges(); });
    }
    const int id = nextListener_++;
    listeners_.emplace(id, std::move(onChange));
    std::weak_ptr<SimulatedHidBus> weak = weak_from_this();
    return ChangeSubscription([weak, id] {
        if (auto self = weak.lock()) {
            std::lock_guard lock(self->mutex_);
            self->listeners_.erase(id);
        }
    });
}

void SimulatedHidBus::postChange()
{
    raiseEvent(changeEvent_);
}

void SimulatedHidBus::deliverChanges()
{
    lowerEvent(changeEvent_);
    std::vector<int> ids;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [id, listener] : listeners_)
            ids.push_back(id);
    }
    // A listener may unsubscribe another (a controller destroyed in an event
    // handler), so each one is looked up again before it is called.
    for (int id : ids) {
        std::function<void()> listener;
        {
            std::lock_guard lock(mutex_);
            auto it = listeners_.find(id);
            if (it == listeners_.end())
                continue;
            listener = it->second;
        }
        listener();
    }
}

} // namespace zq::hid
