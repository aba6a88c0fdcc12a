#pragma once
// The logger's USB protocol, shared by the program and the simulated logger:
// identity, command and reply codes, and the byte offsets of every report.
// Offsets count from the report id byte (offset 0); multi-byte integers are
// big-endian.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace logger_protocol {

inline constexpr std::uint16_t VendorId = 0xFF00;
inline constexpr std::uint16_t ProductId = 0xFF01;
inline constexpr char16_t Manufacturer[] = u"Zorvan Performance Parts.";

// Report id byte plus 64 data bytes; every report buffer has this size.
inline constexpr std::size_t ReportLength = 65;
using Report = std::array<std::uint8_t, ReportLength>;

// Commands (feature reports): code at offset 1, log number at 2 (high) and 3 (low).
enum Command : std::uint8_t {
    CmdFormat = 0x01,
    CmdList = 0x02,
    CmdDelete = 0x04,
    CmdReadConfig = 0x08,
    CmdDownload = 0x20,
};
inline constexpr std::size_t CommandCode = 1;
inline constexpr std::size_t CommandLogHigh = 2;
inline constexpr std::size_t CommandLogLow = 3;

// Status (feature report read): the busy bit of byte 1.
inline constexpr std::size_t StatusByte = 1;
inline constexpr std::uint8_t StatusBusy = 0x80;

// Replies (input reports): code at offset 1.
enum Reply : std::uint8_t {
    ReplyList = 0x01,
    ReplyListEcho = 0x02,
    ReplyHeader = 0x03,
    ReplyData = 0x04,
    ReplyEnd = 0x05,
    ReplyConfig = 0x10,
};
inline constexpr std::size_t ReplyCode = 1;

// Reply 0x01: seven entries of nine bytes.
struct ListLayout {
    static constexpr std::size_t FirstEntry = 2;
    static constexpr std::size_t EntrySize = 9;
    static constexpr std::size_t Entries = 7;
    // Within an entry.
    static constexpr std::size_t Number = 0;  // 2 bytes; a 0xFF byte marks an empty entry
    static constexpr std::size_t Rate = 2;    // samples per second
    static constexpr std::size_t Samples = 6; // 3 bytes
    static constexpr std::size_t entry(std::size_t i) { return FirstEntry + i * EntrySize; }
};

// Reply 0x10.
struct ConfigLayout {
    static constexpr std::size_t FreeMemory = 2; // 2 bytes, in units of MemoryUnit bytes
    static constexpr std::size_t LastLog = 4;    // 2 bytes
    static constexpr std::size_t IdCount = 7;
    static constexpr std::size_t Name = 17;      // 16 bytes, zero ended when shorter
    static constexpr std::size_t Ids = 33;       // up to 32
    static constexpr unsigned MemoryUnit = 526;
};

// Reply 0x03.
struct HeaderLayout {
    static constexpr std::size_t Number = 2;  // 2 bytes
    static constexpr std::size_t Rate = 4;
    static constexpr std::size_t Columns = 5;
    static constexpr std::size_t Rows = 6;    // 3 bytes, announced rows
    static constexpr std::size_t Name = 9;    // 16 bytes
    static constexpr std::size_t Extra = 25;  // 8 bytes
    static constexpr std::size_t Ids = 33;    // 32 bytes
};

// Reply 0x04: 63 sample bytes from offset 2 on.
inline constexpr std::size_t DataFirst = 2;
inline constexpr std::size_t DataBytes = ReportLength - DataFirst;

// Configuration (output report).
struct ConfigWriteLayout {
    static constexpr std::size_t Marker1 = 1; // 0x10
    static constexpr std::size_t Marker2 = 2; // 0x19
    static constexpr std::uint8_t Marker1Value = 0x10;
    static constexpr std::uint8_t Marker2Value = 0x19;
    static constexpr std::size_t IdCount = 3;
    static constexpr std::size_t Ids = 4;     // 32 bytes
    static constexpr std::size_t Name = 36;   // 16 bytes
};

inline constexpr std::size_t MaxIds = 32;
inline constexpr std::size_t NameLength = 16;

inline constexpr unsigned get16(std::span<const std::uint8_t> r, std::size_t at)
{
    return (unsigned{r[at]} << 8) | r[at + 1];
}
inline constexpr unsigned get24(std::span<const std::uint8_t> r, std::size_t at)
{
    return (unsigned{r[at]} << 16) | (unsigned{r[at + 1]} << 8) | r[at + 2];
}
inline constexpr void put16(std::span<std::uint8_t> r, std::size_t at, unsigned v)
{
    r[at] = static_cast<std::uint8_t>(v >> 8);
    r[at + 1] = static_cast<std::uint8_t>(v);
}
inline constexpr void put24(std::span<std::uint8_t> r, std::size_t at, unsigned v)
{
    r[at] = static_cast<std::uint8_t>(v >> 16);
    r[at + 1] = static_cast<std::uint8_t>(v >> 8);
    r[at + 2] = static_cast<std::uint8_t>(v);
}

} // namespace logger_protocol
