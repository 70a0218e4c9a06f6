// SPDX-License-Identifier: GPL-3.0-or-later
// The file layer on Windows: the wide (UTF-16) calls, with the codes of GetLastError.
#include <windows.h>

#include <algorithm>
#include <limits>

#include "FaultInjection.h"
#include "FileSystem.h"
#include "Utf16.h"

namespace tessavo::fs {

namespace {

std::error_code LastError() { return {static_cast<int>(GetLastError()), std::system_category()}; }

std::error_code Code(DWORD error) { return {static_cast<int>(error), std::system_category()}; }

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// Where the last name of a path begins.
std::size_t NameStart(std::wstring_view path) {
    const std::size_t last = path.find_last_of(L"\\/:");
    return last == std::wstring_view::npos ? 0 : last + 1;
}

// The names that Windows keeps for its devices, whatever extension follows them (and
// blanks before it): CON, PRN, AUX, NUL, COM1 to COM9 and LPT1 to LPT9, in any case.
bool IsDeviceName(std::wstring_view path) {
    std::wstring_view name = path.substr(NameStart(path));
    name = name.substr(0, name.find(L'.'));
    while (!name.empty() && name.back() == L' ') name.remove_suffix(1);
    std::wstring upper(name);
    for (wchar_t& c : upper) {
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    }
    if (upper == L"CON" || upper == L"PRN" || upper == L"AUX" || upper == L"NUL") return true;
    return upper.size() == 4 && (upper.starts_with(L"COM") || upper.starts_with(L"LPT")) &&
           upper[3] >= L'1' && upper[3] <= L'9';
}

// An absolute path as long as Windows' old limit of MAX_PATH characters or near it (a
// folder's limit is 12 less) takes the \\?\ form, which reaches 32,767 characters; the
// form passes a path to the file system as it stands, so it is made whole first.
std::wstring LongForm(std::wstring wide) {
    const bool drive = wide.size() >= 3 && wide[1] == L':' && IsSeparator(wide[2]);
    const bool unc = wide.size() >= 3 && IsSeparator(wide[0]) && IsSeparator(wide[1]) &&
                     wide[2] != L'?' && wide[2] != L'.';
    if (wide.size() < MAX_PATH - 12 || !(drive || unc)) return wide;
    const DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (size == 0) return wide;
    std::wstring full(size, L'\0');
    full.resize(GetFullPathNameW(wide.c_str(), size, full.data(), nullptr));
    if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

// A NUL would end the wide text early and name another file.
bool ToWide(const std::string& path, std::wstring& wide) {
    if (path.find('\0') != std::string::npos) return false;
    wide.clear();
    if (!path.empty()) wide = LongForm(Widen(path));
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
    info.attributes = data.dwFileAttributes;
    info.readOnly = (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    return info;
}

bool IsMissing(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
           error == ERROR_DIRECTORY;  // a part of the path is a file
}

}  // namespace

FileInfo Inspect(const std::string& path, std::error_code& ec) {
    ec = BeforeCall(Call::Inspect, path);
    if (ec) return {};
    std::wstring wide;
    if (!ToWide(path, wide)) {
        ec = Code(ERROR_INVALID_NAME);
        return {};
    }
    FileInfo info;
    if (IsDeviceName(wide)) {
        // Opening it would reach the device, wherever the path points.
        info.kind = Kind::Device;
        return info;
    }
    // No access asked: only the file's information, which a file in use gives too. Backup
    // semantics open folders as well; links are followed.
    HANDLE handle = CreateFileW(wide.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
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
    info = InfoOf(handle, ec);
    CloseHandle(handle);
    return info;
}

FileKey KeyOf(const std::string& path, std::error_code& ec) {
    const FileInfo file = Inspect(path, ec);
    if (ec) return {};
    if (file.kind != Kind::Missing && file.kind != Kind::BrokenLink) return {file.id, {}};
    std::wstring wide;
    ToWide(path, wide);
    const std::size_t nameStart = NameStart(wide);
    std::wstring name = wide.substr(nameStart);
    std::wstring folder = wide.substr(0, nameStart);
    if (folder.empty()) folder = L".";
    const FileInfo place = Inspect(Narrow(folder), ec);
    if (ec) return {};
    if (place.kind != Kind::Directory) {
        ec = Code(ERROR_PATH_NOT_FOUND);
        return {};
    }
    // Names differ only in case for Windows when their upper cases are one.
    CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
    return {place.id, Narrow(name)};
}

std::string FinalTarget(const std::string& path, std::error_code& ec) {
    ec = BeforeCall(Call::Inspect, path);
    if (ec) return path;
    std::wstring wide;
    if (!ToWide(path, wide)) return path;
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return path;
    HANDLE handle = CreateFileW(wide.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return path;  // a link that leads nowhere
    std::wstring final(MAX_PATH, L'\0');
    DWORD size = GetFinalPathNameByHandleW(handle, final.data(), static_cast<DWORD>(final.size()),
                                           FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (size >= final.size()) {
        final.resize(size);
        size = GetFinalPathNameByHandleW(handle, final.data(), size,
                                         FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    }
    if (size == 0) ec = LastError();
    CloseHandle(handle);
    if (ec) return path;
    final.resize(size);
    // The answer comes in the \\?\ form; the file layer makes that again where it is needed.
    if (final.starts_with(L"\\\\?\\UNC\\")) {
        final = L"\\\\" + final.substr(8);
    } else if (final.starts_with(L"\\\\?\\")) {
        final = final.substr(4);
    }
    return Narrow(final);
}

bool NameFits(const std::string& path) {
    std::wstring wide;
    if (!ToWide(path, wide)) return false;
    const std::size_t nameStart = NameStart(wide);
    DWORD limit = 255;
    std::wstring root(wide.size() + 1, L'\0');
    const std::wstring folder = nameStart == 0 ? L"." : wide.substr(0, nameStart);
    if (GetVolumePathNameW(folder.c_str(), root.data(), static_cast<DWORD>(root.size()))) {
        DWORD found = 0;
        if (GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, &found, nullptr, nullptr, 0) &&
            found > 0)
            limit = found;
    }
    return wide.size() - nameStart <= limit;
}

File File::Open(const std::string& path, bool toReplace, std::error_code& ec) {
    ec = BeforeCall(Call::Open, path);
    if (ec) return {};
    std::wstring wide;
    if (!ToWide(path, wide) || IsDeviceName(wide)) {
        ec = Code(ERROR_INVALID_NAME);
        return {};
    }
    const DWORD access = GENERIC_READ | (toReplace ? DELETE : 0);
    HANDLE handle = CreateFileW(wide.c_str(), access, kShareAll, nullptr, OPEN_EXISTING,
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

File File::OpenForReading(const std::string& path, std::error_code& ec) {
    return Open(path, false, ec);
}

File File::OpenToReplace(const std::string& path, std::error_code& ec) {
    return Open(path, true, ec);
}

File File::CreateNew(const std::string& path, std::error_code& ec) {
    ec = BeforeCall(Call::Create, path);
    if (ec) return {};
    std::wstring wide;
    if (!ToWide(path, wide) || IsDeviceName(wide)) {
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

File File::OpenStandard(Standard stream, std::error_code& ec) {
    ec = BeforeCall(Call::Open, {});
    if (ec) return {};
    const HANDLE standard =
        GetStdHandle(stream == Standard::Input ? STD_INPUT_HANDLE : STD_OUTPUT_HANDLE);
    HANDLE handle = nullptr;
    if (standard == nullptr || standard == INVALID_HANDLE_VALUE) {
        ec = Code(ERROR_INVALID_HANDLE);  // a program started without the stream
        return {};
    }
    if (!DuplicateHandle(GetCurrentProcess(), standard, GetCurrentProcess(), &handle, 0, FALSE,
                         DUPLICATE_SAME_ACCESS)) {
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
    ec = BeforeCall(Call::Read, {});
    if (ec) return 0;
    const DWORD chunk =
        static_cast<DWORD>(std::min<std::size_t>(size, std::numeric_limits<DWORD>::max()));
    DWORD got = 0;
    if (!ReadFile(Handle(handle_), buffer, chunk, &got, nullptr)) {
        // A pipe whose writer has closed it is at its end.
        if (GetLastError() == ERROR_BROKEN_PIPE) return 0;
        ec = LastError();
        return 0;
    }
    return got;
}

void File::Write(const char* data, std::size_t size, std::error_code& ec) {
    ec = BeforeCall(Call::Write, {});
    while (!ec && size > 0) {
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

std::error_code File::Rewind() {
    if (const std::error_code ec = BeforeCall(Call::Rewind, {})) return ec;
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(Handle(handle_), start, nullptr, FILE_BEGIN)) return LastError();
    return {};
}

std::error_code File::Sync() {
    if (const std::error_code ec = BeforeCall(Call::Sync, {})) return ec;
    if (!FlushFileBuffers(Handle(handle_))) return LastError();
    return {};
}

void File::StartSync() {}  // Windows has only the flush that waits

// Windows keeps no POSIX mode or owner: a new file gets the folder's access rights, as the
// file it replaces had them. What it keeps are the attributes that say how the file is
// shown and indexed; the archive attribute marks it as changed, as every written file is,
// and read-only files are never replaced.
std::error_code File::KeepFrom(const FileInfo& old) {
    if (const std::error_code ec = BeforeCall(Call::KeepFrom, {})) return ec;
    constexpr DWORD kKept =
        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    FILE_BASIC_INFO basic{};  // times of 0 stay as they are
    basic.FileAttributes = (old.attributes & kKept) | FILE_ATTRIBUTE_ARCHIVE;
    if (SetFileInformationByHandle(Handle(handle_), FileBasicInfo, &basic, sizeof basic)) return {};
    switch (const DWORD error = GetLastError()) {
        // A file system that keeps no such attributes.
        case ERROR_INVALID_PARAMETER:
        case ERROR_NOT_SUPPORTED:
        case ERROR_INVALID_FUNCTION:
        case ERROR_ACCESS_DENIED:
            return {};
        default:
            return Code(error);
    }
}

bool File::TryLock(bool exclusive, std::error_code& ec) {
    ec = BeforeCall(Call::Lock, {});
    if (ec) return false;
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
    const std::error_code injected = BeforeCall(Call::Close, {});
    // Windows frees the locks of a closed handle only when it gets round to it; another run
    // that starts at once must find the file free.
    OVERLAPPED place = LockPlace();
    UnlockFileEx(handle, 0, 1, 0, &place);
    if (!CloseHandle(handle)) return LastError();
    return injected;
}

std::error_code Link(const std::string& from, const std::string& to) {
    if (const std::error_code ec = BeforeCall(Call::Link, to)) return ec;
    std::wstring wideFrom, wideTo;
    if (!ToWide(from, wideFrom) || !ToWide(to, wideTo)) return Code(ERROR_INVALID_NAME);
    if (CreateHardLinkW(wideTo.c_str(), wideFrom.c_str(), nullptr)) return {};
    switch (const DWORD error = GetLastError()) {
        // FAT and exFAT have no hard links, nor have some network shares; a file may also
        // have all the links it can get.
        case ERROR_INVALID_FUNCTION:
        case ERROR_NOT_SUPPORTED:
        case ERROR_TOO_MANY_LINKS:
            return std::make_error_code(std::errc::operation_not_supported);
        default:
            return Code(error);
    }
}

std::error_code Replace(const std::string& from, const std::string& to) {
    if (const std::error_code ec = BeforeCall(Call::Replace, to)) return ec;
    std::wstring wideFrom, wideTo;
    if (!ToWide(from, wideFrom) || !ToWide(to, wideTo)) return Code(ERROR_INVALID_NAME);
    // Write through: the new name is on the disk when the call returns.
    if (!MoveFileExW(wideFrom.c_str(), wideTo.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return LastError();
    return {};
}

std::error_code MoveNoReplace(const std::string& from, const std::string& to) {
    if (const std::error_code ec = BeforeCall(Call::Move, to)) return ec;
    std::wstring wideFrom, wideTo;
    if (!ToWide(from, wideFrom) || !ToWide(to, wideTo)) return Code(ERROR_INVALID_NAME);
    // Without MOVEFILE_REPLACE_EXISTING the move fails when anything stands at `to`.
    if (!MoveFileExW(wideFrom.c_str(), wideTo.c_str(), MOVEFILE_WRITE_THROUGH)) return LastError();
    return {};
}

std::error_code RemoveFile(const std::string& path) {
    if (const std::error_code ec = BeforeCall(Call::Remove, path)) return ec;
    std::wstring wide;
    if (!ToWide(path, wide)) return Code(ERROR_INVALID_NAME);
    if (!DeleteFileW(wide.c_str())) return LastError();
    return {};
}

// The names are on the disk already: every move is written through.
std::error_code SyncFolderOf(const std::string& path) { return BeforeCall(Call::SyncFolder, path); }

}  // namespace tessavo::fs
