// SPDX-License-Identifier: GPL-3.0-or-later
// frmTessavo: the program's one window on Windows, a thin view over TessavoController.
#pragma once

#include <windows.h>

#include <array>
#include <chrono>
#include <exception>
#include <optional>
#include <string>

#include "TessavoController.h"
#include "TessavoView.h"
#include "WindowDesign.h"

namespace tessavo::win32 {

// A modeless dialog, for the keyboard handling the dialog manager brings: Tab and the arrow
// keys, Enter on the default button (or on the push button that has the focus), Esc, and
// the mnemonic of "&Exit". Its controls are placed in twips and scaled by the dpi of the
// monitor the window is on. Every decision is the controller's; the window only passes on
// its events and shows what the controller sets.
class frmTessavo final : private TessavoView {
  public:
    // Makes the window, hidden, and runs the start-up (Form_Load), with `openedFile` as the
    // input path when the program was started with one. `eventInterval` is the
    // controller's; tests pass 0.
    frmTessavo(Dialogs& dialogs, SettingsStore& store,
               const std::optional<std::string>& openedFile = std::nullopt,
               std::chrono::milliseconds eventInterval = TessavoController::kEventInterval);
    ~frmTessavo() override;
    frmTessavo(const frmTessavo&) = delete;
    frmTessavo& operator=(const frmTessavo&) = delete;

    void Show(int showCommand = SW_SHOWNORMAL);
    // Handles the thread's messages until the window is gone. Rethrows what an action threw
    // (the window closes then).
    void RunMessageLoop();
    // Handles the messages waiting now, as during a run, and rethrows like RunMessageLoop.
    void HandleWaitingMessages();

    HWND Window() const { return window_; }  // null once the window is gone
    HWND Handle(Control control) const { return controls_[static_cast<int>(control)]; }
    // The dialog item id of a control, as another program finds it with GetDlgItem.
    static int DialogId(Control control);

  private:
    // TessavoView: the controls as the controller sees them.
    void SetVersionText(const std::string& text) override;
    std::string InputPath() const override;
    void SetInputPath(const std::string& path) override;
    std::string OutputPath() const override;
    void SetOutputPath(const std::string& path) override;
    bool ReplaceChecked() const override;
    void SetReplaceChecked(bool checked) override;
    bool AutoBackupChecked() const override;
    void SetAutoBackupChecked(bool checked) override;
    void SelectOption(Control option) override;
    void EnableOutput(bool enabled) override;
    void SetBusy(bool busy) override;
    void MakeProcessDefault() override;
    void ProcessPendingEvents() override;
    void Close() override;

    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void CreateControls();
    void ApplyDpi(UINT dpi);
    void OnCommand(int id, int code);
    void OnClose();
    void OnDropFiles(WPARAM drop);  // an HDROP
    HBRUSH OnControlColour(HDC dc, HWND control);
    void SetText(Control control, const std::string& text);
    std::string Text(Control control) const;
    // Runs a controller action; an exception is kept for the message loop to rethrow and
    // closes the window, since it must not pass through Windows' own code.
    template <class Action>
    void Guarded(Action&& action);
    void RethrowFailure();

    TessavoController controller_;
    std::optional<std::string> openedFile_;  // for the start-up, which the dialog runs
    HWND window_ = nullptr;
    std::array<HWND, kControlCount> controls_{};
    HWND toolTips_ = nullptr;
    std::array<HFONT, 3> fonts_{};
    HICON bigIcon_ = nullptr;
    HICON smallIcon_ = nullptr;
    HICON pictureIcon_ = nullptr;
    UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
    bool busy_ = false;
    bool outputColoured_ = false;  // the replace toggle has set the output box's colour
    bool settingText_ = false;     // the program itself is changing a text box
    bool closeAfterRun_ = false;
    std::exception_ptr failure_;
};

}  // namespace tessavo::win32
