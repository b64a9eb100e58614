#pragma once

// The one playlist the player holds and its companion lists. Entries are
// compared by exact, whole-text equality everywhere. The UI thread owns every
// field; nothing here is shared with the audio thread.

#include "player/modes.h"

#include <cstddef>
#include <string>
#include <vector>

namespace kesto {

struct PlaylistState {
    // A playlist file past this size is read to its last whole line before it:
    // many times the largest real playlist, and still a bounded wait.
    static constexpr std::size_t MaxPlaylistFileBytes = std::size_t{256} << 20;

    // One string per line: a path or URL, optionally followed by "|" and a title.
    std::vector<std::string> PlaylistEntries;
    // Entry texts queued to play next, oldest first.
    std::vector<std::string> QueueList;
    // Entry texts already played in shuffle mode.
    std::vector<std::string> ShuffleHistory;
    // The current (playing or last started) line, -1 when none.
    int CurrentIndex = -1;
    // The entry text loaded for playback; empty when nothing was played.
    std::string PlayingEntry;
    // The last folder opened or added, ending in "/"; refresh rescans it.
    std::string LastOpenedDir;
    kesto::SortingWay SortingWay = kesto::SortingWay::WholeEntry;
    kesto::ViewFormat ViewFormat = kesto::ViewFormat::FileName;
    // The user's music folders, each ending in "/"; only the relative view uses them.
    std::vector<std::string> RootMediaList;
    // Replaces each folder separator in the relative view.
    std::string RelativeDelimiter = " \\ ";

    // True while a folder is being added; Esc then only asks to cancel.
    bool ListBusy = false;
    // Raised by Esc, consumed by the next folder the scan enters.
    bool CancelRequested = false;
};

} // namespace kesto
