#pragma once
// The layer's last-error slot, kept per thread: a failing call stores an errno
// value there, and the caller fetches it (and its text) when it wants to tell.
#include <cstdint>
#include <string>

namespace zq::hid {

std::uint32_t lastError();
void setLastError(std::uint32_t code);
// Stores the thread's current errno as the last error; for failures reported
// by system calls.
void takeErrno();
// Stores code as the last error and gives false, for calls that fail that way.
bool failWith(std::uint32_t code);
std::string errorMessage(std::uint32_t code);

} // namespace zq::hid
