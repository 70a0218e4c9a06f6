// SPDX-License-Identifier: GPL-3.0-or-later
// Win32Dialogs: MessageBoxW, GetOpenFileNameW and GetSaveFileNameW with UTF-16 texts.
#include "Win32Dialogs.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <string>
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

// How many lines of the system's message font fit on the monitor that `owner` is on.
int LinesOnScreen(HWND owner) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTOPRIMARY), &monitor);
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    HDC screen = GetDC(nullptr);
    HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
    HGDIOBJ old = SelectObject(screen, font);
    TEXTMETRICW text{};
    GetTextMetricsW(screen, &text);
    SelectObject(screen, old);
    DeleteObject(font);
    ReleaseDC(nullptr, screen);
    const int line = std::max(1, static_cast<int>(text.tmHeight + text.tmExternalLeading));
    return (monitor.rcWork.bottom - monitor.rcWork.top) / line;
}

// A task dialog grows with its text and does not scroll: a list taller than the screen would
// push the buttons off it. The list ends where the screen does, with a line that says how
// much of it is left out. The title bar, the message, the buttons and the margins take
// about as much room as twelve lines besides the message's own.
std::vector<std::string> FittingDetails(const Message& message, HWND owner) {
    const std::size_t room = static_cast<std::size_t>(
        std::max(5, LinesOnScreen(owner) - static_cast<int>(message.lines.size()) - 12));
    if (message.details.size() <= room) return message.details;
    std::vector<std::string> shown(message.details.begin(),
                                   message.details.begin() + static_cast<std::ptrdiff_t>(room - 1));
    shown.push_back("\xE2\x80\xA6 en nog " + std::to_string(message.details.size() - shown.size()) +
                    " regels van de lijst, die hier niet passen.");
    return shown;
}

// Opening the details makes the box taller below its top, past the screen's bottom when the
// box stood low; it is moved up as far as it must to stay on the screen. The box takes its
// new size after this notification, so the move waits for a timer.
HRESULT CALLBACK KeepOnScreen(HWND box, UINT notification, WPARAM, LPARAM, LONG_PTR) {
    constexpr UINT_PTR kMoveTimer = 0x7E55;
    if (notification != TDN_EXPANDO_BUTTON_CLICKED) return S_OK;
    SetTimer(box, kMoveTimer, 0, [](HWND window, UINT, UINT_PTR timer, DWORD) {
        KillTimer(window, timer);
        RECT rect{};
        GetWindowRect(window, &rect);
        MONITORINFO monitor{};
        monitor.cbSize = sizeof(monitor);
        GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
        const LONG overhang = rect.bottom - monitor.rcWork.bottom;
        if (overhang > 0) {
            SetWindowPos(window, nullptr, rect.left,
                         std::max(monitor.rcWork.top, rect.top - overhang), 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    });
    return S_OK;
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
        const std::wstring details = Lines(FittingDetails(message, owner_));
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
        config.pfCallback = KeepOnScreen;
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
