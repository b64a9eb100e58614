// The fill callback switches files on the feeder thread while the UI thread
// edits the playlist, the queue and the play mode as fast as it can. Every
// file is loud from its first sample and carries its own number in every
// sample, so the rendered output can be cut back into the files it was made
// of: nothing may be lost, repeated or cut short at a join. Runs under
// ThreadSanitizer in CI.

#include "playback/next_entry.h"
#include "playback/output.h"
#include "playback/output_retirer.h"
#include "playback/play_order.h"
#include "playback/status_tick.h"
#include "playback/transport.h"
#include "player/key_codes.h"
#include "playlist/playlist_queue.h"

#include "playback/playback_fixture.h"

#include <algorithm>
#include <cstring>
#include <random>
#include <thread>

namespace kesto::test {
namespace {

using namespace std::chrono_literals;

constexpr int kFiles = 6;

// File k: every sample is ±(8000 + 1000 k + frame mod 500), the sign
// alternating by frame, so the file's number and the frame's place in it
// can be read back from any sample.
Samples numbered(int k, std::int64_t frames) {
    Samples out(static_cast<std::size_t>(frames) * 2);
    for (std::int64_t f = 0; f < frames; ++f) {
        const int magnitude = 8000 + 1000 * k + static_cast<int>(f % 500);
        const auto v = static_cast<std::int16_t>(f % 2 == 0 ? magnitude : -magnitude);
        out[static_cast<std::size_t>(f) * 2] = v;
        out[static_cast<std::size_t>(f) * 2 + 1] = v;
    }
    return out;
}

class EnginePlaybackRace : public PlaybackTest {
protected:
    void SetUp() override {
        useFastWav();
        for (int k = 0; k < kFiles; ++k) {
            files.push_back(numbered(k, secondsToFrames(3.05) + 397 * k));
            addWav("f" + std::to_string(k) + ".wav", files.back());
        }
        addEntry(home.file("missing.wav"));
    }

    // The number of whole files the output is made of, checking that it is
    // made of nothing else; the last one may be cut short by the final stop.
    int wholeFiles(const Samples& out) {
        std::size_t at = 0;
        int count = 0;
        while (at < out.size()) {
            const int k = (std::abs(static_cast<int>(out[at])) - 8000) / 1000;
            if (k < 0 || k >= kFiles) {
                ADD_FAILURE() << "no file starts at sample " << at;
                return count;
            }
            const Samples& file = files[static_cast<std::size_t>(k)];
            const std::size_t n = std::min(file.size(), out.size() - at);
            if (!std::equal(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(n),
                            out.begin() + static_cast<std::ptrdiff_t>(at))) {
                ADD_FAILURE() << "file " << k << " at sample " << at << " is not whole";
                return count;
            }
            if (n == file.size())
                ++count;
            at += n;
        }
        return count;
    }

    // What the list commands do after an edit: the current line follows
    // the playing entry.
    void refind() {
        auto& entries = pl().PlaylistEntries;
        const auto it = std::find(entries.begin(), entries.end(), pl().PlayingEntry);
        pl().CurrentIndex = it == entries.end() ? -1 : static_cast<int>(it - entries.begin());
        view.lines = static_cast<int>(entries.size());
    }

    void randomEdit(std::mt19937& random) {
        auto& entries = pl().PlaylistEntries;
        const auto pick = [&] {
            return static_cast<std::size_t>(random() % entries.size());
        };
        switch (random() % 6) {
        case 0:
            ToggleQueued(pl(), entries[pick()]);
            break;
        case 1:
            std::swap(entries[pick()], entries[pick()]);
            break;
        case 2:
            // Any line but the last copy of the playing file: without it,
            // repeat-file mode rightly has nothing to play next and stops.
            if (const std::size_t i = pick();
                entries.size() > 3 && (entries[i] != pl().PlayingEntry ||
                                       std::count(entries.begin(), entries.end(), entries[i]) > 1))
                entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(i));
            break;
        case 3:
            entries.push_back(home.file("f" + std::to_string(random() % kFiles) + ".wav"));
            break;
        case 4:
            if (random() % 8 == 0)
                setPlayMode(p(), std::array{PlayMode::RepeatList, PlayMode::RepeatFile,
                                            PlayMode::Shuffle}[random() % 3]);
            break;
        default:
            if (random() % 8 == 0)
                clearShuffleHistory(p());
            break;
        }
        refind();
        playOrderChanged(p());
    }

    std::vector<Samples> files;
};

TEST_F(EnginePlaybackRace, EditsDuringSwitchesLoseAndRepeatNothing) {
    std::mt19937 random(2024);
    OpenEntry(p(), 0);
    // Switches are counted where the callback makes them: on a loaded
    // machine the window may take and follow one within a single tick.
    const std::uint64_t opened = p().feed.FileSerial.load();
    const auto made = [&] {
        return static_cast<int>(p().feed.FileSerial.load() - opened);
    };
    // Sanitizer builds run many times slower: the time limit is theirs.
    const auto until = std::chrono::steady_clock::now() + 60s;
    for (int i = 0; made() < 16 && std::chrono::steady_clock::now() < until; ++i) {
        StatusTick(p());
        if (i % 3 == 0)
            randomEdit(random);
        std::this_thread::sleep_for(200us);
    }
    const int switches = made();
    // Once the window has followed the last switch, every file before it
    // has reached the output whole; one still pending may leave the file it
    // ended in the output's buffer.
    const bool followed =
        tickUntil([&] { return !p().feed.Switched && !p().transport.switchedTo; });
    EXPECT_NE(p().feed.OutputStream.load(), 0u) << "playback stopped";
    StopPlayback(p(), true);
    EXPECT_GE(switches, 8);
    EXPECT_GE(wholeFiles(rendered()), followed ? switches : switches - 1);
}

// Transport commands racing the callback's switches: whatever the order,
// the state stays consistent and nothing crashes or deadlocks.
TEST_F(EnginePlaybackRace, TransportDuringSwitchesKeepsTheStateConsistent) {
    std::mt19937 random(7);
    OpenEntry(p(), 0);
    for (int i = 0; i < 400; ++i) {
        StatusTick(p());
        switch (random() % 10) {
        case 0:
            RunKeyCommand(p(), vk::Tab, random() % 2 ? vk::ShiftModifier : vk::NoModifier);
            break;
        case 1:
            RunKeyCommand(p(), vk::Space, vk::NoModifier);
            break;
        case 2:
            SeekTo(p(), MsToBytes(p(), static_cast<std::int64_t>(random() % 3500)));
            break;
        case 3:
            if (outputState(p()) == ChannelState::Stopped)
                OpenEntry(p(), static_cast<int>(random() % kFiles));
            break;
        default:
            randomEdit(random);
            break;
        }
        const int current = pl().CurrentIndex;
        if (current >= 0 && !p().transport.switchedTo) {
            ASSERT_LT(current, static_cast<int>(pl().PlaylistEntries.size()));
            EXPECT_EQ(pl().PlaylistEntries[static_cast<std::size_t>(current)], pl().PlayingEntry);
        }
        std::this_thread::sleep_for(300us);
    }
    StopPlayback(p(), true);
    EXPECT_EQ(p().feed.OutputStream, 0u);
    EXPECT_EQ(p().feed.nextEntry.peek(), nullptr);
}

} // namespace
} // namespace kesto::test

namespace kesto::test {
namespace {

// Stopped outputs are freed on the retirer's thread while the UI goes on;
// drain waits for every one, and the destructor frees what is left.
TEST(EnginePlaybackRetirer, FreesStoppedOutputsOffTheCallingThread) {
    AudioLibrary::Options options;
    options.output = "null";
    AudioLibrary audio(options);
    ASSERT_TRUE(audio.Init(1, 44100));
    const auto silent = [](AudioHandle, void* buffer, std::uint32_t length) {
        std::memset(buffer, 0, length);
        return length;
    };
    std::vector<AudioHandle> outputs;
    {
        OutputRetirer retirer(audio);
        for (int i = 0; i < 8; ++i) {
            const AudioHandle out = audio.StreamCreate(44100, 2, 0, silent);
            ASSERT_TRUE(audio.StreamPlay(out));
            audio.ChannelStop(out);
            retirer.retire(out);
            outputs.push_back(out);
        }
        retirer.drain();
        for (const AudioHandle out : outputs)
            EXPECT_FALSE(audio.ChannelStop(out)) << "freed";
        const AudioHandle last = audio.StreamCreate(44100, 2, 0, silent);
        ASSERT_TRUE(audio.StreamPlay(last));
        audio.ChannelStop(last);
        retirer.retire(last);
        outputs.push_back(last);
    }
    EXPECT_FALSE(audio.ChannelStop(outputs.back())) << "freed by the destructor";
}

} // namespace
} // namespace kesto::test
