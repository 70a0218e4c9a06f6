// SPDX-License-Identifier: GPL-3.0-or-later
// Win32Dialogs: MessageBoxW, GetOpenFileNameW and GetSaveFileNameW with UTF-16 texts.
#include "Win32Dialogs.h"

#include <commctrl.h>
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

std::wstring Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        if (!text.empty()) text += '\n';
        text += line;
    }
    return Widen(text);
}

using TaskDialogFunction = HRESULT(WINAPI*)(const TASKDIALOGCONFIG*, int*, int*, BOOL*);

// Task dialogs come with version 6 of the common controls, which the manifest asks for;
// an older version (or a system without them) has no such function.
TaskDialogFunction TaskDialogIndirectFunction() {
    static const TaskDialogFunction function = [] {
        HMODULE controls = LoadLibraryW(L"comctl32.dll");
        return controls ? reinterpret_cast<TaskDialogFunction>(reinterpret_cast<void*>(
                              GetProcAddress(controls, "TaskDialogIndirect")))
                        : nullptr;
    }();
    return function;
}

}  // namespace

MessageAnswer Win32Dialogs::ShowMessage(const Message& message) {
    const std::wstring text = Lines(message.lines);
    const std::wstring title = Widen(message.title.value_or("Tessavo"));
    const bool okCancel = message.buttons == MessageButtons::OkCancel;
    const bool warning = message.icon == MessageIcon::Warning;
    int answer = 0;
    const TaskDialogFunction taskDialog = TaskDialogIndirectFunction();
    if (!message.details.empty() && taskDialog) {
        // The box with the list folded away under "Details tonen".
        const std::wstring details = Lines(message.details);
        TASKDIALOGCONFIG config{};
        config.cbSize = sizeof(config);
        config.hwndParent = owner_;
        config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION;  // Esc and the close box
        config.dwCommonButtons = TDCBF_OK_BUTTON | (okCancel ? TDCBF_CANCEL_BUTTON : 0);
        config.pszWindowTitle = title.c_str();
        config.pszMainIcon = warning ? TD_WARNING_ICON : nullptr;
        config.pszContent = text.c_str();
        config.pszExpandedInformation = details.c_str();
        config.pszExpandedControlText = L"Details verbergen";
        config.pszCollapsedControlText = L"Details tonen";
        config.nDefaultButton = IDOK;
        if (FAILED(taskDialog(&config, &answer, nullptr, nullptr))) answer = 0;
    }
    if (answer == 0) {
        UINT style = okCancel ? MB_OKCANCEL : MB_OK;
        if (warning) style |= MB_ICONWARNING;
        answer = MessageBoxW(owner_, text.c_str(), title.c_str(), style);
    }
    // Esc on a box with OK only closes it as OK does.
    return answer == IDOK || !okCancel ? MessageAnswer::Ok : MessageAnswer::Cancel;
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
