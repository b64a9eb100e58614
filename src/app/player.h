#pragma once

// The player's context: every piece of state that lives as long as the
// player, owned here rather than in globals so that a test can build as many
// players as it likes. The UI thread owns all of it unless a field says
// otherwise (the playback fields shared with the audio thread are atomics).

#include "app/paths.h"
#include "app/player_view.h"
#include "app/settings.h"

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
};

} // namespace kesto
