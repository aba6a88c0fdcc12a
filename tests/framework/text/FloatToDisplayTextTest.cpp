#include "framework/text/FloatToDisplayText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr std::int32_t maxInt = std::numeric_limits<std::int32_t>::max();

// The random sweep below covers ordinary values, ranges and digits; the tables
// hold the edges it cannot reach: exact powers of ten, ties, 32-bit overflow,
// three-digit exponents, odd separators and odd texts.
TEST(FloatToDisplayText, EdgesOfTheRules)
{
    struct Case {
        bool exact;
        std::int32_t digits;
        bool exponential;
        double value, a, b;
        char32_t separator;
        std::string expected;
    } const cases[] = {
        {false, 4, false, 0.25, 0, 1, U'.', "0.250"},
        {false, 4, false, 0.25, 0, 1000, U'.', "0"},
        {false, 4, false, 0.25, -1e308, 1e308, U'.', "0"},
        {false, maxInt, false, 0.25, 0, 1e-300, U'.', "0.25" + std::string(38, '0')},
        {false, 3, false, 2.25, 5, 5, U'.', "2.2"}, // a tie goes to even
        {true, 0, false, 1e18, 0, 1, U'.', "1.E+018"},
        {true, 0, false, 9.99e17, 0, 1, U'.', "999000000000000000"},
        {false, 4, false, 3.14159, 0, 250, U'\u066B', "3\u066B1"},
        {false, 4, false, 3.14159, 0, 250, U'E', "3.1"},
        {false, 0, true, 4.9406564584124654e-324, 0, 0, U'.', "4.94065645841247E-324"},
        {true, maxInt, true, 0.25, 0, 0, U'.', "2.5" + std::string(39, '0') + "E-001"},
        {true, -1, false, 1.2345e20, 0, 1, U'.', "1E+020"},
        {true, -1, false, -1.2345e20, 0, 1, U',', "-1E+020"},
        {true, -2, false, 1.2345e20, 0, 1, U'.', "1.E+020"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FloatToDisplayText(c.exact, c.digits, c.exponential, c.value, c.a, c.b, c.separator), c.expected)
            << c.value << " in " << c.a << ".." << c.b;
}

TEST(TrimExponentText, EdgesOfTheRule)
{
    struct Case {
        std::string text;
        std::int32_t digits;
        char32_t separator;
        std::string expected;
    } const cases[] = {
        {"1.23456E+003", 2, U',', "1.23456E+003"}, {"1\u066B23456E+003", 2, U'\u066B', "1\u066B23E+003"},
        {"1.5E+003", -4, U'.', "1.E+003"},         {"2.5E-007", 3, U'.', "2.5E-007"},
        {"1.5E+100", 3, U'.', "1.5E+100"},         {"1E00", 5, U'.', "1E"},
        {"1E+000", 5, U'.', "1E+000"},             {"12.5", 0, U'.', "12.5"},
        {"1E", 2, U'.', "1E"},                     {"E.05", 0, U'.', "E.05"},
        {"1.25E+003", 0, U'.', "1.E+003"},         {"1.25E05", 1, U'.', "1.2E5"},
        {"1.5E0E0", 1, U'.', "1.5EE"},             {"1.5E50", 1, U'.', "1.5E50"},
        // One below no decimal takes the separator too; lower still would
        // cut integer digits, and keeps the separator instead.
        {"1.23456E+003", -1, U'.', "1E+003"},      {"1.E+003", -1, U'.', "1E+003"},
        {"1.25E05", -1, U'.', "1E5"},              {"12\u066B5E+003", -1, U'\u066B', "12E+003"},
        {"1E.5", -1, U'.', "1E.5"},                {"12.5", -1, U'.', "12.5"},
        {"12.5E+003", -2, U'.', "12.E+003"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TrimExponentText(c.text, c.digits, c.separator), c.expected) << c.text << " / " << c.digits;
}

// The rules read again from the runtime's printf ("%.*f" and "%.*e" give the
// digits) and dressed by hand.
std::string printed(const char* format, std::int64_t precision, double value, const std::string& separator)
{
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, format, static_cast<int>(std::clamp<std::int64_t>(precision, 0, 40)), value);
    std::string raw = buffer;
    const std::size_t e = std::min(raw.find('e'), raw.size());
    std::string mantissa = raw.substr(0, e);
    if (mantissa[0] == '-' && mantissa.find_first_not_of("0.", 1) == std::string::npos)
        mantissa.erase(0, 1);
    if (const auto dot = mantissa.find('.'); dot != std::string::npos)
        mantissa.replace(dot, 1, separator);
    if (e == raw.size())
        return mantissa;
    // The runtime writes at least two exponent digits.
    return mantissa + "E" + raw[e + 1] + (raw.size() - e - 2 < 3 ? "0" : "") + raw.substr(e + 2);
}

// The tidying steps as written, positions counted from 1 (0 for none), for a
// separator of one character. Digits below -1 would start the deletion
// among the integer digits; they keep the separator and no decimal, as 0.
std::string trimmedStepByStep(std::string text, std::int32_t digits, const std::string& separator)
{
    EXPECT_EQ(separator.size(), 1u);
    auto position = [&](const std::string& what) -> std::int64_t {
        const std::size_t at = text.find(what);
        return at == std::string::npos ? 0 : static_cast<std::int64_t>(at) + 1;
    };
    const std::int64_t e = position("E");
    const std::int64_t p = position(separator);
    const std::int64_t kept = digits < -1 ? 0 : digits;
    if (e >= 1 && p >= 1 && kept < e - p) {
        const std::int64_t first = p + kept + 1;
        text.erase(static_cast<std::size_t>(first - 1), static_cast<std::size_t>(e - first));
    }
    while (position("E0") >= 1)
        text.erase(static_cast<std::size_t>(position("E0")), 1);
    return text;
}

std::string expectedText(bool exact, std::int32_t digits, bool exponential, double value, double a, double b,
                         const std::string& separator)
{
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value > 0 ? "INF" : "-INF";
    if (exponential)
        return printed("%.*e", exact ? digits : 14, value, separator);
    const double width = std::fabs(a - b);
    std::int64_t decimals = digits;
    if (!exact)
        decimals = digits <= 0 || !std::isfinite(width) ? 0
                   : width == 0                         ? 1
                   : digits - (static_cast<std::int64_t>(std::trunc(std::log10(width))) + 1) + (width < 1);
    if (std::fabs(value) < 1e18)
        return printed("%.*f", decimals, value, separator);
    const std::string text = printed("%.*e", 14, value, separator);
    return exact ? trimmedStepByStep(text, digits, separator) : text;
}

TEST(FloatToDisplayText, SweepMatchesAnIndependentReadingOfTheRules)
{
    std::mt19937_64 random(20261207);
    std::uniform_real_distribution<double> mantissa(-10, 10);
    std::uniform_int_distribution<int> exponent(-30, 25);
    std::uniform_int_distribution<int> digitsOf(-2, 45);
    std::uniform_int_distribution<int> pick(0, 99);
    auto realValue = [&] {
        const double special[] = {0.0, -0.0, inf, -inf, nan};
        const int p = pick(random);
        return p < 5 ? special[p] : mantissa(random) * std::pow(10.0, exponent(random));
    };
    for (int i = 0; i < 20000; ++i) {
        const bool exact = pick(random) < 50;
        const bool exponential = pick(random) < 30;
        const std::int32_t digits = digitsOf(random);
        const double value = realValue();
        const double a = realValue();
        const double b = pick(random) < 10 ? a : realValue();
        const bool comma = pick(random) < 50;
        ASSERT_EQ(FloatToDisplayText(exact, digits, exponential, value, a, b, comma ? U',' : U'.'),
                  expectedText(exact, digits, exponential, value, a, b, comma ? "," : "."))
            << "exact " << exact << " digits " << digits << " exponential " << exponential << " value " << value
            << " range " << a << " .. " << b;
    }
}

TEST(FloatToDisplayText, TheProgramsSeparatorIsUsedByDefault)
{
    const char32_t before = DisplayDecimalSeparator();
    SetDisplayDecimalSeparator(U',');
    EXPECT_EQ(FloatToDisplayText(true, 2, false, 1.5, 0, 1), "1,50");
    EXPECT_EQ(TrimExponentText("1,2345E+004", 1), "1,2E+004");
    SetDisplayDecimalSeparator(U'7');
    EXPECT_EQ(DisplayDecimalSeparator(), U'.');
    SetDisplayDecimalSeparator(before);
}

} // namespace
