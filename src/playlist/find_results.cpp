#include "playlist/find_results.h"

#include "controls/fast_strings.h"
#include "player/player.h"
#include "playlist/display_text.h"
#include "playlist/entry.h"
#include "playlist/list_view.h"
#include "playlist/playlist_queue.h"

#include <algorithm>

namespace kesto {

namespace {

bool validEntry(const Player& player, int index) {
    return index >= 0 && static_cast<std::size_t>(index) < player.playlist.PlaylistEntries.size();
}

// Current line := `index`, scrolled to and made the only selection.
void markEntry(Player& player, int index) {
    player.playlist.CurrentIndex = index;
    ScrollToCurrent(player);
    SelectEntry(player, index);
}

} // namespace

std::vector<int> FilterResults(const std::vector<std::string>& entries, std::string_view text) {
    std::vector<int> map;
    if (text.empty()) {
        map.reserve(entries.size());
        for (std::size_t i = 0; i < entries.size(); ++i)
            map.push_back(static_cast<int>(i));
        return map;
    }
    const TextFinder finder(text, false);
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (finder.contains(entries[i]))
            map.push_back(static_cast<int>(i));
    return map;
}

bool textNarrows(std::string_view previous, std::string_view text) {
    return !previous.empty() &&
           asciiLowerCopy(text).find(asciiLowerCopy(previous)) != std::string::npos;
}

std::vector<int> refineResults(const std::vector<std::string>& entries,
                               const std::vector<int>& previous, std::string_view text) {
    if (text.empty())
        return FilterResults(entries, text);
    const TextFinder finder(text, false);
    std::vector<int> map;
    for (const int index : previous)
        if (index >= 0 && static_cast<std::size_t>(index) < entries.size() &&
            finder.contains(entries[static_cast<std::size_t>(index)]))
            map.push_back(index);
    return map;
}

FindView nextFindView(FindView view) {
    switch (view) {
    case FindView::WholeEntry:
        return FindView::FileName;
    case FindView::FileName:
        return FindView::Relative;
    case FindView::Relative:
        return FindView::WholeEntry;
    }
    return FindView::FileName;
}

std::string findRowText(const PlaylistState& state, int entryIndex, FindView view) {
    if (entryIndex < 0 || static_cast<std::size_t>(entryIndex) >= state.PlaylistEntries.size())
        return {};
    const std::string& entry = state.PlaylistEntries[static_cast<std::size_t>(entryIndex)];
    switch (view) {
    case FindView::WholeEntry:
        return entry;
    case FindView::FileName:
        return std::string(fileNamePart(entry));
    case FindView::Relative:
        return displayTextOf(entry, ViewFormat::RelativePath, state.RootMediaList,
                             state.RelativeDelimiter);
    }
    return entry;
}

int findKeyRow(FindKey key, int focused, int top, int page, int rows) {
    page = std::max(page, 1);
    int row = focused;
    switch (key) {
    case FindKey::Down:
        row = focused + 1;
        break;
    case FindKey::Up:
        row = focused - 1;
        break;
    case FindKey::PageUp:
        row = focused == top ? top - page : top;
        break;
    case FindKey::PageDown:
        row = focused == top + page - 1 ? top + 2 * page - 1 : top + page - 1;
        break;
    }
    return std::clamp(row, 0, std::max(rows - 1, 0));
}

void findPlay(Player& player, int entryIndex) {
    if (!validEntry(player, entryIndex))
        return;
    player.view.clearSelection();
    markEntry(player, entryIndex);
    if (player.playback)
        player.playback->OpenEntry(entryIndex);
}

void findQueue(Player& player, int entryIndex) {
    if (!validEntry(player, entryIndex))
        return;
    PlaylistState& list = player.playlist;
    player.view.clearSelection();
    const int current = list.CurrentIndex;
    markEntry(player, entryIndex);
    ToggleQueued(list, list.PlaylistEntries[static_cast<std::size_t>(entryIndex)]);
    list.CurrentIndex = current;
    player.view.repaintList();
}

void findQueueDone(Player& player) {
    const int focused = player.view.focusedLine();
    if (focused >= 0 && focused < player.view.lineCount() - 1)
        SelectEntry(player, focused + 1);
}

void findJump(Player& player, int entryIndex) {
    if (!validEntry(player, entryIndex))
        return;
    const int current = player.playlist.CurrentIndex;
    markEntry(player, entryIndex);
    player.playlist.CurrentIndex = current;
    RefreshListView(player, true, false);
}

} // namespace kesto
