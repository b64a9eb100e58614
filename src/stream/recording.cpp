#include "stream/recording.h"

#include "playback/output.h"
#include "playback/time_text.h"
#include "player/paths.h"
#include "player/player.h"
#include "playlist/entry.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <ctime>
#include <thread>

namespace kesto {

namespace {

constexpr const char* kSaveFilter = "Wave 文件 (*.wav)|*.wav|所有文件 (*.*)|*.*";
constexpr const char* kSaveFailed =
    "对不起，在保存和组合文件过程中出错。\r临时文件没有被删除！请使用一款声音编辑器来组合临时文件。"
    "\r(没有标题的原始未压缩 44.1/16 位 wave 数据)\r\r请报告此错误和您进行了哪些操作。";

std::string recordTempFolder(Player& player) {
    const std::string folder = player.settings.readString("General", "RecordTempPath", "");
    return folder.empty() ? GetTempDir() : folder;
}

std::string groupedThousands(std::uint64_t value) {
    std::string digits = std::to_string(value);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), ",");
    return digits;
}

// Why the writer stopped, in the words the warning uses.
std::string stopText(const Recorder& recorder) {
    switch (recorder.stopReason()) {
    case RecorderStop::DiskFull:
        return "录制已停止，驱动器几乎已满。";
    case RecorderStop::SizeLimit:
        return "录制已停止：一个 wave 文件最多只能容纳 4 GB 的声音数据。\r已录制的部分可以保存。";
    case RecorderStop::FileError:
        if (recorder.failedTakenByOther())
            return "录制已停止：临时文件 " + recorder.failedPath() +
                   " 属于另一个用户，没有被改动。\r请在设置中选择另一个临时文件夹。";
        return "录制已停止：无法写入临时文件 " + recorder.failedPath() + "。";
    case RecorderStop::None:
        break;
    }
    return {};
}

// Joins the WAV on a thread of its own while the window goes on taking
// input, so a long recording's save does not freeze it. Commands that come
// in meanwhile find `finishing` set and leave the temp files alone.
bool assembleWhileResponsive(PlayerView& view, const RecordingState& rec,
                             const std::string& target) {
    std::atomic<bool> done{false};
    bool saved = false;
    std::thread worker([&] {
        saved = assembleWav(rec.folder, rec.files, rec.format, target, rec.dataLimit);
        done.store(true, std::memory_order_release);
    });
    while (!done.load(std::memory_order_acquire)) {
        view.processPendingMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    worker.join();
    return saved;
}

} // namespace

std::string recordingText(std::uint64_t freeBytes, std::uint32_t bytesPerSecond) {
    const std::uint64_t minutes = bytesPerSecond ? freeBytes / bytesPerSecond / 60 : 0;
    const auto mb =
        static_cast<std::uint64_t>(std::llround(static_cast<double>(freeBytes) / 1048576.0));
    return "正在录制...  剩余: " + timeTextSeconds(static_cast<std::int64_t>(minutes)) + " (" +
           groupedThousands(mb) + " MB)";
}

std::string proposedRecordingName() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H-%M", &local);
    return std::string("Mix ") + text + ".wav";
}

void StartCapture(Player& player, bool preRecordOnly) {
    RecordingState& rec = player.stream.recording;
    // A save under way still reads the temp files of the last session.
    if (rec.finishing)
        return;
    if (rec.dsp == 0) {
        const AudioHandle out = player.feed.OutputStream;
        if (out == 0)
            return;
        if (rec.cacheSeconds < 0)
            rec.cacheSeconds = player.settings.readInt("Recording", "CachingTime", 120);
        RecorderOptions options;
        options.folder = recordTempFolder(player);
        options.format = {player.transport.OutputRate,
                          static_cast<std::uint16_t>(player.transport.OutputChannels), 16};
        options.cacheSeconds = rec.cacheSeconds;
        options.dataLimit = rec.dataLimit;
        options.freeSpace = rec.freeSpace;
        // The output fills its whole buffer in one burst when it starts: the
        // ring between the threads holds that much and three seconds more.
        const int bufferMs = player.audio.getConfig(AudioOption::BufferMs) + 3000;
        options.ringBytes = static_cast<std::size_t>(options.format.bytesPerSecond()) *
                            static_cast<std::size_t>(bufferMs) / 1000;
        rec.folder = options.folder;
        rec.format = options.format;
        rec.files.clear();
        rec.recorder.start(std::move(options));
        Recorder& recorder = rec.recorder;
        rec.dsp = player.audio.ChannelSetDSP(
            out,
            [&recorder](AudioHandle, AudioHandle, void* buffer, std::uint32_t length) {
                recorder.capture(buffer, length);
            },
            0);
        if (rec.dsp == 0) {
            rec.recorder.stop();
            return;
        }
        rec.dspOutput = out;
    }
    if (!preRecordOnly) {
        rec.recording = true;
        rec.recorder.setRecording();
    }
}

void StopCapture(Player& player) {
    RecordingState& rec = player.stream.recording;
    if (rec.dsp != 0) {
        // Once this returns no block reaches the recorder any more.
        player.audio.ChannelRemoveDSP(rec.dspOutput, rec.dsp);
        rec.dsp = 0;
        rec.dspOutput = 0;
    }
    if (rec.recorder.active()) {
        rec.recorder.stop();
        rec.files = rec.recorder.filesToJoin();
    }
}

void FinishRecording(Player& player) {
    RecordingState& rec = player.stream.recording;
    if (rec.finishing)
        return;
    StopCapture(player);
    const auto discard = [&] {
        if (!rec.folder.empty())
            DeleteTempFiles(rec.folder);
        rec.files.clear();
    };
    if (!rec.recording) {
        discard();
        return;
    }
    rec.recording = false;
    rec.finishing = true;
    PlayerView& view = player.view;
    view.setRecordCaption("录制");
    if (!view.askYesNo("录制已经停止。\r要保存录制吗？")) {
        discard();
        rec.finishing = false;
        return;
    }
    const std::string target = view.askSaveFileName(kSaveFilter, proposedRecordingName());
    if (target.empty()) {
        discard();
        view.setStatusPanelText(kInfoPanel, "");
        rec.finishing = false;
        return;
    }
    view.setStatusPanelText(kInfoPanel, "正在写入 wave 文件..");
    const bool saved = assembleWhileResponsive(view, rec, target);
    view.setStatusPanelText(kInfoPanel, "");
    rec.finishing = false;
    if (!saved) {
        // The raw files stay where they are, for a sound editor: forgetting
        // their session keeps the next stop from deleting them.
        rec.folder.clear();
        rec.files.clear();
        view.ShowMessageKind(MessageKind::Error, kSaveFailed);
        return;
    }
    discard();
    view.ShowMessageKind(MessageKind::Information, "流媒体被成功保存到         \r" + target);
}

void recordStartCommand(Player& player) {
    RecordingState& rec = player.stream.recording;
    PlayerView& view = player.view;
    if (ClassifyEntry(player.playlist.PlayingEntry) != EntryKind::Stream) {
        view.ShowMessageKind(MessageKind::Information, "您只能录制在线音乐。\r请先连接上一个。");
    } else if (rec.recording) {
        // Stopping finishes the recording.
        StopPlayback(player, true);
    } else if (rec.finishing) {
        return;
    } else if (outputState(player) != ChannelState::Playing) {
        view.ShowMessageKind(MessageKind::Information, "首先播放一个流媒体。");
    } else if (view.askYesNo("要开始录制吗？")) {
        // The stream may have stopped while the question was up.
        if (player.feed.OutputStream == 0)
            return;
        view.setRecordCaption("停止录制(&R)");
        rec.cacheSeconds = player.settings.readInt("General", "RecordSecAhead", 120);
        StartCapture(player, false);
    }
}

bool RecordingStatusTick(Player& player) {
    RecordingState& rec = player.stream.recording;
    if (!rec.recording || rec.finishing)
        return rec.recording;
    Recorder& recorder = rec.recorder;
    if (recorder.stopReason() != RecorderStop::None) {
        rec.finishing = true;
        StopCapture(player);
        const MessageKind kind = recorder.stopReason() == RecorderStop::FileError
                                     ? MessageKind::Error
                                     : MessageKind::Warning;
        player.view.ShowMessageKind(kind, stopText(recorder));
        rec.finishing = false;
        FinishRecording(player);
        return true;
    }
    const std::uint64_t free = recorder.freeBytes();
    const std::string text =
        free == UINT64_MAX ? "正在录制..." : recordingText(free, rec.format.bytesPerSecond());
    if (text != player.mirror.TimeLabel) {
        player.mirror.TimeLabel = text;
        player.view.setTimeLabel(text);
    }
    return true;
}

} // namespace kesto
