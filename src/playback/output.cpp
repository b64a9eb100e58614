#include "playback/output.h"

#include "platform/memory.h"
#include "playback/fill_output.h"
#include "playback/level_meter.h"
#include "playback/next_entry.h"
#include "playback/play_order.h"
#include "playback/status_tick.h"
#include "playback/volume.h"
#include "player/player.h"
#include "playlist/entry.h"
#include "playlist/list_view.h"
#include "stream/connect_thread.h"
#include "stream/recording.h"
#include "stream/stream_keys.h"
#include "stream/stream_status.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace kesto {

namespace {

constexpr int kBufferMs = 3000;

bool isFile(const std::string& path) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    return !error && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

EntryTest resultForError(int error) {
    switch (static_cast<AudioError>(error)) {
    case AudioError::FileFormat:
        return EntryTest::BadFormat;
    case AudioError::BadRate:
        return EntryTest::BadRate;
    case AudioError::NotAudio:
        return EntryTest::NotAudio;
    case AudioError::SampleFormat:
        return EntryTest::BadSampleFormat;
    case AudioError::FileOpen:
        return EntryTest::CannotOpen;
    default:
        return EntryTest::Unknown;
    }
}

// Stops the output before freeing the decoders (its callback reads them
// until it stops), picks up what the callback handed back, and forgets the
// prepared next file: whatever plays next is chosen afresh. The stopped
// output itself is freed off the UI thread.
void releaseOutput(Player& player) {
    AudioLibrary& audio = player.audio;
    if (const AudioHandle out = player.feed.OutputStream.exchange(0)) {
        {
            EngineWaitProbe probe(player.engineWaits, "ChannelStop(release)");
            audio.ChannelStop(out);
        }
        player.retirer.retire(out);
    }
    collectHandedBack(player);
    audio.StreamFree(player.feed.MainDecoder.exchange(0));
    audio.StreamFree(player.feed.MirrorDecoder.exchange(0));
    discardPrepared(player);
    player.transport.switchedTo.reset();
    player.feed.FileSerial.fetch_add(1);
    player.feed.EndAction = EndAction::None;
    player.feed.SwitchPoint = -1;
}

std::uint32_t frameBytes(const Player& player) {
    return player.transport.OutputChannels * 2;
}

} // namespace

bool isMp3Path(std::string_view path) {
    const std::string_view ext = fileExtension(path);
    return ext.size() == 4 && ext[0] == '.' && (ext[1] | 0x20) == 'm' && (ext[2] | 0x20) == 'p' &&
           ext[3] == '3';
}

bool tailIsCut(Player& player, std::string_view path, const ChannelInfo& info) {
    if (!isMp3Path(path))
        return false;
    // The cut hides the padding of an encoder that did not say how much it
    // added. Where the file says so, the decoder has removed exactly that,
    // and a cut would only take music away and end the stream: such a file
    // joins the next one without a gap, as WAV and OGG do.
    return (info.flags & kSampleExactEnd) == 0 ||
           !player.settings.readBool("Tweak", "gapless_mp3", true);
}

bool InitOutput(Player& player) {
    if (player.transport.DeviceReady)
        return true;
    const int device = player.settings.readInt("General", "Device", 1);
    player.transport.DeviceReady = player.audio.Init(device, 44100);
    if (!player.transport.DeviceReady)
        player.view.ShowMessageKind(MessageKind::Warning, "无法打开声卡驱动。");
    player.audio.SetConfig(AudioOption::UpdatePeriodMs, 100);
    player.audio.SetConfig(AudioOption::BufferMs, kBufferMs);
    player.audio.SetConfig(AudioOption::MaxVolume, 1000);
    return player.transport.DeviceReady;
}

EntryTest TestEntry(Player& player, const std::string& entry) {
    AudioLibrary& audio = player.audio;
    AudioHandle decoder = 0;
    AudioHandle trial = 0;
    try {
        // No trial output can be made without a device: that is no fault of the entry's.
        if (!InitOutput(player))
            return EntryTest::NoDevice;
        const EntryKind kind = ClassifyEntry(entry);
        if (kind == EntryKind::Stream || isPlaylistKind(kind))
            return EntryTest::Playable;
        const std::string path(EntryPath(entry));
        if (!isFile(path))
            return EntryTest::NotFound;
        // Modules and unknown files get no decoder, and so "unknown format".
        if (kind != EntryKind::AudioFile)
            return EntryTest::Unknown;
        decoder = audio.StreamCreateFile(path, kStreamDecode);
        if (decoder != 0 && audio.StreamGetLength(decoder) > 0) {
            const auto info = audio.ChannelGetInfo(decoder);
            trial = info ? audio.StreamCreate(
                               info->rate, info->channels, 0,
                               [](AudioHandle, void*, std::uint32_t) { return kStreamEnd; })
                         : 0;
            const EntryTest code = trial != 0 ? EntryTest::Playable : EntryTest::NoOutput;
            audio.StreamFree(trial);
            audio.StreamFree(decoder);
            return code;
        }
        const EntryTest code = resultForError(audio.ErrorGetCode());
        audio.StreamFree(decoder);
        return code;
    } catch (...) {
        audio.StreamFree(trial);
        audio.StreamFree(decoder);
        return EntryTest::Unknown;
    }
}

std::string entryWarning(EntryTest result) {
    switch (result) {
    case EntryTest::NotFound:
        return "文件未找到。\r\r";
    case EntryTest::BadFormat:
        return "不支持的文件格式。\r\r";
    case EntryTest::BadRate:
        return "文件使用非法的采样率。\r\r";
    case EntryTest::NotAudio:
        return "文件不是一个音频文件。\r\r";
    case EntryTest::BadSampleFormat:
        return "文件有一个不支持的采样格式。\r\r";
    case EntryTest::CannotOpen:
        return "无法打开文件。\r\r";
    case EntryTest::NoOutput:
        return "您的声卡驱动程序不支持此类型的采样格式。\r\r";
    case EntryTest::Playable:
    case EntryTest::NoDevice:
    case EntryTest::Unknown:
        break;
    }
    return "未知的文件格式。\r\r";
}

namespace {

// How the output of a newly opened entry starts: playing; held paused at its
// start, without a moment of sound; or left stopped, for a caller that
// positions it first.
enum class Start { Play, Hold, None };

void openEntryAs(Player& player, int index, bool keepThreads, bool connected, Start start) {
    PlaylistState& pl = player.playlist;
    AudioLibrary& audio = player.audio;
    if (!connected) {
        // Another entry ends a recording first: its question comes before anything changes.
        FinishRecording(player);
        // A device lost while paused is let go first, so the entry's test
        // initialises it again and plays on a server that came back.
        stopIfDeviceLost(player);
        if (pl.PlaylistEntries.empty() || index < 0 ||
            index >= static_cast<int>(pl.PlaylistEntries.size()))
            return;
        const std::string entry = pl.PlaylistEntries[static_cast<std::size_t>(index)];
        if (const EntryTest code = TestEntry(player, entry); code != EntryTest::Playable) {
            // A device that would not open has had its warning already.
            if (code != EntryTest::NoDevice)
                player.view.ShowMessageKind(MessageKind::Warning, entryWarning(code) + entry);
            return;
        }
        if (ClassifyEntry(entry) == EntryKind::Stream) {
            // The timers rest while the stream connects; a stream plays in
            // list order, whatever mode played before.
            setStatusRunning(player, false);
            LevelStop(player);
            setPlayMode(player, PlayMode::RepeatList);
            player.stream.MetaTickCounter = -kStreamFirstRefreshTicks;
        } else {
            // A URL connection still under way would otherwise replace this
            // file when it completes.
            cancelConnect(player);
        }
        releaseOutput(player);
        InitOutput(player);
        player.feed.TailRemaining = -1;
        player.feed.BytesDelivered = 0;
        player.feed.Switched = false;
        player.feed.OpeningIndex = index;
        OpenDecoders(player);
        pl.CurrentIndex = player.feed.OpeningIndex;
        if (player.feed.MainDecoder == 0)
            return;
    }

    const AudioHandle main = player.feed.MainDecoder;
    const auto info = audio.ChannelGetInfo(main);
    const AudioHandle out =
        info ? audio.StreamCreate(info->rate, info->channels, 0,
                                  [&player](AudioHandle, void* buffer, std::uint32_t length) {
                                      return FillOutput(player, buffer, length);
                                  })
             : 0;
    if (out == 0) {
        player.view.ShowMessageKind(MessageKind::Warning,
                                    entryWarning(EntryTest::NoOutput) + pl.PlayingEntry);
        return;
    }
    player.transport.OutputRate = info->rate;
    player.transport.OutputChannels = info->channels;
    player.transport.MainLength = std::max<std::int64_t>(audio.StreamGetLength(main), 0);
    // Room for the largest block the feeder asks for and for 3 s of analysis,
    // so the callback never allocates.
    const std::size_t samples = static_cast<std::size_t>(
        std::max(MsToBytes(player, kBufferMs), MsToBytes(player, 5000)) / 2);
    player.feed.analysisScratch.assign(samples, 0);
    player.feed.OutputStream = out;

    SetVolume(player, player.transport.Volume);
    AfterStart(player, keepThreads);
    SeekTo(player, 0);
    SetVolume(player, player.transport.Volume);
    if (start == Start::Play) {
        EngineWaitProbe probe(player.engineWaits, "StreamPlay");
        audio.StreamPlay(out);
    } else if (start == Start::Hold) {
        EngineWaitProbe probe(player.engineWaits, "streamCue");
        audio.streamCue(out);
    }
    if (start == Start::Play && ClassifyEntry(pl.PlayingEntry) == EntryKind::Stream &&
        player.settings.readBool("General", "RecordAhead", false))
        StartCapture(player, true);
    // After the start, so deciding (which tests and opens files) does not
    // delay the sound; should the file end first, the callback waits for it.
    prepareNext(player);
    TrimWorkingSet();
}

} // namespace

void OpenEntry(Player& player, int index, bool keepThreads, bool connected) {
    openEntryAs(player, index, keepThreads, connected, Start::Play);
}

void openEntryHeld(Player& player, int index) {
    openEntryAs(player, index, false, false, Start::Hold);
}

void OpenDecoders(Player& player) {
    PlaylistState& pl = player.playlist;
    const int index = player.feed.OpeningIndex;
    if (index < 0 || index >= static_cast<int>(pl.PlaylistEntries.size())) {
        player.feed.MainDecoder = 0;
        return;
    }
    player.audio.SetConfig(AudioOption::BufferMs, kBufferMs);
    const std::string entry = pl.PlaylistEntries[static_cast<std::size_t>(index)];
    const EntryKind kind = ClassifyEntry(entry);
    if (kind == EntryKind::Stream) {
        // MainDecoder stays 0 until the connection completes.
        openStreamDecoders(player, index, entry);
        return;
    }
    if (kind == EntryKind::AudioFile) {
        const std::string path(EntryPath(entry));
        player.feed.MainDecoder = player.audio.StreamCreateFile(path, kStreamDecode);
        player.feed.MirrorDecoder = player.audio.StreamCreateFile(path, kStreamDecode);
        const auto info = player.audio.ChannelGetInfo(player.feed.MainDecoder);
        player.feed.MainCutsTail = tailIsCut(player, path, info.value_or(ChannelInfo{}));
    }
    pl.PlayingEntry = entry;
}

void AfterStart(Player& player, bool keepThreads) {
    PlaylistState& pl = player.playlist;
    const std::string& entry = pl.PlayingEntry;
    if (player.transport.PlayMode == PlayMode::Shuffle) {
        pushRecent(player.transport.ShuffleRecent, entry);
        pl.ShuffleHistory.push_back(entry);
    }
    if (const auto it = std::find(pl.QueueList.begin(), pl.QueueList.end(), entry);
        it != pl.QueueList.end()) {
        pl.QueueList.erase(it);
        pushRecent(player.transport.QueueRecent, entry);
    }
    const std::string title{EntryTitle(entry)};
    SetTitleCaption(player, std::string(fileNamePart(title)), title);

    player.mirror.SeekBarMax = BytesToMs(player, player.transport.MainLength);
    player.mirror.SeekBarPosition = 0;
    player.view.showSeekBar(player.mirror.SeekBarMax, 0);
    // A stream has no length: its label shows the data rate, and a 10 ms
    // tick would only wake the window twice as often for nothing.
    player.status.FineTime =
        ClassifyEntry(entry) != EntryKind::Stream && player.mirror.SeekBarMax <= 9999;
    setStatusPeriod(player, player.status.FineTime ? 10 : 33);
    if (!keepThreads) {
        setStatusRunning(player, true);
        LevelStart(player);
    }
    ScrollToCurrent(player);
}

void StopPlayback(Player& player, bool releaseDevice) {
    if (ClassifyEntry(player.playlist.PlayingEntry) == EntryKind::Stream)
        FinishRecording(player);
    setStatusRunning(player, false);
    LevelStop(player);
    releaseOutput(player);
    // Stopping also ends a connection under way: its stream never starts.
    cancelConnect(player);
    player.feed.Switched = false;

    player.mirror.SeekBarPosition = 0;
    player.view.showSeekBar(player.mirror.SeekBarMax, 0);
    player.mirror.TimeLabel.clear();
    player.view.setTimeLabel("");
    if (releaseDevice && player.transport.DeviceReady) {
        player.audio.Free();
        player.transport.DeviceReady = false;
    }
    player.mirror.Caption = player.mirror.VersionCaption;
    player.view.setCaption(player.mirror.VersionCaption);
    player.view.repaintList();
    player.view.setStatusPanelText(kInfoPanel, "");
    TrimWorkingSet();
}

void SeekTo(Player& player, std::int64_t position) {
    if (ClassifyEntry(player.playlist.PlayingEntry) == EntryKind::Stream)
        return;
    AudioLibrary& audio = player.audio;
    AudioHandle out = player.feed.OutputStream;
    const EndAction ending = player.feed.EndAction.exchange(EndAction::None);
    if (out == 0)
        return;
    const ChannelState state = audio.ChannelIsActive(out);
    // A stalled output is a playing one that waits for data, and one that
    // stopped at the end of its stream (the window not yet told) was playing.
    const bool playing = state == ChannelState::Playing || state == ChannelState::Stalled ||
                         (state == ChannelState::Stopped &&
                          (ending == EndAction::PlayNext || ending == EndAction::Stop));
    const bool paused = state == ChannelState::Paused;
    {
        EngineWaitProbe probe(player.engineWaits, "ChannelStop");
        audio.ChannelStop(out);
    }
    // With the output stopped no callback runs: what it did is final now.
    collectHandedBack(player);
    // Past an MP3's tail cut the callback has freed the file's decoder, and
    // the stream only ends on its next call: the file is as good as gone.
    const AudioHandle main = player.feed.MainDecoder;
    const bool mainFreed = main != 0 && audio.StreamGetLength(main) < 0;
    if (player.feed.Switched || mainFreed) {
        // The output has moved to the next file (or is about to) but the
        // window still shows the one being heard: reopen that one and seek
        // in it. It stays stopped until it stands at the new position, so
        // its callback cannot move on before the seek.
        StopPlayback(player, false);
        openEntryAs(player, player.playlist.CurrentIndex, false, false, Start::None);
        out = player.feed.OutputStream;
        if (out == 0)
            return;
    }
    player.feed.EndAction = EndAction::None;
    player.feed.SwitchPoint = -1;

    const std::int64_t last = player.transport.MainLength - MsToBytes(player, 1000);
    position = std::clamp<std::int64_t>(position, 0, std::max<std::int64_t>(last, 0));
    if (const std::uint32_t frame = frameBytes(player))
        position -= position % frame;
    audio.ChannelSetPosition(player.feed.MainDecoder, position);
    player.transport.PositionOffset = -position;
    player.feed.BytesDelivered = 0;
    player.feed.TailRemaining = -1;

    if (playing) {
        audio.ChannelSetAttributes(out, -1, VolumeCurve(player.transport.Volume), -101);
        EngineWaitProbe probe(player.engineWaits, "StreamPlay");
        audio.StreamPlay(out);
    } else if (paused) {
        // Held at the new place without a moment of sound.
        EngineWaitProbe probe(player.engineWaits, "streamCue");
        audio.streamCue(out);
    }
}

std::int64_t FilePosition(Player& player) {
    const AudioHandle out = player.feed.OutputStream;
    if (out == 0)
        return 0;
    return player.audio.ChannelGetPosition(out) - player.transport.PositionOffset;
}

int BytesToMs(Player& player, std::int64_t bytes) {
    const std::int64_t perSecond =
        static_cast<std::int64_t>(player.transport.OutputRate) * frameBytes(player);
    if (perSecond <= 0)
        return 0;
    return static_cast<int>(std::llround(static_cast<double>(bytes) * 1000.0 / perSecond));
}

std::int64_t MsToBytes(Player& player, std::int64_t ms) {
    // Whole frames, like the engine's own seconds-to-bytes.
    const auto frames = static_cast<std::int64_t>(
        std::floor(static_cast<double>(ms) / 1000.0 * player.transport.OutputRate + 1e-7));
    return frames * frameBytes(player);
}

ChannelState outputState(Player& player) {
    const AudioHandle out = player.feed.OutputStream;
    return out == 0 ? ChannelState::Stopped : player.audio.ChannelIsActive(out);
}

void SetTitleCaption(Player& player, const std::string& title, const std::string& hint) {
    const std::string caption = cleanTitle(title) + " - Kesto";
    if (caption != player.mirror.Caption) {
        player.mirror.Caption = caption;
        player.view.setCaption(caption);
    }
    if (hint != player.mirror.TrayHint) {
        player.mirror.TrayHint = hint;
        player.view.setTrayHint(hint);
    }
}

} // namespace kesto
