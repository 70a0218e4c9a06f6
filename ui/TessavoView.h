// SPDX-License-Identifier: GPL-3.0-or-later
// TessavoView: the window's controls and toolkit services as the controller drives them.
#pragma once

#include <string>

#include "WindowDesign.h"

namespace tessavo {

// One window of a toolkit (Qt, Win32), seen by the controller. Texts are UTF-8. The
// setters change the control only and need not report back: the controller itself does
// what follows from its own changes. A toolkit that reports them anyway (EN_CHANGE after
// SetWindowText, toggled after setChecked) may pass them on; the handlers can run twice.
class TessavoView {
  public:
    virtual ~TessavoView() = default;

    // The caption of lblVersion.
    virtual void SetVersionText(const std::string& text) = 0;

    // The text of txtInputGSI.
    virtual std::string InputPath() const = 0;
    virtual void SetInputPath(const std::string& path) = 0;
    // The text of txtOutputGSI.
    virtual std::string OutputPath() const = 0;
    virtual void SetOutputPath(const std::string& path) = 0;

    // The value of chkReplace (true: 1, checked).
    virtual bool ReplaceChecked() const = 0;
    virtual void SetReplaceChecked(bool checked) = 0;
    // The value of chkAutoBackup.
    virtual bool AutoBackupChecked() const = 0;
    virtual void SetAutoBackupChecked(bool checked) = 0;

    // Selects one of the options optOutIsIn, optGSI8 and optGSI16, which clears the others.
    virtual void SelectOption(Control option) = 0;

    // Enables kOutputControls with a white box, or disables them with the box in the
    // system's button-face colour.
    virtual void EnableOutput(bool enabled) = 0;

    // Shows the busy cursor over the window, or the normal one again.
    virtual void SetBusy(bool busy) = 0;
    // Makes cmdProcessGSI the default button, the one that Enter presses.
    virtual void MakeProcessDefault() = 0;
    // Handles the window's pending events (clicks, keys, painting) and returns.
    virtual void ProcessPendingEvents() = 0;
    // Closes the window; its close then calls the controller's Form_Unload, as the close
    // box does.
    virtual void Close() = 0;
};

}  // namespace tessavo
