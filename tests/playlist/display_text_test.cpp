#include "playlist/display_text.h"

#include <gtest/gtest.h>

namespace kesto {
namespace {

TEST(DisplayText, ThreeFormatsAndStreams) {
    const std::vector<std::string> roots{"/music/"};
    struct Case {
        const char* entry;
        int format;
        const char* shown;
    };
    const Case cases[] = {
        {"/music/Artist/01 Song.mp3", 0, "01 Song.mp3"},
        {"/music/Artist/01 Song.mp3", 1, "/music/Artist/01 Song.mp3"},
        {"/music/Artist/01 Song.mp3", 2, "Artist \\ 01 Song"},
        {"/music/Artist/01 Song.mp3", 7, "01 Song.mp3"}, // an unknown format shows the name
        {"/m/a.mp3|x", 0, "a.mp3|x"},
        {"http://x/y|Radio One", 0, "Radio One"},
        {"http://x/y|Radio One", 1, "Radio One"},
        {"http://x/y|Radio One", 2, "Radio One"},
        {"http://x/y", 1, "http://x/y"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(displayTextOf(c.entry, viewFormatFromInt(c.format), roots, " \\ "), c.shown)
            << c.entry << " format " << c.format;
}

TEST(DisplayText, RelativeFormSteps) {
    const std::vector<std::string> roots{"/music/", "/mnt/disk2/songs/", "/plain"};
    struct Case {
        const char* entry;
        const char* shown;
    };
    const Case cases[] = {
        {"/music/Artist/Album/01 Song.mp3", "Artist \\ Album \\ 01 Song"},
        {"/mnt/disk2/songs/x/y.ogg", "x \\ y"},                 // step 1, second root
        {"/home/ann/music/a.mp3", "home \\ ann \\ music \\ a"}, // a root only at the start
        {"/Music/a/b.mp3", "Music \\ a \\ b"},                  // letter case tells folders apart
        {"/plain/a/b.mp3", "a \\ b"},                           // root typed without "/"
        {"/plainer/a.mp3", "plainer \\ a"},
        {"/music/a.b", "a.b"},              // step 2: fewer than four characters remain
        {"/music/歌/a", "歌/a"},            // counted in characters, not bytes
        {"D:\\Music\\a.mp3", "Music \\ a"}, // step 3 on a Windows line
        {"\\\\server\\share\\a.mp3", "server \\ share \\ a"}, // step 4
        {"/music/a//b.mp3", "a \\ b"},
        {"/music/Best.MP3.Hits/a.mp3", "Best.Hits \\ a"}, // step 6, every case
        {"/music/a/noext", "a \\ noext"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(relativeDisplayText(c.entry, roots, " \\ "), c.shown) << c.entry;
    EXPECT_EQ(relativeDisplayText("/music/a/b.mp3", roots, "  /  "), "a  /  b");
}

TEST(DisplayText, LineIndexOutsideThePlaylistShowsNothing) {
    PlaylistState state;
    state.PlaylistEntries = {"/m/a.mp3"};
    EXPECT_EQ(EntryDisplayText(state, 0), "a.mp3");
    EXPECT_EQ(EntryDisplayText(state, 1), "");
    EXPECT_EQ(EntryDisplayText(state, -1), "");
}

} // namespace
} // namespace kesto
