// Tessavo - cleaning of Leica GSI measurement files.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <array>
#include <chrono>

#include "RunServices.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tessavo {

class Dialogs;
class SettingsStore;
struct FileDialogRequest;

// The one window of the program. It is a QDialog for the keyboard behaviour it brings:
// Enter presses the default button unless another push button has the focus, and Esc
// rejects. The controls hold every value while the window is open; the store is read when
// the window is made and written when it closes.
class frmTessavo final : public QDialog, private RunServices {
    Q_OBJECT

  public:
    frmTessavo(Dialogs& dialogs, SettingsStore& store, QWidget* parent = nullptr);

    // How long the cleaning run goes without handling the window's events. Tests set 0 to
    // let every line through the event loop.
    void setYieldInterval(std::chrono::milliseconds interval) { yieldInterval_ = interval; }
    bool isRunning() const { return running_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private slots:
    void chkReplace_Click();
    void cmdInputGSI_Click();
    void cmdOutputGSI_Click();
    void cmdProcessGSI_Click();
    void cmdCancel_Click();

  private:
    struct Setting;
    static const std::array<Setting, 5>& Settings();

    void CreateControls();
    void Form_Load();
    void Form_Unload();
    FileDialogRequest BrowseRequest(const QString& title, const QString& directory) const;

    // RunServices: what the cleaning run asks of the window.
    OutputFormat CurrentOutputFormat() override;
    MessageAnswer ShowMessage(const Message& message) override;
    bool ProcessEvents(const Progress& progress) override;
    void MakeProcessDefault() override;

    Dialogs& dialogs_;
    SettingsStore& store_;
    bool running_ = false;
    bool closing_ = false;
    std::chrono::milliseconds yieldInterval_{15};
    QElapsedTimer sinceEvents_;

    QLabel* Picture1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* lblVersion = nullptr;
    QGroupBox* Frame2 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* txtInputGSI = nullptr;
    QPushButton* cmdInputGSI = nullptr;
    QRadioButton* optGSI8 = nullptr;
    QCheckBox* chkReplace = nullptr;
    QRadioButton* optGSI16 = nullptr;
    QCheckBox* chkAutoBackup = nullptr;
    QRadioButton* optOutIsIn = nullptr;
    QLabel* lblOutputGSI = nullptr;
    QLineEdit* txtOutputGSI = nullptr;
    QPushButton* cmdOutputGSI = nullptr;
    QPushButton* cmdProcessGSI = nullptr;
    QPushButton* cmdCancel = nullptr;
};

}  // namespace tessavo
