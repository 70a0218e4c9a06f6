// SPDX-License-Identifier: GPL-3.0-or-later
// RegistrySettingsStore: the window's settings in the current user's part of the registry.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "SettingsStore.h"

namespace tessavo::win32 {

// Texts stored as REG_SZ values under one key of HKEY_CURRENT_USER, where Windows programs
// of this kind keep their settings by application and section:
// Software\VB and VBA Program Settings\Brakmor\Tessavo. The key is made at the first write.
class RegistrySettingsStore final : public SettingsStore {
  public:
    static constexpr const wchar_t* kUserKey =
        L"Software\\VB and VBA Program Settings\\Brakmor\\Tessavo";

    // `subKey` below HKEY_CURRENT_USER; tests pass a key of their own.
    explicit RegistrySettingsStore(std::wstring subKey = kUserKey);
    ~RegistrySettingsStore() override;
    RegistrySettingsStore(const RegistrySettingsStore&) = delete;
    RegistrySettingsStore& operator=(const RegistrySettingsStore&) = delete;

    // A value that is missing, or is not a text (REG_SZ), gives the default.
    std::string Read(const std::string& key, const std::string& defaultValue) const override;
    void Write(const std::string& key, const std::string& value) override;
    // A failure names the key as HKEY_CURRENT_USER\... and the registry's error.
    std::optional<SettingsFailure> Flush() override;

  private:
    // Keeps the first failure until the next Flush reports it.
    void Keep(LSTATUS status);

    std::wstring subKey_;
    HKEY written_ = nullptr;  // open from the first write on
    std::optional<SettingsFailure> failure_;
};

}  // namespace tessavo::win32
