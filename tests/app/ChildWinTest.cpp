#include "AppTestSupport.h"

#include <QCheckBox>
#include <QImage>
#include <QPixmap>
#include <QRegularExpression>

#include <cmath>

namespace {

using namespace zq::chart;
using platform::Answer;

constexpr int rows = 60;
constexpr double step = 0.5;

// Engine speed, manifold pressure and the cut-off button, one row every half
// second from 0 to 29.5 s.
void openThreeSignals(TMDIChild& child)
{
    openSignals(child, {1, 7, 20}, rows, 1 / step, [](std::size_t k, int r) {
        const int low = k == 0 ? r : k == 1 ? 100 + r : r % 2 == 0 ? 0xFE : 0x01;
        return std::pair<std::uint8_t, std::uint8_t>(k == 0 ? 0x02 : 0, static_cast<std::uint8_t>(low));
    });
}

class ChildWinTest : public AppTestEnv {
protected:
    ChildWinTest() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    ~ChildWinTest() override { QLocale::setDefault(QLocale::system()); }

    TMDIChild& openChart(const QString& caption = QStringLiteral("LOGGER\\LOGGER_LOG_00001.ZQL"))
    {
        TMDIChild* child = TMDIChild::Create(form(), caption);
        openThreeSignals(*child);
        return *child;
    }

    std::vector<double> xOf(TMDIChild& child, int channel)
    {
        std::vector<double> x;
        child.SLScope1->Channels.GetItem(channel).Data.GetXData(x);
        return x;
    }
};

TEST_F(ChildWinTest, OpeningShowsOneNamedPanelPerChannelAndOnlyTheFirstAxis)
{
    TMDIChild& child = openChart();
    EXPECT_EQ(child.SLScope1->Channels.Count(), 3);
    const QStringList names{"Rotação", "MAP", "Botão"};
    for (int n = 0; n < TMDIChild::PanelCount; ++n)
        EXPECT_EQ(child.ChannelPanel(n)->isVisibleTo(&child), n < 3) << n;
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(child.findChild<QLabel*>("CanalNome" + QString::number(c))->text(), names[c]);
        EXPECT_EQ(child.SLScope1->Channels.GetItem(c).GetYAxis()->GetVisible(), c == 0);
    }
    EXPECT_EQ(child.SLScope1->GetNavigateMode(), nmPan);
    EXPECT_EQ(child.SLScope1->GetCursor(), crCross);
    EXPECT_FALSE(child.Modified);
    EXPECT_EQ(child.RowCount, rows);
}

TEST_F(ChildWinTest, MouseOverDataReadsOutEveryChannelAndMovesTheTimeCursor)
{
    TMDIChild& child = openChart();
    const QRect r = child.SLScope1->DataRect();
    ASSERT_GT(r.width(), 100);
    const QPoint at(r.left() + r.width() * 2 / 5, r.center().y());
    double t = 0;
    double unused = 0;
    child.SLScope1->GetValuesAtPoint(at.x(), at.y(), t, unused);
    const int k = static_cast<int>(std::lround(t / step));

    child.SLScope1MouseMove(Qt::NoModifier, at.x(), at.y());
    EXPECT_EQ(child.ChannelValue(0)->text(), FormatFloatPicture((512 + k) * 10, u"##,##0") + "RPM");
    EXPECT_EQ(child.ChannelValue(1)->text(), FormatFloatPicture(k / 100.0, u"#0.00") + "bar");
    EXPECT_EQ(child.ChannelValue(2)->text(), k % 2 ? "Solto" : "Pressionado");
    EXPECT_TRUE(QRegularExpression("^Posição=\\d+\\.\\d{3}seg$").match(child.Posicao->text()).hasMatch())
        << child.Posicao->text().toStdString();
    EXPECT_EQ(child.Posicao->text(), "Posição=" + FormatFloatPicture(t, u"###,##0.000") + "seg");
    EXPECT_DOUBLE_EQ(child.SLScope1->Cursors.GetItem(0).Position.GetX(), t);
    EXPECT_TRUE(child.PickedValid);
    EXPECT_DOUBLE_EQ(child.PickedX, t);

    // Left of the first sample nothing is hit: the readout stays, the pick goes.
    const QString before = child.ChannelValue(0)->text();
    child.SLScope1MouseMove(Qt::NoModifier, r.left() - 30, at.y());
    EXPECT_EQ(child.ChannelValue(0)->text(), before);
    EXPECT_FALSE(child.PickedValid);
    EXPECT_EQ(child.PickedX, 0);
}

TEST_F(ChildWinTest, MarkingHighlightsOneChannelAndClickingItAgainUnmarks)
{
    TMDIChild& child = openChart();
    auto width = [&](int c) { return child.SLScope1->Channels.GetItem(c).GetWidth(); };
    auto axisShown = [&](int c) { return child.SLScope1->Channels.GetItem(c).GetYAxis()->GetVisible(); };

    child.MarcaCanal(1);
    EXPECT_EQ(child.MarkedChannel, 1);
    EXPECT_EQ(width(1), 2);
    EXPECT_FALSE(axisShown(0));
    EXPECT_TRUE(axisShown(1));

    child.MarcaCanal(2);
    EXPECT_EQ(width(1), 1);
    EXPECT_EQ(width(2), 2);

    // A click on the name label of the marked channel's panel.
    QLabel* name = child.findChild<QLabel*>("CanalNome2");
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), name->mapToGlobal(QPointF(2, 2)), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(name, &release);
    EXPECT_EQ(child.MarkedChannel, -1);
    EXPECT_EQ(width(2), 1);
    EXPECT_TRUE(axisShown(2));
    EXPECT_FALSE(axisShown(1));

    child.MarcaCanal(7); // no such channel
    EXPECT_EQ(child.MarkedChannel, -1);
}

TEST_F(ChildWinTest, HoverCheckBoxSidePanelAndTickLabels)
{
    TMDIChild& child = openChart();
    child.SLScope1OverChannel(1);
    EXPECT_EQ(child.ChannelPanel(1)->palette().color(QPalette::Window), TMDIChild::Hover);
    child.SLScope1LeaveChannel();
    EXPECT_EQ(child.ChannelPanel(1)->palette().color(QPalette::Window), TMDIChild::Cream);
    EXPECT_EQ(child.HoveredChannel, -1);
    QString label = "name";
    child.SLScope1CustomMouseHitLabel(label);
    EXPECT_TRUE(label.isEmpty());

    child.findChild<QCheckBox*>("CanalVisivel1")->setChecked(false);
    EXPECT_FALSE(child.SLScope1->Channels.GetItem(1).GetVisible());

    EXPECT_EQ(child.Panel1->maximumWidth(), 13);
    child.Panel4Click();
    EXPECT_EQ(child.Panel1->maximumWidth(), 130);
    EXPECT_EQ(child.Panel4->text(), ">");
    child.Panel4Click();
    EXPECT_EQ(child.Panel1->maximumWidth(), 13);
    EXPECT_EQ(child.Panel4->text(), "<");
    QString text;
    child.SLScope1XAxisCustomLabel(1234.5, text);
    EXPECT_EQ(text, "1,234.500");
}

struct ZeroCutCase {
    double pick;
    double firstXAfterCut;
    int rowsAfterCut;
};

class ChildWinZeroPoint : public ChildWinTest, public testing::WithParamInterface<ZeroCutCase> {};

TEST_P(ChildWinZeroPoint, PickedZeroShiftsTimeAndTheCutKeepsTheLastSampleBeforeIt)
{
    const ZeroCutCase c = GetParam();
    TMDIChild& child = openChart();
    child.SLScope1Click(); // disarmed: nothing
    EXPECT_FALSE(child.Modified);

    child.Grafico_Split();
    EXPECT_TRUE(child.ZeroPickArmed);
    EXPECT_EQ(child.SLScope1->GetCursor(), crHSplit);
    child.PickedX = c.pick;
    child.PickedValid = true;
    child.SLScope1Click();
    EXPECT_FALSE(child.ZeroPickArmed);
    EXPECT_EQ(child.SLScope1->GetCursor(), crCross);
    EXPECT_TRUE(child.Modified);
    for (int ch = 0; ch < 3; ++ch)
        EXPECT_DOUBLE_EQ(xOf(child, ch).front(), -c.pick) << ch;

    child.Grafico_Cut();
    for (int ch = 0; ch < 3; ++ch) {
        const auto x = xOf(child, ch);
        ASSERT_EQ(static_cast<int>(x.size()), c.rowsAfterCut) << ch;
        EXPECT_NEAR(x.front(), c.firstXAfterCut, 1e-12) << ch;
    }
    std::vector<double> rpm;
    child.SLScope1->Channels.GetItem(0).Data.GetYData(rpm);
    EXPECT_EQ(rpm.front(), (512 + rows - c.rowsAfterCut) * 10);
    EXPECT_EQ(child.RowCount, c.rowsAfterCut);
    EXPECT_EQ(child.FileBlocks.Rows(), static_cast<std::uint32_t>(c.rowsAfterCut));

    child.Grafico_Cut(); // nothing left before zero to cut
    EXPECT_EQ(child.RowCount, c.rowsAfterCut);
}

INSTANTIATE_TEST_SUITE_P(Picks, ChildWinZeroPoint,
                         testing::Values(ZeroCutCase{12.0, 0.0, rows - 24}, ZeroCutCase{12.2, -0.2, rows - 24},
                                         ZeroCutCase{0.25, -0.25, rows},
                                         // nothing at or after zero: the cut changes nothing
                                         ZeroCutCase{100, -100, rows}));

class CountingChild : public TMDIChild {
public:
    using TMDIChild::TMDIChild;
    void SalvarArquivo() override { ++saves; }
    int saves = 0;
};

struct CloseCase {
    bool modified;
    std::optional<Answer> answer;
    ChartWindow::CloseResult result;
    int saves;
};

class ChildWinClose : public AppTestEnv, public testing::WithParamInterface<CloseCase> {};

TEST_P(ChildWinClose, ModifiedWindowAsksAndSavesOnlyOnYes)
{
    const CloseCase c = GetParam();
    CountingChild child(dialogs_);
    openThreeSignals(child);
    child.Modified = c.modified;
    if (c.answer)
        dialogs_.answer(*c.answer);
    EXPECT_EQ(child.askToClose(), c.result);
    EXPECT_EQ(child.saves, c.saves);
    EXPECT_EQ(dialogs_.texts().size(), c.answer ? 1u : 0u);
    if (c.answer) {
        EXPECT_EQ(dialogs_.texts().front(), "Deseja salvar as alterações antes de fechar a janela ?");
    }
    EXPECT_EQ(child.SLScope1->Channels.Count(), c.result == ChartWindow::CloseResult::Closed ? 0 : 3);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ChildWinClose,
    testing::Values(CloseCase{true, Answer::No, ChartWindow::CloseResult::Closed, 0},
                    CloseCase{true, Answer::Yes, ChartWindow::CloseResult::Closed, 1},
                    CloseCase{true, Answer::Cancel, ChartWindow::CloseResult::Cancelled, 0},
                    CloseCase{false, std::nullopt, ChartWindow::CloseResult::Closed, 0}));

struct ButtonCase {
    void (TMainForm::*click)();
    TSLNavigateMode mode;
    int cursor;
    TSLZoomMode zoom;
};

class ChartButtons : public ChildWinTest, public testing::WithParamInterface<ButtonCase> {};

TEST_P(ChartButtons, ActOnTheActiveChartWindow)
{
    const ButtonCase c = GetParam();
    (form().*c.click)(); // no chart window yet: nothing happens
    TMDIChild& child = openChart();
    child.SLScope1->XAxis.ZoomTo(3, 4);
    (form().*c.click)();
    EXPECT_EQ(child.SLScope1->GetNavigateMode(), c.mode);
    EXPECT_EQ(child.SLScope1->GetCursor(), c.cursor);
    EXPECT_EQ(child.SLScope1->Zooming.GetMode(), c.zoom);
    EXPECT_EQ(child.SLScope1->XAxis.IsZoomed(), c.click != &TMainForm::ToolButton17Click);
}

INSTANTIATE_TEST_SUITE_P(Buttons, ChartButtons,
                         testing::Values(ButtonCase{&TMainForm::ToolButton8Click, nmZoom, crSizeNWSE, zmBoth},
                                         ButtonCase{&TMainForm::ToolButton10Click, nmZoom, crSizeWE, zmXAxis},
                                         ButtonCase{&TMainForm::ToolButton11Click, nmZoom, crSizeNS, zmYAxis},
                                         ButtonCase{&TMainForm::ToolButton17Click, nmPan, crCross, zmXAxis}));

TEST_F(ChildWinTest, ZeroPointAndCutButtonsReachTheActiveChart)
{
    TMDIChild& child = openChart();
    form().ToolButton40Click();
    EXPECT_TRUE(child.ZeroPickArmed);
    form().ToolButton40Click();
    EXPECT_FALSE(child.ZeroPickArmed);
    form().ToolButton40Click();
    child.PickedX = 5;
    child.PickedValid = true;
    child.SLScope1Click();
    form().ToolButton41Click();
    EXPECT_EQ(child.RowCount, rows - 10);
}

TEST_F(ChildWinTest, SignalWithoutRowsKeepsASaneAxis)
{
    TMDIChild& child = *TMDIChild::Create(form(), "empty");
    child.ClearGrafico();
    const std::vector<double> noTimes;
    const int c = child.AddDecodedSignal(*signal_decoding::DecodeSignal(1, {}, {}, true), noTimes);
    child.AdicionaCanal("x", "x", 0, -9999499, "#0", "", 99999999.0, -9999999.0, Qt::red); // as a raw table would
    child.FinishOpening();
    for (int i : {c, c + 1}) {
        const AxisSpan view = child.SLScope1->Channels.GetItem(i).GetYAxis()->View();
        EXPECT_TRUE(std::isfinite(view.min) && std::isfinite(view.max));
        EXPECT_LT(view.min, view.max);
    }
    child.SLScope1->RenderedImage();
}

// A log recorded with no signal opens as an empty chart, with no time for its
// rows that hold no sample, and a save gives the file back as it was.
TEST_F(ChildWinTest, LogWithoutColumnsOpensEmptyAndSavesBackUnchanged)
{
    const QString logs = folder(QStringLiteral("logs"));
    ASSERT_TRUE(QDir().mkpath(logs));
    const std::string file = (logs + QStringLiteral("/vazio.ZQL")).toStdString();
    writeLog(file, log_file::MakeDownloadHead(makeDownload({}, log_file::MaxRows), log_file::MaxRows), {});
    const std::vector<std::uint8_t> before = fileBytes(file);
    form().AbreArquivo(logs, QStringLiteral("vazio.ZQL"));
    EXPECT_TRUE(dialogs_.shown().empty());
    ASSERT_EQ(charts().size(), 1u);
    TMDIChild& chart = *charts().front();
    EXPECT_EQ(chart.SLScope1->Channels.Count(), 0);
    chart.SLScope1->RenderedImage();
    chart.Grafico_Cut();
    chart.SalvarArquivo();
    EXPECT_TRUE(fileBytes(file) == before);
}

// A log of every kind of signal as the logger would store it, decoded the way
// a file is opened: five minutes at 50 rows a second.
void openGeneratedLog(TMDIChild& child)
{
    constexpr int rows = 15000;
    openSignals(child, everySignalId, rows, 50, [](std::size_t k, int i) {
        const int id = everySignalId[k];
        const double u = static_cast<double>(i) / rows;
        const double wave = 0.5 + 0.45 * std::sin(6.283185307179586 * (u * (1 + id % 4) + id * 0.1));
        const int word = static_cast<int>(wave * (id == 1 ? 700 : id == 7 ? 500 : 1000));
        const double low = id == 20 ? (i / 2000) % 2 : id == 19 ? wave * 5 : id >= 10 ? wave * 200 : word & 0xFF;
        return std::pair<std::uint8_t, std::uint8_t>(word >> 8, static_cast<std::uint8_t>(low));
    });
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

// Under a real X server (scripts/xvfb-chart-check.sh) the pictures are saved
// for review, named after the one the script asks for.
void savePicture(QWidget& window, const QString& suffix = QString())
{
    const QString path = qEnvironmentVariable("ZQ_CHART_SCREENSHOT");
    if (!path.isEmpty()) {
        EXPECT_TRUE(window.grab().save(path.left(path.size() - 4) + suffix + QStringLiteral(".png")));
    }
}

// Opens a chart window inside the main window and takes its picture.
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
        if (channel.GetColor() != QColor(Qt::black) && channel.GetColor() != QColor(128, 128, 128)) {
            EXPECT_GT(pixelsOfColour(chart, channel.GetColor()), 50) << channel.GetName().toStdString();
        }
    }
    EXPECT_TRUE(child->PickedValid);

    savePicture(form);
    EXPECT_TRUE(form.FormClose());
}

// Three chart windows arranged by the arrange button, a picture of each
// arrangement.
TEST_F(ChildWinWindowTest, ArrangedChartWindowsStayInsideTheWorkArea)
{
    TMainForm form(services_);
    form.resize(1600, 1000);
    form.show();
    form.StartTimer->stop(); // kept at this size, not maximised to the screen
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QApplication::processEvents();
    for (int n = 1; n <= 3; ++n)
        openGeneratedLog(*TMDIChild::Create(form, QStringLiteral("LOGGER\\LOGGER_LOG_0000%1.ZQL").arg(n)));
    for (int press = 1; press <= 3; ++press) {
        form.ToolButton16->click();
        QApplication::processEvents();
        const QRect area = form.MdiArea->viewport()->rect();
        for (QMdiSubWindow* window : form.chartSubWindows())
            EXPECT_TRUE(area.contains(window->geometry())) << press;
        savePicture(form, QStringLiteral("-arranged-%1").arg(press));
    }
    EXPECT_TRUE(form.FormClose());
}

} // namespace
