#pragma once
// The worker that receives a device's input reports and hands each to the
// device's data handler on the main thread, one at a time, in arrival order;
// the next read starts only after the handler returned.
#include "device/MainThreadHandOver.h"
#include "platform/hid/AlertableWaiter.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

class TJvHidDevice;

class TJvHidDeviceReadThread {
public:
    // Created suspended; Resume() starts it.
    explicit TJvHidDeviceReadThread(TJvHidDevice* device);
    // Stops and joins a thread that is still running.
    ~TJvHidDeviceReadThread();
    TJvHidDeviceReadThread(const TJvHidDeviceReadThread&) = delete;
    TJvHidDeviceReadThread& operator=(const TJvHidDeviceReadThread&) = delete;

    void Resume();
    // Any thread: asks the thread to end; a wait in progress ends at once.
    void Terminate();
    bool Terminated() const { return terminated_; }
    // Main thread: waits for the end while running the thread's hand-overs.
    void WaitFor();
    // Main thread: whether this thread's hand-over is running right now.
    bool InHandOver() const { return handOver_->serving(); }
    // Main thread: for a stop from inside the thread's own hand-over. The
    // thread was told to terminate; once the hand-over returns it ends without
    // touching its device again, and is joined and freed from the event loop.
    static void FreeWhenEnded(std::unique_ptr<TJvHidDeviceReadThread> thread);

    TJvHidDevice* const Device;
    // Written by the thread, read by the hand-overs it waits for.
    std::uint32_t BytesRead = 0;
    std::vector<std::uint8_t> ReportBuffer;
    std::uint32_t LastError = 0;

private:
    static void reap(std::shared_ptr<TJvHidDeviceReadThread> thread);
    void Execute();
    void DeliverData();
    void DeliverError();

    std::atomic<bool> terminated_{false};
    zq::hid::AlertableWaiter waiter_;
    std::shared_ptr<MainThreadHandOver> handOver_ = std::make_shared<MainThreadHandOver>();
    std::thread thread_;
};
