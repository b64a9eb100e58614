#pragma once

// The output and its decoders: one playlist entry at a time, decoded by two
// decode-only decoders of the file and played through the player's own
// callback-fed output stream. Everything here runs on the UI thread.

#include "playback/engine/audio_types.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace kesto {

class Player;

// TestEntry's answers, numbered as the engine's error codes they come from.
enum class EntryTest : int {
    Playable = 0,
    NotFound = 1,
    BadFormat = 2,
    BadRate = 4,
    NotAudio = 5,
    BadSampleFormat = 6,
    CannotOpen = 7,
    NoOutput = 8,
    // The sound device cannot be opened: no entry can play, and InitOutput
    // has already said why.
    NoDevice = 9,
    Unknown = 10,
};

// Initialises the sound device once; warns when it cannot. True when ready.
bool InitOutput(Player& player);
// Whether an entry can be played. Streams and playlist files pass without a
// look; without a sound device nothing does.
EntryTest TestEntry(Player& player, const std::string& entry);
// The warning shown for an entry that is not playable, before its text.
std::string entryWarning(EntryTest result);

// Stops what plays and starts the entry. `keepThreads` leaves the status and
// level timers as they are; `connected` is true only when a URL connection
// has just completed and MainDecoder holds it. An entry that cannot be
// played is refused with a warning and what was playing goes on.
void OpenEntry(Player& player, int index, bool keepThreads = false, bool connected = false);
// OpenEntry, with the new output held paused at its start: nothing of it is
// decoded or heard before it resumes. The caller shows the pause.
void openEntryHeld(Player& player, int index);
// Opens the decoders of OpeningIndex and makes it the playing entry.
void OpenDecoders(Player& player);
// Updates the window after a start.
void AfterStart(Player& player, bool keepThreads);
// Frees the output and the decoders; `releaseDevice` closes the sound device too.
void StopPlayback(Player& player, bool releaseDevice);
// Seeks to a byte position of the file, never into its last second, keeping
// the playing or paused state.
void SeekTo(Player& player, std::int64_t bytes);

// The position in the file being heard, in bytes; 0 with no output.
std::int64_t FilePosition(Player& player);
// Conversions in the output's format; 0 with no output.
int BytesToMs(Player& player, std::int64_t bytes);
std::int64_t MsToBytes(Player& player, std::int64_t ms);

// The output's state; Stopped with no output.
ChannelState outputState(Player& player);

// The path ends in ".mp3", in any case.
bool isMp3Path(std::string_view path);
// Whether the file at `path`, with its decoder's `info`, has its quiet tail
// cut at its end (and so never joins the next file without a gap): an MP3
// that does not record its encoder padding, or any MP3 with
// Tweak/gapless_mp3 set to 0.
bool tailIsCut(Player& player, std::string_view path, const ChannelInfo& info);

// Puts a cleaned title into the caption ("title - Kesto") and the hint into
// the tray icon, each only when it changed.
void SetTitleCaption(Player& player, const std::string& title, const std::string& hint);

} // namespace kesto
