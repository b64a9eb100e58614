#include "playlist/folder_scan.h"

#include "controls/fast_strings.h"
#include "player/player.h"
#include "playlist/entry.h"
#include "playlist/list_view.h"
#include "playlist/missing_files.h"
#include "playlist/playlist_sort.h"

#include <algorithm>
#include <chrono>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <unordered_set>

namespace kesto {

namespace {

constexpr const char* kAskCancel = "要放弃操作吗？  ";

bool isDirectory(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Any existing thing but a folder, as the player has always counted files.
bool existsAsFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

// The folder of the first entry that names a local file; a stream (or a
// title with a "/" in it) is no folder to look in.
std::string firstLocalFolder(const std::vector<std::string>& entries) {
    for (const std::string& e : entries) {
        const std::string_view path = EntryPath(e);
        if (!isUrl(path))
            return std::string(folderPart(path));
    }
    return {};
}

std::string withSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/')
        folder.push_back('/');
    return folder;
}

struct DirId {
    dev_t dev;
    ino_t ino;
    bool operator==(const DirId&) const = default;
};

struct DirIdHash {
    std::size_t operator()(const DirId& id) const noexcept {
        return std::hash<unsigned long long>()(static_cast<unsigned long long>(id.ino) * 31u +
                                               static_cast<unsigned long long>(id.dev));
    }
};

// One folder's listing, taken whole before anything is entered so that a deep
// tree holds one open folder at a time instead of one per level.
struct Item {
    std::string name;
    unsigned char type; // DT_DIR, DT_REG or DT_UNKNOWN for anything to leave out
};

class Scanner {
public:
    Scanner(Player& player, std::vector<std::string>& list, bool recursive)
        : player_(player), list_(list), recursive_(recursive) {}

    ScanOutcome scan(const std::string& folder) {
        player_.view.processPendingMessages();
        PlaylistState& pl = player_.playlist;
        if (pl.CancelRequested) {
            pl.CancelRequested = false;
            if (player_.view.askYesNo(kAskCancel)) {
                pl.CancelRequested = true;
                pl.ListBusy = false;
                return ScanOutcome::Aborted;
            }
        }

        std::vector<Item> items;
        if (!list(folder, items))
            return ScanOutcome::Complete; // unreadable, gone, or seen before
        for (Item& item : items) {
            std::string path = folder + item.name;
            if (recursive_ && item.type == DT_DIR) {
                path.push_back('/');
                const ScanOutcome outcome = scan(path);
                if (outcome != ScanOutcome::Complete)
                    return outcome;
            } else {
                list_.push_back(std::move(path));
            }
        }
        return ScanOutcome::Complete;
    }

private:
    bool list(const std::string& folder, std::vector<Item>& items) {
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return false;
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !visited_.insert(DirId{st.st_dev, st.st_ino}).second) {
            ::close(fd);
            return false;
        }
        DIR* dir = ::fdopendir(fd);
        if (!dir) {
            ::close(fd);
            return false;
        }
        while (const dirent* e = ::readdir(dir)) {
            const std::string_view name = e->d_name;
            if (name == "." || name == "..")
                continue;
            unsigned char type = e->d_type;
            if (type == DT_LNK || type == DT_UNKNOWN) {
                struct stat target {};
                if (::fstatat(::dirfd(dir), e->d_name, &target, 0) != 0)
                    continue; // a dangling link names no file
                type = S_ISDIR(target.st_mode)   ? DT_DIR
                       : S_ISREG(target.st_mode) ? DT_REG
                                                 : DT_UNKNOWN;
            }
            if (type == DT_DIR || type == DT_REG)
                items.push_back(Item{std::string(name), type});
        }
        ::closedir(dir);
        return true;
    }

    Player& player_;
    std::vector<std::string>& list_;
    bool recursive_;
    std::unordered_set<DirId, DirIdHash> visited_;
};

void keepMusicFiles(std::vector<std::string>& paths) {
    std::erase_if(paths, [](const std::string& p) { return !isMusicFile(p); });
}

} // namespace

bool isMusicFile(std::string_view path) {
    if (path.size() < 3)
        return false;
    const std::string_view last = path.substr(path.size() - 3);
    return equalsIgnoreCase(last, "mp3") || equalsIgnoreCase(last, "wav") ||
           equalsIgnoreCase(last, "ogg");
}

ScanOutcome ScanFolder(Player& player, std::vector<std::string>& list, const std::string& folder,
                       bool recursive) {
    // The scan lets events in between folders: list changes wait until it is done.
    const auto loop = player.nestedLoops.enter();
    try {
        Scanner scanner(player, list, recursive);
        return scanner.scan(withSlash(folder));
    } catch (const std::exception&) {
        return ScanOutcome::Failed;
    }
}

FolderAddOutcome AddFolder(Player& player, const std::string& folderIn, bool clear,
                           bool keepPosition, bool recursive) {
    PlaylistState& pl = player.playlist;
    PlayerView& view = player.view;

    // The output may have moved to the next file without the window having
    // followed; changing the list under it now would lose the playing line.
    while (player.playback && player.playback->outputSwitched()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        view.setStatusPanelText(kCountPanel, "等待...");
        view.processPendingMessages();
        if (pl.CancelRequested)
            return FolderAddOutcome::Cancelled;
        if (player.playback->outputPaused())
            player.playback->StopPlayback(true);
    }

    const std::string folder = withSlash(folderIn);
    if (folderIn.empty() || !isDirectory(folder)) {
        view.ShowMessageKind(MessageKind::Warning, "无法打开此文件夹。");
        return FolderAddOutcome::NotAFolder;
    }

    // Busy from the moment the text offers Esc: Esc or the close box then
    // only ask the scan to stop.
    pl.ListBusy = true;
    view.setBusyCursor(true);
    view.setStatusPanelText(kInfoPanel, "正在打开... 按下 ESC 放弃");
    view.processPendingMessages();

    std::vector<std::string> found;
    const ScanOutcome outcome = ScanFolder(player, found, folder, recursive);
    pl.ListBusy = false;
    view.setBusyCursor(false);
    view.setStatusPanelText(kInfoPanel, "");
    if (outcome != ScanOutcome::Complete) {
        if (pl.CancelRequested) {
            pl.CancelRequested = false;
            return FolderAddOutcome::Cancelled;
        }
        view.ShowMessageKind(MessageKind::Error, "错误 11\r\r请报告此错误。");
    }

    keepMusicFiles(found);
    if (found.empty()) {
        view.ShowMessageKind(MessageKind::Information, "在给定的文件夹内没有音乐文件。");
        return FolderAddOutcome::NoMusic;
    }

    view.setStatusPanelText(kInfoPanel, "正在打开..");
    view.processPendingMessages();
    sortPathsByWay(found, pl.SortingWay);

    std::vector<std::string>& entries = pl.PlaylistEntries;
    if (clear)
        entries.clear();
    if (entries.empty()) {
        entries = std::move(found);
    } else {
        entries.reserve(entries.size() + found.size());
        std::move(found.begin(), found.end(), std::back_inserter(entries));
    }

    bool playingFound = false;
    if (clear) {
        pl.CurrentIndex = -1;
        if (!pl.PlayingEntry.empty()) {
            const auto it = std::find(entries.begin(), entries.end(), pl.PlayingEntry);
            if (it != entries.end()) {
                pl.CurrentIndex = static_cast<int>(it - entries.begin());
                playingFound = true;
                keepPosition = true;
            }
        }
    }

    RefreshListView(player, keepPosition, keepPosition);
    if (playingFound) {
        ScrollToCurrent(player);
        SelectEntry(player, pl.CurrentIndex);
    }
    view.setStatusPanelText(kInfoPanel, "");
    return FolderAddOutcome::Added;
}

void RefreshFolder(Player& player) {
    PlaylistState& pl = player.playlist;
    PlayerView& view = player.view;
    std::vector<std::string>& entries = pl.PlaylistEntries;

    if (!entries.empty() && (pl.LastOpenedDir.empty() || existsAsFile(pl.LastOpenedDir)))
        pl.LastOpenedDir = firstLocalFolder(entries);

    // Lines move when others go; the current line follows its entry text.
    const bool hadCurrent =
        pl.CurrentIndex >= 0 && static_cast<std::size_t>(pl.CurrentIndex) < entries.size();
    const std::string current =
        hadCurrent ? entries[static_cast<std::size_t>(pl.CurrentIndex)] : std::string();
    const std::size_t missing =
        std::erase_if(entries, [](const std::string& e) { return namesMissingFile(e); });
    if (missing > 0 || !hadCurrent) {
        const auto it =
            hadCurrent ? std::find(entries.begin(), entries.end(), current) : entries.end();
        pl.CurrentIndex = it == entries.end() ? -1 : static_cast<int>(it - entries.begin());
    }

    const std::string folder = pl.LastOpenedDir;
    if (!isDirectory(folder)) {
        RefreshListView(player, true, true);
        view.ShowMessageKind(MessageKind::Information, "请先打开一个文件夹。");
        return;
    }

    std::vector<std::string> found;
    // Busy like any other scan, so Esc and the close box only ask it to stop.
    pl.ListBusy = true;
    const ScanOutcome outcome = ScanFolder(player, found, folder, true);
    pl.ListBusy = false;
    if (outcome == ScanOutcome::Aborted) {
        // Giving up is the user's choice, not a fault to report; the flag is
        // consumed so that it cannot cancel the next scan before it starts.
        pl.CancelRequested = false;
        RefreshListView(player, true, true);
        return;
    }
    if (outcome == ScanOutcome::Failed)
        view.ShowMessageKind(MessageKind::Error, "错误 13\r\r请报告此错误。");

    keepMusicFiles(found);
    // Reserved first, so the views into the entries stay valid while new ones are added.
    entries.reserve(entries.size() + found.size());
    // A file is known by its path: a line that carries a title names it too.
    std::unordered_set<std::string_view> known;
    known.reserve(entries.size() + found.size());
    for (const std::string& e : entries)
        known.insert(EntryPath(e));
    std::size_t added = 0;
    for (std::string& path : found) {
        if (known.contains(path))
            continue;
        entries.push_back(std::move(path));
        known.insert(entries.back());
        ++added;
    }
    RefreshListView(player, true, true);

    std::string text;
    if (missing > 0)
        text = std::to_string(missing) + " 个缺少的文件被移除。\r";
    text += std::to_string(added) + " 个新的文件被找到于:  \r\r" + folder;
    view.ShowMessageKind(MessageKind::Information, text);
}

} // namespace kesto
