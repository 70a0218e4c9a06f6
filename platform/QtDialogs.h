// Tessavo - cleaning of Leica GSI measurement files.
#pragma once

#include "Dialogs.h"

namespace tessavo {

// The dialogs on QMessageBox and QFileDialog.
class QtDialogs final : public Dialogs {
  public:
    MessageAnswer showMessage(QWidget* parent, const Message& message) override;
    std::optional<QString> getOpenFileName(QWidget* parent,
                                           const FileDialogRequest& request) override;
    std::optional<QString> getSaveFileName(QWidget* parent,
                                           const FileDialogRequest& request) override;
};

}  // namespace tessavo
