// SPDX-License-Identifier: GPL-3.0-or-later
// RegistrySettingsStore: the window's settings in the current user's part of the registry.
#pragma once

#include <windows.h>

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
    // Throws std::system_error when the key cannot be made or the value not written.
    void Write(const std::string& key, const std::string& value) override;
    void Flush() override;

  private:
    std::wstring subKey_;
    HKEY written_ = nullptr;  // open from the first write on
};

}  // namespace tessavo::win32
