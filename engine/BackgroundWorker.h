// SPDX-License-Identifier: GPL-3.0-or-later
// BackgroundWorker: a thread that runs one job at a time beside its caller.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
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
    // Starts `job` and answers true when no job is in hand; answers false at once, and
    // drops `job`, when one is.
    bool RunIfIdle(std::function<void()> job);
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

}  // namespace tessavo
