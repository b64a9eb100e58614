// Recording a stream through the player: the record command and its
// questions, the save, the temp files that go or stay, the stops for a
// nearly full disk and for the WAV size limit, and another entry started
// while recording. The "stream" is a local file of noise opened through the
// network seam, so every recorded sample can be found in it.

#include "playback/output.h"
#include "playback/status_tick.h"
#include "stream/recorder_files.h"
#include "stream/recording.h"

#include "playback/playback_fixture.h"

#include <regex>
#include <sys/mount.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace kesto::test {
namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t kBps = 176400; // 44100 Hz stereo 16-bit

class EngineRecording : public PlaybackTest {
protected:
    void SetUp() override {
        usePacedNull();
        source = whiteNoise(2, secondsToFrames(40), 99);
        const std::string wav = home.file("station.wav");
        writeFile(wav, wavFile(source, 44100, 2));
        p().stream.hooks.openUrl = [this, wav](const std::string&, std::uint32_t) {
            return ConnectResult{p().audio.StreamCreateFile(wav, kStreamDecode), 0};
        };
        p().settings.writeString("General", "RecordTempPath", temp.path() + "/");
    }
    void TearDown() override { DeleteTempFiles(temp.path() + "/"); }

    std::string tempFile(int n) const { return tempFilePath(temp.path() + "/", n); }
    bool anyTempFile() const {
        for (int n = 0; n < kTempFileCount; ++n)
            if (fileExists(tempFile(n)))
                return true;
        return false;
    }
    bool pumpUntil(const std::function<bool()>& done) {
        const auto until = std::chrono::steady_clock::now() + 10s;
        while (!done()) {
            if (std::chrono::steady_clock::now() > until)
                return false;
            view.runPosted();
            StatusTick(p());
            std::this_thread::sleep_for(2ms);
        }
        return true;
    }
    void playStation() {
        addEntry("http://radio.test/live|Radio");
        OpenEntry(p(), 0);
        ASSERT_TRUE(pumpUntil([&] { return outputState(p()) == ChannelState::Playing; }));
    }
    void startRecording() {
        view.answers.push_back(true);
        recordStartCommand(p());
        ASSERT_TRUE(p().stream.recording.recording);
    }
    // The frame of `source` where the WAV's data begins, checking that all
    // of it follows on from there; -1 when it is not found.
    std::int64_t locate(const std::string& wavBytes) {
        const Samples got = toSamples(wavBytes.substr(44));
        if (got.size() < 64)
            return -1;
        for (std::size_t at = 0; at + got.size() <= source.size(); at += 2) {
            if (!std::equal(got.begin(), got.begin() + 64, source.begin() + static_cast<long>(at)))
                continue;
            if (std::equal(got.begin(), got.end(), source.begin() + static_cast<long>(at)))
                return static_cast<std::int64_t>(at / 2);
            return -1;
        }
        return -1;
    }

    TempDir temp;
    Samples source;
    std::string saved = home.file("saved.wav");
};

TEST_F(EngineRecording, RecordCommandAsksThenSavesWhatWasCaptured) {
    recordStartCommand(p());
    playStation();
    view.answers.push_back(false);
    recordStartCommand(p());
    EXPECT_EQ(p().stream.recording.dsp, 0u) << "No leaves it be";
    startRecording();
    EXPECT_EQ(view.recordCaptions, std::vector<std::string>{"停止录制(&R)"});
    ASSERT_TRUE(pumpUntil([&] { return fileSize(tempFile(0)) >= kBps; }));
    EXPECT_TRUE(view.timeLabel.starts_with("正在录制...  剩余: ")) << view.timeLabel;
    EXPECT_TRUE(view.timeLabel.ends_with(" MB)")) << view.timeLabel;

    view.answers.push_back(true);
    view.saveAnswers.push_back(saved);
    recordStartCommand(p()); // a second time: stops, which finishes the recording
    EXPECT_EQ(p().feed.OutputStream.load(), 0u);
    EXPECT_EQ(view.questions, (std::vector<std::string>{"要开始录制吗？", "要开始录制吗？",
                                                        "录制已经停止。\r要保存录制吗？"}));
    ASSERT_EQ(view.saveDialogs.size(), 1u);
    EXPECT_EQ(view.saveDialogs[0].first, "Wave 文件 (*.wav)|*.wav|所有文件 (*.*)|*.*");
    EXPECT_TRUE(std::regex_match(view.saveDialogs[0].second,
                                 std::regex(R"(Mix \d{4}-\d\d-\d\d \d\d-\d\d\.wav)")))
        << view.saveDialogs[0].second;
    EXPECT_EQ(view.recordCaptions, (std::vector<std::string>{"停止录制(&R)", "录制"}));
    EXPECT_EQ(view.messages,
              (std::vector<FakeView::Message>{
                  {MessageKind::Information, "您只能录制在线音乐。\r请先连接上一个。"},
                  {MessageKind::Information, "流媒体被成功保存到         \r" + saved}}));
    EXPECT_FALSE(anyTempFile());

    const std::string w = readFile(saved);
    ASSERT_GE(w.size(), 44u + kBps);
    EXPECT_EQ(le32(w, 4), w.size() - 8);
    EXPECT_EQ(le32(w, 24), 44100u);
    EXPECT_EQ(le32(w, 28), kBps);
    EXPECT_EQ(le32(w, 32), 4u | 16u << 16);
    EXPECT_EQ(le32(w, 40), w.size() - 44);
    EXPECT_GE(locate(w), 0) << "the WAV is one unbroken span of the stream";
}

// The window takes input while the WAV is joined; a record command, a new
// pre-record session or a tick arriving then leaves the save undisturbed.
TEST_F(EngineRecording, CommandsDuringTheSaveLeaveItAlone) {
    p().settings.writeBool("General", "RecordAhead", true);
    playStation();
    startRecording();
    ASSERT_TRUE(pumpUntil([&] { return fileSize(tempFile(0)) >= kBps; }));
    int calls = 0;
    view.onProcessPendingMessages = [&] {
        ++calls;
        recordStartCommand(p());
        StartCapture(p(), true);
        StatusTick(p());
    };
    view.answers.push_back(true);
    view.saveAnswers.push_back(saved);
    FinishRecording(p());
    view.onProcessPendingMessages = nullptr;
    EXPECT_GT(calls, 0);
    EXPECT_EQ(p().stream.recording.dsp, 0u) << "no capture began during the save";
    EXPECT_EQ(view.messages.back().text, "流媒体被成功保存到         \r" + saved);
    EXPECT_GE(locate(readFile(saved)), 0);
    EXPECT_FALSE(anyTempFile());
}

TEST_F(EngineRecording, NothingPlayingOrNoToTheSaveLeavesNoTempFile) {
    addEntry("http://radio.test/live");
    pl().PlayingEntry = "http://radio.test/live";
    recordStartCommand(p());
    EXPECT_EQ(view.messages.back().text, "首先播放一个流媒体。");
    pl().PlayingEntry.clear();

    p().settings.writeBool("General", "RecordAhead", true);
    p().settings.writeInt("Recording", "CachingTime", 3);
    p().settings.writeInt("General", "RecordSecAhead", 3);
    OpenEntry(p(), 0);
    ASSERT_TRUE(pumpUntil([&] { return outputState(p()) == ChannelState::Playing; }));
    // The 5 s the output buffers at once go round the whole ring.
    ASSERT_TRUE(pumpUntil([&] { return fileExists(tempFile(4)) && fileExists(tempFile(1)); }));
    EXPECT_FALSE(p().stream.recording.recording) << "pre-recording only";
    startRecording();
    ASSERT_TRUE(pumpUntil([&] { return fileSize(tempFile(0)) > 0; }));
    for (int n = 0; n < kTempFileCount; ++n)
        EXPECT_TRUE(fileExists(tempFile(n))) << n;
    view.answers.push_back(false);
    StopPlayback(p(), true);
    EXPECT_EQ(view.questions.back(), "录制已经停止。\r要保存录制吗？");
    EXPECT_TRUE(view.saveDialogs.empty());
    EXPECT_FALSE(anyTempFile());

    // A cancelled save dialog discards them as well.
    OpenEntry(p(), 0);
    ASSERT_TRUE(pumpUntil([&] { return outputState(p()) == ChannelState::Playing; }));
    startRecording();
    ASSERT_TRUE(pumpUntil([&] { return fileSize(tempFile(0)) > 0; }));
    view.answers.push_back(true);
    StopPlayback(p(), true);
    EXPECT_EQ(view.saveDialogs.size(), 1u);
    EXPECT_FALSE(anyTempFile());
}

TEST_F(EngineRecording, FailedSaveKeepsTheTempFilesAndSaysSo) {
    playStation();
    startRecording();
    ASSERT_TRUE(pumpUntil([&] { return fileSize(tempFile(0)) > 0; }));
    view.answers.push_back(true);
    view.saveAnswers.push_back(home.file("missing/folder/x.wav"));
    StopPlayback(p(), true);
    ASSERT_FALSE(view.messages.empty());
    EXPECT_EQ(view.messages.back().kind, MessageKind::Error);
    EXPECT_EQ(view.messages.back().text,
              "对不起，在保存和组合文件过程中出错。\r临时文件没有被删除！请使用一款声音编辑器来组"
              "合临时文件。\r(没有标题的原始未压缩 44.1/16 位 wave 数据)\r\r请报告此错误和您进行了"
              "哪些操作。");
    EXPECT_GT(fileSize(tempFile(0)), 0u);
    EXPECT_EQ(view.panels[kInfoPanel], "");
    // Nor does the next stop or entry take them away.
    OpenEntry(p(), 0);
    ASSERT_TRUE(pumpUntil([&] { return outputState(p()) == ChannelState::Playing; }));
    StopPlayback(p(), true);
    EXPECT_GT(fileSize(tempFile(0)), 0u);
}

// The disk nearly full, or the WAV limit reached: a warning, and the save
// is still offered for what was captured, while the stream plays on.
TEST_F(EngineRecording, StopsThatStillOfferTheSave) {
    std::atomic<std::uint64_t> free{500ull << 20};
    p().stream.recording.freeSpace = [&](const std::string&) {
        return std::optional<std::uint64_t>(free.load());
    };
    playStation();
    startRecording();
    ASSERT_TRUE(pumpUntil([&] { return fileSize(tempFile(0)) > 0; }));
    ASSERT_TRUE(pumpUntil([&] { return view.timeLabel == "正在录制...  剩余: 0:49 (500 MB)"; }))
        << view.timeLabel;
    free = 20971519;
    view.answers.push_back(true);
    view.saveAnswers.push_back(saved);
    ASSERT_TRUE(pumpUntil([&] { return !p().stream.recording.recording; }));
    ASSERT_EQ(view.messages.size(), 2u);
    EXPECT_EQ(view.messages[0],
              (FakeView::Message{MessageKind::Warning, "录制已停止，驱动器几乎已满。"}));
    EXPECT_EQ(view.messages[1].text, "流媒体被成功保存到         \r" + saved);
    EXPECT_GE(locate(readFile(saved)), 0);
    EXPECT_EQ(outputState(p()), ChannelState::Playing);
    EXPECT_EQ(p().stream.recording.dsp, 0u);

    free = 500ull << 20;
    p().stream.recording.dataLimit = kBps + 1;
    view.answers.push_back(true);
    view.saveAnswers.push_back(saved);
    startRecording();
    ASSERT_TRUE(pumpUntil([&] { return !p().stream.recording.recording; }));
    ASSERT_EQ(view.messages.size(), 4u);
    EXPECT_EQ(view.messages[2].kind, MessageKind::Warning);
    EXPECT_NE(view.messages[2].text.find("4 GB"), std::string::npos) << view.messages[2].text;
    const std::string w = readFile(saved);
    EXPECT_EQ(w.size(), 44u + kBps) << "exactly what fits, in whole frames";
    EXPECT_EQ(le32(w, 40), kBps);
    EXPECT_GE(locate(w), 0);
}

// A real small disk: statvfs of the temp folder sees it fill up.
TEST_F(EngineRecording, SmallTmpfsFillingUpStopsAndStillOffersTheSave) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting a tmpfs needs root";
    TempDir disk;
    // Half a megabyte above the minimum: about three seconds of recording.
    if (::mount("tmpfs", disk.path().c_str(), "tmpfs", 0, "size=20992k,mode=0700") != 0)
        GTEST_SKIP() << "tmpfs cannot be mounted here";
    p().settings.writeString("General", "RecordTempPath", disk.path() + "/");
    playStation();
    startRecording();
    view.answers.push_back(true);
    view.saveAnswers.push_back(saved);
    const bool stopped = pumpUntil([&] { return !p().stream.recording.recording; });
    const std::uint64_t onDisk = fileSize(tempFilePath(disk.path() + "/", 0));
    ::umount2(disk.path().c_str(), MNT_DETACH);
    ASSERT_TRUE(stopped);
    ASSERT_EQ(view.messages.size(), 2u);
    EXPECT_EQ(view.messages[0],
              (FakeView::Message{MessageKind::Warning, "录制已停止，驱动器几乎已满。"}));
    EXPECT_EQ(view.messages[1].text, "流媒体被成功保存到         \r" + saved);
    EXPECT_EQ(onDisk, 0u) << "the saved recording left no temp file behind";
    const std::string w = readFile(saved);
    EXPECT_GT(w.size(), 44u + kBps);
    EXPECT_GE(locate(w), 0);
    EXPECT_EQ(outputState(p()), ChannelState::Playing);
}

TEST_F(EngineRecording, AnotherEntryAsksToSaveFirst) {
    playStation();
    const std::string file = addWav("song.wav", loudTone(secondsToFrames(5), 2));
    startRecording();
    ASSERT_TRUE(pumpUntil([&] { return fileSize(tempFile(0)) > 0; }));
    view.answers.push_back(false);
    OpenEntry(p(), 1);
    EXPECT_EQ(view.questions.back(), "录制已经停止。\r要保存录制吗？");
    EXPECT_FALSE(anyTempFile());
    EXPECT_EQ(pl().PlayingEntry, file);
    EXPECT_EQ(p().stream.recording.dsp, 0u);
}

// With pre-recording, the WAV reaches back between the cache and 4/3 of it
// from where the record command found the stream.
TEST_F(EngineRecording, PreRecordingReachesBackByTheCache) {
    p().settings.writeBool("General", "RecordAhead", true);
    p().settings.writeInt("Recording", "CachingTime", 3);
    playStation();
    // Counted from the hook's start: what the output buffered before went by unseen.
    const std::int64_t hooked = p().feed.BytesDelivered.load();
    ASSERT_TRUE(pumpUntil([&] { return p().feed.BytesDelivered.load() > hooked + 5 * kBps; }));
    const std::int64_t before = p().feed.BytesDelivered.load();
    startRecording();
    const std::int64_t after = p().feed.BytesDelivered.load();
    ASSERT_TRUE(pumpUntil([&] { return fileSize(tempFile(0)) >= kBps / 2; }));
    StopCapture(p());
    const std::uint64_t recorded = fileSize(tempFile(0));
    view.answers.push_back(true);
    view.saveAnswers.push_back(saved);
    FinishRecording(p());
    const std::string w = readFile(saved);
    const std::uint64_t ahead = w.size() - 44 - recorded;
    EXPECT_GE(ahead, 3u * kBps);
    EXPECT_LE(ahead, 4u * kBps + 16);
    EXPECT_EQ(p().stream.recording.recorder.droppedBytes(), 0u)
        << "the output's first burst fits between the threads";
    const std::int64_t start = locate(w);
    ASSERT_GE(start, 0);
    // Where the recording proper began, against the command's moment.
    const std::int64_t firstRecorded = start * 4 + static_cast<std::int64_t>(ahead);
    EXPECT_GE(firstRecorded, before - static_cast<std::int64_t>(kBps) / 2);
    EXPECT_LE(firstRecorded, after + static_cast<std::int64_t>(kBps) / 2);
}

} // namespace
} // namespace kesto::test
