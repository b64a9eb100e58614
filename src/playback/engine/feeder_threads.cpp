#include "playback/engine/feeder_threads.h"

#include <algorithm>

namespace kesto {

void FeederJob::begin(std::thread::id thread) {
    std::lock_guard lock(mutex_);
    thread_ = thread;
}

void FeederJob::finish() {
    {
        std::lock_guard lock(mutex_);
        finished_ = true;
    }
    done_.notify_all();
}

void FeederJob::wait() {
    std::unique_lock lock(mutex_);
    done_.wait(lock, [&] { return finished_; });
}

bool FeederJob::runsHere() const {
    std::lock_guard lock(mutex_);
    return !finished_ && thread_ == std::this_thread::get_id();
}

bool FeederJob::finished() const {
    std::lock_guard lock(mutex_);
    return finished_;
}

FeederThreads::~FeederThreads() {
    std::vector<std::unique_ptr<Worker>> workers;
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
        workers.swap(workers_);
    }
    wake_.notify_all();
    for (auto& worker : workers) {
        if (worker->thread.get_id() == std::this_thread::get_id()) {
            // Destroying the library from its own callback: this thread is
            // still inside its job and ends once that returns.
            worker->thread.detach();
            worker.release(); // its loop still uses the Worker; a leak of one, at exit
            continue;
        }
        worker->thread.join();
    }
}

std::shared_ptr<FeederJob> FeederThreads::run(std::function<void()> work) {
    auto job = std::make_shared<FeederJob>();
    std::unique_lock lock(mutex_);
    if (!parked_.empty()) {
        Worker* worker = parked_.back();
        parked_.pop_back();
        worker->work = std::move(work);
        worker->job = job;
        lock.unlock();
        wake_.notify_all();
        return job;
    }
    auto worker = std::make_unique<Worker>();
    worker->work = std::move(work);
    worker->job = job;
    Worker& w = *worker;
    workers_.push_back(std::move(worker));
    w.thread = std::thread([this, &w] { loop(w); });
    return job;
}

std::size_t FeederThreads::threadCount() const {
    std::lock_guard lock(mutex_);
    return workers_.size();
}

void FeederThreads::loop(Worker& worker) {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return quit_ || worker.work; });
        if (!worker.work)
            return; // quit while parked
        std::function<void()> work = std::move(worker.work);
        worker.work = nullptr;
        std::shared_ptr<FeederJob> job = std::move(worker.job);
        job->begin(std::this_thread::get_id());
        lock.unlock();
        work();
        // What the work holds (its stream, say) goes before anyone is told
        // the job is over, and the thread is parked before that too: a
        // stream started right after the wait takes this thread.
        work = nullptr;
        lock.lock();
        if (!quit_)
            parked_.push_back(&worker);
        lock.unlock();
        job->finish();
        job.reset();
        lock.lock();
    }
}

} // namespace kesto
