#pragma once

// The player's volume: 0..1000 in tenths of a percent, heard through a
// quadratic curve, with a soft mute that the Pause key toggles.

#include <string>

namespace kesto {

class Player;

// 0..1000 onto the output's 0..1000 gain: quadratic, so 500 gives 250; the
// first ten steps give 0 or 1.
int VolumeCurve(int value);

// Stores the clamped volume, applies it to the output and shows it. Any
// change of value ends a pending soft mute.
void SetVolume(Player& player, int value);

// Mutes down to SoftmutePercent of the volume, or restores it.
void ToggleSoftMute(Player& player);

// Unmutes the default PulseAudio sink and sets it to 100 %, then sets the
// player's volume to 1000. Tells the user first.
void ResetMixer(Player& player);

// The sink part of ResetMixer; false when the server could not be reached or
// refused. Best effort: the player goes on either way.
bool resetDefaultSink(const std::string& server, int timeoutMs);

} // namespace kesto
