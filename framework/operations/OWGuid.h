#pragma once
// 128-bit identifiers of stream types and interfaces, in the standard 16-byte
// layout (one 32-bit, two 16-bit and eight 8-bit fields), with their braced
// text form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>

struct TGUID {
    std::uint32_t D1;
    std::uint16_t D2;
    std::uint16_t D3;
    std::uint8_t D4[8];

    constexpr bool operator==(const TGUID&) const = default;
    // The null GUID means "no type".
    constexpr bool IsNull() const { return *this == TGUID{}; }
};

static_assert(sizeof(TGUID) == 16 && std::is_standard_layout_v<TGUID> && std::is_trivially_copyable_v<TGUID>);

inline constexpr TGUID GUID_NULL{};

namespace owguid_detail {

inline constexpr std::size_t bracedLength = 38;

constexpr int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Reads `digits` hexadecimal digits at `at`; empty when one is not a digit.
constexpr std::optional<std::uint32_t> hexField(std::string_view text, std::size_t at, std::size_t digits)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        const int digit = hexValue(text[at + i]);
        if (digit < 0)
            return std::nullopt;
        value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    return value;
}

constexpr std::optional<TGUID> parse(std::string_view text)
{
    if (text.size() != bracedLength || text.front() != '{' || text.back() != '}' || text[9] != '-'
        || text[14] != '-' || text[19] != '-' || text[24] != '-')
        return std::nullopt;
    const auto d1 = hexField(text, 1, 8);
    const auto d2 = hexField(text, 10, 4);
    const auto d3 = hexField(text, 15, 4);
    if (!d1 || !d2 || !d3)
        return std::nullopt;
    TGUID guid{*d1, static_cast<std::uint16_t>(*d2), static_cast<std::uint16_t>(*d3), {}};
    // The first two bytes of D4 stand before the last dash, the other six after it.
    constexpr std::size_t byteAt[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (std::size_t i = 0; i < 8; ++i) {
        const auto byte = hexField(text, byteAt[i], 2);
        if (!byte)
            return std::nullopt;
        guid.D4[i] = static_cast<std::uint8_t>(*byte);
    }
    return guid;
}

} // namespace owguid_detail

// For constants written in the source: ill-formed text makes a constant
// evaluation fail to compile; at run time it throws std::invalid_argument.
// Text from outside the program goes through TryParseGuid.
constexpr TGUID ParseGuid(std::string_view braced)
{
    const auto guid = owguid_detail::parse(braced);
    if (!guid)
        throw std::invalid_argument("not a braced GUID");
    return *guid;
}

// Hexadecimal digits of either case; braces and dashes exactly where the
// braced form has them, nothing around it.
constexpr std::optional<TGUID> TryParseGuid(std::string_view braced)
{
    return owguid_detail::parse(braced);
}

// The braced upper-case form, e.g. "{48CDAF9F-00C7-4B45-999D-4EE25353A952}".
std::string GuidToString(const TGUID& guid);

// The GUID of an interface, read from its `Guid` text at compile time.
template<class I>
constexpr TGUID OWGuidOf()
{
    constexpr TGUID guid = ParseGuid(I::Guid);
    return guid;
}

template<>
struct std::hash<TGUID> {
    std::size_t operator()(const TGUID& guid) const noexcept
    {
        std::uint64_t low = guid.D1 | std::uint64_t{guid.D2} << 32 | std::uint64_t{guid.D3} << 48;
        std::uint64_t high = 0;
        for (std::uint8_t byte : guid.D4)
            high = high << 8 | byte;
        // Distinct multipliers keep GUIDs that differ only by swapped halves apart.
        const std::uint64_t mixed = low * 0x9E3779B97F4A7C15ull ^ high * 0xC2B2AE3D27D4EB4Full;
        return static_cast<std::size_t>(mixed ^ mixed >> 29);
    }
};
