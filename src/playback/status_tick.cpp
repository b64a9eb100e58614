#include "playback/status_tick.h"

#include "platform/memory.h"
#include "playback/next_entry.h"
#include "playback/output.h"
#include "playback/play_order.h"
#include "playback/time_text.h"
#include "player/player.h"
#include "playlist/entry.h"
#include "playlist/list_view.h"

#include <algorithm>

namespace kesto {

namespace {

constexpr int kDrainWatchPeriodMs = 5;

void showTime(Player& player, const std::string& text) {
    if (text == player.TimeLabel)
        return;
    player.TimeLabel = text;
    player.view.setTimeLabel(text);
}

void fileTick(Player& player) {
    const std::int64_t pos = BytesToMs(player, FilePosition(player));
    const std::int64_t max = player.SeekBarMax;
    if (max - pos < 0) {
        // Past the end: the old file's last blocks after a switch.
        if (player.SeekBarPosition != max) {
            player.SeekBarPosition = max;
            player.view.showSeekBar(max, max);
        }
        return;
    }
    if (pos != player.SeekBarPosition) {
        player.SeekBarPosition = pos;
        player.view.showSeekBar(max, pos);
    }
    const auto text = player.FineTime ? timeTextFine : timeTextNormal;
    showTime(player, text(pos) + " / " + text(max) + " / -" + text(max - pos));
}

// False when the tick ends here.
bool streamTick(Player& player) {
    const ChannelState state = outputState(player);
    if (state == ChannelState::Stalled) {
        AudioLibrary& audio = player.audio;
        const AudioHandle main = player.MainDecoder;
        std::int64_t ahead = (audio.StreamGetFilePosition(main, FilePositionMode::Download) -
                              audio.StreamGetFilePosition(main, FilePositionMode::Decode)) /
                             1000;
        if (ahead < 5)
            ahead = 0;
        player.view.setStatusPanelText(
            kInfoPanel, "正在缓冲..." + std::to_string(std::min<std::int64_t>(ahead, 100)) + "%");
        player.view.processPendingMessages();
        return false;
    }
    if (state == ChannelState::Stopped) {
        player.view.setStatusPanelText(kInfoPanel, "错误: 连接丢失");
        player.view.processPendingMessages();
        return false;
    }
    // The stream's metadata tick belongs to the internet-radio code.
    return true;
}

} // namespace

void setStatusRunning(Player& player, bool running) {
    if (player.StatusRunning == running)
        return;
    player.StatusRunning = running;
    player.view.setStatusTimer(running, player.StatusPeriod);
}

void setStatusPeriod(Player& player, int periodMs) {
    if (player.StatusPeriod == periodMs)
        return;
    player.StatusPeriod = periodMs;
    if (player.StatusRunning)
        player.view.setStatusTimer(true, periodMs);
}

void StatusTick(Player& player) {
    collectHandedBack(player);
    const EntryKind kind = ClassifyEntry(player.playlist.PlayingEntry);
    if (kind == EntryKind::AudioFile) {
        if (!player.Seeking)
            fileTick(player);
    } else if (kind == EntryKind::Stream) {
        if (!streamTick(player))
            return;
    }

    // A seek in progress is a seek in the file the window shows: the end of
    // that file (a switch to follow, the next file to start, the stop) waits
    // for the seek's release, which plays on from where it lands.
    const int action = player.Seeking ? 0 : player.EndAction.load();
    // A switch the window has not followed, while the output has already
    // ended behind it, is followed first: what comes next starts from it.
    if (player.switchedTo && action != 0 && action != 1)
        FollowSwitch(player);
    switch (action) {
    case 1:
        if (player.switchedTo &&
            player.audio.ChannelGetPosition(player.OutputStream) >= player.SwitchPoint.load())
            FollowSwitch(player);
        break;
    case 2:
        if (outputState(player) == ChannelState::Stopped) {
            player.EndAction = 0;
            PlayNextAfterEnd(player);
        }
        break;
    case 3:
        if (outputState(player) == ChannelState::Stopped) {
            player.EndAction = 0;
            StopPlayback(player, true);
        }
        break;
    default:
        break;
    }
    // The stream has ended and the output is draining what it holds: look
    // more often, so the silence before the next file (or the stop) is short.
    // The next start sets the file's own period again.
    const int pending = player.EndAction;
    if ((pending == 2 || pending == 3) && player.OutputStream != 0)
        setStatusPeriod(player, kDrainWatchPeriodMs);
    prepareNext(player);
}

void FollowSwitch(Player& player) {
    std::unique_ptr<PreparedNext> next = std::move(player.switchedTo);
    if (!next)
        return;
    // Only a pending follow is cleared; a later request stays for the caller.
    int expected = 1;
    player.EndAction.compare_exchange_strong(expected, 0);
    player.SwitchPoint = -1;

    PlaylistState& pl = player.playlist;
    // The exact output byte where the new file (after its skipped lead-in) begins.
    player.PositionOffset = next->switchPoint - player.LeadSkip;
    // The list may have changed since the choice: the entry is found by its text.
    int index = next->index;
    if (index < 0 || index >= static_cast<int>(pl.PlaylistEntries.size()) ||
        pl.PlaylistEntries[static_cast<std::size_t>(index)] != next->entry) {
        const auto it =
            std::find(pl.PlaylistEntries.begin(), pl.PlaylistEntries.end(), next->entry);
        index =
            it == pl.PlaylistEntries.end() ? -1 : static_cast<int>(it - pl.PlaylistEntries.begin());
    }
    pl.CurrentIndex = index;
    const std::string title(EntryTitle(next->entry));
    SetTitleCaption(player, std::string(fileNamePart(title)), title);
    ScrollToCurrent(player);
    if (player.PlayMode == kShuffle) {
        pushRecent(player.ShuffleRecent, next->entry);
        pl.ShuffleHistory.push_back(next->entry);
    }
    player.MainLength = std::max<std::int64_t>(next->length, 0);
    player.SeekBarMax = BytesToMs(player, player.MainLength);
    player.SeekBarPosition = 0;
    player.view.showSeekBar(player.SeekBarMax, 0);
    player.view.repaintList();
    TrimWorkingSet();
    player.Switched = false;
    prepareNext(player);
}

void PlayNextAfterEnd(Player& player) {
    const int next = NextIndex(player, false);
    if (next == -1)
        StopPlayback(player, true);
    else
        OpenEntry(player, next, true, false);
}

} // namespace kesto
