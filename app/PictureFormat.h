#pragma once

#include <QLocale>
#include <QString>
#include <QStringView>

// Formats a number by a picture: "0" a digit always shown, "#" a digit shown
// when significant, "," thousands grouping, "." the decimal point. The
// separators shown are the locale's. Rounds half away from zero on the
// number's 15-digit decimal form, so 0.285 with two decimals gives 0.29.
QString FormatFloatPicture(double value, QStringView picture, const QLocale& locale = QLocale());
