#pragma once

// Frees stopped output streams on a thread of its own. Freeing a stream
// joins its feeder and device threads; on a busy machine each join can wait
// for a scheduler slice, and the UI thread should not. The UI thread stops
// the stream first (which waits only for a fill callback that is running),
// so nothing calls back into the player once the stream is handed over.

#include "playback/engine/audio_types.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace kesto {

class AudioLibrary;

class OutputRetirer {
public:
    explicit OutputRetirer(AudioLibrary& audio) : audio_(audio) {}
    // Frees what is still waiting, then ends the thread.
    ~OutputRetirer();
    OutputRetirer(const OutputRetirer&) = delete;
    OutputRetirer& operator=(const OutputRetirer&) = delete;

    // Takes a stopped output stream to free; the thread starts on first use.
    void retire(AudioHandle stoppedOutput);
    // Returns once everything handed over has been freed.
    void drain();

private:
    void run();

    AudioLibrary& audio_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    // Guarded by mutex_:
    std::deque<AudioHandle> queue_;
    bool freeing_ = false;
    bool quit_ = false;
    std::thread thread_; // started under mutex_, joined by the destructor
};

} // namespace kesto
