#include "tools/favorites_list.h"

#include "playlist/player_fixture.h"

#include <sys/stat.h>

#include <deque>
#include <filesystem>

namespace kesto::test {
namespace {

using Strings = std::vector<std::string>;

class Favorites : public PlayerTest {
protected:
    std::string folder = favoritesFolder(player.paths);
    std::deque<std::optional<std::string>> titles; // the answers to the title question
    Strings suggestions;                           // what each question suggested

    AskFavoriteTitle ask() {
        return [this](const std::string& suggestion) -> std::optional<std::string> {
            suggestions.push_back(suggestion);
            if (titles.empty())
                return std::nullopt;
            auto answer = titles.front();
            titles.pop_front();
            return answer;
        };
    }
    // Every file under the program folder, relative to it.
    Strings filesUnderHome() const {
        Strings files;
        for (const auto& e : std::filesystem::recursive_directory_iterator(home.path()))
            if (e.is_regular_file())
                files.push_back(std::filesystem::relative(e.path(), home.path()).string());
        std::sort(files.begin(), files.end());
        return files;
    }
};

TEST_F(Favorites, ListSortsDigitsFirstAndReadsSubfolders) {
    EXPECT_TRUE(FavoriteList(folder).empty());
    EXPECT_FALSE(fileExists(folder)); // reading does not create the folder
    makeDirs(folder + "Old");
    for (const char* name : {"b.txt", "01 x.txt", "A.m3u", "Old/c.txt", "two.dots.txt"})
        writeFile(folder + name, "/m/a.mp3\n");
    EXPECT_EQ(FavoriteList(folder),
              (Strings{folder + "01 x.txt", folder + "A.m3u", folder + "b.txt",
                       folder + "Old/c.txt", folder + "two.dots.txt"}));
    EXPECT_EQ(favoriteTitle(folder + "two.dots.txt"), "two");
    EXPECT_EQ(favoriteTitle(folder + "Old/c.txt"), "c");
    EXPECT_EQ(suggestedFavoriteTitle("/music/Best.of.txt"), "Best");
    EXPECT_EQ(suggestedFavoriteTitle("/music/Rock/"), "");
}

TEST_F(Favorites, SaveAsksForATitleAndWritesTheList) {
    FavoritesAdd(player, ask());
    EXPECT_EQ(view.messages,
              (std::vector<FakeView::Message>{
                  {MessageKind::Information, "您的播放列表是空的，请先添加一些文件。"}}));
    EXPECT_TRUE(suggestions.empty());

    show({"/m/a.mp3", "/m/b.mp3"});
    pl.LastOpenedDir = "/lists/Evening.m3u";
    titles = {"Evening"};
    EXPECT_TRUE(FavoritesAdd(player, ask()));
    EXPECT_EQ(suggestions.back(), "Evening");
    EXPECT_EQ(readFile(folder + "Evening.txt"), "/m/a.mp3\r\n/m/b.mp3\r\n");

    // The same title again: the question, and No keeps the old file.
    show({"/m/c.mp3"});
    titles = {"Evening"};
    view.answers = {false};
    EXPECT_FALSE(FavoritesAdd(player, ask()));
    EXPECT_EQ(view.questions.back(), "已存在一个同名的播放列表。\r您想要替换已存在的文件吗？");
    EXPECT_EQ(readFile(folder + "Evening.txt"), "/m/a.mp3\r\n/m/b.mp3\r\n");
    titles = {"Evening"};
    view.answers = {true};
    EXPECT_TRUE(FavoritesAdd(player, ask()));
    EXPECT_EQ(readFile(folder + "Evening.txt"), "/m/c.mp3\r\n");

    titles = {""}; // an empty answer ends like cancel
    EXPECT_FALSE(FavoritesAdd(player, ask()));
}

TEST_F(Favorites, ATitleIsANameNeverAPath) {
    show({"/m/a.mp3"});
    makeDirs(folder);
    view.messages.clear();
    titles = {"../../escape", "..", ".", "a/b", std::string(300, 'x'), "fine"};
    EXPECT_TRUE(FavoritesAdd(player, ask()));
    EXPECT_EQ(suggestions.size(), 6u); // asked again after each refusal
    ASSERT_EQ(view.messages.size(), 5u);
    EXPECT_EQ(view.messages[0].kind, MessageKind::Error);
    EXPECT_EQ(view.messages[0].text, kFavoriteSaveFailed);
    EXPECT_EQ(filesUnderHome(), Strings{"Favorites/fine.txt"});

    // Renaming takes the same rule, and says so before asking again.
    titles = {"../out", "better"};
    FavoriteRenameCommand(view, folder, folder + "fine.txt", ask());
    EXPECT_EQ(view.messages.back().text, kFavoriteSaveFailed);
    EXPECT_EQ(suggestions.back(), "fine");
    EXPECT_EQ(filesUnderHome(), Strings{"Favorites/better.txt"});
}

TEST_F(Favorites, RenameMovesToTheTopAndNeverReplaces) {
    makeDirs(folder + "Sub");
    writeFile(folder + "Sub/old.list.m3u", "/m/old.mp3\n");
    writeFile(folder + "keep.txt", "/m/keep.mp3\n");
    EXPECT_EQ(renameFavorite(folder, folder + "Sub/old.list.m3u", "new"), FavoriteRename::Renamed);
    EXPECT_EQ(readFile(folder + "new.txt"), "/m/old.mp3\n");
    EXPECT_FALSE(fileExists(folder + "Sub/old.list.m3u"));

    EXPECT_EQ(renameFavorite(folder, folder + "new.txt", "keep"), FavoriteRename::Failed);
    EXPECT_EQ(readFile(folder + "keep.txt"), "/m/keep.mp3\n");
    EXPECT_EQ(readFile(folder + "new.txt"), "/m/old.mp3\n");
    EXPECT_EQ(renameFavorite(folder, folder + "new.txt", "new"), FavoriteRename::Renamed);
    EXPECT_EQ(renameFavorite(folder, folder + "gone.txt", "other"), FavoriteRename::Failed);

    deleteFavorites({folder + "new.txt", folder + "gone.txt"});
    EXPECT_EQ(FavoriteList(folder), Strings{folder + "keep.txt"});
}

TEST_F(Favorites, AReadOnlySettingsFileDoesNotStopThem) {
    writeFile(player.paths.GetIniPath(), "[General]\n");
    ASSERT_EQ(::chmod(player.paths.GetIniPath().c_str(), 0444), 0);
    show({"/m/a.mp3"});
    titles = {"ro"};
    EXPECT_TRUE(FavoritesAdd(player, ask()));
    EXPECT_EQ(readFile(folder + "ro.txt"), "/m/a.mp3\r\n");
}

TEST_F(Favorites, OpeningKeepsThePlayingEntryCurrent) {
    makeDirs(folder);
    writeFile(folder + "x.txt", "/m/a.mp3\n/m/b.mp3\n/m/c.mp3\n");
    show({"/m/other.mp3"});
    pl.PlayingEntry = "/m/c.mp3";
    pl.CurrentIndex = 0;
    OpenFavorite(player, folder + "x.txt");
    EXPECT_EQ(entries, (Strings{"/m/a.mp3", "/m/b.mp3", "/m/c.mp3"}));
    EXPECT_EQ(pl.CurrentIndex, 2);
    EXPECT_EQ(view.selectedVector(), std::vector<int>{2});
    EXPECT_EQ(pl.LastOpenedDir, folder + "x.txt");

    pl.PlayingEntry = "/m/elsewhere.mp3";
    OpenFavorite(player, folder + "x.txt");
    EXPECT_EQ(pl.CurrentIndex, -1);
}

} // namespace
} // namespace kesto::test
