#pragma once

// Measures how long the UI thread spends in the engine calls that can wait
// for the feeder thread (pause, resume, stop, play and free of the output
// stream take the stream's control lock, which a running fill callback
// holds). Off unless a harness hands the player a stats object; then each
// such call costs two clock reads.

#include <chrono>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace kesto {

struct EngineWaitStats {
    std::uint64_t calls = 0;
    std::chrono::nanoseconds total{0};
    std::chrono::nanoseconds worst{0};
    std::string worstCall;
    // Calls slower than this are counted in `slow`.
    std::chrono::nanoseconds slowLimit = std::chrono::milliseconds(1);
    std::uint64_t slow = 0;
    // Every call slower than slowLimit, by name.
    std::vector<std::pair<std::string, std::chrono::nanoseconds>> slowCalls;
};

class EngineWaitProbe {
public:
    EngineWaitProbe(EngineWaitStats* stats, const char* call) : stats_(stats), call_(call) {
        if (stats_)
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
            stats_->slowCalls.emplace_back(call_, took);
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
};

} // namespace kesto
