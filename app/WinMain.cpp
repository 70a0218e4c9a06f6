// SPDX-License-Identifier: GPL-3.0-or-later
// WinMain: the Windows program, its window over the registry and the system's dialogs.
#include <objbase.h>
#include <shellapi.h>
#include <windows.h>

#include <exception>
#include <optional>
#include <string>

#include "RegistrySettingsStore.h"
#include "Utf16.h"
#include "Win32Dialogs.h"
#include "frmTessavo.h"

namespace {

// The file that Explorer's "Open with" (or a typed command) names after the program's own
// name, if any.
std::optional<std::string> OpenedFile() {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments) return std::nullopt;
    std::optional<std::string> file;
    if (count >= 2) file = tessavo::Narrow(arguments[1]);
    LocalFree(arguments);
    return file;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
    // The file dialogs browse through COM.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);

    int result = 0;
    try {
        tessavo::win32::Win32Dialogs dialogs;
        tessavo::win32::RegistrySettingsStore store;
        tessavo::win32::frmTessavo window(dialogs, store, OpenedFile());
        dialogs.SetOwner(window.Window());
        window.Show(showCommand);
        window.RunMessageLoop();
    } catch (const std::exception& e) {
        // Nothing the window could handle itself (memory ran out, the window could not be
        // made): said before the program ends, instead of vanishing without a word.
        const std::wstring text =
            L"Tessavo moet stoppen door een onverwachte fout:\n" + tessavo::Widen(e.what());
        MessageBoxW(nullptr, text.c_str(), L"Tessavo", MB_OK | MB_ICONERROR);
        result = 1;
    }
    CoUninitialize();
    return result;
}
