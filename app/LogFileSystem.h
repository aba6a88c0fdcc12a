#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The file-system calls of the log files and the folder tree. Paths are UTF-8.
// Entries are classified with the attribute values the tree compares exactly:
// a folder is 16, a regular file 32, and an entry the user may not write, or
// whose name begins with ".", carries the read-only or hidden bit on top.
namespace log_fs {

enum Attribute : int {
    ReadOnly = 0x01,
    Hidden = 0x02,
    Directory = 0x10,
    Archive = 0x20,
};
// Every attribute, as a search mask.
inline constexpr int AnyAttribute = 63;

// None when the path names nothing (or something neither file nor folder).
std::optional<int> AttributesOf(const std::string& path);

// Exactly a plain writable folder / regular file, nothing more.
bool IsDirectory(const std::string& path);
bool IsFile(const std::string& path);
bool Exists(const std::string& path);

struct Entry {
    std::string name;
    int attributes;
};
// The entries of a folder other than "." and ".."; empty when it cannot be read.
std::vector<Entry> ListFolder(const std::string& folder);

// Names in mask's folder matching its last component (wildcards "*" and "?",
// letter case ignored) whose attributes equal `attribute` exactly; names
// beginning with "." are skipped.
std::vector<std::string> FindAll(const std::string& mask, int attribute);

// Renames or moves a file or folder; fails (false) rather than replace
// anything already at the destination.
bool MoveNoReplace(const std::string& from, const std::string& to);
// One level; false when it exists already or cannot be made.
bool MakeFolder(const std::string& path);
bool RemoveEmptyFolder(const std::string& path);
bool RemoveFile(const std::string& path);

// The whole file; raises platform::PlatformError naming the file on failure.
std::vector<std::uint8_t> ReadWholeFile(const std::string& path);

// Writes the pieces, in order, to a new file beside `path` and renames it over
// `path` once everything is written, so a failure at any point leaves an
// existing file as it was. A read-only file is not replaced. With `durable`
// the data is flushed to disk before the rename. Raises
// platform::PlatformError naming the file on failure.
void WriteFileReplacing(const std::string& path, std::span<const std::span<const std::uint8_t>> pieces,
                        bool durable);

} // namespace log_fs
