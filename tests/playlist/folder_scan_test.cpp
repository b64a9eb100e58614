#include "playlist/folder_scan.h"

#include "player_fixture.h"

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace kesto::test {
namespace {

using Strings = std::vector<std::string>;
using Message = FakeView::Message;

TEST(MusicFilter, LastThreeCharactersOnly) {
    struct Case {
        const char* path;
        bool music;
    };
    const Case cases[] = {{"/m/a.MP3", true},   {"/m/b.ogg", true},  {"/m/c.Wav", true},
                          {"/m/c.flac", false}, {"/m/d.mid", false}, {"/m/e.mp2", false},
                          {"/m/xmp3", true},    {"mp", false},       {"/m/f.wma", false}};
    for (const Case& c : cases)
        EXPECT_EQ(isMusicFile(c.path), c.music) << c.path;
}

class FolderScanTest : public PlayerTest {
protected:
    TempDir tree;
    std::string root = tree.path() + "/";

    // root: a.MP3 b.ogg c.flac d.mid, Album.mp3/g.mp3, sub/e.mp3, sub/deeper/f.wav
    void SetUp() override {
        player.playback = &playback;
        for (const char* name : {"a.MP3", "b.ogg", "c.flac", "d.mid", "Album.mp3/g.mp3",
                                 "sub/e.mp3", "sub/deeper/f.wav"}) {
            makeDirs(std::filesystem::path(tree.file(name)).parent_path());
            writeFile(tree.file(name), "x");
        }
    }

    Strings rooted(const Strings& names) {
        Strings out;
        for (const std::string& n : names)
            out.push_back(root + n);
        return out;
    }
};

TEST_F(FolderScanTest, AddsMusicSortedByTheSortingWay) {
    struct Case {
        const char* name;
        bool recursive;
        int sortingWay;
        Strings added;
    };
    const Case cases[] = {
        // without recursion a folder's name is collected like a file's
        {"flat", false, 0, {"a.MP3", "Album.mp3", "b.ogg"}},
        {"recursive by path",
         true,
         0,
         {"a.MP3", "Album.mp3/g.mp3", "b.ogg", "sub/deeper/f.wav", "sub/e.mp3"}},
        {"recursive by name",
         true,
         1,
         {"a.MP3", "b.ogg", "sub/e.mp3", "sub/deeper/f.wav", "Album.mp3/g.mp3"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        show({"/m/first.mp3"});
        pl.SortingWay = sortingWayFromInt(c.sortingWay);
        EXPECT_EQ(AddFolder(player, tree.path(), false, true, c.recursive),
                  FolderAddOutcome::Added);
        Strings expected{"/m/first.mp3"};
        for (const std::string& p : rooted(c.added))
            expected.push_back(p);
        EXPECT_EQ(entries, expected);
        EXPECT_TRUE(view.messages.empty());
        EXPECT_FALSE(pl.ListBusy);
        EXPECT_EQ(view.cursorHistory, (std::vector<bool>{true, false}));
        view.cursorHistory.clear();
        EXPECT_EQ(view.panels[kInfoPanel], "");
    }
}

TEST_F(FolderScanTest, ReplacingKeepsThePlayingEntryCurrent) {
    show({"/m/x.mp3", "/m/y.mp3"});
    pl.PlayingEntry = root + "sub/e.mp3";
    pl.CurrentIndex = 1;
    ASSERT_EQ(AddFolder(player, root, true, false, true), FolderAddOutcome::Added);
    EXPECT_EQ(entries.size(), 5u);
    EXPECT_EQ(pl.CurrentIndex, 4);
    EXPECT_EQ(view.selectedVector(), std::vector<int>{4});

    pl.PlayingEntry = "/m/x.mp3";
    ASSERT_EQ(AddFolder(player, root, true, false, true), FolderAddOutcome::Added);
    EXPECT_EQ(pl.CurrentIndex, -1);
    EXPECT_EQ(view.selectedVector(), std::vector<int>{0});
}

TEST_F(FolderScanTest, NothingToAddLeavesThePlaylistAlone) {
    struct Case {
        std::string folder;
        bool recursive;
        FolderAddOutcome outcome;
        Message message;
    };
    makeDirs(tree.file("only/sub"));
    writeFile(tree.file("only/sub/a.mp3"), "x");
    const Case cases[] = {
        {tree.file("only"),
         false,
         FolderAddOutcome::NoMusic,
         {MessageKind::Information, "在给定的文件夹内没有音乐文件。"}},
        {tree.file("gone"),
         true,
         FolderAddOutcome::NotAFolder,
         {MessageKind::Warning, "无法打开此文件夹。"}},
        {tree.file("a.MP3"),
         true,
         FolderAddOutcome::NotAFolder,
         {MessageKind::Warning, "无法打开此文件夹。"}},
    };
    for (const Case& c : cases) {
        show({"/m/x.mp3"});
        view.messages.clear();
        EXPECT_EQ(AddFolder(player, c.folder, true, false, c.recursive), c.outcome);
        EXPECT_EQ(entries, Strings{"/m/x.mp3"});
        EXPECT_EQ(view.messages, std::vector<Message>{c.message});
    }
}

TEST_F(FolderScanTest, LinksAreFollowedOnceAndCyclesEnd) {
    TempDir outside;
    writeFile(outside.file("o.mp3"), "x");
    ASSERT_EQ(::symlink(tree.path().c_str(), tree.file("sub/loop").c_str()), 0);
    ASSERT_EQ(::symlink(outside.path().c_str(), tree.file("out1").c_str()), 0);
    ASSERT_EQ(::symlink(outside.path().c_str(), tree.file("out2").c_str()), 0);
    ASSERT_EQ(::symlink(tree.file("a.MP3").c_str(), tree.file("linked.mp3").c_str()), 0);
    ASSERT_EQ(::symlink(tree.file("none").c_str(), tree.file("dangling.mp3").c_str()), 0);

    Strings found;
    EXPECT_EQ(ScanFolder(player, found, tree.path(), true), ScanOutcome::Complete);
    int outsideCount = 0;
    for (const std::string& p : found) {
        outsideCount += p.ends_with("/o.mp3");
        EXPECT_EQ(p.find("/loop/"), std::string::npos) << p;
        EXPECT_FALSE(p.ends_with("dangling.mp3"));
    }
    EXPECT_EQ(outsideCount, 1);
    EXPECT_EQ(found.size(), 9u); // 7 files + the file behind one link + the linked file
}

TEST_F(FolderScanTest, FolderGoneWhenEnteredIsSkipped) {
    // Listed with its parent, then gone when the scan enters it.
    makeDirs(tree.file("sub/vanishing"));
    writeFile(tree.file("sub/vanishing/v.mp3"), "x");
    view.onProcessPendingMessages = [this] {
        std::error_code ec;
        std::filesystem::remove_all(tree.file("sub/vanishing"), ec);
    };
    Strings found;
    EXPECT_EQ(ScanFolder(player, found, tree.path(), true), ScanOutcome::Complete);
    EXPECT_EQ(found.size(), 7u);
}

TEST_F(FolderScanTest, FolderWithoutPermissionIsSkipped) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "running as root: a folder without permissions can still be read";
    makeDirs(tree.file("locked"));
    writeFile(tree.file("locked/l.mp3"), "x");
    ::chmod(tree.file("locked").c_str(), 0);
    Strings found;
    EXPECT_EQ(ScanFolder(player, found, tree.path(), true), ScanOutcome::Complete);
    EXPECT_EQ(found.size(), 7u);
}

TEST_F(FolderScanTest, EscAsksOncePerRequestAndYesGivesUp) {
    for (const bool giveUp : {true, false}) {
        SCOPED_TRACE(giveUp ? "Yes" : "No");
        show({"/m/x.mp3"});
        view.questions.clear();
        view.pendingMessageCalls = 0;
        bool busyWhileScanning = false;
        view.onProcessPendingMessages = [&] {
            if (view.pendingMessageCalls == 3) // inside the second folder
                pl.CancelRequested = true;
            busyWhileScanning = busyWhileScanning || pl.ListBusy;
        };
        view.answers = {giveUp};
        const FolderAddOutcome outcome = AddFolder(player, root, true, false, true);
        EXPECT_EQ(view.questions, Strings{"要放弃操作吗？  "});
        EXPECT_TRUE(busyWhileScanning);
        EXPECT_FALSE(pl.ListBusy);
        EXPECT_FALSE(pl.CancelRequested);
        EXPECT_FALSE(view.busyCursor);
        EXPECT_TRUE(view.messages.empty());
        if (giveUp) {
            EXPECT_EQ(outcome, FolderAddOutcome::Cancelled);
            EXPECT_EQ(entries, Strings{"/m/x.mp3"});
        } else {
            EXPECT_EQ(outcome, FolderAddOutcome::Added);
            EXPECT_EQ(entries.size(), 5u);
            // once before the scan, once per folder (4), once before adding
            EXPECT_EQ(view.pendingMessageCalls, 6);
        }
    }
}

TEST_F(FolderScanTest, WaitsForTheOutputToSettle) {
    playback.switchedPolls = 1;
    playback.paused = true;
    EXPECT_EQ(AddFolder(player, root, false, true, false), FolderAddOutcome::Added);
    EXPECT_EQ(playback.calls, Strings{"StopPlayback true"});
    EXPECT_EQ(view.panelHistory.front(), (std::pair<int, std::string>{kCountPanel, "等待..."}));

    playback.switchedPolls = 1;
    pl.CancelRequested = true; // Esc while waiting: ends quietly, the request stays
    const std::size_t before = entries.size();
    EXPECT_EQ(AddFolder(player, root, false, true, false), FolderAddOutcome::Cancelled);
    EXPECT_EQ(entries.size(), before);
    EXPECT_TRUE(pl.CancelRequested);
}

TEST_F(FolderScanTest, RefreshCountsMissingAndNewFiles) {
    const std::string gone = root + "gone.mp3";
    show({root + "b.ogg", gone, root + "c.mp3|Gone too", root + "a.MP3"});
    pl.CurrentIndex = 3;
    pl.LastOpenedDir = "";
    RefreshFolder(player);
    EXPECT_EQ(pl.LastOpenedDir, root);
    EXPECT_EQ(entries[0], root + "b.ogg");
    EXPECT_EQ(entries[1], root + "a.MP3");
    EXPECT_EQ(pl.CurrentIndex, 1); // still on a.MP3
    EXPECT_EQ(entries.size(), 5u); // and the three new ones, in scan order
    EXPECT_EQ(view.messages.back(),
              (Message{MessageKind::Information,
                       "2 个缺少的文件被移除。\r3 个新的文件被找到于:  \r\r" + root}));

    writeFile(tree.file("sub/new.wav"), "x");
    RefreshFolder(player);
    EXPECT_EQ(entries.back(), root + "sub/new.wav");
    EXPECT_EQ(view.messages.back(),
              (Message{MessageKind::Information, "1 个新的文件被找到于:  \r\r" + root}));

    show({});
    pl.LastOpenedDir = "";
    RefreshFolder(player);
    EXPECT_EQ(view.messages.back(), (Message{MessageKind::Information, "请先打开一个文件夹。"}));
}

TEST_F(FolderScanTest, RefreshKeepsStreamsAndTitledFiles) {
    // The stream comes first: the folder to look in is the first file's.
    show({"http://radio/live|Radio", root + "a.MP3|Track A", root + "gone.mp3|Gone", root + "b.ogg",
          "http://radio/other"});
    pl.CurrentIndex = 3;
    pl.LastOpenedDir = "";
    RefreshFolder(player);
    EXPECT_EQ(pl.LastOpenedDir, root);
    // a.MP3 is in the list already, under its title: it is not found as new
    ASSERT_EQ(entries.size(), 7u);
    EXPECT_EQ(Strings(entries.begin(), entries.begin() + 4),
              (Strings{"http://radio/live|Radio", root + "a.MP3|Track A", root + "b.ogg",
                       "http://radio/other"}));
    Strings added(entries.begin() + 4, entries.end()); // in the order the folders list them
    std::sort(added.begin(), added.end());
    EXPECT_EQ(added, rooted({"Album.mp3/g.mp3", "sub/deeper/f.wav", "sub/e.mp3"}));
    EXPECT_EQ(pl.CurrentIndex, 2);
    EXPECT_EQ(view.messages, (std::vector<Message>{
                                 {MessageKind::Information,
                                  "1 个缺少的文件被移除。\r3 个新的文件被找到于:  \r\r" + root}}));
    EXPECT_TRUE(view.questions.empty());
}

TEST_F(FolderScanTest, RefreshGivenUpEndsQuietly) {
    show({root + "gone.mp3"});
    pl.LastOpenedDir = root;
    view.onProcessPendingMessages = [this] {
        pl.CancelRequested = true;
    };
    view.answers = {true};
    RefreshFolder(player);
    EXPECT_TRUE(entries.empty()); // the missing entry was already removed
    EXPECT_TRUE(view.messages.empty());
    EXPECT_FALSE(pl.CancelRequested);
}

} // namespace
} // namespace kesto::test
