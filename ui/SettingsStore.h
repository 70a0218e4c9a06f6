// SPDX-License-Identifier: GPL-3.0-or-later
// SettingsStore: the per-user store of the window's settings, texts by key.
#pragma once

#include <optional>
#include <string>
#include <system_error>

namespace tessavo {

// Why the settings could not be stored: where they were to go, as the user can look it up
// (a file, a registry key), and the system's error.
struct SettingsFailure {
    std::string place;
    std::error_code code;

    friend bool operator==(const SettingsFailure&, const SettingsFailure&) = default;
};

// The texts stored for application "Brakmor", section "Tessavo" (an INI file, the
// registry), in UTF-8. They last between runs of the program.
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;

    // The text stored under `key`, or `defaultValue` when none is (an empty text is one).
    virtual std::string Read(const std::string& key, const std::string& defaultValue) const = 0;
    // Stores the text under `key`, creating what does not exist yet. A write that fails is
    // reported by the next Flush.
    virtual void Write(const std::string& key, const std::string& value) = 0;
    // Makes every write so far last, now. Answers the first failure since the last Flush,
    // or nothing when every write has been kept.
    [[nodiscard]] virtual std::optional<SettingsFailure> Flush() = 0;
};

}  // namespace tessavo
