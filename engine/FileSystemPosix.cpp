// SPDX-License-Identifier: GPL-3.0-or-later
// The file layer on POSIX systems (Linux first).
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

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
    info.permissions = static_cast<std::uint32_t>(st.st_mode & 07777);
    info.size = static_cast<std::uint64_t>(st.st_size);
    return info;
}

int Descriptor(std::intptr_t handle) { return static_cast<int>(handle); }

}  // namespace

FileInfo Inspect(const std::string& path, std::error_code& ec) {
    ec.clear();
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

File File::OpenForReading(const std::string& path, std::error_code& ec) {
    ec.clear();
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

File File::CreateNew(const std::string& path, std::error_code& ec) {
    ec.clear();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
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
    ec.clear();
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
    ec.clear();
    while (size > 0) {
        const ssize_t put = ::write(Descriptor(handle_), data, size);
        if (put < 0) {
            if (errno == EINTR) continue;
            ec = LastError();
            return;
        }
        data += put;
        size -= static_cast<std::size_t>(put);
    }
}

std::error_code File::Sync() {
    if (::fsync(Descriptor(handle_)) != 0) return LastError();
    return {};
}

std::error_code File::SetPermissions(std::uint32_t permissions) {
    if (::fchmod(Descriptor(handle_), static_cast<mode_t>(permissions)) != 0) return LastError();
    return {};
}

bool File::TryLock(bool exclusive, std::error_code& ec) {
    ec.clear();
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
    // The descriptor is gone even when close reports an error; never close it twice.
    if (::close(fd) != 0 && errno != EINTR) return LastError();
    return {};
}

std::error_code MoveNoReplace(const std::string& from, const std::string& to) {
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
    if (::unlink(path.c_str()) != 0) return LastError();
    return {};
}

std::error_code SyncFolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::string folder =
        slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return LastError();
    std::error_code ec;
    // Some file systems cannot sync a folder and say so; their names are then as safe as
    // they get.
    if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) ec = LastError();
    ::close(fd);
    return ec;
}

}  // namespace tessavo::fs
