#include "stream/worker_threads.h"

#include <algorithm>

namespace kesto {

void WorkerToken::requestStop() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
}

bool WorkerToken::waitStop(std::chrono::milliseconds wait) {
    std::unique_lock lock(mutex_);
    return wake_.wait_for(lock, wait, [this] { return stop_.load(); });
}

std::shared_ptr<WorkerToken>
WorkerThreads::start(std::function<void(const std::shared_ptr<WorkerToken>&)> body) {
    reap();
    auto token = std::make_shared<WorkerToken>();
    std::thread thread([token, body = std::move(body)] {
        body(token);
        token->finished_ = true;
    });
    std::lock_guard lock(mutex_);
    workers_.push_back({token, std::move(thread)});
    return token;
}

void WorkerThreads::requestStopAll() {
    std::lock_guard lock(mutex_);
    for (Worker& worker : workers_)
        worker.token->requestStop();
}

void WorkerThreads::stopAll() {
    std::vector<Worker> all;
    {
        std::lock_guard lock(mutex_);
        all.swap(workers_);
    }
    for (Worker& worker : all)
        worker.token->requestStop();
    for (Worker& worker : all)
        worker.thread.join();
}

std::size_t WorkerThreads::running() {
    reap();
    std::lock_guard lock(mutex_);
    return workers_.size();
}

void WorkerThreads::reap() {
    std::vector<Worker> done;
    {
        std::lock_guard lock(mutex_);
        const auto split = std::stable_partition(
            workers_.begin(), workers_.end(), [](const Worker& w) { return !w.token->finished(); });
        std::move(split, workers_.end(), std::back_inserter(done));
        workers_.erase(split, workers_.end());
    }
    // Each has left its body already; joining only collects the thread.
    for (Worker& worker : done)
        worker.thread.join();
}

} // namespace kesto
