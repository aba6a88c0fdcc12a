#pragma once
// Texts of single values as the program shows them to users: reals in
// general format with up to 15 significant digits and the display decimal
// separator (the log list's form), date-times in the default date and time
// form of the process's locale.
#include <string>

std::string RealToGeneralText(double value);

// Days since 30 December 1899, the fraction being the time of day (also for
// days before it: -1.25 is 29 December 1899, 06:00). A value outside the
// years 1 to 9999, or not a number, is written as a real.
std::string DateTimeToText(double dateTime);
