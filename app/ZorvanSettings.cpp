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

platform::SettingsFileError keyMissing(const platform::SettingsStore& store)
{
    const QString key = QString::fromLatin1(KeyPath);
    return {platform::messageUtf8(platform::Message::SettingsKeyMissing,
                                  {key, QString::fromStdString(store.path().string())}),
            platform::messageUtf8(platform::Message::CauseKeyMissing, {key})};
}

} // namespace

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
        throw keyMissing(store);
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
        if (!run.failureTold)
            services.dialogs.error(QString::fromStdString(error.what()));
        run.failureTold = true;
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
            throw keyMissing(store);
        write(store, name, value);
    } catch (const platform::PlatformError& error) {
        const auto* fileError = dynamic_cast<const platform::SettingsFileError*>(&error);
        cause = fileError != nullptr ? fileError->cause() : std::string(error.what());
    }
    store.closeKey();
    if (!cause) {
        run.unsaved.erase(std::string(name));
        return true;
    }
    run.unsaved.emplace(name);
    if (!run.saveFailureTold)
        platform::showMessage(services.dialogs, platform::Message::SettingsNotSaved,
                              {QString::fromStdString(store.path().string()), QString::fromStdString(*cause)});
    run.saveFailureTold = true;
    run.failureTold = true;
    return false;
}

} // namespace zorvan_settings
