#pragma once

// A PlaybackControl that records what the playlist code asks of playback.

#include "player/playback_control.h"

#include <string>
#include <vector>

namespace kesto::test {

class FakePlayback : public PlaybackControl {
public:
    // Calls in order: "OpenEntry 3", "StopPlayback true", ...
    std::vector<std::string> calls;
    // outputSwitched() answers true this many times, then false (it counts down
    // inside a const query, hence mutable).
    mutable int switchedPolls = 0;
    bool paused = false;

    void OpenEntry(int index) override { calls.push_back("OpenEntry " + std::to_string(index)); }
    void StopPlayback(bool releaseDevice) override {
        calls.push_back(std::string("StopPlayback ") + (releaseDevice ? "true" : "false"));
        paused = false;
    }
    bool outputSwitched() const override {
        if (switchedPolls <= 0)
            return false;
        --switchedPolls;
        return true;
    }
    bool outputPaused() const override { return paused; }
};

} // namespace kesto::test
