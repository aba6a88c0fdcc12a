#pragma once
// The CPU time of the calling thread: what a benchmark compares when other
// work loads the machine and wall time would count its waits too.
#include <chrono>
#include <ctime>

struct TThreadClock {
    using duration = std::chrono::nanoseconds;
    using time_point = std::chrono::time_point<TThreadClock>;
    static time_point now() noexcept
    {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return time_point(std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec));
    }
};
