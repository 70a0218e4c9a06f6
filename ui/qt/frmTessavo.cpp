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
#include <functional>
#include <optional>
#include <vector>

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

// The local files that a drag brings; anything else (a web address, text) is no file.
std::vector<std::string> DraggedFiles(const QDropEvent* event) {
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        paths.push_back(url.isLocalFile()
                            ? QDir::toNativeSeparators(url.toLocalFile()).toStdString()
                            : std::string());
    }
    return paths;
}

// A drop is taken as a copy, or else as a link, never as a move: after a move the source
// may delete the file that has just become the input.
std::optional<Qt::DropAction> CopyOrLink(const QDropEvent* event) {
    const Qt::DropAction proposed = event->proposedAction();
    if (proposed == Qt::CopyAction || proposed == Qt::LinkAction) return proposed;
    for (Qt::DropAction action : {Qt::CopyAction, Qt::LinkAction}) {
        if (event->possibleActions() & action) return action;
    }
    return std::nullopt;
}

// Takes a drag, or its drop, as a copy or a link when `takes` takes its files; refuses it
// otherwise, which the cursor shows.
void Answer(QDropEvent* event, const std::function<bool(const std::vector<std::string>&)>& takes) {
    const std::optional<Qt::DropAction> action = CopyOrLink(event);
    if (action && takes(DraggedFiles(event))) {
        event->setDropAction(*action);
        event->accept();
    } else {
        event->ignore();
    }
}

}  // namespace

frmTessavo::frmTessavo(Dialogs& dialogs, SettingsStore& store,
                       const std::optional<std::string>& openedFile,
                       std::chrono::milliseconds eventInterval)
    : QDialog(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      controller_(*this, dialogs, store, eventInterval) {
    CreateControls();
    // clicked and textEdited come from the user only; what follows from the program's own
    // changes the controller does itself. An option reports every change of its selection,
    // the program's own too, which the controller already knows.
    for (const auto& [control, handler] : TessavoController::kClickHandlers) {
        auto* button = At<QAbstractButton>(control);
        if (Design(control).kind == ControlKind::Option) {
            connect(button, &QAbstractButton::toggled, this, [this, handler](bool checked) {
                if (checked) (controller_.*handler)();
            });
        } else {
            connect(button, &QAbstractButton::clicked, this,
                    [this, handler] { (controller_.*handler)(); });
        }
    }
    connect(At<QLineEdit>(Control::txtInputGSI), &QLineEdit::textEdited, this,
            [this] { controller_.txtInputGSI_Change(); });
    controller_.Form_Load(openedFile);
}

template <class Widget>
Widget* frmTessavo::At(Control control) const {
    return static_cast<Widget*>(controls_[static_cast<std::size_t>(control)]);
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

    for (const ControlDesign& design : Design().controls) {
        QWidget* widget = MakeWidget(design, design.inFrame ? At<QWidget>(Control::Frame2) : this);
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
        controls_[static_cast<std::size_t>(design.control)] = widget;
    }
    SelectOption(Control::optOutIsIn);

    // The design's order is the tab order of the controls that take the focus.
    QWidget* previous = nullptr;
    for (QWidget* widget : controls_) {
        if (widget->focusPolicy() == Qt::NoFocus) {
            continue;
        }
        if (previous) {
            setTabOrder(previous, widget);
        }
        previous = widget;
    }
    At<QWidget>(Control::txtInputGSI)->setFocus();
}

void frmTessavo::closeEvent(QCloseEvent* event) {
    controller_.Form_Unload();
    event->accept();
}

// Esc.
void frmTessavo::reject() { controller_.cmdCancel_Click(); }

void frmTessavo::dragEnterEvent(QDragEnterEvent* event) { dragMoveEvent(event); }

void frmTessavo::dragMoveEvent(QDragMoveEvent* event) {
    Answer(event, [this](const std::vector<std::string>& paths) {
        return controller_.Form_DragOver(paths);
    });
}

void frmTessavo::dropEvent(QDropEvent* event) {
    Answer(event, [this](const std::vector<std::string>& paths) {
        return controller_.Form_DragDrop(paths);
    });
}

void frmTessavo::SetVersionText(const std::string& text) {
    At<QLabel>(Control::lblVersion)->setText(QString::fromStdString(text));
}

std::string frmTessavo::InputPath() const {
    return At<QLineEdit>(Control::txtInputGSI)->text().toStdString();
}

void frmTessavo::SetInputPath(const std::string& path) {
    At<QLineEdit>(Control::txtInputGSI)->setText(QString::fromStdString(path));
}

std::string frmTessavo::OutputPath() const {
    return At<QLineEdit>(Control::txtOutputGSI)->text().toStdString();
}

void frmTessavo::SetOutputPath(const std::string& path) {
    At<QLineEdit>(Control::txtOutputGSI)->setText(QString::fromStdString(path));
}

bool frmTessavo::ReplaceChecked() const { return At<QCheckBox>(Control::chkReplace)->isChecked(); }

void frmTessavo::SetReplaceChecked(bool checked) {
    At<QCheckBox>(Control::chkReplace)->setChecked(checked);
}

bool frmTessavo::AutoBackupChecked() const {
    return At<QCheckBox>(Control::chkAutoBackup)->isChecked();
}

void frmTessavo::SetAutoBackupChecked(bool checked) {
    At<QCheckBox>(Control::chkAutoBackup)->setChecked(checked);
}

void frmTessavo::SelectOption(Control option) { At<QRadioButton>(option)->setChecked(true); }

void frmTessavo::EnableOutput(bool enabled) {
    for (Control control : kOutputControls) At<QWidget>(control)->setEnabled(enabled);
    auto* box = At<QLineEdit>(Control::txtOutputGSI);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, enabled ? QColor(Qt::white) : palette.color(QPalette::Button));
    box->setPalette(palette);
}

void frmTessavo::SetBusy(bool busy) {
    if (busy) {
        setCursor(Qt::WaitCursor);
    } else {
        unsetCursor();
    }
}

void frmTessavo::MakeProcessDefault() { At<QPushButton>(Control::cmdProcessGSI)->setDefault(true); }

void frmTessavo::ProcessPendingEvents() { QCoreApplication::processEvents(); }

void frmTessavo::Close() { close(); }

}  // namespace tessavo
