#include "playlist/find_results.h"

#include "player_fixture.h"

#include <random>

namespace kesto::test {
namespace {

using Rows = std::vector<int>;

TEST(FindFilter, MatchesTheWholeEntryIgnoringLetterCase) {
    const std::vector<std::string> entries = {
        "/music/Dido/one.mp3", "/music/abc.mp3",        "D:\\Songs\\x.mp3", "/m/x.ogg|Radio d",
        "/m/中文d.mp3",        "http://host/stream|Tê", "/m/plain.wav",
    };
    struct Case {
        const char* text;
        Rows rows;
    };
    const Case cases[] = {
        {"d", {0, 2, 3, 4}},         // any d or D: in a folder, a drive letter, a title
        {"D", {0, 2, 3, 4}},         // the same the other way round
        {"", {0, 1, 2, 3, 4, 5, 6}}, // every entry, in order
        {"中文", {4}},               // multi-byte text compares byte for byte
        {"TÊ", {}},                  // only ASCII letters fold
        {"radio", {3}},              // the title counts
        {"zzz", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FilterResults(entries, c.text), c.rows) << c.text;
}

TEST(FindFilter, NarrowingTheLastResultGivesTheSameRows) {
    std::mt19937 random(7);
    std::vector<std::string> entries;
    const std::string letters = "abAB/.";
    for (int i = 0; i < 2000; ++i) {
        std::string e;
        for (int n = 0; n < 12; ++n)
            e += letters[random() % letters.size()];
        entries.push_back(e);
    }
    std::string typed;
    Rows rows = FilterResults(entries, typed);
    for (const char c : std::string("aBab")) {
        typed += c;
        rows = refineResults(entries, rows, typed);
        ASSERT_EQ(rows, FilterResults(entries, typed)) << typed;
    }
    EXPECT_TRUE(textNarrows("ab", "xAB"));
    EXPECT_FALSE(textNarrows("ab", "a"));
    EXPECT_FALSE(textNarrows("", "a")); // no rows yet to narrow
    // Only ASCII letters fold: "é" does not stand for "É".
    EXPECT_FALSE(textNarrows("\xC3\xA9", "\xC3\x89"));
    // Rows of a list that has since shrunk are dropped, not read.
    EXPECT_EQ(refineResults({"ab"}, {0, 5}, "a"), Rows{0});
}

TEST(FindKeys, MoveTheFocusByRowsAndPages) {
    // 100 rows, 10 on screen, the top row 20.
    struct Case {
        FindKey key;
        int focused, expected;
    };
    const Case cases[] = {
        {FindKey::Down, 25, 26},     {FindKey::Up, 25, 24},       {FindKey::Down, 99, 99},
        {FindKey::Up, 0, 0},         {FindKey::PageDown, 25, 29}, // to the last visible row
        {FindKey::PageDown, 29, 39}, // on it already: a whole page further
        {FindKey::PageUp, 25, 20},   // to the top row
        {FindKey::PageUp, 20, 10},   // on it already: a page back
    };
    for (const Case& c : cases)
        EXPECT_EQ(findKeyRow(c.key, c.focused, 20, 10, 100), c.expected)
            << static_cast<int>(c.key) << " from " << c.focused;
    EXPECT_EQ(findKeyRow(FindKey::PageDown, 95, 91, 10, 100), 99); // clamped at the end
    EXPECT_EQ(findKeyRow(FindKey::PageUp, 3, 3, 10, 100), 0);
}

class FindCommands : public PlayerTest {
protected:
    void SetUp() override {
        player.playback = &playback;
        show({"/m/a.mp3", "/m/b.mp3", "/m/c.mp3", "/m/d.mp3"});
        pl.CurrentIndex = 0;
        pl.PlayingEntry = "/m/a.mp3";
        view.selected = {0, 1};
    }
};

TEST_F(FindCommands, PlayMovesTheCurrentMarkAndJumpDoesNot) {
    findJump(player, 2);
    EXPECT_EQ(pl.CurrentIndex, 0);
    EXPECT_EQ(view.focused, 2);
    EXPECT_EQ(view.selectedLines(), Rows{2});
    EXPECT_TRUE(playback.calls.empty());

    findPlay(player, 3);
    EXPECT_EQ(pl.CurrentIndex, 3);
    EXPECT_EQ(view.selectedLines(), Rows{3});
    EXPECT_EQ(playback.calls, std::vector<std::string>{"OpenEntry 3"});
}

TEST_F(FindCommands, QueueTogglesAndKeepsTheCurrentLine) {
    findQueue(player, 2);
    EXPECT_EQ(pl.QueueList, std::vector<std::string>{"/m/c.mp3"});
    EXPECT_EQ(pl.CurrentIndex, 0);
    EXPECT_EQ(view.selectedLines(), Rows{2});
    findQueueDone(player);
    EXPECT_EQ(view.selectedLines(), Rows{3}); // the selection moves on a line

    findQueue(player, 2); // queued already: out of the queue again
    EXPECT_TRUE(pl.QueueList.empty());
    findQueue(player, 3);
    findQueueDone(player); // the last line: the selection stays
    EXPECT_EQ(view.selectedLines(), Rows{3});
    EXPECT_TRUE(playback.calls.empty());

    findPlay(player, 9); // an index the list no longer has does nothing
    findQueue(player, -1);
    EXPECT_TRUE(playback.calls.empty());
    EXPECT_EQ(pl.QueueList, std::vector<std::string>{"/m/d.mp3"});
}

} // namespace
} // namespace kesto::test
