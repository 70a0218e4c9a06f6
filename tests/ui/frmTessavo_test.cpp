// Tessavo - cleaning of Leica GSI measurement files.
#include "frmTessavo.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include "FakeDialogs.h"
#include "SettingsStore.h"
#include "UiTestSupport.h"

using tessavo::frmTessavo;
using tessavo::Message;
using tessavo::MessageButtons;
using tessavo::MessageIcon;
using Stored = QMap<QString, QString>;

namespace {

const QStringList kKeys = {"InputGSI", "OutputGSI", "ReplaceGSI", "AutoBackup", "OutFormat"};

// A GSI-8 record line of four words and its GSI-16 form.
QByteArray Gsi8Line(int n) {
    return QStringLiteral("11%1+0000A%2 21.324+09000000 31..00+00012345 83..00-00001500 ")
        .arg(n, 4, 10, QLatin1Char('0'))
        .arg(n % 1000, 3, 10, QLatin1Char('0'))
        .toLatin1();
}
QByteArray Gsi16Line(int n) {
    return QStringLiteral(
               "*11%1+000000000000A%2 21.324+0000000009000000 31..00+0000000000012345 "
               "83..00-0000000000001500 ")
        .arg(n, 4, 10, QLatin1Char('0'))
        .arg(n % 1000, 3, 10, QLatin1Char('0'))
        .toLatin1();
}

QByteArray Lines(const QList<QByteArray>& lines) {
    QByteArray text;
    for (const QByteArray& line : lines) {
        text += line + "\r\n";
    }
    return text;
}

QList<QByteArray> Gsi8Lines(int count) {
    QList<QByteArray> lines;
    for (int n = 1; n <= count; ++n) {
        lines << Gsi8Line(n);
    }
    return lines;
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Runs `act` on the n-th pass through the window's event handling, counted by a timer that
// fires on every pass.
class OnEventPass : public QObject {
  public:
    OnEventPass(int pass, std::function<void()> act) : pass_(pass), act_(std::move(act)) {
        timer_.setInterval(0);
        connect(&timer_, &QTimer::timeout, this, [this] {
            if (++count_ == pass_) {
                timer_.stop();
                act_();
            }
        });
        timer_.start();
    }

  private:
    int pass_;
    int count_ = 0;
    std::function<void()> act_;
    QTimer timer_;
};

}  // namespace

class frmTessavoTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void startUpFromStore_data();
    void startUpFromStore();
    void shutDownStoresAllKeys_data();
    void shutDownStoresAllKeys();
    void windowAndFocusOrder_data();
    void windowAndFocusOrder();
    void textsFit();
    void replaceToggle();
    void inputBrowse_data();
    void inputBrowse();
    void outputBrowse_data();
    void outputBrowse();
    void enterAndEsc_data();
    void enterAndEsc();
    void completeRunInPlace();
    void optionChangedDuringRun();
    void secondStartDuringRunIgnored();
    void closedDuringRun_data();
    void closedDuringRun();
    void droppedFile_data();
    void droppedFile();

  private:
    void store(const Stored& values);
    Stored stored() const;
    frmTessavo& openWindow(const Stored& values, bool show = true);
    template <typename T>
    T* control(const char* name) {
        T* widget = window_->findChild<T*>(QLatin1String(name));
        if (!widget) {
            qFatal("no control %s", name);
        }
        return widget;
    }
    QString path(const QString& name) const { return dir_->filePath(name); }

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<tessavo::SettingsStore> store_;
    FakeDialogs dialogs_;
    std::unique_ptr<frmTessavo> window_;
};

void frmTessavoTest::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    store_ = std::make_unique<tessavo::SettingsStore>(path("Brakmor.conf"));
    dialogs_ = FakeDialogs();
}

void frmTessavoTest::cleanup() {
    window_.reset();
    store_.reset();
    QCOMPARE(VisibleTopLevels(), QStringList());
}

void frmTessavoTest::store(const Stored& values) {
    QSettings settings(path("Brakmor.conf"), QSettings::IniFormat);
    settings.beginGroup("Tessavo");
    for (auto it = values.begin(); it != values.end(); ++it) {
        settings.setValue(it.key(), it.value());
    }
}

Stored frmTessavoTest::stored() const {
    QSettings settings(path("Brakmor.conf"), QSettings::IniFormat);
    settings.beginGroup("Tessavo");
    Stored values;
    for (const QString& key : settings.childKeys()) {
        values[key] = settings.value(key).toString();
    }
    return values;
}

frmTessavo& frmTessavoTest::openWindow(const Stored& values, bool show) {
    store(values);
    window_ = std::make_unique<frmTessavo>(dialogs_, *store_);
    if (show) {
        window_->show();
        window_->activateWindow();
        if (!QTest::qWaitForWindowActive(window_.get())) {
            qFatal("window not active");
        }
    }
    return *window_;
}

void frmTessavoTest::startUpFromStore_data() {
    QTest::addColumn<Stored>("values");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    QTest::addColumn<bool>("replace");
    QTest::addColumn<bool>("autoBackup");
    QTest::addColumn<QString>("option");

    const QString home = QDir::homePath() + "/TEST.GSI";
    const Stored paths{{"InputGSI", "/data/in.gsi"}, {"OutputGSI", "/data/out.gsi"}};
    auto with = [&](Stored extra) {
        Stored values = paths;
        values.insert(extra);
        return values;
    };
    QTest::newRow("nothing stored") << Stored{} << home << home << true << true << "optOutIsIn";
    QTest::newRow("replace 0") << with({{"ReplaceGSI", "0"}, {"AutoBackup", "0"}}) << "/data/in.gsi"
                               << "/data/out.gsi" << false << false << "optOutIsIn";
    QTest::newRow("replace 1 drops the stored output")
        << with({{"ReplaceGSI", "1"}, {"AutoBackup", "1"}}) << "/data/in.gsi"
        << "/data/in.gsi" << true << true << "optOutIsIn";
    QTest::newRow("empty paths stay empty")
        << Stored{{"InputGSI", ""}, {"OutputGSI", ""}, {"ReplaceGSI", "0"}} << ""
        << "" << false << true << "optOutIsIn";
    QTest::newRow("Windows path") << Stored{{"InputGSI", "C:\\TEST.GSI"}} << "C:\\TEST.GSI"
                                  << "C:\\TEST.GSI" << true << true << "optOutIsIn";

    const QList<std::pair<QString, QString>> formats = {
        {"8", "optGSI8"},     {"16", "optGSI16"},    {"0", "optOutIsIn"},
        {"", "optOutIsIn"},   {"08", "optOutIsIn"},  {" 8", "optOutIsIn"},
        {"24", "optOutIsIn"}, {"16 ", "optOutIsIn"}, {"GSI8", "optOutIsIn"},
    };
    for (const auto& [text, option] : formats) {
        QTest::addRow("OutFormat \"%s\"", qPrintable(text))
            << with({{"ReplaceGSI", "0"}, {"OutFormat", text}}) << "/data/in.gsi"
            << "/data/out.gsi" << false << true << option;
    }

    // Texts the program never writes give the key's default instead of stopping the start.
    QTest::newRow("ReplaceGSI \"2\"") << with({{"ReplaceGSI", "2"}}) << "/data/in.gsi"
                                      << "/data/in.gsi" << true << true << "optOutIsIn";
    QTest::newRow("ReplaceGSI \"ja\"") << with({{"ReplaceGSI", "ja"}}) << "/data/in.gsi"
                                       << "/data/in.gsi" << true << true << "optOutIsIn";
    QTest::newRow("ReplaceGSI empty") << with({{"ReplaceGSI", ""}}) << "/data/in.gsi"
                                      << "/data/in.gsi" << true << true << "optOutIsIn";
    QTest::newRow("ReplaceGSI \" 0 \"") << with({{"ReplaceGSI", " 0 "}}) << "/data/in.gsi"
                                        << "/data/out.gsi" << false << true << "optOutIsIn";
    QTest::newRow("AutoBackup \"-1\"")
        << with({{"ReplaceGSI", "0"}, {"AutoBackup", "-1"}}) << "/data/in.gsi"
        << "/data/out.gsi" << false << true << "optOutIsIn";
    QTest::newRow("AutoBackup \" 0\"")
        << with({{"ReplaceGSI", "0"}, {"AutoBackup", " 0"}}) << "/data/in.gsi"
        << "/data/out.gsi" << false << false << "optOutIsIn";
}

void frmTessavoTest::startUpFromStore() {
    QFETCH(Stored, values);
    QFETCH(QString, input);
    QFETCH(QString, output);
    QFETCH(bool, replace);
    QFETCH(bool, autoBackup);
    QFETCH(QString, option);

    openWindow(values, false);
    QCOMPARE(control<QLabel>("lblVersion")->text(), QString("Versie: 1.0.4"));
    QCOMPARE(control<QLineEdit>("txtInputGSI")->text(), input);
    QCOMPARE(control<QLineEdit>("txtOutputGSI")->text(), output);
    QCOMPARE(control<QCheckBox>("chkReplace")->isChecked(), replace);
    QCOMPARE(control<QCheckBox>("chkAutoBackup")->isChecked(), autoBackup);
    for (const char* name : {"optGSI8", "optGSI16", "optOutIsIn"}) {
        QCOMPARE(control<QRadioButton>(name)->isChecked(), option == QLatin1String(name));
    }
    for (const char* name : {"lblOutputGSI", "txtOutputGSI", "cmdOutputGSI"}) {
        QCOMPARE(window_->findChild<QWidget*>(name)->isEnabled(), !replace);
    }
    // Nothing is written before the shut-down.
    QCOMPARE(stored(), values);
}

void frmTessavoTest::shutDownStoresAllKeys_data() {
    QTest::addColumn<QString>("way");
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("code");

    QTest::newRow("Exit button") << "button"
                                 << "optGSI16"
                                 << "16";
    QTest::newRow("Esc") << "Esc"
                         << "optGSI8"
                         << "8";
    QTest::newRow("Alt+E") << "Alt+E"
                           << "optOutIsIn"
                           << "0";
    QTest::newRow("close box") << "close box"
                               << "optGSI16"
                               << "16";
}

void frmTessavoTest::shutDownStoresAllKeys() {
    QFETCH(QString, way);
    QFETCH(QString, option);
    QFETCH(QString, code);

    openWindow({{"OutFormat", "24"}});
    control<QLineEdit>("txtInputGSI")->setText("/data/nieuw.gsi");
    control<QCheckBox>("chkReplace")->setChecked(false);
    control<QLineEdit>("txtOutputGSI")->clear();
    control<QCheckBox>("chkAutoBackup")->setChecked(false);
    control<QRadioButton>(qPrintable(option))->setChecked(true);

    QWidget* focus = control<QLineEdit>("txtOutputGSI");
    focus->setFocus();
    if (way == "button") {
        QTest::mouseClick(control<QPushButton>("cmdCancel"), Qt::LeftButton);
    } else if (way == "Esc") {
        QTest::keyClick(focus, Qt::Key_Escape);
    } else if (way == "Alt+E") {
        QTest::keyClick(focus, Qt::Key_E, Qt::AltModifier);
    } else {
        window_->windowHandle()->close();
    }

    QTRY_VERIFY(!window_->isVisible());  // a mnemonic clicks after a short animation
    const Stored expected{{"InputGSI", "/data/nieuw.gsi"},
                          {"OutputGSI", ""},
                          {"ReplaceGSI", "0"},
                          {"AutoBackup", "0"},
                          {"OutFormat", code}};
    QCOMPARE(stored(), expected);

    // The next start shows the same values.
    openWindow({}, false);
    QCOMPARE(control<QLineEdit>("txtOutputGSI")->text(), QString());
    QVERIFY(control<QRadioButton>(qPrintable(option))->isChecked());
}

void frmTessavoTest::windowAndFocusOrder_data() {
    QTest::addColumn<QString>("replace");
    QTest::addColumn<QStringList>("order");

    QTest::newRow("output free") << "0"
                                 << QStringList{"txtInputGSI",  "cmdInputGSI",   "txtOutputGSI",
                                                "cmdOutputGSI", "cmdProcessGSI", "cmdCancel",
                                                "chkReplace",   "optGSI16",      "chkAutoBackup",
                                                "txtInputGSI"};
    // Disabled controls are passed over.
    QTest::newRow("output following")
        << "1" << QStringList{"txtInputGSI", "cmdInputGSI", "cmdProcessGSI", "cmdCancel",
                              "chkReplace",  "optGSI16",    "chkAutoBackup", "txtInputGSI"};
}

void frmTessavoTest::windowAndFocusOrder() {
    QFETCH(QString, replace);
    QFETCH(QStringList, order);

    openWindow({{"ReplaceGSI", replace}, {"OutFormat", "16"}});
    QCOMPARE(window_->windowTitle(), QString("Cleaner voor Leica GSI files"));
    QCOMPARE(window_->size(), QSize(553, 272));
    QCOMPARE(window_->minimumSize(), window_->maximumSize());
    const Qt::WindowFlags flags = window_->windowFlags();
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QVERIFY(!window_->windowIcon().isNull());
    QCOMPARE(control<QLabel>("Picture1")->pixmap().size(), QSize(32, 32));

    QStringList seen{QApplication::focusWidget()->objectName()};
    for (int i = 1; i < order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        seen << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(seen, order);

    // Within the group the arrow keys select, and the tab stop moves with the selection.
    auto* gsi16 = control<QRadioButton>("optGSI16");
    gsi16->setFocus();
    QTest::keyClick(gsi16, Qt::Key_Down);
    QCOMPARE(QApplication::focusWidget()->objectName(), QString("optOutIsIn"));
    QVERIFY(control<QRadioButton>("optOutIsIn")->isChecked());
    control<QCheckBox>("chkReplace")->setFocus();
    QTest::keyClick(control<QCheckBox>("chkReplace"), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget()->objectName(), QString("optOutIsIn"));
    window_->close();
}

void frmTessavoTest::textsFit() {
    openWindow({}, false);
    // Without MS Sans Serif the texts fall back to Liberation Sans at the same size, and the
    // heading's Arial to Liberation Sans, which has Arial's widths; with a wider fallback
    // the captions would be cut off.
    for (const char* name : {"txtInputGSI", "Label1", "cmdInputGSI"}) {
        QCOMPARE(QFontInfo(window_->findChild<QWidget*>(name)->font()).family(),
                 QString("Liberation Sans"));
    }
    for (QWidget* widget : window_->findChildren<QWidget*>()) {
        if (qobject_cast<QLabel*>(widget) || qobject_cast<QCheckBox*>(widget) ||
            qobject_cast<QRadioButton*>(widget)) {
            QVERIFY2(widget->sizeHint().width() <= widget->width(),
                     qPrintable(widget->objectName()));
        } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
            const int text = button->fontMetrics().horizontalAdvance(button->text().remove('&'));
            QVERIFY2(text + 6 <= button->width(), qPrintable(button->objectName()));
        }
    }
}

void frmTessavoTest::replaceToggle() {
    openWindow({{"InputGSI", "/a/in.gsi"}, {"OutputGSI", "/a/out.gsi"}, {"ReplaceGSI", "0"}},
               false);
    auto* replace = control<QCheckBox>("chkReplace");
    auto* input = control<QLineEdit>("txtInputGSI");
    auto* output = control<QLineEdit>("txtOutputGSI");
    const QList<QWidget*> outputControls = {control<QLabel>("lblOutputGSI"), output,
                                            control<QPushButton>("cmdOutputGSI")};
    auto outputEnabled = [&] {
        QList<bool> states;
        for (QWidget* widget : outputControls) {
            states << widget->isEnabled();
        }
        return states;
    };
    const QColor buttonFace = QApplication::palette().color(QPalette::Button);

    replace->click();
    QCOMPARE(output->text(), QString("/a/in.gsi"));
    QCOMPARE(outputEnabled(), QList<bool>({false, false, false}));
    QCOMPARE(output->palette().color(QPalette::Disabled, QPalette::Base), buttonFace);

    // Typing a new input, or setting the same value again, leaves the copy as it was.
    input->setText("/b/new.gsi");
    replace->setChecked(true);
    QCOMPARE(output->text(), QString("/a/in.gsi"));

    replace->click();
    QCOMPARE(outputEnabled(), QList<bool>({true, true, true}));
    QCOMPARE(output->palette().color(QPalette::Base), QColor(Qt::white));
    QCOMPARE(output->text(), QString("/a/in.gsi"));

    // A change from the program runs the toggle as a click does.
    replace->setChecked(true);
    QCOMPARE(output->text(), QString("/b/new.gsi"));
    QCOMPARE(outputEnabled(), QList<bool>({false, false, false}));
}

void frmTessavoTest::inputBrowse_data() {
    QTest::addColumn<bool>("replace");
    QTest::addColumn<QString>("input");
    QTest::addColumn<std::optional<QString>>("answer");
    QTest::addColumn<QString>("directory");  // empty: no dialog
    QTest::addColumn<QString>("newInput");
    QTest::addColumn<QString>("newOutput");

    const std::optional<QString> cancel;
    const std::optional<QString> chosen = QString("/other/nieuw.GSI");
    // With replace the output box holds the copy taken at start-up, "/data/stored.gsi".
    QTest::newRow("choice") << false << "/data/in.gsi" << chosen << "/data/"
                            << "/other/nieuw.GSI"
                            << "/data/out.gsi";
    QTest::newRow("choice, replace") << true << "/data/in.gsi" << chosen << "/data/"
                                     << "/other/nieuw.GSI"
                                     << "/other/nieuw.GSI";
    QTest::newRow("cancel") << false << "/data/in.gsi" << cancel << "/data/"
                            << "/data/in.gsi"
                            << "/data/out.gsi";
    QTest::newRow("cancel, replace copies the typed input")
        << true << "/data/in.gsi" << cancel << "/data/"
        << "/data/in.gsi"
        << "/data/in.gsi";
    QTest::newRow("empty name") << false << "/data/in.gsi" << std::optional<QString>("") << "/data/"
                                << "/data/in.gsi"
                                << "/data/out.gsi";
    QTest::newRow("backslash path") << false << "C:\\GSI\\TEST.GSI" << cancel << "C:\\GSI\\"
                                    << "C:\\GSI\\TEST.GSI"
                                    << "/data/out.gsi";
    QTest::newRow("no separator") << false << "TEST.GSI" << chosen << ""
                                  << "TEST.GSI"
                                  << "/data/out.gsi";
    QTest::newRow("no separator, replace") << true << "TEST.GSI" << chosen << ""
                                           << "TEST.GSI"
                                           << "/data/stored.gsi";
    QTest::newRow("empty box") << false << "" << chosen << ""
                               << ""
                               << "/data/out.gsi";
}

void frmTessavoTest::inputBrowse() {
    QFETCH(bool, replace);
    QFETCH(QString, input);
    QFETCH(std::optional<QString>, answer);
    QFETCH(QString, directory);
    QFETCH(QString, newInput);
    QFETCH(QString, newOutput);

    openWindow({{"InputGSI", "/data/stored.gsi"},
                {"OutputGSI", "/data/out.gsi"},
                {"ReplaceGSI", replace ? "1" : "0"}},
               false);
    control<QLineEdit>("txtInputGSI")->setText(input);
    dialogs_.fileAnswers = {answer};
    control<QPushButton>("cmdInputGSI")->click();

    if (directory.isEmpty()) {
        QCOMPARE(dialogs_.fileRequests.size(), 0);
    } else {
        QCOMPARE(dialogs_.fileRequests.size(), 1);
        const FakeDialogs::FileRequest& asked = dialogs_.fileRequests.first();
        QCOMPARE(asked.save, false);
        QCOMPARE(asked.request.title, QString("Inlezen GSI bestand"));
        QCOMPARE(asked.request.directory, directory);
    }
    QCOMPARE(control<QLineEdit>("txtInputGSI")->text(), newInput);
    QCOMPARE(control<QLineEdit>("txtOutputGSI")->text(), newOutput);
}

void frmTessavoTest::outputBrowse_data() {
    QTest::addColumn<QString>("output");
    QTest::addColumn<QList<std::optional<QString>>>("answers");
    QTest::addColumn<int>("dialogs");
    QTest::addColumn<QString>("newOutput");

    const std::optional<QString> cancel;
    const std::optional<QString> chosen = QString("/other/uit.GSI");
    const std::optional<QString> empty = QString();
    QTest::newRow("choice") << "/data/out.gsi" << QList{chosen} << 1 << "/other/uit.GSI";
    QTest::newRow("cancel") << "/data/out.gsi" << QList{cancel} << 1 << "/data/out.gsi";
    QTest::newRow("empty name asks again")
        << "/data/out.gsi" << QList{empty, chosen} << 2 << "/other/uit.GSI";
    QTest::newRow("empty name, then cancel")
        << "/data/out.gsi" << QList{empty, cancel} << 2 << "/data/out.gsi";
    QTest::newRow("no separator") << "uit.gsi" << QList{chosen} << 0 << "uit.gsi";
    QTest::newRow("empty box") << "" << QList{chosen} << 0 << "";
}

void frmTessavoTest::outputBrowse() {
    QFETCH(QString, output);
    QFETCH(QList<std::optional<QString>>, answers);
    QFETCH(int, dialogs);
    QFETCH(QString, newOutput);

    openWindow({{"OutputGSI", output}, {"ReplaceGSI", "0"}}, false);
    dialogs_.fileAnswers = answers;
    control<QPushButton>("cmdOutputGSI")->click();

    QCOMPARE(dialogs_.fileRequests.size(), dialogs);
    const tessavo::FileDialogRequest expected{
        "Opslaan GSI bestand",
        "/data/",
        {{"GSI bestanden (*.gsi;*.raw)", {"*.gsi", "*.raw"}}, {"Alle bestanden (*.*)", {"*"}}},
        "GSI"};
    for (const FakeDialogs::FileRequest& asked : std::as_const(dialogs_.fileRequests)) {
        QCOMPARE(asked.save, true);
        QVERIFY(asked.request == expected);
    }
    QCOMPARE(control<QLineEdit>("txtOutputGSI")->text(), newOutput);
}

void frmTessavoTest::enterAndEsc_data() {
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("effect");

    QTest::newRow("Enter in the input box") << "txtInputGSI" << int(Qt::Key_Return) << "run";
    QTest::newRow("keypad Enter in the output box")
        << "txtOutputGSI" << int(Qt::Key_Enter) << "run";
    QTest::newRow("Enter on a check box") << "chkAutoBackup" << int(Qt::Key_Return) << "run";
    QTest::newRow("Enter on an option") << "optGSI8" << int(Qt::Key_Return) << "run";
    QTest::newRow("Enter on the input browse") << "cmdInputGSI" << int(Qt::Key_Return) << "browse";
    QTest::newRow("Enter on Exit") << "cmdCancel" << int(Qt::Key_Return) << "exit";
    QTest::newRow("Esc in the input box") << "txtInputGSI" << int(Qt::Key_Escape) << "exit";
    QTest::newRow("Esc on the process button") << "cmdProcessGSI" << int(Qt::Key_Escape) << "exit";
}

void frmTessavoTest::enterAndEsc() {
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(QString, effect);

    // The input does not exist, so a run only shows its "not found" message.
    openWindow({{"InputGSI", path("ontbreekt.gsi")}, {"ReplaceGSI", "0"}});
    QWidget* target = window_->findChild<QWidget*>(focus);
    target->setFocus();
    QTest::keyClick(target, Qt::Key(key));

    QCOMPARE(dialogs_.messages.size(), effect == "run" ? 1 : 0);
    if (effect == "run") {
        QCOMPARE(QString::fromStdString(dialogs_.messages.first().lines.front()),
                 QString("Invoerbestand niet gevonden !"));
    }
    QCOMPARE(dialogs_.fileRequests.size(), effect == "browse" ? 1 : 0);
    QCOMPARE(window_->isVisible(), effect != "exit");
    QCOMPARE(stored().size(), effect == "exit" ? 5 : 2);
    window_->close();
}

void frmTessavoTest::completeRunInPlace() {
    const QString file = path("TEST.GSI");
    const QByteArray original =
        Lines({"Koptekst van het instrument", Gsi8Line(1), Gsi8Line(2), Gsi8Line(3)});
    WriteAll(file, original);
    openWindow({{"InputGSI", file}, {"ReplaceGSI", "1"}, {"AutoBackup", "1"}, {"OutFormat", "16"}});
    auto* process = control<QPushButton>("cmdProcessGSI");
    process->setDefault(false);
    process->click();

    QCOMPARE(ReadAll(file),
             Lines({"Koptekst van het instrument", Gsi16Line(1), Gsi16Line(2), Gsi16Line(3)}));
    QCOMPARE(ReadAll(file + ".bak"), original);
    QCOMPARE(dialogs_.messages.size(), 1);
    const Message done{tessavo::MessageKind::Report,
                       {"Opgeschoond GSI bestand is gereed", "Aantal meetregels:  3"},
                       MessageIcon::None,
                       MessageButtons::Ok,
                       "Tessavo"};
    QVERIFY(dialogs_.messages.first() == done);
    QVERIFY(process->isDefault());
    QCOMPARE(window_->cursor().shape(), Qt::ArrowCursor);
    QVERIFY(!window_->isRunning());

    QTest::keyClick(control<QLineEdit>("txtInputGSI"), Qt::Key_Escape);
    QCOMPARE(stored().value("OutputGSI"), file);
}

void frmTessavoTest::optionChangedDuringRun() {
    const int count = 200;
    WriteAll(path("in.gsi"), Lines(Gsi8Lines(count)));
    openWindow({{"InputGSI", path("in.gsi")},
                {"OutputGSI", path("out.gsi")},
                {"ReplaceGSI", "0"},
                {"OutFormat", "16"}});
    window_->setYieldInterval(std::chrono::milliseconds(0));

    Qt::CursorShape cursorDuringRun = Qt::ArrowCursor;
    OnEventPass switchFormat(50, [&] {
        cursorDuringRun = window_->cursor().shape();
        control<QRadioButton>("optGSI8")->click();
    });
    control<QPushButton>("cmdProcessGSI")->click();

    QCOMPARE(cursorDuringRun, Qt::WaitCursor);
    QCOMPARE(window_->cursor().shape(), Qt::ArrowCursor);
    const QList<QByteArray> lines = ReadAll(path("out.gsi")).split('\n');
    QCOMPARE(lines.size(), count + 1);  // and an empty rest after the last line ending
    int converted = 0;
    while (converted < count && lines[converted] == Gsi16Line(converted + 1) + "\r") {
        ++converted;
    }
    QVERIFY2(converted > 0 && converted < count, qPrintable(QString::number(converted)));
    for (int n = converted; n < count; ++n) {
        QCOMPARE(lines[n], Gsi8Line(n + 1) + "\r");
    }
    window_->close();
}

void frmTessavoTest::secondStartDuringRunIgnored() {
    const QString file = path("TEST.GSI");
    const QByteArray original = Lines(Gsi8Lines(200));
    WriteAll(file, original);
    openWindow({{"InputGSI", file}, {"ReplaceGSI", "1"}, {"AutoBackup", "1"}, {"OutFormat", "0"}});
    window_->setYieldInterval(std::chrono::milliseconds(0));

    bool runningThen = false;
    OnEventPass startAgain(20, [&] {
        runningThen = window_->isRunning();
        control<QPushButton>("cmdProcessGSI")->click();
        QTest::keyClick(control<QLineEdit>("txtInputGSI"), Qt::Key_Return);
    });
    control<QPushButton>("cmdProcessGSI")->click();

    QVERIFY(runningThen);
    QCOMPARE(dialogs_.messages.size(), 1);
    QCOMPARE(QString::fromStdString(dialogs_.messages.first().lines.back()),
             QString("Aantal meetregels:  200"));
    QCOMPARE(ReadAll(file + ".bak"), original);
    QCOMPARE(ReadAll(file), original);
    window_->close();
}

void frmTessavoTest::closedDuringRun_data() {
    QTest::addColumn<QString>("way");
    QTest::newRow("close box") << "close box";
    QTest::newRow("Esc") << "Esc";
}

void frmTessavoTest::closedDuringRun() {
    QFETCH(QString, way);

    const int count = 500;
    const QString file = path("TEST.GSI");
    const QByteArray original = Lines(Gsi8Lines(count));
    WriteAll(file, original);
    openWindow({{"InputGSI", file}, {"ReplaceGSI", "1"}, {"AutoBackup", "1"}, {"OutFormat", "16"}});
    window_->setYieldInterval(std::chrono::milliseconds(0));

    OnEventPass close(100, [&] {
        if (way == "Esc") {
            QTest::keyClick(control<QLineEdit>("txtInputGSI"), Qt::Key_Escape);
        } else {
            window_->windowHandle()->close();
        }
    });
    control<QPushButton>("cmdProcessGSI")->click();

    // The run stopped without a message, the settings are stored, the window is gone.
    QVERIFY(!window_->isRunning());
    QVERIFY(!window_->isVisible());
    QCOMPARE(dialogs_.messages.size(), 0);
    QCOMPARE(stored().value("InputGSI"), file);
    QCOMPARE(stored().value("OutFormat"), QString("16"));
    QCOMPARE(stored().size(), 5);

    // A stopped run changes nothing: the file as it was, no backup, no file of the run's own.
    QCOMPARE(ReadAll(file), original);
    QCOMPARE(QDir(dir_->path()).entryList({"TEST.GSI*"}, QDir::Files), QStringList{"TEST.GSI"});
#ifdef Q_OS_LINUX
    // No file of the run is left open.
    const QStringList open = QDir("/proc/self/fd").entryList(QDir::Files | QDir::System);
    for (const QString& fd : open) {
        const QString target = QFile::symLinkTarget("/proc/self/fd/" + fd);
        QVERIFY2(!target.startsWith(dir_->path() + "/TEST.GSI"), qPrintable(target));
    }
#endif
}

void frmTessavoTest::droppedFile_data() {
    QTest::addColumn<bool>("replace");
    QTest::addColumn<QUrl>("url");
    QTest::addColumn<QString>("newInput");
    QTest::addColumn<QString>("newOutput");

    const QUrl file = QUrl::fromLocalFile("/metingen/dag 1.gsi");
    QTest::newRow("file") << false << file << "/metingen/dag 1.gsi"
                          << "/data/out.gsi";
    QTest::newRow("file, replace") << true << file << "/metingen/dag 1.gsi"
                                   << "/metingen/dag 1.gsi";
    QTest::newRow("web address") << false << QUrl("https://example.com/a.gsi") << "/data/in.gsi"
                                 << "/data/out.gsi";
}

void frmTessavoTest::droppedFile() {
    QFETCH(bool, replace);
    QFETCH(QUrl, url);
    QFETCH(QString, newInput);
    QFETCH(QString, newOutput);

    openWindow({{"InputGSI", "/data/in.gsi"},
                {"OutputGSI", "/data/out.gsi"},
                {"ReplaceGSI", replace ? "1" : "0"},
                {"AutoBackup", "0"},
                {"OutFormat", "8"}});
    if (replace) {
        control<QLineEdit>("txtOutputGSI")->setText("/data/out.gsi");
    }
    // Dropped on the input box, which leaves the drop to the window.
    const QPoint onInputBox = control<QLineEdit>("txtInputGSI")->mapTo(window_.get(), QPoint(5, 5));
    QMimeData data;
    data.setUrls({url});
    QDragEnterEvent enter(onInputBox, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window_->windowHandle(), &enter);
    QDragMoveEvent move(onInputBox, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window_->windowHandle(), &move);
    QCOMPARE(move.isAccepted(), url.isLocalFile());
    QDropEvent drop(onInputBox, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window_->windowHandle(), &drop);

    QCOMPARE(control<QLineEdit>("txtInputGSI")->text(), newInput);
    QCOMPARE(control<QLineEdit>("txtOutputGSI")->text(), newOutput);
    QCOMPARE(control<QCheckBox>("chkReplace")->isChecked(), replace);
    QVERIFY(!control<QCheckBox>("chkAutoBackup")->isChecked());
    QVERIFY(control<QRadioButton>("optGSI8")->isChecked());
    QCOMPARE(dialogs_.messages.size() + dialogs_.fileRequests.size(), 0);
    window_->close();
}

QTEST_MAIN(frmTessavoTest)
#include "frmTessavo_test.moc"
