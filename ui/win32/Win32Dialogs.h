// SPDX-License-Identifier: GPL-3.0-or-later
// Win32Dialogs: the system's message box and its common open and save dialogs.
#pragma once

#include <windows.h>

#include "Dialogs.h"

namespace tessavo::win32 {

// Each dialog is modal to the owner window.
class Win32Dialogs final : public Dialogs {
  public:
    explicit Win32Dialogs(HWND owner = nullptr) : owner_(owner) {}
    void SetOwner(HWND owner) { owner_ = owner; }

    // The lines one under another; the warning icon and the buttons as asked, in the
    // system's language. A message with details is a task dialog that shows them on
    // request, or a plain message box without them where task dialogs are missing.
    MessageAnswer ShowMessage(const Message& message) override;
    // A cancel and a failure of the dialog itself both give nothing.
    std::optional<std::string> ShowOpenDialog(const FileDialogRequest& request) override;
    std::optional<std::string> ShowSaveDialog(const FileDialogRequest& request) override;

  private:
    std::optional<std::string> ShowFileDialog(const FileDialogRequest& request, bool save);

    HWND owner_;
};

}  // namespace tessavo::win32
