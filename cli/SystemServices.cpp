// SPDX-License-Identifier: GPL-3.0-or-later
// SystemServices: the command line's system calls, for POSIX and for Windows.
#include "SystemServices.h"

#include <atomic>
#include <iostream>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// After windows.h, which it builds on.
#include <shellapi.h>

#include <algorithm>
#include <streambuf>

#include "Utf16.h"
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

bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
}

// Collects what is written and hands it to the handle on each flush.
class HandleBuffer final : public std::streambuf {
  public:
    explicit HandleBuffer(HANDLE handle) : handle_(handle), console_(IsConsole(handle)) {}

  protected:
    int_type overflow(int_type c) override {
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            pending_ += traits_type::to_char_type(c);
        }
        return traits_type::not_eof(c);
    }

    std::streamsize xsputn(const char* text, std::streamsize size) override {
        pending_.append(text, static_cast<std::size_t>(size));
        return size;
    }

    int sync() override {
        const bool written = console_ ? WriteToConsole() : WriteBytes();
        pending_.clear();
        return written ? 0 : -1;
    }

  private:
    // A console shows UTF-8 bytes only when its code page is UTF-8; UTF-16 it always shows.
    bool WriteToConsole() {
        const std::wstring wide = Widen(pending_);
        for (std::size_t done = 0; done < wide.size();) {
            // Some consoles refuse a single write of more than about 64 KB.
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(wide.size() - done, 8192));
            DWORD written = 0;
            if (!WriteConsoleW(handle_, wide.data() + done, chunk, &written, nullptr) ||
                written == 0)
                return false;
            done += written;
        }
        return true;
    }

    bool WriteBytes() {
        for (std::size_t done = 0; done < pending_.size();) {
            const DWORD chunk =
                static_cast<DWORD>(std::min<std::size_t>(pending_.size() - done, 1 << 20));
            DWORD written = 0;
            if (!WriteFile(handle_, pending_.data() + done, chunk, &written, nullptr) ||
                written == 0)
                return false;
            done += written;
        }
        return true;
    }

    HANDLE handle_;
    bool console_;
    std::string pending_;
};

class HandleOstream final : public std::ostream {
  public:
    explicit HandleOstream(HANDLE handle) : std::ostream(nullptr), buffer_(handle) {
        rdbuf(&buffer_);
    }
    ~HandleOstream() override { flush(); }

  private:
    HandleBuffer buffer_;
};

HANDLE StandardHandle(StandardStream stream) {
    return GetStdHandle(stream == StandardStream::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
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
        for (int i = 1; i < count; ++i) arguments.push_back(Narrow(wide[i]));
        LocalFree(wide);
        return arguments;
    }
#endif
    return {argv + (argc > 0 ? 1 : 0), argv + argc};
}

#ifdef _WIN32
std::unique_ptr<std::ostream> HandleStream(void* handle) {
    return std::make_unique<HandleOstream>(static_cast<HANDLE>(handle));
}
#endif

SystemServices::SystemServices() {
#ifdef _WIN32
    ownOut_ = HandleStream(StandardHandle(StandardStream::Output));
    ownErr_ = HandleStream(StandardHandle(StandardStream::Error));
    out_ = ownOut_.get();
    err_ = ownErr_.get();
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
#else
    out_ = &std::cout;
    err_ = &std::cerr;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    // SA_RESETHAND: the second Ctrl+C takes the default action. SA_RESTART: a read or write
    // that the signal interrupts goes on instead of failing the run with EINTR.
    action.sa_flags = static_cast<int>(SA_RESETHAND | SA_RESTART);
    sigaction(SIGINT, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);
#endif
}

SystemServices::~SystemServices() {
    out_->flush();
    err_->flush();
}

bool SystemServices::InterruptRequested() { return interrupted.load(std::memory_order_relaxed); }

bool SystemServices::IsTerminal(StandardStream stream) {
#ifdef _WIN32
    // _isatty() is also true for the NUL device; only a console has a console mode.
    return IsConsole(StandardHandle(stream));
#else
    return isatty(stream == StandardStream::Output ? STDOUT_FILENO : STDERR_FILENO) == 1;
#endif
}

fs::File SystemServices::StandardFile(StandardStream stream, std::error_code& ec) {
    return fs::File::OpenStandard(
        stream == StandardStream::Input ? fs::File::Standard::Input : fs::File::Standard::Output,
        ec);
}

std::vector<std::string> SystemServices::ExpandWildcards(const std::string& pattern) {
    std::vector<std::string> files;
#ifdef _WIN32
    // FindFirstFileW matches the last name only; the folder before it stays as typed.
    const std::size_t cut = pattern.find_last_of("\\/:");
    const std::string folder = cut == std::string::npos ? "" : pattern.substr(0, cut + 1);
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW(Widen(pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return files;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.emplace_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::ranges::sort(names, [](const std::wstring& a, const std::wstring& b) {
        const int order = CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE);
        return order == CSTR_LESS_THAN || (order == CSTR_EQUAL && a < b);
    });
    for (const std::wstring& name : names) files.push_back(folder + Narrow(name));
#else
    static_cast<void>(pattern);
#endif
    return files;
}

}  // namespace tessavo::cli
