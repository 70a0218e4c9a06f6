// Tessavo - cleaning of Leica GSI measurement files.
#pragma once

#include <QSettings>
#include <QString>

namespace tessavo {

// The per-user settings: texts under the group "Tessavo" of an INI file.
class SettingsStore {
  public:
    // The user's own store, Brakmor.conf in the user's configuration folder
    // ($XDG_CONFIG_HOME or ~/.config on Linux).
    SettingsStore();
    explicit SettingsStore(const QString& fileName);

    static QString UserFileName();

    // The text stored under `key`, or `defaultValue` when the key holds none. A stored
    // empty text is a value of its own.
    QString read(const QString& key, const QString& defaultValue) const;
    void write(const QString& key, const QString& value);
    // Writes pending changes to the file now.
    void sync();

    QString fileName() const { return settings_.fileName(); }

  private:
    QSettings settings_;
};

}  // namespace tessavo
