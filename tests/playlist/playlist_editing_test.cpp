#include "playlist/playlist_editing.h"

#include "player_fixture.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace kesto::test {
namespace {

using Strings = std::vector<std::string>;
using Message = FakeView::Message;

class EditingTest : public PlayerTest {
protected:
    void SetUp() override { player.playback = &playback; }

    void select(std::set<int> lines, int focus) {
        view.selected = std::move(lines);
        view.focused = focus;
    }
};

TEST_F(EditingTest, DeleteMovesTheCurrentLineAndUnqueuesOnce) {
    struct Case {
        const char* name;
        std::set<int> selected;
        int current;
        Strings queue;
        Strings entries;
        int newCurrent;
        Strings newQueue;
    };
    // The list is a b c d b; "b" is queued twice.
    const Case cases[] = {
        {"lines above the current one", {0, 1}, 2, {"b", "c", "b"}, {"c", "d", "b"}, 0, {"c", "b"}},
        {"the current line itself", {2}, 2, {"c"}, {"a", "b", "d", "b"}, -1, {}},
        {"lines below the current one", {3, 4}, 2, {"b", "d", "b"}, {"a", "b", "c"}, 2, {"b"}},
        {"both copies of a twice-queued entry",
         {1, 4},
         3,
         {"b", "b", "a"},
         {"a", "c", "d"},
         2,
         {"a"}},
        {"no current line stays none", {0}, -1, {}, {"b", "c", "d", "b"}, -1, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        show({"a", "b", "c", "d", "b"});
        pl.CurrentIndex = c.current;
        pl.QueueList = c.queue;
        pl.ShuffleHistory = {"d"};
        select(c.selected, *c.selected.begin());
        DeleteSelected(player);
        EXPECT_EQ(entries, c.entries);
        EXPECT_EQ(pl.CurrentIndex, c.newCurrent);
        EXPECT_EQ(pl.QueueList, c.newQueue);
        EXPECT_EQ(pl.ShuffleHistory, Strings{"d"});
        EXPECT_EQ(view.lines, static_cast<int>(c.entries.size()));
        // The view keeps its focused line (within the shorter list) and selects only it.
        const int focus = std::min(*c.selected.begin(), view.lines - 1);
        EXPECT_EQ(view.focused, focus);
        EXPECT_EQ(view.selectedVector(), std::vector<int>{focus});
    }
}

TEST_F(EditingTest, DeleteWithoutSelectionChangesNothing) {
    show({"a", "b"});
    pl.CurrentIndex = 1;
    view.selected = {7}; // a stale line the playlist does not have
    DeleteSelected(player);
    EXPECT_EQ(entries, (Strings{"a", "b"}));
    EXPECT_EQ(pl.CurrentIndex, 1);
    EXPECT_EQ(view.lineCountChanges, 0);
}

TEST_F(EditingTest, CropKeepsTheSelectionOrTheQueue) {
    struct Case {
        const char* name;
        std::set<int> selected;
        Strings queue;
        std::string playing;
        Strings entries;
        Strings newQueue;
        int newCurrent;
        std::vector<Message> messages;
    };
    const Case cases[] = {
        {"one line selected, three queued", {1}, {"d", "a", "c"}, "", {"d", "a", "c"}, {}, -1, {}},
        {"the queue holds the playing entry", {}, {"d", "b"}, "b", {"d", "b"}, {}, 1, {}},
        {"two lines selected", {0, 3}, {"b"}, "d", {"a", "d"}, {"b"}, 1, {}},
        {"nothing to keep",
         {2},
         {},
         "c",
         {"a", "b", "c", "d"},
         {},
         2,
         {{MessageKind::Information, "请至少先选择或队列两个文件。"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        show({"a", "b", "c", "d"});
        view.messages.clear();
        pl.CurrentIndex = 2;
        pl.PlayingEntry = c.playing;
        pl.QueueList = c.queue;
        select(c.selected, c.selected.empty() ? -1 : *c.selected.begin());
        cropPlaylist(player);
        EXPECT_EQ(entries, c.entries);
        EXPECT_EQ(pl.QueueList, c.newQueue);
        EXPECT_EQ(pl.CurrentIndex, c.newCurrent);
        EXPECT_EQ(view.messages, c.messages);
        if (c.messages.empty()) {
            // A found current line is the one selected line; else the first line is.
            const int selected = c.newCurrent >= 0 ? c.newCurrent : 0;
            EXPECT_EQ(view.selectedVector(), std::vector<int>{selected});
        }
    }
}

TEST(Clipboard, PiecesEndedByCrLf) {
    struct Case {
        const char* text;
        Strings entries;
    };
    const Case cases[] = {
        {"a\r\nb|Title\r\n", {"a", "b|Title"}},
        {"a\r\nno line end", {"a"}},
        {"only a fragment", {}},
        {"", {}},
        {"\r\n", {}},
        // an empty first line is no entry
        {"\r\na\r\n", {"a"}},
        {"a\r\n\r\nb\r\n", {"a", "b"}},
        // stray line breaks would split the entry in the playlist file
        {"a\nb\r\nc\rd\r\n", {"a", "b", "c", "d"}},
        {"x\r\r\n", {"x"}},
        // Linux text ends its lines with LF alone
        {"/m/a.mp3\n/m/b.mp3|B\n", {"/m/a.mp3", "/m/b.mp3|B"}},
        {"/m/a.mp3\n/m/b.mp3", {"/m/a.mp3"}},
        // blank lines are no rows
        {"\n\n/m/a.mp3\n   \n\t\r\n\n/m/b.mp3\n", {"/m/a.mp3", "/m/b.mp3"}},
        // a file manager's copy: file URIs name local files
        {"file:///m/My%20Song.mp3\nfile://localhost/m/b.ogg\r\n", {"/m/My Song.mp3", "/m/b.ogg"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(clipboardEntries(c.text), c.entries) << '"' << c.text << '"';
}

TEST_F(EditingTest, CopyGivesWholeEntriesEachEndedByCrLf) {
    show({"/m/a.mp3", "/m/b.mp3|B side", "http://radio/|Radio"});
    select({0, 2}, 2);
    EXPECT_EQ(copySelectedText(player), "/m/a.mp3\r\nhttp://radio/|Radio\r\n");
    select({}, -1);
    EXPECT_EQ(copySelectedText(player), "");
    EXPECT_EQ(entries.size(), 3u);
}

TEST_F(EditingTest, PasteInsertsAtTheFocusedLine) {
    struct Case {
        const char* name;
        int focus;
        std::string text;
        Strings entries;
        std::vector<int> selection;
        int newCurrent;
    };
    const std::string eleven = [] {
        std::string t;
        for (int i = 0; i < 11; ++i)
            t += "n" + std::to_string(i) + "\r\n";
        return t;
    }();
    const Case cases[] = {
        {"before the focused line", 2, "x\r\ny|Y\r\nz", {"a", "b", "x", "y|Y", "c"}, {2, 3}, 4},
        {"no focus pastes at the top", -1, "x\r\n", {"x", "a", "b", "c"}, {0}, 3},
        {"nothing whole to paste", 1, "x", {"a", "b", "c"}, {}, 2},
        // 160 / 16 = 10 visible lines; eleven pasted lines are not selected
        {"more lines than fit", 0, eleven, {}, {}, 13},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        show({"a", "b", "c"});
        pl.PlayingEntry = "c";
        pl.CurrentIndex = 2;
        select(c.focus < 0 ? std::set<int>{} : std::set<int>{c.focus}, c.focus);
        pasteEntries(player, c.text);
        if (!c.entries.empty()) {
            EXPECT_EQ(entries, c.entries);
        }
        EXPECT_EQ(view.lines, static_cast<int>(entries.size()));
        EXPECT_EQ(view.selectedVector(), c.selection);
        EXPECT_EQ(pl.CurrentIndex, c.newCurrent);
        EXPECT_EQ(entries[static_cast<std::size_t>(pl.CurrentIndex)], "c");
        EXPECT_EQ(view.updateDepth, 0);
    }
}

TEST_F(EditingTest, CutThenPasteMovesEntriesWithTheirTitles) {
    show({"/m/a.mp3", "/m/b.mp3|Bee", "/m/c.mp3|See", "/m/d.mp3"});
    pl.PlayingEntry = "/m/d.mp3";
    pl.CurrentIndex = 3;
    select({1, 2}, 1);
    const std::string text = cutSelected(player);
    EXPECT_EQ(entries, (Strings{"/m/a.mp3", "/m/d.mp3"}));
    EXPECT_EQ(pl.CurrentIndex, 1);

    select({}, 1);
    pasteEntries(player, text);
    EXPECT_EQ(entries, (Strings{"/m/a.mp3", "/m/b.mp3|Bee", "/m/c.mp3|See", "/m/d.mp3"}));
    EXPECT_EQ(view.selectedVector(), (std::vector<int>{1, 2}));
    EXPECT_EQ(pl.CurrentIndex, 3);
}

class FileEditingTest : public EditingTest {
protected:
    TempDir music;
    TempDir trashDir;
    std::set<std::string> refused; // what the scripted trash will not take
    Strings trashed;

    std::string song(const std::string& name) {
        writeFile(music.file(name), "x");
        return music.file(name);
    }

    // Moves the file into a folder of its own, as the desktop's trash does;
    // a folder without write permission refuses, and so does `refused`.
    TrashFile trash() {
        return [this](const std::string& path, std::string& error) {
            if (refused.contains(path)) {
                error = "权限不够";
                return false;
            }
            const std::string target = trashDir.file(std::to_string(trashed.size()));
            if (std::rename(path.c_str(), target.c_str()) != 0) {
                error = std::strerror(errno);
                return false;
            }
            trashed.push_back(path);
            return true;
        };
    }
};

TEST_F(FileEditingTest, DeleteToTrashAsksThenStopsAndRemovesWhatWent) {
    const std::string a = song("a.mp3"), b = song("b.mp3"), c = song("c.mp3");
    show({a, b + "|Bee", c, "http://radio/"});
    pl.PlayingEntry = b + "|Bee";
    pl.CurrentIndex = 1;
    select({1, 2, 3}, 1);

    view.answers = {false};
    deleteSelectedToTrash(player, trash());
    EXPECT_EQ(view.questions, Strings{"确实要把这 2 个文件移到回收站吗？"});
    EXPECT_TRUE(playback.calls.empty());
    EXPECT_TRUE(trashed.empty());
    EXPECT_EQ(entries.size(), 4u);

    view.answers = {true};
    deleteSelectedToTrash(player, trash());
    // the title is no part of the file's name; the stream has no file
    EXPECT_EQ(trashed, (Strings{b, c}));
    EXPECT_EQ(playback.calls, Strings{"StopPlayback true"});
    EXPECT_EQ(entries, Strings{a});
    EXPECT_EQ(pl.CurrentIndex, -1);
    EXPECT_TRUE(view.messages.empty());
    EXPECT_TRUE(fileExists(a));
}

TEST_F(FileEditingTest, ProtectedFirstFileLeavesTheListUnchanged) {
    // A folder without write permission protects its files, except from root,
    // for whom the scripted trash refuses instead.
    const std::string lockedDir = music.file("locked");
    makeDirs(lockedDir);
    writeFile(lockedDir + "/p.mp3", "x");
    const std::string protectedSong = lockedDir + "/p.mp3";
    const std::string b = song("b.mp3");
    ASSERT_EQ(::chmod(lockedDir.c_str(), 0555), 0);
    if (::geteuid() == 0)
        refused.insert(protectedSong);

    show({protectedSong, "/m/x.mp3", b});
    pl.PlayingEntry = b;
    pl.CurrentIndex = 2;
    select({0, 2}, 0);
    view.answers = {true};
    deleteSelectedToTrash(player, trash());
    ::chmod(lockedDir.c_str(), 0755);

    EXPECT_EQ(entries, (Strings{protectedSong, "/m/x.mp3", b}));
    EXPECT_EQ(pl.CurrentIndex, 2);
    // one operation: nothing moves once the first file refuses
    EXPECT_TRUE(trashed.empty());
    EXPECT_TRUE(fileExists(b));
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].kind, MessageKind::Error);
    EXPECT_TRUE(
        view.messages[0].text.starts_with("试图清空文件:         " + protectedSong + "\r\n"))
        << view.messages[0].text;
}

TEST_F(FileEditingTest, LaterFileThatStaysKeepsItsLine) {
    const std::string a = song("a.mp3"), b = song("b.mp3"), c = song("c.mp3");
    refused.insert(b);
    show({a, b, c, a});
    select({0, 1, 2}, 0);
    view.answers = {true};
    deleteSelectedToTrash(player, trash());
    EXPECT_EQ(trashed, (Strings{a, c}));
    // the unselected copy of "a" stays: lines, not texts, were chosen
    EXPECT_EQ(entries, (Strings{b, a}));
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].text, "试图清空文件:         " + b + "\r\n权限不够");
}

TEST_F(FileEditingTest, PlanAndFinishSplitForTheWindow) {
    const std::string a = song("a.mp3");
    show({a, a, "http://radio/"});
    pl.CurrentIndex = 2;
    select({0, 1, 2}, 0);
    const RealDeletePlan plan = planRealDelete(player);
    EXPECT_EQ(plan.files, Strings{a}); // once, though selected twice
    EXPECT_TRUE(plan.includesCurrent);
    EXPECT_EQ(realDeleteQuestion(plan), "确实要把此文件移到回收站吗？\r\r" + a);

    finishRealDelete(player, plan, false);
    EXPECT_EQ(entries.size(), 3u);
    ASSERT_EQ(std::remove(a.c_str()), 0);
    finishRealDelete(player, plan, true);
    EXPECT_TRUE(entries.empty());

    // streams only: nothing to move, nothing to ask, the lines go
    show({"http://radio/", "/m/x.mp3"});
    select({0}, 0);
    view.questions.clear();
    deleteSelectedToTrash(player, trash());
    EXPECT_TRUE(view.questions.empty());
    EXPECT_EQ(entries, Strings{"/m/x.mp3"});
}

TEST_F(FileEditingTest, RemoveMissingKeepsExistingFilesAndTheCurrentEntry) {
    const std::string a = song("a.mp3"), c = song("c.mp3");
    makeDirs(music.file("folder.mp3"));
    // The list: what each line is and whether it stays.
    const std::pair<std::string, bool> lines[] = {
        {a, true},
        {music.file("gone.mp3"), false},
        {c + "|Title", true}, // the file is there: the title is no part of its name
        {music.file("gone.ogg") + "|Title", false},
        {"http://radio/", true}, // a stream names no local file
        {"http://radio/x|Radio One", true},
        {music.file("folder.mp3"), false},
        {music.file("gone.wma"), false}, // a local path, whatever its extension
        {"", false},
        {c, true},
    };
    Strings list, kept;
    for (const auto& [entry, stays] : lines) {
        list.push_back(entry);
        if (stays)
            kept.push_back(entry);
    }
    struct Case {
        int current;
        int newCurrent;
    };
    for (const Case k : {Case{9, 4}, Case{2, 1}, Case{1, -1}, Case{-1, -1}}) {
        show(list);
        pl.CurrentIndex = k.current;
        view.messages.clear();
        removeMissingFiles(player);
        EXPECT_EQ(entries, kept);
        EXPECT_EQ(pl.CurrentIndex, k.newCurrent);
        EXPECT_EQ(view.messages,
                  (std::vector<Message>{{MessageKind::Information, "5 个缺少的文件被移除。"}}));
        EXPECT_TRUE(view.questions.empty());
    }
}

TEST_F(EditingTest, ClearingTheQueueTheHistoryAndTheList) {
    show({"a", "b", "c"});
    clearQueueAndHistory(player);
    EXPECT_EQ(view.lineCountChanges, 0); // nothing to clear, nothing redrawn

    pl.QueueList = {"b"};
    pl.ShuffleHistory = {"a", "c"};
    clearQueueAndHistory(player);
    EXPECT_TRUE(pl.QueueList.empty());
    EXPECT_TRUE(pl.ShuffleHistory.empty());
    EXPECT_EQ(entries.size(), 3u);

    pl.QueueList = {"b"};
    pl.CurrentIndex = 1;
    pl.PlayingEntry = "b";
    clearPlaylist(player);
    EXPECT_TRUE(entries.empty());
    EXPECT_TRUE(pl.QueueList.empty());
    EXPECT_EQ(pl.CurrentIndex, -1);
    EXPECT_EQ(pl.PlayingEntry, "b");
    EXPECT_EQ(view.lines, 0);
    EXPECT_EQ(view.panels[kCountPanel], "无文件");
}

TEST_F(EditingTest, EditStoresTheFocusedEntrysNewText) {
    struct Case {
        const char* name;
        int focus;
        bool ok;
        Strings entries;
        Strings offered;
    };
    const Case cases[] = {
        {"OK", 1, true, {"a", "edited", "c"}, {"b|Bee"}},
        {"cancel", 1, false, {"a", "b|Bee", "c"}, {"b|Bee"}},
        {"no focused line", -1, true, {"a", "b|Bee", "c"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        show({"a", "b|Bee", "c"});
        select(c.focus < 0 ? std::set<int>{} : std::set<int>{c.focus}, c.focus);
        Strings offered;
        editFocusedEntry(player, [&](std::string& text) {
            offered.push_back(text);
            text = "edited";
            return c.ok;
        });
        EXPECT_EQ(entries, c.entries);
        EXPECT_EQ(offered, c.offered);
    }
    show({});
    bool asked = false;
    editFocusedEntry(player, [&](std::string&) { return asked = true; });
    EXPECT_FALSE(asked);
}

// The edit box is a nested event loop: a removal or a hand-over that comes
// while it is open waits until it returns, and the answer goes into the line
// of the entry that was offered. A change that comes all the same (one that
// does not wait) leaves the answer unwritten rather than written elsewhere.
TEST_F(EditingTest, AnEditLandsOnTheEntryItOfferedWhateverCameMeanwhile) {
    struct Case {
        const char* name;
        bool waits;                          // the change goes through the gate
        std::function<void(Player&)> change; // what comes while the box is open
        Strings afterBox;                    // the list when the box has returned
        Strings afterPass;                   // and once the event loop has run
    };
    // A shorter list in a new buffer, as a playlist read from a file arrives.
    const auto handOver = [](Player& p) {
        p.playlist.PlaylistEntries = Strings{"/other/x.mp3"};
    };
    const auto clear = [](Player& p) {
        clearPlaylist(p);
    };
    const auto dropFirstLine = [](Player& p) {
        p.playlist.PlaylistEntries.erase(p.playlist.PlaylistEntries.begin());
    };
    const Case cases[] = {
        {"a hand-over that replaces the list",
         true,
         handOver,
         {"a", "edited", "c"},
         {"/other/x.mp3"}},
        {"Ctrl+N", true, clear, {"a", "edited", "c"}, {}},
        {"a hand-over that does not wait", false, handOver, {"/other/x.mp3"}, {"/other/x.mp3"}},
        {"a removal that does not wait, of a line above",
         false,
         dropFirstLine,
         {"b|Bee", "c"},
         {"b|Bee", "c"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        show({"a", "b|Bee", "c"});
        select({1}, 1);
        editFocusedEntry(player, [&](std::string& text) {
            if (c.waits)
                player.nestedLoops.whenOutside([&] { c.change(player); });
            else
                c.change(player);
            text = "edited";
            return true;
        });
        EXPECT_EQ(entries, c.afterBox);
        view.runPosted();
        EXPECT_EQ(entries, c.afterPass);
    }
}

TEST_F(EditingTest, CurrentEntryNameForTheClipboard) {
    struct Case {
        const char* entry;
        const char* text;
    };
    const Case cases[] = {
        {"/music/Album/01 Song.mp3", "01 Song.mp3\r\n"},
        {"/music/b.mp3|AC/DC live", "b.mp3|AC/DC live\r\n"},
        {"http://radio.example/live", "live\r\n"},
        {"plain.mp3", "plain.mp3\r\n"},
    };
    for (const Case& c : cases) {
        show({"first", c.entry});
        pl.CurrentIndex = 1;
        EXPECT_EQ(currentEntryNameText(player), std::optional<std::string>(c.text)) << c.entry;
    }
    for (const int current : {-1, 2}) {
        pl.CurrentIndex = current;
        EXPECT_EQ(currentEntryNameText(player), std::nullopt) << current;
    }
}

} // namespace
} // namespace kesto::test
