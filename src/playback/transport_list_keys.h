#pragma once

// The list keys of the transport's key table: arrows that bring the focus
// back into view, Ctrl+arrows that move the selected entries, select all
// and copy.

namespace kesto {

class Player;

// Up/Down with the focused line outside the visible lines: selects the
// first visible line (Down) or the last one (Up). False when the focus is
// visible, so the list moves it itself.
bool focusIntoView(Player& player, bool down);
// Moves every selected entry one line up (or down), keeping the current
// entry current; nothing moves when the selection touches the end it moves to.
void moveSelectedEntries(Player& player, bool down);
// Selects every line, keeping the focused line and the top line.
void selectAllRows(Player& player);
// The display texts of the selected lines, one per line, to the clipboard.
void copySelectedRows(Player& player);

} // namespace kesto
