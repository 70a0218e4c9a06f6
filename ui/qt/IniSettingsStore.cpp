// SPDX-License-Identifier: GPL-3.0-or-later
// IniSettingsStore: reading and writing the texts of Brakmor.conf.
#include "IniSettingsStore.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QStandardPaths>
#include <array>
#include <cerrno>
#include <filesystem>

namespace tessavo {

namespace {

std::error_code LastError() { return {errno, std::generic_category()}; }

// QSettings tells only that it could not write the file, not why. The steps it takes,
// tried again here, give the system's reason: the file's folder made, a new file written
// in that folder (QSettings writes a new file and renames it over the old one), and the
// old file writable.
std::error_code WriteFailure(const std::filesystem::path& file) {
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    if (ec) return ec;
    std::string probe = (file.parent_path() / ".Brakmor.conf.XXXXXX").string();
    const int descriptor = mkstemp(probe.data());
    if (descriptor < 0) return LastError();
    const std::array<char, 4096> block{};
    const bool written =
        write(descriptor, block.data(), block.size()) == static_cast<ssize_t>(block.size());
    ec = LastError();
    close(descriptor);
    unlink(probe.c_str());
    if (!written) return ec;
    if (access(file.c_str(), W_OK) != 0 && errno != ENOENT) return LastError();
    return std::make_error_code(std::errc::io_error);
}

}  // namespace

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

std::optional<SettingsFailure> IniSettingsStore::Flush() {
    settings_.sync();
    if (settings_.status() == QSettings::NoError) return std::nullopt;
    const std::string file = QDir::toNativeSeparators(settings_.fileName()).toStdString();
    return SettingsFailure{file, WriteFailure(std::filesystem::path(file))};
}

}  // namespace tessavo
