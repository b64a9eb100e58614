// The playlist's ways into playback, with the real transport behind them:
// a path from another instance plays, and a folder scan waits for the window
// to follow a switch before it changes the list.

#include "playback/output.h"
#include "playback/play_order.h"
#include "playback/status_tick.h"
#include "playlist/folder_scan.h"
#include "playlist/open_path.h"

#include "playback/playback_fixture.h"

#include <thread>

namespace kesto::test {
namespace {

using namespace std::chrono_literals;

class EnginePlaybackOpenPath : public PlaybackTest {
protected:
    void SetUp() override { useFastWav(); }
};

TEST_F(EnginePlaybackOpenPath, PathFromAnotherInstancePlays) {
    const Samples song = loudTone(secondsToFrames(1.5), 2);
    const std::string path = home.file("song.wav");
    writeFile(path, wavFile(song, 44100, 2));
    addEntry("/old/one.mp3");
    p().settings.writeEnqueueOption(kEnqueuePlayAndClear);
    setPlayMode(p(), PlayMode::PlayList);

    OpenPath(p(), path, OpenMode::FromOtherInstance);
    EXPECT_EQ(pl().PlaylistEntries, std::vector<std::string>{path});
    EXPECT_EQ(pl().PlayingEntry, path);
    ASSERT_TRUE(playToEnd());
    EXPECT_EQ(rendered(), song);
}

TEST_F(EnginePlaybackOpenPath, PlayWithFolderStopsWhatPlaysAndPlaysTheFileAmongItsFolder) {
    const std::string folder = home.file("music") + "/";
    makeDirs(folder);
    for (const char* name : {"a.wav", "b.wav", "c.wav"})
        writeFile(folder + name, wavFile(loudTone(secondsToFrames(5), 2), 44100, 2));
    addEntry(folder + "a.wav");
    OpenEntry(p(), 0);
    const AudioHandle first = p().feed.OutputStream;
    p().settings.writeEnqueueOption(kEnqueuePlayWithFolder);

    OpenPath(p(), folder + "b.wav", OpenMode::FromOtherInstance);
    EXPECT_NE(p().feed.OutputStream, first);
    EXPECT_EQ(pl().PlaylistEntries.size(), 3u);
    EXPECT_EQ(pl().PlayingEntry, folder + "b.wav");
    EXPECT_EQ(pl().PlaylistEntries[static_cast<std::size_t>(pl().CurrentIndex)], folder + "b.wav");
    EXPECT_EQ(pl().LastOpenedDir, folder);
}

TEST_F(EnginePlaybackOpenPath, FolderScanWaitsUntilTheWindowFollowsTheSwitch) {
    addWav("a.wav", loudTone(secondsToFrames(3.5), 2));
    addWav("b.wav", loudTone(secondsToFrames(3.5), 2, 660));
    setPlayMode(p(), PlayMode::PlayList);
    OpenEntry(p(), 0);
    ASSERT_TRUE(switchWithoutTicks());

    // While the scan waits, the window's timers run: here, the status tick.
    int ticks = 0;
    view.onProcessPendingMessages = [&] {
        ++ticks;
        StatusTick(p());
    };
    const std::string folder = home.file("more") + "/";
    makeDirs(folder);
    writeFile(folder + "c.wav", wavFile(loudTone(4410, 2), 44100, 2));
    EXPECT_EQ(AddFolder(p(), folder, false, true, false), FolderAddOutcome::Added);
    const std::pair<int, std::string> waiting{kCountPanel, "等待..."};
    EXPECT_NE(std::find(view.panelHistory.begin(), view.panelHistory.end(), waiting),
              view.panelHistory.end());
    EXPECT_GE(ticks, 1);
    EXPECT_EQ(pl().CurrentIndex, 1) << "followed before the list changed";
    EXPECT_EQ(pl().PlaylistEntries.size(), 3u);
}

} // namespace
} // namespace kesto::test
