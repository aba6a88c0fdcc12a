#pragma once

#include "app/LogFileFormat.h"
#include "app/SignalDecoding.h"

#include <cstdint>
#include <string>
#include <vector>

namespace log_file {

// A log file read and decoded, ready for a chart window.
struct LoadedLog {
    struct Channel {
        int listPosition;
        signal_decoding::DecodedSignal signal;
    };

    LogHead head;
    std::uint32_t rows = 0;
    double start = 0; // time of the first row, seconds (never after zero)
    double step = 0;  // seconds per row
    std::vector<double> x; // the time of each row; empty when no channel draws them
    std::vector<Channel> channels; // one per decodable list entry, in list order
    // Every column no channel was made from (a signal the program cannot
    // decode, or a column past the signal list), as stored.
    std::vector<RawColumn> rawColumns;
};

// Time of each row: start, then start + step added once per row.
std::vector<double> TimeAxis(double start, double step, std::uint32_t rows);

// Reads and decodes the whole file before anything is shown, so a bad file
// costs no half-built window. Raises platform::PlatformError with a message
// naming the file when it cannot be read or is not a sound log.
LoadedLog LoadLogFile(const std::string& path, bool autoScale);

} // namespace log_file
