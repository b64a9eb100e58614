#pragma once

// The playback the playlist code reaches through PlaybackControl: a thin
// forwarder to the transport's free functions over the player.

#include "player/playback_control.h"

namespace kesto {

class Player;

class PlayerPlayback final : public PlaybackControl {
public:
    explicit PlayerPlayback(Player& player) : player_(player) {}

    void OpenEntry(int index) override;
    void StopPlayback(bool releaseDevice) override;
    bool outputSwitched() const override;
    bool outputPaused() const override;

private:
    Player& player_;
};

} // namespace kesto
