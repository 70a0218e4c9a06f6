// SPDX-License-Identifier: GPL-3.0-or-later
// IniSettingsStore: the window's settings in an INI file, through QSettings.
#pragma once

#include <QSettings>
#include <QString>

#include "SettingsStore.h"

namespace tessavo {

// The texts under the group "Tessavo" of the file Brakmor.conf.
class IniSettingsStore final : public SettingsStore {
  public:
    // The user's own store, Brakmor.conf in the user's configuration folder
    // ($XDG_CONFIG_HOME or ~/.config on Linux).
    IniSettingsStore();
    explicit IniSettingsStore(const QString& fileName);

    static QString UserFileName();
    QString FileName() const { return settings_.fileName(); }

    std::string Read(const std::string& key, const std::string& defaultValue) const override;
    void Write(const std::string& key, const std::string& value) override;
    // A failure names the file and the system's reason.
    std::optional<SettingsFailure> Flush() override;

  private:
    QSettings settings_;
};

}  // namespace tessavo
