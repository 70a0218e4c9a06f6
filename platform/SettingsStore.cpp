// Tessavo - cleaning of Leica GSI measurement files.
#include "SettingsStore.h"

#include <QStandardPaths>

namespace tessavo {

SettingsStore::SettingsStore() : SettingsStore(UserFileName()) {}

SettingsStore::SettingsStore(const QString& fileName) : settings_(fileName, QSettings::IniFormat) {
    settings_.beginGroup(QStringLiteral("Tessavo"));
}

QString SettingsStore::UserFileName() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Brakmor.conf");
}

QString SettingsStore::read(const QString& key, const QString& defaultValue) const {
    return settings_.value(key, defaultValue).toString();
}

void SettingsStore::write(const QString& key, const QString& value) {
    settings_.setValue(key, value);
}

void SettingsStore::sync() { settings_.sync(); }

}  // namespace tessavo
