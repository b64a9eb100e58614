#include "stream/stream_status.h"

#include "playback/output.h"
#include "playback/probes.h"
#include "player/player.h"
#include "playlist/entry.h"
#include "stream/connect_thread.h"
#include "stream/recording.h"
#include "stream/stream_keys.h"

#include <charconv>

namespace kesto {

namespace {

struct StreamFacts {
    std::string title;
    std::string bitrateText;
    int bitrate = 0;
};

// A header value such as "128" or " 128"; 0 when it is no number.
int leadingNumber(const std::string& text) {
    const std::size_t start = text.find_first_not_of(' ');
    if (start == std::string::npos)
        return 0;
    int value = 0;
    const auto [end, error] =
        std::from_chars(text.data() + start, text.data() + text.size(), value);
    (void)end;
    return error == std::errc() && value > 0 ? value : 0;
}

StreamFacts readFacts(Player& player) {
    StreamFacts facts;
    const AudioHandle main = player.feed.MainDecoder;
    const TKeys keys = streamKeys(readStreamTags(player, main, TagKind::Icy),
                                  readStreamTags(player, main, TagKind::Meta));
    if (const TKey* title = FindKey("StreamTitle", keys))
        facts.title = title->value;
    if (const TKey* bitrate = FindKey("icy-br", keys)) {
        facts.bitrateText = bitrate->value;
        facts.bitrate = leadingNumber(bitrate->value);
    } else {
        facts.bitrate = ProbeBitrate(player, player.playlist.PlayingEntry, main);
        facts.bitrateText = std::to_string(facts.bitrate);
    }
    return facts;
}

} // namespace

std::string streamFormatText(const std::string& bitrate, int rate, bool stereo) {
    return bitrate + " Kbps " + std::to_string(rate) + " Hz - " + (stereo ? "Stereo" : "Mono");
}

std::string streamRateText(int kbps) {
    return "播放在线流媒体于           " + std::to_string(kbps / 8) + " KB/s";
}

void StreamStatusTick(Player& player) {
    StreamState& stream = player.stream;
    const bool recording = RecordingStatusTick(player);
    if (++stream.MetaTickCounter % kStreamRefreshTicks != 0)
        return;
    stream.MetaTickCounter = 0;

    StreamFacts facts = readFacts(player);
    if (facts.title.empty())
        facts.title = std::string(EntryTitle(player.playlist.PlayingEntry));
    SetTitleCaption(player, facts.title, facts.title);

    const AudioHandle out = player.feed.OutputStream;
    const std::string& entry = player.playlist.PlayingEntry;
    const std::string format = streamFormatText(facts.bitrateText, ProbeRate(player, entry, out),
                                                ProbeStereo(player, entry, out));
    // Other texts share the panel (pause, buffering), so it is written at
    // each refresh rather than compared with what was last put there.
    player.view.setStatusPanelText(kInfoPanel, format);
    if (outputState(player) == ChannelState::Stopped) {
        StopPlayback(player, true);
        return;
    }
    if (player.mirror.SeekBarPosition != 0) {
        player.mirror.SeekBarPosition = 0;
        player.view.showSeekBar(player.mirror.SeekBarMax, 0);
    }
    // While recording, the recorder shows the free disk space here instead.
    if (recording || stream.recording.recording)
        return;
    const std::string rate = streamRateText(facts.bitrate);
    if (rate != player.mirror.TimeLabel) {
        player.mirror.TimeLabel = rate;
        player.view.setTimeLabel(rate);
    }
}

} // namespace kesto
