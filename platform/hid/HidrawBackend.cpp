#include "platform/hid/HidrawBackend.h"

#include "platform/hid/EventFd.h"
#include "platform/hid/HidError.h"
#include "platform/hid/InputReportQueue.h"
#include "platform/hid/RegistryValue.h"
#include "platform/hid/ReportDescriptorParser.h"
#include "platform/hid/UniqueFd.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <optional>

namespace zq::hid {

namespace {

// What a handle holds until its user sets a count, as the platform's driver
// would give.
constexpr std::uint32_t DefaultInputBuffers = 64;

} // namespace

struct HidrawHandle {
    HidrawNode node;
    UniqueFd fd;  // invalid for query-only handles
    unsigned access = AccessQueryOnly;
    bool overlapped = false;
    std::uint32_t numInputBuffers = DefaultInputBuffers;
    UniqueFd cancel{::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)};
    bool prependReportId = false;
    std::mutex pendingMutex;
    std::weak_ptr<ReadOperation> pending;
    // Overlapped read handles: hidraw keeps only 64 reports and drops new
    // ones when full, so the pump takes them as they come into a queue of
    // the handle's input-buffer count. Declared last: it stops first.
    std::shared_ptr<InputReportQueue> queue;
    std::unique_ptr<ReportPump> pump;
};

namespace {

// One report from the node. hidraw gives the reports of a device without
// report ids without the zero id byte that every caller expects in front.
int readReport(int fd, bool prependReportId, std::span<std::uint8_t> buffer, std::size_t& size)
{
    const std::size_t offset = prependReportId ? 1 : 0;
    buffer[0] = 0;
    const ssize_t n = ::read(fd, buffer.data() + offset, buffer.size() - offset);
    if (n < 0)
        return errno == EINTR ? EAGAIN : errno;
    if (n == 0)
        return EAGAIN;
    size = static_cast<std::size_t>(n) + offset;
    return 0;
}

std::optional<std::vector<std::uint8_t>> readDescriptor(int fd)
{
    int size = 0;
    if (::ioctl(fd, HIDIOCGRDESCSIZE, &size) < 0) {
        takeErrno();
        return std::nullopt;
    }
    hidraw_report_descriptor descriptor{};
    descriptor.size = static_cast<__u32>(std::clamp(size, 0, HID_MAX_DESCRIPTOR_SIZE));
    if (::ioctl(fd, HIDIOCGRDESC, &descriptor) < 0) {
        takeErrno();
        return std::nullopt;
    }
    return std::vector<std::uint8_t>(descriptor.value, descriptor.value + descriptor.size);
}

enum class PropertyKind { Text, Number, List };

struct PropertySource {
    RegistryProperty property;
    PropertyKind kind;
    std::optional<std::string> (*value)(const HidrawNode&);
};

std::optional<std::string> nonEmpty(const std::string& s)
{
    return s.empty() ? std::nullopt : std::optional<std::string>(s);
}

constexpr std::array propertySources{
    PropertySource{RegistryProperty::DeviceDesc, PropertyKind::Text,
                   [](const HidrawNode& n) { return n.usbProduct ? n.usbProduct : nonEmpty(n.hidName); }},
    PropertySource{RegistryProperty::HardwareId, PropertyKind::List,
                   [](const HidrawNode& n) { return nonEmpty(n.modalias); }},
    PropertySource{RegistryProperty::Service, PropertyKind::Text,
                   [](const HidrawNode&) { return std::optional<std::string>("hidraw"); }},
    PropertySource{RegistryProperty::Class, PropertyKind::Text,
                   [](const HidrawNode&) { return std::optional<std::string>("HIDClass"); }},
    PropertySource{RegistryProperty::Driver, PropertyKind::Text,
                   [](const HidrawNode& n) { return nonEmpty(n.driver); }},
    PropertySource{RegistryProperty::Mfg, PropertyKind::Text,
                   [](const HidrawNode& n) { return n.usbManufacturer; }},
    PropertySource{RegistryProperty::FriendlyName, PropertyKind::Text,
                   [](const HidrawNode& n) { return nonEmpty(n.hidName); }},
    PropertySource{RegistryProperty::LocationInformation, PropertyKind::Text,
                   [](const HidrawNode& n) { return nonEmpty(n.hidPhys); }},
    PropertySource{RegistryProperty::PhysicalDeviceObjectName, PropertyKind::Text,
                   [](const HidrawNode& n) { return nonEmpty(n.syspath); }},
    PropertySource{RegistryProperty::BusNumber, PropertyKind::Number,
                   [](const HidrawNode& n) { return n.busnum; }},
    PropertySource{RegistryProperty::EnumeratorName, PropertyKind::Text,
                   [](const HidrawNode&) { return std::optional<std::string>("HID"); }},
    PropertySource{RegistryProperty::Address, PropertyKind::Text,
                   [](const HidrawNode& n) { return n.devnum; }},
};

} // namespace

HidrawBackend::HidrawBackend(std::shared_ptr<UdevSource> source) : source_(std::move(source)) {}

HidrawBackend::~HidrawBackend() = default;

bool HidrawBackend::parseHidId(const std::string& hidId, std::uint16_t& vendor, std::uint16_t& product)
{
    unsigned bus = 0;
    unsigned long v = 0;
    unsigned long p = 0;
    char tail = 0;
    if (std::sscanf(hidId.c_str(), "%x:%lx:%lx%c", &bus, &v, &p, &tail) != 3 || v > 0xFFFF || p > 0xFFFF)
        return false;
    vendor = static_cast<std::uint16_t>(v);
    product = static_cast<std::uint16_t>(p);
    return true;
}

std::uint16_t HidrawBackend::parseBcd(const std::optional<std::string>& bcdDevice)
{
    if (!bcdDevice)
        return 0;
    unsigned long value = 0;
    char tail = 0;
    if (std::sscanf(bcdDevice->c_str(), "%lx%c", &value, &tail) < 1 || value > 0xFFFF)
        return 0;
    return static_cast<std::uint16_t>(value);
}

std::vector<InterfaceEntry> HidrawBackend::enumerate()
{
    auto nodes = source_->hidrawNodes();
    std::lock_guard lock(mutex_);
    std::vector<InterfaceEntry> entries;
    nodes_.clear();
    for (auto& node : nodes) {
        auto [it, inserted] = devInsts_.try_emplace(node.hidSyspath, nextDevInst_);
        if (inserted)
            ++nextDevInst_;
        entries.push_back({it->second, node.devnode});
        nodes_[node.devnode] = std::move(node);
    }
    return entries;
}

bool HidrawBackend::getRegistryProperty(const InterfaceEntry& entry, RegistryProperty property,
                                        std::span<std::uint8_t> buffer)
{
    HidrawNode node;
    {
        std::lock_guard lock(mutex_);
        auto it = nodes_.find(entry.devicePath);
        if (it == nodes_.end())
            return failWith(ENODEV);
        node = it->second;
    }
    auto source = std::find_if(propertySources.begin(), propertySources.end(),
                               [&](const PropertySource& s) { return s.property == property; });
    if (source == propertySources.end())
        return failWith(ENODATA);
    const auto value = source->value(node);
    if (!value)
        return failWith(ENODATA);
    switch (source->kind) {
    case PropertyKind::Text:
        return storeRegistryText(buffer, *value);
    case PropertyKind::List:
        return storeRegistryList(buffer, {*value});
    case PropertyKind::Number: {
        char* end = nullptr;
        const unsigned long number = std::strtoul(value->c_str(), &end, 10);
        if (end == value->c_str())
            return failWith(ENODATA);
        return storeRegistryNumber(buffer, static_cast<std::uint32_t>(number));
    }
    }
    return failWith(ENODATA);
}

Handle HidrawBackend::open(const std::string& path, unsigned access, bool overlapped)
{
    auto node = source_->nodeForDevnode(path);
    if (!node) {
        setLastError(ENOENT);
        return InvalidHandle;
    }
    auto handle = std::make_shared<HidrawHandle>();
    handle->node = std::move(*node);
    handle->access = access;
    handle->overlapped = overlapped;
    if (access != AccessQueryOnly) {
        int flags = O_CLOEXEC;
        flags |= access == AccessReadWrite ? O_RDWR : (access & AccessRead) ? O_RDONLY : O_WRONLY;
        if (overlapped)
            flags |= O_NONBLOCK;
        handle->fd.reset(::open(path.c_str(), flags));
        if (!handle->fd.valid()) {
            takeErrno();
            return InvalidHandle;
        }
        if (access & AccessRead) {
            auto descriptor = readDescriptor(handle->fd.get());
            if (!descriptor)
                descriptor = source_->reportDescriptor(handle->node);
            handle->prependReportId = descriptor && !parseReportDescriptor(*descriptor).reportIds;
        }
        if (overlapped && (access & AccessRead)) {
            handle->queue = std::make_shared<InputReportQueue>(handle->numInputBuffers);
            const int fd = handle->fd.get();
            const bool prepend = handle->prependReportId;
            handle->pump = std::make_unique<ReportPump>(
                fd,
                [fd, prepend](std::span<std::uint8_t> buffer, std::size_t& size) {
                    return readReport(fd, prepend, buffer, size);
                },
                handle->queue);
        }
    }
    return handles_.add(std::move(handle));
}

bool HidrawBackend::close(Handle id)
{
    const auto handle = handles_.take(id);
    if (!handle)
        return failWith(EBADF);
    // A read pending on another thread still holds the handle: it sees the
    // cancel event and ends; the descriptor closes when it lets go.
    raiseEvent(handle->cancel);
    handle->pump.reset();
    return true;
}

std::shared_ptr<HidrawHandle> HidrawBackend::find(Handle id) const
{
    auto handle = handles_.find(id);
    if (!handle)
        setLastError(EBADF);
    return handle;
}

std::shared_ptr<HidrawHandle> HidrawBackend::findWithFd(Handle id) const
{
    auto handle = find(id);
    if (handle && !handle->fd.valid()) {
        setLastError(EACCES);
        return nullptr;
    }
    return handle;
}

bool HidrawBackend::getAttributes(Handle id, DeviceAttributes& attributes)
{
    auto handle = find(id);
    if (!handle)
        return false;
    DeviceAttributes result;
    if (handle->fd.valid()) {
        hidraw_devinfo info{};
        if (::ioctl(handle->fd.get(), HIDIOCGRAWINFO, &info) < 0) {
            takeErrno();
            return false;
        }
        result.vendorId = static_cast<std::uint16_t>(info.vendor);
        result.productId = static_cast<std::uint16_t>(info.product);
    } else if (!parseHidId(handle->node.hidId, result.vendorId, result.productId)) {
        return failWith(ENODATA);
    }
    result.versionNumber = parseBcd(handle->node.bcdDevice);
    attributes = result;
    return true;
}

std::unique_ptr<PreparsedData> HidrawBackend::getPreparsedData(Handle id)
{
    auto handle = find(id);
    if (!handle)
        return nullptr;
    auto data = std::make_unique<PreparsedData>();
    if (handle->fd.valid()) {
        auto bytes = readDescriptor(handle->fd.get());
        if (!bytes)
            return nullptr;
        data->reportDescriptor = std::move(*bytes);
    } else if (auto bytes = source_->reportDescriptor(handle->node)) {
        data->reportDescriptor = std::move(*bytes);
    } else {
        setLastError(ENODATA);
        return nullptr;
    }
    data->caps = parseReportDescriptor(data->reportDescriptor);
    return data;
}

bool HidrawBackend::getManufacturerString(Handle id, std::span<char16_t> buffer)
{
    auto handle = find(id);
    if (!handle)
        return false;
    if (!handle->node.usbManufacturer)
        return failWith(ENODATA);
    storeString(buffer, toUtf16(*handle->node.usbManufacturer));
    return true;
}

bool HidrawBackend::getFeature(Handle id, std::span<std::uint8_t> report)
{
    auto handle = findWithFd(id);
    if (!handle)
        return false;
    if (report.empty())
        return failWith(EINVAL);
    if (::ioctl(handle->fd.get(), HIDIOCGFEATURE(report.size()), report.data()) < 0) {
        takeErrno();
        return false;
    }
    return true;
}

bool HidrawBackend::setFeature(Handle id, std::span<const std::uint8_t> report)
{
    auto handle = findWithFd(id);
    if (!handle)
        return false;
    if (report.empty())
        return failWith(EINVAL);
    // The ioctl does not write through its pointer; the cast only meets its
    // signature.
    if (::ioctl(handle->fd.get(), HIDIOCSFEATURE(report.size()), const_cast<std::uint8_t*>(report.data())) < 0) {
        takeErrno();
        return false;
    }
    return true;
}

bool HidrawBackend::write(Handle id, std::span<const std::uint8_t> report, std::uint32_t& written)
{
    written = 0;
    auto handle = findWithFd(id);
    if (!handle)
        return false;
    if (report.empty())
        return failWith(EINVAL);
    const ssize_t n = ::write(handle->fd.get(), report.data(), report.size());
    if (n < 0) {
        takeErrno();
        return false;
    }
    written = static_cast<std::uint32_t>(n);
    return true;
}

bool HidrawBackend::setNumInputBuffers(Handle id, std::uint32_t count)
{
    auto handle = findWithFd(id);
    if (!handle)
        return false;
    if (count < MinInputBuffers || count > MaxInputBuffers)
        return failWith(EINVAL);
    std::lock_guard lock(mutex_);
    handle->numInputBuffers = count;
    if (handle->queue)
        handle->queue->setCapacity(count);
    return true;
}

bool HidrawBackend::getNumInputBuffers(Handle id, std::uint32_t& count)
{
    auto handle = findWithFd(id);
    if (!handle)
        return false;
    std::lock_guard lock(mutex_);
    count = handle->numInputBuffers;
    return true;
}

bool HidrawBackend::startRead(Handle id, std::span<std::uint8_t> buffer, OverlappedRead& overlapped,
                              AlertableWaiter& waiter)
{
    auto handle = findWithFd(id);
    if (!handle)
        return false;
    if (!handle->queue)
        return failWith(EBADF);
    if (std::uint32_t error = 0; handle->queue->ended(error))
        return failWith(error);
    auto operation = std::make_shared<QueuedReadOperation>(handle->queue, handle->cancel.get(), handle, buffer);
    {
        std::lock_guard lock(handle->pendingMutex);
        handle->pending = operation;
    }
    overlapped.operation = operation;
    waiter.setPending(operation);
    return true;
}

bool HidrawBackend::getDroppedInputReports(Handle id, std::uint64_t& count)
{
    auto handle = findWithFd(id);
    if (!handle)
        return false;
    if (!handle->queue)
        return failWith(EBADF);
    count = handle->queue->dropped();
    return true;
}

bool HidrawBackend::cancelIo(Handle id)
{
    auto handle = find(id);
    if (!handle)
        return false;
    std::lock_guard lock(handle->pendingMutex);
    if (auto op = handle->pending.lock(); op && !op->completed())
        op->fail(ECANCELED);
    return true;
}

ChangeSubscription HidrawBackend::subscribeChanges(std::function<void()> onChange)
{
    return source_->watch(std::move(onChange));
}

} // namespace zq::hid
