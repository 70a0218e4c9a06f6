// SPDX-License-Identifier: GPL-3.0-or-later
// FindWindow: waits for a visible top-level window with the given title (a window being made
// has its title before it has its size), for scripts that drive a
// Windows program under wine. With --close it closes the window as its close box would;
// with --rect it brings the window to the front, as the active window, and prints its place on the
// screen as "left top width height". Exits with 0 when it found the window, 1 when none came within
// a minute.
#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t* argv[]) {
    if (argc != 3) return 2;
    const bool close = std::wcscmp(argv[2], L"--close") == 0;
    for (int tries = 0; tries < 6000; ++tries) {
        HWND window = FindWindowW(nullptr, argv[1]);
        if (window && IsWindowVisible(window)) {
            if (close) {
                PostMessageW(window, WM_CLOSE, 0, 0);
                return 0;
            }
            // Under wine on a display without a window manager no window becomes the active
            // one; the title bar is drawn as the active window's all the same.
            SwitchToThisWindow(window, TRUE);
            SendMessageW(window, WM_NCACTIVATE, TRUE, 0);
            RECT place{};
            GetWindowRect(window, &place);
            std::printf("%ld %ld %ld %ld\n", place.left, place.top, place.right - place.left,
                        place.bottom - place.top);
            return 0;
        }
        Sleep(10);
    }
    return 1;
}
