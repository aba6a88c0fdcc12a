#include "framework/FloatToDisplayText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <ostream>
#include <random>
#include <string>

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr std::int32_t maxInt = std::numeric_limits<std::int32_t>::max();
constexpr char32_t arabicSeparator = U'\u066B';

// ------------------------------------------------------------ decimals for a range

struct TDecimalsCase {
    const char* what;
    std::int32_t digits;
    bool exact;
    double a, b;
    std::int32_t expected;
};

class DecimalsForRangeTest : public ::testing::TestWithParam<TDecimalsCase> {};

TEST_P(DecimalsForRangeTest, Decimals)
{
    const TDecimalsCase& c = GetParam();
    EXPECT_EQ(DecimalsForRange(c.digits, c.exact, c.a, c.b), c.expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, DecimalsForRangeTest,
    ::testing::Values(TDecimalsCase{"three integer digits", 4, false, 0, 250, 1},
                      TDecimalsCase{"either order", 4, false, 250, 0, 1},
                      TDecimalsCase{"below one adds one", 4, false, 0, 0.05, 5},
                      TDecimalsCase{"exactly one", 4, false, 0, 1, 3},
                      TDecimalsCase{"a power of ten", 4, false, 0, 1000, 0},
                      TDecimalsCase{"clamped at zero", 2, false, 0, 1000000, 0},
                      TDecimalsCase{"zero width", 4, false, 7, 7, 1},
                      TDecimalsCase{"exact whatever the range", 3, true, 0, 1e9, 3},
                      TDecimalsCase{"no digits", 0, false, 0, 0.001, 0},
                      TDecimalsCase{"negative digits", -5, false, 0, 0.001, 0},
                      TDecimalsCase{"infinite end", 4, false, inf, 0, 0},
                      TDecimalsCase{"not-a-number end", 4, false, 1, nan, 0},
                      TDecimalsCase{"width overflows", 4, false, -1e308, 1e308, 0},
                      TDecimalsCase{"smallest width", 4, false, 0, 4.9e-324, 327},
                      TDecimalsCase{"huge digits, tiny width", maxInt, false, 0, 1e-300, maxInt},
                      TDecimalsCase{"huge digits, huge width", maxInt, false, 0, 1e300, maxInt - 301}));

// ------------------------------------------------------------ display texts

struct TTextCase {
    const char* what;
    bool exact;
    std::int32_t digits;
    bool exponential;
    double value, a, b;
    char32_t separator;
    std::string expected;
};

void PrintTo(const TTextCase& c, std::ostream* os)
{
    *os << c.what;
}

class FloatToDisplayTextTest : public ::testing::TestWithParam<TTextCase> {};

TEST_P(FloatToDisplayTextTest, Text)
{
    const TTextCase& c = GetParam();
    EXPECT_EQ(FloatToDisplayText(c.exact, c.digits, c.exponential, c.value, c.a, c.b, c.separator), c.expected);
}

const std::string quarterTo40 = "0.25" + std::string(38, '0');

INSTANTIATE_TEST_SUITE_P(
    Texts, FloatToDisplayTextTest,
    ::testing::Values(
        TTextCase{"range 0..250 keeps one decimal", false, 4, false, 3.14159, 0, 250, U'.', "3.1"},
        TTextCase{"comma separator", false, 4, false, 3.14159, 0, 250, U',', "3,1"},
        TTextCase{"small range", false, 4, false, 0.0123456, 0, 0.05, U'.', "0.01235"},
        TTextCase{"wide range rounds to integers", false, 2, false, 1234567.5, 0, 1e6, U'.', "1234568"},
        TTextCase{"zero range, half to even", false, 3, false, 2.25, 5, 5, U'.', "2.2"},
        TTextCase{"exact fixed ignores the range", true, 3, false, 2.5, 0, 1e6, U',', "2,500"},
        TTextCase{"no digits", false, 0, false, 2.7, 0, 0.001, U'.', "3"},
        TTextCase{"exact negative digits as none", true, -7, false, 3.5, 0, 1, U'.', "4"},
        TTextCase{"zero loses its minus", true, 1, false, -0.04, 0, 1, U'.', "0.0"},
        TTextCase{"negative value", false, 4, false, -12.345, 0, 100, U'.', "-12.3"},
        TTextCase{"multi-byte separator", false, 4, false, 3.14159, 0, 250, arabicSeparator, "3\u066B1"},
        TTextCase{"unusable separator falls back", false, 4, false, 3.14159, 0, 250, U'E', "3.1"},
        TTextCase{"exponential exact", true, 2, true, 1234.5, 0, 0, U'.', "1.23E+003"},
        TTextCase{"exponential without decimals", true, 0, true, 1234.5, 0, 0, U'.', "1E+003"},
        TTextCase{"exponential, negative exponent", true, 1, true, -0.000256, 0, 0, U'.', "-2.6E-004"},
        TTextCase{"exponential default decimals", false, 2, true, 1234.5, 0, 0, U'.', "1.23450000000000E+003"},
        TTextCase{"smallest double", false, 0, true, 4.9406564584124654e-324, 0, 0, U'.', "4.94065645841247E-324"},
        TTextCase{"fixed falls back, exact cuts", true, 3, false, 1.234567e20, 0, 1, U'.', "1.234E+20"},
        TTextCase{"fixed falls back, exact none", true, 0, false, 5e18, 0, 1, U',', "5E+18"},
        TTextCase{"fixed falls back, not exact keeps all", false, 3, false, -2.5e19, 0, 1, U'.', "-2.50000000000000E+019"},
        TTextCase{"just below the fall-back", true, 0, false, 9.99e17, 0, 1, U'.', "999000000000000000"},
        TTextCase{"not a number", true, 3, false, nan, 0, 1, U'.', "NAN"},
        TTextCase{"infinity in an infinite range", false, 3, false, inf, -inf, inf, U'.', "INF"},
        TTextCase{"huge digits are bounded", true, maxInt, false, 0.25, 0, 1, U'.', quarterTo40},
        TTextCase{"huge digits, exponential", true, maxInt, true, 0.25, 0, 1, U'.',
                  "2.5" + std::string(39, '0') + "E-001"},
        TTextCase{"tiny range is bounded", false, 4, false, 0.25, 0, 1e-300, U'.', quarterTo40}));

// ------------------------------------------------------------ exponent trimming

struct TTrimCase {
    std::string text;
    std::int32_t digits;
    char32_t separator;
    std::string expected;
};

void PrintTo(const TTrimCase& c, std::ostream* os)
{
    *os << c.text << " / " << c.digits;
}

class TrimExponentTextTest : public ::testing::TestWithParam<TTrimCase> {};

TEST_P(TrimExponentTextTest, Trimmed)
{
    const TTrimCase& c = GetParam();
    EXPECT_EQ(TrimExponentText(c.text, c.digits, c.separator), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Texts, TrimExponentTextTest,
                         ::testing::Values(TTrimCase{"1.23456E+003", 2, U'.', "1.23E+3"},
                                           TTrimCase{"1.23456E+003", 5, U'.', "1.23456E+3"},
                                           TTrimCase{"1,23456E+003", 2, U',', "1,23E+3"},
                                           TTrimCase{"1.23456E+003", 2, U',', "1.23456E+3"},
                                           TTrimCase{"1\u066B23456E+003", 2, arabicSeparator, "1\u066B23E+3"},
                                           TTrimCase{"1.5E+003", 0, U'.', "1E+3"},
                                           TTrimCase{"1.5E+003", -4, U'.', "1E+3"},
                                           TTrimCase{"2.5E-007", 3, U'.', "2.5E-7"},
                                           TTrimCase{"1.5E+010", 3, U'.', "1.5E+10"},
                                           TTrimCase{"1.5E+100", 3, U'.', "1.5E+100"},
                                           TTrimCase{"1E0", 5, U'.', "1E0"},
                                           TTrimCase{"1E00", 5, U'.', "1E0"},
                                           TTrimCase{"1E+000", 5, U'.', "1E+0"},
                                           TTrimCase{"12.5", 0, U'.', "12.5"},
                                           TTrimCase{"1E", 2, U'.', "1E"},
                                           TTrimCase{"E.05", 0, U'.', "E.05"}));

// ------------------------------------------------------------ sweep against the rules

// The rules read again from the runtime's printf: "%.*f" and "%.*e" give the
// digits, and the text is dressed by hand.
std::string dressed(std::string raw, const std::string& separator)
{
    std::string mantissa = raw.substr(0, raw.find('e'));
    std::string exponent = raw.find('e') == std::string::npos ? std::string() : raw.substr(raw.find('e') + 1);
    bool allZero = true;
    for (std::size_t i = 1; i < mantissa.size(); ++i)
        allZero = allZero && (mantissa[i] == '0' || mantissa[i] == '.');
    if (mantissa[0] == '-' && allZero)
        mantissa.erase(0, 1);
    if (auto dot = mantissa.find('.'); dot != std::string::npos)
        mantissa.replace(dot, 1, separator);
    if (exponent.empty())
        return mantissa;
    const char sign = exponent[0];
    exponent.erase(0, 1);
    while (exponent.size() < 3)
        exponent.insert(0, "0");
    return mantissa + "E" + sign + exponent;
}

std::string printed(const char* format, int precision, double value)
{
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, format, precision, value);
    return buffer;
}

std::string expectedText(bool exact, std::int32_t digits, bool exponential, double value, double a, double b,
                         const std::string& separator)
{
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value > 0 ? "INF" : "-INF";
    auto clamp = [](std::int64_t n) { return static_cast<int>(n < 0 ? 0 : n > 40 ? 40 : n); };
    if (exponential)
        return dressed(printed("%.*e", exact ? clamp(digits) : 14, value), separator);

    std::int64_t decimals = digits;
    if (!exact) {
        const double width = std::fabs(a - b);
        if (digits <= 0 || !std::isfinite(width)) {
            decimals = 0;
        } else if (width == 0) {
            decimals = 1;
        } else {
            const double l = std::log10(width);
            const std::int64_t integerDigits =
                (l < 0 ? static_cast<std::int64_t>(std::ceil(l)) : static_cast<std::int64_t>(std::floor(l))) + 1;
            decimals = digits - integerDigits + (width < 1 ? 1 : 0);
        }
    }
    if (std::fabs(value) < 1e18)
        return dressed(printed("%.*f", clamp(decimals), value), separator);
    std::string text = dressed(printed("%.*e", 14, value), separator);
    if (!exact)
        return text;
    const std::size_t e = text.find('E');
    const std::size_t p = text.find(separator);
    if (digits <= 0)
        text.erase(p, e - p);
    else if (static_cast<std::size_t>(digits) < e - p - separator.size())
        text.erase(p + separator.size() + static_cast<std::size_t>(digits), e - p - separator.size() - static_cast<std::size_t>(digits));
    const std::size_t exponentStart = text.find('E') + 2;
    while (text[exponentStart] == '0' && exponentStart + 1 < text.size())
        text.erase(exponentStart, 1);
    return text;
}

TEST(FloatToDisplayText, SweepMatchesAnIndependentReadingOfTheRules)
{
    std::mt19937_64 random(20261207);
    std::uniform_real_distribution<double> mantissa(-10, 10);
    std::uniform_int_distribution<int> exponent(-30, 25);
    std::uniform_int_distribution<int> digitsOf(-2, 45);
    std::uniform_int_distribution<int> pick(0, 99);
    auto realValue = [&] {
        switch (pick(random)) {
        case 0: return 0.0;
        case 1: return -0.0;
        case 2: return inf;
        case 3: return -inf;
        case 4: return nan;
        default: return mantissa(random) * std::pow(10.0, exponent(random));
        }
    };
    for (int i = 0; i < 20000; ++i) {
        const bool exact = pick(random) < 50;
        const bool exponential = pick(random) < 30;
        const std::int32_t digits = digitsOf(random);
        const double value = realValue();
        const double a = realValue();
        const double b = pick(random) < 10 ? a : realValue();
        const bool comma = pick(random) < 50;
        const std::string expected = expectedText(exact, digits, exponential, value, a, b, comma ? "," : ".");
        ASSERT_EQ(FloatToDisplayText(exact, digits, exponential, value, a, b, comma ? U',' : U'.'), expected)
            << "exact " << exact << " digits " << digits << " exponential " << exponential << " value " << value
            << " range " << a << " .. " << b;
    }
}

TEST(FloatToDisplayText, TheProgramsSeparatorIsUsedByDefault)
{
    const char32_t before = DisplayDecimalSeparator();
    SetDisplayDecimalSeparator(U',');
    EXPECT_EQ(FloatToDisplayText(true, 2, false, 1.5, 0, 1), "1,50");
    EXPECT_EQ(TrimExponentText("1,2345E+004", 1), "1,2E+4");
    SetDisplayDecimalSeparator(U'7');
    EXPECT_EQ(DisplayDecimalSeparator(), U'.');
    SetDisplayDecimalSeparator(before);
}

} // namespace
