// SPDX-License-Identifier: GPL-3.0-or-later
// LineReader and OutputFile: lines read and the new output written a block at a time.
#include "TextFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "ByteScan.h"

namespace tessavo {

namespace {

constexpr std::size_t kBlock = std::size_t{1} << 20;

// After this many bytes written, a flush to the disk begins beside the writing.
constexpr std::uint64_t kFlushEvery = std::uint64_t{16} << 20;

std::system_error SystemError(std::error_code ec, const char* what) {
    return std::system_error(ec ? ec : std::make_error_code(std::errc::io_error), what);
}

}  // namespace

LineReader::LineReader(fs::File& file, std::uint64_t totalBytes)
    : file_(file), totalBytes_(totalBytes) {
    for (Block& block : blocks_)
        block.data = std::make_unique_for_overwrite<char[]>(kHead + kBlock);
    begin_ = end_ = kHead;
    worker_.emplace();
    ReadAhead(0);
}

LineReader::~LineReader() { worker_.reset(); }  // waits for a read in hand

void LineReader::ReadAhead(int index) {
    worker_->Run([this, index] {
        Block& block = blocks_[index];
        // A read may return less than asked before the end (a pipe, a network share);
        // only 0 is the end.
        block.size = 0;
        block.error.clear();
        while (block.size < kBlock) {
            const std::size_t got =
                file_.Read(block.data.get() + kHead + block.size, kBlock - block.size, block.error);
            if (got == 0) break;
            block.size += got;
        }
        block.last = block.size < kBlock;
    });
}

bool LineReader::Fill() {
    if (last_) return false;
    worker_->Wait();
    const int next = current_ ^ 1;
    Block& block = blocks_[next];
    if (block.error) throw SystemError(block.error, "cannot read");
    // The unfinished line goes in front of the new block's data.
    const std::size_t unfinished = end_ - begin_;
    std::memcpy(block.data.get() + kHead - unfinished, blocks_[current_].data.get() + begin_,
                unfinished);
    begin_ = kHead - unfinished;
    blockOffset_ += end_ - kHead;
    end_ = kHead + block.size;
    current_ = next;
    last_ = block.last;
    if (!last_) ReadAhead(current_ ^ 1);
    return block.size > 0;
}

LineReader::Status LineReader::Next(std::string_view& line) {
    std::size_t scanned = 0;  // bytes of the current line already known to hold no ending
    for (;;) {
        const char* start = blocks_[current_].data.get() + begin_;
        const std::size_t available = end_ - begin_;
        const std::size_t i = scan::FindLineEnd(start, scanned, available);
        if (i > kMaxLine) return Status::TooLong;
        if (i < available && start[i] == '\0') return Status::NulByte;
        if (i < available) {
            // A CR at the very end of the data may be followed by the LF of a CR LF.
            if (start[i] == '\r' && i + 1 == available && !last_) {
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
            line = std::string_view(blocks_[current_].data.get() + begin_, available);
            begin_ = end_;
            return Status::Line;
        }
    }
}

OutputFile::OutputFile(fs::File file, fs::File* reference)
    : file_(std::move(file)), reference_(reference) {
    for (int i = 0; i < 2; ++i) {
        buffers_[i] = std::make_unique_for_overwrite<char[]>(kBlock);
        capacity_[i] = kBlock;
    }
    if (reference_) referenceBytes_ = std::make_unique_for_overwrite<char[]>(kBlock);
    worker_.emplace();
}

OutputFile::~OutputFile() { Abandon(); }

void OutputFile::HandOver() {
    worker_->Wait();
    if (error_) throw SystemError(error_, "cannot write");
    if (used_ == 0) return;
    const char* data = buffers_[current_].get();
    const std::size_t size = used_;
    worker_->Run([this, data, size] {
        if (reference_ && !Differs()) {
            // The same as the reference so far: nothing to write yet.
            if (Compare(data, size)) {
                matched_ += size;
                return;
            }
            CatchUp();
        }
        if (file_.IsOpen() && !error_) {
            file_.Write(data, size, error_);
            // The disk takes each block while the next is made, not all at the end.
            file_.StartSync();
            unflushed_ += size;
            if (unflushed_ >= kFlushEvery && !error_) FlushBeside();
        }
    });
    current_ ^= 1;
    used_ = 0;
}

void OutputFile::FlushBeside() {
    if (!flushChecked_) {
        flushChecked_ = true;
        // A pipe or a terminal has no disk; without a thread for it, Finish flushes alone.
        std::error_code ec;
        if (file_.Info(ec).kind != fs::Kind::Regular || ec) return;
        try {
            flusher_.emplace();
        } catch (const std::system_error&) {
            return;
        }
    }
    if (flusher_ && flusher_->RunIfIdle([this] {
            if (const std::error_code ec = file_.Sync()) flushError_ = ec;
        })) {
        unflushed_ = 0;
    }
}

bool OutputFile::Compare(const char* data, std::size_t size) {
    std::error_code ec;
    while (size > 0) {
        // A read may return less than asked before the end; only 0 is the end.
        std::size_t got = 0;
        const std::size_t want = std::min(size, kBlock);
        while (got < want) {
            const std::size_t read = reference_->Read(referenceBytes_.get() + got, want - got, ec);
            if (read == 0) break;
            got += read;
        }
        if (got < want || std::memcmp(data, referenceBytes_.get(), want) != 0) {
            differs_ = true;
            return false;
        }
        data += want;
        size -= want;
    }
    return true;
}

void OutputFile::CatchUp() {
    if (!file_.IsOpen() || matched_ == 0) return;
    if ((error_ = reference_->Rewind())) return;
    for (std::uint64_t left = matched_; left > 0;) {
        const std::size_t got = reference_->Read(
            referenceBytes_.get(), static_cast<std::size_t>(std::min<std::uint64_t>(left, kBlock)),
            error_);
        if (error_) return;
        if (got == 0) {
            error_ = std::make_error_code(std::errc::io_error);  // the reference got shorter
            return;
        }
        file_.Write(referenceBytes_.get(), got, error_);
        if (error_) return;
        left -= got;
    }
}

char* OutputFile::Reserve(std::size_t size) {
    if (used_ + size > capacity_[current_]) {
        HandOver();
        if (size > capacity_[current_]) {
            capacity_[current_] = size;
            buffers_[current_] = std::make_unique_for_overwrite<char[]>(size);
        }
    }
    return buffers_[current_].get() + used_;
}

void OutputFile::WriteLine(std::string_view line) {
    char* p = Reserve(line.size() + 2);
    if (!line.empty()) std::memcpy(p, line.data(), line.size());
    p[line.size()] = '\r';
    p[line.size() + 1] = '\n';
    Commit(line.size() + 2);
}

void OutputFile::Finish() {
    try {
        HandOver();
        worker_->Wait();
        if (error_) throw SystemError(error_, "cannot write");
        worker_.reset();
        flusher_.reset();
        // The system reports a failed flush to one of the file's flushes only: the one
        // beside the writing may have had it.
        if (flushError_) throw SystemError(flushError_, "cannot sync");
        if (reference_ && !Differs()) {
            // Equal so far: the same only when the reference ends here too.
            char more = 0;
            std::error_code ec;
            if (reference_->Read(&more, 1, ec) != 0 || ec) {
                differs_ = true;
                CatchUp();
                if (error_) throw SystemError(error_, "cannot write");
            }
        }
        if (!file_.IsOpen()) return;
        // A pipe or a terminal has no disk to bring the output to.
        std::error_code ec;
        const fs::Kind kind = file_.Info(ec).kind;
        if ((ec || kind == fs::Kind::Regular) && (ec = file_.Sync()))
            throw SystemError(ec, "cannot sync");
        if ((ec = file_.Close())) throw SystemError(ec, "cannot close");
    } catch (...) {
        Abandon();
        throw;
    }
}

void OutputFile::Abandon() {
    worker_.reset();  // waits for a write in hand
    flusher_.reset();
    file_.Close();
    used_ = 0;
}

}  // namespace tessavo
