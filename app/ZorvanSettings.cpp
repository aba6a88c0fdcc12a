#include "app/ZorvanSettings.h"

#include "platform/Messages.h"
#include "platform/PlatformError.h"
#include "platform/SettingsStore.h"

#include <QDir>

namespace zorvan_settings {

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
        throw platform::PlatformError(platform::messageUtf8(
            platform::Message::SettingsKeyMissing,
            {QString::fromLatin1(KeyPath), QString::fromStdString(store.path().string())}));
}

QString read(const platform::SettingsStore& store, const char* name)
{
    return QString::fromStdString(store.readString(name));
}

void write(platform::SettingsStore& store, const char* name, const QString& value)
{
    store.writeString(name, value.toStdString());
}

} // namespace zorvan_settings
