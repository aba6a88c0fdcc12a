#pragma once
// Display texts of real values, for tick labels: fixed notation with as many
// decimals as the visible range calls for, or exponential notation, tidied.
//
// The formatter's rules (every text here is built by them):
// - Fixed form with n decimals: an optional "-", the integer digits, then,
//   when n > 0, the decimal separator and exactly n digits, correctly
//   rounded (half to even on the exact binary value).
// - Exponential form with n decimals: an optional "-", one digit, then, when
//   n > 0, the separator and n digits, then "E", the exponent's sign ("+" or
//   "-", always written) and at least three exponent digits:
//   1.50E+003, 2E-005, 4.94065645841247E-324.
// - A precision is a count of decimals, clamped to 0 .. MaxDisplayDecimals;
//   an exponential form asked for without one writes
//   DefaultExponentialDecimals decimals (15 significant digits, all a double
//   carries).
// - The fixed form falls back to the exponential one with
//   DefaultExponentialDecimals decimals when |value| >= 1E18 (more integer
//   digits than a double holds); FloatToDisplayText then shortens its
//   decimals with TrimExponentText in the exact-digits case.
// - A text that rounds to zero carries no minus sign ("0.0", never "-0.0").
// - Not-a-number is "NAN", infinities are "INF" and "-INF".
// - No blanks or control characters are written, so there is nothing to trim.
// Every text is at most a few dozen characters long, whatever is asked.
//
// The decimal separator is the locale's: the program sets it once from its
// locale (SetDisplayDecimalSeparator); the overloads that take one are for
// callers that know better, and for tests.
#include <cstdint>
#include <string>

inline constexpr std::int32_t MaxDisplayDecimals = 40;
inline constexpr std::int32_t DefaultExponentialDecimals = 14;

// A character that is not a valid code point, or that the texts use
// themselves (a digit, a sign, "E"), leaves the separator at ".".
void SetDisplayDecimalSeparator(char32_t separator);
char32_t DisplayDecimalSeparator();
// The display separator as UTF-8, for texts formed elsewhere.
std::string DisplayDecimalSeparatorText();

// Decimals for a fixed text of a value in the visible range RangeA .. RangeB
// (either order): Digits when ExactDigits; otherwise 0 when Digits <= 0,
// else Digits less the integer digits of the range's width, one more when
// the width is below 1, never below 0. A zero width gives 1 decimal
// whatever Digits (above 0); a width that is not finite (an infinite or
// not-a-number end) gives 0 decimals.
std::int32_t DecimalsForRange(std::int32_t digits, bool exactDigits, double rangeA, double rangeB);

// Not Exponential: the fixed form with DecimalsForRange decimals (with
// ExactDigits, a fall-back exponential text is cut to Digits decimals by
// TrimExponentText). Exponential: the exponential form with Digits decimals
// when ExactDigits, with the default decimals otherwise.
std::string FloatToDisplayText(bool exactDigits, std::int32_t digits, bool exponential, double value,
                               double rangeA, double rangeB);
std::string FloatToDisplayText(bool exactDigits, std::int32_t digits, bool exponential, double value,
                               double rangeA, double rangeB, char32_t decimalSeparator);

// Tidies an exponential text: when a separator comes before the first "E",
// keeps at most Digits digits after it (0 keeps none, the separator itself
// stays: "1.E+003"; -1 takes the separator too: "1E+003"; lower values, which
// would reach into the integer digits, keep none and the separator, as 0
// does); then, for as long as the text holds an "E" with a "0" right after
// it, takes that "0" away: "1E05" gives "1E5", "1E00" gives "1E", while
// "1.23456E+003" with 2 gives "1.23E+003" (the sign stands between). Cuts,
// never rounds.
std::string TrimExponentText(std::string text, std::int32_t digits);
std::string TrimExponentText(std::string text, std::int32_t digits, char32_t decimalSeparator);
