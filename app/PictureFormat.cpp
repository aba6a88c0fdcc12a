#include "app/PictureFormat.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace {

struct Picture {
    int minIntegerDigits = 0;
    int minDecimals = 0;
    int maxDecimals = 0;
    bool grouping = false;
};

Picture parse(QStringView picture)
{
    Picture p;
    bool afterPoint = false;
    for (const QChar c : picture) {
        if (c == u'.') {
            afterPoint = true;
        } else if (c == u',') {
            p.grouping = p.grouping || !afterPoint;
        } else if (c == u'0') {
            (afterPoint ? p.minDecimals : p.minIntegerDigits)++;
            if (afterPoint)
                p.maxDecimals++;
        } else if (c == u'#' && afterPoint) {
            p.maxDecimals++;
        }
    }
    return p;
}

// |value| as decimal digits with the point after `pointAt` of them, rounded
// half up at `decimals` places from its 15 significant digits.
std::string roundedDigits(double magnitude, int decimals, int& pointAt)
{
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.14e", magnitude);
    // "d.dddddddddddddde+XX"
    std::string digits;
    digits += buffer[0];
    digits.append(buffer + 2, 14);
    const int exponent = std::atoi(buffer + 17);
    pointAt = exponent + 1;
    if (pointAt < 0) {
        digits.insert(0, static_cast<std::size_t>(-pointAt), '0');
        pointAt = 0;
    }
    const int keep = pointAt + decimals;
    if (keep < static_cast<int>(digits.size())) {
        const bool up = keep >= 0 && digits[static_cast<std::size_t>(keep)] >= '5';
        digits.resize(static_cast<std::size_t>(std::max(keep, 0)));
        if (up) {
            int i = keep - 1;
            for (; i >= 0; --i) {
                if (digits[static_cast<std::size_t>(i)] == '9') {
                    digits[static_cast<std::size_t>(i)] = '0';
                } else {
                    ++digits[static_cast<std::size_t>(i)];
                    break;
                }
            }
            if (i < 0) {
                digits.insert(0, 1, '1');
                ++pointAt;
            }
        }
    }
    digits.append(static_cast<std::size_t>(std::max(0, pointAt + decimals - static_cast<int>(digits.size()))), '0');
    return digits;
}

} // namespace

QString FormatFloatPicture(double value, QStringView picture, const QLocale& locale)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");

    const Picture p = parse(picture);
    int pointAt = 0;
    const std::string digits = value == 0 ? std::string(static_cast<std::size_t>(p.maxDecimals), '0')
                                          : roundedDigits(std::abs(value), p.maxDecimals, pointAt);

    std::string integer = digits.substr(0, static_cast<std::size_t>(pointAt));
    std::string fraction = digits.substr(static_cast<std::size_t>(pointAt));
    integer.erase(0, std::min(integer.find_first_not_of('0'), integer.size()));
    if (static_cast<int>(integer.size()) < p.minIntegerDigits)
        integer.insert(0, static_cast<std::size_t>(p.minIntegerDigits) - integer.size(), '0');
    while (static_cast<int>(fraction.size()) > p.minDecimals && !fraction.empty() && fraction.back() == '0')
        fraction.pop_back();

    QString text;
    if (value < 0 && (integer.find_first_not_of('0') != std::string::npos ||
                      fraction.find_first_not_of('0') != std::string::npos))
        text += locale.negativeSign();
    const QString group = locale.groupSeparator();
    for (std::size_t i = 0; i < integer.size(); ++i) {
        if (p.grouping && i > 0 && (integer.size() - i) % 3 == 0)
            text += group;
        text += QLatin1Char(integer[i]);
    }
    if (!fraction.empty()) {
        text += locale.decimalPoint();
        text += QString::fromLatin1(fraction.data(), static_cast<qsizetype>(fraction.size()));
    }
    return text;
}
