// SPDX-License-Identifier: GPL-3.0-or-later
// FakeView: a window without a toolkit that records what the controller does to it.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "TessavoView.h"

namespace tessavo::test {

// The controls start in their design-time state: both check boxes clear, optOutIsIn
// selected, the output controls never enabled or disabled by the program. Every call
// counts in `calls`.
class FakeView final : public TessavoView {
  public:
    std::string version;
    std::string input;
    std::string output;
    bool replace = false;
    bool autoBackup = false;
    Control option = Control::optOutIsIn;
    std::optional<bool> outputEnabled;
    bool busy = false;
    std::vector<bool> busyChanges;
    bool processDefault = false;
    int eventPasses = 0;
    bool closed = false;
    mutable int calls = 0;

    std::function<void(int pass)> onEvents;  // called on every pass, numbered from 1
    std::function<void()> onClose;           // what the window's close does: Form_Unload

    void SetVersionText(const std::string& text) override { Call(version) = text; }
    std::string InputPath() const override { return Call(input); }
    void SetInputPath(const std::string& path) override { Call(input) = path; }
    std::string OutputPath() const override { return Call(output); }
    void SetOutputPath(const std::string& path) override { Call(output) = path; }
    bool ReplaceChecked() const override { return Call(replace); }
    void SetReplaceChecked(bool checked) override { Call(replace) = checked; }
    bool AutoBackupChecked() const override { return Call(autoBackup); }
    void SetAutoBackupChecked(bool checked) override { Call(autoBackup) = checked; }
    void SelectOption(Control selected) override { Call(option) = selected; }
    void EnableOutput(bool enabled) override { Call(outputEnabled) = enabled; }
    void SetBusy(bool on) override {
        Call(busy) = on;
        busyChanges.push_back(on);
    }
    void MakeProcessDefault() override { Call(processDefault) = true; }
    void ProcessPendingEvents() override {
        Call(eventPasses)++;
        if (onEvents) onEvents(eventPasses);
    }
    void Close() override {
        Call(closed) = true;
        if (onClose) onClose();
    }

  private:
    template <class Value>
    Value& Call(Value& value) const {
        ++calls;
        return value;
    }
};

}  // namespace tessavo::test
