// Recording from a real icecast2 server on 127.0.0.1 (test.sh starts it;
// scripts/services.sh says how), through the WAV-file output, whose file is
// the oracle: what the recorder wrote must be what the output played.
// Without KESTO_ICECAST_PORT these skip.

#include "playback/output.h"
#include "playback/status_tick.h"
#include "stream/recorder_files.h"
#include "stream/recording.h"

#include "playback/playback_fixture.h"

#include <cstdlib>
#include <sys/stat.h>
#include <thread>

namespace kesto::test {
namespace {

using namespace std::chrono_literals;

std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

struct Station {
    const char* mount;
    std::uint32_t rate;
    std::uint32_t channels;
};

class EngineRecordingIcecast : public PlaybackTest {
protected:
    void SetUp() override {
        if (env("KESTO_ICECAST_PORT").empty())
            GTEST_SKIP() << "KESTO_ICECAST_PORT is not set (test.sh starts icecast2)";
        useOutput("wav:" + renderedPath);
        p().settings.writeString("General", "RecordTempPath", temp.path() + "/");
    }
    void TearDown() override { DeleteTempFiles(temp.path() + "/"); }

    std::string tempFile(int n) const { return tempFilePath(temp.path() + "/", n); }
    // The event loop and the status tick for `span`, or until `done`.
    bool run(std::chrono::milliseconds span, const std::function<bool()>& done = {}) {
        const auto until = std::chrono::steady_clock::now() + span;
        while (std::chrono::steady_clock::now() < until) {
            if (done && done())
                return true;
            view.runPosted();
            StatusTick(p());
            std::this_thread::sleep_for(5ms);
        }
        return !done;
    }
    void listen(const Station& s) {
        addEntry("http://127.0.0.1:" + env("KESTO_ICECAST_PORT") + s.mount);
        OpenEntry(p(), 0);
        ASSERT_TRUE(run(15s, [&] { return outputState(p()) == ChannelState::Playing; }));
        ASSERT_EQ(p().transport.OutputRate, s.rate);
        ASSERT_EQ(p().transport.OutputChannels, s.channels);
    }
    // Ends the recording (the stream plays on) and saves it; returns the WAV
    // and, in `recorded`, the bytes of the recording proper.
    std::string finish(std::uint64_t& recorded) {
        StopCapture(p());
        recorded = fileSize(tempFile(0));
        view.answers.push_back(true);
        view.saveAnswers.push_back(saved);
        FinishRecording(p());
        EXPECT_EQ(view.messages.back().text, "流媒体被成功保存到         \r" + saved);
        return readFile(saved);
    }
    // The output played everything up to byte `end` (the output buffers
    // seconds ahead of what is heard).
    void playUntil(std::int64_t end) {
        ASSERT_TRUE(
            run(20s, [&] { return static_cast<std::int64_t>(rendered().size()) * 2 >= end; }));
        StopPlayback(p(), true);
    }
    void checkHeader(const std::string& w, const Station& s) {
        ASSERT_GT(w.size(), 44u);
        EXPECT_EQ(le32(w, 4), w.size() - 8);
        EXPECT_EQ(le32(w, 20), 1u | s.channels << 16);
        EXPECT_EQ(le32(w, 24), s.rate);
        EXPECT_EQ(le32(w, 28), s.rate * s.channels * 2);
        EXPECT_EQ(le32(w, 32), (s.channels * 2) | 16u << 16);
        EXPECT_EQ(le32(w, 40), w.size() - 44);
    }
    // Where in the played output the WAV's data lies, searched from byte
    // `from` to byte `to` for its first sample; -1 when it is nowhere there.
    std::int64_t findInPlayed(const std::string& w, std::int64_t from, std::int64_t to,
                              std::uint32_t channels) {
        const Samples got = toSamples(w.substr(44));
        const Samples played = rendered();
        const auto step = static_cast<std::int64_t>(channels);
        for (std::int64_t at = std::max<std::int64_t>(from / 2, 0) / step * step;
             at <= to / 2 &&
             at + static_cast<std::int64_t>(got.size()) <= static_cast<std::int64_t>(played.size());
             at += step) {
            if (std::equal(got.begin(), got.end(), played.begin() + at))
                return at * 2;
        }
        return -1;
    }
    void recordFiveSeconds(const Station& s) {
        listen(s);
        run(1s);
        const std::uint32_t bps = s.rate * s.channels * 2;
        const std::int64_t before = p().feed.BytesDelivered.load();
        view.answers.push_back(true);
        recordStartCommand(p());
        const std::int64_t after = p().feed.BytesDelivered.load();
        ASSERT_TRUE(p().stream.recording.recording);
        run(5s);
        std::uint64_t recorded = 0;
        const std::string w = finish(recorded);
        checkHeader(w, s);
        EXPECT_EQ(w.size() - 44, recorded) << "without RecordAhead, only the recording";
        EXPECT_GT(recorded, 3u * bps);
        playUntil(after + static_cast<std::int64_t>(recorded) + bps);
        const std::int64_t at = findInPlayed(w, before - bps, after + bps, s.channels);
        EXPECT_GE(at, 0) << "every sample as the output played it, from the command on";
    }

    TempDir temp;
    std::string saved = home.file("saved.wav");
};

TEST_F(EngineRecordingIcecast, FiveSecondsOfStereoMp3AreWhatWasPlayed) {
    recordFiveSeconds({"/live", 44100, 2});
}

TEST_F(EngineRecordingIcecast, FiveSecondsOfMonoOggAreWhatWasPlayed) {
    recordFiveSeconds({"/live.ogg", 22050, 1});
}

// A 6 s cache: listened to long enough, the WAV reaches back 6 to 8 s
// before the command, and joins on to the recording without a seam.
TEST_F(EngineRecordingIcecast, PreRecordingReachesBackByTheCache) {
    const Station s{"/live", 44100, 2};
    const std::uint32_t bps = s.rate * s.channels * 2;
    p().settings.writeBool("General", "RecordAhead", true);
    p().settings.writeInt("Recording", "CachingTime", 6);
    listen(s);
    // Counted from the hook's start: what the output buffered before went by unseen.
    const std::int64_t hooked = p().feed.BytesDelivered.load();
    ASSERT_TRUE(run(20s, [&] { return p().feed.BytesDelivered.load() > hooked + 10 * bps; }));
    const std::int64_t before = p().feed.BytesDelivered.load();
    view.answers.push_back(true);
    recordStartCommand(p());
    const std::int64_t after = p().feed.BytesDelivered.load();
    run(2s);
    std::uint64_t recorded = 0;
    const std::string w = finish(recorded);
    checkHeader(w, s);
    const std::uint64_t ahead = w.size() - 44 - recorded;
    EXPECT_GE(ahead, 6u * bps);
    EXPECT_LE(ahead, 8u * bps + 16);
    playUntil(after + static_cast<std::int64_t>(recorded) + bps);
    const std::int64_t at =
        findInPlayed(w, before - static_cast<std::int64_t>(ahead) - bps,
                     after - static_cast<std::int64_t>(ahead) + bps, s.channels);
    ASSERT_GE(at, 0) << "the pre-recorded audio and the recording are what was played";
    const std::int64_t firstRecorded = at + static_cast<std::int64_t>(ahead);
    EXPECT_GE(firstRecorded, before - static_cast<std::int64_t>(bps) / 2);
    EXPECT_LE(firstRecorded, after + static_cast<std::int64_t>(bps) / 2);
}

// No to the save removes all five temp files; a save that fails keeps them
// and says so.
TEST_F(EngineRecordingIcecast, NoRemovesTheTempFilesAndAFailedSaveKeepsThem) {
    const Station s{"/live", 44100, 2};
    const std::int64_t bps = s.rate * s.channels * 2;
    p().settings.writeBool("General", "RecordAhead", true);
    p().settings.writeInt("Recording", "CachingTime", 3);
    listen(s);
    const std::int64_t hooked = p().feed.BytesDelivered.load();
    ASSERT_TRUE(run(20s, [&] { return p().feed.BytesDelivered.load() > hooked + 5 * bps; }));
    view.answers.push_back(true);
    recordStartCommand(p());
    ASSERT_TRUE(run(10s, [&] { return fileSize(tempFile(0)) > 0; }));
    for (int n = 0; n < kTempFileCount; ++n)
        EXPECT_TRUE(fileExists(tempFile(n))) << n;
    view.answers.push_back(false);
    FinishRecording(p());
    for (int n = 0; n < kTempFileCount; ++n)
        EXPECT_FALSE(fileExists(tempFile(n))) << n;

    view.answers.push_back(true);
    recordStartCommand(p());
    ASSERT_TRUE(run(10s, [&] { return fileSize(tempFile(0)) > 0; }));
    view.answers.push_back(true);
    view.saveAnswers.push_back(home.file("no/such/folder/mix.wav"));
    FinishRecording(p());
    ASSERT_FALSE(view.messages.empty());
    EXPECT_EQ(view.messages.back().kind, MessageKind::Error);
    EXPECT_TRUE(view.messages.back().text.starts_with("对不起，在保存和组合文件过程中出错。"));
    EXPECT_GT(fileSize(tempFile(0)), 0u) << "kept for a sound editor";
    StopPlayback(p(), true);
}

} // namespace
} // namespace kesto::test
