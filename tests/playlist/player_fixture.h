#pragma once

// A player with its own program folder, a scripted view and a recording
// playback, for the playlist tests.

#include "player/player.h"
#include "support/fake_playback.h"
#include "support/fake_view.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kesto::test {

class PlayerTest : public ::testing::Test {
protected:
    TempDir home;
    FakeView view;
    FakePlayback playback;
    Player player{AppPaths(home.path()), view};
    PlaylistState& pl = player.playlist;
    std::vector<std::string>& entries = pl.PlaylistEntries;

    // The playlist and a view that already shows it.
    void show(std::vector<std::string> list) {
        entries = std::move(list);
        view.lines = static_cast<int>(entries.size());
    }
};

} // namespace kesto::test
