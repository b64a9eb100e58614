#include "playback/engine/engine_test_util.h"
#include "support/temp_dir.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace kesto::test {
namespace {

using namespace std::chrono_literals;

bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = 5000ms) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

AudioLibrary::Options nullOutput() {
    AudioLibrary::Options o;
    o.output = "null";
    return o;
}

std::uint32_t tone(void* buffer, std::uint32_t length) {
    auto* s = static_cast<std::int16_t*>(buffer);
    for (std::uint32_t i = 0; i < length / 2; ++i)
        s[i] = static_cast<std::int16_t>(i * 37);
    return length;
}

// What the player does: read the current file inside the callback, and at its
// end free it and open the next one, all on the feeder thread.
TEST(EngineOutputCallback, CallbackChainsFilesThroughTheLibraryWithoutAGap) {
    TempDir dir;
    const Samples a = sineSweep(44100, 2, 44100 + 777, 100, 5000);
    const Samples b = whiteNoise(2, 30011, 5);
    writeFile(dir.file("a.wav"), wavFile(a, 44100, 2));
    writeFile(dir.file("b.wav"), wavFile(b, 44100, 2, WavEncoding::F32));
    const std::string out = dir.file("out.wav");
    AudioLibrary audio(wavOutput(out, true));
    ASSERT_TRUE(audio.Init(1, 44100));
    std::atomic<AudioHandle> decoder{audio.StreamCreateFile(dir.file("a.wav"))};
    bool opened = false;
    AudioHandle output = audio.StreamCreate(
        44100, 2, 0, [&](AudioHandle self, void* buffer, std::uint32_t length) -> std::uint32_t {
            EXPECT_EQ(audio.ChannelSeconds2Bytes(self, 1.0), 176400);
            EXPECT_GE(audio.ChannelGetPosition(self), 0);
            std::int64_t n = audio.ChannelGetData(decoder, buffer, length);
            if (n < 0)
                return kStreamEnd;
            if (audio.ChannelIsActive(decoder) != ChannelState::Stopped)
                return static_cast<std::uint32_t>(n);
            audio.StreamFree(decoder);
            if (opened)
                return static_cast<std::uint32_t>(n) | kStreamEnd;
            opened = true;
            decoder = audio.StreamCreateFile(dir.file("b.wav"));
            // The rest of this block comes from the next file.
            auto* rest = static_cast<std::uint8_t*>(buffer) + n;
            std::int64_t m =
                audio.ChannelGetData(decoder, rest, length - static_cast<std::uint32_t>(n));
            return static_cast<std::uint32_t>(n + std::max<std::int64_t>(m, 0));
        });
    ASSERT_TRUE(audio.StreamPlay(output));
    ASSERT_TRUE(waitFor([&] { return audio.ChannelIsActive(output) == ChannelState::Stopped; }));
    audio.Free();
    Samples expected = a;
    expected.insert(expected.end(), b.begin(), b.end());
    EXPECT_EQ(toSamples(readFile(out).substr(44)), expected);
}

TEST(EngineOutputCallback, DspSeesEveryBlockOnceInOrderAndStopsAtRemove) {
    TempDir dir;
    AudioLibrary audio(nullOutput());
    ASSERT_TRUE(audio.Init(1, 44100));
    audio.SetConfig(AudioOption::BufferMs, 200);
    audio.SetConfig(AudioOption::UpdatePeriodMs, 10);
    std::mutex mutex;
    std::string returned, seenFirst, seenSecond;
    std::uint16_t next = 0;
    AudioHandle out = audio.StreamCreate(44100, 2, 0, [&](AudioHandle, void* b, std::uint32_t n) {
        auto* s = static_cast<std::uint16_t*>(b);
        for (std::uint32_t i = 0; i < n / 2; ++i)
            s[i] = next++;
        std::lock_guard lock(mutex);
        returned.append(static_cast<char*>(b), n);
        return n;
    });
    std::atomic<bool> removed{false};
    std::atomic<int> lateCalls{0};
    // The higher priority runs first and changes the data the lower one sees.
    AudioHandle second = audio.ChannelSetDSP(
        out,
        [&](AudioHandle, AudioHandle, void* b, std::uint32_t n) {
            if (removed)
                ++lateCalls;
            std::lock_guard lock(mutex);
            seenSecond.append(static_cast<char*>(b), n);
        },
        0);
    AudioHandle first = audio.ChannelSetDSP(
        out,
        [&](AudioHandle, AudioHandle, void* b, std::uint32_t n) {
            std::lock_guard lock(mutex);
            seenFirst.append(static_cast<char*>(b), n);
            auto* s = static_cast<std::uint16_t*>(b);
            for (std::uint32_t i = 0; i < n / 2; ++i)
                s[i] ^= 0x5555;
        },
        5);
    ASSERT_NE(first, 0u);
    ASSERT_NE(second, 0u);
    ASSERT_TRUE(audio.StreamPlay(out));
    std::this_thread::sleep_for(150ms);
    ASSERT_TRUE(audio.ChannelRemoveDSP(out, second));
    removed = true;
    EXPECT_FALSE(audio.ChannelRemoveDSP(out, second));
    std::this_thread::sleep_for(60ms);
    audio.ChannelStop(out);
    EXPECT_EQ(lateCalls, 0);
    std::lock_guard lock(mutex);
    EXPECT_EQ(seenFirst, returned);
    ASSERT_FALSE(seenSecond.empty());
    ASSERT_LE(seenSecond.size(), returned.size());
    for (std::size_t i = 0; i < seenSecond.size(); i += 2) {
        std::uint16_t got = 0, original = 0;
        std::memcpy(&got, seenSecond.data() + i, 2);
        std::memcpy(&original, returned.data() + i, 2);
        ASSERT_EQ(got, static_cast<std::uint16_t>(original ^ 0x5555)) << i;
    }
}

TEST(EngineOutputCallback, StatesFollowTheCallback) {
    AudioLibrary audio(nullOutput());
    ASSERT_TRUE(audio.Init(1, 44100));
    audio.SetConfig(AudioOption::BufferMs, 100);
    audio.SetConfig(AudioOption::UpdatePeriodMs, 10);
    std::atomic<int> mode{0}; // 0 data, 1 nothing yet (a lagging download), 2 end
    AudioHandle out = audio.StreamCreate(44100, 2, 0, [&](AudioHandle, void* b, std::uint32_t n) {
        switch (mode.load()) {
        case 0:
            return tone(b, n);
        case 1:
            return 0u;
        default:
            return kStreamEnd;
        }
    });
    EXPECT_EQ(audio.ChannelIsActive(out), ChannelState::Stopped);
    ASSERT_TRUE(audio.StreamPlay(out));
    EXPECT_EQ(audio.ChannelIsActive(out), ChannelState::Playing);
    ASSERT_TRUE(audio.ChannelPause(out));
    EXPECT_EQ(audio.ChannelIsActive(out), ChannelState::Paused);
    ASSERT_TRUE(audio.StreamPlay(out)); // Play resumes a paused stream
    EXPECT_EQ(audio.ChannelIsActive(out), ChannelState::Playing);
    mode = 1;
    EXPECT_TRUE(waitFor([&] { return audio.ChannelIsActive(out) == ChannelState::Stalled; }));
    const std::int64_t stalledAt = audio.ChannelGetPosition(out);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(audio.ChannelGetPosition(out), stalledAt);
    mode = 0;
    EXPECT_TRUE(waitFor([&] { return audio.ChannelIsActive(out) == ChannelState::Playing; }));
    mode = 2;
    EXPECT_TRUE(waitFor([&] { return audio.ChannelIsActive(out) == ChannelState::Stopped; }));
    // An ended stream keeps its final position until it plays again.
    const std::int64_t end = audio.ChannelGetPosition(out);
    EXPECT_GT(end, stalledAt);
    EXPECT_FALSE(audio.ChannelPause(out));
    mode = 0;
    ASSERT_TRUE(audio.StreamPlay(out));
    EXPECT_TRUE(waitFor([&] { return audio.ChannelGetPosition(out) > 0; }));
    EXPECT_LT(audio.ChannelGetPosition(out), end);
}

TEST(EngineOutputCallback, StopAndFreeWaitForARunningCallbackAndNoneFollows) {
    for (bool freeIt : {false, true}) {
        SCOPED_TRACE(freeIt ? "free" : "stop");
        AudioLibrary audio(nullOutput());
        ASSERT_TRUE(audio.Init(1, 44100));
        audio.SetConfig(AudioOption::UpdatePeriodMs, 10);
        std::atomic<bool> inside{false};
        std::atomic<int> calls{0};
        AudioHandle out =
            audio.StreamCreate(44100, 2, 0, [&](AudioHandle, void* b, std::uint32_t n) {
                inside = true;
                ++calls;
                std::this_thread::sleep_for(30ms); // a slow callback
                inside = false;
                return tone(b, n);
            });
        ASSERT_TRUE(audio.StreamPlay(out));
        ASSERT_TRUE(waitFor([&] { return inside.load(); }));
        EXPECT_TRUE(freeIt ? audio.StreamFree(out) : audio.ChannelStop(out));
        EXPECT_FALSE(inside);
        const int after = calls;
        std::this_thread::sleep_for(80ms);
        EXPECT_EQ(calls, after);
    }
}

TEST(EngineOutputCallback, CallbackMayControlAndFreeItsOwnStream) {
    AudioLibrary audio(nullOutput());
    ASSERT_TRUE(audio.Init(1, 44100));
    audio.SetConfig(AudioOption::UpdatePeriodMs, 10);
    std::atomic<int> calls{0};
    std::atomic<bool> freed{false};
    AudioHandle out =
        audio.StreamCreate(44100, 2, 0, [&](AudioHandle self, void* b, std::uint32_t n) {
            const int call = ++calls;
            if (call == 2) {
                // Stop and play again from inside: the block of the old playback is dropped.
                EXPECT_TRUE(audio.ChannelStop(self));
                EXPECT_TRUE(audio.StreamPlay(self));
            }
            if (call == 4) {
                EXPECT_TRUE(audio.ChannelPause(self));
            }
            if (call == 6) {
                EXPECT_TRUE(audio.StreamFree(self));
                freed = true;
            }
            return tone(b, n);
        });
    ASSERT_TRUE(audio.StreamPlay(out));
    ASSERT_TRUE(waitFor([&] { return audio.ChannelIsActive(out) == ChannelState::Paused; }));
    ASSERT_TRUE(audio.ChannelResume(out));
    ASSERT_TRUE(waitFor([&] { return freed.load(); }));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(calls, 6);
    EXPECT_EQ(audio.ChannelIsActive(out), ChannelState::Stopped);
    EXPECT_FALSE(audio.StreamFree(out));
}

// The UI thread polls, seeks and restarts while the feeder reads the same
// decoders; the sanitizers watch for races and the test for deadlocks.
TEST(EngineOutputCallback, UiThreadAndFeederShareDecodersSafely) {
    TempDir dir;
    writeFile(dir.file("a.wav"), wavFile(sineSweep(44100, 2, 44100 * 2, 100, 3000), 44100, 2));
    AudioLibrary audio(nullOutput());
    ASSERT_TRUE(audio.Init(1, 44100));
    audio.SetConfig(AudioOption::BufferMs, 300);
    audio.SetConfig(AudioOption::UpdatePeriodMs, 5);
    std::atomic<AudioHandle> main{audio.StreamCreateFile(dir.file("a.wav"))};
    std::atomic<AudioHandle> mirror{audio.StreamCreateFile(dir.file("a.wav"))};
    std::vector<std::int16_t> scratch(44100);
    AudioHandle out = audio.StreamCreate(44100, 2, 0, [&](AudioHandle, void* b, std::uint32_t n) {
        std::int64_t got = audio.ChannelGetData(main, b, n);
        if (got <= 0 || audio.ChannelIsActive(main) == ChannelState::Stopped) {
            // Start the file over from inside, as a repeat mode would.
            AudioHandle old = main.exchange(audio.StreamCreateFile(dir.file("a.wav")));
            audio.StreamFree(old);
            return static_cast<std::uint32_t>(std::max<std::int64_t>(got, 0));
        }
        audio.ChannelGetData(
            mirror, scratch.data(),
            std::min<std::uint32_t>(static_cast<std::uint32_t>(got),
                                    static_cast<std::uint32_t>(scratch.size() * 2)));
        return static_cast<std::uint32_t>(got);
    });
    ASSERT_TRUE(audio.StreamPlay(out));
    std::int16_t level[512];
    const auto until = std::chrono::steady_clock::now() + 600ms;
    for (int i = 0; std::chrono::steady_clock::now() < until; ++i) {
        audio.ChannelGetPosition(out);
        audio.ChannelGetData(out, level, sizeof level);
        audio.ChannelSetAttributes(out, -1, i % 1000, -101);
        audio.ChannelIsActive(out);
        if (i % 20 == 0) {
            // A seek as the player does it: stop, move both decoders, play.
            audio.ChannelStop(out);
            audio.ChannelSetPosition(main, 4 * (i % 40000));
            audio.ChannelSetPosition(mirror, 4 * (i % 40000));
            audio.StreamPlay(out);
        }
        if (i % 50 == 0)
            audio.ChannelSlideAttributes(out, -1, 0, -101, 100);
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_TRUE(audio.StreamFree(out));
    EXPECT_TRUE(audio.StreamFree(main));
    EXPECT_TRUE(audio.StreamFree(mirror));
}

} // namespace
} // namespace kesto::test
