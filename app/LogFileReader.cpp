#include "app/LogFileReader.h"

#include "app/LogFileSystem.h"
#include "platform/Messages.h"
#include "platform/PlatformError.h"

namespace log_file {

std::vector<double> TimeAxis(double start, double step, std::uint32_t rows)
{
    std::vector<double> x(rows);
    // Repeated addition, not start + i * step: the times must match those of
    // every earlier reading of the same file to the last bit.
    double t = start;
    for (double& xi : x) {
        xi = t;
        t += step;
    }
    return x;
}

LoadedLog LoadLogFile(const std::string& path, bool autoScale)
{
    const std::vector<std::uint8_t> bytes = log_fs::ReadWholeFile(path);
    ParseResult parsed = ParseLogFile(bytes);
    if (!parsed.log)
        throw platform::PlatformError(
            platform::messageUtf8(parsed.notALog ? platform::Message::LogNotALog : platform::Message::LogDamaged,
                                  {QString::fromStdString(path), QString::fromStdString(parsed.error)}));

    const ParsedLog& log = *parsed.log;
    LoadedLog loaded;
    loaded.head = log.head;
    loaded.rows = log.rows;
    loaded.start = log.head.ZeroOffsetMs() / 1000.0;
    if (loaded.start > 0)
        loaded.start = -loaded.start;
    loaded.step = 1.0 / log.head.Rate();
    loaded.channels.reserve(static_cast<std::size_t>(log.channelCount));
    std::vector<bool> decoded(log.head.Columns(), false);
    for (const StoredSignal& stored : log.entries) {
        if (stored.kind == ColumnKind::Unknown)
            continue;
        auto signal = signal_decoding::DecodeSignal(stored.id, stored.high, stored.low, autoScale);
        if (!signal)
            continue;
        loaded.channels.push_back({stored.listPosition, std::move(*signal)});
        for (int c = 0; c < ColumnsOf(stored.id); ++c)
            decoded[stored.firstColumn + static_cast<std::size_t>(c)] = true;
    }
    // Times only for rows a channel draws: the rows of a log without a column
    // hold no byte, so the head's count alone must not size anything.
    if (!loaded.channels.empty())
        loaded.x = TimeAxis(loaded.start, loaded.step, loaded.rows);
    for (std::size_t c = 0; c < decoded.size(); ++c) {
        if (!decoded[c]) {
            const std::span<const std::uint8_t> bytes = log.column(c);
            loaded.rawColumns.push_back({c, std::vector<std::uint8_t>(bytes.begin(), bytes.end())});
        }
    }
    return loaded;
}

} // namespace log_file
