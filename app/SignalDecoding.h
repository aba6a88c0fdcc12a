#pragma once

#include <QColor>
#include <QLocale>
#include <QString>

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// The logger's signals: how the stored bytes of each one become engineering
// values, and how the chart window names, formats, colours and scales it.
namespace signal_decoding {

// One end of an axis range: fixed, or the signal's extreme plus a margin
// when the chart is auto-scaled.
struct AxisEnd {
    bool fromData;   // with auto-scale: extreme + value; otherwise: value
    double value;
    double fixed;    // without auto-scale
};

struct SignalRanges {
    AxisEnd axisMin;
    AxisEnd axisMax;
    bool dataFromValues; // data range min .. max of the values, else below
    double dataMin;
    double dataMax;
};

struct Rgb {
    std::uint8_t r, g, b;
};

struct SignalInfo {
    int id;
    bool wideBand;
    const char* shortName; // UTF-8
    const char* longName;
    bool twoBytes;
    double (*decode)(int high, int low);
    const char* unit;
    const char* format;
    Rgb colour;
    SignalRanges ranges;

    QString ShortName() const { return QString::fromUtf8(shortName); }
    QString LongName() const { return QString::fromUtf8(longName); }
    QString Unit() const { return QString::fromUtf8(unit); }
    QString Format() const { return QString::fromUtf8(format); }
    QColor Colour() const { return QColor(colour.r, colour.g, colour.b); }
};

// The entry of a signal id (the wide-band variant of id 9 on request); none
// for the high-byte ids and ids above 20.
const SignalInfo* FindSignal(int id, bool wideBand = false);

// Whether a signal of this id stores a high-byte column before its low one.
bool HasHighColumn(int id);

// Starting points of the running extremes; a value replaces them only when
// strictly beyond.
inline constexpr double runningMinStart = 99999999.0;
inline constexpr double runningMaxStart = -9999999.0;

struct DecodedSignal {
    const SignalInfo* info;
    std::vector<double> values;
    double axisMin;
    double axisMax;
    double dataMin;
    double dataMax;
};

// Decodes one signal of a log: its low (or single) column and, for two-byte
// signals, its high column (same number of rows). Id 9 becomes the wide-band
// variant when the high byte of its first row is 0x80. None for ids without
// an entry.
std::optional<DecodedSignal> DecodeSignal(int id, std::span<const std::uint8_t> high,
                                          std::span<const std::uint8_t> low, bool autoScale);

// The value as the chart window's side list shows it: by the channel's
// picture format followed directly by its unit, or for "*B" formats the
// button state. None when a "*" format names no known kind.
std::optional<QString> FormatReading(double value, const QString& format, const QString& unit,
                                     const QLocale& locale = QLocale());

} // namespace signal_decoding
