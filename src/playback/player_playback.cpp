#include "playback/player_playback.h"

#include "playback/output.h"
#include "player/player.h"

namespace kesto {

void PlayerPlayback::OpenEntry(int index) {
    kesto::OpenEntry(player_, index);
}

void PlayerPlayback::StopPlayback(bool releaseDevice) {
    kesto::StopPlayback(player_, releaseDevice);
}

bool PlayerPlayback::outputSwitched() const {
    return player_.feed.Switched;
}

bool PlayerPlayback::outputPaused() const {
    return outputState(player_) == ChannelState::Paused;
}

} // namespace kesto
