#pragma once

// The options of one library (SetConfig), shared with its feeder threads,
// which read them live.

#include <atomic>
#include <cstdint>

namespace kesto {

// How long callers outside the feeder threads waited for a stream's control
// lock, which a running fill callback holds: the one place where the UI
// thread can wait for a feeder.
struct ControlLockWaits {
    std::atomic<std::uint64_t> acquisitions{0};
    std::atomic<std::uint64_t> waited{0}; // found the lock taken
    std::atomic<std::uint64_t> overOneMs{0};
    std::atomic<std::int64_t> worstNs{0};
};

struct LibrarySettings {
    std::atomic<int> bufferMs{500};
    std::atomic<int> updatePeriodMs{100};
    std::atomic<int> maxVolume{1000};
    ControlLockWaits controlWaits;
};

} // namespace kesto
