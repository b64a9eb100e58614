#include "playlist/open_path.h"

#include "player_fixture.h"

namespace kesto::test {
namespace {

using Strings = std::vector<std::string>;

class OpenPathTest : public PlayerTest {
protected:
    TempDir music;
    std::string folder = music.path() + "/";

    void SetUp() override {
        player.playback = &playback;
        // A folder of music and a default playlist of two entries elsewhere.
        for (const char* name : {"b.mp3", "a.mp3", "c.ogg", "notes.txt"})
            writeFile(music.file(name), "x");
        writeFile(player.paths.GetPlaylistPath(), "/old/1.mp3\r\n/old/2.mp3\r\n");
    }
};

TEST_F(OpenPathTest, UnclassifiedPathsAreIgnored) {
    show({"/m/x.mp3"});
    for (const OpenMode mode : {OpenMode::AddOnly, OpenMode::ReplaceList, OpenMode::CommandLine,
                                OpenMode::FromOtherInstance, OpenMode::Dropped}) {
        OpenPath(player, "/m/readme", mode);
        EXPECT_EQ(entries, Strings{"/m/x.mp3"});
    }
    EXPECT_EQ(view.lineCountChanges, 0);
    EXPECT_TRUE(playback.calls.empty());
}

TEST_F(OpenPathTest, ListModesAddOrReplaceWithoutPlaying) {
    const std::string list = music.file("list.m3u");
    writeFile(list, "a.mp3\r\nhttp://s/\r\n");
    const std::string listUri = "file://" + list; // as a desktop's "open with" passes it
    struct Case {
        OpenMode mode;
        const char* path;
        Strings after;
    };
    const Case cases[] = {
        {OpenMode::AddOnly, "/n/new.mp3", {"/m/x.mp3", "/n/new.mp3"}},
        {OpenMode::Dropped, "/n/new.wma", {"/m/x.mp3", "/n/new.wma"}},
        {OpenMode::ReplaceList, "/n/new.xm", {"/n/new.xm"}},
        {OpenMode::AddOnly, list.c_str(), {"/m/x.mp3", folder + "a.mp3", "http://s/"}},
        {OpenMode::ReplaceList, list.c_str(), {folder + "a.mp3", "http://s/"}},
        {OpenMode::ReplaceList, listUri.c_str(), {folder + "a.mp3", "http://s/"}},
        {OpenMode::AddOnly, "file:///n/My%20Song.mp3", {"/m/x.mp3", "/n/My Song.mp3"}},
    };
    for (const Case& c : cases) {
        show({"/m/x.mp3"});
        pl.CurrentIndex = -1;
        OpenPath(player, c.path, c.mode);
        EXPECT_EQ(entries, c.after) << c.path;
        EXPECT_EQ(view.lines, static_cast<int>(c.after.size()));
        EXPECT_EQ(pl.CurrentIndex, -1);
    }
    EXPECT_TRUE(playback.calls.empty());
}

TEST_F(OpenPathTest, FilesFromOutsideFollowTheEnqueueOption) {
    const std::string song = folder + "b.mp3";
    struct Case {
        const char* name;
        OpenMode mode;
        int option;
        std::string path;
        Strings before;
        Strings after;
        int currentAfter;
        Strings calls;
        std::string lastOpenedDir;
    };
    const Case cases[] = {
        {"command line, play and clear",
         OpenMode::CommandLine,
         0,
         song,
         {"/m/x.mp3"},
         {song},
         0,
         {},
         "keep"},
        {"command line, add: joins the default playlist",
         OpenMode::CommandLine,
         1,
         song,
         {},
         {"/old/1.mp3", "/old/2.mp3", song},
         2,
         {},
         ""},
        {"command line, add an entry already there",
         OpenMode::CommandLine,
         1,
         "/old/1.mp3",
         {},
         {"/old/1.mp3", "/old/2.mp3"},
         0,
         {},
         ""},
        {"command line, with its folder",
         OpenMode::CommandLine,
         2,
         song,
         {"/m/x.mp3"},
         {folder + "a.mp3", song, folder + "c.ogg"},
         1,
         {},
         folder},
        {"other instance, play and clear",
         OpenMode::FromOtherInstance,
         0,
         song,
         {"/m/x.mp3"},
         {song},
         0,
         {"OpenEntry 0"},
         "keep"},
        {"other instance, add keeps the current line",
         OpenMode::FromOtherInstance,
         1,
         song,
         {"/m/x.mp3", "/m/y.mp3"},
         {"/m/x.mp3", "/m/y.mp3", song},
         1,
         {},
         "keep"},
        {"other instance, with its folder",
         OpenMode::FromOtherInstance,
         2,
         song,
         {"/m/x.mp3"},
         {folder + "a.mp3", song, folder + "c.ogg"},
         1,
         {"StopPlayback false", "OpenEntry 1"},
         folder},
        {"other instance, a stream has no folder",
         OpenMode::FromOtherInstance,
         2,
         "http://r/live",
         {"/m/x.mp3"},
         {"http://r/live"},
         0,
         {"OpenEntry 0"},
         "keep"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        player.settings.writeEnqueueOption(c.option);
        show(c.before);
        pl.CurrentIndex = c.before.empty() ? -1 : 1;
        pl.LastOpenedDir = "keep";
        playback.calls.clear();
        view.messages.clear();
        OpenPath(player, c.path, c.mode);
        EXPECT_EQ(entries, c.after);
        EXPECT_EQ(pl.CurrentIndex, c.currentAfter);
        EXPECT_EQ(playback.calls, c.calls);
        EXPECT_EQ(pl.LastOpenedDir, c.lastOpenedDir);
        EXPECT_TRUE(view.messages.empty());
        EXPECT_EQ(view.lines, static_cast<int>(c.after.size()));
        if (c.mode == OpenMode::FromOtherInstance && c.option != 1) {
            EXPECT_EQ(view.selectedVector(), std::vector<int>{c.currentAfter});
        }
    }
}

TEST_F(OpenPathTest, PlaylistsFromOutsideStartAtTheirFirstEntry) {
    const std::string list = music.file("list.pls");
    writeFile(list, "[playlist]\r\nFile1=a.mp3\r\nFile2=b.mp3\r\n");
    player.settings.writeEnqueueOption(1);

    show({"/m/x.mp3"});
    pl.CurrentIndex = 0;
    OpenPath(player, list, OpenMode::FromOtherInstance);
    EXPECT_EQ(entries, (Strings{"/m/x.mp3", folder + "a.mp3", folder + "b.mp3"}));
    EXPECT_EQ(pl.CurrentIndex, 1);
    EXPECT_EQ(playback.calls, Strings{"OpenEntry 1"});

    // A playlist that adds nothing leaves the current line where it was.
    playback.calls.clear();
    OpenPath(player, music.file("gone.m3u"), OpenMode::FromOtherInstance);
    EXPECT_EQ(pl.CurrentIndex, 1);
    EXPECT_TRUE(playback.calls.empty());

    // At start-up the default playlist is read first; nothing plays yet.
    entries.clear();
    view.lines = 0;
    OpenPath(player, list, OpenMode::CommandLine);
    EXPECT_EQ(entries, (Strings{"/old/1.mp3", "/old/2.mp3", folder + "a.mp3", folder + "b.mp3"}));
    EXPECT_EQ(pl.CurrentIndex, 2);
    EXPECT_TRUE(playback.calls.empty());
}

TEST_F(OpenPathTest, NoPlaybackMeansNoPlaybackCalls) {
    player.playback = nullptr;
    player.settings.writeEnqueueOption(2);
    OpenPath(player, folder + "a.mp3", OpenMode::FromOtherInstance);
    EXPECT_EQ(entries, (Strings{folder + "a.mp3", folder + "b.mp3", folder + "c.ogg"}));
    EXPECT_EQ(pl.CurrentIndex, 0);
}

TEST_F(OpenPathTest, CancelledFolderScanEndsTheCommand) {
    player.settings.writeEnqueueOption(2);
    show({"/m/x.mp3"});
    view.onProcessPendingMessages = [this] {
        pl.CancelRequested = true;
    };
    view.answers = {true};
    OpenPath(player, folder + "a.mp3", OpenMode::FromOtherInstance);
    EXPECT_TRUE(entries.empty()); // cleared before the folder was scanned, nothing added
    EXPECT_EQ(playback.calls, Strings{"StopPlayback false"});
    EXPECT_FALSE(pl.CancelRequested);
}

} // namespace
} // namespace kesto::test

namespace kesto::test {
namespace {

// A folder on the command line or from a second start brings its music in
// (recursively, sorted), like the folder commands; without this a folder
// argument opened nothing at all.
TEST_F(OpenPathTest, FoldersBringTheirMusic) {
    makeDirs(music.file("sub"));
    writeFile(music.file("sub/d.wav"), "x");
    const Strings folderMusic = {folder + "a.mp3", folder + "b.mp3", folder + "c.ogg",
                                 folder + "sub/d.wav"};
    struct Case {
        const char* name;
        OpenMode mode;
        int option;
        Strings after;
        int currentAfter;
        Strings calls;
    };
    Strings withOld = {"/m/x.mp3"};
    withOld.insert(withOld.end(), folderMusic.begin(), folderMusic.end());
    const Case cases[] = {
        {"command line, play and clear", OpenMode::CommandLine, 0, folderMusic, 0, {}},
        {"second start, play with folder",
         OpenMode::FromOtherInstance,
         2,
         folderMusic,
         0,
         {"StopPlayback false", "OpenEntry 0"}},
        {"second start, only add", OpenMode::FromOtherInstance, 1, withOld, -1, {}},
        {"dropped", OpenMode::Dropped, 0, withOld, -1, {}},
    };
    for (const Case& c : cases) {
        show({"/m/x.mp3"});
        pl.CurrentIndex = -1;
        playback.calls.clear();
        player.settings.writeEnqueueOption(c.option);
        OpenPath(player, music.path(), c.mode); // without the trailing "/"
        EXPECT_EQ(entries, c.after) << c.name;
        EXPECT_EQ(pl.CurrentIndex, c.currentAfter) << c.name;
        EXPECT_EQ(playback.calls, c.calls) << c.name;
    }
    // A folder without music says so and leaves the list as it was.
    TempDir empty;
    show({"/m/x.mp3"});
    OpenPath(player, empty.path(), OpenMode::FromOtherInstance);
    EXPECT_EQ(entries, Strings{"/m/x.mp3"});
    EXPECT_EQ(view.messages.back().text, "在给定的文件夹内没有音乐文件。");
}

} // namespace
} // namespace kesto::test
