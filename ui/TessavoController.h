// SPDX-License-Identifier: GPL-3.0-or-later
// TessavoController: the logic of the window frmTessavo, the same for every toolkit.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "RunServices.h"
#include "WindowDesign.h"

namespace tessavo {

class Dialogs;
class SettingsStore;
class TessavoView;

// Holds every decision of the window: the settings with their load order and checks, the
// replace toggle, the browse rules, the cleaning run with its services and the drop rule.
// The view owns one, calls the handler named after each control and event, and does
// nothing else of its own. Every call comes from the window's one thread.
class TessavoController final : private RunServices {
  public:
    // How long a run goes on without handling the window's events: handling them costs far
    // more than cleaning a line. Tests pass 0 to let every line through the event handling.
    static constexpr std::chrono::milliseconds kEventInterval{15};

    TessavoController(TessavoView& view, Dialogs& dialogs, SettingsStore& store,
                      std::chrono::milliseconds eventInterval = kEventInterval);

    // Start-up, once, before the window is shown: version text and stored settings in. A
    // file the program was started with ("Open with") becomes the input path.
    void Form_Load(const std::optional<std::string>& openedFile = std::nullopt);
    // Shut-down, whenever the window closes: settings out, and a message when they cannot
    // be stored; a run stops; repeats do nothing.
    void Form_Unload();

    void chkReplace_Click();    // the user changed chkReplace (click, space bar)
    void txtInputGSI_Change();  // the user changed the text of txtInputGSI
    void optGSI8_Click();       // an option became the selected one, by the user or not
    void optGSI16_Click();
    void optOutIsIn_Click();
    void cmdInputGSI_Click();    // browse for the input: the open dialog
    void cmdOutputGSI_Click();   // browse for the output: the save dialog
    void cmdProcessGSI_Click();  // the cleaning run; returns when it has ended
    void cmdCancel_Click();      // the Exit button, Esc and Alt+E: closes the window

    // The handler of each control's click; for an option, of its becoming the selected one.
    struct ClickHandler {
        Control control;
        void (TessavoController::*handler)();
    };
    static const std::array<ClickHandler, 8> kClickHandlers;

    // Whether what is dragged over the window may be dropped: one regular file, or a link
    // to one; several files are refused.
    bool Form_DragOver(const std::vector<std::string>& paths) const;
    // A dropped file becomes the input path; answers false, changing nothing, when refused.
    bool Form_DragDrop(const std::vector<std::string>& paths);

    // True during a run; a view that destroys its controls on close waits for the run's end.
    bool IsRunning() const { return running_; }

  private:
    struct Setting;
    static const std::array<Setting, 5>& Settings();
    class RunScope;

    void SetReplace(bool checked);
    void SetInput(const std::string& path);
    void FollowInput();
    void SelectFormat(OutputFormat format);
    bool EventsDue();

    // RunServices: what the cleaning run asks of the window.
    OutputFormat CurrentOutputFormat() override;
    MessageAnswer ShowMessage(const Message& message) override;
    bool ProcessEvents(const Progress& progress) override;
    void MakeProcessDefault() override;

    TessavoView& view_;
    Dialogs& dialogs_;
    SettingsStore& store_;
    const std::chrono::milliseconds eventInterval_;
    // The selected option, kept here so that the run's question for every line costs no
    // call to the toolkit.
    OutputFormat format_ = OutputFormat::SameAsInput;
    std::chrono::steady_clock::time_point lastEvents_;
    std::uint32_t linesSinceClock_ = 0;
    bool running_ = false;
    bool unloaded_ = false;
};

}  // namespace tessavo
