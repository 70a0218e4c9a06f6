// SPDX-License-Identifier: GPL-3.0-or-later
// The file layer on POSIX systems (Linux first).
#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "FaultInjection.h"
#include "FileSystem.h"

namespace tessavo::fs {

namespace {

std::error_code LastError() { return {errno, std::generic_category()}; }

FileInfo InfoOf(const struct stat& st) {
    FileInfo info;
    if (S_ISREG(st.st_mode)) {
        info.kind = Kind::Regular;
    } else if (S_ISDIR(st.st_mode)) {
        info.kind = Kind::Directory;
    } else if (S_ISFIFO(st.st_mode)) {
        info.kind = Kind::Fifo;
    } else if (S_ISSOCK(st.st_mode)) {
        info.kind = Kind::Socket;
    } else {
        info.kind = Kind::Device;
    }
    info.id = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    info.size = static_cast<std::uint64_t>(st.st_size);
    // Without the owner's write bit the file is write-protected, for root too.
    info.readOnly = (st.st_mode & S_IWUSR) == 0;
    info.permissions = static_cast<std::uint32_t>(st.st_mode & 07777);
    info.owner = static_cast<std::uint32_t>(st.st_uid);
    info.group = static_cast<std::uint32_t>(st.st_gid);
    return info;
}

int Descriptor(std::intptr_t handle) { return static_cast<int>(handle); }

// The folder part of a path ("." for a bare name) and its last name.
std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return path.substr(0, slash == 0 ? 1 : slash);
}
std::string NameOf(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

// What fchmod and fchown answer where the file system or the process cannot keep a file's
// mode or owner; the file is then as good as the system makes it.
bool CannotKeep(int error) {
    return error == ENOSYS || error == EPERM || error == ENOTSUP || error == EOPNOTSUPP ||
           error == EINVAL;
}

}  // namespace

FileInfo Inspect(const std::string& path, std::error_code& ec) {
    ec = BeforeCall(Call::Inspect, path);
    if (ec) return {};
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) return InfoOf(st);
    const int err = errno;
    FileInfo info;
    if (err == ELOOP) {
        info.kind = Kind::BrokenLink;
    } else if (err == ENOENT || err == ENOTDIR) {
        // Nothing to follow to; the name itself may still be a link that leads nowhere.
        struct stat link {};
        if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode))
            info.kind = Kind::BrokenLink;
    } else {
        ec = {err, std::generic_category()};
    }
    return info;
}

FileKey KeyOf(const std::string& path, std::error_code& ec) {
    const FileInfo file = Inspect(path, ec);
    if (ec) return {};
    if (file.kind != Kind::Missing && file.kind != Kind::BrokenLink) return {file.id, {}};
    const FileInfo folder = Inspect(FolderOf(path), ec);
    if (ec) return {};
    if (folder.kind != Kind::Directory) {
        ec = std::make_error_code(std::errc::no_such_file_or_directory);
        return {};
    }
    return {folder.id, NameOf(path)};
}

std::string FinalTarget(const std::string& path, std::error_code& ec) {
    ec = BeforeCall(Call::Inspect, path);
    if (ec) return path;
    struct stat link {};
    if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return path;
    const std::unique_ptr<char, decltype(&std::free)> target(::realpath(path.c_str(), nullptr),
                                                             &std::free);
    if (!target) {
        if (errno != ENOENT && errno != ELOOP && errno != ENOTDIR) ec = LastError();
        return path;
    }
    return target.get();
}

bool NameFits(const std::string& path) {
    const long limit = ::pathconf(FolderOf(path).c_str(), _PC_NAME_MAX);
    const std::size_t nameMax = limit > 0 ? static_cast<std::size_t>(limit) : NAME_MAX;
    return NameOf(path).size() <= nameMax && path.size() < PATH_MAX;
}

File File::Open(const std::string& path, bool, std::error_code& ec) {
    ec = BeforeCall(Call::Open, path);
    if (ec) return {};
    // Without O_NONBLOCK, opening a named pipe would wait for a writer that never comes.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        ec = LastError();
        return {};
    }
    File file(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        ec = LastError();
        return {};
    }
    if (!S_ISREG(st.st_mode)) {
        ec = std::make_error_code(S_ISDIR(st.st_mode) ? std::errc::is_a_directory
                                                      : std::errc::no_such_device_or_address);
        return {};
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return file;
}

File File::OpenForReading(const std::string& path, std::error_code& ec) {
    return Open(path, false, ec);
}

// Any file can be renamed over on POSIX, whoever holds it open.
File File::OpenToReplace(const std::string& path, std::error_code& ec) {
    return Open(path, true, ec);
}

File File::CreateNew(const std::string& path, std::error_code& ec) {
    ec = BeforeCall(Call::Create, path);
    if (ec) return {};
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0) {
        ec = LastError();
        return {};
    }
    return File(fd);
}

File File::OpenStandard(Standard stream, std::error_code& ec) {
    ec = BeforeCall(Call::Open, {});
    if (ec) return {};
    const int fd =
        ::fcntl(stream == Standard::Input ? STDIN_FILENO : STDOUT_FILENO, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) {
        ec = LastError();
        return {};
    }
    return File(fd);
}

FileInfo File::Info(std::error_code& ec) const {
    ec.clear();
    struct stat st {};
    if (::fstat(Descriptor(handle_), &st) != 0) {
        ec = LastError();
        return {};
    }
    return InfoOf(st);
}

std::size_t File::Read(char* buffer, std::size_t size, std::error_code& ec) {
    ec = BeforeCall(Call::Read, {});
    if (ec) return 0;
    for (;;) {
        const ssize_t got = ::read(Descriptor(handle_), buffer, size);
        if (got >= 0) return static_cast<std::size_t>(got);
        if (errno != EINTR) {
            ec = LastError();
            return 0;
        }
    }
}

void File::Write(const char* data, std::size_t size, std::error_code& ec) {
    ec = BeforeCall(Call::Write, {});
    while (!ec && size > 0) {
        const ssize_t put = ::write(Descriptor(handle_), data, size);
        if (put < 0) {
            if (errno != EINTR) ec = LastError();
            continue;
        }
        data += put;
        size -= static_cast<std::size_t>(put);
    }
}

std::error_code File::Rewind() {
    if (const std::error_code ec = BeforeCall(Call::Rewind, {})) return ec;
    if (::lseek(Descriptor(handle_), 0, SEEK_SET) < 0) return LastError();
    return {};
}

std::error_code File::Sync() {
    if (const std::error_code ec = BeforeCall(Call::Sync, {})) return ec;
    if (::fsync(Descriptor(handle_)) != 0) return LastError();
    return {};
}

void File::StartSync() {
#ifdef __linux__
    ::sync_file_range(Descriptor(handle_), 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
}

std::error_code File::KeepFrom(const FileInfo& old) {
    if (const std::error_code ec = BeforeCall(Call::KeepFrom, {})) return ec;
    const int fd = Descriptor(handle_);
    // The owner first: a change of owner clears the set-user-ID bits, which the mode then
    // sets again. A process that may not give the file away may still give it the group,
    // when it is a member.
    if (::fchown(fd, old.owner, old.group) != 0) {
        if (!CannotKeep(errno)) return LastError();
        if (errno == EPERM && ::fchown(fd, static_cast<uid_t>(-1), old.group) != 0 &&
            !CannotKeep(errno))
            return LastError();
    }
    if (::fchmod(fd, static_cast<mode_t>(old.permissions)) != 0 && !CannotKeep(errno))
        return LastError();
    return {};
}

bool File::TryLock(bool exclusive, std::error_code& ec) {
    ec = BeforeCall(Call::Lock, {});
    if (ec) return false;
    // flock belongs to the open file description: it conflicts with other openings of the
    // file in this process too, and it is not dropped when some other descriptor of the
    // file closes, as POSIX record locks would be.
    for (;;) {
        if (::flock(Descriptor(handle_), (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) == 0)
            return true;
        switch (errno) {
            case EINTR:
                continue;
            case EWOULDBLOCK:
                return false;
            case ENOLCK:
            case EOPNOTSUPP:
            case EINVAL:
                return true;  // a file system without locks
            default:
                ec = LastError();
                return false;
        }
    }
}

std::error_code File::Close() {
    if (handle_ == kClosed) return {};
    const int fd = Descriptor(handle_);
    handle_ = kClosed;
    const std::error_code injected = BeforeCall(Call::Close, {});
    // The descriptor is gone even when close reports an error; never close it twice.
    if (::close(fd) != 0 && errno != EINTR) return LastError();
    return injected;
}

std::error_code Link(const std::string& from, const std::string& to) {
    if (const std::error_code ec = BeforeCall(Call::Link, to)) return ec;
    if (::link(from.c_str(), to.c_str()) == 0) return {};
    switch (errno) {
        // FAT has no hard links (EPERM), nor have some network and FUSE file systems; a
        // file may also have all the links it can get, or belong to another user where
        // the system protects such files from links.
        case EPERM:
        case EOPNOTSUPP:
        case ENOSYS:
        case EMLINK:
            return std::make_error_code(std::errc::operation_not_supported);
        default:
            return LastError();
    }
}

std::error_code Replace(const std::string& from, const std::string& to) {
    if (const std::error_code ec = BeforeCall(Call::Replace, to)) return ec;
    if (::rename(from.c_str(), to.c_str()) != 0) return LastError();
    return {};
}

std::error_code MoveNoReplace(const std::string& from, const std::string& to) {
    if (const std::error_code ec = BeforeCall(Call::Move, to)) return ec;
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return {};
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return LastError();
#endif
    // A file system that cannot refuse by itself: look first. The files concerned are
    // locked by this run, so only a file that appears in between could be replaced.
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0) return std::make_error_code(std::errc::file_exists);
    if (::rename(from.c_str(), to.c_str()) != 0) return LastError();
    return {};
}

std::error_code RemoveFile(const std::string& path) {
    if (const std::error_code ec = BeforeCall(Call::Remove, path)) return ec;
    if (::unlink(path.c_str()) != 0) return LastError();
    return {};
}

std::error_code SyncFolderOf(const std::string& path) {
    if (const std::error_code ec = BeforeCall(Call::SyncFolder, path)) return ec;
    const int fd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return LastError();
    std::error_code ec;
    // Some file systems cannot sync a folder and say so; their names are then as safe as
    // they get.
    if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) ec = LastError();
    ::close(fd);
    return ec;
}

}  // namespace tessavo::fs
