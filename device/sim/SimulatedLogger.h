#pragma once
// The logger's side of its USB protocol on the simulated HID bus: it holds
// logs, answers the list, configuration and download commands with the
// replies the program expects, erases and deletes logs, keeps the
// configuration written to it and reports its busy bit. It can also be told
// to misbehave, so that the program's handling of a faulty logger can be
// tried without hardware.
//
// Commands arrive on the thread that makes the device call (the main thread
// in the program); replies go out from a thread of the logger's own, which
// by default waits for room in the reader's queue before each report so that
// none is dropped. Told not to, it sends at its own pace as the real logger
// does, whatever the host keeps up with.
#include "device/logger/LoggerProtocol.h"
#include "platform/hid/SimulatedHidBus.h"

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace zq::sim {

struct SimulatedLog {
    std::uint16_t number = 0;
    std::uint8_t rate = 1;            // samples per second
    std::vector<std::uint8_t> ids;    // signal id of each column
    std::vector<std::uint8_t> samples; // row after row, one byte per column
    std::array<std::uint8_t, 8> extra{};

    std::size_t columns() const { return ids.size(); }
    std::size_t rows() const { return ids.empty() ? 0 : samples.size() / ids.size(); }
};

struct LoggerFaults {
    bool stayBusy = false;      // the busy bit stays set
    int stallAfterBlocks = -1;  // a download goes silent after that many data blocks
    int unplugAfterBlocks = -1; // the logger unplugs itself after that many data blocks
    int endAfterBlocks = -1;    // the end reply follows that many data blocks
    bool malformed = false;     // every reply is followed by a report of random length and content
    int announcedRowsDelta = 0; // added to the rows a download header announces
};

class SimulatedLogger {
public:
    static constexpr char DefaultName[] = "QuillstoneZorvan";
    static constexpr unsigned MemoryUnits = 8192; // capacity, in units of the configuration reply

    explicit SimulatedLogger(std::shared_ptr<zq::hid::SimulatedHidBus> bus);
    ~SimulatedLogger();
    SimulatedLogger(const SimulatedLogger&) = delete;
    SimulatedLogger& operator=(const SimulatedLogger&) = delete;

    // Arrives on the bus with these identity strings.
    void plug(std::u16string manufacturer = logger_protocol::Manufacturer);
    void unplug();
    bool pluggedIn() const;
    std::shared_ptr<zq::hid::SimulatedHidDevice> device() const;

    void addLog(SimulatedLog log);
    std::vector<SimulatedLog> logs() const;
    void setName(std::string name);
    std::string name() const;
    void setIds(std::vector<std::uint8_t> ids);
    std::vector<std::uint8_t> ids() const;
    void setFaults(const LoggerFaults& faults);
    // Pause before each reply report, as a real logger paces its data.
    void setReportInterval(std::chrono::microseconds interval);
    // Whether each report waits for room in the host's queues (the default).
    void setWaitsForRoom(bool waits);

    // Sends one input report as it stands (report id byte first).
    void sendRaw(std::vector<std::uint8_t> report);

    // Every command and configuration report received, in order.
    std::vector<logger_protocol::Report> received() const;
    bool busy() const;
    // Waits until every reply queued so far has gone out.
    bool waitUntilIdle(std::chrono::milliseconds timeout) const;

private:
    using Job = std::function<void()>;

    bool onCommand(std::span<const std::uint8_t> report);
    bool onConfiguration(std::span<const std::uint8_t> report);
    bool onStatus(std::span<std::uint8_t> report);
    void enqueue(Job job);
    void run();
    // Sends from the logger's thread; false once the logger stops or is gone.
    bool send(std::span<const std::uint8_t> report);
    void sendGarbage();
    void listLogs();
    void sendConfiguration();
    void download(std::uint16_t number);
    void stream(const SimulatedLog& log, const LoggerFaults& faults);
    unsigned freeUnitsLocked() const;

    std::shared_ptr<zq::hid::SimulatedHidBus> bus_;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::shared_ptr<zq::hid::SimulatedHidDevice> device_;
    std::vector<SimulatedLog> logs_;
    std::string name_ = DefaultName;
    std::vector<std::uint8_t> ids_{0, 1};
    LoggerFaults faults_;
    std::chrono::microseconds interval_{0};
    bool waitsForRoom_ = true;
    std::vector<logger_protocol::Report> received_;
    std::deque<Job> jobs_;
    bool working_ = false;
    bool stop_ = false;
    std::uint32_t garbageSeed_ = 0x5eed;
    std::atomic<bool> streaming_{false};
    std::thread thread_;
};

} // namespace zq::sim
