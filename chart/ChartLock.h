#pragma once

#include <mutex>

namespace zq::chart {

// The one lock of a chart: pending channel data and the view state live under
// it. Kept behind this small type so the framework's lock can take its place
// without touching the users.
class ChartLock {
public:
    void lock() { mutex_.lock(); }
    void unlock() { mutex_.unlock(); }
    bool try_lock() { return mutex_.try_lock(); }

private:
    std::recursive_mutex mutex_;
};

using ChartLockGuard = std::lock_guard<ChartLock>;

} // namespace zq::chart
