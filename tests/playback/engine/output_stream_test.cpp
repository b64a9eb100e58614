#include "playback/engine/engine_test_util.h"
#include "support/temp_dir.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <future>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace kesto::test {
namespace {

using namespace std::chrono_literals;

// The data part of a WAV file the device wrote, after checking its header
// agrees with the file's size.
std::string wavData(const std::string& path) {
    std::string bytes = readFile(path);
    if (bytes.size() < 44) {
        ADD_FAILURE() << "no WAV header in " << path;
        return {};
    }
    std::uint32_t declared = 0;
    std::memcpy(&declared, bytes.data() + 40, 4);
    EXPECT_EQ(declared, bytes.size() - 44);
    return bytes.substr(44);
}

// A fill callback that counts: every 16-bit sample is the next number, so any
// lost, repeated or reordered sample shows. Keeps what it returned per
// playback segment (a new segment starts with each Play after a stop).
class Counter {
public:
    explicit Counter(std::int64_t endAfterBytes = -1) : endAfter_(endAfterBytes) {}

    std::uint32_t fill(void* buffer, std::uint32_t length) {
        std::lock_guard lock(mutex_);
        auto* s = static_cast<std::int16_t*>(buffer);
        std::uint32_t n = length;
        bool end = false;
        if (endAfter_ >= 0 && total_ + n >= endAfter_) {
            n = static_cast<std::uint32_t>(endAfter_ - total_);
            end = true;
        }
        for (std::uint32_t i = 0; i < n / 2; ++i)
            s[i] = static_cast<std::int16_t>(next_++);
        segments_.back().append(static_cast<char*>(buffer), n);
        total_ += n;
        blocks_.push_back(length);
        return n | (end ? kStreamEnd : 0);
    }
    void newSegment() {
        std::lock_guard lock(mutex_);
        segments_.emplace_back();
    }
    std::vector<std::string> segments() {
        std::lock_guard lock(mutex_);
        return segments_;
    }
    std::vector<std::uint32_t> blocks() {
        std::lock_guard lock(mutex_);
        return blocks_;
    }

private:
    std::mutex mutex_;
    std::int64_t endAfter_;
    std::int64_t total_ = 0;
    std::uint16_t next_ = 1;
    std::vector<std::string> segments_{std::string()};
    std::vector<std::uint32_t> blocks_;
};

bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = 5000ms) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

void quickSettings(AudioLibrary& audio) {
    audio.SetConfig(AudioOption::BufferMs, 200);
    audio.SetConfig(AudioOption::UpdatePeriodMs, 20);
}

TEST(EngineOutputStream, WavFileHoldsExactlyWhatWasPlayedAcrossPauseStopAndReplay) {
    TempDir dir;
    const std::string path = dir.file("out.wav");
    Counter counter(44100 * 4); // one second in the second segment ends the stream
    {
        AudioLibrary audio(wavOutput(path, false));
        ASSERT_TRUE(audio.Init(1, 44100));
        quickSettings(audio);
        AudioHandle out = audio.StreamCreate(
            44100, 2, 0, [&](AudioHandle, void* b, std::uint32_t n) { return counter.fill(b, n); });
        ASSERT_TRUE(audio.StreamPlay(out));
        ASSERT_TRUE(waitFor([&] { return audio.ChannelGetPosition(out) > 20000; }));
        ASSERT_TRUE(audio.ChannelPause(out));
        EXPECT_EQ(audio.ChannelIsActive(out), ChannelState::Paused);
        const std::int64_t paused = audio.ChannelGetPosition(out);
        std::this_thread::sleep_for(60ms);
        EXPECT_EQ(audio.ChannelGetPosition(out), paused);
        ASSERT_TRUE(audio.ChannelResume(out));
        ASSERT_TRUE(waitFor([&] { return audio.ChannelGetPosition(out) > paused + 20000; }));
        ASSERT_TRUE(audio.ChannelStop(out));
        EXPECT_EQ(audio.ChannelIsActive(out), ChannelState::Stopped);
        EXPECT_EQ(audio.ChannelGetPosition(out), 0);
        const std::string firstPart = wavData(path);

        counter.newSegment();
        ASSERT_TRUE(audio.StreamPlay(out));
        ASSERT_TRUE(waitFor([&] { return audio.ChannelIsActive(out) == ChannelState::Stopped; }));
        const std::int64_t end = audio.ChannelGetPosition(out);
        audio.Free();

        const auto segments = counter.segments();
        ASSERT_EQ(segments.size(), 2u);
        // Stop drops what was buffered but not played; the rest plays in full.
        ASSERT_LE(firstPart.size(), segments[0].size());
        EXPECT_EQ(firstPart, segments[0].substr(0, firstPart.size()));
        EXPECT_EQ(end, static_cast<std::int64_t>(segments[1].size()));
        EXPECT_EQ(wavData(path), firstPart + segments[1]);
    }
}

TEST(EngineOutputStream, FastWavOutputIsDeterministic) {
    TempDir dir;
    std::vector<std::string> files;
    std::vector<std::vector<std::uint32_t>> cadences;
    for (int run = 0; run < 2; ++run) {
        const std::string path = dir.file("fast" + std::to_string(run) + ".wav");
        Counter counter(44100 * 4 * 20 + 6); // 20 s and a bit, ending mid-block
        AudioLibrary audio(wavOutput(path, true));
        ASSERT_TRUE(audio.Init(1, 44100));
        audio.SetConfig(AudioOption::BufferMs, 3000);
        AudioHandle out = audio.StreamCreate(
            44100, 2, 0, [&](AudioHandle, void* b, std::uint32_t n) { return counter.fill(b, n); });
        const auto started = std::chrono::steady_clock::now();
        ASSERT_TRUE(audio.StreamPlay(out));
        ASSERT_TRUE(waitFor([&] { return audio.ChannelIsActive(out) == ChannelState::Stopped; }));
        // Twenty seconds of audio, without the twenty seconds.
        EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
        EXPECT_EQ(audio.ChannelGetPosition(out), 44100 * 4 * 20 + 4);
        audio.Free();
        files.push_back(wavData(path));
        EXPECT_EQ(files.back(), counter.segments()[0].substr(0, files.back().size()));
        EXPECT_EQ(files.back().size(), 44100u * 4 * 20 + 4); // the odd half frame is dropped
        cadences.push_back(counter.blocks());
    }
    EXPECT_EQ(files[0], files[1]);
    EXPECT_EQ(cadences[0], cadences[1]);
    // After the first fill the callback is asked for one update period at a time.
    ASSERT_GT(cadences[0].size(), 40u);
    EXPECT_EQ(cadences[0][35], 17640u);
}

TEST(EngineOutputStream, PositionNeverRunsAheadOfTheFile) {
    TempDir dir;
    const std::string path = dir.file("pos.wav");
    Counter counter(44100 * 4 / 2);
    AudioLibrary audio(wavOutput(path, false));
    ASSERT_TRUE(audio.Init(1, 44100));
    quickSettings(audio);
    AudioHandle out = audio.StreamCreate(
        44100, 2, 0, [&](AudioHandle, void* b, std::uint32_t n) { return counter.fill(b, n); });
    ASSERT_TRUE(audio.StreamPlay(out));
    std::int64_t last = 0;
    int samples = 0;
    while (audio.ChannelIsActive(out) != ChannelState::Stopped && samples < 2000) {
        const std::int64_t position = audio.ChannelGetPosition(out);
        const auto written = static_cast<std::int64_t>(readFile(path).size()) - 44;
        EXPECT_LE(position, written);
        EXPECT_GE(position, last);
        last = position;
        ++samples;
        std::this_thread::sleep_for(3ms);
    }
    EXPECT_EQ(audio.ChannelGetPosition(out), 44100 * 4 / 2);
}

// Left = frame number's low 16 bits, right = its high bits.
std::uint32_t framesCallback(std::atomic<std::uint32_t>& frame, void* buffer,
                             std::uint32_t length) {
    auto* s = static_cast<std::uint16_t*>(buffer);
    for (std::uint32_t i = 0; i < length / 4; ++i, ++frame) {
        s[2 * i] = static_cast<std::uint16_t>(frame.load());
        s[2 * i + 1] = static_cast<std::uint16_t>(frame.load() >> 16);
    }
    return length;
}

TEST(EngineOutputStream, GetDataReturnsTheBlockBeingPlayed) {
    TempDir dir;
    AudioLibrary audio(wavOutput(dir.file("data.wav"), false));
    ASSERT_TRUE(audio.Init(1, 44100));
    quickSettings(audio);
    std::atomic<std::uint32_t> frame{0};
    AudioHandle out = audio.StreamCreate(44100, 2, 0, [&](AudioHandle, void* b, std::uint32_t n) {
        return framesCallback(frame, b, n);
    });
    std::uint16_t block[32];
    EXPECT_EQ(audio.ChannelGetData(out, block, sizeof block), 0); // nothing plays yet
    ASSERT_TRUE(audio.StreamPlay(out));
    ASSERT_TRUE(waitFor([&] { return audio.ChannelGetPosition(out) > 0; }));
    for (int i = 0; i < 30; ++i) {
        const std::int64_t before = audio.ChannelGetPosition(out);
        ASSERT_EQ(audio.ChannelGetData(out, block, sizeof block), 64);
        const std::int64_t after = audio.ChannelGetPosition(out);
        const std::int64_t at = (block[0] | std::int64_t{block[1]} << 16) * 4;
        EXPECT_GE(at, before);
        EXPECT_LE(at, after);
        // Reading does not consume: the device still writes every frame.
        EXPECT_EQ(block[2], static_cast<std::uint16_t>(block[0] + 1));
        std::this_thread::sleep_for(7ms);
    }
    audio.ChannelPause(out);
    EXPECT_EQ(audio.ChannelGetData(out, block, sizeof block), 0); // a paused output is silent
    audio.StreamFree(out);
    audio.Free();
    const Samples file = toSamples(wavData(dir.file("data.wav")));
    for (std::size_t i = 0; i + 1 < file.size(); i += 2)
        ASSERT_EQ(static_cast<std::uint16_t>(file[i]), static_cast<std::uint16_t>(i / 2));
}

// A constant level, and a hook into the callback to act at a given byte count.
struct Level {
    std::int64_t delivered = 0;
    std::function<void(std::int64_t)> at;
    std::int64_t endAfter;
    std::uint32_t fill(void* buffer, std::uint32_t length) {
        if (at)
            at(delivered);
        auto* s = static_cast<std::int16_t*>(buffer);
        std::uint32_t n =
            static_cast<std::uint32_t>(std::min<std::int64_t>(length, endAfter - delivered));
        for (std::uint32_t i = 0; i < n / 2; ++i)
            s[i] = 10000;
        delivered += n;
        return n | (delivered >= endAfter ? kStreamEnd : 0);
    }
};

TEST(EngineOutputStream, SlideReachesSilenceOnTime) {
    TempDir dir;
    const std::string path = dir.file("slide.wav");
    AudioLibrary audio(wavOutput(path, true));
    ASSERT_TRUE(audio.Init(1, 44100));
    AudioHandle out = 0;
    std::int64_t slideFrom = -1;
    Level level;
    level.endAfter = 44100 * 4 * 3;
    level.at = [&](std::int64_t delivered) {
        if (slideFrom < 0 && delivered >= 44100 * 4) {
            slideFrom = audio.ChannelGetPosition(out);
            EXPECT_TRUE(audio.ChannelSlideAttributes(out, -1, 0, -101, 500));
        }
    };
    out = audio.StreamCreate(
        44100, 2, 0, [&](AudioHandle, void* b, std::uint32_t n) { return level.fill(b, n); });
    ASSERT_TRUE(audio.StreamPlay(out));
    ASSERT_TRUE(waitFor([&] { return audio.ChannelIsActive(out) == ChannelState::Stopped; }));
    EXPECT_EQ(audio.ChannelGetAttributes(out)->volume, 0);
    audio.Free();
    const Samples s = toSamples(wavData(path));
    ASSERT_GT(slideFrom, 0);
    const std::size_t start = static_cast<std::size_t>(slideFrom / 2);
    std::size_t silentFrom = s.size();
    while (silentFrom > 0 && s[silentFrom - 1] == 0)
        --silentFrom;
    // 500 ms after the slide began, within one update period (100 ms).
    const double seconds = static_cast<double>(silentFrom - start) / 2 / 44100;
    EXPECT_NEAR(seconds, 0.5, 0.1);
    EXPECT_EQ(s[start - 2], 10000);
    // Linear: halfway down at the halfway point.
    EXPECT_NEAR(s[start + 44100 / 2], 5000, 300);
}

TEST(EngineOutputStream, VolumeChangesApplyWithinOneDevicePeriod) {
    TempDir dir;
    const std::string path = dir.file("volume.wav");
    AudioLibrary audio(wavOutput(path, true));
    ASSERT_TRUE(audio.Init(1, 44100));
    AudioHandle out = 0;
    std::int64_t changedAt = -1;
    Level level;
    level.endAfter = 44100 * 4 * 2;
    level.at = [&](std::int64_t delivered) {
        if (changedAt < 0 && delivered >= 44100 * 4) {
            changedAt = audio.ChannelGetPosition(out);
            EXPECT_TRUE(audio.ChannelSetAttributes(out, -1, 500, -101));
        }
    };
    out = audio.StreamCreate(
        44100, 2, 0, [&](AudioHandle, void* b, std::uint32_t n) { return level.fill(b, n); });
    ASSERT_TRUE(audio.StreamPlay(out));
    ASSERT_TRUE(waitFor([&] { return audio.ChannelIsActive(out) == ChannelState::Stopped; }));
    audio.Free();
    const Samples s = toSamples(wavData(path));
    ASSERT_GT(changedAt, 0);
    const std::size_t at = static_cast<std::size_t>(changedAt / 2);
    const std::size_t period = 441 * 2; // 10 ms of stereo samples
    for (std::size_t i = 0; i < at; ++i)
        ASSERT_EQ(s[i], 10000) << i;
    for (std::size_t i = at + period; i < s.size(); ++i)
        ASSERT_EQ(s[i], 5000) << i;
}

} // namespace
} // namespace kesto::test

namespace kesto::test {
namespace {

// Pause and resume while the fill callback is busy (a long decode, a tail
// analysis) must not wait for it: the window would freeze for that long. The
// callback here holds on until the test lets it go; if pause waited for it,
// the pause would never return.
TEST(EngineOutputStream, PauseAndResumeDoNotWaitForARunningCallback) {
    TempDir dir;
    AudioLibrary audio(wavOutput(dir.file("out.wav"), false));
    ASSERT_TRUE(audio.Init(1, 44100));
    quickSettings(audio);
    std::atomic<int> calls{0};
    std::atomic<bool> inside{false};
    std::atomic<bool> hold{false};
    std::atomic<bool> release{false};
    AudioHandle out = audio.StreamCreate(44100, 2, 0, [&](AudioHandle, void* b, std::uint32_t n) {
        std::memset(b, 0, n);
        ++calls;
        if (hold.load()) {
            inside = true;
            while (!release.load())
                std::this_thread::sleep_for(1ms);
            inside = false;
        }
        return n;
    });
    ASSERT_TRUE(audio.StreamPlay(out));
    ASSERT_TRUE(waitFor([&] { return audio.ChannelGetPosition(out) > 8820; }));
    hold = true;
    ASSERT_TRUE(waitFor([&] { return inside.load(); }));

    auto paused = std::async(std::launch::async, [&] { return audio.ChannelPause(out); });
    const bool returned = paused.wait_for(2s) == std::future_status::ready;
    EXPECT_TRUE(returned) << "pause waited for the callback";
    EXPECT_TRUE(inside.load());
    EXPECT_EQ(audio.ChannelIsActive(out), ChannelState::Paused);
    const std::int64_t at = audio.ChannelGetPosition(out);

    // Still inside: resuming and pausing again are just as prompt.
    EXPECT_TRUE(audio.ChannelResume(out));
    EXPECT_EQ(audio.ChannelIsActive(out), ChannelState::Playing);
    EXPECT_TRUE(audio.ChannelPause(out));
    hold = false;
    release = true;
    ASSERT_TRUE(paused.get());
    ASSERT_TRUE(waitFor([&] { return !inside.load(); }));

    // Once the callback returned, the stream really rests: no more calls, no progress.
    const int callsAfter = calls.load();
    std::this_thread::sleep_for(100ms);
    EXPECT_LE(calls.load(), callsAfter + 1);
    EXPECT_EQ(audio.ChannelIsActive(out), ChannelState::Paused);
    EXPECT_LE(audio.ChannelGetPosition(out), at + 4 * 882 * 4);
    const std::int64_t rested = audio.ChannelGetPosition(out);
    std::this_thread::sleep_for(60ms);
    EXPECT_EQ(audio.ChannelGetPosition(out), rested);

    // And it plays on after a resume through the ordinary path.
    ASSERT_TRUE(audio.ChannelResume(out));
    ASSERT_TRUE(waitFor([&] { return audio.ChannelGetPosition(out) > rested + 8820; }));
    audio.Free();
}

// A paused player that seeks readies its output at the new place: until it
// resumes, nothing may be decoded or reach the device, or a moment of music
// would sound while the listener has paused.
TEST(EngineOutputStream, CueHoldsAnOutputSilentUntilItResumes) {
    TempDir dir;
    const std::string path = dir.file("out.wav");
    Counter counter;
    {
        AudioLibrary audio(wavOutput(path, false));
        ASSERT_TRUE(audio.Init(1, 44100));
        quickSettings(audio);
        AudioHandle out = audio.StreamCreate(
            44100, 2, 0, [&](AudioHandle, void* b, std::uint32_t n) { return counter.fill(b, n); });
        ASSERT_TRUE(audio.streamCue(out));
        EXPECT_EQ(audio.ChannelIsActive(out), ChannelState::Paused);
        std::this_thread::sleep_for(100ms);
        EXPECT_TRUE(counter.blocks().empty());
        EXPECT_EQ(audio.ChannelGetPosition(out), 0);
        ASSERT_TRUE(audio.ChannelResume(out));
        ASSERT_TRUE(waitFor([&] { return audio.ChannelGetPosition(out) > 20000; }));
        // a cue leaves a running output alone
        ASSERT_TRUE(audio.streamCue(out));
        EXPECT_EQ(audio.ChannelIsActive(out), ChannelState::Playing);

        // stopped and cued again: back at the start, and nothing more asked for
        ASSERT_TRUE(audio.ChannelStop(out));
        const std::size_t asked = counter.blocks().size();
        const std::string heard = wavData(path);
        counter.newSegment();
        ASSERT_TRUE(audio.streamCue(out));
        std::this_thread::sleep_for(100ms);
        EXPECT_EQ(counter.blocks().size(), asked);
        EXPECT_EQ(audio.ChannelGetPosition(out), 0);
        EXPECT_EQ(wavData(path), heard);
        // and it plays from a fresh start when told
        ASSERT_TRUE(audio.StreamPlay(out));
        ASSERT_TRUE(waitFor([&] { return audio.ChannelGetPosition(out) > 20000; }));
        audio.Free();
    }
}

} // namespace
} // namespace kesto::test
