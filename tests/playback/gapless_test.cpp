// End to end through the fast WAV output: what the listener would hear at
// the joins between files, sample by sample.

#include "playback/engine/engine_test_util.h"
#include "playback/fill_output.h"
#include "playback/output.h"
#include "playback/play_order.h"
#include "playback/playback_fixture.h"
#include "playback/probes.h"
#include "playback/transport.h"

namespace kesto::test {
namespace {

constexpr std::uint32_t kStereo = 2;
// The next file's lead-in: silence, then noise too quiet to count as sound.
const std::int64_t kLeadFrames = 1000;

Samples leadIn() {
    return joined({silence(600, kStereo), quietNoise(kLeadFrames - 600, kStereo, 15)});
}

Samples decoded(const std::string& path) {
    AudioLibrary audio;
    const AudioHandle decoder = audio.StreamCreateFile(path);
    Samples all = decodeAll(audio, decoder);
    audio.StreamFree(decoder);
    return all;
}

class EnginePlaybackGapless : public PlaybackTest {
protected:
    void SetUp() override { useFastWav(); }
};

// The first file ends in a partial block (its length is no multiple of the
// feeder's block); the join keeps that block and skips the quiet lead-in of
// the next file, and the stream stops after the last file.
TEST_F(EnginePlaybackGapless, TwoWavFilesJoinWithoutLossAndSkipTheQuietLeadIn) {
    const Samples a = loudTone(secondsToFrames(3.5) + 777, kStereo, 440);
    const Samples bBody = loudTone(secondsToFrames(3.2), kStereo, 660);
    addWav("a.wav", a);
    addWav("b.wav", joined({leadIn(), bBody}));
    setPlayMode(p(), PlayMode::PlayList);

    OpenEntry(p(), 0);
    ASSERT_TRUE(playToEnd());

    EXPECT_EQ(rendered(), joined({a, bBody}));
    EXPECT_EQ(pl().CurrentIndex, 1);
    EXPECT_FALSE(p().transport.DeviceReady);
    EXPECT_NE(std::find(view.captionHistory.begin(), view.captionHistory.end(), "b.wav - Kesto"),
              view.captionHistory.end());
    EXPECT_EQ(view.caption, "Kesto 1.04b");
}

TEST_F(EnginePlaybackGapless, TwoOggFilesJoinWithoutLossAndSkipTheQuietLeadIn) {
    const std::string a =
        addFile("a.ogg", oggFile(loudTone(secondsToFrames(3.4), kStereo, 440), 44100, kStereo));
    const std::string b =
        addFile("b.ogg", oggFile(joined({silence(kLeadFrames, kStereo),
                                         loudTone(secondsToFrames(3.3), kStereo, 550)}),
                                 44100, kStereo));
    setPlayMode(p(), PlayMode::PlayList);

    OpenEntry(p(), 0);
    ASSERT_TRUE(playToEnd());

    const Samples first = decoded(a);
    const Samples second = decoded(b);
    const Samples out = rendered();
    ASSERT_GT(out.size(), first.size());
    EXPECT_TRUE(std::equal(first.begin(), first.end(), out.begin())) << "the first file changed";
    // The rest is the second file from some frame on, to its very end: the
    // codec blurs where its lead-in ends, so we look for that frame.
    const std::size_t rest = out.size() - first.size();
    ASSERT_LE(rest, second.size());
    const std::size_t skipped = second.size() - rest;
    EXPECT_TRUE(std::equal(out.begin() + static_cast<std::ptrdiff_t>(first.size()), out.end(),
                           second.begin() + static_cast<std::ptrdiff_t>(skipped)))
        << "the second file is not whole after its lead-in";
    EXPECT_NEAR(static_cast<double>(skipped / kStereo), kLeadFrames, 64);
}

// The tail of an MP3 that does not record its padding is judged in its last 0.2 s: here the tone
// stops 0.15 s before the end, and those quiet 0.15 s are cut. The next file then starts the
// ordinary way, lead-in and all, once the output has drained.
TEST_F(EnginePlaybackGapless, Mp3LosesItsQuietTailAndTheNextFileStartsAfresh) {
    const std::string a =
        addFile("a.mp3", untaggedMp3File(joined({loudTone(secondsToFrames(4.45), kStereo, 440),
                                                 silence(secondsToFrames(0.15), kStereo)}),
                                         44100, kStereo));
    const Samples b = joined({leadIn(), loudTone(secondsToFrames(1.0), kStereo, 660)});
    addWav("b.wav", b);
    setPlayMode(p(), PlayMode::PlayList);

    OpenEntry(p(), 0);
    ASSERT_TRUE(playToEnd());

    const Samples whole = decoded(a);
    const Samples out = rendered();
    ASSERT_GT(out.size(), b.size());
    const std::size_t played = out.size() - b.size();
    EXPECT_TRUE(std::equal(b.begin(), b.end(), out.begin() + static_cast<std::ptrdiff_t>(played)))
        << "the second file is not whole";
    EXPECT_TRUE(
        std::equal(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(played), whole.begin()))
        << "the MP3 was not played from its start";
    // Without a LAME header the encoder's delay is decoded as silence before
    // the tone: the tone itself is what must have played whole.
    std::size_t onset = 0;
    while (onset < played && std::abs(whole[onset]) < 8000)
        ++onset;
    const double playedSeconds = static_cast<double>((played - onset) / kStereo) / 44100;
    EXPECT_NEAR(playedSeconds, 4.45, 0.01) << "of " << whole.size() / kStereo / 44100.0 << " s";
}

// Where an MP3's tail is cut must not depend on how playback reached it:
// from the start, after a seek, or joined onto another file with its
// lead-in skipped. Each way, exactly the file up to the last loud sample
// of its final 0.2 s is played. The tail fades out, so a look-ahead read
// from anywhere but where the file stands moves the cut.
TEST_F(EnginePlaybackGapless, Mp3TailIsCutAtTheSameSampleHoweverPlaybackGotThere) {
    Samples fade = quietNoise(secondsToFrames(0.3), kStereo, 6000, 11);
    for (std::size_t i = 0; i < fade.size(); ++i)
        fade[i] = static_cast<std::int16_t>(fade[i] * static_cast<double>(fade.size() - i) /
                                            static_cast<double>(fade.size()));
    const Samples song = joined({leadIn(), loudTone(secondsToFrames(4.2), kStereo, 440), fade,
                                 silence(secondsToFrames(0.05), kStereo)});
    const Samples first = loudTone(secondsToFrames(3.5), kStereo, 330);
    const std::int64_t twoSeconds = secondsToFrames(2.0) * kStereo;

    struct Case {
        const char* name;
        bool afterWav;
        bool seek;
        bool seekAfterCut;
    };
    for (const Case c : {Case{"played from the start", false, false, false},
                         Case{"after a seek to 2 s", false, true, false},
                         Case{"after a seek back to 2 s once the tail was cut", false, true, true},
                         Case{"joined onto a WAV, lead-in skipped", true, false, false}}) {
        SCOPED_TRACE(c.name);
        useFastWav();
        pl().PlaylistEntries.clear();
        if (c.afterWav)
            addWav("first.wav", first);
        const std::string mp3 = addFile("song.mp3", untaggedMp3File(song, 44100, kStereo));
        setPlayMode(p(), c.afterWav ? PlayMode::PlayList : PlayMode::PlayFile);
        const Samples whole = decoded(mp3);
        const auto window = static_cast<std::size_t>(secondsToFrames(0.2) * kStereo);
        const auto cut =
            static_cast<std::ptrdiff_t>(tailCutBytes(whole.data(), whole.size(), window) / 2);
        ASSERT_LT(cut + 2000, static_cast<std::ptrdiff_t>(whole.size()))
            << "the fade must leave something to cut";

        OpenEntry(p(), 0);
        if (c.seekAfterCut) {
            // No tick runs: the fast output reaches the end and waits for the window.
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            while (p().feed.TailRemaining != 0 && std::chrono::steady_clock::now() < until)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            ASSERT_EQ(p().feed.TailRemaining, 0);
        }
        if (c.seek)
            SeekTo(p(), twoSeconds * 2);
        ASSERT_TRUE(playToEnd());

        std::ptrdiff_t from = 0;
        if (c.seek)
            from = twoSeconds;
        if (c.afterWav)
            from = static_cast<std::ptrdiff_t>(
                leadSkipBytes(whole.data(), static_cast<std::size_t>(window)) / 2);
        const Samples expected(whole.begin() + from, whole.begin() + cut);
        const Samples out = rendered();
        ASSERT_GE(out.size(), expected.size());
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(),
                               out.end() - static_cast<std::ptrdiff_t>(expected.size())))
            << "the end of what played is not the song up to its cut";
        if (c.afterWav) {
            EXPECT_EQ(out.size(), first.size() + expected.size());
        } else if (!c.seek) {
            EXPECT_EQ(out.size(), expected.size());
        }
    }
}

// The look-ahead decoder is read once, near the end: decoding it beside
// every block the file plays would double the player's decoding work.
TEST_F(EnginePlaybackGapless, LookAheadDecoderRestsWhileTheFilePlays) {
    usePacedNull();
    addFile("song.mp3",
            untaggedMp3File(loudTone(secondsToFrames(10.0), kStereo, 440), 44100, kStereo));
    OpenEntry(p(), 0);
    pauseAndSettle();
    AudioLibrary& audio = p().audio;
    const std::int64_t before = audio.ChannelGetPosition(p().feed.MainDecoder);
    std::vector<std::uint8_t> block(17640);
    for (int i = 0; i < 10; ++i)
        ASSERT_EQ(FillOutput(p(), block.data(), 17640), 17640u);
    EXPECT_EQ(audio.ChannelGetPosition(p().feed.MainDecoder), before + 10 * 17640);
    EXPECT_EQ(audio.ChannelGetPosition(p().feed.MirrorDecoder), 0);
}

// The last block before the cut frees the file's decoder, and the stream
// only ends on the call after. A seek made in between (the user pressing
// Left in the last seconds) must still land, not end the file.
TEST_F(EnginePlaybackGapless, SeekRightAfterTheTailIsCutStillLands) {
    usePacedNull();
    const std::string mp3 =
        addFile("song.mp3", untaggedMp3File(joined({loudTone(secondsToFrames(4.4), kStereo, 440),
                                                    silence(secondsToFrames(0.2), kStereo)}),
                                            44100, kStereo));
    setPlayMode(p(), PlayMode::PlayFile);
    OpenEntry(p(), 0);
    pauseAndSettle();
    std::vector<std::uint8_t> block(17640);
    for (int i = 0; i < 100 && p().feed.TailRemaining != 0; ++i)
        FillOutput(p(), block.data(), 17640);
    ASSERT_EQ(p().feed.TailRemaining, 0) << "the tail was never reached";

    const std::int64_t twoSeconds = secondsToFrames(2.0) * kStereo * 2;
    SeekTo(p(), twoSeconds);
    EXPECT_EQ(p().audio.ChannelIsActive(p().feed.OutputStream), ChannelState::Paused);
    EXPECT_EQ(FilePosition(p()), twoSeconds);
    ASSERT_EQ(FillOutput(p(), block.data(), 17640), 17640u);
    const Samples whole = decoded(mp3);
    EXPECT_TRUE(std::equal(whole.begin() + twoSeconds / 2, whole.begin() + twoSeconds / 2 + 8820,
                           reinterpret_cast<const std::int16_t*>(block.data())))
        << "the block after the seek is not the song from 2 s";
    EXPECT_EQ(p().feed.EndAction, EndAction::None);
}

// Resuming shows the format of the file being heard, also when the
// callback has already let go of its decoder: freed at an MP3's tail cut,
// or replaced by the next file's at a switch the window has not followed.
TEST_F(EnginePlaybackGapless, ResumeDescribesTheFileBeingHeard) {
    struct Case {
        const char* name;
        bool switched;
    };
    for (const Case c : {Case{"an MP3 whose decoder was freed at its tail cut", false},
                         Case{"an OGG switched away from, not yet followed", true}}) {
        SCOPED_TRACE(c.name);
        usePacedNull();
        pl().PlaylistEntries.clear();
        const Samples tone = joined(
            {loudTone(secondsToFrames(4.4), kStereo, 440), silence(secondsToFrames(0.2), kStereo)});
        if (c.switched) {
            addFile("first.ogg", oggFile(tone, 44100, kStereo));
            addFile("next.mp3", untaggedMp3File(tone, 44100, kStereo));
        } else {
            addFile("song.mp3", untaggedMp3File(tone, 44100, kStereo));
        }
        setPlayMode(p(), c.switched ? PlayMode::PlayList : PlayMode::PlayFile);
        OpenEntry(p(), 0);
        const std::string heard = FormatDescription(p(), pl().PlayingEntry, 0);
        ASSERT_EQ(heard.substr(heard.find(' ')), " Kbps 立体声");
        ASSERT_NE(heard[0], '0');
        if (c.switched) {
            ASSERT_NE(heard, FormatDescription(p(), pl().PlaylistEntries[1], 0))
                << "the two files must tell apart";
        }
        pauseAndSettle();
        // Let go of: freed once its tail is cut, however the last block's
        // read came out (a short last read frees it with bytes of the cut left).
        const AudioHandle song = p().feed.MainDecoder;
        const auto letGo = [&] {
            return c.switched ? p().feed.Switched.load()
                              : p().feed.TailRemaining != -1 &&
                                    p().audio.ChannelIsActive(song) == ChannelState::Stopped;
        };
        std::vector<std::uint8_t> block(17640);
        for (int i = 0; i < 100 && !letGo(); ++i)
            FillOutput(p(), block.data(), 17640);
        ASSERT_TRUE(letGo()) << "tail left " << p().feed.TailRemaining << ", end action "
                             << static_cast<int>(p().feed.EndAction.load()) << ", position "
                             << p().audio.ChannelGetPosition(song);

        resumeOutput(p());
        EXPECT_EQ(view.panels[kInfoPanel], heard);
    }
}

// Files that cannot follow without a gap: the stream ends after the first,
// and the second starts from its own beginning (its lead-in is not skipped).
TEST_F(EnginePlaybackGapless, ShortFilesStartTheOrdinaryWay) {
    struct Case {
        const char* name;
        double firstSeconds;
        double secondSeconds;
    };
    for (const Case c :
         {Case{"next file of 3 s or less", 3.5, 2.0}, Case{"ending file of 3 s or less", 2.0, 3.5},
          Case{"next file of exactly 3 s", 3.5, 3.0}}) {
        SCOPED_TRACE(c.name);
        useFastWav();
        pl().PlaylistEntries.clear();
        const Samples a = loudTone(secondsToFrames(c.firstSeconds), kStereo, 440);
        const Samples b = joined(
            {leadIn(), loudTone(secondsToFrames(c.secondSeconds) - kLeadFrames, kStereo, 660)});
        addWav("a.wav", a);
        addWav("b.wav", b);
        setPlayMode(p(), PlayMode::PlayList);
        OpenEntry(p(), 0);
        ASSERT_TRUE(playToEnd());
        EXPECT_EQ(rendered(), joined({a, b}));
    }
}

// The WAV output holds one format, so the second file's own stream is
// refused there: what was written is exactly the first file, and the second
// was opened afresh at its own rate.
TEST_F(EnginePlaybackGapless, NextFileWithAnotherRateStartsTheOrdinaryWay) {
    const Samples a = loudTone(secondsToFrames(3.5), kStereo, 440);
    addWav("a.wav", a);
    addWav("b.wav", loudTone(secondsToFrames(3.5, 22050), kStereo, 440, 0.5, 22050), 22050);
    setPlayMode(p(), PlayMode::PlayList);

    OpenEntry(p(), 0);
    ASSERT_TRUE(tickUntil([&] { return pl().CurrentIndex == 1; }));

    EXPECT_EQ(p().transport.OutputRate, 22050u);
    EXPECT_EQ(view.caption, "b.wav - Kesto");
    EXPECT_EQ(rendered(), a);
}

TEST_F(EnginePlaybackGapless, PlayFileModeStopsAfterTheFile) {
    const Samples a = loudTone(secondsToFrames(3.5), kStereo, 440);
    addWav("a.wav", a);
    addWav("b.wav", loudTone(secondsToFrames(3.5), kStereo, 660));
    setPlayMode(p(), PlayMode::PlayFile);

    OpenEntry(p(), 0);
    ASSERT_TRUE(playToEnd());

    EXPECT_EQ(rendered(), a);
    EXPECT_EQ(pl().CurrentIndex, 0);
    EXPECT_FALSE(p().transport.DeviceReady);
    EXPECT_EQ(view.caption, "Kesto 1.04b");
    EXPECT_EQ(view.timeLabel, "");
}

// Repeat-file plays the same file again without a gap, lead-in skipped.
TEST_F(EnginePlaybackGapless, RepeatFileJoinsTheFileToItself) {
    const Samples body = loudTone(secondsToFrames(3.1) + 123, kStereo, 440);
    addWav("a.wav", joined({leadIn(), body}));
    setPlayMode(p(), PlayMode::RepeatFile);

    OpenEntry(p(), 0);
    ASSERT_TRUE(tickUntil([&] { return rendered().size() >= 3 * body.size() + leadIn().size(); }));
    StopPlayback(p(), true);

    const Samples out = rendered();
    const Samples expected = joined({leadIn(), body, body, body});
    ASSERT_GE(out.size(), expected.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), out.begin()));
}

// The analyses on their own: where a tail is cut and how much lead-in is skipped.
TEST(EnginePlaybackSilence, TailCutAndLeadSkipFindTheEdgesOfTheSound) {
    struct Case {
        const char* name;
        Samples samples;
        std::size_t window;
        std::int64_t tail;
        std::int64_t lead;
    };
    const Case cases[] = {
        {"nothing at all", {}, 8, 0, 0},
        {"all silent: the tail is cut at the window, nothing is skipped at the start",
         Samples(16, 0), 8, 16, 28},
        {"loud from the first sample", {9000, 9000, 9000, 9000, 0, 0, 0, 0}, 8, 4, 0},
        {"quiet samples do not count towards the mean",
         {0, 0, 20, -20, 6000, -6000, 6000, 0, 0, 15, 0, 0},
         12,
         12,
         8},
        // The mean is 41 here: half of it rounds to 20 (half to even), so 21 still sounds.
        {"half the mean rounds to even", {61, 61, 21, 21}, 4, 4, 0},
        {"only the window counts for the tail", {30000, 30000, 100, 100, 100, 100}, 4, 8, 0},
        {"the result is whole frames", {0, 0, 0, 5000, 5000, 5000}, 6, 8, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(tailCutBytes(c.samples.data(), c.samples.size(), c.window), c.tail);
        EXPECT_EQ(leadSkipBytes(c.samples.data(), c.samples.size()), c.lead);
    }
}

} // namespace
} // namespace kesto::test
