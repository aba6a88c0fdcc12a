#pragma once

#include <QString>

#include <initializer_list>
#include <utility>

namespace platform {
class SettingsStore;
}

// The program's two persistent settings and the key they live under.
namespace zorvan_settings {

inline constexpr char KeyPath[] = "\\SOFTWARE\\Zorvan";
inline constexpr char LogDirValue[] = "LogDir";
inline constexpr char AutoEscalaValue[] = "AutoEscala";

using Default = std::pair<const char*, QString>;

// "Zorvan_Logs" in the user's home folder: the base folder of a first start.
QString standardLogDir();

// Opens the key without creating it; when it is absent, creates it and writes
// the given defaults. Then closes and opens it again, leaving it open for
// reading. Store failures propagate as platform::PlatformError.
void openKeyWithDefaults(platform::SettingsStore& store, std::initializer_list<Default> defaults);

QString read(const platform::SettingsStore& store, const char* name);
void write(platform::SettingsStore& store, const char* name, const QString& value);

} // namespace zorvan_settings
