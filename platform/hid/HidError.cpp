#include "platform/hid/HidError.h"

#include "platform/Messages.h"

#include <cerrno>

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
    // In the program's language, like every other text it shows.
    return platform::causeText(static_cast<int>(code)).toStdString();
}

} // namespace zq::hid
