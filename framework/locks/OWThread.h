#pragma once
// Thread identities of the lock model: the kernel's 32-bit thread id, 0 meaning
// no thread.
#include <cstdint>

using TOWThreadId = std::uint32_t;

namespace owThreadDetail {
inline thread_local constinit TOWThreadId cachedId = 0;
TOWThreadId fetchId() noexcept;
} // namespace owThreadDetail

// Id of the calling thread; cached, so asking is cheap.
inline TOWThreadId OWCurrentThreadId() noexcept
{
    const TOWThreadId id = owThreadDetail::cachedId;
    return id != 0 ? id : owThreadDetail::fetchId();
}

// False once the thread of that id has ended (ids are not reused while the
// process has free ones, so a recent owner's id is a reliable witness).
bool OWThreadAlive(TOWThreadId id) noexcept;

// Gives up the rest of the time slice.
void OWYield() noexcept;
