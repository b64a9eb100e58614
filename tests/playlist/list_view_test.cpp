#include "playlist/list_view.h"

#include "player_fixture.h"
#include "playlist/playlist_queue.h"

#include <random>

namespace kesto::test {
namespace {

using Lines = std::vector<int>;

std::vector<std::string> numbered(int n) {
    std::vector<std::string> list;
    for (int i = 0; i < n; ++i)
        list.push_back("/m/" + std::to_string(i) + ".mp3");
    return list;
}

TEST(CountPanel, Texts) {
    EXPECT_EQ(countPanelText(0), "无文件");
    EXPECT_EQ(countPanelText(1), "1个文件");
    EXPECT_EQ(countPanelText(2), "2个文件");
    EXPECT_EQ(countPanelText(100000), "100000个文件");
}

class ListViewTest : public PlayerTest {};

TEST_F(ListViewTest, RefreshKeepsOrResetsThePosition) {
    struct Case {
        const char* name;
        int newSize;
        bool keep, reselect;
        Lines selectedAfter;
        int focusedAfter, topAfter;
    };
    // Before each case: 10 lines, lines 2, 5 and 9 selected, focus on 5, top line 3.
    const Case cases[] = {
        {"keep and reselect", 6, true, true, {2, 5}, 5, 3},
        {"keep without reselect", 6, true, false, {5}, 5, 3},
        {"focus clamped to the last line", 4, true, true, {2, 3}, 3, 3},
        {"top line past the end is dropped", 3, true, true, {2}, 2, 0},
        {"no keeping selects line 0", 6, false, false, {0}, 0, 0},
        {"empty playlist", 0, true, true, {}, -1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        show(numbered(10));
        view.selected = {2, 5, 9};
        view.focused = 5;
        view.top = 3;
        entries.resize(static_cast<std::size_t>(c.newSize));
        pl.ViewFormat = ViewFormat::RelativePath;
        RefreshListView(player, c.keep, c.reselect);
        EXPECT_EQ(view.lines, c.newSize);
        EXPECT_EQ(view.selectedVector(), c.selectedAfter);
        EXPECT_EQ(view.focused, c.focusedAfter);
        EXPECT_EQ(view.top, c.topAfter);
        EXPECT_EQ(view.panels[kCountPanel], countPanelText(static_cast<std::size_t>(c.newSize)));
        EXPECT_EQ(view.viewFormatChecked, 2);
        EXPECT_EQ(view.updateDepth, 0);
        EXPECT_EQ(view.maxUpdateDepth, 1);
    }
}

TEST_F(ListViewTest, EmptyViewCannotKeepAPosition) {
    entries = numbered(5);
    RefreshListView(player, true, true);
    EXPECT_EQ(view.selectedVector(), Lines{0});
    EXPECT_EQ(view.focused, 0);
}

TEST_F(ListViewTest, SelectEntryIgnoresLinesOutsideTheView) {
    show(numbered(4));
    view.selected = {1, 2};
    for (const int index : {-1, 4, 100}) {
        SelectEntry(player, index);
        EXPECT_EQ(view.selectedVector(), (Lines{1, 2})) << index;
    }
    SelectEntry(player, 3);
    EXPECT_EQ(view.selectedVector(), Lines{3});
    EXPECT_EQ(view.focused, 3);
}

TEST_F(ListViewTest, VisibleLinesAndScrollingToTheCurrentLine) {
    view.itemHeight = 16;
    view.clientHeight = 170;
    EXPECT_EQ(VisibleLineCount(player), 10);
    view.itemHeight = 0;
    EXPECT_EQ(VisibleLineCount(player), 0);
    view.itemHeight = 16;

    struct Case {
        int top, current, mode, topAfter;
    };
    const Case cases[] = {
        {0, 5, 0, 0},   // visible: only repainted
        {0, 8, 0, 0},   // the last whole line still counts as visible
        {0, 9, 0, 7},   // the line below: two lines of context above it
        {5, 1, 0, 0},   // never above line 0
        {0, 50, 4, 46}, // shuffle centres the line
        {45, 50, 4, 45},
    };
    for (const Case& c : cases) {
        show(numbered(100));
        view.top = c.top;
        pl.CurrentIndex = c.current;
        player.transport.PlayMode = playModeFromInt(c.mode);
        const int repaints = view.repaints;
        ScrollToCurrent(player);
        EXPECT_EQ(view.top, c.topAfter) << c.top << " " << c.current << " " << c.mode;
        EXPECT_EQ(view.repaints, repaints + 1);
    }
}

TEST_F(ListViewTest, QueueToggling) {
    pl.PlayingEntry = "/m/playing.mp3";
    ToggleQueued(pl, "/m/a.mp3");
    ToggleQueued(pl, "/m/b.mp3");
    ToggleQueued(pl, "/m/playing.mp3"); // the playing entry is not queued
    ToggleQueued(pl, "http://radio/x"); // nor a stream
    EXPECT_EQ(pl.QueueList, (std::vector<std::string>{"/m/a.mp3", "/m/b.mp3"}));
    ToggleQueued(pl, "/m/a.mp3"); // twice: out again
    EXPECT_EQ(pl.QueueList, (std::vector<std::string>{"/m/b.mp3"}));
    pl.QueueList = {"/m/b.mp3", "/m/c.mp3", "/m/b.mp3"};
    ToggleQueued(pl, "/m/b.mp3"); // every copy goes
    EXPECT_EQ(pl.QueueList, (std::vector<std::string>{"/m/c.mp3"}));
}

// The one-pass toggle of a whole selection must leave what toggling the
// entries one after another leaves, duplicates, streams and the playing
// entry included.
TEST_F(ListViewTest, ToggleManyAgreesWithTogglingOneAfterAnother) {
    const std::vector<std::string> pool{"/m/a.mp3", "/m/b.mp3",       "/m/c.mp3",
                                        "/m/d.mp3", "/m/playing.mp3", "http://radio/x"};
    std::mt19937 random(7);
    const auto pick = [&] {
        return pool[random() % pool.size()];
    };
    for (int round = 0; round < 500; ++round) {
        PlaylistState one, many;
        one.PlayingEntry = many.PlayingEntry = "/m/playing.mp3";
        for (std::size_t i = random() % 6; i > 0; --i)
            one.QueueList.push_back(pick());
        many.QueueList = one.QueueList;
        std::vector<std::string> toggles;
        for (std::size_t i = random() % 10; i > 0; --i)
            toggles.push_back(pick());
        for (const std::string& t : toggles)
            ToggleQueued(one, t);
        toggleQueuedAll(many, std::vector<std::string_view>(toggles.begin(), toggles.end()));
        ASSERT_EQ(many.QueueList, one.QueueList) << "round " << round;
    }
}

TEST_F(ListViewTest, QueueCommandTogglesTheSelectionAndMovesDown) {
    show({"/m/a.mp3", "/m/b.mp3", "/m/c.mp3", "/m/d.mp3"});
    pl.QueueList = {"/m/c.mp3"};
    view.selected = {2, 0};
    view.focused = 2;
    QueueSelected(player);
    EXPECT_EQ(pl.QueueList, (std::vector<std::string>{"/m/a.mp3"}));
    EXPECT_EQ(view.selectedVector(), Lines{3});
    EXPECT_EQ(view.focused, 3);

    const int repaints = view.repaints;
    QueueSelected(player); // on the last line: queued, nothing moves
    EXPECT_EQ(pl.QueueList, (std::vector<std::string>{"/m/a.mp3", "/m/d.mp3"}));
    EXPECT_EQ(view.selectedVector(), Lines{3});
    EXPECT_EQ(view.repaints, repaints + 1);
}

} // namespace
} // namespace kesto::test
