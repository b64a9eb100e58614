// The total-time walk lets events in while it measures. Whatever would
// change the list meanwhile (Del, Ctrl+X, Ctrl+N, a hand-over) waits until
// the walk is done, so it measures the lines it was given; should a change
// come all the same, the walk stays inside the list.

#include "playback/total_time.h"

#include "playback/output.h"
#include "player/player.h"
#include "playlist/open_path.h"
#include "playlist/playlist_editing.h"

#include "playback/playback_fixture.h"

#include <functional>
#include <numeric>

namespace kesto::test {
namespace {

constexpr int kFiles = 25; // the walk lets events in before files 1, 11 and 21

class TotalTime : public PlaybackTest {
protected:
    void SetUp() override {
        usePacedNull();
        for (int i = 0; i < kFiles; ++i)
            addWav("song " + std::to_string(i) + ".wav", silence(secondsToFrames(2), 2));
        all = pl().PlaylistEntries;
        showAllSelected();
    }
    void showAllSelected() {
        pl().PlaylistEntries = all;
        view.lines = kFiles;
        view.selected.clear();
        for (int i = 0; i < kFiles; ++i)
            view.selected.insert(i);
    }
    std::vector<std::string> all;
    // `change` comes at the walk's second look at the events.
    std::optional<std::int64_t> measureWith(std::function<void()> change) {
        int looks = 0;
        view.onProcessPendingMessages = [&] {
            if (++looks == 2)
                change();
        };
        const auto seconds = measureSelectedLength(p());
        view.onProcessPendingMessages = nullptr;
        return seconds;
    }
};

TEST_F(TotalTime, ListChangesWaitUntilTheWalkIsDone) {
    struct Case {
        const char* name;
        std::function<void(Player&)> command;
        std::size_t linesAfter;
    };
    const Case cases[] = {
        {"Del", [](Player& q) { DeleteSelected(q); }, 0},
        {"Ctrl+X", [](Player& q) { cutSelected(q); }, 0},
        {"Ctrl+N", [](Player& q) { clearPlaylist(q); }, 0},
        {"a hand-over",
         [](Player& q) {
             // The path arrives as its own text, as a second start sends it.
             const std::string path = q.playlist.PlaylistEntries[3];
             q.settings.writeEnqueueOption(0); // play it, in a list of its own
             OpenPath(q, path, OpenMode::FromOtherInstance);
         },
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        showAllSelected();
        const auto seconds =
            measureWith([&] { p().nestedLoops.whenOutside([&] { c.command(p()); }); });
        EXPECT_EQ(seconds, std::optional<std::int64_t>(2 * kFiles)) << "every selected file";
        EXPECT_EQ(pl().PlaylistEntries, all) << "nothing changed during the walk";
        view.runPosted();
        EXPECT_EQ(pl().PlaylistEntries.size(), c.linesAfter) << "the command ran afterwards";
        StopPlayback(p(), true);
    }
}

TEST_F(TotalTime, AChangeThatDoesNotWaitLeavesTheWalkInsideTheList) {
    const auto seconds = measureWith([&] { clearPlaylist(p()); });
    // Ten files were measured before the list went; the rest are gone.
    EXPECT_EQ(seconds, std::optional<std::int64_t>(20));
    EXPECT_FALSE(p().playlist.ListBusy);
}

} // namespace
} // namespace kesto::test
