#pragma once

#include "platform/PlatformError.h"

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace platform {

// Whether a failure of the settings file came from reading it or from
// writing it: a run tells each kind once.
enum class SettingsAccess { Read, Write };

// A failure of the settings file itself. Besides the whole message it keeps
// the cause alone (a folder in the file's place, a damaged line, no
// permission...), so that a caller can tell the failure in words of its own.
class SettingsFileError : public PlatformError {
public:
    SettingsFileError(const std::string& message, std::string cause, SettingsAccess access)
        : PlatformError(message), cause_(std::move(cause)), access_(access)
    {
    }
    const std::string& cause() const { return cause_; }
    SettingsAccess access() const { return access_; }

private:
    std::string cause_;
    SettingsAccess access_;
};

// A small hierarchical key/value store kept in a text file, with the semantics
// the program expects of its settings: a key is opened with or without being
// created, an absent value reads as empty, a write goes to the file at once.
//
// File layout (UTF-8):
//   [SOFTWARE\Zorvan]
//   LogDir=/home/user/Zorvan_Logs
// Values escape backslash, newline and carriage return as \\, \n and \r.
//
// Every failure to read or write the file, and a damaged file, raises
// SettingsFileError with the message shown to the user.
class SettingsStore {
public:
    explicit SettingsStore(std::filesystem::path file);

    // ZQ_SETTINGS_FILE when set, else $XDG_CONFIG_HOME (or ~/.config) /Zorvan/Quillstone.conf.
    static std::filesystem::path defaultPath();

    const std::filesystem::path& path() const { return file_; }

    // Reads the file again and makes key the current key. Without canCreate an
    // absent key (or an absent file) gives false and leaves no key open.
    bool openKey(std::string_view key, bool canCreate);
    void closeKey();
    bool hasOpenKey() const { return current_.has_value(); }
    bool keyExists(std::string_view key);
    // The failure of a write that needed the key openKey last found absent,
    // told by the file's own state: the file or a folder of its path missing,
    // a part of its path that is no folder, or a file without the settings.
    SettingsFileError absentKeyError() const;

    // Value of the current key; empty when absent or when no key is open.
    std::string readString(std::string_view name) const;
    // Needs an open key.
    void writeString(std::string_view name, std::string_view value);

private:
    using Values = std::map<std::string, std::string, std::less<>>;
    using Keys = std::map<std::string, Values, std::less<>>;

    void load();
    void save() const;
    static std::string normaliseKey(std::string_view key);

    std::filesystem::path file_;
    Keys keys_;
    std::optional<std::string> current_;
    std::optional<int> fileAbsence_; // why the file was not there at the last load (an errno)
};

} // namespace platform
