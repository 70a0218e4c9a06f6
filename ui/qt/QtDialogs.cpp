// SPDX-License-Identifier: GPL-3.0-or-later
// QtDialogs: the requests of the controller turned into QMessageBox and QFileDialog.
#include "QtDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

namespace tessavo {

namespace {

std::optional<std::string> ExecFileDialog(QWidget* parent, const FileDialogRequest& request,
                                          QFileDialog::AcceptMode mode) {
    QFileDialog dialog(parent, QString::fromStdString(request.title),
                       QString::fromStdString(request.directory));
    dialog.setAcceptMode(mode);
    // AnyFile: the open dialog accepts a name that does not exist (yet); the run reports a
    // missing input itself. The backup step handles an existing output, so no overwrite
    // question either.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    // The captions carry their own pattern text; Qt's would be added a second time.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    QStringList nameFilters;
    for (const FileFilter& filter : request.filters) {
        QStringList patterns;
        for (const std::string& pattern : filter.patterns) {
            patterns << QString::fromStdString(pattern);
        }
        nameFilters << QStringLiteral("%1 (%2)").arg(QString::fromStdString(filter.caption),
                                                     patterns.join(u' '));
    }
    dialog.setNameFilters(nameFilters);
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    const QStringList files = dialog.selectedFiles();
    return QDir::toNativeSeparators(files.value(0)).toStdString();
}

}  // namespace

MessageAnswer QtDialogs::ShowMessage(const Message& message) {
    const auto joined = [](const std::vector<std::string>& lines) {
        QStringList texts;
        for (const std::string& line : lines) {
            texts << QString::fromStdString(line);
        }
        return texts.join(u'\n');
    };
    QMessageBox box(parent_);
    box.setTextFormat(Qt::PlainText);  // paths may hold "<" or "&"
    box.setText(joined(message.lines));
    // Shown on request, under "Details tonen...".
    box.setDetailedText(joined(message.details));
    box.setWindowTitle(QString::fromStdString(message.title.value_or(std::string())));
    box.setIcon(message.icon == MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon);
    if (message.buttons == MessageButtons::OkCancel) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        // Beside the details button OK is no longer the only button, which Esc would press.
        box.setEscapeButton(QMessageBox::Ok);
    }
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
}

std::optional<std::string> QtDialogs::ShowOpenDialog(const FileDialogRequest& request) {
    return ExecFileDialog(parent_, request, QFileDialog::AcceptOpen);
}

std::optional<std::string> QtDialogs::ShowSaveDialog(const FileDialogRequest& request) {
    return ExecFileDialog(parent_, request, QFileDialog::AcceptSave);
}

}  // namespace tessavo
