#pragma once

// Reading playlist files into the playlist and writing it out. The readers
// always append; whether the list is cleared first is OpenPath's decision. A
// missing file adds nothing and says nothing.

#include <cstddef>
#include <optional>
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

// ---- The save command (Ctrl+S) ----

// The save dialog's file types, in the order it lists them.
enum class PlaylistSaveType { Text = 0, M3u = 1, Pls = 2, AnyFile = 3 };

struct PlaylistSaveTarget {
    std::string file;
    // Nothing when the name ends in an extension the player cannot write.
    std::optional<PlaylistFormat> format;
};

// What a name typed under a file type saves: a name that ends in .txt, .m3u
// or .pls (in any letter case) is written in that format; a name without an
// extension gets the type's own (.txt for all files) and its format.
PlaylistSaveTarget choosePlaylistSaveTarget(const std::string& file, PlaylistSaveType type);

// The command after the dialog: clears the current line, writes the playlist
// where choosePlaylistSaveTarget says, and tells the user when it cannot (an
// unknown extension, a read-only file, a failed write). False when nothing
// was written.
bool savePlaylistAs(Player& player, const std::string& file, PlaylistSaveType type);

} // namespace kesto
