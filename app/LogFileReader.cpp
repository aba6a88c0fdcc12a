#include "app/LogFileReader.h"

#include "app/LogFileSystem.h"
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
        throw platform::PlatformError("Cannot read the log file " + path + ": " + parsed.error);

    const ParsedLog& log = *parsed.log;
    LoadedLog loaded;
    loaded.head = log.head;
    loaded.rows = log.rows;
    loaded.start = log.head.ZeroOffsetMs() / 1000.0;
    if (loaded.start > 0)
        loaded.start = -loaded.start;
    loaded.step = 1.0 / log.head.Rate();
    loaded.x = TimeAxis(loaded.start, loaded.step, loaded.rows);
    loaded.channels.reserve(static_cast<std::size_t>(log.channelCount));
    for (const StoredSignal& stored : log.entries) {
        if (stored.kind == ColumnKind::Unknown)
            continue;
        auto decoded = signal_decoding::DecodeSignal(stored.id, stored.high, stored.low, autoScale);
        if (decoded)
            loaded.channels.push_back({stored.listPosition, std::move(*decoded)});
    }
    return loaded;
}

} // namespace log_file
