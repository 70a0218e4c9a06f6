// SPDX-License-Identifier: GPL-3.0-or-later
// frmTessavo: the program's one window on Qt, a thin view over TessavoController.
#pragma once

#include <QDialog>
#include <array>
#include <chrono>
#include <optional>
#include <string>

#include "TessavoController.h"
#include "TessavoView.h"

namespace tessavo {

class Dialogs;
class SettingsStore;

// The one window of the program. It is a QDialog for the keyboard behaviour it brings:
// Enter presses the default button unless another push button has the focus, and Esc
// rejects. It places the controls and passes every event to the controller, which decides.
class frmTessavo final : public QDialog, private TessavoView {
    Q_OBJECT

  public:
    // Runs the start-up, with `openedFile` as the input path when the program was started
    // with one. `eventInterval`: see TessavoController; tests pass 0.
    frmTessavo(Dialogs& dialogs, SettingsStore& store,
               const std::optional<std::string>& openedFile = std::nullopt,
               std::chrono::milliseconds eventInterval = TessavoController::kEventInterval);

    bool IsRunning() const { return controller_.IsRunning(); }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void CreateControls();
    // The widget made for `control`, as the class it was made with.
    template <class Widget>
    Widget* At(Control control) const;

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

    TessavoController controller_;
    std::array<QWidget*, kControlCount> controls_{};  // in the order of Control
};

}  // namespace tessavo
