// SPDX-License-Identifier: GPL-3.0-or-later
// WinMain: the Windows program, its window over the registry and the system's dialogs.
#include <objbase.h>
#include <windows.h>

#include <exception>

#include "RegistrySettingsStore.h"
#include "Win32Dialogs.h"
#include "frmTessavo.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
    // The file dialogs browse through COM.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);

    int result = 0;
    try {
        tessavo::win32::Win32Dialogs dialogs;
        tessavo::win32::RegistrySettingsStore store;
        tessavo::win32::frmTessavo window(dialogs, store);
        dialogs.SetOwner(window.Window());
        window.Show(showCommand);
        window.RunMessageLoop();
    } catch (const std::exception&) {
        // The settings store failed, or memory ran out: nothing the user can act on.
        result = 1;
    }
    CoUninitialize();
    return result;
}
