#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The ".ZQL" log file: a fixed head of blocks, the samples column after column,
// and a trailer. Every multi-byte integer is big-endian. Plain C++ so that the
// layout can be checked and fuzzed without any window around it.
namespace log_file {

struct Block {
    std::size_t offset;
    std::size_t size;
    constexpr std::size_t end() const { return offset + size; }
};

inline constexpr Block MagicBlock{0, 32};
inline constexpr Block HeaderBlock{32, 32};
inline constexpr Block ExtraBlock{64, 8};
inline constexpr Block NameBlock{72, 16};
inline constexpr Block DateBlock{88, 6};
inline constexpr Block ColumnIdsBlock{94, 32};
inline constexpr Block SignalListBlock{126, 33};
inline constexpr std::size_t DataOffset = SignalListBlock.end();
static_assert(DataOffset == 159);

inline constexpr std::string_view Magic = "@@@ZORVANLOGGER100@@@@@@@@@@@@@@";
static_assert(Magic.size() == MagicBlock.size);
// "<EOF>" and a zero byte.
inline constexpr std::array<std::uint8_t, 6> Trailer{'<', 'E', 'O', 'F', '>', 0};

// Fields of the header block, offsets within the block.
namespace header_field {
inline constexpr Block LogNumber{0, 2};
inline constexpr Block Rate{2, 1};
inline constexpr Block Columns{3, 1};
inline constexpr Block Rows{4, 3};
inline constexpr Block ZeroOffset{7, 4}; // milliseconds the first row lies before zero
} // namespace header_field

inline constexpr std::size_t MaxColumns = ColumnIdsBlock.size;
inline constexpr std::size_t MaxSignals = SignalListBlock.size - 1;
inline constexpr std::uint32_t MaxRows = 0xFFFFFF;
// A chart window has sixteen side panels.
inline constexpr std::size_t MaxChannels = 16;

// Ids of the high-byte column of a 16-bit signal; the signal itself is named
// by the next (odd) id.
inline constexpr std::array<std::uint8_t, 6> HighByteIds{0, 2, 4, 6, 8, 14};
bool IsHighByteId(int id);

// How a signal-list entry lies in the data: a high and a low column, a single
// column, or a column no signal of the program decodes.
enum class ColumnKind { HighAndLow, Single, Unknown };
ColumnKind KindOf(int id);
// Data columns an entry of that id takes.
int ColumnsOf(int id);

std::uint32_t ReadBigEndian(std::span<const std::uint8_t> bytes);
void WriteBigEndian(std::span<std::uint8_t> bytes, std::uint32_t value);

// The head of a file (magic up to the signal list) with its fields.
struct LogHead {
    std::array<std::uint8_t, DataOffset> bytes{};

    std::span<std::uint8_t> block(Block b) { return std::span(bytes).subspan(b.offset, b.size); }
    std::span<const std::uint8_t> block(Block b) const { return std::span(bytes).subspan(b.offset, b.size); }

    std::uint16_t LogNumber() const;
    std::uint8_t Rate() const;
    std::uint8_t Columns() const;
    std::uint32_t Rows() const;
    void SetRows(std::uint32_t rows);
    // The stored zero-point offset read as a signed 32-bit number.
    std::int32_t ZeroOffsetMs() const;
    void SetZeroOffsetMs(std::uint32_t magnitude);
    std::uint8_t SignalCount() const { return bytes[SignalListBlock.offset]; }
    // The listed ids (never more than the block holds).
    std::span<const std::uint8_t> SignalIds() const;
};

// The signal list of a download: the ids of the first `columns` column ids
// that are not high-byte ids, in column order, as the 33-byte block.
std::array<std::uint8_t, SignalListBlock.size> MakeSignalList(std::span<const std::uint8_t> columnIds,
                                                               std::size_t columns);

// Where one signal-list entry's columns lie in the file.
struct StoredSignal {
    int listPosition;
    int id;
    ColumnKind kind;
    std::size_t firstColumn; // index of its first data column
    std::span<const std::uint8_t> high; // empty unless HighAndLow
    std::span<const std::uint8_t> low;  // the single column for Single and Unknown
};

struct ParsedLog {
    LogHead head;
    std::uint32_t rows = 0;
    std::vector<StoredSignal> entries; // every list entry, in list order
    int channelCount = 0;              // entries with a decodable signal
    std::span<const std::uint8_t> data; // every column, rows bytes each

    std::span<const std::uint8_t> column(std::size_t index) const { return data.subspan(index * rows, rows); }
};

// Why a head cannot be read as a log, whatever data follows it.
enum class HeadFault {
    None,
    RateZero,
    TooManyColumns,
    TooManySignals,
    ColumnsMissing, // the signal list needs more columns than the head has
    TooManyChannels,
};
HeadFault CheckHead(const LogHead& head);
// The fault as the user is told it (UTF-8), with the head's own numbers.
std::string HeadFaultText(const LogHead& head, HeadFault fault);

struct ParseResult {
    std::optional<ParsedLog> log;
    // When log is empty: whether the bytes are no log at all (they do not
    // start with the magic) rather than a damaged log of the program.
    bool notALog = false;
    std::string error; // why the bytes are not a readable log, when log is empty
};

// Checks and splits a whole file held in memory. The spans of the result
// point into `file`. Nothing outside the announced data is ever read, and
// nothing is sized from the head's counts before they are checked against the
// bytes present. A file shorter than its head or than its rows and columns
// say, with rate 0, more than 32 columns or signals, more than 16 channels or
// a signal list needing more columns than the header holds is refused. The
// magic and the trailer decide nothing: a file whose head and rows agree is
// read whatever they hold, and a refused one is no log when it does not start
// with the magic, else a damaged log with the reason.
ParseResult ParseLogFile(std::span<const std::uint8_t> file);

// A data column kept as it was read: the program cannot decode its signal,
// so a save writes these bytes back instead of values it does not have.
struct RawColumn {
    std::size_t index; // column number in the file
    std::vector<std::uint8_t> bytes;
};

// Zero-point offset to store for a first sample at time x (seconds): its
// magnitude in whole milliseconds, rounded to the nearest and kept within a
// signed 32-bit number.
std::uint32_t ZeroOffsetFor(double firstX);

// The columns of one signal from its decoded values, the inverse of the
// decoding table rounded to the nearest integer so that decoded bytes come
// back unchanged. `high` is left empty for single-column signals; both stay
// empty for ids the program does not decode.
struct EncodedSignal {
    std::vector<std::uint8_t> high;
    std::vector<std::uint8_t> low;
};
EncodedSignal EncodeSignal(int id, bool wideBand, std::span<const double> values);

} // namespace log_file
