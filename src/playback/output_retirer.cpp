#include "playback/output_retirer.h"

#include "playback/engine/audio_library.h"

namespace kesto {

OutputRetirer::~OutputRetirer() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable())
        thread_.join();
}

void OutputRetirer::retire(AudioHandle stoppedOutput) {
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(stoppedOutput);
        if (!thread_.joinable())
            thread_ = std::thread([this] { run(); });
    }
    wake_.notify_one();
}

void OutputRetirer::drain() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [&] { return queue_.empty() && !freeing_; });
}

void OutputRetirer::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return quit_ || !queue_.empty(); });
        if (queue_.empty()) // quitting with nothing left
            return;
        const AudioHandle output = queue_.front();
        queue_.pop_front();
        freeing_ = true;
        lock.unlock();
        audio_.StreamFree(output);
        lock.lock();
        freeing_ = false;
        if (queue_.empty())
            idle_.notify_all();
    }
}

} // namespace kesto
