// The play order: next and previous in each mode, the shuffle pass and its
// way back, the queue and its history, entries that cannot be played.

#include "playback/output.h"
#include "playback/play_order.h"
#include "playback/playback_fixture.h"
#include "playback/transport.h"
#include "player/key_codes.h"
#include "playlist/playlist_queue.h"

#include <algorithm>
#include <numeric>
#include <set>

namespace kesto::test {
namespace {

using Strings = std::vector<std::string>;

// Short real files: TestEntry opens each one it considers.
class EnginePlaybackOrder : public PlaybackTest {
protected:
    void SetUp() override { usePacedNull(); }

    void addFiles(int count) {
        for (int i = 0; i < count; ++i)
            addWav("f" + std::to_string(i) + ".wav", loudTone(4410, 2));
    }
    const std::string& entry(int i) { return pl().PlaylistEntries[static_cast<std::size_t>(i)]; }
    // Starts what the play order picks, as the transport does.
    int playNext(bool previous = false) {
        const int next = NextIndex(p(), previous);
        if (next >= 0)
            OpenEntry(p(), next);
        return next;
    }
};

TEST_F(EnginePlaybackOrder, EachModeStepsNextAndPrevious) {
    struct Case {
        const char* name;
        PlayMode mode;
        int current;
        int next;
        int previous;
    };
    const Case cases[] = {
        {"repeat list", PlayMode::RepeatList, 2, 3, 1},
        {"repeat list wraps at the end", PlayMode::RepeatList, 4, 0, 3},
        {"repeat list wraps at the start", PlayMode::RepeatList, 0, 1, 4},
        {"repeat list without a current entry", PlayMode::RepeatList, -1, 0, 4},
        {"repeat file", PlayMode::RepeatFile, 2, 2, 2},
        {"repeat file without a current entry", PlayMode::RepeatFile, -1, -1, -1},
        {"play list", PlayMode::PlayList, 2, 3, 1},
        {"play list ends at the last entry", PlayMode::PlayList, 4, -1, 3},
        {"play list ends at the first entry", PlayMode::PlayList, 0, 1, -1},
        {"play file", PlayMode::PlayFile, 2, -1, -1},
    };
    addFiles(5);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        p().transport.PlayMode = c.mode;
        pl().CurrentIndex = c.current;
        EXPECT_EQ(NextIndex(p(), false), c.next);
        EXPECT_EQ(NextIndex(p(), true), c.previous);
    }
}

TEST_F(EnginePlaybackOrder, EntriesThatCannotPlayArePassedOver) {
    addFiles(1);
    addEntry(home.file("missing.wav"));
    addEntry("http://radio.example/stream|Radio");
    addFile("module.xm", "not really a module");
    addFiles(1);
    pl().CurrentIndex = 0;
    EXPECT_EQ(NextIndex(p(), false), 4);
    pl().CurrentIndex = 4;
    EXPECT_EQ(NextIndex(p(), true), 0);
    EXPECT_TRUE(view.messages.empty()) << "the play order warns about nothing";

    pl().PlaylistEntries.clear();
    EXPECT_EQ(NextIndex(p(), false), -1);
}

TEST_F(EnginePlaybackOrder, ShufflePlaysEveryEntryOnceBeforeAnyRepeats) {
    addFiles(10);
    setPlayMode(p(), PlayMode::Shuffle);
    std::set<int> played;
    for (int i = 0; i < 10; ++i) {
        const int next = playNext();
        ASSERT_GE(next, 0);
        EXPECT_TRUE(played.insert(next).second) << next << " came twice";
    }
    EXPECT_EQ(pl().ShuffleHistory.size(), 10u);
    // Every entry has played: the history starts again and anything may follow.
    EXPECT_GE(playNext(), 0);
    EXPECT_EQ(pl().ShuffleHistory.size(), 1u);
}

TEST_F(EnginePlaybackOrder, ShufflePreviousWalksBackNineStepsThenRestartsTheCurrentOne) {
    addFiles(20);
    setPlayMode(p(), PlayMode::Shuffle);
    std::vector<int> started;
    for (int i = 0; i < 12; ++i)
        started.push_back(playNext());
    for (int back = 1; back <= 9; ++back)
        EXPECT_EQ(playNext(true), started[static_cast<std::size_t>(11 - back)]) << back;
    EXPECT_EQ(playNext(true), started[2]) << "no earlier entry: the current one again";
}

TEST_F(EnginePlaybackOrder, ShufflePreviousSkipsEntriesGoneFromThePlaylist) {
    addFiles(6);
    setPlayMode(p(), PlayMode::Shuffle);
    std::vector<int> started;
    for (int i = 0; i < 3; ++i)
        started.push_back(playNext());
    const std::string gone = entry(started[1]);
    pl().PlaylistEntries.erase(pl().PlaylistEntries.begin() + started[1]);
    pl().CurrentIndex = static_cast<int>(
        std::find(pl().PlaylistEntries.begin(), pl().PlaylistEntries.end(), pl().PlayingEntry) -
        pl().PlaylistEntries.begin());
    // The entry before the current one is gone: previous restarts the current entry.
    EXPECT_EQ(entry(NextIndex(p(), true)), pl().PlayingEntry);
}

// The unplayable pick joins the history; whether it is picked at all is chance.
TEST_F(EnginePlaybackOrder, ShuffleAddsUnplayableEntriesToTheHistory) {
    addEntry(home.file("missing.wav"));
    addFiles(1);
    setPlayMode(p(), PlayMode::Shuffle);
    int sawMissingInHistory = 0;
    for (int round = 0; round < 40; ++round) {
        pl().ShuffleHistory.clear();
        EXPECT_EQ(NextIndex(p(), false), 1);
        const auto& history = pl().ShuffleHistory;
        EXPECT_TRUE(history.empty() || history == Strings{entry(0)});
        sawMissingInHistory += history.empty() ? 0 : 1;
    }
    EXPECT_GT(sawMissingInHistory, 0);
}

TEST_F(EnginePlaybackOrder, QueuePlaysFirstAndPreviousWalksBackThroughIt) {
    addFiles(5);
    OpenEntry(p(), 0);
    pl().QueueList = {entry(3), entry(1)};

    EXPECT_TRUE(RunKeyCommand(p(), vk::Tab, vk::NoModifier));
    EXPECT_EQ(pl().CurrentIndex, 3);
    EXPECT_EQ(pl().QueueList, Strings{entry(1)});
    RunKeyCommand(p(), vk::Tab, vk::NoModifier);
    EXPECT_EQ(pl().CurrentIndex, 1);
    EXPECT_TRUE(pl().QueueList.empty());
    EXPECT_EQ(p().transport.QueueRecent.slots[0], entry(1));
    EXPECT_EQ(p().transport.QueueRecent.slots[1], entry(3));

    RunKeyCommand(p(), vk::Tab, vk::ShiftModifier);
    EXPECT_EQ(pl().CurrentIndex, 3) << "back to the queued entry before";
    RunKeyCommand(p(), vk::Tab, vk::ShiftModifier);
    EXPECT_EQ(pl().CurrentIndex, 2) << "queue history used up: the mode's previous";
}

TEST_F(EnginePlaybackOrder, QueuedEntriesGoneFromThePlaylistArePassedOver) {
    addFiles(5);
    OpenEntry(p(), 0);
    pl().QueueList = {home.file("deleted.wav"), entry(2), entry(4)};
    RunKeyCommand(p(), vk::Tab, vk::NoModifier);
    EXPECT_EQ(pl().CurrentIndex, 2);
    EXPECT_EQ(pl().QueueList, Strings{entry(4)});
}

TEST_F(EnginePlaybackOrder, ChangingTheModeEmptiesQueueAndShuffleHistory) {
    struct Case {
        PlayMode mode;
        const char* panel;
    };
    addFiles(3);
    for (const Case c :
         {Case{PlayMode::RepeatList, ""}, Case{PlayMode::RepeatFile, "循环文件"},
          Case{PlayMode::PlayList, "播放列表"}, Case{PlayMode::PlayFile, "播放文件    "},
          Case{PlayMode::Shuffle, "随机播放"}}) {
        SCOPED_TRACE(toInt(c.mode));
        pl().QueueList = {entry(1)};
        pl().ShuffleHistory = {entry(2)};
        const int refreshes = view.lineCountChanges;
        setPlayMode(p(), c.mode);
        EXPECT_EQ(view.playModeChecked, toInt(c.mode));
        EXPECT_EQ(view.panels[kPlayModePanel], c.panel);
        EXPECT_TRUE(pl().QueueList.empty());
        EXPECT_TRUE(pl().ShuffleHistory.empty());
        EXPECT_GT(view.lineCountChanges, refreshes) << "the list shows the queue marks";
    }
}

TEST_F(EnginePlaybackOrder, StatusBarClickStepsTheModeAndWraps) {
    p().transport.PlayMode = PlayMode::Shuffle;
    stepPlayMode(p(), false);
    EXPECT_EQ(p().transport.PlayMode, PlayMode::RepeatList);
    stepPlayMode(p(), true);
    EXPECT_EQ(p().transport.PlayMode, PlayMode::Shuffle);
    stepPlayMode(p(), true);
    EXPECT_EQ(p().transport.PlayMode, PlayMode::PlayFile);
    EXPECT_EQ(view.panels[kPlayModePanel], "播放文件    ");
}

TEST(PlaybackRecentRing, PushKeepsTenDistinctTextsAndPopNeedsThePlaylist) {
    RecentRing ring;
    for (int i = 0; i < 12; ++i)
        pushRecent(ring, "e" + std::to_string(i));
    pushRecent(ring, "e5"); // already there: nothing moves
    EXPECT_EQ(ring.slots[0], "e11");
    EXPECT_EQ(ring.slots[9], "e2");

    const Strings playlist = {"e11", "e10", "e9"};
    EXPECT_EQ(popRecent(ring, playlist), "e10");
    EXPECT_EQ(ring.slots[0], "e10");
    EXPECT_EQ(ring.slots[1], "e9");
    EXPECT_EQ(popRecent(ring, playlist), "e9");
    EXPECT_EQ(popRecent(ring, playlist), std::nullopt) << "e8 is not in the playlist";
    EXPECT_EQ(ring.slots[0], "e9");
    EXPECT_EQ(ring.slots[1], "e8");
    EXPECT_EQ(ring.slots[8], "");
    EXPECT_EQ(ring.slots[9], "");
}

} // namespace
} // namespace kesto::test
