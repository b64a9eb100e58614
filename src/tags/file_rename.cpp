#include "tags/file_rename.h"

#include "playback/next_entry.h"
#include "playback/output.h"
#include "player/player.h"
#include "playlist/entry.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace kesto {

RenameResult renameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return RenameResult::Renamed;
    if (errno == EEXIST)
        return RenameResult::TargetExists;
    if (errno != EINVAL && errno != ENOSYS)
        return RenameResult::Failed;
    // A file system without the no-replace flag: a hard link under the new
    // name fails when the name is taken, and then the old name goes.
    if (::link(from.c_str(), to.c_str()) != 0)
        return errno == EEXIST ? RenameResult::TargetExists : RenameResult::Failed;
    if (::unlink(from.c_str()) != 0) {
        ::unlink(to.c_str());
        return RenameResult::Failed;
    }
    return RenameResult::Renamed;
}

bool isPlainFileName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("/|") == std::string_view::npos;
}

namespace {

void replaceAllCopies(std::vector<std::string>& texts, const std::string& from,
                      const std::string& to) {
    std::replace(texts.begin(), texts.end(), from, to);
}

void replaceInRing(RecentRing& ring, const std::string& from, const std::string& to) {
    std::replace(ring.slots.begin(), ring.slots.end(), from, to);
}

} // namespace

void replaceEntryText(Player& player, int index, const std::string& newEntry) {
    PlaylistState& pl = player.playlist;
    if (index < 0 || index >= static_cast<int>(pl.PlaylistEntries.size()))
        return;
    // Whatever the fill callback handed back is taken first, so no switch it
    // made still carries the old text afterwards.
    collectHandedBack(player);
    const std::string old = pl.PlaylistEntries[static_cast<std::size_t>(index)];
    if (old == newEntry)
        return;
    pl.PlaylistEntries[static_cast<std::size_t>(index)] = newEntry;
    // Another line with the same text still names the old file: the queue
    // and the history keep their copies for it.
    const bool oldStillListed = std::find(pl.PlaylistEntries.begin(), pl.PlaylistEntries.end(),
                                          old) != pl.PlaylistEntries.end();
    if (!oldStillListed) {
        replaceAllCopies(pl.QueueList, old, newEntry);
        replaceAllCopies(pl.ShuffleHistory, old, newEntry);
        replaceInRing(player.transport.ShuffleRecent, old, newEntry);
        replaceInRing(player.transport.QueueRecent, old, newEntry);
    }
    const bool wasPlaying = pl.PlayingEntry == old && (pl.CurrentIndex == index || !oldStillListed);
    // A decision for the next file made on the old text is stale now. Making
    // a new one takes back what the callback handed back meanwhile, which may
    // be a switch to this very file under its old text.
    playOrderChanged(player);
    const bool nowPlaying = pl.PlayingEntry == old && !oldStillListed;
    if (!wasPlaying && !nowPlaying)
        return;
    pl.PlayingEntry = newEntry;
    if (player.transport.switchedTo && player.transport.switchedTo->entry == old)
        player.transport.switchedTo->entry = newEntry;
    if (player.feed.OutputStream != 0) {
        const std::string title{EntryTitle(newEntry)};
        SetTitleCaption(player, std::string(fileNamePart(title)), title);
    }
}

} // namespace kesto
