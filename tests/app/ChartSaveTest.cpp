// A chart window's save writes back what it read: the bytes of every column
// it shows, and as they were those it cannot show.
#include "AppTestSupport.h"

namespace {

constexpr std::uint32_t rows = 100; // 10 per second: 0 .. 9.9 s

// Bytes each decodable column takes back unchanged through decoding and
// encoding; other columns get bytes no decoding could give back.
std::uint8_t cell(std::uint8_t id, bool wideBand, std::uint32_t r)
{
    if (log_file::IsHighByteId(id))
        return wideBand ? 0x80 : std::uint8_t(r >> 4);
    if (id == 20)
        return std::uint8_t(r & 1);
    return log_file::KindOf(id) == log_file::ColumnKind::Unknown ? std::uint8_t(r * 37 + 5) : std::uint8_t(r);
}

struct SaveCase {
    const char* name;
    std::vector<std::uint8_t> ids;
    bool wideBand;
    std::uint32_t zeroOffset;     // stored in the head
    std::vector<std::size_t> raw; // columns no channel shows
    void (*editHead)(log_file::LogHead&) = nullptr; // what a download would not write
};

// What no download writes: another magic, the header's spare bytes set, a
// name filling its block and the highest log number.
void unusualHead(log_file::LogHead& head)
{
    std::ranges::copy(std::string_view("Registro de motor, versao 2.0 ##"), head.block(log_file::MagicBlock).begin());
    std::ranges::fill(head.block(log_file::HeaderBlock).subspan(11), 0xA5);
    std::ranges::fill(head.block(log_file::HeaderBlock).first(2), 0xFF);
    std::ranges::copy(std::string_view("Carro de Corrida"), head.block(log_file::NameBlock).begin());
}

class ChartSaveTest : public AppTestEnv, public testing::WithParamInterface<SaveCase> {};

TEST_P(ChartSaveTest, UneditedSaveGivesBackTheSameBytesAndEditsLeaveUndecodedColumns)
{
    const SaveCase& c = GetParam();
    const QString dir = folder(QStringLiteral("Carro"));
    const std::string path = (dir + QStringLiteral("/log.ZQL")).toStdString();
    QDir().mkpath(dir);
    log_file::LogHead head = log_file::MakeDownloadHead(makeDownload(c.ids, rows), rows);
    head.SetZeroOffsetMs(c.zeroOffset);
    if (c.editHead != nullptr)
        c.editHead(head);
    writeLog(path, head, makeColumns(c.ids.size(), rows, [&](std::size_t col, std::uint32_t r) {
                 return cell(c.ids[col], c.wideBand, r);
             }));
    const std::vector<std::uint8_t> original = fileBytes(path);
    form().AbreArquivo(dir, QStringLiteral("log.ZQL"));
    ASSERT_EQ(charts().size(), 1u);
    TMDIChild& chart = *charts().front();
    chart.SalvarArquivo();
    EXPECT_TRUE(fileBytes(path) == original);
    if (c.raw.empty())
        return; // every column is shown: the chart window's own tests take its edits

    // Each undecoded column as stored now against the last `kept` rows written.
    const auto expectRawKept = [&](std::uint32_t kept) {
        const std::vector<std::uint8_t> bytes = fileBytes(path);
        const log_file::ParseResult parsed = log_file::ParseLogFile(bytes);
        ASSERT_TRUE(parsed.log) << parsed.error;
        for (std::size_t col : c.raw) {
            const auto now = parsed.log->column(col);
            const auto was = std::span(original).subspan(log_file::DataOffset + col * rows + rows - kept, kept);
            EXPECT_TRUE(std::equal(now.begin(), now.end(), was.begin(), was.end())) << "column " << col;
        }
    };
    pickZeroAt(chart, 2.5);
    chart.SalvarArquivo();
    expectRawKept(rows);
    chart.Grafico_Cut(); // keeps the row at -0.1 s and those from zero on
    chart.SalvarArquivo();
    ASSERT_EQ(chart.RowCount, 76);
    expectRawKept(76);
}

INSTANTIATE_TEST_SUITE_P(
    Logs, ChartSaveTest,
    testing::Values(SaveCase{"UnknownId", {0, 1, 25, 10}, false, 0, {2}},
                    SaveCase{"UnknownIdsAroundSignals", {30, 6, 7, 21, 22, 16}, false, 0, {0, 3, 4}},
                    SaveCase{"ColumnPastTheSignalList", {0, 1, 10, 14}, false, 0, {3}},
                    SaveCase{"TwoWideBandLambdas", {8, 9, 8, 9, 10}, true, 0, {}},
                    SaveCase{"ZeroPointAtTheSignedLimit", {0, 1, 10}, false, 0x80000000U, {}},
                    SaveCase{"NegativeZeroPoint", {0, 1, 10}, false, 0xFFFFFC18U, {}},
                    SaveCase{"AnotherMagicAndAFullHead", {0, 1, 10, 25}, false, 0, {3}, unusualHead}),
    caseName);

} // namespace
