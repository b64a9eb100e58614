#pragma once

// The threads that run output streams' feeder loops, parked between streams.
//
// Every Play of a new stream used to start a thread, and on the UI thread:
// in some kernels (virtual machines especially) creating a thread now and
// then costs 3 ms, longer than the UI may wait. A finished feeder loop gives
// its thread back here instead, and the next stream takes it.
//
// A stream waits for its job rather than joining a thread; a fill callback
// that frees its own stream runs on that job's thread and cannot wait for
// it, so it just lets the job finish when the callback returns.

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace kesto {

class FeederJob {
public:
    // Returns once the work has returned. Never call it from the job's own
    // thread (runsHere() tells).
    void wait();
    bool runsHere() const;
    bool finished() const;

private:
    friend class FeederThreads;
    void begin(std::thread::id thread);
    void finish();

    mutable std::mutex mutex_;
    std::condition_variable done_;
    std::thread::id thread_; // guarded by mutex_
    bool finished_ = false;  // guarded by mutex_
};

class FeederThreads {
public:
    FeederThreads() = default;
    // Parked threads end and are joined. A job still running (a callback
    // destroying the library that owns it) keeps its thread, which then ends
    // on its own.
    ~FeederThreads();
    FeederThreads(const FeederThreads&) = delete;
    FeederThreads& operator=(const FeederThreads&) = delete;

    // Runs `work` on a parked thread, or on a new one when none is free.
    // `work` is destroyed on that thread before the job counts as finished.
    std::shared_ptr<FeederJob> run(std::function<void()> work);

    // Threads started so far (parked or busy), for tests and harnesses.
    std::size_t threadCount() const;

private:
    struct Worker {
        std::thread thread;
        std::function<void()> work;
        std::shared_ptr<FeederJob> job;
    };
    // Shared with every thread, so a thread still inside its job when the
    // pool goes (a callback destroying its own library) finds it alive.
    struct State {
        std::mutex mutex;
        std::condition_variable wake;
        // Guarded by mutex:
        std::vector<std::shared_ptr<Worker>> workers;
        std::vector<Worker*> parked;
        bool quit = false;
    };
    static void loop(const std::shared_ptr<State>& state, Worker& worker);

    const std::shared_ptr<State> state_ = std::make_shared<State>();
};

} // namespace kesto
