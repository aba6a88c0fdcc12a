#pragma once

#include "app/LogFileFormat.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct TDownloadState;

namespace log_file {

// The head of a freshly downloaded log holding `rows` rows: the header block
// of the download with that row count, its extra bytes, name, date and column
// ids, and the signal list made from the column ids.
LogHead MakeDownloadHead(const TDownloadState& download, std::uint32_t rows);

// Writes head, the columns (each cut to head.Rows() bytes, zero-filled when
// shorter) and the trailer. The file appears whole or not at all; see
// log_fs::WriteFileReplacing.
void WriteLogFile(const std::string& path, const LogHead& head,
                  std::span<const std::span<const std::uint8_t>> columns, bool durable);

// One signal-list position of a chart being saved: the values of its channel
// (none when the id has no channel) and whether it is the wide-band lambda.
struct SavedSignal {
    std::optional<std::span<const double>> values;
    bool wideBand = false;
};

// The data columns for a save: each list entry encoded from its channel's
// values, head.Rows() rows each; a raw column goes back as its bytes. A column
// with neither is zeros, so the columns after it stay where the head says.
std::vector<std::vector<std::uint8_t>> EncodeColumns(const LogHead& head, std::span<const SavedSignal> saved,
                                                     std::span<const RawColumn> raw = {});

} // namespace log_file
