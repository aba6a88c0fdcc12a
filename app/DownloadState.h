#pragma once

#include <QString>

#include <array>
#include <cstdint>

// State of the one running log download, filled from the logger's replies.
struct TDownloadState {
    std::array<std::uint8_t, 32> Header{}; // the file's header block
    std::uint16_t LogNumber = 0;
    std::uint8_t Rate = 0;     // samples per second
    std::uint8_t Columns = 0;  // bytes per row
    std::int32_t Rows = 0;     // rows kept
    QString Name;              // cleaned device name
    std::array<std::uint8_t, 16> NameBytes{};
    std::array<std::uint8_t, 8> Extra{};
    std::array<std::uint8_t, 32> Ids{};
    std::array<std::uint8_t, 6> Date{}; // day, month, year % 100, hour, minute, second
    std::int32_t Column = 0;   // next cell to fill
    std::int32_t Row = 0;
    double Received = 0;
    double Total = 0;
    double Percent = 0;
    // Reports the device had lost when the download was asked for, and
    // whether it lost more since: blocks carry no number, so every byte after
    // a lost one would land in the wrong column. Counted from the request, not
    // the header: reports behind a header still waiting for the main thread
    // can be lost before the header is read.
    std::uint64_t LostAtRequest = 0;
    bool ReportsLost = false;
};
