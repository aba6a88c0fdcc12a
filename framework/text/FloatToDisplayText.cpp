#include "framework/text/FloatToDisplayText.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <system_error>
#include <cmath>
#include <limits>
#include <string_view>

namespace {

constexpr double fixedLimit = 1e18;
constexpr int minExponentDigits = 3;

std::atomic<char32_t> displaySeparator{U'.'};

bool isUsableSeparator(char32_t c)
{
    const bool codePoint = c != 0 && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
    const bool ownCharacter = (c >= U'0' && c <= U'9') || c == U'+' || c == U'-' || c == U'E';
    return codePoint && !ownCharacter;
}

// The separator as UTF-8.
class TSeparatorText {
public:
    explicit TSeparatorText(char32_t c)
    {
        if (!isUsableSeparator(c))
            c = U'.';
        if (c < 0x80) {
            bytes_[size_++] = static_cast<char>(c);
        } else if (c < 0x800) {
            bytes_[size_++] = static_cast<char>(0xC0 | (c >> 6));
            bytes_[size_++] = static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            bytes_[size_++] = static_cast<char>(0xE0 | (c >> 12));
            bytes_[size_++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            bytes_[size_++] = static_cast<char>(0x80 | (c & 0x3F));
        } else {
            bytes_[size_++] = static_cast<char>(0xF0 | (c >> 18));
            bytes_[size_++] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            bytes_[size_++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            bytes_[size_++] = static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    std::string_view View() const { return {bytes_.data(), size_}; }

private:
    std::array<char, 4> bytes_{};
    std::size_t size_ = 0;
};

std::int32_t clampDecimals(std::int32_t n)
{
    return std::clamp<std::int32_t>(n, 0, MaxDisplayDecimals);
}

// Sign, 19 integer digits, a 4-byte separator, the decimals, "E", the
// exponent's sign and digits all fit with room to spare; should the runtime
// still refuse, the text is empty rather than whatever the buffer held.
using TTextBuffer = std::array<char, 128>;

// Copies the runtime's digits into the final text: "." becomes the
// separator, the exponent gets its "E", its sign and three digits, and a
// minus sign in front of nothing but zeros goes.
std::string finish(const char* first, const char* last, std::string_view separator)
{
    std::string_view raw(first, static_cast<std::size_t>(last - first));
    const std::size_t ePos = raw.find('e');
    std::string_view mantissa = raw.substr(0, ePos);
    if (!mantissa.empty() && mantissa.front() == '-' &&
        mantissa.find_first_not_of("0.", 1) == std::string_view::npos)
        mantissa.remove_prefix(1);

    std::string text;
    text.reserve(raw.size() + separator.size() + 2);
    const std::size_t dot = mantissa.find('.');
    if (dot == std::string_view::npos) {
        text.append(mantissa);
    } else {
        text.append(mantissa.substr(0, dot));
        text.append(separator);
        text.append(mantissa.substr(dot + 1));
    }
    if (ePos != std::string_view::npos) {
        std::string_view exponent = raw.substr(ePos + 1);
        char sign = '+';
        if (!exponent.empty() && (exponent.front() == '+' || exponent.front() == '-')) {
            sign = exponent.front();
            exponent.remove_prefix(1);
        }
        text.push_back('E');
        text.push_back(sign);
        for (std::size_t i = exponent.size(); i < static_cast<std::size_t>(minExponentDigits); ++i)
            text.push_back('0');
        text.append(exponent);
    }
    return text;
}

std::string nonFiniteText(double value)
{
    if (std::isnan(value))
        return "NAN";
    return value < 0 ? "-INF" : "INF";
}

std::string formatExponential(double value, std::int32_t decimals, std::string_view separator)
{
    if (!std::isfinite(value))
        return nonFiniteText(value);
    TTextBuffer buffer;
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::scientific, clampDecimals(decimals));
    if (result.ec != std::errc{})
        return {};
    return finish(buffer.data(), result.ptr, separator);
}

std::string formatFixed(double value, std::int32_t decimals, std::string_view separator)
{
    if (!std::isfinite(value))
        return nonFiniteText(value);
    if (std::fabs(value) >= fixedLimit)
        return formatExponential(value, DefaultExponentialDecimals, separator);
    TTextBuffer buffer;
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, clampDecimals(decimals));
    if (result.ec != std::errc{})
        return {};
    return finish(buffer.data(), result.ptr, separator);
}

} // namespace

void SetDisplayDecimalSeparator(char32_t separator)
{
    displaySeparator.store(isUsableSeparator(separator) ? separator : U'.', std::memory_order_relaxed);
}

char32_t DisplayDecimalSeparator()
{
    return displaySeparator.load(std::memory_order_relaxed);
}

std::string DisplayDecimalSeparatorText()
{
    return std::string(TSeparatorText(DisplayDecimalSeparator()).View());
}

std::int32_t DecimalsForRange(std::int32_t digits, bool exactDigits, double rangeA, double rangeB)
{
    if (exactDigits)
        return digits;
    if (digits <= 0)
        return 0;
    const double width = std::fabs(rangeA - rangeB);
    if (!std::isfinite(width))
        return 0;
    // In 64 bits: a large Digits and a tiny width would overflow 32.
    std::int64_t decimals = 0;
    if (width != 0)
        decimals = std::int64_t{digits} - (static_cast<std::int64_t>(std::trunc(std::log10(width))) + 1);
    if (width < 1.0)
        ++decimals;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(decimals, 0, std::numeric_limits<std::int32_t>::max()));
}

std::string FloatToDisplayText(bool exactDigits, std::int32_t digits, bool exponential, double value,
                               double rangeA, double rangeB)
{
    return FloatToDisplayText(exactDigits, digits, exponential, value, rangeA, rangeB, DisplayDecimalSeparator());
}

std::string FloatToDisplayText(bool exactDigits, std::int32_t digits, bool exponential, double value,
                               double rangeA, double rangeB, char32_t decimalSeparator)
{
    const TSeparatorText separator(decimalSeparator);
    if (exponential)
        return formatExponential(value, exactDigits ? digits : DefaultExponentialDecimals, separator.View());
    std::string text = formatFixed(value, DecimalsForRange(digits, exactDigits, rangeA, rangeB), separator.View());
    if (exactDigits && text.find('E') != std::string::npos)
        text = TrimExponentText(std::move(text), digits, decimalSeparator);
    return text;
}

std::string TrimExponentText(std::string text, std::int32_t digits)
{
    return TrimExponentText(std::move(text), digits, DisplayDecimalSeparator());
}

std::string TrimExponentText(std::string text, std::int32_t digits, char32_t decimalSeparator)
{
    const TSeparatorText separatorText(decimalSeparator);
    const std::string_view separator = separatorText.View();
    const std::size_t e = text.find('E');
    if (e == std::string::npos)
        return text;
    const std::size_t p = text.find(separator);
    if (p < e && digits == -1) {
        // One fewer than no decimal: the separator goes with the decimals.
        text.erase(p, e - p);
    } else if (p < e) {
        // Fewer still would cut integer digits; the separator stays instead.
        const std::size_t fraction = p + separator.size();
        const std::size_t kept = static_cast<std::size_t>(std::max<std::int32_t>(digits, 0));
        if (kept < e - fraction)
            text.erase(fraction + kept, e - fraction - kept);
    }
    // Only a zero right after the "E": the formatter's exponent always has
    // its sign there, so its digits stay as written.
    for (std::size_t zero = text.find("E0"); zero != std::string::npos; zero = text.find("E0", zero))
        text.erase(zero + 1, 1);
    return text;
}
