#include "playlist/playlist_queue.h"

#include "player/player.h"
#include "playlist/entry.h"
#include "playlist/list_view.h"
#include "playlist/text_slots.h"

#include <algorithm>
#include <cstdint>

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

void toggleQueuedAll(PlaylistState& state, const std::vector<std::string_view>& entries) {
    // Toggling one entry after another searches and rewrites the queue each
    // time: a large selection would cost its square. So the toggles are
    // played on a table of marks, and the queue is rebuilt once. What the
    // sequence leaves is: the old copies of every entry that was never
    // unqueued, then each entry queued after its last unqueueing, in the
    // order it was queued.
    struct Mark {
        std::uint32_t lastUnqueue = 0; // the toggle that unqueued it last, + 1; 0: none
        bool queued = false;
    };
    std::vector<std::string>& queue = state.QueueList;
    TextSlots texts(queue.size() + entries.size());
    std::vector<Mark> marks;
    marks.reserve(queue.size() + entries.size());
    const auto markOf = [&](std::string_view text) -> std::uint32_t {
        const std::size_t n = texts.number(text);
        if (n == marks.size())
            marks.emplace_back();
        return static_cast<std::uint32_t>(n);
    };
    std::vector<std::uint32_t> queued(queue.size()); // the mark of each old copy
    for (std::size_t i = 0; i < queue.size(); ++i) {
        queued[i] = markOf(queue[i]);
        marks[queued[i]].queued = true;
    }

    struct Added {
        std::uint32_t mark;
        std::uint32_t step;
    };
    std::vector<Added> added;
    for (std::uint32_t step = 0; step < entries.size(); ++step) {
        const std::string_view entry = entries[step];
        if (ClassifyEntry(entry) == EntryKind::Stream)
            continue;
        const std::uint32_t n = markOf(entry);
        Mark& mark = marks[n];
        if (mark.queued) {
            mark = {step + 1, false};
        } else if (entry != state.PlayingEntry) {
            mark.queued = true;
            added.push_back({n, step});
        }
    }

    std::vector<std::string> rebuilt;
    rebuilt.reserve(queue.size() + added.size());
    for (std::size_t i = 0; i < queue.size(); ++i)
        if (marks[queued[i]].lastUnqueue == 0)
            rebuilt.push_back(std::move(queue[i]));
    // Each entry queued after its last unqueueing; at most one toggle of an
    // entry qualifies, since the toggle after a queueing unqueues.
    for (const Added& a : added)
        if (a.step + 1 > marks[a.mark].lastUnqueue)
            rebuilt.emplace_back(entries[a.step]);
    queue = std::move(rebuilt);
}

void QueueSelected(Player& player) {
    const std::vector<std::string>& entries = player.playlist.PlaylistEntries;
    std::vector<std::string_view> selected;
    for (const int line : player.view.selectedLines())
        if (line >= 0 && static_cast<std::size_t>(line) < entries.size())
            selected.emplace_back(entries[static_cast<std::size_t>(line)]);
    toggleQueuedAll(player.playlist, selected);
    const int focused = player.view.focusedLine();
    if (focused < player.view.lineCount() - 1)
        SelectEntry(player, focused + 1);
    else
        player.view.repaintList();
}

} // namespace kesto
