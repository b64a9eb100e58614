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
    std::vector<std::shared_ptr<Worker>> workers;
    {
        std::lock_guard lock(state_->mutex);
        state_->quit = true;
        workers.swap(state_->workers);
    }
    state_->wake.notify_all();
    for (auto& worker : workers) {
        if (worker->thread.get_id() == std::this_thread::get_id())
            worker->thread.detach(); // still inside its job; ends once that returns
        else
            worker->thread.join();
    }
}

std::shared_ptr<FeederJob> FeederThreads::run(std::function<void()> work) {
    auto job = std::make_shared<FeederJob>();
    State& s = *state_;
    std::unique_lock lock(s.mutex);
    if (!s.parked.empty()) {
        Worker* worker = s.parked.back();
        s.parked.pop_back();
        worker->work = std::move(work);
        worker->job = job;
        lock.unlock();
        s.wake.notify_all();
        return job;
    }
    auto worker = std::make_shared<Worker>();
    worker->work = std::move(work);
    worker->job = job;
    s.workers.push_back(worker);
    worker->thread = std::thread([state = state_, worker] { loop(state, *worker); });
    return job;
}

std::size_t FeederThreads::threadCount() const {
    std::lock_guard lock(state_->mutex);
    return state_->workers.size();
}

void FeederThreads::loop(const std::shared_ptr<State>& state, Worker& worker) {
    State& s = *state;
    std::unique_lock lock(s.mutex);
    for (;;) {
        s.wake.wait(lock, [&] { return s.quit || worker.work; });
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
        if (!s.quit)
            s.parked.push_back(&worker);
        lock.unlock();
        job->finish();
        job.reset();
        lock.lock();
    }
}

} // namespace kesto
