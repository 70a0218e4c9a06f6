// SPDX-License-Identifier: GPL-3.0-or-later
// QtDialogs: the window's message box and file dialogs on QMessageBox and QFileDialog.
#pragma once

#include "Dialogs.h"

class QWidget;

namespace tessavo {

class QtDialogs final : public Dialogs {
  public:
    // The window the dialogs are modal to; set once it exists.
    void SetParent(QWidget* parent) { parent_ = parent; }

    MessageAnswer ShowMessage(const Message& message) override;
    std::optional<std::string> ShowOpenDialog(const FileDialogRequest& request) override;
    std::optional<std::string> ShowSaveDialog(const FileDialogRequest& request) override;

  private:
    QWidget* parent_ = nullptr;
};

}  // namespace tessavo
