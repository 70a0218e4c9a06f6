// TessavoController: the logic of the window frmTessavo, the same for every toolkit.
#pragma once

#include <array>
#include <chrono>
#include <string>

#include "RunServices.h"

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

    // Start-up: the version text and the stored settings into the controls. Called once,
    // when the controls exist and before the window is shown.
    void Form_Load();
    // Shut-down: the controls into the store, and a run in progress stops at its next line.
    // Called when the window closes, however; a second call does nothing.
    void Form_Unload();

    void chkReplace_Click();    // the user changed chkReplace
    void txtInputGSI_Change();  // the user changed the text of txtInputGSI
    void cmdInputGSI_Click();
    void cmdOutputGSI_Click();
    void cmdProcessGSI_Click();  // returns when the run has ended
    void cmdCancel_Click();      // the Exit button, Esc and Alt+E

    // Whether a drop of `path` (a UTF-8 path, native separators) would be taken: only a
    // regular file, or a link to one, is.
    bool Form_DragOver(const std::string& path) const;
    // Takes the dropped file as the input path; answers false when it is refused.
    bool Form_DragDrop(const std::string& path);

    // True while cmdProcessGSI_Click is in a run. A view that destroys its controls when it
    // closes waits until the run has returned.
    bool IsRunning() const { return running_; }

  private:
    struct Setting;
    static const std::array<Setting, 5>& Settings();
    class RunScope;

    void SetReplace(bool checked);
    void SetInput(const std::string& path);
    void FollowInput();

    // RunServices: what the cleaning run asks of the window.
    OutputFormat CurrentOutputFormat() override;
    MessageAnswer ShowMessage(const Message& message) override;
    bool ProcessEvents(const Progress& progress) override;
    void MakeProcessDefault() override;

    TessavoView& view_;
    Dialogs& dialogs_;
    SettingsStore& store_;
    const std::chrono::milliseconds eventInterval_;
    std::chrono::steady_clock::time_point lastEvents_;
    bool running_ = false;
    bool busy_ = false;
    bool unloaded_ = false;
};

}  // namespace tessavo
