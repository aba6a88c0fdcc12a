#include "AppTestSupport.h"

#include "app/ChildWin.h"
#include "app/MainForm.h"
#include "app/SignalDecoding.h"

#include <QApplication>
#include <QImage>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPixmap>

#include <cmath>

namespace {

// A log of every kind of signal as the logger would store it, decoded the way
// a file is opened: five minutes at 50 rows a second.
void openGeneratedLog(TMDIChild& child)
{
    constexpr int rows = 15000;
    constexpr double rate = 50;
    std::vector<double> x(rows);
    double t = 0;
    for (double& xi : x) {
        xi = t;
        t += 1 / rate;
    }
    child.ClearGrafico();
    child.WideBandChannel = -1;
    for (const int id : {1, 3, 5, 7, 9, 10, 11, 12, 13, 15, 16, 17, 18, 19, 20}) {
        std::vector<std::uint8_t> high(rows);
        std::vector<std::uint8_t> low(rows);
        for (int i = 0; i < rows; ++i) {
            const double u = static_cast<double>(i) / rows;
            const double wave = 0.5 + 0.45 * std::sin(6.283185307179586 * (u * (1 + id % 4) + id * 0.1));
            const int word = static_cast<int>(wave * (id == 1 ? 700 : id == 7 ? 500 : 1000));
            high[i] = static_cast<std::uint8_t>(word >> 8);
            low[i] = static_cast<std::uint8_t>(id == 20   ? (i / 2000) % 2
                                              : id == 19 ? wave * 5
                                              : id >= 10 ? wave * 200
                                                         : word & 0xFF);
        }
        child.AddDecodedSignal(*signal_decoding::DecodeSignal(id, high, low, true), x);
    }
    child.FileBlocks.SetRows(rows);
    child.FinishOpening();
    child.SLScope1->CommitPendingData();
}

int pixelsOfColour(const QImage& image, QColor colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixelColor(x, y) == colour;
    return count;
}

class ChildWinWindowTest : public AppTestEnv {};

// Opens a chart window inside the main window and takes its picture; under a
// real X server (scripts/xvfb-chart-check.sh) the picture is saved for review.
TEST_F(ChildWinWindowTest, ChartWindowShowsTheTracesOfAGeneratedLog)
{
    TMainForm form(services_);
    form.resize(1400, 900);
    form.show();
    TMDIChild* child = TMDIChild::Create(form, "LOGGER\\LOGGER_LOG_00042.ZQL");
    openGeneratedLog(*child);
    child->parentWidget()->showMaximized();
    QApplication::processEvents();
    child->MarcaCanal(0);
    const QRect data = child->SLScope1->DataRect();
    child->SLScope1MouseMove(Qt::NoModifier, data.left() + data.width() / 3, data.center().y());
    QApplication::processEvents();

    const QImage chart = child->SLScope1->grab().toImage().convertToFormat(QImage::Format_RGB32);
    for (int c = 0; c < child->SLScope1->Channels.Count(); ++c) {
        const auto& channel = child->SLScope1->Channels.GetItem(c);
        if (channel.GetColor() != QColor(Qt::black) && channel.GetColor() != QColor(128, 128, 128))
            EXPECT_GT(pixelsOfColour(chart, channel.GetColor()), 50) << channel.GetName().toStdString();
    }
    EXPECT_TRUE(child->PickedValid);

    const QString path = qEnvironmentVariable("ZQ_CHART_SCREENSHOT");
    if (!path.isEmpty())
        EXPECT_TRUE(form.grab().save(path));
    EXPECT_TRUE(form.FormClose());
}

} // namespace
