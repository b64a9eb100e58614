#include "playback/total_time.h"

#include "playback/output.h"
#include "player/player.h"
#include "playlist/entry.h"

#include <cmath>
#include <string>
#include <vector>

namespace kesto {

namespace {

bool isMeasured(EntryKind kind) {
    return kind == EntryKind::AudioFile || kind == EntryKind::Module ||
           kind == EntryKind::Unclassified;
}

std::int64_t lengthInSeconds(AudioLibrary& audio, const std::string& entry) {
    const AudioHandle h = audio.StreamCreateFile(entry, kStreamDecode);
    if (h == 0)
        return 0;
    const std::int64_t seconds =
        std::llround(audio.ChannelBytes2Seconds(h, audio.StreamGetLength(h)));
    audio.StreamFree(h);
    return seconds;
}

} // namespace

std::optional<std::int64_t> measureSelectedLength(Player& player) {
    const auto loop = player.nestedLoops.enter();
    PlaylistState& list = player.playlist;
    const bool openedHere = !player.transport.DeviceReady;
    if (openedHere)
        InitOutput(player);
    const std::vector<int> selected = player.view.selectedLines();
    const std::string total = std::to_string(selected.size());
    list.ListBusy = true;
    list.CancelRequested = false;
    std::int64_t seconds = 0;
    int measured = 0;
    bool cancelled = false;
    for (const int index : selected) {
        if (measured % 10 == 0) {
            player.view.setStatusPanelText(kInfoPanel, "正在计算时间... " +
                                                           std::to_string(measured) + "/" + total +
                                                           " 按下 ESC 放弃");
            player.view.processPendingMessages();
        }
        // The view may briefly know more lines than the playlist holds.
        if (index < 0 || static_cast<std::size_t>(index) >= list.PlaylistEntries.size())
            continue;
        const std::string& entry = list.PlaylistEntries[static_cast<std::size_t>(index)];
        if (isMeasured(ClassifyEntry(entry))) {
            seconds += lengthInSeconds(player.audio, entry);
            ++measured;
        }
        if (list.CancelRequested) {
            list.CancelRequested = false;
            if (player.view.askYesNo("要放弃操作吗？")) {
                cancelled = true;
                break;
            }
        }
    }
    list.ListBusy = false;
    if (openedHere)
        StopPlayback(player, true);
    if (cancelled)
        return std::nullopt;
    return seconds;
}

} // namespace kesto
