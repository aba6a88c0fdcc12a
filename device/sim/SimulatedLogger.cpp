#include "device/sim/SimulatedLogger.h"

#include <algorithm>

namespace zq::sim {

namespace lp = logger_protocol;

namespace {

lp::Report reply(std::uint8_t code)
{
    lp::Report report{};
    report[lp::ReplyCode] = code;
    return report;
}

void putName(std::span<std::uint8_t> field, const std::string& name)
{
    std::fill(field.begin(), field.end(), 0);
    std::copy_n(name.begin(), std::min(name.size(), field.size()), field.begin());
}

} // namespace

SimulatedLogger::SimulatedLogger(std::shared_ptr<zq::hid::SimulatedHidBus> bus) : bus_(std::move(bus))
{
    thread_ = std::thread([this] { run(); });
}

SimulatedLogger::~SimulatedLogger()
{
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
    // The device may outlive the logger on the bus; it must not call back.
    if (auto device = this->device()) {
        device->setGetFeatureHandler(nullptr);
        device->setSetFeatureHandler(nullptr);
        device->setOutputReportHandler(nullptr);
    }
}

void SimulatedLogger::plug(std::u16string manufacturer)
{
    zq::hid::SimulatedDeviceInfo info;
    info.vendorId = lp::VendorId;
    info.productId = lp::ProductId;
    info.versionNumber = 0x0100;
    info.manufacturer = std::move(manufacturer);
    info.product = u"Quillstone";
    info.inputReportLength = info.outputReportLength = info.featureReportLength = lp::ReportLength;
    auto device = bus_->plug(info);
    device->setGetFeatureHandler([this](std::span<std::uint8_t> r) { return onStatus(r); });
    device->setSetFeatureHandler([this](std::span<const std::uint8_t> r) { return onCommand(r); });
    device->setOutputReportHandler([this](std::span<const std::uint8_t> r) { return onConfiguration(r); });
    std::lock_guard lock(mutex_);
    device_ = std::move(device);
}

void SimulatedLogger::unplug()
{
    std::shared_ptr<zq::hid::SimulatedHidDevice> device;
    {
        std::lock_guard lock(mutex_);
        device = device_;
    }
    if (device && device->pluggedIn())
        bus_->unplug(device);
}

bool SimulatedLogger::pluggedIn() const
{
    auto device = this->device();
    return device && device->pluggedIn();
}

std::shared_ptr<zq::hid::SimulatedHidDevice> SimulatedLogger::device() const
{
    std::lock_guard lock(mutex_);
    return device_;
}

void SimulatedLogger::addLog(SimulatedLog log)
{
    std::lock_guard lock(mutex_);
    logs_.push_back(std::move(log));
}

std::vector<SimulatedLog> SimulatedLogger::logs() const
{
    std::lock_guard lock(mutex_);
    return logs_;
}

void SimulatedLogger::setName(std::string name)
{
    std::lock_guard lock(mutex_);
    name_ = std::move(name);
}

std::string SimulatedLogger::name() const
{
    std::lock_guard lock(mutex_);
    return name_;
}

void SimulatedLogger::setIds(std::vector<std::uint8_t> ids)
{
    std::lock_guard lock(mutex_);
    ids_ = std::move(ids);
}

std::vector<std::uint8_t> SimulatedLogger::ids() const
{
    std::lock_guard lock(mutex_);
    return ids_;
}

void SimulatedLogger::setFaults(const LoggerFaults& faults)
{
    std::lock_guard lock(mutex_);
    faults_ = faults;
}

void SimulatedLogger::setReportInterval(std::chrono::microseconds interval)
{
    std::lock_guard lock(mutex_);
    interval_ = interval;
}

void SimulatedLogger::setWaitsForRoom(bool waits)
{
    std::lock_guard lock(mutex_);
    waitsForRoom_ = waits;
}

std::vector<lp::Report> SimulatedLogger::received() const
{
    std::lock_guard lock(mutex_);
    return received_;
}

bool SimulatedLogger::busy() const
{
    std::lock_guard lock(mutex_);
    return faults_.stayBusy || streaming_;
}

bool SimulatedLogger::waitUntilIdle(std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return jobs_.empty() && !working_; });
}

void SimulatedLogger::sendRaw(std::vector<std::uint8_t> report)
{
    enqueue([this, report = std::move(report)] { send(report); });
}

bool SimulatedLogger::onStatus(std::span<std::uint8_t> report)
{
    if (report.size() > lp::StatusByte)
        report[lp::StatusByte] = busy() ? lp::StatusBusy : 0;
    return true;
}

bool SimulatedLogger::onCommand(std::span<const std::uint8_t> report)
{
    lp::Report copy{};
    std::copy_n(report.begin(), std::min(report.size(), copy.size()), copy.begin());
    {
        std::lock_guard lock(mutex_);
        received_.push_back(copy);
    }
    const unsigned number = lp::get16(copy, lp::CommandLogHigh);
    switch (copy[lp::CommandCode]) {
    case lp::CmdFormat: {
        std::lock_guard lock(mutex_);
        logs_.clear();
        break;
    }
    case lp::CmdList:
        enqueue([this] { listLogs(); });
        break;
    case lp::CmdDelete: {
        std::lock_guard lock(mutex_);
        std::erase_if(logs_, [number](const SimulatedLog& log) { return log.number == number; });
        break;
    }
    case lp::CmdReadConfig:
        enqueue([this] { sendConfiguration(); });
        break;
    case lp::CmdDownload:
        // Busy from the command on, not only once the thread gets to it.
        streaming_ = true;
        enqueue([this, number] { download(static_cast<std::uint16_t>(number)); });
        break;
    default:
        break; // unknown commands are ignored, as the logger does
    }
    return true;
}

bool SimulatedLogger::onConfiguration(std::span<const std::uint8_t> report)
{
    using L = lp::ConfigWriteLayout;
    lp::Report copy{};
    std::copy_n(report.begin(), std::min(report.size(), copy.size()), copy.begin());
    std::lock_guard lock(mutex_);
    received_.push_back(copy);
    if (copy[L::Marker1] != L::Marker1Value || copy[L::Marker2] != L::Marker2Value)
        return true;
    const std::size_t count = std::min<std::size_t>(copy[L::IdCount], lp::MaxIds);
    ids_.assign(copy.begin() + L::Ids, copy.begin() + static_cast<std::ptrdiff_t>(L::Ids + count));
    const auto nameBegin = copy.begin() + L::Name;
    name_.assign(nameBegin, std::find(nameBegin, nameBegin + lp::NameLength, 0));
    return true;
}

void SimulatedLogger::enqueue(Job job)
{
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    changed_.notify_all();
}

void SimulatedLogger::run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stop_ || !jobs_.empty(); });
        if (stop_)
            return;
        Job job = std::move(jobs_.front());
        jobs_.pop_front();
        working_ = true;
        lock.unlock();
        job();
        lock.lock();
        working_ = false;
        changed_.notify_all();
    }
}

bool SimulatedLogger::send(std::span<const std::uint8_t> report)
{
    std::shared_ptr<zq::hid::SimulatedHidDevice> device;
    bool malformed = false;
    bool waits = true;
    {
        std::unique_lock lock(mutex_);
        if (interval_.count() > 0)
            changed_.wait_for(lock, interval_, [this] { return stop_; });
        if (stop_)
            return false;
        device = device_;
        malformed = faults_.malformed;
        waits = waitsForRoom_;
    }
    if (!device)
        return false;
    while (waits) {
        if (!device->pluggedIn())
            return false;
        if (device->waitForQueueSpace(std::chrono::milliseconds(20)))
            break;
        std::lock_guard lock(mutex_);
        if (stop_)
            return false;
    }
    if (!device->queueInputReport(report))
        return false;
    if (malformed)
        sendGarbage();
    return true;
}

void SimulatedLogger::sendGarbage()
{
    std::uint32_t seed;
    std::shared_ptr<zq::hid::SimulatedHidDevice> device;
    {
        std::lock_guard lock(mutex_);
        seed = garbageSeed_;
        device = device_;
    }
    const auto next = [&seed] {
        seed = seed * 1664525U + 1013904223U;
        return static_cast<std::uint8_t>(seed >> 24);
    };
    std::vector<std::uint8_t> report(1 + next() % lp::ReportLength);
    for (auto& byte : report)
        byte = next();
    report[0] = 0;
    {
        std::lock_guard lock(mutex_);
        garbageSeed_ = seed;
    }
    if (device && device->waitForQueueSpace(std::chrono::milliseconds(200)))
        device->queueInputReport(report);
}

void SimulatedLogger::listLogs()
{
    std::vector<SimulatedLog> logs = this->logs();
    using L = lp::ListLayout;
    std::size_t next = 0;
    do {
        lp::Report report = reply(lp::ReplyList);
        for (std::size_t i = 0; i < L::Entries; ++i) {
            const std::size_t at = L::entry(i);
            if (next >= logs.size()) {
                report[at + L::Number] = report[at + L::Number + 1] = 0xFF;
                continue;
            }
            const SimulatedLog& log = logs[next++];
            lp::put16(report, at + L::Number, log.number);
            report[at + L::Rate] = log.rate;
            lp::put24(report, at + L::Samples, static_cast<unsigned>(std::min<std::size_t>(log.rows(), 0xFFFFFF)));
        }
        if (!send(report))
            return;
    } while (next < logs.size());
}

unsigned SimulatedLogger::freeUnitsLocked() const
{
    std::size_t used = 0;
    for (const SimulatedLog& log : logs_)
        used += (log.samples.size() + lp::ConfigLayout::MemoryUnit - 1) / lp::ConfigLayout::MemoryUnit;
    return used >= MemoryUnits ? 0 : static_cast<unsigned>(MemoryUnits - used);
}

void SimulatedLogger::sendConfiguration()
{
    using L = lp::ConfigLayout;
    lp::Report report = reply(lp::ReplyConfig);
    {
        std::lock_guard lock(mutex_);
        lp::put16(report, L::FreeMemory, freeUnitsLocked());
        unsigned last = 0;
        for (const SimulatedLog& log : logs_)
            last = std::max<unsigned>(last, log.number);
        lp::put16(report, L::LastLog, last);
        const std::size_t count = std::min(ids_.size(), lp::MaxIds);
        report[L::IdCount] = static_cast<std::uint8_t>(count);
        putName(std::span(report).subspan(L::Name, lp::NameLength), name_);
        std::copy_n(ids_.begin(), count, report.begin() + L::Ids);
    }
    send(report);
}

void SimulatedLogger::download(std::uint16_t number)
{
    SimulatedLog log;
    LoggerFaults faults;
    bool found = false;
    {
        std::lock_guard lock(mutex_);
        faults = faults_;
        for (const SimulatedLog& candidate : logs_) {
            if (candidate.number == number) {
                log = candidate;
                found = true;
                break;
            }
        }
    }
    // An unknown log gets no answer: the program's watchdog ends its wait.
    if (found)
        stream(log, faults);
    streaming_ = false;
}

void SimulatedLogger::stream(const SimulatedLog& log, const LoggerFaults& faults)
{
    using H = lp::HeaderLayout;
    lp::Report header = reply(lp::ReplyHeader);
    lp::put16(header, H::Number, log.number);
    header[H::Rate] = log.rate;
    const std::size_t columns = std::min(log.columns(), lp::MaxIds);
    header[H::Columns] = static_cast<std::uint8_t>(columns);
    const long long announced = static_cast<long long>(log.rows()) + faults.announcedRowsDelta;
    lp::put24(header, H::Rows, static_cast<unsigned>(std::clamp<long long>(announced, 0, 0xFFFFFF)));
    putName(std::span(header).subspan(H::Name, lp::NameLength), name());
    std::copy(log.extra.begin(), log.extra.end(), header.begin() + H::Extra);
    std::copy_n(log.ids.begin(), columns, header.begin() + H::Ids);
    if (!send(header))
        return;

    const std::span<const std::uint8_t> data(log.samples.data(), log.rows() * log.columns());
    int blocks = 0;
    for (std::size_t at = 0; at < data.size(); at += lp::DataBytes) {
        if (blocks == faults.stallAfterBlocks)
            return;
        if (blocks == faults.unplugAfterBlocks) {
            unplug();
            return;
        }
        if (blocks == faults.endAfterBlocks)
            break;
        lp::Report block = reply(lp::ReplyData);
        const std::size_t count = std::min(lp::DataBytes, data.size() - at);
        std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(at), count, block.begin() + lp::DataFirst);
        if (!send(block))
            return;
        ++blocks;
    }
    send(reply(lp::ReplyEnd));
}

} // namespace zq::sim
