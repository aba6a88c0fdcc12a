#include "device/JvHidDeviceReadThread.h"

#include "device/JvHidDevice.h"
#include "platform/hid/HidError.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>

using zq::hid::WaitResult;

TJvHidDeviceReadThread::TJvHidDeviceReadThread(TJvHidDevice* device)
    : Device(device), ReportBuffer(device->GetCaps().InputReportByteLength)
{
}

TJvHidDeviceReadThread::~TJvHidDeviceReadThread()
{
    if (thread_.joinable()) {
        Terminate();
        WaitFor();
    }
}

void TJvHidDeviceReadThread::Resume()
{
    if (!thread_.joinable())
        thread_ = std::thread([this] {
            Execute();
            handOver_->finish();
        });
}

void TJvHidDeviceReadThread::Terminate()
{
    terminated_ = true;
    waiter_.alert();
}

void TJvHidDeviceReadThread::WaitFor()
{
    if (!thread_.joinable())
        return;
    handOver_->waitForEnd();
    thread_.join();
}

void TJvHidDeviceReadThread::Execute()
{
    WaitResult wait = WaitResult::IoCompletion;
    while (!terminated_) {
        wait = WaitResult::IoCompletion;
        // The buffer was sized when the thread was made; the figure cannot grow
        // since the capabilities are fetched once per device.
        const std::size_t length =
            std::min<std::size_t>(Device->GetCaps().InputReportByteLength, ReportBuffer.size());
        std::fill_n(ReportBuffer.begin(), length, 0);
        if (Device->StartOverlappedRead(ReportBuffer.data(), static_cast<std::uint32_t>(length), waiter_)) {
            do
                wait = waiter_.sleepEx(Device->SleepTime());
            while (!terminated_ && wait != WaitResult::IoCompletion);
            if (!terminated_) {
                BytesRead = Device->GetReadResult();
                if (BytesRead > 0)
                    handOver_->run([this] { DeliverData(); });
            }
        } else {
            LastError = zq::hid::lastError();
            handOver_->run([this] { DeliverError(); });
        }
    }
    // The read is done on this thread inside the sleep, so once it is
    // cancelled nothing can write into ReportBuffer any more.
    if (wait != WaitResult::IoCompletion)
        Device->CancelPendingIO(TJvHidOpenMode::omhRead);
}

// The handlers are copied before the call: a handler may give its device back
// (destroy it), which must not pull the running handler from under itself.
void TJvHidDeviceReadThread::DeliverData()
{
    if (const TJvHidDataEvent handler = Device->OnData())
        handler(Device, ReportBuffer[0], ReportBuffer.data() + 1, static_cast<std::uint16_t>(BytesRead - 1));
}

void TJvHidDeviceReadThread::DeliverError()
{
    if (const TJvHidDataErrorEvent handler = Device->OnDataError())
        handler(Device, LastError);
}

void TJvHidDeviceReadThread::FreeWhenEnded(std::unique_ptr<TJvHidDeviceReadThread> thread)
{
    reap(std::shared_ptr<TJvHidDeviceReadThread>(std::move(thread)));
}

void TJvHidDeviceReadThread::reap(std::shared_ptr<TJvHidDeviceReadThread> thread)
{
    // Without an application object nothing can serve it; the destructor then
    // joins once the hand-over has returned.
    auto* app = QCoreApplication::instance();
    if (!app)
        return;
    QTimer::singleShot(thread->handOver_->finished() ? 0 : 1, app, [thread]() mutable {
        if (!thread->handOver_->finished())
            return reap(std::move(thread));
        thread->WaitFor();
    });
}
