#include "platform/hid/RegistryValue.h"

#include "platform/hid/HidError.h"

#include <QString>

#include <cerrno>
#include <cstring>

namespace zq::hid {

namespace {
bool tooSmall()
{
    setLastError(ERANGE);
    return false;
}
} // namespace

bool storeRegistryText(std::span<std::uint8_t> buffer, const std::string& text)
{
    if (text.size() + 1 > buffer.size())
        return tooSmall();
    std::memcpy(buffer.data(), text.data(), text.size());
    buffer[text.size()] = 0;
    return true;
}

bool storeRegistryNumber(std::span<std::uint8_t> buffer, std::uint32_t value)
{
    if (buffer.size() < 4)
        return tooSmall();
    for (std::size_t i = 0; i < 4; ++i)
        buffer[i] = static_cast<std::uint8_t>(value >> (8 * i));
    return true;
}

bool storeRegistryList(std::span<std::uint8_t> buffer, const std::vector<std::string>& items)
{
    std::size_t pos = 0;
    for (const auto& item : items) {
        if (item.empty())
            continue;
        if (!storeRegistryText(buffer.subspan(pos), item))
            return false;
        pos += item.size() + 1;
    }
    if (pos >= buffer.size())
        return tooSmall();
    buffer[pos] = 0;
    return true;
}

std::string toUtf8(const std::u16string& text)
{
    return QString::fromStdU16String(text).toStdString();
}

std::u16string toUtf16(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toStdU16String();
}

} // namespace zq::hid
