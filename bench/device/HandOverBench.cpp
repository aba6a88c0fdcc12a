// Input reports handed from a device's read thread to its data handler on the
// main thread, over the simulated bus, against a bare two-thread ping-pong
// (the floor of any synchronous hand-over) measured in the same run; and the
// CPU an idle reader costs.
#include "device/JvHidControllerClass.h"
#include "platform/hid/SimulatedHidBus.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <condition_variable>
#include <ctime>
#include <mutex>
#include <thread>

namespace {

zq::hid::SimulatedDeviceInfo loggerInfo()
{
    zq::hid::SimulatedDeviceInfo info;
    info.vendorId = 0xFF00;
    info.productId = 0xFF01;
    info.manufacturer = u"Zorvan Performance Parts.";
    info.inputReportLength = info.outputReportLength = info.featureReportLength = 65;
    return info;
}

void runLoopUntil(const std::function<bool()>& done)
{
    QTimer tick;
    tick.start(5);
    while (!done())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

struct Rig {
    std::shared_ptr<zq::hid::SimulatedHidBus> bus = std::make_shared<zq::hid::SimulatedHidBus>();
    std::shared_ptr<zq::hid::SimulatedHidDevice> sim = bus->plug(loggerInfo());
    TJvHidDeviceController controller{nullptr, bus};
    TJvHidDevice* device = nullptr;

    Rig()
    {
        runLoopUntil([&] { return !controller.DeviceList().empty(); });
        controller.AcquireFirstFree(device);
        device->SetNumOverlappedBuffers(512);
    }
    ~Rig() { delete device; }
};

void BM_HandOverToMainThread(benchmark::State& state)
{
    Rig rig;
    std::uint64_t delivered = 0;
    std::uint64_t total = 0;
    QEventLoop loop;
    rig.device->SetDataHandler([&](TJvHidDevice*, std::uint8_t, const std::uint8_t*, std::uint16_t) {
        if (++delivered >= total)
            loop.quit();
    });
    const std::uint64_t batch = static_cast<std::uint64_t>(state.range(0));
    for (auto _ : state) {
        total += batch;
        std::thread producer([&] {
            const std::uint8_t report[65] = {0, 0x04};
            for (std::uint64_t i = 0; i < batch; ++i) {
                rig.sim->waitForQueueSpace(std::chrono::seconds(5));
                rig.sim->queueInputReport(report);
            }
        });
        loop.exec();
        producer.join();
    }
    rig.device->SetDataHandler(nullptr);
    state.SetItemsProcessed(static_cast<std::int64_t>(total));
}
BENCHMARK(BM_HandOverToMainThread)->Arg(5000)->Unit(benchmark::kMillisecond)->UseRealTime();

// Baseline: the other thread hands a value over and waits until this thread
// has taken it, with nothing else in between.
void BM_BarePingPong(benchmark::State& state)
{
    std::mutex mutex;
    std::condition_variable changed;
    std::uint64_t offered = 0;
    std::uint64_t taken = 0;
    const std::uint64_t batch = static_cast<std::uint64_t>(state.range(0));
    std::uint64_t total = 0;
    for (auto _ : state) {
        const std::uint64_t target = total + batch;
        std::thread worker([&] {
            std::unique_lock lock(mutex);
            while (offered < target) {
                ++offered;
                changed.notify_all();
                changed.wait(lock, [&] { return taken == offered; });
            }
        });
        std::unique_lock lock(mutex);
        while (taken < target) {
            changed.wait(lock, [&] { return offered > taken; });
            ++taken;
            changed.notify_all();
        }
        lock.unlock();
        worker.join();
        total = target;
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(total));
}
BENCHMARK(BM_BarePingPong)->Arg(5000)->Unit(benchmark::kMillisecond)->UseRealTime();

double processCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// An acquired device with a reader and nothing to read; the main thread only
// sleeps, so the process CPU time is the reader's.
void BM_IdleReaderCpu(benchmark::State& state)
{
    Rig rig;
    rig.device->SetSleepTime(static_cast<std::uint32_t>(state.range(0)));
    rig.device->SetDataHandler([](TJvHidDevice*, std::uint8_t, const std::uint8_t*, std::uint16_t) {});
    double cpu = 0;
    for (auto _ : state) {
        const double before = processCpuSeconds();
        std::this_thread::sleep_for(std::chrono::seconds(1));
        cpu += processCpuSeconds() - before;
    }
    rig.device->SetDataHandler(nullptr);
    state.counters["cpu_us_per_s"] = benchmark::Counter(cpu * 1e6 / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_IdleReaderCpu)->Arg(100)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
