// SPDX-License-Identifier: GPL-3.0-or-later
// Smoke tests of the Qt window's adaptors: the real message box, file dialogs and INI store.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "IniSettingsStore.h"
#include "QtDialogs.h"
#include "QtTranslation.h"
#include "UiTestSupport.h"

using tessavo::FileDialogRequest;
using tessavo::Message;
using tessavo::MessageAnswer;
using tessavo::MessageButtons;
using tessavo::MessageIcon;

Q_DECLARE_METATYPE(MessageIcon)
Q_DECLARE_METATYPE(MessageButtons)
Q_DECLARE_METATYPE(MessageAnswer)

class PlatformTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void cleanup();

    void messageBox_data();
    void messageBox();
    void openDialog();
    void saveDialog_data();
    void saveDialog();
    void settingsStore();

  private:
    FileDialogRequest request(const std::string& title) const;

    QTemporaryDir dir_;
    QWidget parent_;
};

void PlatformTest::initTestCase() {
    QVERIFY(dir_.isValid());
    // The user's store, and the state that QFileDialog keeps in its own settings, go to the
    // temporary folder instead of the real configuration folder.
    qputenv("XDG_CONFIG_HOME", dir_.filePath("config").toLocal8Bit());
    QVERIFY(tessavo::InstallDutchQtTranslation(*qApp));
    parent_.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent_));
}

void PlatformTest::cleanup() {
    // The parent window stays open for the whole run; nothing else may.
    QCOMPARE(VisibleTopLevels(), QStringList{"QWidget"});
}

void PlatformTest::messageBox_data() {
    QTest::addColumn<MessageIcon>("icon");
    QTest::addColumn<MessageButtons>("buttons");
    QTest::addColumn<QString>("press");  // a button's text, or a key
    QTest::addColumn<QStringList>("buttonTexts");
    QTest::addColumn<MessageAnswer>("answer");

    const QStringList okCancel{"OK", "Annuleren"};
    QTest::newRow("warning, Cancel") << MessageIcon::Warning << MessageButtons::OkCancel
                                     << "Annuleren" << okCancel << MessageAnswer::Cancel;
    QTest::newRow("Esc cancels") << MessageIcon::Warning << MessageButtons::OkCancel << "Esc"
                                 << okCancel << MessageAnswer::Cancel;
    QTest::newRow("plain, OK only") << MessageIcon::None << MessageButtons::Ok << "Enter"
                                    << QStringList{"OK"} << MessageAnswer::Ok;
}

void PlatformTest::messageBox() {
    QFETCH(MessageIcon, icon);
    QFETCH(MessageButtons, buttons);
    QFETCH(QString, press);
    QFETCH(QStringList, buttonTexts);
    QFETCH(MessageAnswer, answer);

    QString text, title;
    QWidget* boxParent = nullptr;
    QMessageBox::Icon shownIcon{};
    QStringList shownButtons;
    WhenModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        QVERIFY(box);
        text = box->text();
        title = box->windowTitle();
        boxParent = box->parentWidget();
        shownIcon = box->icon();
        for (QAbstractButton* button : box->buttons()) {
            shownButtons << button->text();
        }
        if (press == "Esc") {
            QTest::keyClick(box, Qt::Key_Escape);
        } else if (press == "Enter") {
            QTest::keyClick(box, Qt::Key_Return);
        } else {
            for (QAbstractButton* button : box->buttons()) {
                if (button->text() == press) {
                    button->click();
                }
            }
        }
    });
    tessavo::QtDialogs dialogs;
    dialogs.SetParent(&parent_);
    const MessageAnswer given =
        dialogs.ShowMessage(Message{tessavo::MessageKind::Question,
                                    {"Uitvoerbestand bestaat al ! <a.gsi>", "Doorgaan?"},
                                    icon,
                                    buttons,
                                    "Let op",
                                    {}});

    QCOMPARE(given, answer);
    QCOMPARE(text, QString("Uitvoerbestand bestaat al ! <a.gsi>\nDoorgaan?"));
    QCOMPARE(title, QString("Let op"));
    QCOMPARE(boxParent, &parent_);
    QCOMPARE(shownIcon, icon == MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon);
    shownButtons.sort();
    buttonTexts.sort();
    QCOMPARE(shownButtons, buttonTexts);
}

FileDialogRequest PlatformTest::request(const std::string& title) const {
    return {title,
            dir_.path().toStdString(),
            {{"GSI bestanden (*.gsi;*.raw)", {"*.gsi", "*.raw"}}, {"Alle bestanden (*.*)", {"*"}}},
            "GSI"};
}

void PlatformTest::openDialog() {
    for (const char* name : {"a.GSI", "b.gsi", "c.Raw", "d.txt", "e.gsi.bak"}) {
        QFile file(dir_.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QString title, directory, suffix;
    QStringList types, shown;
    bool existingOnly = true;
    WhenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        QVERIFY(dialog);
        title = dialog->windowTitle();
        directory = dialog->directory().absolutePath();
        suffix = dialog->defaultSuffix();
        existingOnly = dialog->fileMode() == QFileDialog::ExistingFile;
        auto* typeList = dialog->findChild<QComboBox*>("fileTypeCombo");
        QVERIFY(typeList);
        for (int i = 0; i < typeList->count(); ++i) {
            types << typeList->itemText(i);
        }
        auto* model = dialog->findChild<QFileSystemModel*>();
        QVERIFY(model);
        const QModelIndex root = model->index(dir_.path());
        QTRY_VERIFY(model->rowCount(root) > 0);
        for (int row = 0; row < model->rowCount(root); ++row) {
            shown << model->index(row, 0, root).data().toString();
        }
        // A new name without an extension: accepted, and given the default one.
        auto* nameBox = dialog->findChild<QLineEdit*>("fileNameEdit");
        nameBox->setText("nieuw");
        QTest::keyClick(nameBox, Qt::Key_Return);
    });
    tessavo::QtDialogs dialogs;
    dialogs.SetParent(&parent_);
    const auto chosen = dialogs.ShowOpenDialog(request("Inlezen GSI bestand"));

    QCOMPARE(title, QString("Inlezen GSI bestand"));
    QCOMPARE(directory, dir_.path());
    QCOMPARE(suffix, QString("GSI"));
    QVERIFY(!existingOnly);
    QCOMPARE(types, QStringList({"GSI bestanden (*.gsi;*.raw)", "Alle bestanden (*.*)"}));
    shown.sort();
    QCOMPARE(shown, QStringList({"a.GSI", "b.gsi", "c.Raw"}));
    QCOMPARE(chosen,
             std::optional(QDir::toNativeSeparators(dir_.filePath("nieuw.GSI")).toStdString()));
}

void PlatformTest::saveDialog_data() {
    QTest::addColumn<bool>("cancel");
    QTest::newRow("existing file, no question") << false;
    QTest::newRow("cancel") << true;
}

void PlatformTest::saveDialog() {
    QFETCH(bool, cancel);

    const QString existing = dir_.filePath("bestaand.gsi");
    QFile file(existing);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QString title;
    WhenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        QVERIFY(dialog);
        title = dialog->windowTitle();
        if (cancel) {
            dialog->reject();
        } else {
            auto* nameBox = dialog->findChild<QLineEdit*>("fileNameEdit");
            nameBox->setText("bestaand.gsi");
            QTest::keyClick(nameBox, Qt::Key_Return);
        }
    });
    tessavo::QtDialogs dialogs;
    dialogs.SetParent(&parent_);
    const auto chosen = dialogs.ShowSaveDialog(request("Opslaan GSI bestand"));

    QCOMPARE(title, QString("Opslaan GSI bestand"));
    QCOMPARE(chosen, cancel ? std::nullopt
                            : std::optional(QDir::toNativeSeparators(existing).toStdString()));
}

void PlatformTest::settingsStore() {
    const QString config = dir_.filePath("config");
    QCOMPARE(tessavo::IniSettingsStore::UserFileName(), config + "/Brakmor.conf");
    {
        tessavo::IniSettingsStore store;
        QCOMPARE(store.FileName(), config + "/Brakmor.conf");
        QCOMPARE(QString::fromStdString(store.Read("InputGSI", "standaard")), QString("standaard"));
        store.Write("InputGSI", "");
        store.Write("OutputGSI", "C:\\MÉTINGEN\\TEST.GSI");
        store.Write("OutFormat", " 8");
        store.Flush();
    }
    QFile file(config + "/Brakmor.conf");
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY2(text.startsWith("[Tessavo]\n"), text.constData());

    tessavo::IniSettingsStore store;
    // A stored empty text is a value, not a missing key.
    QCOMPARE(QString::fromStdString(store.Read("InputGSI", "standaard")), QString(""));
    QCOMPARE(QString::fromStdString(store.Read("OutputGSI", "")),
             QString("C:\\MÉTINGEN\\TEST.GSI"));
    QCOMPARE(QString::fromStdString(store.Read("OutFormat", "0")), QString(" 8"));
}

QTEST_MAIN(PlatformTest)
#include "platform_test.moc"
