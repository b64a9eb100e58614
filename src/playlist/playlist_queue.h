#pragma once

// The queue: entry texts that play before the play order's own choice.

#include <string_view>
#include <vector>

namespace kesto {

class Player;
struct PlaylistState;

// Queues `entry`, or unqueues every copy of it when it is queued already.
// Streams and the playing entry are never queued.
void ToggleQueued(PlaylistState& state, std::string_view entry);

// ToggleQueued for each entry in order, with the same result, in one pass
// over the queue however many entries there are.
void toggleQueuedAll(PlaylistState& state, const std::vector<std::string_view>& entries);

// The queue command: toggles every selected line in index order, then moves
// the selection one line down (or only repaints on the last line).
void QueueSelected(Player& player);

} // namespace kesto
