#pragma once

// What the status tick shows while a stream plays: every 300th tick (the
// first on the 20th) the title from the stream's metadata goes into the
// caption and the tray hint, and the bit rate, sample rate and channels into
// the status bar. UI thread only.

#include <string>

namespace kesto {

class Player;

void StreamStatusTick(Player& player);

// "128 Kbps 44100 Hz - Stereo".
std::string streamFormatText(const std::string& bitrate, int rate, bool stereo);
// The time label of a playing stream: its data rate in KB/s.
std::string streamRateText(int kbps);

} // namespace kesto
