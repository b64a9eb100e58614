#include "playback/shared_wake.h"

namespace kesto {

void SharedWake::start(std::int64_t nowMs, int periodMs) {
    period_ = periodMs;
    nextDue_ = nowMs + periodMs;
}

bool SharedWake::statusRunsAt(std::int64_t nowMs, int wakePeriodMs) {
    // Another wake comes nearer to the due time: leave it to that one.
    if (2 * (nextDue_ - nowMs) > wakePeriodMs)
        return false;
    nextDue_ += period_;
    // After a stall (a modal loop, a busy window) one tick catches up, not a
    // burst of them.
    if (nextDue_ <= nowMs)
        nextDue_ = nowMs + period_;
    return true;
}

} // namespace kesto
