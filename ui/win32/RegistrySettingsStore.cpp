// SPDX-License-Identifier: GPL-3.0-or-later
// RegistrySettingsStore: REG_SZ values read and written with the registry's wide calls.
#include "RegistrySettingsStore.h"

#include <utility>
#include <vector>

#include "Utf16.h"

namespace tessavo::win32 {

RegistrySettingsStore::RegistrySettingsStore(std::wstring subKey) : subKey_(std::move(subKey)) {}

RegistrySettingsStore::~RegistrySettingsStore() {
    if (written_) RegCloseKey(written_);
}

std::string RegistrySettingsStore::Read(const std::string& key,
                                        const std::string& defaultValue) const {
    const std::wstring name = Widen(key);
    // A value may change size between asking for its size and reading it.
    for (;;) {
        DWORD type = 0;
        DWORD bytes = 0;
        LSTATUS status = RegGetValueW(HKEY_CURRENT_USER, subKey_.c_str(), name.c_str(),
                                      RRF_RT_REG_SZ, &type, nullptr, &bytes);
        if (status != ERROR_SUCCESS) return defaultValue;
        std::vector<wchar_t> text(bytes / sizeof(wchar_t) + 1);
        bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        status = RegGetValueW(HKEY_CURRENT_USER, subKey_.c_str(), name.c_str(), RRF_RT_REG_SZ,
                              &type, text.data(), &bytes);
        if (status == ERROR_MORE_DATA) continue;
        if (status != ERROR_SUCCESS) return defaultValue;
        return Narrow(text.data());  // RegGetValueW ends the text with a NUL
    }
}

void RegistrySettingsStore::Write(const std::string& key, const std::string& value) {
    LSTATUS status = ERROR_SUCCESS;
    if (!written_) {
        status = RegCreateKeyExW(HKEY_CURRENT_USER, subKey_.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                 nullptr, &written_, nullptr);
        if (status != ERROR_SUCCESS) written_ = nullptr;
    }
    if (written_) {
        const std::wstring text = Widen(value);
        status = RegSetValueExW(written_, Widen(key).c_str(), 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(text.c_str()),
                                static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    Keep(status);
}

std::optional<SettingsFailure> RegistrySettingsStore::Flush() {
    if (written_) Keep(RegFlushKey(written_));
    return std::exchange(failure_, std::nullopt);
}

void RegistrySettingsStore::Keep(LSTATUS status) {
    if (status == ERROR_SUCCESS || failure_) return;
    failure_ = SettingsFailure{"HKEY_CURRENT_USER\\" + Narrow(subKey_),
                               std::error_code(static_cast<int>(status), std::system_category())};
}

}  // namespace tessavo::win32
