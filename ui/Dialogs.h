// SPDX-License-Identifier: GPL-3.0-or-later
// Dialogs: the message box and the open and save dialogs the controller asks for.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "RunServices.h"

namespace tessavo {

// One entry of a file dialog's type list: the caption the user sees and the patterns that
// decide which files it shows ("*" for all files).
struct FileFilter {
    std::string caption;
    std::vector<std::string> patterns;

    friend bool operator==(const FileFilter&, const FileFilter&) = default;
};

struct FileDialogRequest {
    std::string title;
    std::string directory;            // where the dialog opens
    std::vector<FileFilter> filters;  // the first one is selected when the dialog opens
    std::string defaultExtension;     // added to a name typed without an extension

    friend bool operator==(const FileDialogRequest&, const FileDialogRequest&) = default;
};

// Everything modal the window shows, each modal to the window and in UTF-8. The
// controller reaches these only through this interface, so that tests answer from a
// script without opening a window.
class Dialogs {
  public:
    virtual ~Dialogs() = default;

    // Shows the message box, its lines one under another; answers the button that closed it.
    virtual MessageAnswer ShowMessage(const Message& message) = 0;
    // The file chosen in the open dialog, nothing after a cancel; it need not exist.
    virtual std::optional<std::string> ShowOpenDialog(const FileDialogRequest& request) = 0;
    // The file chosen in the save dialog, nothing after a cancel; no question when it exists.
    virtual std::optional<std::string> ShowSaveDialog(const FileDialogRequest& request) = 0;
};

}  // namespace tessavo
