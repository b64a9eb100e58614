#pragma once

// Short-lived worker threads of the internet-radio code (connecting,
// fetching a playlist or a station's name). Each gets a token it polls for
// a stop request; the owner reaps finished threads as it starts new ones
// and, when it goes, asks every thread to stop and waits for them, so no
// thread outlives the player whose engine it calls.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace kesto {

// Shared by one worker and the thread that started it.
class WorkerToken {
public:
    void requestStop();
    bool stopRequested() const { return stop_.load(); }
    // For calls that watch a flag themselves (a download).
    const std::atomic<bool>& stopFlag() const { return stop_; }
    // Sleeps for `wait` or until a stop is requested; true when one was.
    bool waitStop(std::chrono::milliseconds wait);
    bool finished() const { return finished_.load(); }

private:
    friend class WorkerThreads;
    std::atomic<bool> stop_{false};
    std::atomic<bool> finished_{false};
    std::mutex mutex_;
    std::condition_variable wake_;
};

class WorkerThreads {
public:
    WorkerThreads() = default;
    ~WorkerThreads() { stopAll(); }
    WorkerThreads(const WorkerThreads&) = delete;
    WorkerThreads& operator=(const WorkerThreads&) = delete;

    // Starts `body` on a thread of its own at once.
    std::shared_ptr<WorkerToken>
    start(std::function<void(const std::shared_ptr<WorkerToken>&)> body);
    // Asks every running worker to stop, without waiting.
    void requestStopAll();
    // Asks every worker to stop and waits for all of them.
    void stopAll();
    // Workers still running (for tests and the shutdown).
    std::size_t running();

private:
    struct Worker {
        std::shared_ptr<WorkerToken> token;
        std::thread thread;
    };
    void reap();

    std::mutex mutex_; // guards workers_; never held while joining
    std::vector<Worker> workers_;
};

} // namespace kesto
