#include "platform/hid/HidBackend.h"

#include "platform/hid/HidrawBackend.h"
#include "platform/hid/LibudevSource.h"
#include "platform/hid/SimulatedHidBus.h"

#include "platform/hid/HidError.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace zq::hid {

bool HidBackend::getOverlappedResult(Handle, const OverlappedRead& overlapped, std::uint32_t& bytes)
{
    bytes = 0;
    const auto& op = overlapped.operation;
    if (!op || !op->completed())
        return failWith(EINPROGRESS);
    if (!op->succeeded())
        return failWith(op->error());
    bytes = op->bytes();
    return true;
}

void storeString(std::span<char16_t> buffer, const std::u16string& text)
{
    const std::size_t n = std::min(text.size(), buffer.size());
    std::copy_n(text.begin(), n, buffer.begin());
    if (n < buffer.size())
        buffer[n] = 0;
}

std::shared_ptr<HidBackend> createHidBackend()
{
    const char* choice = std::getenv(BackendEnvironmentVariable);
    if (choice && std::strcmp(choice, "sim") == 0)
        return SimulatedHidBus::shared();
    return std::make_shared<HidrawBackend>(std::make_shared<LibudevSource>());
}

} // namespace zq::hid
