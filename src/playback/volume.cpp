#include "playback/volume.h"

#include "playback/output.h"
#include "player/player.h"

#include <algorithm>
#include <cmath>

namespace kesto {

namespace {

constexpr int kMixerTimeoutMs = 2000;

} // namespace

int VolumeCurve(int value) {
    const int v = std::clamp(value, 0, 1000);
    if (v <= 10)
        return v / 10;
    return static_cast<int>(std::lround(static_cast<double>(v) * v / 1000.0));
}

void SetVolume(Player& player, int value) {
    if (value != player.transport.Volume)
        player.transport.MuteRestore = -1;
    const int v = std::clamp(value, 0, 1000);
    player.transport.Volume = v;
    if (const AudioHandle out = player.feed.OutputStream.load())
        player.audio.ChannelSetAttributes(out, -1, VolumeCurve(v), -101);
    player.view.showVolume(v);
    player.view.setStatusPanelText(kVolumePanel, " " + std::to_string(v / 10) + " %");
}

void ToggleSoftMute(Player& player) {
    if (player.transport.MuteRestore == -1) {
        const int current = player.transport.Volume;
        SetVolume(player, static_cast<int>(
                              std::lround(current * player.transport.SoftmutePercent / 100.0)));
        player.transport.MuteRestore = current;
    } else {
        SetVolume(player, player.transport.MuteRestore);
        // Restoring a volume equal to the muted one changes nothing, and would
        // leave the mute pending for ever.
        player.transport.MuteRestore = -1;
    }
}

void ResetMixer(Player& player) {
    player.view.ShowMessageKind(
        MessageKind::Information,
        "此操作将使声音和主输出声道不再静音。\r全局设置和音量将被重置和最大化。"
        "\r请留意您的扬声器。");
    resetDefaultSink(player.MixerServer, kMixerTimeoutMs);
    SetVolume(player, 1000);
}

} // namespace kesto
