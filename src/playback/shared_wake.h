#pragma once

// The status tick and the level tick both run on the UI thread. While both
// run, waking the thread separately for each costs more than either tick:
// on a desktop that is 80 wake-ups a second where 50 will do. The status
// tick then rides on the level wake nearest to the moment it is due. It
// keeps its own rate (its due times advance by its period, not from when it
// ran), so over any second it runs as often as its own timer would, each
// time within half a level period of when it was due.

#include <cstdint>

namespace kesto {

class SharedWake {
public:
    // The status tick is next due one period from now.
    void start(std::int64_t nowMs, int periodMs);
    // A level wake at nowMs, the next one expected wakePeriodMs later: true
    // when the status tick runs now.
    bool statusRunsAt(std::int64_t nowMs, int wakePeriodMs);

private:
    std::int64_t nextDue_ = 0;
    int period_ = 0;
};

} // namespace kesto
