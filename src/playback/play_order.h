#pragma once

// The play order: which entry plays after (or before) the current one, from
// the play mode, the queue and two short histories. Everything here runs on
// the UI thread; the fill callback only ever sees the result, prepared in
// advance (next_entry.h).

#include "playback/next_entry_handoff.h"
#include "player/modes.h"

#include <optional>
#include <string>
#include <vector>

namespace kesto {

class Player;

// A text already in the ring changes nothing; otherwise it becomes slot 0
// and the oldest text drops out.
void pushRecent(RecentRing& ring, const std::string& text);
// Slot 1, when the playlist still holds it; the ring then steps back one
// place. Otherwise nothing, and the ring stays as it is.
std::optional<std::string> popRecent(RecentRing& ring, const std::vector<std::string>& entries);

// A choice of the play order and the changes to the play-order state it
// implies, not yet applied.
struct NextChoice {
    int index = -1;
    std::vector<PlayOrderStep> steps;
    std::vector<std::string> queueWalked; // queued texts looked at, head first
};

// Works out what NextIndex would answer without changing any state. Tests
// candidate files (file I/O) and may initialise the output device.
NextChoice chooseNext(Player& player, bool previous);
void applyPlayOrderSteps(Player& player, const std::vector<PlayOrderStep>& steps);

// The next (or previous) playable entry, or -1; applies what choosing implies.
int NextIndex(Player& player, bool previous);
// A random entry that is not in the shuffle history; when every entry is,
// the history is cleared and any entry may come. -1 for an empty playlist.
int ShufflePick(Player& player);

// The play-mode panel's text for a mode.
std::string playModePanelText(PlayMode mode);
// Checks the mode's command, shows its panel text, and empties the queue and
// the shuffle history: a new mode starts afresh.
void ApplyPlayMode(Player& player);
void setPlayMode(Player& player, PlayMode mode);
// The status-bar click: one mode on, or back with `backwards` (wrapping).
void stepPlayMode(Player& player, bool backwards);
// Empties the queue and the shuffle history (and refreshes the list) when
// either holds anything.
void clearShuffleHistory(Player& player);

} // namespace kesto
