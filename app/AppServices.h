#pragma once

#include "app/ZorvanSettings.h"

#include <QString>

#include <memory>

namespace platform {
class Dialogs;
class SettingsStore;
} // namespace platform

namespace zq::hid {
class HidBackend;
} // namespace zq::hid

// What the windows take from their surroundings. main() builds the real ones;
// tests pass scripted dialogs and a settings file of their own.
struct AppServices {
    platform::Dialogs& dialogs;
    platform::SettingsStore& settings;
    // Base folder of the log files written on a first start.
    QString defaultLogDir;
    // The USB HID bus to watch for the logger; none: the one the environment names.
    std::shared_ptr<zq::hid::HidBackend> hidBackend = nullptr;
    // What this run holds of the settings besides their file.
    zorvan_settings::RunState settingsRun{};
};
