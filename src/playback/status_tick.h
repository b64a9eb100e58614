#pragma once

// The status tick: run by the window's status timer (every 10 ms for files
// of at most 9999 ms, else 33 ms) on the UI thread. It moves the seek bar
// and the time label, shows a stream's buffering state, and carries out what
// the fill callback left in EndAction.

namespace kesto {

class Player;

void StatusTick(Player& player);
// When the output stopped because the sound device failed or the server went
// away: stops playback the ordinary way (releasing the device, so the next
// play initialises it again), warns once, and returns true.
bool stopIfDeviceLost(Player& player);
// The output has reached the point where the callback switched files: the
// window follows to the new file.
void FollowSwitch(Player& player);
// The stream ended without a gapless switch: the next file starts the
// ordinary way, or playback stops when there is none.
void PlayNextAfterEnd(Player& player);

// Start or stop the status timer, and change its period; the window is told
// only of changes.
void setStatusRunning(Player& player, bool running);
void setStatusPeriod(Player& player, int periodMs);

} // namespace kesto
