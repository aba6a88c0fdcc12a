#pragma once
// An eventfd used as a flag that poll() sees: raised by any thread, lowered
// by the one that takes what it announced.
#include "platform/hid/UniqueFd.h"

#include <sys/eventfd.h>

#include <cstdint>
#include <stdexcept>
#include <string>

namespace zq::hid {

inline UniqueFd makeEventFd(const char* what)
{
    UniqueFd fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!fd.valid())
        throw std::runtime_error(std::string("cannot create the ") + what);
    return fd;
}

// A full counter already reads as raised, so a failed write loses nothing.
inline void raiseEvent(const UniqueFd& fd)
{
    const std::uint64_t one = 1;
    [[maybe_unused]] auto n = ::write(fd.get(), &one, sizeof one);
}

inline void lowerEvent(const UniqueFd& fd)
{
    std::uint64_t drained = 0;
    [[maybe_unused]] auto n = ::read(fd.get(), &drained, sizeof drained);
}

} // namespace zq::hid
