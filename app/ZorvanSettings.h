#pragma once

#include <QString>

#include <functional>
#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <utility>

namespace platform {
class PlatformError;
class SettingsStore;
enum class SettingsAccess;
}
struct AppServices;

// The program's two persistent settings and the key they live under.
namespace zorvan_settings {

inline constexpr char KeyPath[] = "\\SOFTWARE\\Zorvan";
inline constexpr char LogDirValue[] = "LogDir";
inline constexpr char AutoEscalaValue[] = "AutoEscala";

using Default = std::pair<const char*, QString>;

// What a run holds of the settings besides their file: the values in use,
// those of them that the file lacks because a save failed, and what the user
// has been told of a file that cannot be used. One per run, shared by the
// windows that read or change the settings.
struct RunState {
    std::map<std::string, QString, std::less<>> held;
    std::set<std::string, std::less<>> unsaved;
    bool failureTold = false;     // that the file cannot be read or written
    bool saveFailureTold = false; // that the file cannot be written

    // Takes note of a failure of the file met at start, on a read or on a
    // save, and says whether the user is still to be told of it: a file that
    // cannot be written is told once, and one that cannot be read once
    // unless anything of the file has been told already.
    bool firstTelling(platform::SettingsAccess access);
};

// How a failure met while using the settings file came about; one that is
// not of the file itself counts as a read.
platform::SettingsAccess accessOf(const platform::PlatformError& error);

// "Zorvan_Logs" in the user's home folder: the base folder of a first start.
QString standardLogDir();

// Opens the key without creating it; when it is absent, creates it and writes
// the given defaults. Then closes and opens it again, leaving it open for
// reading. Store failures propagate as platform::PlatformError.
void openKeyWithDefaults(platform::SettingsStore& store, std::initializer_list<Default> defaults);

QString read(const platform::SettingsStore& store, const char* name);
void write(platform::SettingsStore& store, const char* name, const QString& value);

// The value this run uses: as the file holds it (the key made with the
// default when absent), unless this run changed it and could not save it.
// When the file cannot be read, the value the run holds stands (the default
// when it holds none); the failure is told unless one of the file's failures
// has been told in this run already.
QString heldValue(AppServices& services, const char* name, const QString& defaultValue);

// Whether a save makes the key when it is absent.
enum class MissingKey { Create, Fail };

// The run takes a value the user changed, and it is saved. When the file
// cannot take it, the value holds for the run only; the failure is told, with
// the warning that the change ends with the run, unless this run has already
// told that the file cannot be written (at start or at an earlier change).
// Returns whether it was saved.
bool saveChange(AppServices& services, const char* name, const QString& value, MissingKey missingKey);

} // namespace zorvan_settings
