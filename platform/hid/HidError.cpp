#include "platform/hid/HidError.h"

#include <cerrno>
#include <cstring>

namespace zq::hid {

namespace {
thread_local std::uint32_t threadLastError = 0;
}

std::uint32_t lastError()
{
    return threadLastError;
}

void setLastError(std::uint32_t code)
{
    threadLastError = code;
}

void takeErrno()
{
    threadLastError = static_cast<std::uint32_t>(errno);
}

bool failWith(std::uint32_t code)
{
    threadLastError = code;
    return false;
}

std::string errorMessage(std::uint32_t code)
{
    char buffer[256] = {};
    // The GNU variant may return a static string instead of filling the buffer.
    const char* text = strerror_r(static_cast<int>(code), buffer, sizeof buffer);
    return text ? std::string(text) : std::string();
}

} // namespace zq::hid
