#include "playlist/playlist_sort.h"

#include "controls/fast_strings.h"
#include "player_fixture.h"

#include <algorithm>
#include <numeric>
#include <random>

namespace kesto::test {
namespace {

using Strings = std::vector<std::string>;

TEST(SortStrings, IgnoresAsciiCaseAndComparesBytes) {
    struct Case {
        Strings in, out;
    };
    const Case cases[] = {
        {{"b.mp3", "A.mp3", "c.mp3"}, {"A.mp3", "b.mp3", "c.mp3"}},
        {{"B.mp3", "_a.mp3"}, {"_a.mp3", "B.mp3"}}, // folded down: '_' sorts before 'b'
        {{"中.mp3", "z.mp3"}, {"z.mp3", "中.mp3"}}, // UTF-8 bytes sort after ASCII
        {{"ab", "a"}, {"a", "ab"}},
        {{"x"}, {"x"}},
    };
    for (Case c : cases) {
        SortStrings(c.in);
        EXPECT_EQ(c.in, c.out);
    }
}

TEST(SortStrings, AgreesWithAReferenceSortAndKeysCarryTheirIndexes) {
    std::mt19937 rng(7);
    Strings original;
    for (int i = 0; i < 3000; ++i) {
        std::string s = "/Music/" + std::to_string(rng() % 100000) + "_";
        for (int k = 0; k < 6; ++k)
            s.push_back("aBcDeF.-_Zz"[rng() % 11]);
        original.push_back(s + std::to_string(i)); // unique even when folded
    }
    const auto lowerLess = [](const std::string& a, const std::string& b) {
        return asciiLowerCopy(a) < asciiLowerCopy(b);
    };
    Strings expected = original;
    std::sort(expected.begin(), expected.end(), lowerLess);

    Strings sorted = original;
    SortStrings(sorted);
    EXPECT_EQ(sorted, expected);

    Strings keys = original;
    std::vector<int> order(original.size());
    std::iota(order.begin(), order.end(), 0);
    SortStringsByKey(keys, order);
    EXPECT_EQ(keys, expected);
    for (std::size_t k = 0; k < keys.size(); ++k)
        ASSERT_EQ(original[static_cast<std::size_t>(order[k])], keys[k]);
}

// The quicksort as plainly written: lower-cased pivot, Hoare partition.
void plainQuickSort(Strings& s, std::ptrdiff_t lo, std::ptrdiff_t hi) {
    const std::string pivot = asciiLowerCopy(s[static_cast<std::size_t>((lo + hi) / 2)]);
    std::ptrdiff_t i = lo, j = hi;
    const auto at = [&](std::ptrdiff_t k) {
        return asciiLowerCopy(s[static_cast<std::size_t>(k)]);
    };
    do {
        while (at(i) < pivot)
            ++i;
        while (at(j) > pivot)
            --j;
        if (i <= j)
            std::swap(s[static_cast<std::size_t>(i++)], s[static_cast<std::size_t>(j--)]);
    } while (i <= j);
    if (lo < j)
        plainQuickSort(s, lo, j);
    if (i < hi)
        plainQuickSort(s, i, hi);
}

TEST(SortStrings, LinesEqualButForCaseEndAsThePlainQuicksortLeavesThem) {
    // Long shared prefixes and many lines that differ only in case, so that
    // ties are common at every depth.
    std::mt19937 rng(11);
    for (int round = 0; round < 20; ++round) {
        Strings list;
        const std::string prefix(static_cast<std::size_t>(rng() % 40), 'p');
        for (int i = 0; i < 500; ++i) {
            std::string s = prefix + std::to_string(rng() % 7) + std::string(rng() % 30, 'x');
            for (char& c : s)
                if (rng() % 2)
                    c = asciiUpper(c);
            list.push_back(s + (rng() % 3 ? "" : "/tail"));
        }
        Strings expected = list;
        plainQuickSort(expected, 0, static_cast<std::ptrdiff_t>(expected.size()) - 1);
        SortStrings(list);
        ASSERT_EQ(list, expected) << "round " << round;
    }
}

TEST(SortStrings, LargeOrderedAndEqualListsFinish) {
    Strings same(200000, "Same.mp3");
    SortStrings(same);
    EXPECT_EQ(same.front(), "Same.mp3");
    Strings ordered(200000);
    for (std::size_t i = 0; i < ordered.size(); ++i)
        ordered[i] = std::to_string(1000000 + i);
    std::reverse(ordered.begin(), ordered.end());
    SortStrings(ordered);
    EXPECT_TRUE(std::is_sorted(ordered.begin(), ordered.end()));
}

class SortPlaylistTest : public PlayerTest {};

TEST_F(SortPlaylistTest, CurrentLineFollowsItsEntryText) {
    struct Case {
        Strings in;
        int way;
        int current;
        Strings out;
        int currentAfter;
    };
    const Case cases[] = {
        {{"/m/c.mp3", "/m/b.mp3", "/m/a.mp3"}, 0, 0, {"/m/a.mp3", "/m/b.mp3", "/m/c.mp3"}, 2},
        {{"/z/b.mp3", "/a/c.mp3", "/y/A.mp3"}, 1, 1, {"/y/A.mp3", "/z/b.mp3", "/a/c.mp3"}, 2},
        {{"/z/b.mp3", "/a/c.mp3", "/y/A.mp3"}, 0, 1, {"/a/c.mp3", "/y/A.mp3", "/z/b.mp3"}, 0},
        // duplicates: the first equal one becomes current
        {{"/m/x.mp3", "/m/a.mp3", "/m/x.mp3"}, 0, 2, {"/m/a.mp3", "/m/x.mp3", "/m/x.mp3"}, 1},
        // no current line: an empty entry must not become one
        {{"/m/b.mp3", "", "/m/a.mp3"}, 0, -1, {"", "/m/a.mp3", "/m/b.mp3"}, -1},
    };
    for (const Case& c : cases) {
        show(c.in);
        pl.CurrentIndex = c.current;
        SortPlaylist(player, sortingWayFromInt(c.way));
        EXPECT_EQ(entries, c.out);
        EXPECT_EQ(pl.CurrentIndex, c.currentAfter);
        EXPECT_EQ(toInt(pl.SortingWay), c.way);
        EXPECT_EQ(view.selectedVector(), std::vector<int>{0}); // refreshed without keeping
    }
}

TEST_F(SortPlaylistTest, ShortListOnlyRemembersTheWay) {
    show({"/m/b.mp3"});
    SortPlaylist(player, SortingWay::FileName);
    EXPECT_EQ(pl.SortingWay, SortingWay::FileName);
    EXPECT_EQ(view.lineCountChanges, 0);
}

} // namespace
} // namespace kesto::test
