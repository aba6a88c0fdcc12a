#pragma once

#include <QString>

namespace platform {
class Dialogs;
class SettingsStore;
} // namespace platform

// What the windows take from their surroundings. main() builds the real ones;
// tests pass scripted dialogs and a settings file of their own.
struct AppServices {
    platform::Dialogs& dialogs;
    platform::SettingsStore& settings;
    // Base folder of the log files written on a first start.
    QString defaultLogDir;
};
