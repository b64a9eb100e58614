#pragma once

// The one way files, streams and playlist files enter the playlist: from the
// command line, from a second instance, from dropped playlists, from the load
// command and from favourites.

#include <string>

namespace kesto {

class Player;

enum class OpenMode {
    AddOnly = 0,           // add-files dialog (playlist files), add URL
    ReplaceList = 1,       // load a playlist, the default playlist at start, a favourite
    CommandLine = 2,       // the path given at start
    FromOtherInstance = 3, // a path handed over by a second process
    Dropped = 4,           // a playlist file dropped on the window
};

// What a path from the command line or another instance does, read from the
// settings at every call: 0 play it and clear the list, 1 add it, 2 play it
// and open its folder.
inline constexpr int kEnqueuePlayAndClear = 0;
inline constexpr int kEnqueueAdd = 1;
inline constexpr int kEnqueuePlayWithFolder = 2;

// A "file:" URI is taken as the local path it names.
void OpenPath(Player& player, const std::string& path, OpenMode mode);

} // namespace kesto
