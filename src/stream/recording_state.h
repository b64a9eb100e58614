#pragma once

// The recorder's part of the player context. The UI thread owns all of it;
// the recorder inside hands blocks from the audio thread to its writer
// thread by the rules in recorder.h.

#include "playback/engine/audio_types.h"
#include "stream/recorder.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kesto {

struct RecordingState {
    Recorder recorder;
    // The installed hook and the output it is on; 0 = none.
    AudioHandle dsp = 0;
    AudioHandle dspOutput = 0;
    // The user has started recording (and not yet finished).
    bool recording = false;
    // Set while FinishRecording or the tick's stop asks its questions, so
    // that a tick or a command arriving meanwhile does not start another.
    bool finishing = false;
    // The pre-record length; -1 until read (Recording/CachingTime, then
    // General/RecordSecAhead at every record command).
    int cacheSeconds = -1;
    // The last capture session's folder, format and files, for the save.
    std::string folder;
    WavFormat format;
    std::vector<int> files;

    // Seams for tests: the free-space probe (unset: statvfs) and the most
    // data a recording may hold (a WAV file's 32-bit limit).
    std::function<std::optional<std::uint64_t>(const std::string&)> freeSpace;
    std::uint64_t dataLimit = kWavDataLimit;
};

} // namespace kesto
