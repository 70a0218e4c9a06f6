// Tessavo - cleaning of Leica GSI measurement files.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

#include "RunServices.h"

class QWidget;

namespace tessavo {

// One entry of a file dialog's type list: the caption the user sees and the patterns that
// decide which files it shows.
struct FileFilter {
    QString caption;
    QStringList patterns;

    friend bool operator==(const FileFilter&, const FileFilter&) = default;
};

struct FileDialogRequest {
    QString title;
    QString directory;
    QList<FileFilter> filters;  // the first one is selected when the dialog opens
    QString defaultSuffix;      // added to a name typed without an extension

    friend bool operator==(const FileDialogRequest&, const FileDialogRequest&) = default;
};

// Everything modal that the window shows. The window reaches these only through this
// interface, so that tests can answer from a script without opening a window.
class Dialogs {
  public:
    virtual ~Dialogs() = default;

    // Shows the message modal to `parent` and answers the button that closed it.
    virtual MessageAnswer showMessage(QWidget* parent, const Message& message) = 0;

    // The file name chosen, or nothing when the dialog was cancelled. The open dialog does
    // not require the file to exist; the save dialog does not ask before overwriting.
    virtual std::optional<QString> getOpenFileName(QWidget* parent,
                                                   const FileDialogRequest& request) = 0;
    virtual std::optional<QString> getSaveFileName(QWidget* parent,
                                                   const FileDialogRequest& request) = 0;
};

}  // namespace tessavo
