// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the Qt window's wiring: its controls, keys, focus, drops and a whole run.
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
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include "FakeDialogs.h"
#include "MemorySettingsStore.h"
#include "UiTestSupport.h"

using tessavo::frmTessavo;
using tessavo::Message;
using tessavo::MessageButtons;
using tessavo::MessageIcon;
using Stored = QMap<QString, QString>;

namespace {

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

    void storedValuesRoundTrip_data();
    void storedValuesRoundTrip();
    void windowAndFocusOrder_data();
    void windowAndFocusOrder();
    void textsFit();
    void replaceToggleAndTyping();
    void enterAndEsc_data();
    void enterAndEsc();
    void completeRunInPlace();
    void closedDuringRun_data();
    void closedDuringRun();
    void droppedFile_data();
    void droppedFile();

  private:
    void store(const Stored& values);
    Stored stored() const;
    frmTessavo& openWindow(const Stored& values, bool show = true,
                           std::chrono::milliseconds eventInterval = std::chrono::milliseconds(15));
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
    tessavo::test::MemorySettingsStore store_;
    tessavo::test::FakeDialogs dialogs_;
    std::unique_ptr<frmTessavo> window_;
};

void frmTessavoTest::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    store_ = {};
    dialogs_ = {};
}

void frmTessavoTest::cleanup() {
    window_.reset();
    QCOMPARE(VisibleTopLevels(), QStringList());
}

void frmTessavoTest::store(const Stored& values) {
    for (auto it = values.begin(); it != values.end(); ++it) {
        store_.values[it.key().toStdString()] = it.value().toStdString();
    }
}

Stored frmTessavoTest::stored() const {
    Stored values;
    for (const auto& [key, value] : store_.values) {
        values[QString::fromStdString(key)] = QString::fromStdString(value);
    }
    return values;
}

frmTessavo& frmTessavoTest::openWindow(const Stored& values, bool show,
                                       std::chrono::milliseconds eventInterval) {
    store(values);
    window_ = std::make_unique<frmTessavo>(dialogs_, store_, eventInterval);
    if (show) {
        window_->show();
        window_->activateWindow();
        if (!QTest::qWaitForWindowActive(window_.get())) {
            qFatal("window not active");
        }
    }
    return *window_;
}

// The stored values reach the right controls and come back from them, by every way of
// closing; the rules for the values are the controller's and are tested there.
void frmTessavoTest::storedValuesRoundTrip_data() {
    QTest::addColumn<QString>("way");
    QTest::addColumn<bool>("replace");
    QTest::addColumn<bool>("autoBackup");
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("code");

    QTest::newRow("Exit button") << "button" << true << false << "optGSI16"
                                 << "16";
    QTest::newRow("Esc") << "Esc" << false << true << "optGSI8"
                         << "8";
    QTest::newRow("Alt+E") << "Alt+E" << false << false << "optOutIsIn"
                           << "0";
    QTest::newRow("close box") << "close box" << true << true << "optGSI8"
                               << "8";
}

void frmTessavoTest::storedValuesRoundTrip() {
    QFETCH(QString, way);
    QFETCH(bool, replace);
    QFETCH(bool, autoBackup);
    QFETCH(QString, option);
    QFETCH(QString, code);

    const QString output = replace ? "/data/in.gsi" : "/data/out.gsi";
    openWindow({{"InputGSI", "/data/in.gsi"},
                {"OutputGSI", "/data/out.gsi"},
                {"ReplaceGSI", replace ? "1" : "0"},
                {"AutoBackup", autoBackup ? "1" : "0"},
                {"OutFormat", code}});
    QCOMPARE(control<QLabel>("lblVersion")->text(), QString("Versie: 1.0.4"));
    QCOMPARE(control<QLineEdit>("txtInputGSI")->text(), QString("/data/in.gsi"));
    QCOMPARE(control<QLineEdit>("txtOutputGSI")->text(), output);
    QCOMPARE(control<QCheckBox>("chkReplace")->isChecked(), replace);
    QCOMPARE(control<QCheckBox>("chkAutoBackup")->isChecked(), autoBackup);
    for (const char* name : {"optGSI8", "optGSI16", "optOutIsIn"}) {
        QCOMPARE(control<QRadioButton>(name)->isChecked(), option == QLatin1String(name));
    }
    for (const char* name : {"lblOutputGSI", "txtOutputGSI", "cmdOutputGSI"}) {
        QCOMPARE(window_->findChild<QWidget*>(name)->isEnabled(), !replace);
    }

    QWidget* focus = control<QLineEdit>("txtInputGSI");
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
    const Stored expected{{"InputGSI", "/data/in.gsi"},
                          {"OutputGSI", output},
                          {"ReplaceGSI", replace ? "1" : "0"},
                          {"AutoBackup", autoBackup ? "1" : "0"},
                          {"OutFormat", code}};
    QCOMPARE(stored(), expected);
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

void frmTessavoTest::replaceToggleAndTyping() {
    openWindow({{"InputGSI", "/a/in.gsi"}, {"OutputGSI", "/a/out.gsi"}, {"ReplaceGSI", "0"}});
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

    // Typing a new input moves the greyed output along, key by key.
    input->setFocus();
    QTest::keyClick(input, Qt::Key_End);
    QTest::keyClick(input, Qt::Key_Backspace);
    QCOMPARE(output->text(), QString("/a/in.gs"));
    QTest::keyClicks(input, "i2");
    QCOMPARE(output->text(), QString("/a/in.gsi2"));

    // The space bar clears the box as a click does; the copy stays and typing no longer
    // reaches the output.
    replace->setFocus();
    QTest::keyClick(replace, Qt::Key_Space);
    QCOMPARE(outputEnabled(), QList<bool>({true, true, true}));
    QCOMPARE(output->palette().color(QPalette::Base), QColor(Qt::white));
    QTest::keyClicks(input, "x");
    QCOMPARE(input->text(), QString("/a/in.gsi2x"));
    QCOMPARE(output->text(), QString("/a/in.gsi2"));
    window_->close();
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

    QCOMPARE(dialogs_.messages.size(), effect == "run" ? 1u : 0u);
    if (effect == "run") {
        QCOMPARE(QString::fromStdString(dialogs_.messages.front().lines.front()),
                 QString("Invoerbestand niet gevonden !"));
    }
    QCOMPARE(dialogs_.fileRequests.size(), effect == "browse" ? 1u : 0u);
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
    Qt::CursorShape cursorAtMessage = Qt::WaitCursor;
    dialogs_.onMessage = [&](const Message&) { cursorAtMessage = window_->cursor().shape(); };
    process->click();

    QCOMPARE(ReadAll(file),
             Lines({"Koptekst van het instrument", Gsi16Line(1), Gsi16Line(2), Gsi16Line(3)}));
    QCOMPARE(ReadAll(file + ".bak"), original);
    QCOMPARE(dialogs_.messages.size(), 1u);
    const Message done{tessavo::MessageKind::Report,
                       {"Opgeschoond GSI bestand is gereed", "Aantal meetregels:  3"},
                       MessageIcon::None,
                       MessageButtons::Ok,
                       "Tessavo",
                       {}};
    QVERIFY(dialogs_.messages.front() == done);
    QVERIFY(process->isDefault());
    QCOMPARE(cursorAtMessage, Qt::ArrowCursor);
    QCOMPARE(window_->cursor().shape(), Qt::ArrowCursor);
    QVERIFY(!window_->IsRunning());

    QTest::keyClick(control<QLineEdit>("txtInputGSI"), Qt::Key_Escape);
    QCOMPARE(stored().value("OutputGSI"), file);
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
    openWindow({{"InputGSI", file}, {"ReplaceGSI", "1"}, {"AutoBackup", "1"}, {"OutFormat", "16"}},
               true, std::chrono::milliseconds(0));

    Qt::CursorShape cursorDuringRun = Qt::ArrowCursor;
    OnEventPass close(100, [&] {
        cursorDuringRun = window_->cursor().shape();
        if (way == "Esc") {
            QTest::keyClick(control<QLineEdit>("txtInputGSI"), Qt::Key_Escape);
        } else {
            window_->windowHandle()->close();
        }
    });
    control<QPushButton>("cmdProcessGSI")->click();

    // The run stopped without a message, the settings are stored, the window is gone.
    QVERIFY(!window_->IsRunning());
    QVERIFY(!window_->isVisible());
    QCOMPARE(cursorDuringRun, Qt::WaitCursor);
    QCOMPARE(window_->cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(dialogs_.messages.size(), 0u);
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
    QTest::addColumn<QString>("dropped");  // a name in the test's folder, or an address
    QTest::addColumn<bool>("taken");

    QTest::newRow("file") << false << "dag 1.gsi" << true;
    QTest::newRow("file, replace") << true << "dag 1.gsi" << true;
    QTest::newRow("folder") << true << "metingen" << false;
    QTest::newRow("web address") << false << "https://example.com/a.gsi" << false;
}

void frmTessavoTest::droppedFile() {
    QFETCH(bool, replace);
    QFETCH(QString, dropped);
    QFETCH(bool, taken);

    WriteAll(path("dag 1.gsi"), Lines({Gsi8Line(1)}));
    QVERIFY(QDir(dir_->path()).mkdir("metingen"));
    const QUrl url =
        dropped.startsWith("https:") ? QUrl(dropped) : QUrl::fromLocalFile(path(dropped));
    openWindow({{"InputGSI", "/data/in.gsi"},
                {"OutputGSI", "/data/out.gsi"},
                {"ReplaceGSI", replace ? "1" : "0"},
                {"AutoBackup", "0"},
                {"OutFormat", "8"}});
    // Dropped on the input box, which leaves the drop to the window.
    const QPoint onInputBox = control<QLineEdit>("txtInputGSI")->mapTo(window_.get(), QPoint(5, 5));
    QMimeData data;
    data.setUrls({url});
    QDragEnterEvent enter(onInputBox, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window_->windowHandle(), &enter);
    QDragMoveEvent move(onInputBox, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window_->windowHandle(), &move);
    QCOMPARE(move.isAccepted(), taken);
    QDropEvent drop(onInputBox, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window_->windowHandle(), &drop);

    const QString input = taken ? QDir::toNativeSeparators(path(dropped)) : "/data/in.gsi";
    QCOMPARE(control<QLineEdit>("txtInputGSI")->text(), input);
    QCOMPARE(control<QLineEdit>("txtOutputGSI")->text(), replace ? input : "/data/out.gsi");
    QCOMPARE(control<QCheckBox>("chkReplace")->isChecked(), replace);
    QVERIFY(!control<QCheckBox>("chkAutoBackup")->isChecked());
    QVERIFY(control<QRadioButton>("optGSI8")->isChecked());
    QCOMPARE(dialogs_.messages.size() + dialogs_.fileRequests.size(), 0u);
    window_->close();
}

QTEST_MAIN(frmTessavoTest)
#include "frmTessavo_test.moc"
