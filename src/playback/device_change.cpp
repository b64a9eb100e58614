#include "playback/device_change.h"

#include "playback/output.h"
#include "player/player.h"

namespace kesto {

void ChangeOutputDevice(Player& player, int device) {
    const ChannelState state = outputState(player);
    const std::int64_t position = FilePosition(player);
    player.settings.writeInt("General", "Device", device);
    StopPlayback(player, true);
    player.audio.Free();
    InitOutput(player);
    StopPlayback(player, true);
    if (state == ChannelState::Stopped)
        return;
    if (state == ChannelState::Paused)
        openEntryHeld(player, player.playlist.CurrentIndex);
    else
        OpenEntry(player, player.playlist.CurrentIndex, false, false);
    SeekTo(player, position);
}

} // namespace kesto
