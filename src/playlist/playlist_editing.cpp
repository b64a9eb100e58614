#include "playlist/playlist_editing.h"

#include "player/player.h"
#include "playlist/entry.h"
#include "playlist/file_uri.h"
#include "playlist/list_view.h"
#include "playlist/missing_files.h"
#include "playlist/text_slots.h"

#include <algorithm>
#include <sys/stat.h>
#include <unordered_set>

namespace kesto {

namespace {

constexpr const char* kTrashErrorPrefix = "试图清空文件:         ";

// Any existing thing but a folder, as the player has always counted files.
bool existsAsFile(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

// The selected lines that name entries, ascending. The view may briefly know
// more lines than the playlist holds; those are not entries to act on.
std::vector<int> selectedEntryLines(const Player& player) {
    std::vector<int> lines = player.view.selectedLines();
    const int size = static_cast<int>(player.playlist.PlaylistEntries.size());
    std::erase_if(lines, [size](int line) { return line < 0 || line >= size; });
    return lines;
}

int indexOfPlayingEntry(const PlaylistState& pl) {
    if (pl.PlayingEntry.empty())
        return -1;
    const auto it =
        std::find(pl.PlaylistEntries.begin(), pl.PlaylistEntries.end(), pl.PlayingEntry);
    return it == pl.PlaylistEntries.end() ? -1 : static_cast<int>(it - pl.PlaylistEntries.begin());
}

// Keeps the entries `keep` says yes to, in order, and moves the current line
// with its entry: it shifts up past dropped lines and is cleared when its own
// line goes. Returns the number dropped.
template <class Keep> std::size_t keepEntries(PlaylistState& pl, Keep keep) {
    std::vector<std::string>& entries = pl.PlaylistEntries;
    const int current = pl.CurrentIndex;
    int newCurrent = current;
    std::size_t out = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const int line = static_cast<int>(i);
        if (keep(line, entries[i])) {
            if (out != i)
                entries[out] = std::move(entries[i]);
            ++out;
            continue;
        }
        if (line < current)
            --newCurrent;
        else if (line == current)
            newCurrent = -1;
    }
    const std::size_t dropped = entries.size() - out;
    entries.resize(out);
    pl.CurrentIndex = current < 0 ? current : newCurrent;
    return dropped;
}

// Each entry on the given lines leaves the queue once: its first copy goes,
// later ones stay; an entry on two lines takes two copies. Done in one pass
// over the queue, since searching it once per line would cost a large
// selection its square.
void unqueueFirstCopies(PlaylistState& pl, const std::vector<int>& lines) {
    std::vector<std::string>& queue = pl.QueueList;
    if (queue.empty())
        return;
    TextSlots texts(lines.size());
    std::vector<std::size_t> toDrop; // copies still to go, by text number
    toDrop.reserve(lines.size());
    for (const int line : lines) {
        const std::size_t n = texts.number(pl.PlaylistEntries[static_cast<std::size_t>(line)]);
        if (n == toDrop.size())
            toDrop.push_back(0);
        ++toDrop[n];
    }
    std::size_t out = 0;
    for (std::size_t i = 0; i < queue.size(); ++i) {
        const std::size_t n = texts.find(queue[i]);
        if (n != TextSlots::npos && toDrop[n] > 0) {
            --toDrop[n];
            continue;
        }
        if (out != i)
            queue[out] = std::move(queue[i]);
        ++out;
    }
    queue.resize(out);
}

std::string joinLines(const std::vector<std::string>& lines) {
    std::size_t total = 0;
    for (const std::string& line : lines)
        total += line.size() + 2;
    std::string text;
    text.reserve(total);
    for (const std::string& line : lines)
        text.append(line).append("\r\n");
    return text;
}

} // namespace

void DeleteSelected(Player& player) {
    const std::vector<int> lines = selectedEntryLines(player);
    if (lines.empty())
        return;
    PlaylistState& pl = player.playlist;
    unqueueFirstCopies(pl, lines);
    std::size_t next = 0; // index into `lines`, which is ascending
    keepEntries(pl, [&](int line, const std::string&) {
        if (next >= lines.size() || lines[next] != line)
            return true;
        ++next;
        return false;
    });
    RefreshListView(player, true, false);
}

RealDeletePlan planRealDelete(const Player& player) {
    RealDeletePlan plan;
    const PlaylistState& pl = player.playlist;
    std::unordered_set<std::string_view> planned; // a long selection must not cost its square
    for (const int line : selectedEntryLines(player)) {
        const std::string& entry = pl.PlaylistEntries[static_cast<std::size_t>(line)];
        plan.lines.push_back(line);
        plan.selected.push_back(entry);
        if (line == pl.CurrentIndex)
            plan.includesCurrent = true;
        const std::string_view path = EntryPath(entry);
        if (ClassifyEntry(path) == EntryKind::Stream || path.empty())
            continue;
        if (planned.insert(path).second)
            plan.files.emplace_back(path);
    }
    return plan;
}

std::string realDeleteQuestion(const RealDeletePlan& plan) {
    if (plan.files.size() == 1)
        return "确实要把此文件移到回收站吗？\r\r" + plan.files.front();
    return "确实要把这 " + std::to_string(plan.files.size()) + " 个文件移到回收站吗？";
}

void carryOutRealDelete(Player& player, const RealDeletePlan& plan, const TrashFile& trash) {
    if (plan.empty())
        return;
    // The output lets go of the file before it moves.
    if (plan.includesCurrent && player.playback)
        player.playback->StopPlayback(true);

    std::vector<std::string> failed;
    std::string firstError;
    for (std::size_t i = 0; i < plan.files.size(); ++i) {
        const std::string& file = plan.files[i];
        if (!existsAsFile(file))
            continue; // gone already: nothing to move
        std::string error;
        if (trash(file, error))
            continue;
        failed.push_back(file);
        if (firstError.empty())
            firstError = error;
        // One operation would end here: nothing moves when the first cannot.
        if (i == 0)
            break;
    }
    if (!failed.empty()) {
        std::string text = kTrashErrorPrefix;
        for (std::size_t i = 0; i < failed.size(); ++i)
            text.append(i == 0 ? "" : "\r\n").append(failed[i]);
        text.append("\r\n").append(firstError);
        player.view.ShowMessageKind(MessageKind::Error, text);
    }
    const bool firstFileGone = plan.files.empty() || !existsAsFile(plan.files.front());
    finishRealDelete(player, plan, firstFileGone);
}

void finishRealDelete(Player& player, const RealDeletePlan& plan, bool firstFileGone) {
    PlaylistState& pl = player.playlist;
    if (firstFileGone) {
        // The lines chosen when the plan was made; should the list have
        // changed since, the chosen texts are matched in order instead.
        const std::vector<std::string>& entries = pl.PlaylistEntries;
        bool linesHold = plan.lines.size() == plan.selected.size();
        for (std::size_t k = 0; linesHold && k < plan.lines.size(); ++k) {
            const auto line = static_cast<std::size_t>(plan.lines[k]);
            linesHold = line < entries.size() && entries[line] == plan.selected[k];
        }
        std::size_t next = 0;
        keepEntries(pl, [&](int line, const std::string& entry) {
            if (next >= plan.selected.size())
                return true;
            if (linesHold ? line != plan.lines[next] : entry != plan.selected[next])
                return true;
            ++next;
            // A file that would not move keeps its line: the list shows what is on disk.
            const std::string_view path = EntryPath(entry);
            return ClassifyEntry(path) != EntryKind::Stream && existsAsFile(std::string(path));
        });
    }
    pl.CurrentIndex = indexOfPlayingEntry(pl);
    RefreshListView(player, true, false);
}

void deleteSelectedToTrash(Player& player, const TrashFile& trash) {
    const RealDeletePlan plan = planRealDelete(player);
    if (plan.empty())
        return;
    if (!plan.files.empty() && !player.view.askYesNo(realDeleteQuestion(plan)))
        return;
    carryOutRealDelete(player, plan, trash);
}

void cropPlaylist(Player& player) {
    PlaylistState& pl = player.playlist;
    const std::vector<int> lines = selectedEntryLines(player);
    std::vector<std::string> kept;
    if (lines.size() < 2) {
        if (pl.QueueList.empty()) {
            player.view.ShowMessageKind(MessageKind::Information, "请至少先选择或队列两个文件。");
            return;
        }
        kept = std::move(pl.QueueList);
        pl.QueueList.clear();
    } else {
        kept.reserve(lines.size());
        for (const int line : lines)
            kept.push_back(std::move(pl.PlaylistEntries[static_cast<std::size_t>(line)]));
    }
    pl.PlaylistEntries = std::move(kept);
    RefreshListView(player, false, false);
    pl.CurrentIndex = indexOfPlayingEntry(pl);
    if (pl.CurrentIndex >= 0) {
        ScrollToCurrent(player);
        SelectEntry(player, pl.CurrentIndex);
    }
}

std::string copySelectedText(const Player& player) {
    std::vector<std::string> lines;
    for (const int line : selectedEntryLines(player))
        lines.push_back(player.playlist.PlaylistEntries[static_cast<std::size_t>(line)]);
    return joinLines(lines);
}

std::string cutSelected(Player& player) {
    std::string text = copySelectedText(player);
    DeleteSelected(player);
    return text;
}

std::vector<std::string> clipboardEntries(std::string_view text) {
    std::vector<std::string> entries;
    // What follows the last line end is not a whole line.
    const std::size_t last = text.find_last_of("\r\n");
    if (last == std::string_view::npos)
        return entries;
    text = text.substr(0, last);
    std::size_t pos = 0;
    while (pos <= text.size()) {
        const std::size_t end = std::min(text.find_first_of("\r\n", pos), text.size());
        const std::string_view piece = text.substr(pos, end - pos);
        if (piece.find_first_not_of(" \t") != std::string_view::npos)
            entries.push_back(localEntryText(piece));
        pos = end + 1;
    }
    return entries;
}

void pasteEntries(Player& player, std::string_view clipboardText) {
    PlaylistState& pl = player.playlist;
    std::vector<std::string> pieces = clipboardEntries(clipboardText);
    std::vector<std::string>& entries = pl.PlaylistEntries;
    const int focused = player.view.focusedLine();
    const std::size_t at =
        focused < 0 ? 0 : std::min(static_cast<std::size_t>(focused), entries.size());
    const int count = static_cast<int>(pieces.size());
    entries.insert(entries.begin() + static_cast<std::ptrdiff_t>(at),
                   std::make_move_iterator(pieces.begin()), std::make_move_iterator(pieces.end()));

    RefreshListView(player, true, true);
    PlayerView& view = player.view;
    view.beginListUpdate();
    view.clearSelection();
    if (count >= 1 && count < VisibleLineCount(player)) {
        std::vector<int> pasted(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i)
            pasted[static_cast<std::size_t>(i)] = static_cast<int>(at) + i;
        view.selectLines(pasted);
    }
    view.endListUpdate();
    pl.CurrentIndex = indexOfPlayingEntry(pl);
}

void removeMissingFiles(Player& player) {
    const std::size_t removed = keepEntries(
        player.playlist, [](int, const std::string& entry) { return !namesMissingFile(entry); });
    RefreshListView(player, true, true);
    player.view.ShowMessageKind(MessageKind::Information,
                                std::to_string(removed) + " 个缺少的文件被移除。");
}

void clearQueueAndHistory(Player& player) {
    PlaylistState& pl = player.playlist;
    if (pl.QueueList.empty() && pl.ShuffleHistory.empty())
        return;
    pl.QueueList.clear();
    pl.ShuffleHistory.clear();
    RefreshListView(player, true, true);
}

void clearPlaylist(Player& player) {
    PlaylistState& pl = player.playlist;
    pl.PlaylistEntries.clear();
    // No line is left to be current; the playing entry itself plays on.
    pl.CurrentIndex = -1;
    clearQueueAndHistory(player);
    RefreshListView(player, false, false);
}

void editFocusedEntry(Player& player, const EditText& edit) {
    std::vector<std::string>& entries = player.playlist.PlaylistEntries;
    if (entries.empty())
        return;
    const int focused = player.view.focusedLine();
    if (focused >= 0 && static_cast<std::size_t>(focused) < entries.size()) {
        const auto line = static_cast<std::size_t>(focused);
        const std::string offered = entries[line];
        std::string text = offered;
        bool accepted = false;
        {
            // The dialog is a nested loop: list changes wait until it returns.
            const auto loop = player.nestedLoops.enter();
            accepted = edit(text);
        }
        // Should the list have changed all the same, the answer belongs to
        // the entry that was offered, not to whatever line has its place now.
        if (accepted && line < entries.size() && entries[line] == offered)
            entries[line] = std::move(text);
    }
    RefreshListView(player, true, false);
}

std::optional<std::string> currentEntryNameText(const Player& player) {
    const PlaylistState& pl = player.playlist;
    if (pl.CurrentIndex < 0 ||
        static_cast<std::size_t>(pl.CurrentIndex) >= pl.PlaylistEntries.size())
        return std::nullopt;
    const std::string& entry = pl.PlaylistEntries[static_cast<std::size_t>(pl.CurrentIndex)];
    // A "/" inside the title is not a folder separator: only the path is cut.
    const std::string_view path = EntryPath(entry);
    std::string text(fileNamePart(path));
    text.append(std::string_view(entry).substr(path.size()));
    text.append("\r\n");
    return text;
}

} // namespace kesto
