// The main window against the simulated logger on the simulated bus, end to end.
#include "AppTestSupport.h"

#include "platform/Messages.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

zq::sim::SimulatedLog makeLog(std::uint16_t number, std::uint8_t rate, std::vector<std::uint8_t> ids, std::size_t rows)
{
    zq::sim::SimulatedLog log;
    log.number = number;
    log.rate = rate;
    log.ids = std::move(ids);
    log.extra = {9, 8, 7, 6, 5, 4, 3, 2};
    std::uint32_t state = number;
    log.samples.resize(rows * log.ids.size());
    for (auto& byte : log.samples) {
        state = state * 1103515245U + 12345U;
        byte = static_cast<std::uint8_t>(state >> 16);
    }
    return log;
}

class SimulatedLoggerTest : public LoggerFormTest {
protected:
    void SetUp() override
    {
        logger().setName("Pista 2");
        logger().setIds({0, 1, 16});
        for (std::uint16_t n = 1; n <= 8; ++n)
            logger().addLog(makeLog(n, 20, {0, 1, 16}, 40 * n));
        logger().addLog(makeLog(9, 100, {8, 9, 0, 1, 6, 7, 10, 16, 17, 11, 2, 3, 18}, 5000));
    }

    // Connects and runs the connection sequence without waiting for its
    // timers: the configuration first, 600 ms on the list.
    void connectAndList()
    {
        connectLogger();
        TMainForm& f = form();
        EXPECT_EQ(f.Timer1->interval(), 600);
        EXPECT_EQ(f.ConnectionStep, 1);
        f.Timer1Timer();
        EXPECT_FALSE(f.Timer1->isActive());
        EXPECT_EQ(commandCodes(), std::vector<std::uint8_t>{lp::CmdReadConfig});
        ASSERT_TRUE(waitUntil([&] { return f.ConnectionStep == 2; }));
        EXPECT_TRUE(f.Timer1->isActive());
        EXPECT_EQ(f.Timer1->interval(), 600);
        EXPECT_EQ(f.statusText(2), "Pista 2");
        f.Timer1Timer();
        EXPECT_EQ(f.ConnectionStep, 0);
        ASSERT_TRUE(waitUntil([&] { return f.DIR->count() == 9; }));
        EXPECT_EQ(f.DIR->item(0)->text(), "LOG#00001 - [2segundos]");
    }

    void startDownload(unsigned number)
    {
        TMainForm& f = form();
        const auto found =
            f.DIR->findItems(QStringLiteral("LOG#%1").arg(number, 5, 10, QLatin1Char('0')), Qt::MatchStartsWith);
        ASSERT_EQ(found.size(), 1);
        f.DIR->setCurrentItem(found.front());
        f.ToolButton19Click();
        ASSERT_TRUE(f.Downloading);
    }

    QString logPath() const { return form_->LogDir + QStringLiteral("/Pista 2/Pista 2_LOG_00009.ZQL"); }

    // Every stored row is the logger's own, none shifted.
    void expectTheLoggersRows(const log_file::ParsedLog& stored)
    {
        const zq::sim::SimulatedLog log = logger().logs().back();
        const std::size_t columns = log.columns();
        ASSERT_EQ(stored.data.size(), columns * stored.rows);
        for (std::size_t c = 0; c < columns; ++c)
            for (std::uint32_t r = 0; r < stored.rows; ++r)
                ASSERT_EQ(stored.column(c)[r], log.samples[r * columns + c]) << "column " << c << " row " << r;
    }
};

// The whole way: the logger's samples end in a log file under the logger's
// folder, which opens in a chart window and gets a selected node in the tree.
TEST_F(SimulatedLoggerTest, DownloadIsStoredOpenedAndListed)
{
    connectAndList();
    TMainForm& f = form();
    startDownload(9);
    ASSERT_TRUE(waitUntil([&] { return !f.Downloading; }, std::chrono::seconds(20)));
    const QString folder = f.LogDir + QStringLiteral("/Pista 2");
    const std::vector<std::uint8_t> file = fileBytes(logPath().toStdString());
    const log_file::ParseResult parsed = log_file::ParseLogFile(file);
    ASSERT_TRUE(parsed.log) << parsed.error;
    const zq::sim::SimulatedLog log = logger().logs().back();
    ASSERT_EQ(parsed.log->rows, 4999U); // the last announced row is not kept
    ASSERT_EQ(file.size(), log_file::DataOffset + log.columns() * 4999 + log_file::Trailer.size());
    expectTheLoggersRows(*parsed.log);
    const log_file::LogHead& head = parsed.log->head;
    EXPECT_EQ(head.LogNumber(), 9);
    EXPECT_EQ(head.Rate(), 100);
    EXPECT_TRUE(std::equal(log.extra.begin(), log.extra.end(), head.block(log_file::ExtraBlock).begin()));
    EXPECT_EQ(std::string(head.block(log_file::NameBlock).begin(), head.block(log_file::NameBlock).begin() + 8),
              std::string("Pista 2", 8));
    EXPECT_EQ(std::vector<std::uint8_t>(head.SignalIds().begin(), head.SignalIds().end()),
              (std::vector<std::uint8_t>{9, 1, 7, 10, 16, 17, 11, 3, 18}));

    const auto charts = f.chartSubWindows();
    ASSERT_EQ(charts.size(), 1U);
    auto* chart = dynamic_cast<TMDIChild*>(charts.front()->widget());
    ASSERT_NE(chart, nullptr);
    EXPECT_EQ(chart->windowTitle(), folder + QStringLiteral("/Pista 2_LOG_00009.ZQL"));
    ASSERT_EQ(chart->SLScope1->Channels.Count(), 9);
    EXPECT_EQ(chart->ChannelShortName[0], QStringLiteral("Sonda"));
    EXPECT_EQ(chart->ChannelShortName[8], QStringLiteral("Bateria"));
    EXPECT_EQ(chart->SLScope1->Channels.GetItem(8).Data.GetCount(), 4999U);

    ASSERT_NE(f.TreeView1->currentItem(), nullptr);
    EXPECT_EQ(f.TreeView1->currentItem()->text(0), QStringLiteral("Pista 2_LOG_00009"));
    EXPECT_EQ(f.TreeView1->currentItem()->parent()->text(0), QStringLiteral("Pista 2"));
    EXPECT_EQ(f.statusText(3), QString());
    EXPECT_EQ(f.Dados.rowCount(), 1);
    EXPECT_FALSE(f.DownTimer->isActive());

    // Loading it again: "already downloaded", No brings its window back.
    dialogs_.answer(platform::Answer::No);
    f.ToolButton19Click();
    EXPECT_FALSE(f.Downloading);
    EXPECT_EQ(f.chartSubWindows().size(), 1U);
}

// A name of spaces only would reach the logger as no name, under which it
// hands its logs back with the default name: it is refused before anything
// goes out, so the name shown and the folder the logs go to stay one.
TEST_F(SimulatedLoggerTest, NameOfSpacesIsRefusedAndTheNextLoadStillAsks)
{
    connectAndList();
    TMainForm& f = form();
    startDownload(1);
    ASSERT_TRUE(waitUntil([&] { return !f.Downloading; }, std::chrono::seconds(20)));
    ASSERT_TRUE(QFileInfo::exists(f.LogDir + QStringLiteral("/Pista 2/Pista 2_LOG_00001.ZQL")));
    const std::size_t sent = logger().received().size();

    dialogs_.clearShown();
    f.NomeEquipamento->setText(QStringLiteral("    "));
    f.ToolButton34Click();
    ASSERT_EQ(dialogs_.shown().size(), 1u);
    EXPECT_EQ(dialogs_.texts()[0], platform::messageText(platform::Message::DeviceNameEmpty));
    EXPECT_EQ(dialogs_.shown()[0].severity, platform::Severity::Warning);
    EXPECT_EQ(logger().received().size(), sent);
    EXPECT_EQ(f.statusText(2), QStringLiteral("Pista 2"));

    dialogs_.clearShown();
    dialogs_.answer(platform::Answer::No);
    f.ToolButton19Click(); // log 1 is still selected
    EXPECT_FALSE(f.Downloading);
    EXPECT_THAT(dialogs_.texts(),
                testing::ElementsAre(QStringLiteral(
                    "Este arquivo de LOG já foi baixado préviamente... Deseja baixar uma nova cópia ?")));
}

TEST_F(SimulatedLoggerTest, UnplugDuringADownloadIsDroppedByTheWatchdog)
{
    connectAndList();
    TMainForm& f = form();
    zq::sim::LoggerFaults faults;
    faults.stallAfterBlocks = 300;
    logger().setFaults(faults);
    startDownload(9);
    ASSERT_TRUE(waitUntil([&] { return f.DownloadState.Received >= 300 * 63; }));
    logger().unplug();
    ASSERT_TRUE(waitUntil([&] { return f.LoggerDevice == nullptr; }));
    const auto unplugged = Clock::now();
    EXPECT_EQ(f.statusText(1), QStringLiteral("DESCONECTADO"));
    EXPECT_EQ(f.statusText(2), QString());
    EXPECT_EQ(f.DIR->count(), 0);
    EXPECT_TRUE(f.Downloading);
    EXPECT_GT(f.Dados.rowCount(), 1);
    ASSERT_TRUE(waitUntil([&] { return !f.Downloading; }, std::chrono::seconds(3)));
    const auto waited = Clock::now() - unplugged;
    EXPECT_GE(waited, std::chrono::milliseconds(900));
    EXPECT_LT(waited, std::chrono::milliseconds(2000));
    EXPECT_EQ(f.Dados.rowCount(), 1);
    EXPECT_EQ(f.statusText(3), QString());
    EXPECT_FALSE(QFileInfo::exists(f.LogDir + QStringLiteral("/Pista 2")));
}

// The logger sends its reports at its own pace, about one a millisecond, and
// the main thread stops taking them for a while during a download: what the
// read handle's queue holds is kept; beyond that only the rows whole before
// the first loss are, and the user is told so. A stall while the read thread
// holds the header loses the rows right behind it, so none is kept.
enum class Kept { Whole, Part, None };

struct Stall {
    const char* name;
    int blocksBefore; // taken before the main thread stalls
    std::chrono::milliseconds pause;
    Kept kept;
};

class MainThreadStallTest : public SimulatedLoggerTest, public testing::WithParamInterface<Stall> {};

TEST_P(MainThreadStallTest, LosesNothingTheQueueHoldsAndTellsWhatWasLost)
{
    const Stall& stall = GetParam();
    connectAndList();
    TMainForm& f = form();
    logger().setReportInterval(std::chrono::milliseconds(1));
    logger().setWaitsForRoom(false);
    startDownload(9);
    ASSERT_TRUE(waitUntil([&] { return f.DownloadState.Received >= stall.blocksBefore * 63; }));
    std::this_thread::sleep_for(stall.pause);
    ASSERT_TRUE(waitUntil([&] { return !f.Downloading; }, std::chrono::seconds(20)));

    const std::size_t lost = logger().device()->droppedInputReports();
    EXPECT_EQ(lost > 0, stall.kept != Kept::Whole) << lost;
    if (stall.kept == Kept::None) {
        EXPECT_THAT(dialogs_.texts(),
                    testing::ElementsAre(QStringLiteral("Nenhuma linha completa do LOG foi recebida: nada foi gravado.")));
        EXPECT_FALSE(QFileInfo::exists(logPath()));
        EXPECT_TRUE(f.chartSubWindows().empty());
        return;
    }
    const std::vector<std::uint8_t> file = fileBytes(logPath().toStdString());
    const log_file::ParseResult parsed = log_file::ParseLogFile(file);
    ASSERT_TRUE(parsed.log) << parsed.error;
    const std::uint32_t rows = parsed.log->rows;
    if (stall.kept == Kept::Whole) {
        EXPECT_EQ(rows, 4999U);
        EXPECT_TRUE(dialogs_.shown().empty());
    } else {
        EXPECT_LT(rows, 4999U);
        EXPECT_GE(rows, 100U * 63 / 13 - 13);
        EXPECT_THAT(dialogs_.texts(), testing::ElementsAre(QStringLiteral("O LOG está incompleto: foram recebidas %1 de 4999 linhas.").arg(rows)));
    }
    expectTheLoggersRows(*parsed.log);
    EXPECT_EQ(f.chartSubWindows().size(), 1U);
}

INSTANTIATE_TEST_SUITE_P(Pauses, MainThreadStallTest,
                         testing::Values(Stall{"Brief", 100, std::chrono::milliseconds(300), Kept::Whole},
                                         Stall{"TwoSeconds", 100, std::chrono::milliseconds(2000), Kept::Part},
                                         Stall{"BehindAWaitingHeader", 0, std::chrono::seconds(2), Kept::None}),
                         caseName);

struct Misbehaviour {
    const char* name;
    zq::sim::LoggerFaults faults;
    bool finished; // the end reply came (else the watchdog ended it)
    int rowsReceived;
};

class MisbehavingLoggerTest : public SimulatedLoggerTest, public testing::WithParamInterface<Misbehaviour> {};

TEST_P(MisbehavingLoggerTest, DownloadAlwaysEnds)
{
    const Misbehaviour& m = GetParam();
    connectAndList();
    TMainForm& f = form();
    logger().setFaults(m.faults);
    startDownload(9);
    ASSERT_TRUE(waitUntil([&] { return !f.Downloading; }, std::chrono::seconds(20)));
    const std::vector<std::uint8_t> file = fileBytes(logPath().toStdString());
    if (!m.finished) {
        EXPECT_TRUE(file.empty());
    }
    // The rows received whole are stored, not one begun; none, and nothing is.
    if (m.rowsReceived == 0) {
        EXPECT_TRUE(file.empty());
    }
    if (m.rowsReceived > 0) {
        const log_file::ParseResult parsed = log_file::ParseLogFile(file);
        ASSERT_TRUE(parsed.log) << parsed.error;
        EXPECT_EQ(parsed.log->rows, unsigned(m.rowsReceived));
    }
    EXPECT_EQ(f.Dados.rowCount(), 1);
    if (!logger().pluggedIn())
        return;
    // The window still works once the logger is done.
    ASSERT_TRUE(waitUntil([&] { return !logger().busy(); }));
    logger().setFaults({});
    f.ToolButton9Click();
    EXPECT_TRUE(waitUntil([&] { return f.DIR->count() == 9; }));
}

INSTANTIATE_TEST_SUITE_P(
    Faults, MisbehavingLoggerTest,
    testing::Values(Misbehaviour{"Stall", {.stallAfterBlocks = 20}, false, -1},
                    Misbehaviour{"EarlyEnd", {.endAfterBlocks = 10}, true, 10 * 63 / 13},
                    Misbehaviour{"Malformed", {.malformed = true}, true, -1},
                    Misbehaviour{"HeaderAnnouncesNothing", {.announcedRowsDelta = -5000}, true, 0}),
    caseName);

} // namespace
