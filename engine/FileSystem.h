// SPDX-License-Identifier: GPL-3.0-or-later
// FileSystem: the engine's one layer over the operating system's file calls.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

// The engine's one layer over the operating system's file calls. Everything else in the
// engine reaches files through it, so that each platform's calls stand in one place (and
// the tests can make any of them fail). Paths are UTF-8 texts; errors are the system's own
// codes (errno on POSIX, GetLastError on Windows) in a std::error_code.
namespace tessavo::fs {

// What stands at a path, links followed.
enum class Kind {
    Missing,     // nothing at all
    Regular,     // a file, or a link to one
    Directory,   // a folder, or a link to one
    Device,      // a character or block device, or on Windows a reserved name such as NUL
    Fifo,        // a named pipe
    Socket,      // a local socket
    BrokenLink,  // a link that leads nowhere (or in a circle)
};

// Identifies a file whatever name it is reached by: device and inode, or on Windows the
// volume's serial number and the file index.
struct FileId {
    std::uint64_t volume = 0;
    std::uint64_t file = 0;

    friend auto operator<=>(const FileId&, const FileId&) = default;
};

// Identifies a file, or the place of one that does not exist yet, so that two paths can be
// compared as files: an existing file by its FileId alone; a missing one by the FileId of
// its folder and its name there. Windows compares names without regard to case, so there
// the name is kept in upper case.
struct FileKey {
    FileId id;
    std::string name;  // empty for an existing file

    friend auto operator<=>(const FileKey&, const FileKey&) = default;
};

struct FileInfo {
    Kind kind = Kind::Missing;
    FileId id;
    std::uint64_t size = 0;
    bool readOnly = false;          // no owner write bit (POSIX), the read-only attribute (Windows)
    std::uint32_t permissions = 0;  // POSIX permission bits
    std::uint32_t owner = 0;        // POSIX user and group
    std::uint32_t group = 0;
    std::uint32_t attributes = 0;  // Windows file attributes
};

// What stands at `path`. A path that names nothing gives Kind::Missing and no error; a
// path that cannot be looked at (no access, a name that is too long) gives an error.
FileInfo Inspect(const std::string& path, std::error_code& ec);

// The key of the file at `path`, or of its place when nothing stands there. Fails when not
// even the folder can be found.
FileKey KeyOf(const std::string& path, std::error_code& ec);

// The path of what a symbolic link at `path` finally leads to, through any chain of links;
// `path` itself when it is no link, or a link that leads nowhere (Inspect tells that).
std::string FinalTarget(const std::string& path, std::error_code& ec);

// Whether the last name of `path` is short enough for the file system of its folder.
bool NameFits(const std::string& path);

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
    // The same for a file that the run will replace. On Windows the handle also holds the
    // right to delete it, which another program's handle that does not share that right
    // prevents: such a program is found now, not when the file is replaced.
    static File OpenToReplace(const std::string& path, std::error_code& ec);
    // Creates a new file for writing, failing when anything stands at the path (a dangling
    // link included). It gets the mode every new file of the user gets.
    static File CreateNew(const std::string& path, std::error_code& ec);
    // Standard input or output as a file of its own (a second descriptor or handle of it),
    // read or written from where it stands; closing it leaves the process's own open.
    enum class Standard { Input, Output };
    static File OpenStandard(Standard stream, std::error_code& ec);

    bool IsOpen() const { return handle_ != kClosed; }
    FileInfo Info(std::error_code& ec) const;

    // Reads up to `size` bytes; 0 at the end of the file.
    std::size_t Read(char* buffer, std::size_t size, std::error_code& ec);
    // Writes all `size` bytes, or fails.
    void Write(const char* data, std::size_t size, std::error_code& ec);
    // Reads and writes from the start of the file again.
    std::error_code Rewind();
    // Brings what was written to the disk itself. May run on one thread while Write runs
    // on another.
    std::error_code Sync();
    // Starts bringing what was written so far to the disk without waiting for it, so that
    // a later Sync has little left to do. Only a hint: where the system has no such call,
    // or the file is no regular file, nothing happens, and a failure shows in Sync.
    void StartSync();
    // Gives this file what the file `old` had and a new file does not get by itself: its
    // mode, owner and group on POSIX (the owner only where the process may set it), its
    // attributes on Windows. Where the file system or the process cannot keep them, that
    // is no error.
    std::error_code KeepFrom(const FileInfo& old);

    // Takes a lock that lasts while this handle is open and goes with the process that
    // holds it. Shared locks of several holders go together; an exclusive lock goes with
    // no other. Answers false, at once, when another holder's lock is in the way. Where
    // the file system has no locks the call succeeds without one.
    bool TryLock(bool exclusive, std::error_code& ec);

    std::error_code Close();

  private:
    explicit File(std::intptr_t handle) : handle_(handle) {}
    static File Open(const std::string& path, bool toReplace, std::error_code& ec);
    static constexpr std::intptr_t kClosed = -1;
    std::intptr_t handle_ = kClosed;  // a file descriptor, or a Windows HANDLE
};

// Gives the file `from` the second name `to` (a hard link), failing when anything stands at
// `to`. Fails with std::errc::operation_not_supported where the file system has no such
// links (FAT).
std::error_code Link(const std::string& from, const std::string& to);
// Renames `from` to `to`, replacing whatever file stands at `to` in one step: at every
// moment `to` names either the old file or the new one.
std::error_code Replace(const std::string& from, const std::string& to);
// Renames `from` to `to`, failing with "file exists" when anything stands at `to`.
std::error_code MoveNoReplace(const std::string& from, const std::string& to);
std::error_code RemoveFile(const std::string& path);
// Brings the folder that holds `path` to the disk, so that names created or renamed in it
// survive a power cut. Nothing to do where the system keeps that itself (Windows).
std::error_code SyncFolderOf(const std::string& path);

// Whether a file that this process holds open can be replaced. Windows refuses to replace
// an open file, so the run closes its own handles on it first.
// And the characters that separate the folders of a path.
#ifdef _WIN32
inline constexpr bool kOpenFilesCanBeReplaced = false;
inline constexpr std::string_view kSeparators = "\\/";
#else
inline constexpr bool kOpenFilesCanBeReplaced = true;
inline constexpr std::string_view kSeparators = "/";
#endif

}  // namespace tessavo::fs
