#pragma once

// The last error of each thread that calls one library. Per thread, because
// the feeder calls the library from inside the fill callback while the UI
// thread does too, and neither should see the other's failures. A fixed
// table: no allocation on the audio path; the least recently set slot makes
// room for a new thread.

#include "playback/engine/audio_types.h"

#include <array>
#include <cstdint>
#include <mutex>
#include <thread>

namespace kesto {

class ErrorRegistry {
public:
    void set(AudioError error);
    AudioError get() const;

private:
    struct Slot {
        std::thread::id thread;
        AudioError error = AudioError::Ok;
        std::uint64_t stamp = 0;
    };
    mutable std::mutex mutex_;
    std::array<Slot, 32> slots_{}; // guarded by mutex_
    std::uint64_t clock_ = 0;      // guarded by mutex_
};

} // namespace kesto
