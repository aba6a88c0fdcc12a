// A chart window's save writes back what it read: the bytes of every column
// it shows, and as they were those it cannot show.
#include "AppTestSupport.h"

#include <filesystem>

namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t rows = 100; // 10 per second: 0 .. 9.9 s

// Bytes each decodable column takes back unchanged through decoding and
// encoding; other columns get bytes no decoding could give back.
std::uint8_t cell(std::uint8_t id, bool wideBand, std::uint32_t r)
{
    if (wideBand && log_file::IsHighByteId(id))
        return 0x80;
    if (log_file::IsHighByteId(id))
        return std::uint8_t(r >> 4);
    if (id == 20)
        return std::uint8_t(r & 1);
    if (log_file::KindOf(id) == log_file::ColumnKind::Unknown)
        return std::uint8_t(r * 37 + 5);
    return std::uint8_t(r);
}

struct SaveCase {
    const char* name;
    std::vector<std::uint8_t> ids;
    bool wideBand;
    std::uint32_t zeroOffset;    // stored in the head
    std::vector<std::size_t> raw; // columns no channel shows
};

class ChartSaveTest : public AppTestEnv, public testing::WithParamInterface<SaveCase> {
protected:
    std::string path() const { return folder(QStringLiteral("Carro/log.ZQL")).toStdString(); }

    TMDIChild& open()
    {
        const SaveCase& c = GetParam();
        fs::create_directories(folder(QStringLiteral("Carro")).toStdString());
        log_file::LogHead head = log_file::MakeDownloadHead(makeDownload(c.ids, rows), rows);
        head.SetZeroOffsetMs(c.zeroOffset);
        std::vector<std::vector<std::uint8_t>> columns(c.ids.size());
        for (std::size_t col = 0; col < c.ids.size(); ++col)
            for (std::uint32_t r = 0; r < rows; ++r)
                columns[col].push_back(cell(c.ids[col], c.wideBand, r));
        writeLog(path(), head, columns);
        original_ = fileBytes(path());
        form().AbreArquivo(folder(QStringLiteral("Carro")), QStringLiteral("log.ZQL"));
        EXPECT_EQ(charts().size(), 1u);
        return *charts().front();
    }

    // Column `col` of the file as stored now, and as it was written.
    std::vector<std::uint8_t> storedColumn(std::size_t col) const
    {
        const std::vector<std::uint8_t> bytes = fileBytes(path());
        const log_file::ParseResult parsed = log_file::ParseLogFile(bytes);
        if (!parsed.log)
            return {};
        const auto column = parsed.log->column(col);
        return {column.begin(), column.end()};
    }
    std::vector<std::uint8_t> originalColumn(std::size_t col, std::size_t from = 0) const
    {
        const auto begin = original_.begin() + static_cast<std::ptrdiff_t>(log_file::DataOffset + col * rows + from);
        return {begin, begin + static_cast<std::ptrdiff_t>(rows - from)};
    }

    std::vector<std::uint8_t> original_;
};

TEST_P(ChartSaveTest, UneditedSaveGivesBackTheSameBytes)
{
    TMDIChild& chart = open();
    chart.SalvarArquivo();
    EXPECT_TRUE(fileBytes(path()) == original_);
}

// Logs with columns no channel shows.
class UndecodedColumnsTest : public ChartSaveTest {};

TEST_P(UndecodedColumnsTest, ZeroPointAndCutLeaveThemAsTheyWere)
{
    TMDIChild& chart = open();
    chart.Grafico_Split();
    chart.PickedX = 2.5;
    chart.PickedValid = true;
    chart.SLScope1Click();
    chart.SalvarArquivo();
    for (std::size_t col : GetParam().raw)
        EXPECT_EQ(storedColumn(col), originalColumn(col)) << "column " << col;

    chart.Grafico_Cut(); // keeps the row at -0.1 s and those from zero on
    chart.SalvarArquivo();
    ASSERT_EQ(chart.RowCount, 76);
    for (std::size_t col : GetParam().raw)
        EXPECT_EQ(storedColumn(col), originalColumn(col, rows - 76)) << "column " << col;
}

const SaveCase undecoded[] = {SaveCase{"UnknownId", {0, 1, 25, 10}, false, 0, {2}},
                               SaveCase{"UnknownIdsAroundSignals", {30, 6, 7, 21, 22, 16}, false, 0, {0, 3, 4}},
                               SaveCase{"ColumnPastTheSignalList", {0, 1, 10, 14}, false, 0, {3}}};

INSTANTIATE_TEST_SUITE_P(Undecoded, ChartSaveTest, testing::ValuesIn(undecoded), caseName);
INSTANTIATE_TEST_SUITE_P(Undecoded, UndecodedColumnsTest, testing::ValuesIn(undecoded), caseName);
INSTANTIATE_TEST_SUITE_P(
    Shown, ChartSaveTest,
    testing::Values(SaveCase{"TwoWideBandLambdas", {8, 9, 8, 9, 10}, true, 0, {}},
                    SaveCase{"ZeroPointAtTheSignedLimit", {0, 1, 10}, false, 0x80000000U, {}},
                    SaveCase{"NegativeZeroPoint", {0, 1, 10}, false, 0xFFFFFC18U, {}}),
    caseName);

} // namespace
