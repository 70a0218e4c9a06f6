// Tessavo - cleaning of Leica GSI measurement files.
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
#include <exception>

#include "CleaningRun.h"
#include "Dialogs.h"
#include "SettingsStore.h"
#include "modFileHandling.h"

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

QString DefaultPath() {
#ifdef Q_OS_WIN
    return QStringLiteral("C:\\TEST.GSI");
#else
    // A test file at the top of the user's own space, as C:\ is on Windows.
    return QDir::homePath() + QStringLiteral("/TEST.GSI");
#endif
}

// The program writes only "0" and "1". Any other stored text (edited by hand, or damaged)
// gives the key's default rather than a check box state the actions do not know.
bool IsCheckValue(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok && (value == 0 || value == 1);
}

QString CheckValue(const QCheckBox* box) {
    return box->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
}

}  // namespace

// One stored value: its key, its default, which texts it accepts (any, when null) and how
// it moves between the store and the controls.
struct frmTessavo::Setting {
    const char* key;
    QString defaultValue;
    bool (*accepts)(const QString& text);
    void (*load)(frmTessavo& window, const QString& text);
    QString (*save)(const frmTessavo& window);
};

// In the order of loading: both paths come before ReplaceGSI, whose toggle copies the input
// path over the stored output path.
const std::array<frmTessavo::Setting, 5>& frmTessavo::Settings() {
    static const std::array<Setting, 5> settings{{
        {"InputGSI", DefaultPath(), nullptr,
         [](frmTessavo& w, const QString& text) { w.txtInputGSI->setText(text); },
         [](const frmTessavo& w) { return w.txtInputGSI->text(); }},
        {"OutputGSI", DefaultPath(), nullptr,
         [](frmTessavo& w, const QString& text) { w.txtOutputGSI->setText(text); },
         [](const frmTessavo& w) { return w.txtOutputGSI->text(); }},
        {"ReplaceGSI", QStringLiteral("1"), IsCheckValue,
         [](frmTessavo& w, const QString& text) {
             w.chkReplace->setChecked(text.trimmed().toInt() == 1);
         },
         [](const frmTessavo& w) { return CheckValue(w.chkReplace); }},
        {"AutoBackup", QStringLiteral("1"), IsCheckValue,
         [](frmTessavo& w, const QString& text) {
             w.chkAutoBackup->setChecked(text.trimmed().toInt() == 1);
         },
         [](const frmTessavo& w) { return CheckValue(w.chkAutoBackup); }},
        // Compared as text: "08" or " 8" is not the GSI-8 choice.
        {"OutFormat", QStringLiteral("0"), nullptr,
         [](frmTessavo& w, const QString& text) {
             QRadioButton* option = text == u"8"    ? w.optGSI8
                                    : text == u"16" ? w.optGSI16
                                                    : w.optOutIsIn;
             option->setChecked(true);
         },
         [](const frmTessavo& w) {
             return w.optGSI8->isChecked()    ? QStringLiteral("8")
                    : w.optGSI16->isChecked() ? QStringLiteral("16")
                                              : QStringLiteral("0");
         }},
    }};
    return settings;
}

frmTessavo::frmTessavo(Dialogs& dialogs, SettingsStore& store, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      dialogs_(dialogs),
      store_(store) {
    CreateControls();
    connect(chkReplace, &QCheckBox::toggled, this, &frmTessavo::chkReplace_Click);
    connect(cmdInputGSI, &QPushButton::clicked, this, &frmTessavo::cmdInputGSI_Click);
    connect(cmdOutputGSI, &QPushButton::clicked, this, &frmTessavo::cmdOutputGSI_Click);
    connect(cmdProcessGSI, &QPushButton::clicked, this, &frmTessavo::cmdProcessGSI_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmTessavo::cmdCancel_Click);
    Form_Load();
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

void frmTessavo::Form_Load() {
    lblVersion->setText(QStringLiteral("Versie: " TESSAVO_VERSION));
    for (const Setting& setting : Settings()) {
        QString text = store_.read(QLatin1String(setting.key), setting.defaultValue);
        if (setting.accepts && !setting.accepts(text)) {
            text = setting.defaultValue;
        }
        setting.load(*this, text);
    }
}

void frmTessavo::Form_Unload() {
    for (const Setting& setting : Settings()) {
        store_.write(QLatin1String(setting.key), setting.save(*this));
    }
    store_.sync();
    // A run in progress sees this at its next line, closes its files and returns; the
    // program ends when the event loop gets control back.
    closing_ = true;
}

void frmTessavo::closeEvent(QCloseEvent* event) {
    if (!closing_) {
        Form_Unload();
    }
    event->accept();
}

// Esc.
void frmTessavo::reject() { cmdCancel_Click(); }

// A drop brings one local file; anything else (a web address, text) is refused.
static QString DroppedFile(const QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    return urls.isEmpty() || !urls.first().isLocalFile()
               ? QString()
               : QDir::toNativeSeparators(urls.first().toLocalFile());
}

void frmTessavo::dragEnterEvent(QDragEnterEvent* event) { dragMoveEvent(event); }

void frmTessavo::dragMoveEvent(QDragMoveEvent* event) {
    if (!DroppedFile(event).isEmpty()) {
        event->acceptProposedAction();
    }
}

void frmTessavo::dropEvent(QDropEvent* event) {
    const QString file = DroppedFile(event);
    if (file.isEmpty()) {
        return;
    }
    txtInputGSI->setText(file);
    if (chkReplace->isChecked()) {
        txtOutputGSI->setText(file);
    }
    event->acceptProposedAction();
}

void frmTessavo::chkReplace_Click() {
    const bool following = chkReplace->isChecked();
    lblOutputGSI->setEnabled(!following);
    txtOutputGSI->setEnabled(!following);
    QPalette palette = txtOutputGSI->palette();
    palette.setColor(QPalette::Base,
                     following ? palette.color(QPalette::Button) : QColor(Qt::white));
    txtOutputGSI->setPalette(palette);
    if (following) {
        txtOutputGSI->setText(txtInputGSI->text());
    }
    cmdOutputGSI->setEnabled(!following);
}

FileDialogRequest frmTessavo::BrowseRequest(const QString& title, const QString& directory) const {
    return {title,
            directory,
            {{QStringLiteral("GSI bestanden (*.gsi;*.raw)"),
              {QStringLiteral("*.gsi"), QStringLiteral("*.raw")}},
             {QStringLiteral("Alle bestanden (*.*)"), {QStringLiteral("*")}}},
            QStringLiteral("GSI")};
}

void frmTessavo::cmdInputGSI_Click() {
    QString directory;
    try {
        directory = QString::fromStdString(GetFilePath(txtInputGSI->text().toStdString()));
    } catch (const std::exception&) {
        return;  // no directory in the box: no dialog, silently
    }
    const auto name = dialogs_.getOpenFileName(
        this, BrowseRequest(QStringLiteral("Inlezen GSI bestand"), directory));
    if (name && !name->isEmpty()) {
        txtInputGSI->setText(*name);
    }
    // After a cancel too: this is one of the moments the output copy catches up.
    if (chkReplace->isChecked()) {
        txtOutputGSI->setText(txtInputGSI->text());
    }
}

void frmTessavo::cmdOutputGSI_Click() {
    // An empty name asks again, starting from the box's current directory.
    for (;;) {
        QString directory;
        try {
            directory = QString::fromStdString(GetFilePath(txtOutputGSI->text().toStdString()));
        } catch (const std::exception&) {
            return;
        }
        const auto name = dialogs_.getSaveFileName(
            this, BrowseRequest(QStringLiteral("Opslaan GSI bestand"), directory));
        if (!name) {
            return;
        }
        if (!name->isEmpty()) {
            txtOutputGSI->setText(*name);
            return;
        }
    }
}

void frmTessavo::cmdCancel_Click() { close(); }

void frmTessavo::cmdProcessGSI_Click() {
    // The window handles its events during a run, so a click or Enter can arrive here
    // again. A second run over the same output would rename the half-written output onto
    // the backup that holds the original.
    if (running_) {
        return;
    }
    running_ = true;
    setCursor(Qt::WaitCursor);
    sinceEvents_.start();
    CleaningRun(txtInputGSI->text().toStdString(), txtOutputGSI->text().toStdString(),
                chkAutoBackup->isChecked(), *this);
    unsetCursor();
    running_ = false;
}

OutputFormat frmTessavo::CurrentOutputFormat() {
    if (optGSI16->isChecked()) {
        return OutputFormat::Gsi16;
    }
    return optGSI8->isChecked() ? OutputFormat::Gsi8 : OutputFormat::SameAsInput;
}

MessageAnswer frmTessavo::ShowMessage(const Message& message) {
    Message shown = message;
    if (!shown.title) {
        shown.title = "Tessavo";
    }
    return dialogs_.showMessage(this, shown);
}

bool frmTessavo::ProcessEvents(const Progress&) {
    // Handling the window's events costs far more than cleaning a line; doing it only every
    // few milliseconds keeps a long run as fast as the engine while the window stays live.
    if (sinceEvents_.elapsed() >= yieldInterval_.count()) {
        QCoreApplication::processEvents();
        sinceEvents_.restart();
    }
    return !closing_;
}

void frmTessavo::MakeProcessDefault() { cmdProcessGSI->setDefault(true); }

}  // namespace tessavo
