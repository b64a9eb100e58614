#pragma once

// What the UI thread and the fill callback on the engine's feeder thread
// share, and nothing else: the callback touches no other part of the player.
//
// Write rule: the UI thread writes these only while no callback can run (the
// output is stopped or freed, and Stop and Free wait for a running callback),
// except EndAction and SwitchPoint, which the status tick resets after
// reading them. Every field is an atomic, as a plain shared field would be a
// data race; analysisScratch alone is the feeder's own.

#include "playback/engine/audio_types.h"
#include "playback/next_entry_handoff.h"

#include <atomic>
#include <cstdint>
#include <vector>

namespace kesto {

// What the callback asks the status tick to do when a file's stream ends.
// The numbers are those the status texts and logs have always shown.
enum class EndAction : int {
    None = 0,
    FollowSwitch = 1, // the output moved on to the prepared file: follow it
    PlayNext = 2,     // start the next file the ordinary way once the output drains
    Stop = 3,         // stop once the output drains
};

struct FeederShared {
    std::atomic<AudioHandle> OutputStream{0};    // the callback-fed output; 0 = nothing loaded
    std::atomic<AudioHandle> MainDecoder{0};     // the file (or URL stream) being played
    std::atomic<AudioHandle> MirrorDecoder{0};   // the same file, for look-ahead near its end
    std::atomic<int> OpeningIndex{-1};           // index opened; at a switch, the one switched to
    std::atomic<std::int64_t> TailRemaining{-1}; // bytes left before an MP3's tail is cut; -1 none
    std::atomic<std::int64_t> BytesDelivered{0}; // handed to the output since the last open or seek
    std::atomic<std::int64_t> SwitchPoint{-1};   // BytesDelivered where the switched-to file starts
    std::atomic<std::int64_t> LeadSkip{0};       // bytes skipped at the switched-to file's start
    std::atomic<bool> Switched{false};           // the output moved on; the UI has not followed
    std::atomic<kesto::EndAction> EndAction{kesto::EndAction::None};
    std::atomic<bool> MainCutsTail{false};    // MainDecoder is an MP3 whose quiet tail is cut
    std::atomic<std::uint64_t> FileSerial{0}; // bumped at every open, stop and switch
    NextEntryHandoff nextEntry;               // the next file, prepared by the UI thread
    // Feeder thread only (sized by the UI thread before the output starts).
    std::vector<std::int16_t> analysisScratch; // tail and lead-in analysis
};

} // namespace kesto
