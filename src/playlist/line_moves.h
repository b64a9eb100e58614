#pragma once

// Moving a block of selected lines through the playlist, as dragging does:
// every selected line moves the same distance, the lines in between close up
// behind them, and both groups keep their own order.

#include <string>
#include <vector>

namespace kesto {

// Moves the entries at `indexes` (ascending) up by `distance` lines (down when
// negative). Nothing moves when a line would leave the list, or is not in
// it (a line list kept while the list shrank). On a move,
// `indexes` is updated to the lines' new places and `currentIndex` follows
// the entry it named. Returns whether anything moved. Linear in the span of
// lines that change place, however far the block jumps.
bool moveLinesBy(std::vector<std::string>& entries, std::vector<int>& indexes, int distance,
                 int& currentIndex);

} // namespace kesto
