// Tessavo - cleaning of Leica GSI measurement files.
#include "TextFiles.h"

#include <cerrno>
#include <cstring>

#include "modFileHandling.h"

namespace tessavo {

namespace {

constexpr std::size_t kBlock = std::size_t{1} << 20;

std::system_error SystemError(int err, const std::string& what) {
    return std::system_error(err ? err : EIO, std::generic_category(), what);
}

}  // namespace

std::FILE* OpenFile(const std::string& path, const char* mode) {
#ifdef _WIN32
    const std::wstring wideMode(mode, mode + std::strlen(mode));
    return _wfopen(ToFsPath(path).c_str(), wideMode.c_str());
#else
    return std::fopen(ToFsPath(path).c_str(), mode);
#endif
}

LineReader::LineReader(const std::string& path) {
    errno = 0;
    file_ = OpenFile(path, "rb");
    if (!file_) throw SystemError(errno, "cannot open " + path);
    // The buffer holds one block after an unfinished line of at most kMaxLine + 1 bytes.
    buffer_ = std::make_unique<char[]>(kBlock + kMaxLine + 2);
}

LineReader::~LineReader() { Close(); }

void LineReader::Close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
}

bool LineReader::Fill() {
    if (eof_) return false;
    if (begin_ > 0) {
        std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    const std::size_t got = std::fread(buffer_.get() + end_, 1, kBlock, file_);
    if (got < kBlock) {
        if (std::ferror(file_)) throw SystemError(errno, "cannot read");
        eof_ = true;
    }
    end_ += got;
    return got > 0;
}

LineReader::Status LineReader::Next(std::string_view& line) {
    std::size_t scanned = 0;  // bytes of the current line already known to hold no ending
    for (;;) {
        const char* start = buffer_.get() + begin_;
        const std::size_t available = end_ - begin_;
        std::size_t i = scanned;
        while (i < available && start[i] != '\r' && start[i] != '\n') ++i;
        if (i > kMaxLine) return Status::TooLong;
        if (i < available) {
            // A CR at the very end of the data may be followed by the LF of a CR LF.
            if (start[i] == '\r' && i + 1 == available && !eof_) {
                Fill();
                scanned = i;
                continue;
            }
            line = std::string_view(start, i);
            std::size_t ending = 1;
            if (start[i] == '\r' && i + 1 < available && start[i + 1] == '\n') ending = 2;
            begin_ += i + ending;
            return Status::Line;
        }
        scanned = i;
        if (!Fill()) {
            if (available == 0) return Status::End;
            line = std::string_view(buffer_.get() + begin_, available);
            begin_ = end_;
            return Status::Line;
        }
    }
}

OutputFile::OutputFile(const std::string& path) {
    // Exclusive creation tells a file of our own making from something that stood at the
    // path already (a device such as /dev/full, a dangling link), which must never be
    // removed after a failure.
    errno = 0;
    file_ = OpenFile(path, "wbx");
    createdNew_ = file_ != nullptr;
    if (!file_ && errno == EEXIST) {
        errno = 0;
        file_ = OpenFile(path, "wb");
    }
    if (!file_) throw SystemError(errno, "cannot create " + path);
    // Our own buffer carries the data; stdio's would only hide a write error until close.
    std::setvbuf(file_, nullptr, _IONBF, 0);
    capacity_ = kBlock;
    buffer_ = std::make_unique<char[]>(capacity_);
}

OutputFile::~OutputFile() { Abandon(); }

char* OutputFile::Reserve(std::size_t size) {
    if (used_ + size > capacity_) {
        Flush();
        if (size > capacity_) {
            capacity_ = size;
            buffer_ = std::make_unique<char[]>(capacity_);
        }
    }
    return buffer_.get() + used_;
}

void OutputFile::WriteLine(std::string_view line) {
    char* p = Reserve(line.size() + 2);
    std::memcpy(p, line.data(), line.size());
    p[line.size()] = '\r';
    p[line.size() + 1] = '\n';
    Commit(line.size() + 2);
}

void OutputFile::Flush() {
    if (used_ == 0) return;
    errno = 0;
    const std::size_t written = std::fwrite(buffer_.get(), 1, used_, file_);
    if (written != used_) throw SystemError(errno, "cannot write");
    used_ = 0;
}

void OutputFile::Close() {
    if (!file_) return;
    try {
        Flush();
    } catch (...) {
        Abandon();
        throw;
    }
    std::FILE* file = file_;
    file_ = nullptr;
    errno = 0;
    if (std::fclose(file) != 0) throw SystemError(errno, "cannot close");
}

void OutputFile::Abandon() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    used_ = 0;
}

}  // namespace tessavo
