#include "app/LogFileFormat.h"

#include "platform/Messages.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace log_file {

namespace {

std::span<const std::uint8_t> field(const LogHead& head, Block f)
{
    return head.block(HeaderBlock).subspan(f.offset, f.size);
}

std::span<std::uint8_t> field(LogHead& head, Block f)
{
    return head.block(HeaderBlock).subspan(f.offset, f.size);
}

// Nearest integer of a decoded value; values no log can hold saturate
// instead of overflowing.
std::int64_t nearest(double value)
{
    constexpr double limit = 1e15;
    if (!std::isfinite(value))
        return 0;
    return std::llround(std::clamp(value, -limit, limit));
}

std::uint8_t lowByte(std::int64_t v)
{
    return static_cast<std::uint8_t>(v & 0xFF);
}

std::uint8_t highByte(std::int64_t v)
{
    return static_cast<std::uint8_t>((v & 0xFF00) >> 8);
}

constexpr int wideBandHighByte = 0x80;

} // namespace

bool IsHighByteId(int id)
{
    return std::find(HighByteIds.begin(), HighByteIds.end(), id) != HighByteIds.end();
}

ColumnKind KindOf(int id)
{
    switch (id) {
    case 1: case 3: case 5: case 7: case 9: case 15:
        return ColumnKind::HighAndLow;
    case 10: case 11: case 12: case 13: case 16: case 17: case 18: case 19: case 20:
        return ColumnKind::Single;
    default:
        return ColumnKind::Unknown;
    }
}

int ColumnsOf(int id)
{
    return KindOf(id) == ColumnKind::HighAndLow ? 2 : 1;
}

std::uint32_t ReadBigEndian(std::span<const std::uint8_t> bytes)
{
    std::uint32_t value = 0;
    for (std::uint8_t b : bytes)
        value = (value << 8) | b;
    return value;
}

void WriteBigEndian(std::span<std::uint8_t> bytes, std::uint32_t value)
{
    for (auto it = bytes.rbegin(); it != bytes.rend(); ++it) {
        *it = static_cast<std::uint8_t>(value & 0xFF);
        value >>= 8;
    }
}

std::uint16_t LogHead::LogNumber() const
{
    return static_cast<std::uint16_t>(ReadBigEndian(field(*this, header_field::LogNumber)));
}

std::uint8_t LogHead::Rate() const
{
    return field(*this, header_field::Rate)[0];
}

std::uint8_t LogHead::Columns() const
{
    return field(*this, header_field::Columns)[0];
}

std::uint32_t LogHead::Rows() const
{
    return ReadBigEndian(field(*this, header_field::Rows));
}

void LogHead::SetRows(std::uint32_t rows)
{
    WriteBigEndian(field(*this, header_field::Rows), std::min(rows, MaxRows));
}

std::int32_t LogHead::ZeroOffsetMs() const
{
    return static_cast<std::int32_t>(ReadBigEndian(field(*this, header_field::ZeroOffset)));
}

void LogHead::SetZeroOffsetMs(std::uint32_t magnitude)
{
    WriteBigEndian(field(*this, header_field::ZeroOffset), magnitude);
}

std::span<const std::uint8_t> LogHead::SignalIds() const
{
    return block(SignalListBlock).subspan(1, std::min<std::size_t>(SignalCount(), MaxSignals));
}

std::array<std::uint8_t, SignalListBlock.size> MakeSignalList(std::span<const std::uint8_t> columnIds,
                                                               std::size_t columns)
{
    std::array<std::uint8_t, SignalListBlock.size> list{};
    std::size_t count = 0;
    for (std::uint8_t id : columnIds.first(std::min(columns, columnIds.size()))) {
        if (!IsHighByteId(id) && count < MaxSignals)
            list[1 + count++] = id;
    }
    list[0] = static_cast<std::uint8_t>(count);
    return list;
}

namespace {

// Columns the signal list takes, and how many of its entries are shown.
struct ListNeeds {
    std::size_t columns = 0;
    int channels = 0;
};

ListNeeds needsOf(const LogHead& head)
{
    ListNeeds needs;
    for (std::uint8_t id : head.SignalIds()) {
        needs.columns += static_cast<std::size_t>(ColumnsOf(id));
        if (KindOf(id) != ColumnKind::Unknown)
            ++needs.channels;
    }
    return needs;
}

} // namespace

HeadFault CheckHead(const LogHead& head)
{
    if (head.Rate() == 0)
        return HeadFault::RateZero;
    if (head.Columns() > MaxColumns)
        return HeadFault::TooManyColumns;
    if (head.SignalCount() > MaxSignals)
        return HeadFault::TooManySignals;
    const ListNeeds needs = needsOf(head);
    if (needs.columns > head.Columns())
        return HeadFault::ColumnsMissing;
    if (static_cast<std::size_t>(needs.channels) > MaxChannels)
        return HeadFault::TooManyChannels;
    return HeadFault::None;
}

std::string HeadFaultText(const LogHead& head, HeadFault fault)
{
    using platform::Message;
    const auto number = [](auto n) { return QString::number(n); };
    switch (fault) {
    case HeadFault::None:
        break;
    case HeadFault::RateZero:
        return platform::messageUtf8(Message::ReasonRateZero);
    case HeadFault::TooManyColumns:
        return platform::messageUtf8(Message::ReasonTooManyColumns, {number(head.Columns())});
    case HeadFault::TooManySignals:
        return platform::messageUtf8(Message::ReasonTooManySignals, {number(head.SignalCount())});
    case HeadFault::ColumnsMissing:
        return platform::messageUtf8(Message::ReasonColumnsMissing, {number(head.Columns())});
    case HeadFault::TooManyChannels:
        return platform::messageUtf8(Message::ReasonTooManyChannels, {number(needsOf(head).channels)});
    }
    return {};
}

namespace {

bool startsWithMagic(std::span<const std::uint8_t> file)
{
    return file.size() >= Magic.size() && std::equal(Magic.begin(), Magic.end(), file.begin());
}

// The head and the rows checked against each other and against the bytes
// present; the magic and the trailer are not looked at.
ParseResult parseStructure(std::span<const std::uint8_t> file)
{
    const auto refuse = [](std::string reason) { return ParseResult{std::nullopt, false, std::move(reason)}; };
    if (file.size() < DataOffset)
        return refuse(platform::messageUtf8(platform::Message::ReasonShorterThanHead));

    ParsedLog log;
    std::copy_n(file.begin(), DataOffset, log.head.bytes.begin());
    const LogHead& head = log.head;
    if (const HeadFault fault = CheckHead(head); fault != HeadFault::None)
        return refuse(HeadFaultText(head, fault));

    log.rows = head.Rows();
    const std::size_t rows = log.rows;
    const std::size_t dataSize = std::size_t{head.Columns()} * rows;
    if (file.size() - DataOffset < dataSize)
        return refuse(platform::messageUtf8(platform::Message::ReasonShorterThanRows,
                                            {QString::number(rows), QString::number(head.Columns())}));

    log.data = file.subspan(DataOffset, dataSize);
    std::size_t columnsUsed = 0;
    int position = 0;
    for (std::uint8_t id : head.SignalIds()) {
        const ColumnKind kind = KindOf(id);
        StoredSignal signal{position++, id, kind, columnsUsed, {}, {}};
        if (kind == ColumnKind::HighAndLow) {
            signal.high = log.column(columnsUsed);
            signal.low = log.column(columnsUsed + 1);
        } else {
            signal.low = log.column(columnsUsed);
        }
        columnsUsed += static_cast<std::size_t>(ColumnsOf(id));
        if (kind != ColumnKind::Unknown)
            ++log.channelCount;
        log.entries.push_back(signal);
    }
    return ParseResult{std::move(log), false, {}};
}

} // namespace

ParseResult ParseLogFile(std::span<const std::uint8_t> file)
{
    ParseResult result = parseStructure(file);
    // The magic only words a refusal: bytes of another kind are no log to
    // download again, while a log of the program is damaged, with the reason.
    if (!result.log && !startsWithMagic(file)) {
        result.notALog = true;
        result.error = platform::messageUtf8(platform::Message::ReasonNoLogMark);
    }
    return result;
}

std::uint32_t ZeroOffsetFor(double firstX)
{
    const std::int64_t ms = nearest(std::fabs(firstX * 1000.0));
    return static_cast<std::uint32_t>(std::min<std::int64_t>(ms, std::numeric_limits<std::int32_t>::max()));
}

EncodedSignal EncodeSignal(int id, bool wideBand, std::span<const double> values)
{
    EncodedSignal out;
    const auto words = [&](auto toWord) {
        out.high.reserve(values.size());
        out.low.reserve(values.size());
        for (double y : values) {
            const std::int64_t v = toWord(y);
            out.high.push_back(highByte(v));
            out.low.push_back(lowByte(v));
        }
    };
    const auto bytes = [&](auto toByte) {
        out.low.reserve(values.size());
        for (double y : values)
            out.low.push_back(lowByte(toByte(y)));
    };

    switch (id) {
    case 1:
        words([](double y) { return nearest(y / 10); });
        break;
    case 3: case 5: case 15:
        words([](double y) { return nearest(y * 1000); });
        break;
    case 7:
        words([](double y) { return nearest(y * 100 + 100); });
        break;
    case 9:
        if (wideBand) {
            out.high.assign(values.size(), wideBandHighByte);
            bytes([](double y) { return nearest(y * 100); });
        } else {
            words([](double y) { return nearest(y * 1000); });
        }
        break;
    case 10: case 12: case 13: case 19: case 20:
        bytes([](double y) { return nearest(y); });
        break;
    case 11:
        bytes([](double y) { return nearest(y * 4 + 39); });
        break;
    case 16: case 17:
        bytes([](double y) { return nearest(y + 30); });
        break;
    case 18:
        bytes([](double y) { return nearest(y * 10); });
        break;
    default:
        break;
    }
    return out;
}

} // namespace log_file
