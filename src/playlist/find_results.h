#pragma once

// The find window's work on the playlist: which entries match the typed
// text, what a result row shows, where the arrow and page keys move the
// focus, and what play, queue and jump do with the chosen entry. The window
// only shows rows and passes keys; everything here runs without it.

#include <string>
#include <string_view>
#include <vector>

namespace kesto {

class Player;
struct PlaylistState;

// Row r shows entry map[r]. Every entry whose whole text (path and title)
// contains `text`, ignoring ASCII letter case, in playlist order; all of
// them for an empty text.
std::vector<int> FilterResults(const std::vector<std::string>& entries, std::string_view text);

// True when every entry matching `text` also matches `previous`: `text`
// contains it, ASCII letter case aside, as when typing on at the end.
bool textNarrows(std::string_view previous, std::string_view text);

// The same result as FilterResults when `previous` holds the rows for a text
// that `text` narrows: only those rows need looking at again.
std::vector<int> refineResults(const std::vector<std::string>& entries,
                               const std::vector<int>& previous, std::string_view text);

// What a row shows in each view of the results.
enum class FindView : int { WholeEntry = 0, FileName = 1, Relative = 2 };
FindView nextFindView(FindView view);
std::string findRowText(const PlaylistState& state, int entryIndex, FindView view);

enum class FindKey { Up, Down, PageUp, PageDown };

// The row a key focuses; `page` is the number of whole rows the list shows.
// Needs at least one row.
int findKeyRow(FindKey key, int focused, int top, int page, int rows);

// The chosen entry starts playing and becomes the current, selected line.
void findPlay(Player& player, int entryIndex);
// The chosen entry is queued, or unqueued when it is queued already; the
// current line stays where it was. The caller closes the window and then
// calls findQueueDone, which moves the playlist's selection on a line.
void findQueue(Player& player, int entryIndex);
void findQueueDone(Player& player);
// The chosen entry is selected and scrolled to; nothing plays.
void findJump(Player& player, int entryIndex);

} // namespace kesto
