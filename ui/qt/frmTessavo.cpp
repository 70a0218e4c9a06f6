// SPDX-License-Identifier: GPL-3.0-or-later
// frmTessavo: the window's controls in their places, and their events passed to the controller.
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

namespace tessavo {

namespace {

// The layout is drawn in twips, 15 to a pixel at 96 dpi; Qt scales the pixels on other
// displays.
QRect Twips(int left, int top, int width, int height) {
    return QRect(qRound(left / 15.0), qRound(top / 15.0), qRound(width / 15.0),
                 qRound(height / 15.0));
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

QPalette WithTextColour(QPalette palette, const QColor& colour) {
    palette.setColor(QPalette::WindowText, colour);
    return palette;
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
    setWindowTitle(QStringLiteral("Cleaner voor Leica GSI files"));
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/tessavo-16.xpm"));
    icon.addFile(QStringLiteral(":/icons/tessavo-32.xpm"));
    setWindowIcon(icon);
    setFont(SansSerif(8.25, false));
    setFixedSize(553, 272);
    // A file dropped anywhere on the window, text boxes included, becomes the input path.
    setAcceptDrops(true);

    auto place = [](QWidget* control, const char* name, QRect geometry,
                    const QString& toolTip = {}) {
        control->setObjectName(QLatin1String(name));
        control->setGeometry(geometry);
        control->setToolTip(toolTip);
    };
    const QColor darkBlue(0, 0, 192);

    Picture1 = new QLabel(this);
    place(Picture1, "Picture1", Twips(240, 120, 480, 480));
    Picture1->setPixmap(QPixmap(QStringLiteral(":/icons/tessavo-32.xpm")));

    Label1 = new QLabel(QStringLiteral("Opschonen van Leica GSI bestanden"), this);
    place(Label1, "Label1", Twips(840, 120, 7215, 495));
    QFont heading = SansSerif(18, true);
    heading.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    Label1->setFont(heading);
    Label1->setPalette(WithTextColour(Label1->palette(), darkBlue));

    lblVersion = new QLabel(QStringLiteral("Versie:"), this);
    place(lblVersion, "lblVersion", Twips(5520, 600, 2415, 255),
          QStringLiteral("Versie van Tessavo"));
    lblVersion->setPalette(WithTextColour(lblVersion->palette(), darkBlue));

    Frame2 = new QGroupBox(QStringLiteral("GSI Meetbestand"), this);
    place(Frame2, "Frame2", Twips(240, 840, 7815, 2415));

    const QFont browseFont = SansSerif(9.75, true);
    Label3 = new QLabel(QStringLiteral("Naam GSI Invoerbestand:"), Frame2);
    place(Label3, "Label3", Twips(240, 360, 2415, 255));
    txtInputGSI = new QLineEdit(Frame2);
    place(txtInputGSI, "txtInputGSI", Twips(240, 600, 6975, 285),
          QStringLiteral("Hier de naam invullen van het bestand, dat moet worden opgeschoond."));
    cmdInputGSI = new QPushButton(QStringLiteral("..."), Frame2);
    place(cmdInputGSI, "cmdInputGSI", Twips(7200, 600, 375, 280),
          QStringLiteral("Bladeren naar invoer GSI bestand"));
    cmdInputGSI->setFont(browseFont);
    optGSI8 = new QRadioButton(QStringLiteral("Uitvoer is GSI-8"), Frame2);
    place(optGSI8, "optGSI8", Twips(4080, 960, 1935, 255),
          QStringLiteral("Het uitvoerbestand is in GSI-8 formaat, GSI-16 bestanden worden "
                         "geconverteerd."));
    chkReplace = new QCheckBox(QStringLiteral("Uitvoerbestand vervangt de Invoer"), Frame2);
    place(chkReplace, "chkReplace", Twips(240, 1080, 3735, 240),
          QStringLiteral("Het opgeschoonde bestand vervangt het originele bestand. Het origineel "
                         "kan bewaard blijven als 'backup' bestand."));
    optGSI16 = new QRadioButton(QStringLiteral("Uitvoer is GSI-16"), Frame2);
    place(optGSI16, "optGSI16", Twips(4080, 1200, 1935, 255),
          QStringLiteral("Het uitvoerbestand is in GSI-16 formaat, GSI-8 bestanden worden "
                         "geconverteerd."));
    chkAutoBackup = new QCheckBox(QStringLiteral("Automatisch Backup maken"), Frame2);
    place(chkAutoBackup, "chkAutoBackup", Twips(240, 1320, 3735, 255),
          QStringLiteral("Er wordt altijd automatisch een backup van het invoer GSI bestand "
                         "gemaakt."));
    optOutIsIn = new QRadioButton(QStringLiteral("Uitvoer is Zelfde Formaat als Invoer"), Frame2);
    place(optOutIsIn, "optOutIsIn", Twips(4080, 1440, 3495, 255),
          QStringLiteral("Het invoer GSI bestand wordt niet geconverteerd."));
    optOutIsIn->setChecked(true);
    lblOutputGSI = new QLabel(QStringLiteral("Naam GSI Uitvoerbestand:"), Frame2);
    place(lblOutputGSI, "lblOutputGSI", Twips(240, 1680, 2415, 255));
    txtOutputGSI = new QLineEdit(Frame2);
    place(txtOutputGSI, "txtOutputGSI", Twips(240, 1920, 6975, 285),
          QStringLiteral("Hier de nieuwe naam invullen voor het opgeschoonde GSI bestand."));
    cmdOutputGSI = new QPushButton(QStringLiteral("..."), Frame2);
    place(cmdOutputGSI, "cmdOutputGSI", Twips(7200, 1920, 375, 280),
          QStringLiteral("Bladeren naar uitvoer GSI bestand"));
    cmdOutputGSI->setFont(browseFont);

    cmdProcessGSI = new QPushButton(QStringLiteral("Opschonen GSI bestand"), this);
    place(cmdProcessGSI, "cmdProcessGSI", Twips(240, 3480, 2415, 375),
          QStringLiteral("Start de bewerking."));
    cmdProcessGSI->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Exit"), this);
    place(cmdCancel, "cmdCancel", Twips(7080, 3480, 975, 375),
          QStringLiteral("Stop het programma."));

    // Text boxes would paste a dropped file's address as text; the window takes the drop.
    txtInputGSI->setAcceptDrops(false);
    txtOutputGSI->setAcceptDrops(false);

    // The three options are auto-exclusive within the frame; the arrow keys move between
    // them. Only the selected one is a tab stop, so the group is one stop as on Windows.
    for (QRadioButton* option : {optGSI8, optGSI16, optOutIsIn}) {
        connect(option, &QRadioButton::toggled, option, [option](bool checked) {
            option->setFocusPolicy(checked ? Qt::StrongFocus : Qt::ClickFocus);
        });
        option->setFocusPolicy(option->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
    }
    QWidget* focusOrder[] = {txtInputGSI,   cmdInputGSI, txtOutputGSI, cmdOutputGSI,
                             cmdProcessGSI, cmdCancel,   chkReplace,   optGSI8,
                             optGSI16,      optOutIsIn,  chkAutoBackup};
    for (std::size_t i = 1; i < std::size(focusOrder); ++i) {
        setTabOrder(focusOrder[i - 1], focusOrder[i]);
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
