#pragma once

#include "player/modes.h"

// Keeps the virtual list view in step with the playlist: line count, count
// panel, selection and scrolling, all through the PlayerView interface.

#include <cstddef>
#include <string>

namespace kesto {

class Player;

// "无文件", "1个文件", or the count followed by "个文件".
std::string countPanelText(std::size_t count);

// Sets the view's line count to the playlist size and updates the count panel
// and the view-format check marks. `keepPosition` keeps the focused and top
// lines (and with `reselect` the selection); otherwise line 0 is selected.
void RefreshListView(Player& player, bool keepPosition, bool reselect);

// Makes `index` the only selected line and the focused line; out-of-range
// indexes (and -1) are ignored.
void SelectEntry(Player& player, int index);

// Scrolls so that the current line is visible.
void ScrollToCurrent(Player& player);

// Whole lines that fit in the list.
int VisibleLineCount(const Player& player);

// Sets ViewFormat and refreshes the view, keeping its position.
void setViewFormat(Player& player, ViewFormat format);

} // namespace kesto
