// Tessavo - cleaning of Leica GSI measurement files.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>

namespace tessavo {

// Runs one job at a time on a thread of its own, so that a file's system calls overlap
// with the cleaning of the data before or after them.
class BackgroundWorker {
  public:
    BackgroundWorker();  // throws std::system_error when no thread can be started
    ~BackgroundWorker();
    BackgroundWorker(const BackgroundWorker&) = delete;
    BackgroundWorker& operator=(const BackgroundWorker&) = delete;

    // Waits for the job in hand, then starts `job`.
    void Run(std::function<void()> job);
    // Returns when no job is in hand; what the job wrote is visible afterwards.
    void Wait();

  private:
    void Loop();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::function<void()> job_;
    bool stop_ = false;
    std::thread thread_;
};

// Reads 8-bit text one line at a time in large blocks, the next block being read while the
// caller works through the current one. A line ends at CR, LF or CR LF; lines are handed
// out without their ending and are valid until the next call.
class LineReader {
  public:
    // Lines longer than this are reported as too long instead of being read.
    static constexpr std::size_t kMaxLine = 32767;

    // Throws std::system_error when the file cannot be opened.
    explicit LineReader(const std::string& path);
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    enum class Status { Line, End, TooLong };

    // Reads the next line into `line`. Throws std::system_error on a read error.
    Status Next(std::string_view& line);

    // Bytes of the file handed out so far (line endings included), and the file's size
    // when it was opened.
    std::uint64_t BytesRead() const { return blockOffset_ + begin_ - kHead; }
    std::uint64_t TotalBytes() const { return totalBytes_; }

    void Close();

  private:
    // Room in front of a block for the unfinished line of the block before it.
    static constexpr std::size_t kHead = kMaxLine + 2;

    struct Block {
        std::unique_ptr<char[]> data;  // kHead + the block size
        std::size_t size = 0;
        int error = 0;
        bool last = false;
    };

    void ReadAhead(int index);  // starts reading the next block into blocks_[index]
    bool Fill();                // moves on to the next block; false at the end of the file

    std::FILE* file_ = nullptr;
    Block blocks_[2];
    int current_ = 1;                // the block being scanned; block 0 is read first
    std::size_t begin_ = 0;          // first unread byte of the current block's data
    std::size_t end_ = 0;            // one past its last valid byte
    bool last_ = false;              // the current block is the file's last
    std::uint64_t blockOffset_ = 0;  // file offset of the current block's first byte
    std::uint64_t totalBytes_ = 0;
    std::optional<BackgroundWorker> worker_;
};

// Writes an output file through large buffers, each written by a background thread while
// the caller fills the other one. Every failure, a full disk included, throws
// std::system_error with the system's reason, at the latest from Close().
class OutputFile {
  public:
    // Creates the file. `createdNew` tells whether the file did not exist before, so that
    // a failed run removes only a file of its own making.
    explicit OutputFile(const std::string& path);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    bool createdNew() const { return createdNew_; }

    // Room for `size` more characters; write them, then Commit(size).
    char* Reserve(std::size_t size);
    void Commit(std::size_t size) { used_ += size; }
    void WriteLine(std::string_view line);  // the line and CR LF

    // Writes what is buffered and closes the file; throws when that fails.
    void Close();
    // Closes without reporting errors (after another failure).
    void Abandon();

  private:
    void HandOver();  // gives the filled buffer to the worker and takes the other one

    std::FILE* file_ = nullptr;
    bool createdNew_ = false;
    std::unique_ptr<char[]> buffers_[2];
    std::size_t capacity_[2] = {};
    int current_ = 0;
    std::size_t used_ = 0;
    int error_ = 0;  // errno of a failed write, set by the worker
    std::optional<BackgroundWorker> worker_;
};

// Opens a UTF-8 path with a C mode string; sets errno when it fails.
std::FILE* OpenFile(const std::string& path, const char* mode);

}  // namespace tessavo
