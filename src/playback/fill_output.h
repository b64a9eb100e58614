#pragma once

// The output stream's fill callback and its helpers. FillOutput runs on the
// engine's feeder thread: it reads only the player's atomics, its own
// scratch buffers and the next file the UI thread prepared
// (next_entry_handoff.h), never the playlist or the window, and it never
// waits for the UI thread.

#include "playback/next_entry_handoff.h"

#include <cstddef>
#include <cstdint>

namespace kesto {

class Player;

// Fills `buffer` with up to `length` bytes and returns the count, with
// kStreamEnd when the output ends after this block. At the end of a file it
// switches to the prepared next file without a gap when the formats match,
// or leaves EndAction for the status tick.
std::uint32_t FillOutput(Player& player, void* buffer, std::uint32_t length);

// The playing MP3 has less than a second left: time to decide where its tail is cut.
bool NearTail(Player& player);
// Bytes of MainDecoder still to play before its quiet tail; stands
// MirrorDecoder where MainDecoder is and reads the rest of the file from it.
std::int64_t TailCut(Player& player);
// Skips the quiet lead-in of the file just switched to and records it in
// LeadSkip.
void SkipLead(Player& player);
// The prepared file has the output's rate, channel count and sample width.
bool SameFormat(Player& player, const PreparedNext& next);

// The analyses on plain interleaved 16-bit samples. `samples` holds the rest
// of a file; the tail is looked for in its last `window` samples. Returns
// the bytes to play, a multiple of 4.
std::int64_t tailCutBytes(const std::int16_t* samples, std::size_t count, std::size_t window);
// `samples` holds a file's first 0.2 s; returns the bytes to skip, a multiple of 4.
std::int64_t leadSkipBytes(const std::int16_t* samples, std::size_t count);

} // namespace kesto
