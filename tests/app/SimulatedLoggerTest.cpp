// The main window against the simulated logger on the simulated bus, end to end.
#include "LoggerTestSupport.h"

#include <QLabel>
#include <QLineEdit>

#include <chrono>

namespace {

using namespace loggertest;
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

    // Connects and runs the connection sequence without waiting for its timers.
    void connectAndList()
    {
        connectLogger();
        TMainForm& f = form();
        f.Timer1->stop();
        f.Timer1Timer();
        ASSERT_TRUE(waitUntil([&] { return f.ConnectionStep == 2; }));
        f.Timer1->stop();
        f.Timer1Timer();
        ASSERT_TRUE(waitUntil([&] { return f.DIR->count() == 9; }));
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
};

TEST_F(SimulatedLoggerTest, PluggedLoggerIsConfiguredAndListedOnItsOwnTimers)
{
    TMainForm& f = form();
    const auto plugged = Clock::now();
    logger().plug();
    ASSERT_TRUE(waitUntil([&] { return f.statusText(1) == QStringLiteral("CONECTADO"); }));
    ASSERT_TRUE(waitUntil([&] { return f.DIR->count() == 9; }, std::chrono::seconds(5)));
    // 600 ms to the configuration request, 600 ms from its reply to the list
    // (less the few per cent a coarse timer may fire early).
    EXPECT_GE(Clock::now() - plugged, std::chrono::milliseconds(1100));
    EXPECT_EQ(f.statusText(2), QStringLiteral("Pista 2"));
    EXPECT_EQ(f.NomeEquipamento->text(), QStringLiteral("Pista 2"));
    EXPECT_EQ(tickedItems(*f.ListaCanais), (std::vector<int>{1, 4}));
    EXPECT_EQ(f.DIR->item(8)->text(), QStringLiteral("LOG#00009 - [50segundos]"));
    EXPECT_TRUE(f.Panel3->text().endsWith(QStringLiteral("# Ultimo Log: 9 :::")));
    EXPECT_EQ(f.ConnectionStep, 0);
}

TEST_F(SimulatedLoggerTest, DownloadFillsTheGridWithTheLoggersSamples)
{
    connectAndList();
    TMainForm& f = form();
    startDownload(9);
    ASSERT_TRUE(waitUntil([&] { return !f.Downloading; }, std::chrono::seconds(20)));
    ASSERT_TRUE(f.LastDownload.has_value());
    const TMainForm::KeptDownload& kept = *f.LastDownload;
    const zq::sim::SimulatedLog log = logger().logs().back();
    const std::size_t columns = log.columns();
    ASSERT_EQ(kept.state.Rows, 4999); // the last announced row is not kept
    ASSERT_EQ(kept.state.Row, 4999);
    ASSERT_EQ(kept.data.colCount(), static_cast<int>(columns));
    ASSERT_EQ(kept.data.rowCount(), 4999);
    for (std::size_t c = 0; c < columns; ++c) {
        std::vector<std::uint8_t> expected;
        for (std::size_t r = 0; r < 4999; ++r)
            expected.push_back(log.samples[r * columns + c]);
        EXPECT_EQ(kept.data.column(static_cast<int>(c)), expected) << "column " << c;
    }
    EXPECT_EQ(kept.state.Name, QStringLiteral("Pista 2"));
    EXPECT_EQ(kept.state.Rate, 100);
    EXPECT_EQ(kept.state.Extra, log.extra);
    EXPECT_EQ(kept.state.Ids[12], 18);
    EXPECT_EQ(f.statusText(3), QString());
    EXPECT_EQ(f.Dados.rowCount(), 1);
    EXPECT_FALSE(f.DownTimer->isActive());
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
    EXPECT_EQ(f.DIR->count(), 0);
    EXPECT_TRUE(f.Downloading);
    EXPECT_GT(f.Dados.rowCount(), 1);
    ASSERT_TRUE(waitUntil([&] { return !f.Downloading; }, std::chrono::seconds(3)));
    const auto waited = Clock::now() - unplugged;
    EXPECT_GE(waited, std::chrono::milliseconds(900));
    EXPECT_LT(waited, std::chrono::milliseconds(2000));
    EXPECT_EQ(f.Dados.rowCount(), 1);
    EXPECT_EQ(f.statusText(3), QString());
    EXPECT_FALSE(f.LastDownload.has_value());
}

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
    EXPECT_EQ(f.LastDownload.has_value(), m.finished);
    if (m.rowsReceived >= 0) {
        ASSERT_TRUE(f.LastDownload.has_value());
        EXPECT_EQ(f.LastDownload->state.Row, m.rowsReceived);
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
                    Misbehaviour{"Unplug", {.unplugAfterBlocks = 300}, false, -1},
                    Misbehaviour{"EarlyEnd", {.endAfterBlocks = 10}, true, 10 * 63 / 13},
                    Misbehaviour{"Malformed", {.malformed = true}, true, -1},
                    Misbehaviour{"HeaderAnnouncesNothing", {.announcedRowsDelta = -5000}, true, 0}),
    [](const testing::TestParamInfo<Misbehaviour>& info) { return std::string(info.param.name); });

TEST_F(SimulatedLoggerTest, DeleteEraseAndConfigurationReachTheLogger)
{
    connectAndList();
    TMainForm& f = form();
    f.DIR->setCurrentRow(0);
    dialogs_.answer(platform::Answer::Yes);
    f.ToolButton20Click();
    f.ToolButton9Click();
    ASSERT_TRUE(waitUntil([&] { return f.DIR->count() == 8; }));
    EXPECT_EQ(logger().logs().size(), 8U);

    f.ListaCanais->item(14)->setCheckState(Qt::Checked);
    f.NomeEquipamento->setText(QStringLiteral("Oficina"));
    f.ToolButton34Click();
    f.ToolButton32Click();
    ASSERT_TRUE(waitUntil([&] { return f.statusText(2) == QStringLiteral("Oficina"); }));
    EXPECT_EQ(logger().ids(), (std::vector<std::uint8_t>{0, 1, 16, 18}));

    dialogs_.answer(platform::Answer::Yes);
    f.ToolButton21Click();
    f.ToolButton9Click();
    ASSERT_TRUE(logger().waitUntilIdle(std::chrono::seconds(2)));
    loggertest::waitUntil([] { return false; }, std::chrono::milliseconds(50));
    EXPECT_EQ(f.DIR->count(), 0);
    EXPECT_TRUE(logger().logs().empty());
}

} // namespace
