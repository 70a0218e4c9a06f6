// SPDX-License-Identifier: GPL-3.0-or-later
// FileSystem: the engine's one layer over the operating system's file calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <system_error>
#include <utility>

// The engine's one layer over the operating system's file calls. Everything else in the
// engine reaches files through it, so that each platform's calls stand in one place. Paths
// are UTF-8 texts; errors are the system's own codes (errno on POSIX, GetLastError on
// Windows) in a std::error_code.
namespace tessavo::fs {

// What stands at a path, links followed.
enum class Kind {
    Missing,     // nothing at all
    Regular,     // a file, or a link to one
    Directory,   // a folder, or a link to one
    Device,      // a character or block device
    Fifo,        // a named pipe
    Socket,      // a local socket
    BrokenLink,  // a link that leads nowhere (or in a circle)
};

// Identifies a file whatever name it is reached by.
struct FileId {
    std::uint64_t volume = 0;
    std::uint64_t file = 0;

    friend bool operator==(const FileId&, const FileId&) = default;
};

struct FileInfo {
    Kind kind = Kind::Missing;
    FileId id;
    std::uint32_t permissions = 0;  // POSIX permission bits; 0 where the platform has none
    std::uint64_t size = 0;
};

// What stands at `path`. A path that names nothing gives Kind::Missing and no error; a
// path that cannot be looked at (no access, a name that is too long) gives an error.
FileInfo Inspect(const std::string& path, std::error_code& ec);

// An open file, closed when the object goes. Every handle of the engine is one of these.
class File {
  public:
    File() = default;
    ~File() { Close(); }
    File(File&& other) noexcept : handle_(std::exchange(other.handle_, kClosed)) {}
    File& operator=(File&& other) noexcept {
        if (this != &other) {
            Close();
            handle_ = std::exchange(other.handle_, kClosed);
        }
        return *this;
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Opens an existing regular file for reading. Anything else (a folder, a device, a
    // pipe) is refused without waiting on it.
    static File OpenForReading(const std::string& path, std::error_code& ec);
    // Creates a new file for writing, failing when anything stands at the path (a dangling
    // link included). It gets the mode every new file of the user gets.
    static File CreateNew(const std::string& path, std::error_code& ec);

    bool IsOpen() const { return handle_ != kClosed; }
    FileInfo Info(std::error_code& ec) const;

    // Reads up to `size` bytes; 0 at the end of the file.
    std::size_t Read(char* buffer, std::size_t size, std::error_code& ec);
    // Writes all `size` bytes, or fails.
    void Write(const char* data, std::size_t size, std::error_code& ec);
    // Brings what was written to the disk itself.
    std::error_code Sync();
    std::error_code SetPermissions(std::uint32_t permissions);

    // Takes a lock that lasts while this handle is open and goes with the process that
    // holds it. Shared locks of several holders go together; an exclusive lock goes with
    // no other. Answers false, at once, when another holder's lock is in the way. Where
    // the file system has no locks the call succeeds without one.
    bool TryLock(bool exclusive, std::error_code& ec);

    std::error_code Close();

  private:
    explicit File(std::intptr_t handle) : handle_(handle) {}
    static constexpr std::intptr_t kClosed = -1;
    std::intptr_t handle_ = kClosed;  // a file descriptor, or a Windows HANDLE
};

// Renames `from` to `to`, failing with "file exists" when anything stands at `to`.
std::error_code MoveNoReplace(const std::string& from, const std::string& to);
std::error_code RemoveFile(const std::string& path);
// Brings the folder that holds `path` to the disk, so that names created or renamed in it
// survive a power cut. Nothing to do where the system keeps that itself (Windows).
std::error_code SyncFolderOf(const std::string& path);

}  // namespace tessavo::fs
