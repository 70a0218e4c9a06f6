// SPDX-License-Identifier: GPL-3.0-or-later
// IniSettingsStore: reading and writing the texts of Brakmor.conf.
#include "IniSettingsStore.h"

#include <QStandardPaths>

namespace tessavo {

IniSettingsStore::IniSettingsStore() : IniSettingsStore(UserFileName()) {}

IniSettingsStore::IniSettingsStore(const QString& fileName)
    : settings_(fileName, QSettings::IniFormat) {
    settings_.beginGroup(QStringLiteral("Tessavo"));
}

QString IniSettingsStore::UserFileName() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Brakmor.conf");
}

std::string IniSettingsStore::Read(const std::string& key, const std::string& defaultValue) const {
    return settings_.value(QString::fromStdString(key), QString::fromStdString(defaultValue))
        .toString()
        .toStdString();
}

void IniSettingsStore::Write(const std::string& key, const std::string& value) {
    settings_.setValue(QString::fromStdString(key), QString::fromStdString(value));
}

void IniSettingsStore::Flush() { settings_.sync(); }

}  // namespace tessavo
