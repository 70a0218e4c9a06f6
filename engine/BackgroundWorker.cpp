// SPDX-License-Identifier: GPL-3.0-or-later
// BackgroundWorker: one job at a time on a thread of its own.
#include "BackgroundWorker.h"

namespace tessavo {

BackgroundWorker::BackgroundWorker() : thread_(&BackgroundWorker::Loop, this) {}

BackgroundWorker::~BackgroundWorker() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void BackgroundWorker::Loop() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return job_ || stop_; });
        if (!job_) return;
        lock.unlock();
        job_();
        lock.lock();
        job_ = nullptr;
        changed_.notify_all();
    }
}

void BackgroundWorker::Run(std::function<void()> job) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !job_; });
    job_ = std::move(job);
    changed_.notify_all();
}

bool BackgroundWorker::RunIfIdle(std::function<void()> job) {
    std::unique_lock lock(mutex_);
    if (job_) return false;
    job_ = std::move(job);
    changed_.notify_all();
    return true;
}

void BackgroundWorker::Wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !job_; });
}

}  // namespace tessavo
