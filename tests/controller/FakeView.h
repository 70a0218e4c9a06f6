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
// selected, the output controls never enabled or disabled by the program.
class FakeView final : public TessavoView {
  public:
    std::string version;
    std::string input;
    std::string output;
    bool replace = false;
    bool autoBackup = false;
    OutputFormat format = OutputFormat::SameAsInput;
    std::optional<bool> outputEnabled;
    bool busy = false;
    std::vector<bool> busyChanges;
    bool processDefault = false;
    int eventPasses = 0;
    bool closed = false;

    std::function<void(int pass)> onEvents;  // called on every pass, numbered from 1
    std::function<void()> onClose;           // what the window's close does: Form_Unload

    void SetVersionText(const std::string& text) override { version = text; }
    std::string InputPath() const override { return input; }
    void SetInputPath(const std::string& path) override { input = path; }
    std::string OutputPath() const override { return output; }
    void SetOutputPath(const std::string& path) override { output = path; }
    bool ReplaceChecked() const override { return replace; }
    void SetReplaceChecked(bool checked) override { replace = checked; }
    bool AutoBackupChecked() const override { return autoBackup; }
    void SetAutoBackupChecked(bool checked) override { autoBackup = checked; }
    OutputFormat SelectedFormat() const override { return format; }
    void SelectFormat(OutputFormat selected) override { format = selected; }
    void EnableOutput(bool enabled) override { outputEnabled = enabled; }
    void SetBusy(bool on) override {
        busy = on;
        busyChanges.push_back(on);
    }
    void MakeProcessDefault() override { processDefault = true; }
    void ProcessPendingEvents() override {
        ++eventPasses;
        if (onEvents) onEvents(eventPasses);
    }
    void Close() override {
        closed = true;
        if (onClose) onClose();
    }
};

}  // namespace tessavo::test
