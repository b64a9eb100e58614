#pragma once

// Feeder threads that cannot be joined where they end: a fill callback that
// frees its own output stream is running on the very thread to be joined.
// Such a thread is handed over here and joined later by the library, from a
// thread that is not itself.

#include <mutex>
#include <thread>
#include <vector>

namespace kesto {

class ThreadReaper {
public:
    ~ThreadReaper();
    void adopt(std::thread thread);
    // Joins every adopted thread except the caller's own.
    void joinAll();

private:
    std::mutex mutex_;
    std::vector<std::thread> threads_; // guarded by mutex_
};

} // namespace kesto
