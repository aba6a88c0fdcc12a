#include "platform/hid/LibudevSource.h"

#include <QSocketNotifier>

#include <libudev.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>

namespace zq::hid {

namespace {

struct DeviceDeleter {
    void operator()(udev_device* d) const { udev_device_unref(d); }
};
using DevicePtr = std::unique_ptr<udev_device, DeviceDeleter>;

struct EnumerateDeleter {
    void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
};

std::string text(const char* value)
{
    return value ? std::string(value) : std::string();
}

std::optional<std::string> optionalText(const char* value)
{
    return value ? std::optional<std::string>(value) : std::nullopt;
}

} // namespace

void LibudevSource::UdevDeleter::operator()(udev* u) const
{
    udev_unref(u);
}

void LibudevSource::MonitorDeleter::operator()(udev_monitor* m) const
{
    udev_monitor_unref(m);
}

LibudevSource::LibudevSource() : udev_(udev_new()) {}

LibudevSource::~LibudevSource() = default;

std::optional<HidrawNode> LibudevSource::describe(udev_device* hidraw) const
{
    const char* devnode = udev_device_get_devnode(hidraw);
    // Parents belong to the child device; they are not unref'd separately.
    udev_device* hid = udev_device_get_parent_with_subsystem_devtype(hidraw, "hid", nullptr);
    if (!devnode || !hid)
        return std::nullopt;
    HidrawNode node;
    node.syspath = text(udev_device_get_syspath(hidraw));
    node.devnode = devnode;
    node.hidSyspath = text(udev_device_get_syspath(hid));
    node.hidId = text(udev_device_get_property_value(hid, "HID_ID"));
    node.hidName = text(udev_device_get_property_value(hid, "HID_NAME"));
    node.hidPhys = text(udev_device_get_property_value(hid, "HID_PHYS"));
    node.driver = text(udev_device_get_driver(hid));
    node.modalias = text(udev_device_get_property_value(hid, "MODALIAS"));
    if (udev_device* usb = udev_device_get_parent_with_subsystem_devtype(hidraw, "usb", "usb_device")) {
        node.usbManufacturer = optionalText(udev_device_get_sysattr_value(usb, "manufacturer"));
        node.usbProduct = optionalText(udev_device_get_sysattr_value(usb, "product"));
        node.bcdDevice = optionalText(udev_device_get_sysattr_value(usb, "bcdDevice"));
        node.busnum = optionalText(udev_device_get_sysattr_value(usb, "busnum"));
        node.devnum = optionalText(udev_device_get_sysattr_value(usb, "devnum"));
    }
    return node;
}

std::vector<HidrawNode> LibudevSource::hidrawNodes()
{
    std::vector<HidrawNode> nodes;
    if (!udev_)
        return nodes;
    std::unique_ptr<udev_enumerate, EnumerateDeleter> enumerate(udev_enumerate_new(udev_.get()));
    if (!enumerate)
        return nodes;
    udev_enumerate_add_match_subsystem(enumerate.get(), "hidraw");
    udev_enumerate_scan_devices(enumerate.get());
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get()))
    {
        DevicePtr device(udev_device_new_from_syspath(udev_.get(), udev_list_entry_get_name(entry)));
        if (!device)
            continue;
        if (auto node = describe(device.get()))
            nodes.push_back(std::move(*node));
    }
    return nodes;
}

std::optional<HidrawNode> LibudevSource::nodeForDevnode(const std::string& devnode)
{
    struct stat info {};
    if (!udev_ || ::stat(devnode.c_str(), &info) != 0 || !S_ISCHR(info.st_mode))
        return std::nullopt;
    DevicePtr device(udev_device_new_from_devnum(udev_.get(), 'c', info.st_rdev));
    if (!device)
        return std::nullopt;
    return describe(device.get());
}

std::optional<std::vector<std::uint8_t>> LibudevSource::reportDescriptor(const HidrawNode& node)
{
    std::ifstream in(node.hidSyspath + "/report_descriptor", std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

ChangeSubscription LibudevSource::watch(std::function<void()> onChange)
{
    if (!udev_)
        return {};
    if (!monitor_) {
        monitor_.reset(udev_monitor_new_from_netlink(udev_.get(), "udev"));
        if (!monitor_)
            return {};
        udev_monitor_filter_add_match_subsystem_devtype(monitor_.get(), "hidraw", nullptr);
        if (udev_monitor_enable_receiving(monitor_.get()) < 0) {
            monitor_.reset();
            return {};
        }
        notifier_ = std::make_unique<QSocketNotifier>(udev_monitor_get_fd(monitor_.get()), QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { drainMonitor(); });
    }
    const int id = nextListener_++;
    listeners_.emplace(id, std::move(onChange));
    return ChangeSubscription([this, id] { listeners_.erase(id); });
}

void LibudevSource::drainMonitor()
{
    // One plug brings several events; everything already queued makes one
    // notification.
    while (DevicePtr device{udev_monitor_receive_device(monitor_.get())}) {
    }
    auto listeners = listeners_;
    for (const auto& [id, listener] : listeners)
        if (listeners_.count(id))
            listener();
}

} // namespace zq::hid
