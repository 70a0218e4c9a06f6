// SPDX-License-Identifier: GPL-3.0-or-later
// The file layer on Windows: the wide (UTF-16) calls, with the codes of GetLastError.
#include <windows.h>

#include <limits>

#include "FileSystem.h"

namespace tessavo::fs {

namespace {

std::error_code LastError() { return {static_cast<int>(GetLastError()), std::system_category()}; }

std::error_code Code(DWORD error) { return {static_cast<int>(error), std::system_category()}; }

// A NUL would end the wide text early and name another file.
bool ToWide(const std::string& path, std::wstring& wide) {
    if (path.find('\0') != std::string::npos) return false;
    wide.clear();
    if (path.empty()) return true;
    const int size =
        MultiByteToWideChar(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
    wide.resize(static_cast<std::size_t>(size));
    MultiByteToWideChar(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), wide.data(), size);
    return true;
}

HANDLE Handle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// Every handle lets others read, write and delete, as files on POSIX systems do: the run
// renames files it holds open (in place, the input becomes the backup), which Windows
// allows only when every open handle shares delete access.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The locks lie beyond the end of any file, so that they keep other runs away without
// keeping anyone, the run's own reader included, from reading the data.
constexpr std::uint64_t kLockOffset = std::uint64_t{1} << 62;

OVERLAPPED LockPlace() {
    OVERLAPPED place{};
    place.Offset = static_cast<DWORD>(kLockOffset & 0xFFFFFFFFu);
    place.OffsetHigh = static_cast<DWORD>(kLockOffset >> 32);
    return place;
}

FileInfo InfoOf(HANDLE handle, std::error_code& ec) {
    FileInfo info;
    BY_HANDLE_FILE_INFORMATION data{};
    const DWORD type = GetFileType(handle);
    if (type == FILE_TYPE_CHAR) {
        info.kind = Kind::Device;  // NUL, CON, COM1 and the like
        return info;
    }
    if (type == FILE_TYPE_PIPE) {
        info.kind = Kind::Fifo;
        return info;
    }
    if (!GetFileInformationByHandle(handle, &data)) {
        ec = LastError();
        return info;
    }
    info.kind =
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? Kind::Directory : Kind::Regular;
    info.id = {data.dwVolumeSerialNumber,
               (std::uint64_t{data.nFileIndexHigh} << 32) | data.nFileIndexLow};
    info.size = (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
    return info;
}

bool IsMissing(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
           error == ERROR_DIRECTORY;  // a part of the path is a file
}

}  // namespace

FileInfo Inspect(const std::string& path, std::error_code& ec) {
    ec.clear();
    std::wstring wide;
    if (!ToWide(path, wide)) {
        ec = Code(ERROR_INVALID_NAME);
        return {};
    }
    // No access asked: only the file's information, which a file in use gives too. Backup
    // semantics open folders as well; links are followed.
    HANDLE handle = CreateFileW(wide.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        FileInfo info;
        if (error == ERROR_CANT_RESOLVE_FILENAME) {
            info.kind = Kind::BrokenLink;  // links in a circle
        } else if (IsMissing(error)) {
            // Nothing to follow to; the name itself may still be a link that leads nowhere.
            const DWORD attributes = GetFileAttributesW(wide.c_str());
            if (attributes != INVALID_FILE_ATTRIBUTES &&
                (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
                info.kind = Kind::BrokenLink;
        } else {
            ec = Code(error);
        }
        return info;
    }
    const FileInfo info = InfoOf(handle, ec);
    CloseHandle(handle);
    return info;
}

File File::OpenForReading(const std::string& path, std::error_code& ec) {
    ec.clear();
    std::wstring wide;
    if (!ToWide(path, wide)) {
        ec = Code(ERROR_INVALID_NAME);
        return {};
    }
    HANDLE handle = CreateFileW(wide.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        ec = LastError();
        // Windows refuses to open a folder as a file with "access denied"; say what it is.
        if (ec.value() == ERROR_ACCESS_DENIED) {
            const DWORD attributes = GetFileAttributesW(wide.c_str());
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
                ec = std::make_error_code(std::errc::is_a_directory);
        }
        return {};
    }
    File file(reinterpret_cast<std::intptr_t>(handle));
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        ec = std::make_error_code(std::errc::no_such_device_or_address);
        return {};
    }
    return file;
}

File File::CreateNew(const std::string& path, std::error_code& ec) {
    ec.clear();
    std::wstring wide;
    if (!ToWide(path, wide)) {
        ec = Code(ERROR_INVALID_NAME);
        return {};
    }
    // CREATE_NEW fails when anything stands at the path, a dangling link included.
    HANDLE handle = CreateFileW(wide.c_str(), GENERIC_WRITE, kShareAll, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        ec = LastError();
        return {};
    }
    return File(reinterpret_cast<std::intptr_t>(handle));
}

FileInfo File::Info(std::error_code& ec) const {
    ec.clear();
    return InfoOf(Handle(handle_), ec);
}

std::size_t File::Read(char* buffer, std::size_t size, std::error_code& ec) {
    ec.clear();
    const DWORD chunk =
        static_cast<DWORD>(std::min<std::size_t>(size, std::numeric_limits<DWORD>::max()));
    DWORD got = 0;
    if (!ReadFile(Handle(handle_), buffer, chunk, &got, nullptr)) {
        ec = LastError();
        return 0;
    }
    return got;
}

void File::Write(const char* data, std::size_t size, std::error_code& ec) {
    ec.clear();
    while (size > 0) {
        const DWORD chunk =
            static_cast<DWORD>(std::min<std::size_t>(size, std::numeric_limits<DWORD>::max()));
        DWORD put = 0;
        if (!WriteFile(Handle(handle_), data, chunk, &put, nullptr)) {
            ec = LastError();
            return;
        }
        data += put;
        size -= put;
    }
}

std::error_code File::Sync() {
    if (!FlushFileBuffers(Handle(handle_))) return LastError();
    return {};
}

// Windows keeps no POSIX permission bits: a new file gets the folder's access rights, as
// the file it replaces had them.
std::error_code File::SetPermissions(std::uint32_t) { return {}; }

bool File::TryLock(bool exclusive, std::error_code& ec) {
    ec.clear();
    OVERLAPPED place = LockPlace();
    const DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
    if (LockFileEx(Handle(handle_), flags, 0, 1, 0, &place)) return true;
    switch (const DWORD error = GetLastError()) {
        case ERROR_LOCK_VIOLATION:
        case ERROR_IO_PENDING:
            return false;
        case ERROR_NOT_SUPPORTED:
        case ERROR_INVALID_FUNCTION:
            return true;  // a file system without locks
        default:
            ec = Code(error);
            return false;
    }
}

std::error_code File::Close() {
    if (handle_ == kClosed) return {};
    HANDLE handle = Handle(handle_);
    handle_ = kClosed;
    // Windows frees the locks of a closed handle only when it gets round to it; another run
    // that starts at once must find the file free.
    OVERLAPPED place = LockPlace();
    UnlockFileEx(handle, 0, 1, 0, &place);
    if (!CloseHandle(handle)) return LastError();
    return {};
}

std::error_code MoveNoReplace(const std::string& from, const std::string& to) {
    std::wstring wideFrom, wideTo;
    if (!ToWide(from, wideFrom) || !ToWide(to, wideTo)) return Code(ERROR_INVALID_NAME);
    // Without MOVEFILE_REPLACE_EXISTING the move fails when anything stands at `to`; write
    // through: the new name is on the disk when the call returns.
    if (!MoveFileExW(wideFrom.c_str(), wideTo.c_str(), MOVEFILE_WRITE_THROUGH)) return LastError();
    return {};
}

std::error_code RemoveFile(const std::string& path) {
    std::wstring wide;
    if (!ToWide(path, wide)) return Code(ERROR_INVALID_NAME);
    if (!DeleteFileW(wide.c_str())) return LastError();
    return {};
}

// The names are on the disk already: every move is written through.
std::error_code SyncFolderOf(const std::string&) { return {}; }

}  // namespace tessavo::fs
