// The status tick: the seek bar and time label, following a gapless switch
// at the right moment, and carrying out the callback's end requests.

#include "playback/engine/engine_test_util.h"
#include "playback/fill_output.h"
#include "playback/next_entry.h"
#include "playback/output.h"
#include "playback/play_order.h"
#include "playback/status_tick.h"
#include "playback/time_text.h"
#include "playback/transport.h"
#include "player/key_codes.h"

#include "playback/playback_fixture.h"

#include <cmath>
#include <thread>

namespace kesto::test {
namespace {

using namespace std::chrono_literals;

TEST(PlaybackTimeText, ThreeFormats) {
    struct Case {
        std::int64_t value;
        const char* normal;
        const char* fine;
        const char* seconds;
    };
    const Case cases[] = {
        {0, "0:00", "0:00:00", "0:00"},
        {5230, "0:05", "0:05:23", "87:10"},
        {65000, "1:05", "1:05:00", "1083:20"},
        {59999, "0:59", "0:59:99", "999:59"},
        {6000000, "100:00", "100:00:00", "100000:00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(timeTextNormal(c.value), c.normal);
        EXPECT_EQ(timeTextFine(c.value), c.fine);
        EXPECT_EQ(timeTextSeconds(c.value), c.seconds);
    }
}

class EnginePlaybackStatus : public PlaybackTest {};

// Paused at a known output position, the label shows where the file stands
// in the format its length calls for.
TEST_F(EnginePlaybackStatus, TimeLabelFollowsTheFileInFineOrNormalFormat) {
    struct Case {
        double seconds;
        std::int64_t at;
        int period;
        const char* label;
    };
    const Case cases[] = {
        {8.0, 5230, 10, "0:05:23 / 0:08:00 / -0:02:77"},
        {9.999, 0, 10, "0:00:00 / 0:09:99 / -0:09:99"},
        {10.5, 65, 33, "0:00 / 0:10 / -0:10"},
        {10.5, 7400, 33, "0:07 / 0:10 / -0:03"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        usePacedNull();
        pl().PlaylistEntries.clear();
        addWav("a.wav", loudTone(secondsToFrames(c.seconds), 2));
        OpenEntry(p(), 0);
        EXPECT_EQ(view.statusTimer, (FakeView::Timer{true, c.period}));
        pauseOutput(p());
        // A device tick under way when the pause came still counts: let it end.
        std::this_thread::sleep_for(30ms);
        // Where the paused output stands, the file stands at `at`.
        p().transport.PositionOffset =
            p().audio.ChannelGetPosition(p().feed.OutputStream) - MsToBytes(p(), c.at);
        StatusTick(p());
        EXPECT_EQ(view.timeLabel, c.label);
        EXPECT_EQ(view.seekPosition, c.at);

        // While a seek drag moves the bar, the tick leaves it alone.
        ASSERT_TRUE(beginSeekDrag(p()));
        seekDragTo(p(), 1000);
        StatusTick(p());
        EXPECT_EQ(view.seekPosition, 1000);
        endSeekDrag(p());

        // Past the end (the old file's last blocks after a switch) the bar
        // stops at its end and the label stays.
        p().transport.PositionOffset = p().audio.ChannelGetPosition(p().feed.OutputStream) -
                                       MsToBytes(p(), std::llround(c.seconds * 1000) + 500);
        const std::string label = view.timeLabel;
        StatusTick(p());
        EXPECT_EQ(view.seekPosition, view.seekMax);
        EXPECT_EQ(view.timeLabel, label);
    }
}

// The callback asks; the tick acts only once the output has stopped.
TEST_F(EnginePlaybackStatus, EndRequestsWaitForTheOutputToStop) {
    usePacedNull();
    for (const char* name : {"a.wav", "b.wav"})
        addWav(name, loudTone(secondsToFrames(12), 2));

    OpenEntry(p(), 0);
    p().feed.EndAction = EndAction::PlayNext;
    StatusTick(p());
    EXPECT_EQ(p().feed.EndAction, EndAction::PlayNext) << "still playing";
    p().audio.ChannelStop(p().feed.OutputStream);
    StatusTick(p());
    EXPECT_EQ(p().feed.EndAction, EndAction::None);
    EXPECT_EQ(pl().CurrentIndex, 1) << "the next file the ordinary way";
    EXPECT_EQ(outputState(p()), ChannelState::Playing);
    EXPECT_TRUE(view.statusTimer.running) << "the timers went on";

    p().feed.EndAction = EndAction::Stop;
    StatusTick(p());
    EXPECT_NE(p().feed.OutputStream, 0u);
    p().audio.ChannelStop(p().feed.OutputStream);
    StatusTick(p());
    EXPECT_EQ(p().feed.OutputStream, 0u);
    EXPECT_FALSE(p().transport.DeviceReady);
    EXPECT_FALSE(view.statusTimer.running);

    // The play order has nothing after the last file in play-list mode.
    OpenEntry(p(), 1);
    setPlayMode(p(), PlayMode::PlayList);
    p().feed.EndAction = EndAction::PlayNext;
    p().audio.ChannelStop(p().feed.OutputStream);
    StatusTick(p());
    EXPECT_EQ(p().feed.OutputStream, 0u);
}

// In real time: the window follows the switch only once the output has
// played up to it, and the position then counts from the skipped lead-in.
TEST_F(EnginePlaybackStatus, DisplayFollowsTheSwitchWhenTheOutputReachesIt) {
    usePacedNull();
    addWav("a.wav", loudTone(secondsToFrames(3.2), 2));
    addWav("b.wav", joined({silence(2205, 2), loudTone(secondsToFrames(3.5), 2, 660)}));
    OpenEntry(p(), 0);

    bool followed = false;
    bool sawPending = false;
    const auto until = std::chrono::steady_clock::now() + 8s;
    while (!followed && std::chrono::steady_clock::now() < until) {
        const bool pending =
            p().feed.EndAction == EndAction::FollowSwitch && p().transport.switchedTo;
        const std::int64_t switchPoint = p().feed.SwitchPoint;
        const std::int64_t before = p().audio.ChannelGetPosition(p().feed.OutputStream);
        StatusTick(p());
        const std::int64_t after = p().audio.ChannelGetPosition(p().feed.OutputStream);
        if (pl().CurrentIndex == 1) {
            followed = true;
            ASSERT_TRUE(pending);
            EXPECT_GE(after, switchPoint);
            EXPECT_LT(after - switchPoint, MsToBytes(p(), 100)) << "followed late";
            EXPECT_EQ(p().feed.LeadSkip, 2205 * 4);
            const std::int64_t file = FilePosition(p());
            EXPECT_GE(file, p().feed.LeadSkip);
            EXPECT_LE(file, p().feed.LeadSkip + MsToBytes(p(), 100));
            EXPECT_EQ(view.caption, "b.wav - Kesto");
            EXPECT_EQ(view.seekMax, 3550);
            EXPECT_FALSE(p().feed.Switched);
        } else if (pending) {
            sawPending = true;
            EXPECT_LT(before, switchPoint) << "the switch point was reached, yet not followed";
            EXPECT_EQ(view.caption, "a.wav - Kesto");
        }
        std::this_thread::sleep_for(5ms);
    }
    EXPECT_TRUE(followed);
    EXPECT_TRUE(sawPending) << "the switch was decided ahead of the output";
}

// The next file is decided ahead of time; queueing while the first file
// plays changes that decision, and the switch takes the queued entry. Its
// queue place goes with it, like at an ordinary start, even though a deleted
// entry stood before it.
TEST_F(EnginePlaybackStatus, GaplessSwitchTakesTheQueueAsEditedMeanwhile) {
    usePacedNull();
    addWav("a.wav", loudTone(secondsToFrames(3.1), 2));
    addWav("b.wav", loudTone(secondsToFrames(3.5), 2, 550));
    addWav("c.wav", loudTone(secondsToFrames(3.5), 2, 660));
    OpenEntry(p(), 0);
    StatusTick(p());
    pl().QueueList = {home.file("deleted.wav"), pl().PlaylistEntries[2]};
    playOrderChanged(p());

    ASSERT_TRUE(tickUntil([&] { return pl().CurrentIndex != 0; }, 8s));
    EXPECT_EQ(pl().CurrentIndex, 2);
    EXPECT_EQ(view.caption, "c.wav - Kesto");
    EXPECT_TRUE(pl().QueueList.empty());
    EXPECT_EQ(p().transport.QueueRecent.slots[0], pl().PlaylistEntries[2]);
}

// The output has moved to the next file but the window still shows the
// first: a seek is a seek in the file being heard.
TEST_F(EnginePlaybackStatus, SeekAfterASwitchReopensTheAudibleFile) {
    useFastWav();
    const Samples a = loudTone(secondsToFrames(4), 2, 440);
    const Samples b = loudTone(secondsToFrames(3.5), 2, 660);
    addWav("a.wav", a);
    addWav("b.wav", b);
    setPlayMode(p(), PlayMode::PlayList);
    OpenEntry(p(), 0);
    ASSERT_TRUE(switchWithoutTicks());

    SeekTo(p(), MsToBytes(p(), 1000));
    EXPECT_EQ(pl().CurrentIndex, 0);
    EXPECT_EQ(view.caption, "a.wav - Kesto");
    ASSERT_TRUE(playToEnd());
    const Samples out = rendered();
    const Samples tail = joined({fromFrame(a, 44100, 2), b});
    ASSERT_GE(out.size(), tail.size());
    EXPECT_TRUE(
        std::equal(tail.begin(), tail.end(), out.end() - static_cast<std::ptrdiff_t>(tail.size())))
        << "after the seek: the first file from 1 s, then the second";
}

// A seek key held while the first file's end is reached is a seek in the
// file the user was moving through: what its end would do (follow a
// gapless switch, or start the next file once the output has stopped)
// waits for the release, and the seek then plays the first file on.
TEST_F(EnginePlaybackStatus, FileEndWaitsForAHeldSeekKey) {
    struct Case {
        const char* name;
        bool mp3; // an MP3's cut tail ends the stream; a WAV switches without a gap
    };
    for (const Case c : {Case{"WAV: the gapless switch becomes audible", false},
                         Case{"MP3: the stream ends and the output stops", true}}) {
        SCOPED_TRACE(c.name);
        useFastWav();
        pl().PlaylistEntries.clear();
        const Samples tone = loudTone(secondsToFrames(4), 2, 440);
        const Samples b = loudTone(secondsToFrames(3.5), 2, 660);
        Samples a = tone;
        if (c.mp3) {
            const std::string path = addFile("a.mp3", untaggedMp3File(tone, 44100, 2));
            AudioLibrary decoder;
            const AudioHandle h = decoder.StreamCreateFile(path);
            a = decodeAll(decoder, h);
            decoder.StreamFree(h);
            // What plays of it: up to its tail cut.
            const auto window = static_cast<std::size_t>(secondsToFrames(0.2) * 2);
            a.resize(static_cast<std::size_t>(tailCutBytes(a.data(), a.size(), window) / 2));
        } else {
            addWav("a.wav", a);
        }
        addWav("b.wav", b);
        setPlayMode(p(), PlayMode::PlayList);
        OpenEntry(p(), 0);
        const std::string caption = c.mp3 ? "a.mp3 - Kesto" : "a.wav - Kesto";
        ASSERT_TRUE(switchWithoutTicks());

        ASSERT_TRUE(RunKeyCommand(p(), vk::Right, vk::NoModifier)); // held: the bar moves to 0:03
        // Ticks go on while the key is held, until the output has played
        // past the switch, or played out and stopped.
        AudioLibrary& audio = p().audio;
        ASSERT_TRUE(tickUntil([&] {
            return c.mp3 ? audio.ChannelIsActive(p().feed.OutputStream) == ChannelState::Stopped
                         : audio.ChannelGetPosition(p().feed.OutputStream) >=
                               p().feed.SwitchPoint.load();
        }));
        StatusTick(p());
        EXPECT_EQ(pl().CurrentIndex, 0);
        EXPECT_EQ(view.caption, caption);
        EXPECT_EQ(p().mirror.SeekBarPosition, 3000);

        finishKeyboardSeek(p()); // released
        EXPECT_EQ(pl().CurrentIndex, 0);
        EXPECT_EQ(view.caption, caption);
        ASSERT_TRUE(playToEnd());
        const Samples out = rendered();
        // From 3 s on: the first file as it plays to its end, then the
        // whole second file.
        const Samples tail = joined({fromFrame(a, 3 * 44100, 2), b});
        ASSERT_GE(out.size(), tail.size());
        EXPECT_TRUE(std::equal(tail.begin(), tail.end(),
                               out.end() - static_cast<std::ptrdiff_t>(tail.size())))
            << "after the seek: the first file from 3 s, then the second";
    }
}

} // namespace
} // namespace kesto::test
