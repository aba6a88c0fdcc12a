#include "framework/text/OWValueText.h"

#include "framework/text/FloatToDisplayText.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <ctime>

namespace {

// Days from 1970-01-01 to the civil date (proleptic Gregorian).
void civilFromDays(std::int64_t days, std::int64_t& year, unsigned& month, unsigned& day)
{
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned mp = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * mp + 2) / 5 + 1;
    month = mp < 10 ? mp + 3 : mp - 9;
    year = static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0);
}

// 30 December 1899 counted from 1 January 1970.
constexpr std::int64_t epochOffsetDays = -25569;
constexpr std::int64_t millisecondsPerDay = 86400000;

} // namespace

std::string RealToGeneralText(double value)
{
    char text[64];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 15);
    std::string result(text, error == std::errc() ? end : text);
    const auto point = result.find('.');
    if (point != std::string::npos)
        result.replace(point, 1, DisplayDecimalSeparatorText());
    return result;
}

std::string DateTimeToText(double dateTime)
{
    // About the years 1 and 9999 either side of the epoch.
    if (!std::isfinite(dateTime) || dateTime < -693593.0 || dateTime >= 2958466.0)
        return RealToGeneralText(dateTime);
    const double wholeDays = std::trunc(dateTime);
    std::int64_t days = static_cast<std::int64_t>(wholeDays);
    auto milliseconds = static_cast<std::int64_t>(std::llround(std::fabs(dateTime - wholeDays) * millisecondsPerDay));
    if (milliseconds >= millisecondsPerDay) {
        // Rounded up to the next midnight.
        milliseconds -= millisecondsPerDay;
        days += dateTime < 0 ? -1 : 1;
    }
    std::int64_t year = 0;
    unsigned month = 0;
    unsigned day = 0;
    civilFromDays(days + epochOffsetDays, year, month, day);
    std::tm parts{};
    parts.tm_year = static_cast<int>(year - 1900);
    parts.tm_mon = static_cast<int>(month - 1);
    parts.tm_mday = static_cast<int>(day);
    const auto seconds = milliseconds / 1000;
    parts.tm_hour = static_cast<int>(seconds / 3600);
    parts.tm_min = static_cast<int>(seconds / 60 % 60);
    parts.tm_sec = static_cast<int>(seconds % 60);
    char text[128];
    const std::size_t length = std::strftime(text, sizeof text, "%x %X", &parts);
    return std::string(text, length);
}
