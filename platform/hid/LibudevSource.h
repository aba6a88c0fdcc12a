#pragma once
// UdevSource over libudev; hidraw events come through a udev monitor whose
// socket the Qt event loop watches.
#include "platform/hid/UdevSource.h"

#include <map>
#include <memory>

struct udev;
struct udev_device;
struct udev_monitor;
class QSocketNotifier;

namespace zq::hid {

class LibudevSource : public UdevSource {
public:
    LibudevSource();
    ~LibudevSource() override;

    bool available() const override { return udev_ != nullptr; }
    std::vector<HidrawNode> hidrawNodes() override;
    std::optional<HidrawNode> nodeForDevnode(const std::string& devnode) override;
    std::optional<std::vector<std::uint8_t>> reportDescriptor(const HidrawNode& node) override;
    ChangeSubscription watch(std::function<void()> onChange) override;

private:
    struct UdevDeleter {
        void operator()(udev* u) const;
    };
    struct MonitorDeleter {
        void operator()(udev_monitor* m) const;
    };

    std::optional<HidrawNode> describe(udev_device* hidraw) const;
    void drainMonitor();

    std::unique_ptr<udev, UdevDeleter> udev_;
    std::unique_ptr<udev_monitor, MonitorDeleter> monitor_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::map<int, std::function<void()>> listeners_;
    int nextListener_ = 1;
};

} // namespace zq::hid
