#pragma once

// What the player tells about a file's format: the probes of a decoder and
// the short description in the status bar. Each takes a path and a decoder
// handle; with handle 0 it opens a decoder of the path for the question and
// frees it afterwards.

#include "playback/engine/audio_types.h"

#include <string>

namespace kesto {

class Player;

int ProbeRate(Player& player, const std::string& path, AudioHandle handle);
bool ProbeStereo(Player& player, const std::string& path, AudioHandle handle);
bool Probe16Bit(Player& player, const std::string& path, AudioHandle handle);
// Kilobits per second over the whole file: its size against its length.
int ProbeBitrate(Player& player, const std::string& path, AudioHandle handle);

// "44100 Hz 16 bit 立体声" for WAV, "128 Kbps 立体声" for MP3 and OGG, empty
// for anything else. `path` may be a playlist entry with a title.
std::string FormatDescription(Player& player, const std::string& path, AudioHandle handle);

} // namespace kesto
