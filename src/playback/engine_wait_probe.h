#pragma once

// Measures how long the UI thread spends in the engine calls that can wait
// for the feeder thread (pause, resume, stop, play and free of the output
// stream take the stream's control lock, which a running fill callback
// holds). Off unless a harness hands the player a stats object; then each
// such call costs two clock reads and two resource-usage reads. A slow call
// is told apart by what the thread did meanwhile: blocked (it gave up the
// processor: a wait), preempted (the scheduler took it away: no wait on
// us), or busy (its own work took the time).

#include <chrono>
#include <cstdint>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include <sys/resource.h>

namespace kesto {

struct EngineWaitStats {
    std::uint64_t calls = 0;
    std::chrono::nanoseconds total{0};
    std::chrono::nanoseconds worst{0};
    std::string worstCall;
    // Calls slower than this are counted in `slow`.
    std::chrono::nanoseconds slowLimit = std::chrono::milliseconds(1);
    std::uint64_t slow = 0;
    struct SlowCall {
        std::string call;
        std::chrono::nanoseconds took{0};
        std::chrono::nanoseconds cpu{0}; // the calling thread's own processor time
        long blocked = 0;                // times it gave up the processor
        long preempted = 0;              // times the scheduler took it away
    };
    // Every call slower than slowLimit.
    std::vector<SlowCall> slowCalls;
};

class EngineWaitProbe {
public:
    EngineWaitProbe(EngineWaitStats* stats, const char* call) : stats_(stats), call_(call) {
        if (!stats_)
            return;
        getrusage(RUSAGE_THREAD, &usage_);
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu_);
        start_ = std::chrono::steady_clock::now();
    }
    ~EngineWaitProbe() {
        if (!stats_)
            return;
        const auto took = std::chrono::steady_clock::now() - start_;
        ++stats_->calls;
        stats_->total += took;
        if (took > stats_->slowLimit) {
            ++stats_->slow;
            rusage usage{};
            getrusage(RUSAGE_THREAD, &usage);
            timespec cpu{};
            clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu);
            const auto ns = [](const timespec& t) {
                return std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec);
            };
            stats_->slowCalls.push_back({call_, took, ns(cpu) - ns(cpu_),
                                         usage.ru_nvcsw - usage_.ru_nvcsw,
                                         usage.ru_nivcsw - usage_.ru_nivcsw});
        }
        if (took > stats_->worst) {
            stats_->worst = took;
            stats_->worstCall = call_;
        }
    }
    EngineWaitProbe(const EngineWaitProbe&) = delete;
    EngineWaitProbe& operator=(const EngineWaitProbe&) = delete;

private:
    EngineWaitStats* stats_;
    const char* call_;
    std::chrono::steady_clock::time_point start_;
    rusage usage_{};
    timespec cpu_{};
};

} // namespace kesto
