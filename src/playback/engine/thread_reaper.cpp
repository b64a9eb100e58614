#include "playback/engine/thread_reaper.h"

namespace kesto {

ThreadReaper::~ThreadReaper() {
    joinAll();
    // Only a thread destroying its own library is left: it ends on its own.
    for (auto& t : threads_)
        t.detach();
}

void ThreadReaper::adopt(std::thread thread) {
    std::lock_guard lock(mutex_);
    threads_.push_back(std::move(thread));
}

void ThreadReaper::joinAll() {
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(mutex_);
        threads.swap(threads_);
    }
    for (auto& t : threads) {
        if (t.get_id() == std::this_thread::get_id()) {
            adopt(std::move(t)); // still inside its own callback: join it next time
            continue;
        }
        t.join();
    }
}

} // namespace kesto
