#include "playback/status_tick.h"

#include "platform/memory.h"
#include "playback/next_entry.h"
#include "playback/output.h"
#include "playback/play_order.h"
#include "playback/time_text.h"
#include "player/player.h"
#include "playlist/entry.h"
#include "playlist/list_view.h"
#include "stream/stream_keys.h"
#include "stream/stream_status.h"

#include <algorithm>

namespace kesto {

namespace {

constexpr int kDrainWatchPeriodMs = 5;

void showTime(Player& player, const std::string& text) {
    if (text == player.mirror.TimeLabel)
        return;
    player.mirror.TimeLabel = text;
    player.view.setTimeLabel(text);
}

void fileTick(Player& player) {
    const std::int64_t pos = BytesToMs(player, FilePosition(player));
    const std::int64_t max = player.mirror.SeekBarMax;
    if (max - pos < 0) {
        // Past the end: the old file's last blocks after a switch.
        if (player.mirror.SeekBarPosition != max) {
            player.mirror.SeekBarPosition = max;
            player.view.showSeekBar(max, max);
        }
        return;
    }
    if (pos != player.mirror.SeekBarPosition) {
        player.mirror.SeekBarPosition = pos;
        player.view.showSeekBar(max, pos);
    }
    const auto text = player.status.FineTime ? timeTextFine : timeTextNormal;
    showTime(player, text(pos) + " / " + text(max) + " / -" + text(max - pos));
}

// False when the tick ends here.
bool streamTick(Player& player) {
    const ChannelState state = outputState(player);
    if (state == ChannelState::Stalled) {
        AudioLibrary& audio = player.audio;
        const AudioHandle main = player.feed.MainDecoder;
        const int percent =
            bufferingPercent(audio.StreamGetFilePosition(main, FilePositionMode::Download),
                             audio.StreamGetFilePosition(main, FilePositionMode::Decode));
        player.view.setStatusPanelText(kInfoPanel, "正在缓冲..." + std::to_string(percent) + "%");
        player.view.processPendingMessages();
        return false;
    }
    if (state == ChannelState::Stopped) {
        player.view.setStatusPanelText(kInfoPanel, "错误: 连接丢失");
        player.view.processPendingMessages();
        return false;
    }
    StreamStatusTick(player);
    return true;
}

} // namespace

void setStatusRunning(Player& player, bool running) {
    if (player.status.StatusRunning == running)
        return;
    player.status.StatusRunning = running;
    player.view.setStatusTimer(running, player.status.StatusPeriod);
}

void setStatusPeriod(Player& player, int periodMs) {
    if (player.status.StatusPeriod == periodMs)
        return;
    player.status.StatusPeriod = periodMs;
    if (player.status.StatusRunning)
        player.view.setStatusTimer(true, periodMs);
}

bool stopIfDeviceLost(Player& player) {
    const AudioHandle out = player.feed.OutputStream;
    if (out == 0 || !player.audio.deviceLost(out))
        return false;
    // Stopped first: the box may run an event loop, and the tick must not
    // find the dead output again meanwhile.
    StopPlayback(player, true);
    player.view.ShowMessageKind(MessageKind::Warning, "声卡设备已断开，播放已停止。");
    return true;
}

void StatusTick(Player& player) {
    collectHandedBack(player);
    // Without a device no end request ever comes: the tick would wait on a
    // silent output for good.
    if (stopIfDeviceLost(player))
        return;
    const EntryKind kind = ClassifyEntry(player.playlist.PlayingEntry);
    if (kind == EntryKind::AudioFile) {
        if (!player.transport.Seeking)
            fileTick(player);
    } else if (kind == EntryKind::Stream) {
        if (!streamTick(player))
            return;
    }

    // A seek in progress is a seek in the file the window shows: the end of
    // that file (a switch to follow, the next file to start, the stop) waits
    // for the seek's release, which plays on from where it lands.
    const EndAction action =
        player.transport.Seeking ? EndAction::None : player.feed.EndAction.load();
    // A switch the window has not followed, while the output has already
    // ended behind it, is followed first: what comes next starts from it.
    if (player.transport.switchedTo && action != EndAction::None &&
        action != EndAction::FollowSwitch)
        FollowSwitch(player);
    switch (action) {
    case EndAction::FollowSwitch:
        if (player.transport.switchedTo &&
            player.audio.ChannelGetPosition(player.feed.OutputStream) >=
                player.feed.SwitchPoint.load())
            FollowSwitch(player);
        break;
    case EndAction::PlayNext:
        if (outputState(player) == ChannelState::Stopped) {
            player.feed.EndAction = EndAction::None;
            PlayNextAfterEnd(player);
        }
        break;
    case EndAction::Stop:
        if (outputState(player) == ChannelState::Stopped) {
            player.feed.EndAction = EndAction::None;
            StopPlayback(player, true);
        }
        break;
    case EndAction::None:
        break;
    }
    // The stream has ended and the output is draining what it holds: look
    // more often, so the silence before the next file (or the stop) is short.
    // The next start sets the file's own period again.
    const EndAction pending = player.feed.EndAction;
    if ((pending == EndAction::PlayNext || pending == EndAction::Stop) &&
        player.feed.OutputStream != 0)
        setStatusPeriod(player, kDrainWatchPeriodMs);
    prepareNext(player);
}

void FollowSwitch(Player& player) {
    std::unique_ptr<PreparedNext> next = std::move(player.transport.switchedTo);
    if (!next)
        return;
    // Only a pending follow is cleared; a later request stays for the caller.
    EndAction expected = EndAction::FollowSwitch;
    player.feed.EndAction.compare_exchange_strong(expected, EndAction::None);
    player.feed.SwitchPoint = -1;

    PlaylistState& pl = player.playlist;
    // The exact output byte where the new file (after its skipped lead-in) begins.
    player.transport.PositionOffset = next->switchPoint - player.feed.LeadSkip;
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
    const std::string title{EntryTitle(next->entry)};
    SetTitleCaption(player, std::string(fileNamePart(title)), title);
    ScrollToCurrent(player);
    if (player.transport.PlayMode == PlayMode::Shuffle) {
        pushRecent(player.transport.ShuffleRecent, next->entry);
        pl.ShuffleHistory.push_back(next->entry);
    }
    player.transport.MainLength = std::max<std::int64_t>(next->length, 0);
    player.mirror.SeekBarMax = BytesToMs(player, player.transport.MainLength);
    player.mirror.SeekBarPosition = 0;
    player.view.showSeekBar(player.mirror.SeekBarMax, 0);
    player.view.repaintList();
    TrimWorkingSet();
    player.feed.Switched = false;
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
