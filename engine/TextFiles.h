// SPDX-License-Identifier: GPL-3.0-or-later
// LineReader and OutputFile: the run's input and output, each with a thread of its own.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <system_error>

#include "BackgroundWorker.h"
#include "FileSystem.h"

namespace tessavo {

// Reads 8-bit text one line at a time in large blocks, the next block being read while the
// caller works through the current one. A line ends at CR, LF or CR LF; lines are handed
// out without their ending and are valid until the next call.
class LineReader {
  public:
    // Lines longer than this are reported as too long instead of being read.
    static constexpr std::size_t kMaxLine = 32767;

    // Reads `file`, which must stay open while the reader lives. Throws std::system_error
    // when the reading thread cannot start.
    LineReader(fs::File& file, std::uint64_t totalBytes);
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // NulByte: the line holds a NUL byte, which no text file does; the line is not handed out.
    enum class Status { Line, End, TooLong, NulByte };

    // Reads the next line into `line`. Throws std::system_error on a read error.
    Status Next(std::string_view& line);

    // Bytes of the file handed out so far (line endings included), and the file's size
    // when it was opened.
    std::uint64_t BytesRead() const { return blockOffset_ + begin_ - kHead; }
    std::uint64_t TotalBytes() const { return totalBytes_; }

  private:
    // Room in front of a block for the unfinished line of the block before it.
    static constexpr std::size_t kHead = kMaxLine + 2;

    struct Block {
        std::unique_ptr<char[]> data;  // kHead + the block size
        std::size_t size = 0;
        std::error_code error;
        bool last = false;
    };

    void ReadAhead(int index);  // starts reading the next block into blocks_[index]
    bool Fill();                // moves on to the next block; false at the end of the file

    fs::File& file_;
    Block blocks_[2];
    int current_ = 1;                // the block being scanned; block 0 is read first
    std::size_t begin_ = 0;          // first unread byte of the current block's data
    std::size_t end_ = 0;            // one past its last valid byte
    bool last_ = false;              // the current block is the file's last
    std::uint64_t blockOffset_ = 0;  // file offset of the current block's first byte
    std::uint64_t totalBytes_ = 0;
    std::optional<BackgroundWorker> worker_;
};

// Writes a new file through large buffers, each written by a background thread while the
// caller fills the other one. Every failure, a full disk included, throws
// std::system_error with the system's reason, at the latest from Finish().
class OutputFile {
  public:
    // Takes over `file`, a file just created. With a `reference`, an open file read from its
    // start, the output is compared with the reference as it goes, and nothing is written
    // while it is the same: from the first difference on the file gets the part before it,
    // copied from the reference, and the rest. An output that is the whole reference leaves
    // the file empty. Without an open `file` the output is only compared. Throws
    // std::system_error when the writing thread cannot start.
    explicit OutputFile(fs::File file, fs::File* reference = nullptr);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Room for `size` more characters; write them, then Commit(size).
    char* Reserve(std::size_t size);
    void Commit(std::size_t size) { used_ += size; }
    void WriteLine(std::string_view line);  // the line and CR LF

    // Writes what is buffered, brings the file to the disk and closes it; throws when any
    // of that fails.
    void Finish();
    // Closes without reporting errors (after another failure, or a stop).
    void Abandon();

    // Whether a difference from the reference has been found so far; any thread may ask.
    // A reference that cannot be read counts as different.
    bool Differs() const { return differs_.load(std::memory_order_relaxed); }
    // After Finish(): whether the output is the reference's whole content.
    bool SameAsReference() const { return reference_ && !Differs(); }

  private:
    void HandOver();  // gives the filled buffer to the worker and takes the other one
    // On the worker's thread: whether `data` is what the reference holds next, and the
    // part of the output that was the reference's, written once it differs.
    bool Compare(const char* data, std::size_t size);
    void CatchUp();
    // On the worker's thread: starts bringing what is written to the disk on a thread of
    // its own, unless a flush is under way. On a machine whose disk writes only at a flush
    // (a virtual disk, a drive with a large cache) the flush at the end would otherwise
    // wait for the whole file, after the cleaning, instead of going on beside it.
    void FlushBeside();

    fs::File file_;
    fs::File* reference_;
    std::unique_ptr<char[]> buffers_[2];
    std::size_t capacity_[2] = {};
    std::unique_ptr<char[]> referenceBytes_;  // one block of the reference, when there is one
    int current_ = 0;
    std::size_t used_ = 0;
    std::uint64_t matched_ = 0;  // bytes of output the same as the reference's, not written
    std::error_code error_;      // of a failed write, set by the worker
    std::atomic<bool> differs_{false};
    std::optional<BackgroundWorker> worker_;
    // The flush beside the writing, started by the worker; the bytes it has not been asked
    // to flush yet, and whether the file was found to have a disk for it.
    std::uint64_t unflushed_ = 0;
    bool flushChecked_ = false;
    std::error_code flushError_;
    std::optional<BackgroundWorker> flusher_;
};

}  // namespace tessavo
