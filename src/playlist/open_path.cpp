#include "playlist/open_path.h"

#include "player/player.h"
#include "playlist/entry.h"
#include "playlist/file_uri.h"
#include "playlist/folder_scan.h"
#include "playlist/list_view.h"
#include "playlist/playlist_files.h"

#include <algorithm>
#include <sys/stat.h>

namespace kesto {

namespace {

void readPlaylistOfKind(Player& player, const std::string& path, EntryKind kind) {
    switch (kind) {
    case EntryKind::M3uList:
        ReadM3u(player, path);
        break;
    case EntryKind::PlsList:
        ReadPls(player, path);
        break;
    case EntryKind::AsxList:
        ReadAsx(player, path);
        break;
    case EntryKind::B4sList:
        ReadB4s(player, path);
        break;
    case EntryKind::TxtList:
        ReadTxt(player, path);
        break;
    default:
        break;
    }
}

bool isValidIndex(const PlaylistState& pl, int index) {
    return index >= 0 && static_cast<std::size_t>(index) < pl.PlaylistEntries.size();
}

// A file from the command line or another instance: added (or found) and,
// unless the option only adds, made current and played.
void openPlayable(Player& player, const std::string& path, OpenMode mode, int option) {
    PlaylistState& pl = player.playlist;
    const bool fromOther = mode == OpenMode::FromOtherInstance;
    const bool onlyAdd = fromOther && option == kEnqueueAdd;

    // A URL has no folder to open; asking for one would only end in
    // "无法打开此文件夹。" before the stream plays.
    if (option == kEnqueuePlayWithFolder && !isUrl(path)) {
        if (fromOther && player.playback)
            player.playback->StopPlayback(false);
        const std::string folder(folderPart(path));
        if (AddFolder(player, folder, true, false, false) == FolderAddOutcome::Cancelled)
            return;
        pl.LastOpenedDir = folder;
        RefreshListView(player, false, false);
    }

    std::vector<std::string>& entries = pl.PlaylistEntries;
    const auto found = std::find(entries.begin(), entries.end(), path);
    if (found == entries.end()) {
        entries.push_back(path);
        if (!onlyAdd)
            pl.CurrentIndex = static_cast<int>(entries.size()) - 1;
        RefreshListView(player, true, false);
    } else if (!onlyAdd) {
        pl.CurrentIndex = static_cast<int>(found - entries.begin());
    }

    // At start-up the start sequence plays the current entry once the window runs.
    if (mode == OpenMode::CommandLine)
        return;
    if (option != kEnqueueAdd && player.playback && isValidIndex(pl, pl.CurrentIndex))
        player.playback->OpenEntry(pl.CurrentIndex);
    RefreshListView(player, true, false);
    SelectEntry(player, pl.CurrentIndex);
    ScrollToCurrent(player);
}

bool isExistingFolder(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A folder given to the player ("kesto ~/Music/Album", a folder handed over
// by a second start, or a dropped one) brings its music in, recursively, the
// way the folder commands do; the enqueue option decides, as for a file,
// whether it replaces the list and starts playing.
void openFolder(Player& player, std::string folder, OpenMode mode, int option) {
    PlaylistState& pl = player.playlist;
    if (folder.back() != '/')
        folder += '/';
    const bool fromOutside = mode == OpenMode::CommandLine || mode == OpenMode::FromOtherInstance;
    const bool clear = mode == OpenMode::ReplaceList || (fromOutside && option != kEnqueueAdd);
    if (mode == OpenMode::CommandLine && !clear)
        ReadTxt(player, player.paths.GetPlaylistPath());
    if (mode == OpenMode::FromOtherInstance && clear && player.playback)
        player.playback->StopPlayback(false);
    const int first = clear ? 0 : static_cast<int>(pl.PlaylistEntries.size());
    if (AddFolder(player, folder, clear, !clear, true) != FolderAddOutcome::Added)
        return;
    pl.LastOpenedDir = folder;
    if (!fromOutside || (mode == OpenMode::FromOtherInstance && option == kEnqueueAdd))
        return;
    pl.CurrentIndex = first;
    // At start-up the start sequence plays it once the window runs.
    if (mode == OpenMode::FromOtherInstance && player.playback)
        player.playback->OpenEntry(pl.CurrentIndex);
    RefreshListView(player, true, false);
    SelectEntry(player, pl.CurrentIndex);
    ScrollToCurrent(player);
}

} // namespace

void OpenPath(Player& player, const std::string& given, OpenMode mode) {
    // A desktop's "open with" and a second start may name a file by its URI.
    const std::string path = localEntryText(given);
    const EntryKind kind = ClassifyEntry(path);
    const int option = player.settings.readEnqueueOption();
    if (kind == EntryKind::Unclassified) {
        if (isExistingFolder(path))
            openFolder(player, path, mode, option);
        return;
    }
    PlaylistState& pl = player.playlist;
    const bool fromOutside = mode == OpenMode::CommandLine || mode == OpenMode::FromOtherInstance;
    const bool clearList =
        mode == OpenMode::ReplaceList ||
        (fromOutside && (option == kEnqueuePlayAndClear || option == kEnqueuePlayWithFolder));

    // The default playlist joins a command-line path that is added to it. When
    // the list is cleared right after, reading it would be wasted work: only
    // its clearing of LastOpenedDir would remain, and that is kept.
    if (mode == OpenMode::CommandLine && option != kEnqueuePlayAndClear) {
        if (clearList)
            pl.LastOpenedDir.clear();
        else
            ReadTxt(player, player.paths.GetPlaylistPath());
    }

    if (clearList) {
        pl.PlaylistEntries.clear();
        RefreshListView(player, false, false);
    }

    if (isPlayableKind(kind)) {
        if (fromOutside) {
            openPlayable(player, path, mode, option);
        } else {
            pl.PlaylistEntries.push_back(path);
            RefreshListView(player, true, true);
        }
        return;
    }

    const int before = pl.CurrentIndex;
    if (fromOutside)
        pl.CurrentIndex = static_cast<int>(pl.PlaylistEntries.size());
    readPlaylistOfKind(player, path, kind);
    const int last = static_cast<int>(pl.PlaylistEntries.size()) - 1;
    if (pl.CurrentIndex <= last) {
        if (mode == OpenMode::FromOtherInstance && player.playback && pl.CurrentIndex >= 0)
            player.playback->OpenEntry(pl.CurrentIndex);
        RefreshListView(player, true, true);
    } else {
        // The current line would name no entry (the playlist added nothing, or
        // the stored line lies past the end): keep the old one if it still
        // exists, else there is none.
        pl.CurrentIndex = isValidIndex(pl, before) ? before : -1;
    }
}

} // namespace kesto
