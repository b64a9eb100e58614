#pragma once

// The player's context: every piece of state that lives as long as the
// player, owned here rather than in globals so that a test can build as many
// players as it likes. The UI thread owns all of it unless a field says
// otherwise (the playback fields shared with the audio thread are atomics).

#include "app/paths.h"
#include "app/playback_control.h"
#include "app/player_view.h"
#include "app/settings.h"
#include "playlist/playlist_state.h"

namespace kesto {

class Player {
public:
    Player(AppPaths paths, PlayerView& view)
        : paths(std::move(paths)), settings(this->paths.GetIniPath()), view(view) {}
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    AppPaths paths;
    Settings settings;
    PlayerView& view;

    // ---- Playlist (src/playlist) ----
    // The playlist, the queue, the shuffle history and the folder-scan flags.
    PlaylistState playlist;

    // ---- Playback seam ----
    // Set by the playback module once it exists; null means nothing plays and
    // the playlist code makes no playback calls.
    PlaybackControl* playback = nullptr;
    // Play order: 0 repeat list, 1 repeat file, 2 play list, 3 play file,
    // 4 shuffle. The transport owns it; scrolling to the current line reads it.
    int PlayMode = 0;
};

} // namespace kesto
