// MP3 albums through the fast WAV output: a file whose LAME header records
// the encoder's delay and padding decodes to exactly what was encoded, so it
// joins the next file without a gap; a file without that header (or every
// MP3, with Tweak/gapless_mp3 off) keeps its tail cut and restarts the output.

#include "playback/engine/engine_test_util.h"
#include "playback/fill_output.h"
#include "playback/output.h"
#include "playback/play_order.h"
#include "playback/playback_fixture.h"

namespace kesto::test {
namespace {

constexpr std::uint32_t kStereo = 2;

Samples decoded(const std::string& path) {
    AudioLibrary audio;
    const AudioHandle decoder = audio.StreamCreateFile(path);
    Samples all = decodeAll(audio, decoder);
    audio.StreamFree(decoder);
    return all;
}

// What plays of a file whose quiet tail is cut.
Samples upToTailCut(const Samples& whole) {
    const auto window = static_cast<std::size_t>(secondsToFrames(0.2) * kStereo);
    return Samples(whole.begin(),
                   whole.begin() + static_cast<std::ptrdiff_t>(
                                       tailCutBytes(whole.data(), whole.size(), window) / 2));
}

class EnginePlaybackGaplessMp3 : public PlaybackTest {
protected:
    void SetUp() override { useFastWav(); }

    // One continuous sweep, cut in two at a frame that is no multiple of an
    // MP3 frame (1152) or granule (576), each half encoded on its own.
    void addSweepHalves(bool lameHeader) {
        const Samples sweep = sineSweep(44100, kStereo, secondsToFrames(8.0), 200, 4000);
        const std::int64_t cut = secondsToFrames(4.0) + 331;
        ASSERT_NE(cut % 576, 0);
        const auto at = sweep.begin() + static_cast<std::ptrdiff_t>(cut * kStereo);
        first = Samples(sweep.begin(), at);
        second = Samples(at, sweep.end());
        Mp3Encoding encoding;
        encoding.vbrQuality = 2;
        encoding.lameHeader = lameHeader;
        firstPath = addFile("1 first.mp3", mp3File(first, 44100, kStereo, encoding));
        secondPath = addFile("2 second.mp3", mp3File(second, 44100, kStereo, encoding));
        setPlayMode(p(), PlayMode::PlayList);
    }

    // Plays the pair from the first file; true when the second file came
    // through the same output stream, without a restart.
    bool playPair() {
        OpenEntry(p(), 0);
        const AudioHandle out = p().feed.OutputStream;
        EXPECT_NE(out, 0u);
        EXPECT_TRUE(tickUntil([&] { return pl().CurrentIndex == 1; }));
        const bool sameOutput = p().feed.OutputStream == out;
        secondSeekBarMax = p().mirror.SeekBarMax;
        EXPECT_TRUE(playToEnd());
        return sameOutput;
    }

    Samples first;
    Samples second;
    std::string firstPath;
    std::string secondPath;
    std::int64_t secondSeekBarMax = 0;
};

TEST_F(EnginePlaybackGaplessMp3, TaggedHalvesJoinSampleExact) {
    addSweepHalves(true);
    const Samples a = decoded(firstPath);
    const Samples b = decoded(secondPath);
    // Neither padding nor delay is left in what the decoder gives.
    ASSERT_EQ(a.size(), first.size());
    ASSERT_EQ(b.size(), second.size());

    EXPECT_TRUE(playPair()) << "the output was restarted between the halves";

    const Samples out = rendered();
    EXPECT_EQ(out.size(), a.size() + b.size()) << "samples lost or added";
    EXPECT_TRUE(out == joined({a, b})) << "the join is not the two decoded halves";
    // The window followed onto the second file as it does for WAV.
    EXPECT_EQ(secondSeekBarMax, BytesToMs(p(), static_cast<std::int64_t>(second.size()) * 2));
    EXPECT_EQ(view.caption, "Kesto 1.04b");
}

// The old rule for everyone: each file loses its quiet tail (here a sample
// or two, as the sweep never falls silent) and the next starts afresh.
// Files without the header keep that rule whatever the setting says.
TEST_F(EnginePlaybackGaplessMp3, UntaggedHalvesOrTheTweakOffKeepTheTailCut) {
    struct Case {
        const char* name;
        bool lameHeader;
        bool gaplessSetting;
    };
    for (const Case c : {Case{"tagged, Tweak/gapless_mp3=0", true, false},
                         Case{"no LAME header (lame -t)", false, true}}) {
        SCOPED_TRACE(c.name);
        useFastWav();
        pl().PlaylistEntries.clear();
        p().settings.writeBool("Tweak", "gapless_mp3", c.gaplessSetting);
        addSweepHalves(c.lameHeader);
        const Samples a = upToTailCut(decoded(firstPath));
        const Samples b = upToTailCut(decoded(secondPath));

        EXPECT_FALSE(playPair()) << "the second file was joined without a restart";
        EXPECT_TRUE(rendered() == joined({a, b})) << "the tails were not cut as before";
    }
}

} // namespace
} // namespace kesto::test
