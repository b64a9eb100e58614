#include "playlist/entry.h"
#include "playlist/playlist_paths.h"

#include <gtest/gtest.h>

#include <string>

namespace kesto {
namespace {

TEST(ClassifyEntry, KindsByUrlAndExtension) {
    struct Case {
        const char* text;
        EntryKind kind;
    };
    const Case cases[] = {
        {"http://a", EntryKind::Stream},    // eight characters holding "://"
        {"a://b", EntryKind::Unclassified}, // too short to be a URL: by extension
        {"s://.m3u", EntryKind::Stream},
        {"/m/A.MP3", EntryKind::AudioFile},
        {"/m/b.Ogg", EntryKind::AudioFile},
        {"/m/c.mp1", EntryKind::AudioFile},
        {"/m/d.S3M", EntryKind::Module},
        {"/m/e.it", EntryKind::Module},
        {"/m/f.mo3", EntryKind::Module},
        {"/m/g.WMA", EntryKind::Stream},
        {"/m/h.umx", EntryKind::Unclassified},
        {"/m/list.M3U", EntryKind::M3uList},
        {"/m/list.pls", EntryKind::PlsList},
        {"/m/list.asx", EntryKind::AsxList},
        {"/m/list.b4s", EntryKind::B4sList},
        {"/m/list.txt", EntryKind::TxtList},
        {"/m/noext", EntryKind::Unclassified},
        {"/m.mp3/noext", EntryKind::Unclassified},       // a dot in a folder is no extension
        {"/m/song.mp3|Title.txt", EntryKind::AudioFile}, // only the path part counts
        {"/m/song.mp3x", EntryKind::Unclassified},
        {"", EntryKind::Unclassified},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ClassifyEntry(c.text), c.kind) << c.text;
    EXPECT_TRUE(isPlayableKind(EntryKind::Unclassified));
    EXPECT_FALSE(isPlayableKind(EntryKind::M3uList));
}

TEST(EntrySplit, PathAndTitleAtTheFirstBar) {
    struct Case {
        const char* entry;
        const char* path;
        const char* title;
    };
    const Case cases[] = {
        {"http://x/y|Radio One", "http://x/y", "Radio One"},
        {"http://x/y", "http://x/y", "http://x/y"},
        {"a|b|c", "a", "b|c"},
        {"|t", "", "t"},
        {"/m/a.mp3|", "/m/a.mp3", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EntryPath(c.entry), c.path) << c.entry;
        EXPECT_EQ(EntryTitle(c.entry), c.title) << c.entry;
    }
}

TEST(EntrySplit, TitleStopsAtAThousandCharactersWithoutSplittingOne) {
    std::string chinese;
    for (int i = 0; i < 1001; ++i)
        chinese += "中";
    const std::string title(EntryTitle("http://x/|" + chinese));
    EXPECT_EQ(title.size(), 3000u);
    EXPECT_EQ(title.substr(2997), "中");
}

TEST(EntrySplit, FileNameFolderAndExtension) {
    EXPECT_EQ(fileNamePart("/m/sub/a.b.mp3"), "a.b.mp3");
    EXPECT_EQ(fileNamePart("plain"), "plain");
    EXPECT_EQ(folderPart("/m/sub/a.mp3"), "/m/sub/");
    EXPECT_EQ(folderPart("a.mp3"), "");
    EXPECT_EQ(fileExtension("/m/a.b.MP3"), ".MP3");
    EXPECT_EQ(fileExtension("/m.x/a"), "");
}

TEST(PlaylistLines, RelativeLinesResolveAgainstThePlaylistFolder) {
    const std::string f = "/home/ann/lists/";
    struct Case {
        const char* line;
        std::string expected;
    };
    const Case cases[] = {
        {"/music/a.mp3", "/music/a.mp3"},
        {"http://s/x", "http://s/x"},
        {"D:\\Music\\a.mp3", "D:\\Music\\a.mp3"},                 // a drive names no Linux folder
        {"\\\\server\\share\\a.mp3", "\\\\server\\share\\a.mp3"}, // network path stays
        {"a.mp3", f + "a.mp3"},
        {"sub/a.mp3", f + "sub/a.mp3"},
        {"sub\\a.mp3", f + "sub/a.mp3"},
        {"\\sub\\a.mp3", f + "sub/a.mp3"},
        {"a.mp3|AC\\DC: live", f + "a.mp3|AC\\DC: live"}, // the title is not a path
        {"", f},
    };
    for (const Case& c : cases)
        EXPECT_EQ(resolvePlaylistLine(c.line, f), c.expected) << c.line;
}

TEST(PlaylistLines, WrittenLinesReadBackAsTheSameEntry) {
    const std::string f = "/home/ann/lists/";
    struct Case {
        std::string entry;
        const char* written;
    };
    const Case cases[] = {
        {f + "a.mp3", "a.mp3"},
        {f + "sub/b.mp3", "sub/b.mp3"},
        {f + "a.mp3|Live", "a.mp3|Live"},
        {"/home/ann/Lists/a.mp3", "/home/ann/Lists/a.mp3"},     // another folder on Linux
        {"/x/home/ann/lists/a.mp3", "/x/home/ann/lists/a.mp3"}, // only a leading match
        {"/home/ann/listsmore/a.mp3", "/home/ann/listsmore/a.mp3"},
        {f + "x:y.mp3", "/home/ann/lists/x:y.mp3"},   // would read back as absolute
        {f + "a\\b.mp3", "/home/ann/lists/a\\b.mp3"}, // would read back as a sub-folder
        {"http://s/x|Jazz", "http://s/x|Jazz"},
    };
    for (const Case& c : cases) {
        const std::string_view written = relativeLineFor(c.entry, f);
        EXPECT_EQ(written, c.written) << c.entry;
        EXPECT_EQ(resolvePlaylistLine(written, f), c.entry) << c.entry;
    }
}

} // namespace
} // namespace kesto
