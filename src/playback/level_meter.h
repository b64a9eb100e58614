#pragma once

// The stereo LED level meter: peaks of the samples being heard, held and
// decayed one LED every second tick, run by the window's 20 ms level timer.

#include "player/modes.h"

#include <cstdint>
#include <span>

namespace kesto {

class Player;

// LEDs lit for a peak amplitude (0..32768) on the 7-LED meter or the
// 14-LED meter (which always lights at least one).
int ledsLit(VUStyle style, int level);
// The level one LED lower: the threshold of the row below the highest one
// the level reaches; 0 from the lowest row.
int stepDown(VUStyle style, int level);
// Peak magnitudes of the even and odd samples of an interleaved block; a
// mono block gives the larger of the two for both.
struct Peaks {
    int left = 0;
    int right = 0;
};
Peaks blockPeaks(std::span<const std::int16_t> samples, bool mono);

// One tick. False when the timer should rest: a stop was asked for and both
// meters have decayed to nothing (the window's timer is stopped then too).
bool LevelTick(Player& player);
// Runs the level timer (again).
void LevelStart(Player& player);
// Asks the level timer to rest once the meters are dark.
void LevelStop(Player& player);
// The meters were out of sight while their ticks waited: what they held no
// longer stands, and the next tick shows the sound as it is.
void levelForget(Player& player);

} // namespace kesto
