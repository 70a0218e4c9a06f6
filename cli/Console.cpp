// SPDX-License-Identifier: GPL-3.0-or-later
// The console calls of Console.h, for POSIX and for Windows.
#include "Console.h"

#include <atomic>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// After windows.h, which it builds on.
#include <io.h>
#include <shellapi.h>
#else
#include <signal.h>
#include <unistd.h>
#endif

namespace tessavo::cli {

namespace {

// Set from a signal handler (or Windows' control handler thread), read by the run.
std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

#ifdef _WIN32
BOOL WINAPI OnConsoleControl(DWORD type) {
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) return FALSE;
    // FALSE passes a second Ctrl+C on to the default handler, which ends the program.
    return interrupted.exchange(true) ? FALSE : TRUE;
}

std::string ToUtf8(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return {};
    std::string result(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, result.data(), size, nullptr, nullptr);
    result.resize(static_cast<std::size_t>(size - 1));
    return result;
}
#else
void OnInterrupt(int) { interrupted.store(true); }
#endif

}  // namespace

std::vector<std::string> Arguments(int argc, char** argv) {
#ifdef _WIN32
    int count = 0;
    if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        std::vector<std::string> arguments;
        for (int i = 1; i < count; ++i) arguments.push_back(ToUtf8(wide[i]));
        LocalFree(wide);
        return arguments;
    }
#endif
    return {argv + (argc > 0 ? 1 : 0), argv + argc};
}

void InstallInterruptHandler() {
#ifdef _WIN32
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
#else
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    // SA_RESETHAND: the second Ctrl+C takes the default action. SA_RESTART: a read or write
    // that the signal interrupts goes on instead of failing the run with EINTR.
    action.sa_flags = static_cast<int>(SA_RESETHAND | SA_RESTART);
    sigaction(SIGINT, &action, nullptr);
#endif
}

bool InterruptRequested() { return interrupted.load(std::memory_order_relaxed); }

bool IsTerminal(std::FILE* stream) {
#ifdef _WIN32
    // _isatty() is also true for the NUL device; only a console has a console mode.
    DWORD mode = 0;
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
#else
    return isatty(fileno(stream)) == 1;
#endif
}

Utf8Console::Utf8Console() {
#ifdef _WIN32
    previousCodePage_ = GetConsoleOutputCP();
    SetConsoleOutputCP(CP_UTF8);
#endif
}

Utf8Console::~Utf8Console() {
#ifdef _WIN32
    if (previousCodePage_ != 0) SetConsoleOutputCP(previousCodePage_);
#endif
}

}  // namespace tessavo::cli
