#include "AppTestSupport.h"

#include <random>

namespace {

class MainFormRepliesTest : public LoggerFormTest {
protected:
    // A list entry: number, rate, samples.
    static std::vector<std::uint8_t> entry(unsigned number, std::uint8_t rate, unsigned samples)
    {
        return {std::uint8_t(number >> 8), std::uint8_t(number), rate, 0, 0, 0,
                std::uint8_t(samples >> 16), std::uint8_t(samples >> 8), std::uint8_t(samples)};
    }

    static lp::Report header(std::uint8_t columns, unsigned announcedRows)
    {
        return reply(lp::ReplyHeader, {{2, {0, 7}},
                                        {4, {10, columns, std::uint8_t(announcedRows >> 16),
                                             std::uint8_t(announcedRows >> 8), std::uint8_t(announcedRows)}},
                                        {9, {'A', 'B', '!', 'C'}},
                                        {25, {1, 2, 3, 4, 5, 6, 7, 8}},
                                        {33, {0, 1, 16, 18}}});
    }

    // Data blocks numbering their bytes 0, 1, 2, ... across the stream.
    lp::Report block()
    {
        lp::Report report = reply(lp::ReplyData);
        for (std::size_t i = lp::DataFirst; i < report.size(); ++i)
            report[i] = static_cast<std::uint8_t>(streamed_++);
        return report;
    }

    unsigned streamed_ = 0;
};

TEST_F(MainFormRepliesTest, ListEntriesSkipEmptyAndRateZeroAndFormatSeconds)
{
    TMainForm& f = form();
    feed(reply(lp::ReplyList, {{2, entry(12, 3, 1000)},
                               {11, entry(3, 50, 6000)},
                               {20, {0xFF, 0xFF, 9, 9, 9, 9, 9, 9, 9}},
                               {29, entry(0x01FF, 10, 25)}, // 0xFF as low byte: empty too
                               {38, entry(40, 0, 100)},    // rate 0: skipped
                               {47, entry(65000, 255, 1)},
                               {56, entry(0, 7, 0)}}));
    EXPECT_EQ(itemTexts(*f.DIR), (std::vector<QString>{
                                     QStringLiteral("LOG#00000 - [0segundos]"),
                                     QStringLiteral("LOG#00003 - [120segundos]"),
                                     QStringLiteral("LOG#00012 - [333,333333333333segundos]"),
                                     QStringLiteral("LOG#65000 - [0,00392156862745098segundos]"),
                                 }));
    // Later replies add to the list, which stays sorted.
    feed(reply(lp::ReplyList, {{2, entry(5, 2, 3)}, {11, {0xFF, 0xFF}}, {20, {0xFF}}, {29, {0xFF}},
                               {38, {0xFF}}, {47, {0xFF}}, {56, {0xFF}}}));
    ASSERT_EQ(f.DIR->count(), 5);
    EXPECT_EQ(f.DIR->item(2)->text(), QStringLiteral("LOG#00005 - [1,5segundos]"));
}

struct ConfigReply {
    const char* name;
    std::uint8_t idCount;
    std::vector<std::uint8_t> ids;
    std::vector<int> ticked;
};

class ConfigurationReplyTest : public MainFormRepliesTest, public testing::WithParamInterface<ConfigReply> {};

TEST_P(ConfigurationReplyTest, TicksTheItemsOfTheIdsAndMovesTheConnectionOn)
{
    const ConfigReply& c = GetParam();
    TMainForm& f = form();
    for (int item = 0; item < f.ListaCanais->count(); ++item)
        f.ListaCanais->item(item)->setCheckState(Qt::Checked);
    f.ConnectionStep = 1;
    lp::Report report = reply(lp::ReplyConfig, {{2, {0x1F, 0x26}}, {4, {0x01, 0x2C}}, {7, {c.idCount}},
                                                {17, {'M', 'e', 'u', '!', ' ', 'A', 0, 'X'}}});
    std::copy(c.ids.begin(), c.ids.end(), report.begin() + 33);
    feed(report);
    EXPECT_EQ(tickedItems(*f.ListaCanais), c.ticked);
    // 7974 x 526 / 1024 = 4096.02
    EXPECT_EQ(f.Panel3->text(), "::: Mem.Livre: 4.096 KBytes  :::  # Ultimo Log: 300 :::");
    EXPECT_EQ(f.statusText(2), "Meu A");
    EXPECT_EQ(f.ConnectionStep, 2);
    EXPECT_EQ(f.Timer1->interval(), 600);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ConfigurationReplyTest,
    testing::Values(ConfigReply{"NoIds", 0, {}, {1}},
                    ConfigReply{"EveryId", 23, {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11,
                                                12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 200},
                                {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}},
                    // Only 32 ids are read, whatever the count says: the last one ticks TPS.
                    ConfigReply{"CountAbove32", 40,
                                [] {
                                    std::vector<std::uint8_t> ids(32, 99);
                                    ids[31] = 10;
                                    return ids;
                                }(),
                                {3}}),
    caseName);

TEST_F(MainFormRepliesTest, HundredAndOneAnnouncedRowsKeepAHundredWithProgress)
{
    TMainForm& f = form();
    f.Downloading = true;
    feed(header(4, 101));
    const TDownloadState& d = f.DownloadState;
    EXPECT_EQ(d.Total, 400);
    EXPECT_EQ(d.Name, "ABC");
    EXPECT_EQ((std::vector<std::uint8_t>(d.Header.begin(), d.Header.begin() + 8)),
              (std::vector<std::uint8_t>{0, 7, 10, 4, 0, 0, 100, 0}));
    EXPECT_EQ(f.Dados.rowCount(), 100);
    EXPECT_EQ(f.Dados.colCount(), 4);

    const QString expected[] = {QStringLiteral("15,75%"), QStringLiteral("31,50%"), QStringLiteral("47,25%"),
                                QStringLiteral("63,00%"), QStringLiteral("78,75%"), QStringLiteral("94,50%"),
                                QString(), QString()};
    for (const QString& text : expected) {
        feed(block());
        EXPECT_EQ(f.statusText(3), text);
    }
    EXPECT_EQ(d.Received, 504);
    EXPECT_EQ(d.Percent, 100);
    EXPECT_EQ(d.Row, 100);
    // Row-major stream into columns; bytes past the last kept row are ignored.
    EXPECT_EQ(f.Dados.cell(0, 0), 0);
    EXPECT_EQ(f.Dados.cell(3, 0), 3);
    EXPECT_EQ(f.Dados.cell(1, 99), 397 % 256);
    EXPECT_TRUE(f.DownTimer->isActive());

    feed(reply(lp::ReplyEnd));
    EXPECT_FALSE(f.Downloading);
    EXPECT_FALSE(f.DownTimer->isActive());
    EXPECT_EQ(f.Dados.rowCount(), 1);
    EXPECT_EQ(f.Dados.colCount(), 1);
    // The download went to its log file, column after column.
    const auto file = log_fs::ReadWholeFile((f.LogDir + QStringLiteral("/ABC/ABC_LOG_00007.ZQL")).toStdString());
    const log_file::ParseResult parsed = log_file::ParseLogFile(file);
    ASSERT_TRUE(parsed.log) << parsed.error;
    EXPECT_EQ(parsed.log->rows, 100U);
    EXPECT_EQ(file[log_file::DataOffset + 2 * 100 + 50], 202);
}

// The watchdog drops the download and empties the panel; a late end reply is
// ignored, and the next download shows its own progress.
TEST_F(MainFormRepliesTest, ProgressRoundsTiesUpAndTheWatchdogEndsTheDownload)
{
    TMainForm& f = form();
    f.Downloading = true;
    feed(header(4, 12601)); // 50400 bytes: a block is 0.125 per cent
    const QString expected[] = {QStringLiteral("0,13%"), QStringLiteral("0,25%"), QStringLiteral("0,38%"),
                                QStringLiteral("0,50%")};
    for (const QString& text : expected) {
        feed(block());
        EXPECT_EQ(f.statusText(3), text);
    }
    f.DownTimerTimer();
    EXPECT_FALSE(f.Downloading);
    EXPECT_EQ(f.statusText(3), QString());
    EXPECT_EQ(f.Dados.rowCount(), 1);
    feed(reply(lp::ReplyEnd));
    EXPECT_FALSE(QFileInfo::exists(f.LogDir + QStringLiteral("/ABC")));
    EXPECT_FALSE(f.DownTimer->isActive());

    f.Downloading = true;
    feed(header(4, 12601));
    feed(block());
    EXPECT_EQ(f.statusText(3), QStringLiteral("0,13%"));
}

struct EmptyHeader {
    const char* name;
    std::uint8_t columns;
    unsigned announced;
};

class EmptyHeaderTest : public MainFormRepliesTest, public testing::WithParamInterface<EmptyHeader> {};

TEST_P(EmptyHeaderTest, KeepsNothingShowsNoProgressAndEndsCleanly)
{
    TMainForm& f = form();
    f.Downloading = true;
    feed(header(GetParam().columns, GetParam().announced));
    EXPECT_EQ(f.DownloadState.Rows, 0);
    EXPECT_EQ(f.DownloadState.Total, 0);
    EXPECT_EQ(f.Dados.rowCount(), 1);
    EXPECT_EQ(f.DownloadState.Header[4] | f.DownloadState.Header[5] | f.DownloadState.Header[6], 0);
    for (int i = 0; i < 3; ++i)
        feed(block());
    EXPECT_EQ(f.statusText(3), QString());
    EXPECT_EQ(f.DownloadState.Percent, 0);
    EXPECT_FALSE(f.Dados.isFilled(0, 0));
    feed(reply(lp::ReplyEnd));
    EXPECT_FALSE(f.Downloading);
    // Nothing was received: nothing is stored, and the user is told.
    EXPECT_EQ(dialogs_.texts(),
              std::vector<QString>{QStringLiteral("Nenhuma linha completa do LOG foi recebida: nada foi gravado.")});
    EXPECT_FALSE(QFileInfo::exists(f.LogDir + QStringLiteral("/ABC")));
}

INSTANTIATE_TEST_SUITE_P(Headers, EmptyHeaderTest,
                         testing::Values(EmptyHeader{"NoColumns", 0, 500}, EmptyHeader{"OneRow", 4, 1},
                                         EmptyHeader{"NoRows", 4, 0},
                                         EmptyHeader{"MoreColumnsThanSignals", 255, 0xFFFFFF}),
                         caseName);

TEST_F(MainFormRepliesTest, ShortLongAndMissingReportsAreReadSafely)
{
    TMainForm& f = form();
    f.Downloading = true;
    feed(header(1, 200));
    const std::vector<std::uint8_t> longReport(300, lp::ReplyData);
    f.ShowRead(nullptr, 0, longReport.data(), static_cast<std::uint16_t>(longReport.size()));
    EXPECT_EQ(f.DownloadState.Row, 63);
    const std::uint8_t shortReport[] = {lp::ReplyData, 42};
    f.ShowRead(nullptr, 0, shortReport, 2);
    EXPECT_EQ(f.Dados.cell(0, 63), 42);
    EXPECT_EQ(f.Dados.cell(0, 64), 0); // beyond what was sent reads as zero
    f.ShowRead(nullptr, 0, nullptr, 0);
    f.ShowRead(nullptr, 0, nullptr, 64);
    EXPECT_TRUE(f.Downloading);
}

// Random reports of random length, weighted towards the codes the window
// acts on, never crash it, never read outside a buffer and never leave a
// download running once an end reply or the watchdog has had its turn.
TEST_F(MainFormRepliesTest, RandomReportsNeverCrashOrStick)
{
#if defined(__SANITIZE_ADDRESS__)
    constexpr int Reports = 200'000;
#else
    constexpr int Reports = 1'000'000;
#endif
    TMainForm& f = form();
    std::mt19937 random(20240611);
    constexpr std::uint8_t codes[] = {lp::ReplyData, lp::ReplyData, lp::ReplyData, lp::ReplyData, lp::ReplyData,
                                      lp::ReplyHeader, lp::ReplyEnd, lp::ReplyList, lp::ReplyConfig, lp::ReplyListEcho};
    std::array<std::uint8_t, 80> data{};
    for (int i = 0; i < Reports; ++i) {
        for (auto& byte : data)
            byte = static_cast<std::uint8_t>(random());
        const unsigned pick = random() % 14;
        data[0] = pick < std::size(codes) ? codes[pick] : data[0];
        if (data[0] == lp::ReplyHeader && random() % 1024 != 0)
            data[5] = data[6] = 0; // mostly small logs; a few reach the full 24-bit row count
        if (random() % 512 == 0)
            f.Downloading = true;
        const auto size = static_cast<std::uint16_t>(random() % data.size());
        f.ShowRead(nullptr, static_cast<std::uint8_t>(random()), data.data(), size);
        if (f.DIR->count() > 500)
            f.DIR->clear();
        ASSERT_LE(f.DownloadState.Percent, 100);
        ASSERT_GE(f.DownloadState.Percent, 0);
    }
    f.Downloading = true;
    const std::uint8_t end[] = {lp::ReplyEnd};
    f.ShowRead(nullptr, 0, end, 1);
    EXPECT_FALSE(f.Downloading);
    EXPECT_EQ(f.Dados.rowCount(), 1);
}

} // namespace
