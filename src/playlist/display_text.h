#pragma once

// The text the playlist view shows for a line. The view is virtual and asks
// for the visible lines only, so this runs on every paint and must stay cheap.

#include "playlist/playlist_state.h"

#include "player/modes.h"

#include <string>
#include <string_view>
#include <vector>

namespace kesto {

// The relative view of an entry, in six steps:
//   1. the first music folder that starts the entry (exactly, in list order) is cut off;
//   2. when fewer than four characters remain, they are shown as they are;
//   3. a leading "/" is dropped (a drive "X:\" on a Windows-made line);
//   4. "\\" (a Windows network prefix) is removed and "//" becomes "/";
//   5. each "/" (and "\" of a Windows-made line) becomes the delimiter;
//   6. every occurrence of the file's extension is removed, ignoring case.
std::string relativeDisplayText(std::string_view entry, const std::vector<std::string>& roots,
                                std::string_view delimiter);

// Streams show their title (a URL without one shows the URL); other entries by
std::string displayTextOf(std::string_view entry, ViewFormat viewFormat,
                          const std::vector<std::string>& roots, std::string_view delimiter);

// The line `index` of the playlist; empty for an index outside it, which a view
// may ask for while the list is being replaced under it.
std::string EntryDisplayText(const PlaylistState& state, int index);

} // namespace kesto
