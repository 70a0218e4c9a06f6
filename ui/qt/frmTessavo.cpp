// SPDX-License-Identifier: GPL-3.0-or-later
// frmTessavo: the window made from its design, and its events passed to the controller.
#include "frmTessavo.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <array>
#include <cstddef>

#include "WindowDesign.h"

namespace tessavo {

namespace {

// The layout is drawn in twips, 15 to a pixel at 96 dpi; Qt scales the pixels on other
// displays.
int Pixels(int twips) { return qRound(twips / 15.0); }

QRect Pixels(const Twips& place) {
    return QRect(Pixels(place.left), Pixels(place.top), Pixels(place.width), Pixels(place.height));
}

// MS Sans Serif where Windows has it; elsewhere Liberation Sans at the same size, so that
// the texts keep the widths the layout was drawn for instead of growing to the platform's
// larger default.
QFont SansSerif(qreal pointSize, bool bold) {
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

QFont Font(ControlFont font) {
    switch (font) {
        case ControlFont::Heading: {
            QFont heading = SansSerif(18, true);
            heading.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
            return heading;
        }
        case ControlFont::Browse:
            return SansSerif(9.75, true);
        case ControlFont::Window:
            break;
    }
    return SansSerif(8.25, false);
}

// The widget for a control's kind, with its caption.
QWidget* MakeWidget(const ControlDesign& design, QWidget* parent) {
    const QString caption = QString::fromUtf8(design.caption);
    switch (design.kind) {
        case ControlKind::Picture: {
            auto* picture = new QLabel(parent);
            picture->setPixmap(QPixmap(QStringLiteral(":/icons/tessavo-32.xpm")));
            return picture;
        }
        case ControlKind::Label:
            return new QLabel(caption, parent);
        case ControlKind::Frame:
            return new QGroupBox(caption, parent);
        case ControlKind::TextBox: {
            auto* textBox = new QLineEdit(parent);
            // A text box would paste a dropped file's address as text; the window takes the
            // drop.
            textBox->setAcceptDrops(false);
            return textBox;
        }
        case ControlKind::Button:
            return new QPushButton(caption, parent);
        case ControlKind::DefaultButton: {
            auto* button = new QPushButton(caption, parent);
            button->setDefault(true);
            return button;
        }
        case ControlKind::CheckBox:
            return new QCheckBox(caption, parent);
        case ControlKind::Option: {
            // The options are auto-exclusive within the frame; the arrow keys move between
            // them. Only the selected one is a tab stop, so the group is one stop as on
            // Windows.
            auto* option = new QRadioButton(caption, parent);
            option->setFocusPolicy(Qt::ClickFocus);
            QObject::connect(option, &QRadioButton::toggled, option, [option](bool checked) {
                option->setFocusPolicy(checked ? Qt::StrongFocus : Qt::ClickFocus);
            });
            return option;
        }
    }
    return new QLabel(caption, parent);  // not reached: every kind has its case
}

}  // namespace

frmTessavo::frmTessavo(Dialogs& dialogs, SettingsStore& store,
                       std::chrono::milliseconds eventInterval)
    : QDialog(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      controller_(*this, dialogs, store, eventInterval) {
    CreateControls();
    TessavoController& c = controller_;
    // clicked and textEdited come from the user only; what follows from the program's own
    // changes the controller does itself.
    connect(chkReplace, &QCheckBox::clicked, this, [&c] { c.chkReplace_Click(); });
    connect(txtInputGSI, &QLineEdit::textEdited, this, [&c] { c.txtInputGSI_Change(); });
    connect(cmdInputGSI, &QPushButton::clicked, this, [&c] { c.cmdInputGSI_Click(); });
    connect(cmdOutputGSI, &QPushButton::clicked, this, [&c] { c.cmdOutputGSI_Click(); });
    connect(cmdProcessGSI, &QPushButton::clicked, this, [&c] { c.cmdProcessGSI_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [&c] { c.cmdCancel_Click(); });
    controller_.Form_Load();
}

void frmTessavo::CreateControls() {
    setObjectName(QStringLiteral("frmTessavo"));
    setWindowTitle(QString::fromUtf8(Design().title));
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/tessavo-16.xpm"));
    icon.addFile(QStringLiteral(":/icons/tessavo-32.xpm"));
    setWindowIcon(icon);
    setFont(Font(ControlFont::Window));
    setFixedSize(Pixels(Design().clientWidth), Pixels(Design().clientHeight));
    // A file dropped anywhere on the window, text boxes included, becomes the input path.
    setAcceptDrops(true);

    std::array<QWidget*, kControlCount> made{};
    const auto at = [&made](Control control) { return made[static_cast<std::size_t>(control)]; };
    for (const ControlDesign& design : Design().controls) {
        QWidget* widget = MakeWidget(design, design.inFrame ? at(Control::Frame2) : this);
        widget->setObjectName(QLatin1String(design.name));
        widget->setGeometry(Pixels(design.place));
        widget->setToolTip(QString::fromUtf8(design.toolTip));
        if (design.font != ControlFont::Window) {
            widget->setFont(Font(design.font));
        }
        if (design.darkBlue) {
            QPalette palette = widget->palette();
            palette.setColor(QPalette::WindowText,
                             QColor(kDarkBlue.red, kDarkBlue.green, kDarkBlue.blue));
            widget->setPalette(palette);
        }
        made[static_cast<std::size_t>(design.control)] = widget;
    }
    const auto take = [&at]<class Widget>(Widget*& member, Control control) {
        member = qobject_cast<Widget*>(at(control));
    };
    take(lblVersion, Control::lblVersion);
    take(txtInputGSI, Control::txtInputGSI);
    take(cmdInputGSI, Control::cmdInputGSI);
    take(optGSI8, Control::optGSI8);
    take(chkReplace, Control::chkReplace);
    take(optGSI16, Control::optGSI16);
    take(chkAutoBackup, Control::chkAutoBackup);
    take(optOutIsIn, Control::optOutIsIn);
    take(lblOutputGSI, Control::lblOutputGSI);
    take(txtOutputGSI, Control::txtOutputGSI);
    take(cmdOutputGSI, Control::cmdOutputGSI);
    take(cmdProcessGSI, Control::cmdProcessGSI);
    take(cmdCancel, Control::cmdCancel);
    SelectFormat(OutputFormat::SameAsInput);

    // The design's order is the tab order of the controls that take the focus.
    QWidget* previous = nullptr;
    for (QWidget* widget : made) {
        if (widget->focusPolicy() == Qt::NoFocus) {
            continue;
        }
        if (previous) {
            setTabOrder(previous, widget);
        }
        previous = widget;
    }
    txtInputGSI->setFocus();
}

void frmTessavo::closeEvent(QCloseEvent* event) {
    controller_.Form_Unload();
    event->accept();
}

// Esc.
void frmTessavo::reject() { controller_.cmdCancel_Click(); }

// A drop brings one local file's path; anything else (a web address, text) brings none.
static std::string DroppedPath(const QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    return urls.isEmpty() || !urls.first().isLocalFile()
               ? std::string()
               : QDir::toNativeSeparators(urls.first().toLocalFile()).toStdString();
}

void frmTessavo::dragEnterEvent(QDragEnterEvent* event) { dragMoveEvent(event); }

void frmTessavo::dragMoveEvent(QDragMoveEvent* event) {
    if (controller_.Form_DragOver(DroppedPath(event))) {
        event->acceptProposedAction();
    }
}

void frmTessavo::dropEvent(QDropEvent* event) {
    if (controller_.Form_DragDrop(DroppedPath(event))) {
        event->acceptProposedAction();
    }
}

void frmTessavo::SetVersionText(const std::string& text) {
    lblVersion->setText(QString::fromStdString(text));
}

std::string frmTessavo::InputPath() const { return txtInputGSI->text().toStdString(); }

void frmTessavo::SetInputPath(const std::string& path) {
    txtInputGSI->setText(QString::fromStdString(path));
}

std::string frmTessavo::OutputPath() const { return txtOutputGSI->text().toStdString(); }

void frmTessavo::SetOutputPath(const std::string& path) {
    txtOutputGSI->setText(QString::fromStdString(path));
}

bool frmTessavo::ReplaceChecked() const { return chkReplace->isChecked(); }

void frmTessavo::SetReplaceChecked(bool checked) { chkReplace->setChecked(checked); }

bool frmTessavo::AutoBackupChecked() const { return chkAutoBackup->isChecked(); }

void frmTessavo::SetAutoBackupChecked(bool checked) { chkAutoBackup->setChecked(checked); }

OutputFormat frmTessavo::SelectedFormat() const {
    if (optGSI16->isChecked()) {
        return OutputFormat::Gsi16;
    }
    return optGSI8->isChecked() ? OutputFormat::Gsi8 : OutputFormat::SameAsInput;
}

void frmTessavo::SelectFormat(OutputFormat format) {
    QRadioButton* option = format == OutputFormat::Gsi8    ? optGSI8
                           : format == OutputFormat::Gsi16 ? optGSI16
                                                           : optOutIsIn;
    option->setChecked(true);
}

void frmTessavo::EnableOutput(bool enabled) {
    lblOutputGSI->setEnabled(enabled);
    txtOutputGSI->setEnabled(enabled);
    QPalette palette = txtOutputGSI->palette();
    palette.setColor(QPalette::Base, enabled ? QColor(Qt::white) : palette.color(QPalette::Button));
    txtOutputGSI->setPalette(palette);
    cmdOutputGSI->setEnabled(enabled);
}

void frmTessavo::SetBusy(bool busy) {
    if (busy) {
        setCursor(Qt::WaitCursor);
    } else {
        unsetCursor();
    }
}

void frmTessavo::MakeProcessDefault() { cmdProcessGSI->setDefault(true); }

void frmTessavo::ProcessPendingEvents() { QCoreApplication::processEvents(); }

void frmTessavo::Close() { close(); }

}  // namespace tessavo
