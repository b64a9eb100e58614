#pragma once

// The few texts of the preferences window that are computed: the output
// level in decibels, the buffer note, and the hint texts.

#include <string>

namespace kesto {

// The level heard at `volume` (0..1000 through the volume curve): "-oo dB"
// when silent, "0,0 dB" at full volume, "-6.2 dB" with the locale's decimal
// separator otherwise. A whole number keeps the old ",0" spelling.
std::string levelText(int volume, char decimalPoint);
// The raw volume after a mixer reset, to two decimals without trailing zeros:
// "0 dB" at full volume.
std::string rawLevelText(int volume, char decimalPoint);
// The output's buffer for what is loaded now: longer for a stream.
std::string bufferLengthText(bool stream);

} // namespace kesto
