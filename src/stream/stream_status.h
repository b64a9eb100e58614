#pragma once

// What the status tick shows while a stream plays: about every 3 s (the
// first 200 ms after the connection) the title from the stream's metadata
// goes into the caption and the tray hint, and the bit rate, sample rate
// and channels into the status bar. UI thread only.

#include <string>

namespace kesto {

// A stream ticks at the pace of a long file (33 ms), so the refresh is
// counted in those ticks.
constexpr int kStreamFirstRefreshTicks = 6;
constexpr int kStreamRefreshTicks = 90;

class Player;

void StreamStatusTick(Player& player);

// "128 Kbps 44100 Hz - Stereo".
std::string streamFormatText(const std::string& bitrate, int rate, bool stereo);
// The time label of a playing stream: its data rate in KB/s.
std::string streamRateText(int kbps);

} // namespace kesto
