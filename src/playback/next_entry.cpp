#include "playback/next_entry.h"

#include "playback/output.h"
#include "playback/play_order.h"
#include "player/player.h"
#include "playlist/entry.h"

#include <algorithm>

namespace kesto {

namespace {

void freeDecision(Player& player, std::unique_ptr<PreparedNext> next) {
    if (!next)
        return;
    player.audio.StreamFree(next->main);
    player.audio.StreamFree(next->mirror);
}

// Whether `next` is still what the play order would choose now. The choice
// depends on the mode, on where the current entry stands, on the entry
// chosen, on the queue's head and, in shuffle mode, on the history.
bool stillHolds(const Player& player, const PreparedNext& next) {
    const PlaylistState& pl = player.playlist;
    const auto& entries = pl.PlaylistEntries;
    if (next.afterSerial != player.feed.FileSerial.load() ||
        next.mode != player.transport.PlayMode || next.fromIndex != pl.CurrentIndex ||
        next.playlistSize != entries.size() || next.queueSize != pl.QueueList.size())
        return false;
    // A current index outside the list (the size is unchanged) still is.
    if (next.fromIndex >= 0 && static_cast<std::size_t>(next.fromIndex) < entries.size() &&
        entries[static_cast<std::size_t>(next.fromIndex)] != next.fromText)
        return false;
    if (!next.noNext && entries[static_cast<std::size_t>(next.index)] != next.entry)
        return false;
    if (!std::equal(next.queueWalked.begin(), next.queueWalked.end(), pl.QueueList.begin()))
        return false;
    return next.mode != PlayMode::Shuffle || next.historySize == pl.ShuffleHistory.size();
}

std::unique_ptr<PreparedNext> decide(Player& player, std::uint64_t serial) {
    const PlaylistState& pl = player.playlist;
    auto next = std::make_unique<PreparedNext>();
    next->afterSerial = serial;
    next->mode = player.transport.PlayMode;
    next->fromIndex = pl.CurrentIndex;
    if (pl.CurrentIndex >= 0 && pl.CurrentIndex < static_cast<int>(pl.PlaylistEntries.size()))
        next->fromText = pl.PlaylistEntries[static_cast<std::size_t>(pl.CurrentIndex)];
    next->playlistSize = pl.PlaylistEntries.size();
    next->queueSize = pl.QueueList.size();
    next->historySize = pl.ShuffleHistory.size();

    NextChoice choice = chooseNext(player, false);
    next->steps = std::move(choice.steps);
    next->queueWalked = std::move(choice.queueWalked);
    next->index = choice.index;
    next->noNext = choice.index < 0;
    if (next->noNext)
        return next;
    next->entry = pl.PlaylistEntries[static_cast<std::size_t>(choice.index)];
    if (ClassifyEntry(next->entry) != EntryKind::AudioFile)
        return next; // nothing to open: the callback ends the stream instead
    AudioLibrary& audio = player.audio;
    const std::string path(EntryPath(next->entry));
    next->main = audio.StreamCreateFile(path, kStreamDecode);
    next->mirror = audio.StreamCreateFile(path, kStreamDecode);
    if (const auto info = audio.ChannelGetInfo(next->main))
        next->info = *info;
    next->length = audio.StreamGetLength(next->main);
    next->threeSeconds = audio.ChannelSeconds2Bytes(next->main, 3.0);
    next->cutsTail = tailIsCut(player, path, next->info);
    return next;
}

} // namespace

void prepareNext(Player& player) {
    collectHandedBack(player);
    const bool playingFile = player.feed.OutputStream != 0 &&
                             ClassifyEntry(player.playlist.PlayingEntry) == EntryKind::AudioFile;
    if (!playingFile) {
        discardPrepared(player);
        return;
    }
    // The serial first, then Switched: the callback sets Switched before it
    // moves the serial on, so a decision made here is either for the file
    // the window shows or carries a serial the callback refuses.
    const std::uint64_t serial = player.feed.FileSerial.load();
    if (player.feed.Switched || player.transport.switchedTo)
        return;
    if (const PreparedNext* current = player.feed.nextEntry.peek();
        current && stillHolds(player, *current))
        return;
    freeDecision(player, player.feed.nextEntry.publish(decide(player, serial)));
}

void playOrderChanged(Player& player) {
    prepareNext(player);
}

void discardPrepared(Player& player) {
    freeDecision(player, player.feed.nextEntry.publish(nullptr));
}

void collectHandedBack(Player& player) {
    for (auto& next : player.feed.nextEntry.collect()) {
        if (!next->accepted) {
            freeDecision(player, std::move(next));
            continue;
        }
        // The output plays it now: what choosing it implied takes effect, and
        // a queued copy leaves the queue as it does at an ordinary start.
        PlaylistState& pl = player.playlist;
        applyPlayOrderSteps(player, next->steps);
        if (const auto it = std::find(pl.QueueList.begin(), pl.QueueList.end(), next->entry);
            it != pl.QueueList.end()) {
            pl.QueueList.erase(it);
            pushRecent(player.transport.QueueRecent, next->entry);
        }
        pl.PlayingEntry = next->entry;
        // Its decoders belong to the playback state now.
        next->main = 0;
        next->mirror = 0;
        player.transport.switchedTo = std::move(next);
    }
}

} // namespace kesto
