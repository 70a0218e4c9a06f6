// SPDX-License-Identifier: GPL-3.0-or-later
// Win32Dialogs: MessageBoxW, GetOpenFileNameW and GetSaveFileNameW with UTF-16 texts.
#include "Win32Dialogs.h"

#include <commdlg.h>

#include <vector>

#include "Utf16.h"

namespace tessavo::win32 {

namespace {

// The dialog's filter: caption and patterns of each entry, each ended by a NUL, the list
// ended by another. Windows writes "all files" as "*.*".
std::wstring FilterText(const std::vector<FileFilter>& filters) {
    std::wstring text;
    for (const FileFilter& filter : filters) {
        text += Widen(filter.caption);
        text += L'\0';
        for (std::size_t i = 0; i < filter.patterns.size(); ++i) {
            if (i > 0) text += L';';
            text += filter.patterns[i] == "*" ? L"*.*" : Widen(filter.patterns[i]);
        }
        text += L'\0';
    }
    text += L'\0';
    return text;
}

}  // namespace

MessageAnswer Win32Dialogs::ShowMessage(const Message& message) {
    std::string text;
    for (const std::string& line : message.lines) {
        if (!text.empty()) text += '\n';
        text += line;
    }
    UINT style = message.buttons == MessageButtons::OkCancel ? MB_OKCANCEL : MB_OK;
    if (message.icon == MessageIcon::Warning) style |= MB_ICONWARNING;
    const int answer = MessageBoxW(owner_, Widen(text).c_str(),
                                   Widen(message.title.value_or("Tessavo")).c_str(), style);
    return answer == IDOK ? MessageAnswer::Ok : MessageAnswer::Cancel;
}

std::optional<std::string> Win32Dialogs::ShowOpenDialog(const FileDialogRequest& request) {
    return ShowFileDialog(request, false);
}

std::optional<std::string> Win32Dialogs::ShowSaveDialog(const FileDialogRequest& request) {
    return ShowFileDialog(request, true);
}

std::optional<std::string> Win32Dialogs::ShowFileDialog(const FileDialogRequest& request,
                                                        bool save) {
    const std::wstring title = Widen(request.title);
    const std::wstring filter = FilterText(request.filters);
    const std::wstring directory = Widen(request.directory);
    const std::wstring extension = Widen(request.defaultExtension);
    // Room for the longest path Windows takes; the dialog starts without a file name.
    std::vector<wchar_t> file(32768, L'\0');

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner_;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrInitialDir = directory.c_str();
    dialog.lpstrTitle = title.c_str();
    dialog.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
    // No check that the file exists, no question before replacing one: the run itself
    // reports a missing input and backs up an existing output.
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    const BOOL chosen = save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
    if (!chosen) return std::nullopt;
    return Narrow(file.data());
}

}  // namespace tessavo::win32
