#pragma once

// The UI thread's half of the next-file hand-off (next_entry_handoff.h):
// deciding the next file ahead of time, keeping that decision fresh, and
// taking back what the fill callback is done with.

namespace kesto {

class Player;

// Makes sure a decision for the file after the current one is published:
// does nothing while the one published still holds, works it out afresh
// (testing and opening files) when it went stale or is missing. Cheap when
// nothing changed, so the status tick calls it on every tick. Nothing is
// prepared while no file plays, or while the output has switched and the
// window has not followed yet: the next file then depends on that follow.
void prepareNext(Player& player);
// The play mode, the queue or the playlist may have changed; the window
// calls this after list edits so the decision is fresh before the next tick.
void playOrderChanged(Player& player);
// Frees the published decision, if the callback has not taken it.
void discardPrepared(Player& player);
// Takes back everything the callback handed back: a file it switched to has
// its play-order changes applied and waits in Player::switchedTo for the
// window to follow; anything it did not use is freed.
void collectHandedBack(Player& player);

} // namespace kesto
