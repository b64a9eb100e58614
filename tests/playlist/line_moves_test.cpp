#include "playlist/line_moves.h"

#include <gtest/gtest.h>

#include <random>

namespace kesto {
namespace {

// The block moved one line at a time, the way the list always did it: each
// dragged line is taken out and put back `d` places away while the lines it
// passes shift by one. Slow, and obviously right.
bool moveStepwise(std::vector<std::string>& e, std::vector<int>& idx, int d, int& current) {
    const int n = static_cast<int>(e.size());
    for (int i : idx)
        if (i - d < 0 || i - d > n - 1)
            return false;
    if (d > 0) {
        for (int p : idx) {
            std::string moved = e[p];
            for (int j = p; j > p - d; --j)
                e[j] = e[j - 1];
            e[p - d] = moved;
            if (current == p)
                current -= d;
            else if (current >= p - d && current < p)
                ++current;
        }
    } else {
        for (auto it = idx.rbegin(); it != idx.rend(); ++it) {
            const int p = *it;
            std::string moved = e[p];
            for (int j = p; j < p - d; ++j)
                e[j] = e[j + 1];
            e[p - d] = moved;
            if (current == p)
                current -= d;
            else if (current > p && current <= p - d)
                --current;
        }
    }
    for (int& i : idx)
        i -= d;
    return true;
}

TEST(LineMoves, AgreesWithTheStepwiseMoveOnGeneratedBlocks) {
    std::mt19937 rng(11);
    for (int round = 0; round < 5000; ++round) {
        const int n = 1 + static_cast<int>(rng() % 30);
        std::vector<std::string> entries;
        for (int i = 0; i < n; ++i)
            entries.push_back("e" + std::to_string(i));
        std::vector<int> idx;
        for (int i = 0; i < n; ++i)
            if (rng() % 3 == 0)
                idx.push_back(i);
        if (idx.empty())
            idx.push_back(static_cast<int>(rng() % n));
        const int d = static_cast<int>(rng() % (2 * n + 1)) - n;
        int current = static_cast<int>(rng() % (n + 1)) - 1;

        auto e1 = entries, e2 = entries;
        auto i1 = idx, i2 = idx;
        int c1 = current, c2 = current;
        const bool moved = moveLinesBy(e1, i1, d, c1);
        const bool expected = d != 0 && moveStepwise(e2, i2, d, c2);
        ASSERT_EQ(moved, expected) << "round " << round;
        ASSERT_EQ(e1, e2) << "round " << round << " d " << d;
        ASSERT_EQ(i1, i2);
        ASSERT_EQ(c1, c2) << "the current entry is followed";
        if (moved) {
            ASSERT_EQ(c1 < 0 ? std::string() : e1[c1],
                      current < 0 ? std::string() : entries[current]);
        }
    }
}

TEST(LineMoves, BlocksAtTheEndsDoNotMove) {
    std::vector<std::string> e{"a", "b", "c", "d"};
    std::vector<int> top{0, 2};
    int current = 2;
    EXPECT_FALSE(moveLinesBy(e, top, 1, current));
    std::vector<int> bottom{1, 3};
    EXPECT_FALSE(moveLinesBy(e, bottom, -1, current));
    EXPECT_EQ(e, (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(top, (std::vector<int>{0, 2}));
    EXPECT_EQ(current, 2);
}

// A drag keeps its line list while the button is down; should lines go
// meanwhile, a list that names lines outside it moves nothing, however far
// the block would go, and reads nothing outside the list.
TEST(LineMoves, LinesNoLongerInTheListMoveNowhere) {
    struct Case {
        const char* name;
        std::vector<int> indexes;
        int distance;
    };
    const Case cases[] = {
        {"up, the block's end past the list", {3, 5}, 2},
        {"up far, the whole block past the list", {6, 7}, 5},
        {"down, a line before the list", {-1, 1}, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // The drag began on six lines; two have gone since.
        std::vector<std::string> e{"a", "b", "c", "d"};
        std::vector<int> idx = c.indexes;
        int current = 1;
        EXPECT_FALSE(moveLinesBy(e, idx, c.distance, current));
        EXPECT_EQ(e, (std::vector<std::string>{"a", "b", "c", "d"}));
        EXPECT_EQ(idx, c.indexes);
        EXPECT_EQ(current, 1);
    }
}

TEST(LineMoves, AThousandLinesAcrossALongList) {
    std::vector<std::string> e;
    for (int i = 0; i < 100000; ++i)
        e.push_back(std::to_string(i));
    std::vector<int> idx;
    for (int i = 0; i < 1000; ++i)
        idx.push_back(i);
    int current = 500; // playing inside the block
    ASSERT_TRUE(moveLinesBy(e, idx, -99000, current));
    EXPECT_EQ(e[99000], "0");
    EXPECT_EQ(e[99999], "999");
    EXPECT_EQ(e[0], "1000") << "the rest closed up in order";
    EXPECT_EQ(current, 99500);
    EXPECT_EQ(idx.front(), 99000);
}

} // namespace
} // namespace kesto
