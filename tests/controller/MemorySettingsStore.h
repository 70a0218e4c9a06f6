// SPDX-License-Identifier: GPL-3.0-or-later
// MemorySettingsStore: the settings store as a map, for tests.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "SettingsStore.h"

namespace tessavo::test {

class MemorySettingsStore final : public SettingsStore {
  public:
    std::map<std::string, std::string> values;
    int flushes = 0;
    std::optional<SettingsFailure> failure;  // what every Flush reports

    std::string Read(const std::string& key, const std::string& defaultValue) const override {
        const auto found = values.find(key);
        return found == values.end() ? defaultValue : found->second;
    }
    void Write(const std::string& key, const std::string& value) override { values[key] = value; }
    std::optional<SettingsFailure> Flush() override {
        ++flushes;
        return failure;
    }
};

}  // namespace tessavo::test
