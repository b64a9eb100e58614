#pragma once

// Reading playlist files into the playlist and writing it out. The readers
// always append; whether the list is cleared first is OpenPath's decision. A
// missing file adds nothing and says nothing.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kesto {

class Player;
struct PlaylistState;

enum class PlaylistFormat { Text = 0, Pls = 1, M3u = 2 };

// Each returns the number of entries appended.
std::size_t ReadM3u(Player& player, const std::string& file);
std::size_t ReadPls(Player& player, const std::string& file);
std::size_t ReadAsx(Player& player, const std::string& file);
std::size_t ReadB4s(Player& player, const std::string& file);
// The player's own format. A file that exists but cannot be read shows
// "错误 12"; what was read before the error stays. Afterwards the view is
// refreshed, LastOpenedDir cleared and a valid current line selected.
std::size_t ReadTxt(Player& player, const std::string& file);

// The bytes of a playlist stored in `folder` (ending in "/"): lines end in
// CR LF; entries inside the folder are written relative to it.
std::string formatPlaylist(const std::vector<std::string>& entries, std::string_view folder,
                           PlaylistFormat format);

// Writes the whole playlist through a temporary file and a rename. A
// read-only target is left alone without a word. False when nothing was written.
bool WritePlaylist(const PlaylistState& state, const std::string& file, PlaylistFormat format);

} // namespace kesto
