#include "playlist/playlist_queue.h"

#include "player/player.h"
#include "playlist/entry.h"
#include "playlist/list_view.h"

#include <algorithm>

namespace kesto {

void ToggleQueued(PlaylistState& state, std::string_view entry) {
    if (ClassifyEntry(entry) == EntryKind::Stream)
        return;
    std::vector<std::string>& queue = state.QueueList;
    if (std::find(queue.begin(), queue.end(), entry) != queue.end()) {
        std::erase(queue, entry);
        return;
    }
    if (entry != state.PlayingEntry)
        queue.emplace_back(entry);
}

void QueueSelected(Player& player) {
    const std::vector<std::string>& entries = player.playlist.PlaylistEntries;
    for (const int line : player.view.selectedLines())
        if (line >= 0 && static_cast<std::size_t>(line) < entries.size())
            ToggleQueued(player.playlist, entries[static_cast<std::size_t>(line)]);
    const int focused = player.view.focusedLine();
    if (focused < player.view.lineCount() - 1)
        SelectEntry(player, focused + 1);
    else
        player.view.repaintList();
}

} // namespace kesto
