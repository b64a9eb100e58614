#pragma once

// The options of one library (SetConfig), shared with its feeder threads,
// which read them live.

#include <atomic>

namespace kesto {

struct LibrarySettings {
    std::atomic<int> bufferMs{500};
    std::atomic<int> updatePeriodMs{100};
    std::atomic<int> maxVolume{1000};
};

} // namespace kesto
