// SPDX-License-Identifier: GPL-3.0-or-later
// SettingsStore: the per-user store of the window's settings, texts by key.
#pragma once

#include <string>

namespace tessavo {

// The texts stored for application "Brakmor", section "Tessavo" (an INI file, the
// registry), in UTF-8. They last between runs of the program.
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;

    // The text stored under `key`, or `defaultValue` when none is (an empty text is one).
    virtual std::string Read(const std::string& key, const std::string& defaultValue) const = 0;
    // Stores the text under `key`, creating what does not exist yet.
    virtual void Write(const std::string& key, const std::string& value) = 0;
    // Makes every write so far last, now.
    virtual void Flush() = 0;
};

}  // namespace tessavo
