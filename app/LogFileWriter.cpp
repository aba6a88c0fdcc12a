#include "app/LogFileWriter.h"

#include "app/DownloadState.h"
#include "app/LogFileSystem.h"

#include <algorithm>

namespace log_file {

namespace {

void put(LogHead& head, Block block, std::span<const std::uint8_t> bytes)
{
    std::copy_n(bytes.begin(), std::min(bytes.size(), block.size), head.block(block).begin());
}

// A column of exactly `rows` bytes: the encoded ones, zero-filled or cut.
std::vector<std::uint8_t> fitted(std::vector<std::uint8_t> column, std::size_t rows)
{
    column.resize(rows, 0);
    return column;
}

} // namespace

LogHead MakeDownloadHead(const TDownloadState& download, std::uint32_t rows)
{
    LogHead head;
    put(head, MagicBlock, std::span(reinterpret_cast<const std::uint8_t*>(Magic.data()), Magic.size()));
    put(head, HeaderBlock, download.Header);
    head.SetRows(rows);
    put(head, ExtraBlock, download.Extra);
    put(head, NameBlock, download.NameBytes);
    put(head, DateBlock, download.Date);
    put(head, ColumnIdsBlock, download.Ids);
    put(head, SignalListBlock, MakeSignalList(download.Ids, download.Columns));
    return head;
}

void WriteLogFile(const std::string& path, const LogHead& head,
                  std::span<const std::span<const std::uint8_t>> columns, bool durable)
{
    const std::size_t rows = head.Rows();
    std::vector<std::span<const std::uint8_t>> pieces;
    pieces.reserve(columns.size() * 2 + 2);
    pieces.emplace_back(head.bytes);
    // Short columns are filled from one shared run of zeros.
    std::vector<std::uint8_t> zeros;
    for (std::span<const std::uint8_t> column : columns) {
        const std::size_t have = std::min(column.size(), rows);
        pieces.push_back(column.first(have));
        if (have < rows) {
            if (zeros.size() < rows)
                zeros.assign(rows, 0);
            pieces.push_back(std::span<const std::uint8_t>(zeros).first(rows - have));
        }
    }
    pieces.emplace_back(Trailer);
    log_fs::WriteFileReplacing(path, pieces, durable);
}

std::vector<std::vector<std::uint8_t>> EncodeColumns(const LogHead& head, std::span<const SavedSignal> saved,
                                                     std::span<const RawColumn> raw)
{
    const std::size_t rows = head.Rows();
    std::vector<std::vector<std::uint8_t>> columns;
    const std::span<const std::uint8_t> ids = head.SignalIds();
    for (std::size_t p = 0; p < ids.size(); ++p) {
        const int id = ids[p];
        const SavedSignal signal = p < saved.size() ? saved[p] : SavedSignal{};
        if (KindOf(id) == ColumnKind::Unknown || !signal.values) {
            for (int c = 0; c < ColumnsOf(id); ++c)
                columns.emplace_back(rows, 0);
            continue;
        }
        EncodedSignal encoded =
            EncodeSignal(id, signal.wideBand, signal.values->first(std::min(rows, signal.values->size())));
        if (KindOf(id) == ColumnKind::HighAndLow)
            columns.push_back(fitted(std::move(encoded.high), rows));
        columns.push_back(fitted(std::move(encoded.low), rows));
    }
    // Columns no list entry names stay as long as the head says there are.
    while (columns.size() < head.Columns())
        columns.emplace_back(rows, 0);
    for (const RawColumn& column : raw) {
        if (column.index < columns.size())
            columns[column.index] = fitted(column.bytes, rows);
    }
    return columns;
}

} // namespace log_file
