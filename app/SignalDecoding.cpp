#include "app/SignalDecoding.h"

#include "app/PictureFormat.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace signal_decoding {

namespace {

constexpr AxisEnd fixedEnd(double v)
{
    return {false, v, v};
}
constexpr AxisEnd belowMin(double margin, double otherwise)
{
    return {true, -margin, otherwise};
}
constexpr AxisEnd aboveMax(double margin, double otherwise)
{
    return {true, margin, otherwise};
}
constexpr SignalRanges fromValues(AxisEnd axisMin, AxisEnd axisMax)
{
    return {axisMin, axisMax, true, 0, 0};
}
constexpr SignalRanges fixedRanges(double axisMin, double axisMax, double dataMin, double dataMax)
{
    return {fixedEnd(axisMin), fixedEnd(axisMax), false, dataMin, dataMax};
}

constexpr double word(int h, int l)
{
    return h * 256.0 + l;
}

constexpr std::array<SignalInfo, 16> signalTable{{
    {1, false, "Rotação", "Rotação (RPM)", true, [](int h, int l) { return word(h, l) * 10; }, "RPM", "##,##0",
     {66, 174, 85}, fromValues(fixedEnd(0), aboveMax(500, 16000))},
    {3, false, "TI(A)", "Tempo Injeção A (ms)", true, [](int h, int l) { return word(h, l) / 1000; }, "ms", "#0.00",
     {218, 179, 22}, fromValues(fixedEnd(0), aboveMax(3, 65.5))},
    {5, false, "TI(B)", "Tempo Injeção B (ms)", true, [](int h, int l) { return word(h, l) / 1000; }, "ms", "#0.00",
     {128, 128, 128}, fromValues(fixedEnd(0), aboveMax(3, 65.5))},
    {7, false, "MAP", "MAP (bar)", true, [](int h, int l) { return (word(h, l) - 100) / 100; }, "bar", "#0.00",
     {255, 0, 0}, fromValues(fixedEnd(-1), aboveMax(1, 6))},
    {9, false, "Sonda", "Sonda (V)", true, [](int h, int l) { return word(h, l) / 1000; }, "V", "#0.000",
     {145, 71, 184}, fixedRanges(0, 2, 0, 1)},
    {9, true, "WideBand", "Sonda WideBand (?)", true, [](int, int l) { return l / 100.0; }, "?", "0.00",
     {145, 71, 184}, fixedRanges(0, 1.5, 0, 1.3)},
    {10, false, "TPS", "TPS (%)", false, [](int, int l) { return double(l); }, "%", "##0.00", {0, 0, 255},
     fixedRanges(0, 100, 0, 100)},
    {11, false, "Ponto", "Ponto Ignição (°)", false, [](int, int l) { return (l - 39) / 4.0; }, "°", "#0.00",
     {0, 0, 0}, fixedRanges(-10, 60, -10, 60)},
    {12, false, "Duty(A)", "Abertura Bico Injetor A (%)", false, [](int, int l) { return double(l); }, "%",
     "##0.00", {254, 239, 61}, fixedRanges(0, 255, 0, 100)},
    {13, false, "Duty(B)", "Abertura Bico Injetor B (%)", false, [](int, int l) { return double(l); }, "%",
     "##0.00", {155, 128, 100}, fixedRanges(0, 255, 0, 100)},
    {15, false, "DWell", "Carga Bobina DWELL (ms)", true, [](int h, int l) { return word(h, l) / 1000; }, "ms",
     "0.00", {96, 139, 159}, fromValues(fixedEnd(0), aboveMax(1, 6))},
    {16, false, "Temp.Motor", "Temp.Motor (°C)", false, [](int, int l) { return l - 30.0; }, "°C", "##0.00",
     {251, 4, 233}, fromValues(belowMin(10, -30), aboveMax(10, 225))},
    {17, false, "Temp.Ar", "Temp.Ar (°C)", false, [](int, int l) { return l - 30.0; }, "°C", "##0.00",
     {250, 160, 248}, fromValues(belowMin(10, -30), aboveMax(10, 225))},
    {18, false, "Bateria", "Tensão Bateria (V)", false, [](int, int l) { return l / 10.0; }, "V", "#0.00",
     {247, 135, 23}, fromValues(belowMin(3, 0), aboveMax(3, 25))},
    {19, false, "Booster", "Estagio de Booster", false, [](int, int l) { return double(l); }, "", "0", {0, 255, 255},
     fixedRanges(-1, 5, -1, 5)},
    {20, false, "Botão", "Botão de Corte", false, [](int, int l) { return double(l & 1); }, "", "*B",
     {128, 0, 64}, fixedRanges(-1, 2, -1, 2)},
}};

constexpr int wideBandMarker = 0x80;

double pickEnd(const AxisEnd& end, bool autoScale, double extreme)
{
    if (!autoScale)
        return end.fixed;
    return end.fromData ? extreme + end.value : end.value;
}

} // namespace

const SignalInfo* FindSignal(int id, bool wideBand)
{
    for (const SignalInfo& info : signalTable) {
        if (info.id == id && info.wideBand == (wideBand && id == 9))
            return &info;
    }
    return nullptr;
}

bool HasHighColumn(int id)
{
    const SignalInfo* info = FindSignal(id);
    return info != nullptr && info->twoBytes;
}

std::optional<DecodedSignal> DecodeSignal(int id, std::span<const std::uint8_t> high,
                                          std::span<const std::uint8_t> low, bool autoScale)
{
    const SignalInfo* info = FindSignal(id);
    if (info == nullptr)
        return std::nullopt;
    const std::size_t rows = info->twoBytes ? std::min(high.size(), low.size()) : low.size();
    if (id == 9 && rows > 0 && high[0] == wideBandMarker)
        info = FindSignal(9, true);

    DecodedSignal out{info, {}, 0, 0, 0, 0};
    out.values.resize(rows);
    double minimum = runningMinStart;
    double maximum = runningMaxStart;
    for (std::size_t i = 0; i < rows; ++i) {
        const double y = info->decode(info->twoBytes ? high[i] : 0, low[i]);
        out.values[i] = y;
        if (y < minimum)
            minimum = y;
        if (y > maximum)
            maximum = y;
    }
    // Without rows the running extremes never move and would give an axis
    // upside down (0 .. -9999499 for engine speed): such a signal takes the
    // fixed ranges instead.
    const bool useData = autoScale && rows > 0;
    out.axisMin = pickEnd(info->ranges.axisMin, useData, minimum);
    out.axisMax = pickEnd(info->ranges.axisMax, useData, maximum);
    if (!info->ranges.dataFromValues) {
        out.dataMin = info->ranges.dataMin;
        out.dataMax = info->ranges.dataMax;
    } else if (rows > 0) {
        out.dataMin = minimum;
        out.dataMax = maximum;
    } else {
        out.dataMin = out.axisMin;
        out.dataMax = out.axisMax;
    }
    return out;
}

std::optional<QString> FormatReading(double value, const QString& format, const QString& unit,
                                     const QLocale& locale)
{
    if (!format.startsWith(u'*'))
        return FormatFloatPicture(value, format, locale) + unit;
    if (format.size() > 1 && format[1] == u'B')
        return value >= 1 ? QStringLiteral("Solto") : QStringLiteral("Pressionado");
    return std::nullopt;
}

} // namespace signal_decoding
