// The renamer's name transforms, its checks and its renames on disk.

#include "tools/replace_filenames.h"

#include "playlist/player_fixture.h"

#include <gtest/gtest.h>

using namespace kesto;
using namespace kesto::test;

TEST(RenamerNames, Transforms) {
    struct Case {
        const char* name;
        const char* find;
        const char* replacement;
        const char* expected;
    };
    const Case cases[] = {
        // No find text: the replacement goes in front.
        {"song.mp3", "", "01 ", "01 song.mp3"},
        // Matching ignores case, so a lower-case extension is replaced too.
        {"mp3 song.mp3", "MP3", "ogg", "ogg song.ogg"},
        {"a_b_c.mp3", "_", " ", "a b c.mp3"},
        {"keep.mp3", "zzz", "y", "keep.mp3"},
        // Title case: every word, but nothing made lower and not the last character.
        {"hello big world.mp3", "ignored", "[case]", "Hello Big World.mp3"},
        {"ALL CAPITALS.MP3", "", "[case]", "ALL CAPITALS.MP3"},
        {"ab c", "", "[case]", "Ab c"},
        {"ab", "", "[case]", "ab"},
        {"ä ö.mp3", "", "[case]", "ä ö.mp3"},
        // Only the exact code asks for title case.
        {"x.mp3", "", "[Case]", "[Case]x.mp3"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(transformName(c.name, c.find, c.replacement), c.expected) << c.name;

    const std::vector<std::string> targets{"/m/a/one.mp3", "/m/b/two.mp3|Title"};
    EXPECT_EQ(newPathsFor(targets, "", "x "),
              (std::vector<std::string>{"/m/a/x one.mp3", "/m/b/x two.mp3"}));
}

TEST(RenamerNames, RefusedResults) {
    const std::vector<std::string> targets{"/m/one.mp3", "/m/two.mp3"};
    EXPECT_EQ(firstRefusedName(targets, newPathsFor(targets, "o", "0")), -1);
    // The whole name replaced away, or left as "?".
    EXPECT_EQ(firstRefusedName(targets, newPathsFor(targets, "two.mp3", "")), 1);
    EXPECT_EQ(firstRefusedName(targets, newPathsFor(targets, "two.mp3", "?")), 1);
    // A "/" would move the file elsewhere; "." and ".." are no names.
    EXPECT_EQ(firstRefusedName(targets, newPathsFor(targets, ".mp3", "/x.mp3")), 0);
    EXPECT_EQ(firstRefusedName(targets, newPathsFor(targets, "one.mp3", "..")), 0);
    EXPECT_EQ(firstRefusedName(targets, newPathsFor(targets, "two", "a|b")), 1);
    EXPECT_EQ(refusedNameWarning("/m/two.mp3", "/m/"), "您想要重命名\rtwo.mp3\r为 ''.\r无法进行。");
    EXPECT_EQ(renamedCountMessage(3), "3 个文件已经被重命名。\r检查您的播放列表中更新的文件。");
}

class RenamerFiles : public PlayerTest {
protected:
    std::string put(const std::string& name, const std::string& bytes) {
        writeFile(home.file(name), bytes);
        return home.file(name);
    }
};

TEST_F(RenamerFiles, RenamesOnlyWhatIsFree) {
    const std::string a = put("a.mp3", "A");
    const std::string b = put("b.mp3", "B");
    const std::string taken = put("x b.mp3", "already here");
    const std::string gone = home.file("gone.mp3");
    show({a, gone, b, a + "|Again"});
    pl.QueueList = {b};
    const std::vector<int> lines{0, 1, 2, 3};
    const std::vector<std::string> targets(entries.begin(), entries.end());
    const auto newPaths = newPathsFor(targets, "", "x ");

    EXPECT_EQ(applyRenames(player, lines, targets, newPaths), 1);
    // The free name was taken; the line whose target was taken, and the
    // missing file's, keep their paths.
    EXPECT_EQ(readFile(home.file("x a.mp3")), "A");
    EXPECT_EQ(readFile(taken), "already here");
    EXPECT_EQ(readFile(b), "B");
    EXPECT_EQ(entries[0], home.file("x a.mp3"));
    EXPECT_EQ(entries[1], gone);
    EXPECT_EQ(entries[2], b);
    EXPECT_EQ(pl.QueueList, (std::vector<std::string>{b}));
    // A second line of the renamed file follows it, keeping its title.
    EXPECT_EQ(entries[3], home.file("x a.mp3") + "|Again");

    // Names that do not change are not renamed and not counted.
    const std::vector<std::string> now(entries.begin(), entries.end());
    EXPECT_EQ(applyRenames(player, lines, now, newPathsFor(now, "zzz", "y")), 0);
}
