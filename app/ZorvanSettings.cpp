#include "app/ZorvanSettings.h"

#include "app/AppServices.h"
#include "platform/Dialogs.h"
#include "platform/Messages.h"
#include "platform/PlatformError.h"
#include "platform/SettingsStore.h"

#include <QDir>

#include <optional>

namespace zorvan_settings {

namespace {

const platform::SettingsFileError* fileErrorOf(const platform::PlatformError& error)
{
    return dynamic_cast<const platform::SettingsFileError*>(&error);
}

} // namespace

bool RunState::firstTelling(platform::SettingsAccess access)
{
    const bool write = access == platform::SettingsAccess::Write;
    const bool told = write ? saveFailureTold : failureTold;
    failureTold = true;
    saveFailureTold = saveFailureTold || write;
    return !told;
}

platform::SettingsAccess accessOf(const platform::PlatformError& error)
{
    const auto* fileError = fileErrorOf(error);
    return fileError != nullptr ? fileError->access() : platform::SettingsAccess::Read;
}

QString standardLogDir()
{
    return QDir::homePath() + QStringLiteral("/Zorvan_Logs");
}

void openKeyWithDefaults(platform::SettingsStore& store, std::initializer_list<Default> defaults)
{
    if (!store.openKey(KeyPath, false)) {
        store.openKey(KeyPath, true);
        for (const auto& [name, value] : defaults)
            write(store, name, value);
    }
    store.closeKey();
    if (!store.openKey(KeyPath, false))
        throw store.absentKeyError();
}

QString read(const platform::SettingsStore& store, const char* name)
{
    return QString::fromStdString(store.readString(name));
}

void write(platform::SettingsStore& store, const char* name, const QString& value)
{
    store.writeString(name, value.toStdString());
}

QString heldValue(AppServices& services, const char* name, const QString& defaultValue)
{
    RunState& run = services.settingsRun;
    platform::SettingsStore& store = services.settings;
    std::optional<QString> stored;
    try {
        openKeyWithDefaults(store, {{name, defaultValue}});
        stored = read(store, name);
    } catch (const platform::PlatformError& error) {
        if (run.firstTelling(accessOf(error)))
            services.dialogs.error(QString::fromStdString(error.what()));
    }
    store.closeKey();
    if (stored && !run.unsaved.contains(name))
        run.held[name] = *stored;
    const auto held = run.held.find(name);
    return held == run.held.end() ? defaultValue : held->second;
}

bool saveChange(AppServices& services, const char* name, const QString& value, MissingKey missingKey)
{
    RunState& run = services.settingsRun;
    platform::SettingsStore& store = services.settings;
    run.held[name] = value;
    std::optional<std::string> cause;
    try {
        if (missingKey == MissingKey::Create)
            openKeyWithDefaults(store, {{name, value}});
        else if (!store.openKey(KeyPath, false))
            throw store.absentKeyError();
        write(store, name, value);
    } catch (const platform::PlatformError& error) {
        const auto* fileError = fileErrorOf(error);
        cause = fileError != nullptr ? fileError->cause() : std::string(error.what());
    }
    store.closeKey();
    if (!cause) {
        run.unsaved.erase(std::string(name));
        return true;
    }
    run.unsaved.emplace(name);
    // Whatever stopped it, the change is not kept: told as a failure to write.
    if (run.firstTelling(platform::SettingsAccess::Write))
        platform::showMessage(services.dialogs, platform::Message::SettingsNotSaved,
                              {QString::fromStdString(store.path().string()), QString::fromStdString(*cause)});
    return false;
}

} // namespace zorvan_settings
