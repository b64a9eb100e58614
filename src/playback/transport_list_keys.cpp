#include "playback/transport_list_keys.h"

#include "playback/next_entry.h"
#include "player/player.h"
#include "playlist/display_text.h"
#include "playlist/list_view.h"

#include <numeric>
#include <utility>

namespace kesto {

bool focusIntoView(Player& player, bool down) {
    PlayerView& view = player.view;
    const int top = view.topLine();
    const int visible = VisibleLineCount(player);
    const int focused = view.focusedLine();
    if (focused >= top && focused <= top + visible)
        return false;
    const int line = down ? top : top + visible - 1;
    view.clearSelection();
    SelectEntry(player, line);
    return true;
}

void moveSelectedEntries(Player& player, bool down) {
    PlayerView& view = player.view;
    PlaylistState& pl = player.playlist;
    auto& entries = pl.PlaylistEntries;
    std::vector<int> selected = view.selectedLines();
    const int count = static_cast<int>(entries.size());
    if (selected.empty() || selected.back() >= count)
        return;
    if (down ? selected.back() == count - 1 : selected.front() == 0)
        return;
    const int step = down ? 1 : -1;
    // One entry at a time, leading end first, so each one moves past a line
    // that is not selected.
    const auto moveOne = [&](int line) {
        const int other = line + step;
        std::swap(entries[static_cast<std::size_t>(line)],
                  entries[static_cast<std::size_t>(other)]);
        if (pl.CurrentIndex == line)
            pl.CurrentIndex = other;
        else if (pl.CurrentIndex == other)
            pl.CurrentIndex = line;
    };
    if (down) {
        for (auto it = selected.rbegin(); it != selected.rend(); ++it)
            moveOne(*it);
    } else {
        for (const int line : selected)
            moveOne(line);
    }
    const int focused = view.focusedLine();
    view.beginListUpdate();
    view.clearSelection();
    for (int& line : selected)
        line += step;
    view.selectLines(selected);
    if (focused >= 0 && focused + step >= 0 && focused + step < count)
        view.setFocusedLine(focused + step);
    view.endListUpdate();
    view.repaintList();
    playOrderChanged(player);
}

void selectAllRows(Player& player) {
    PlayerView& view = player.view;
    const int focused = view.focusedLine();
    const int top = view.topLine();
    std::vector<int> all(static_cast<std::size_t>(view.lineCount()));
    std::iota(all.begin(), all.end(), 0);
    view.beginListUpdate();
    view.selectLines(all);
    if (focused >= 0)
        view.setFocusedLine(focused);
    view.setTopLine(top);
    view.endListUpdate();
}

void copySelectedRows(Player& player) {
    std::string text;
    for (const int line : player.view.selectedLines()) {
        text += EntryDisplayText(player.playlist, line);
        text += '\n';
    }
    player.view.setClipboardText(text);
}

} // namespace kesto
