#pragma once
// Thread identities of the lock model: the kernel's 32-bit thread id, 0 meaning
// no thread.
#include <cstdint>

using TOWThreadId = std::uint32_t;

// Id of the calling thread; cached, so asking is cheap.
TOWThreadId OWCurrentThreadId() noexcept;

// False once the thread of that id has ended (ids are not reused while the
// process has free ones, so a recent owner's id is a reliable witness).
bool OWThreadAlive(TOWThreadId id) noexcept;

// Gives up the rest of the time slice.
void OWYield() noexcept;
