#include "app/PictureFormat.h"
#include "app/SignalDecoding.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

namespace {

using namespace signal_decoding;

struct DecodeCase {
    int id;
    int high;
    int low;
    double value;
    const char* shortName;
    const char* unit;
};

TEST(SignalTable, EveryIdDecodesItsBytesToTheEngineeringValue)
{
    const DecodeCase cases[] = {DecodeCase{1, 0x02, 0x0F, 5270, "Rotação", "RPM"}, DecodeCase{3, 0x01, 0x00, 0.256, "TI(A)", "ms"},
                    DecodeCase{5, 0x10, 0x00, 4.096, "TI(B)", "ms"}, DecodeCase{7, 0x00, 0x00, -1.0, "MAP", "bar"},
                    DecodeCase{7, 0x02, 0x58, 5.0, "MAP", "bar"}, DecodeCase{9, 0x03, 0xE8, 1.0, "Sonda", "V"},
                    DecodeCase{9, 0x80, 88, 0.88, "WideBand", "?"}, DecodeCase{10, 0x55, 55, 55, "TPS", "%"},
                    DecodeCase{11, 0, 39, 0, "Ponto", "°"}, DecodeCase{11, 0, 79, 10, "Ponto", "°"},
                    DecodeCase{11, 0, 0, -9.75, "Ponto", "°"}, DecodeCase{12, 0, 200, 200, "Duty(A)", "%"},
                    DecodeCase{13, 0, 7, 7, "Duty(B)", "%"}, DecodeCase{15, 0x01, 0xF4, 0.5, "DWell", "ms"},
                    DecodeCase{16, 0x12, 0, -30, "Temp.Motor", "°C"}, DecodeCase{17, 0, 100, 70, "Temp.Ar", "°C"},
                    DecodeCase{18, 0, 125, 12.5, "Bateria", "V"}, DecodeCase{19, 0, 3, 3, "Booster", ""},
                    DecodeCase{20, 0, 0xFE, 0, "Botão", ""}, DecodeCase{20, 0, 0x01, 1, "Botão", ""}};
    for (const DecodeCase& c : cases) {
        SCOPED_TRACE(c.id);
        const std::uint8_t high[] = {std::uint8_t(c.high)}, low[] = {std::uint8_t(c.low)};
        const auto decoded = DecodeSignal(c.id, high, low, false);
        ASSERT_TRUE(decoded.has_value());
        EXPECT_EQ(decoded->values, std::vector<double>{c.value});
        EXPECT_EQ(decoded->info->ShortName(), QString::fromUtf8(c.shortName));
        EXPECT_EQ(decoded->info->Unit(), QString::fromUtf8(c.unit));
    }
    const std::vector<std::uint8_t> bytes{1, 2, 3};
    for (const int id : {-1, 0, 2, 4, 6, 8, 14, 21, 255})
        EXPECT_FALSE(DecodeSignal(id, bytes, bytes, true).has_value()) << id;
}

TEST(SignalTable, WideBandIsChosenByTheFirstRowOnly)
{
    const std::vector<std::uint8_t> wideFirst{0x80, 0x00, 0x01};
    const std::vector<std::uint8_t> plainFirst{0x00, 0x80, 0x80};
    const std::vector<std::uint8_t> low{88, 100, 150};
    const auto wide = DecodeSignal(9, wideFirst, low, true);
    EXPECT_TRUE(wide->info->wideBand);
    EXPECT_EQ(wide->values, (std::vector<double>{0.88, 1.0, 1.5}));
    EXPECT_EQ(wide->info->Format(), "0.00");
    EXPECT_EQ(wide->axisMax, 1.5);
    EXPECT_EQ(wide->dataMax, 1.3);
    const auto plain = DecodeSignal(9, plainFirst, low, true);
    EXPECT_FALSE(plain->info->wideBand);
    EXPECT_DOUBLE_EQ(plain->values[1], 32.868);
    EXPECT_EQ(plain->info->Colour(), QColor(145, 71, 184));
}

struct RangeCase {
    int id;
    std::vector<int> low; // single-byte ids, or the low bytes with high 0
    bool autoScale;
    double axisMin, axisMax, dataMin, dataMax;
};

TEST(SignalTable, AxisAndDataRangeFollowTheAutoScaleState)
{
    const RangeCase cases[] = {RangeCase{1, {0x0F}, true, 0, 5770, 5270, 5270}, RangeCase{1, {0x0F}, false, 0, 16000, 5270, 5270},
                    RangeCase{16, {40, 120}, true, 0, 100, 10, 90}, RangeCase{16, {40, 120}, false, -30, 225, 10, 90},
                    RangeCase{18, {100, 140}, true, 7, 17, 10, 14}, RangeCase{18, {100}, false, 0, 25, 10, 10},
                    RangeCase{12, {50}, true, 0, 255, 0, 100}, RangeCase{11, {50}, true, -10, 60, -10, 60},
                    RangeCase{20, {1}, false, -1, 2, -1, 2},
                    // no rows: the fixed ranges, never an inverted axis
                    RangeCase{1, {}, true, 0, 16000, 0, 16000}, RangeCase{16, {}, true, -30, 225, -30, 225},
                    RangeCase{7, {}, false, -1, 6, -1, 6}};
    for (const RangeCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.id << (c.autoScale ? " auto" : " fixed"));
        std::vector<std::uint8_t> low(c.low.begin(), c.low.end());
        std::vector<std::uint8_t> high(low.size(), c.id == 1 ? 0x02 : 0); // 0x02 0x0F -> 5270 rpm
        const auto d = DecodeSignal(c.id, high, low, c.autoScale);
        ASSERT_TRUE(d.has_value());
        EXPECT_EQ((std::array{d->axisMin, d->axisMax, d->dataMin, d->dataMax}),
                  (std::array{c.axisMin, c.axisMax, c.dataMin, c.dataMax}));
    }
}

struct FormatCase {
    double value;
    const char* picture;
    const char* english;
    const char* brazilian;
};

TEST(Readings, PicturesUseTheLocaleSeparators)
{
    const FormatCase cases[] = {FormatCase{5270, "##,##0", "5,270", "5.270"}, FormatCase{999, "##,##0", "999", "999"},
                    FormatCase{-1, "#0.00", "-1.00", "-1,00"}, FormatCase{0.88, "0.00", "0.88", "0,88"},
                    FormatCase{1234567.8915, "###,##0.000", "1,234,567.892", "1.234.567,892"},
                    FormatCase{-12, "###,##0.000", "-12.000", "-12,000"}, FormatCase{0, "##0.00", "0.00", "0,00"},
                    FormatCase{0.285, "#0.00", "0.29", "0,29"}, FormatCase{9.995, "#0.00", "10.00", "10,00"},
                    FormatCase{0.0004, "#0.000", "0.000", "0,000"}, FormatCase{-0.001, "#0.00", "0.00", "0,00"},
                    FormatCase{3.6, "0", "4", "4"}, FormatCase{1e15, "##,##0", "1,000,000,000,000,000",
                                                               "1.000.000.000.000.000"},
                    FormatCase{NAN, "#0.00", "NAN", "NAN"}};
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(FormatFloatPicture(c.value, QString::fromUtf8(c.picture), QLocale(QLocale::English, QLocale::UnitedStates)),
                  QString::fromUtf8(c.english));
        EXPECT_EQ(FormatFloatPicture(c.value, QString::fromUtf8(c.picture), QLocale(QLocale::Portuguese, QLocale::Brazil)),
                  QString::fromUtf8(c.brazilian));
    }
}

TEST(Readings, PictureAndUnitOrTheButtonState)
{
    const QLocale en(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(FormatReading(5.0, "#0.00", "bar", en), "5.00bar");
    EXPECT_EQ(FormatReading(4.5, "##0.00", "°C", en), "4.50°C");
    EXPECT_EQ(FormatReading(0, "*B", "", en), "Pressionado");
    EXPECT_EQ(FormatReading(0.99, "*B", "", en), "Pressionado");
    EXPECT_EQ(FormatReading(1, "*B", "", en), "Solto");
    EXPECT_EQ(FormatReading(1, "*X", "", en), std::nullopt);
}

} // namespace
