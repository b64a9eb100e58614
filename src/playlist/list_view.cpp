#include "playlist/list_view.h"

#include "player/player.h"

#include <algorithm>

namespace kesto {

std::string countPanelText(std::size_t count) {
    if (count == 0)
        return "无文件";
    if (count == 1)
        return "1个文件";
    return std::to_string(count) + "个文件";
}

void RefreshListView(Player& player, bool keepPosition, bool reselect) {
    PlayerView& view = player.view;
    view.setViewFormatChecked(player.playlist.ViewFormat);
    if (view.lineCount() == 0)
        keepPosition = false;

    view.beginListUpdate();
    int focused = -1;
    int top = 0;
    std::vector<int> selected;
    if (keepPosition) {
        focused = view.focusedLine();
        top = view.topLine();
        if (reselect)
            selected = view.selectedLines();
    }

    const std::size_t size = player.playlist.PlaylistEntries.size();
    view.setStatusPanelText(kCountPanel, countPanelText(size));
    const int count = static_cast<int>(size);
    view.setLineCount(count);

    if (keepPosition) {
        focused = std::min(focused, count - 1);
        if (reselect) {
            // The lines are ascending: drop those past the new end in one cut.
            selected.erase(std::lower_bound(selected.begin(), selected.end(), count),
                           selected.end());
            if (!selected.empty())
                view.selectLines(selected);
        }
        if (focused >= 0) {
            view.setFocusedLine(focused);
            if (!view.isLineSelected(focused))
                view.selectLines({focused});
        }
        if (top < count)
            view.setTopLine(top);
    } else {
        SelectEntry(player, 0);
    }
    view.endListUpdate();
}

void SelectEntry(Player& player, int index) {
    PlayerView& view = player.view;
    const int count = view.lineCount();
    if (count == 0 || index < 0 || index >= count)
        return;
    view.clearSelection();
    view.selectLines({index});
    view.setFocusedLine(index);
}

int VisibleLineCount(const Player& player) {
    const int itemHeight = player.view.listItemHeight();
    return itemHeight > 0 ? player.view.listClientHeight() / itemHeight : 0;
}

void ScrollToCurrent(Player& player) {
    PlayerView& view = player.view;
    const int current = player.playlist.CurrentIndex;
    const int visible = VisibleLineCount(player);
    const int top = view.topLine();
    if (top <= current && current < top + visible - 1) {
        view.repaintList();
        return;
    }
    const bool shuffle = player.transport.PlayMode == PlayMode::Shuffle;
    const int newTop = shuffle ? current - visible / 2 + 1 : current - 2;
    view.setTopLine(std::max(newTop, 0));
    view.repaintList();
}

void setViewFormat(Player& player, ViewFormat format) {
    player.playlist.ViewFormat = format;
    RefreshListView(player, true, true);
}

} // namespace kesto
