#pragma once
// The HID platform layer: exactly the calls the device objects make, behind
// one interface with two implementations (hidraw through libudev, and an
// in-process simulated bus). Every call that can fail returns false (or an
// invalid handle, or nullptr) and leaves an errno value in lastError().
//
// Threads: everything runs on the main thread except startRead(),
// getOverlappedResult() and cancelIo(), which the device's read thread makes,
// and close(), which may end a read pending on another thread.
#include "platform/hid/AlertableWaiter.h"
#include "platform/hid/HidTypes.h"

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace zq::hid {

// Ends a change subscription when it goes.
class ChangeSubscription {
public:
    ChangeSubscription() = default;
    explicit ChangeSubscription(std::function<void()> cancel) : cancel_(std::move(cancel)) {}
    ChangeSubscription(ChangeSubscription&& other) noexcept : cancel_(std::exchange(other.cancel_, {})) {}
    ChangeSubscription& operator=(ChangeSubscription&& other) noexcept
    {
        if (this != &other) {
            reset();
            cancel_ = std::exchange(other.cancel_, {});
        }
        return *this;
    }
    ~ChangeSubscription() { reset(); }
    void reset()
    {
        if (cancel_)
            std::exchange(cancel_, {})();
    }

private:
    std::function<void()> cancel_;
};

class HidBackend {
public:
    virtual ~HidBackend() = default;

    // False when the backend could not start (the controller then never lists
    // a device).
    virtual bool available() const { return true; }

    virtual std::vector<InterfaceEntry> enumerate() = 0;
    // Copies the property's raw value into buffer: text with a closing zero,
    // numbers as 4 little-endian bytes, lists as zero-separated texts ending
    // with an empty one. False when the interface lacks it or it does not fit.
    virtual bool getRegistryProperty(const InterfaceEntry& entry, RegistryProperty property,
                                     std::span<std::uint8_t> buffer) = 0;

    // access: AccessFlags; AccessQueryOnly opens for attributes, strings and
    // capabilities only. overlapped: the handle serves startRead().
    virtual Handle open(const std::string& path, unsigned access, bool overlapped) = 0;
    virtual bool close(Handle handle) = 0;

    virtual bool getAttributes(Handle handle, DeviceAttributes& attributes) = 0;
    virtual std::unique_ptr<PreparsedData> getPreparsedData(Handle handle) = 0;
    // Writes the string into buffer, cut to fit, with a closing zero when room
    // is left.
    virtual bool getManufacturerString(Handle handle, std::span<char16_t> buffer) = 0;

    // report[0] is the report id; the reply overwrites the buffer.
    virtual bool getFeature(Handle handle, std::span<std::uint8_t> report) = 0;
    virtual bool setFeature(Handle handle, std::span<const std::uint8_t> report) = 0;
    virtual bool write(Handle handle, std::span<const std::uint8_t> report, std::uint32_t& written) = 0;

    // Counts outside MinInputBuffers..MaxInputBuffers are refused.
    virtual bool setNumInputBuffers(Handle handle, std::uint32_t count) = 0;
    virtual bool getNumInputBuffers(Handle handle, std::uint32_t& count) = 0;

    // Starts one read of at most buffer.size() bytes on an overlapped read
    // handle. It finishes inside waiter.sleepEx() on the calling thread; a
    // report longer than the buffer is refused, not cut.
    virtual bool startRead(Handle handle, std::span<std::uint8_t> buffer, OverlappedRead& overlapped,
                           AlertableWaiter& waiter) = 0;
    // Bytes of a finished read; false when it is not finished or failed. The
    // operation holds the outcome, so the handle is not consulted.
    virtual bool getOverlappedResult(Handle handle, const OverlappedRead& overlapped, std::uint32_t& bytes);
    // Reports an overlapped read handle has lost since it was opened: the
    // backend reads reports as they arrive into a queue of the handle's
    // input-buffer count and drops the oldest when it is full.
    virtual bool getDroppedInputReports(Handle handle, std::uint64_t& count) = 0;
    // Cancels the calling thread's pending read on the handle.
    virtual bool cancelIo(Handle handle) = 0;

    // onChange runs on the main thread after devices came or went; several
    // changes close together give one call.
    virtual ChangeSubscription subscribeChanges(std::function<void()> onChange) = 0;
};

// Writes text into buffer as getManufacturerString() promises: cut to fit,
// with a closing zero when room is left.
void storeString(std::span<char16_t> buffer, const std::u16string& text);

// Name of the environment variable that picks the backend: "sim" for the
// process-wide simulated bus, anything else (or unset) for hidraw.
inline constexpr const char* BackendEnvironmentVariable = "ZQ_HID_BACKEND";

std::shared_ptr<HidBackend> createHidBackend();

} // namespace zq::hid
