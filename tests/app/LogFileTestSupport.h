#pragma once

#include "app/DownloadState.h"
#include "app/LogFileFormat.h"
#include "app/LogFileWriter.h"

#include <QString>

#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <span>
#include <string>
#include <vector>

// Builds downloads and log files the way the logger's replies would give them.
namespace log_file_test {

inline TDownloadState makeDownload(std::vector<std::uint8_t> columnIds, std::uint32_t rows, std::uint8_t rate = 10,
                                   std::uint16_t logNumber = 7, const char* name = "MeuCarro")
{
    TDownloadState d;
    d.LogNumber = logNumber;
    d.Rate = rate;
    d.Columns = static_cast<std::uint8_t>(columnIds.size());
    d.Rows = static_cast<std::int32_t>(rows);
    d.Header[0] = static_cast<std::uint8_t>(logNumber >> 8);
    d.Header[1] = static_cast<std::uint8_t>(logNumber & 0xFF);
    d.Header[2] = rate;
    d.Header[3] = d.Columns;
    log_file::WriteBigEndian(std::span(d.Header).subspan(4, 3), rows);
    d.Name = QString::fromLatin1(name);
    for (std::size_t i = 0; i < 16 && name[i] != 0; ++i)
        d.NameBytes[i] = static_cast<std::uint8_t>(name[i]);
    d.Extra = {1, 2, 3, 4, 5, 6, 7, 8};
    d.Date = {6, 12, 26, 22, 40, 5};
    for (std::size_t i = 0; i < columnIds.size() && i < d.Ids.size(); ++i)
        d.Ids[i] = columnIds[i];
    return d;
}

// Column c of row r holds value(c, r).
inline std::vector<std::vector<std::uint8_t>> makeColumns(std::size_t columns, std::uint32_t rows,
                                                          const std::function<std::uint8_t(std::size_t, std::uint32_t)>& value)
{
    std::vector<std::vector<std::uint8_t>> out(columns, std::vector<std::uint8_t>(rows));
    for (std::size_t c = 0; c < columns; ++c)
        for (std::uint32_t r = 0; r < rows; ++r)
            out[c][r] = value(c, r);
    return out;
}

inline void writeLog(const std::string& path, const log_file::LogHead& head,
                     const std::vector<std::vector<std::uint8_t>>& columns)
{
    std::vector<std::span<const std::uint8_t>> spans(columns.begin(), columns.end());
    log_file::WriteLogFile(path, head, spans, false);
}

inline std::vector<std::uint8_t> fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace log_file_test
