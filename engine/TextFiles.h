// Tessavo - cleaning of Leica GSI measurement files.
#pragma once

#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>

namespace tessavo {

// Reads 8-bit text one line at a time in large blocks. A line ends at CR, LF or CR LF;
// lines are handed out without their ending and are valid until the next call.
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

    void Close();

  private:
    bool Fill();  // reads more data behind what is left; false at the end of the file

    std::FILE* file_ = nullptr;
    std::unique_ptr<char[]> buffer_;
    std::size_t begin_ = 0;  // first unread byte
    std::size_t end_ = 0;    // one past the last valid byte
    bool eof_ = false;
};

// Writes an output file through large buffers. A second thread writes one buffer to the
// file while the caller fills the other, so that the cleaning does not wait for the
// system's copy of every block. Every failure, a full disk included, throws
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
    void HandOver();  // gives the filled buffer to the writer and takes the other one
    void WaitIdle(std::unique_lock<std::mutex>& lock);
    void StopWriter();
    void WriterLoop();

    std::FILE* file_ = nullptr;
    bool createdNew_ = false;
    std::unique_ptr<char[]> buffers_[2];
    std::size_t capacity_[2] = {};
    int current_ = 0;
    std::size_t used_ = 0;

    std::thread writer_;
    std::mutex mutex_;
    std::condition_variable changed_;
    const char* pending_ = nullptr;  // a buffer the writer is to write, or is writing
    std::size_t pendingSize_ = 0;
    bool stop_ = false;
    int error_ = 0;  // errno of the first failed write
};

// Opens a UTF-8 path with a C mode string; sets errno when it fails.
std::FILE* OpenFile(const std::string& path, const char* mode);

}  // namespace tessavo
