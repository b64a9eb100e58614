#include "playback/engine/engine_test_util.h"
#include "playback/engine/mpeg_probe.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace kesto::test {
namespace {

struct CodecCase {
    const char* name;
    bool ogg;
    std::uint32_t rate;
    std::uint32_t channels;
};

std::string encode(const CodecCase& c, const Samples& s) {
    return c.ogg ? oggFile(s, c.rate, c.channels) : mp3File(s, c.rate, c.channels);
}

TEST(EngineCompressedDecoders, LengthIsExactAndContentMatchesTheSource) {
    const CodecCase cases[] = {
        {"mp3 stereo 44100", false, 44100, 2}, {"mp3 mono 44100", false, 44100, 1},
        {"mp3 stereo 48000", false, 48000, 2}, {"mp3 stereo 22050", false, 22050, 2},
        {"ogg stereo 44100", true, 44100, 2},  {"ogg mono 22050", true, 22050, 1},
    };
    TempDir dir;
    AudioLibrary audio;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // An odd length, so that padding at the end has to be cut to the sample.
        const std::int64_t frames = c.rate * 3 + 1234;
        Samples source = sineSweep(c.rate, c.channels, frames, 100, c.rate / 5.0, 0.5);
        const std::string path = dir.file(std::string(c.name) + (c.ogg ? ".ogg" : ".mp3"));
        writeFile(path, encode(c, source));
        AudioHandle h = audio.StreamCreateFile(path);
        ASSERT_NE(h, 0u) << "error " << audio.ErrorGetCode();
        auto info = audio.ChannelGetInfo(h);
        ASSERT_TRUE(info);
        EXPECT_EQ(info->rate, c.rate);
        EXPECT_EQ(info->channels, c.channels);
        // A LAME-tagged MP3 says its decoder dropped the padding; Vorbis never pads.
        EXPECT_EQ(info->flags, c.ogg ? 0u : kSampleExactEnd);
        EXPECT_EQ(audio.StreamGetLength(h), frames * c.channels * 2);
        Samples decoded = decodeAll(audio, h);
        EXPECT_EQ(static_cast<std::int64_t>(decoded.size()), frames * c.channels);
        // Lossy, but aligned to the sample: a shift of even one sample would
        // wreck the correlation of a sweep up to a fifth of the rate.
        EXPECT_GT(correlation(source, decoded), 0.99);
        EXPECT_GT(snrDb(source, decoded), 18.0);
        EXPECT_GT(audio.StreamGetFilePosition(h, FilePositionMode::Decode), 0);
        audio.StreamFree(h);
    }
}

TEST(EngineCompressedDecoders, SeeksLandOnTheRequestedSample) {
    TempDir dir;
    AudioLibrary audio;
    for (bool ogg : {false, true}) {
        SCOPED_TRACE(ogg ? "ogg" : "mp3");
        const std::uint32_t rate = 44100;
        Samples source = sineSweep(rate, 2, rate * 4, 200, 9000, 0.5);
        const std::string path = dir.file(ogg ? "seek.ogg" : "seek.mp3");
        writeFile(path, ogg ? oggFile(source, rate, 2) : mp3File(source, rate, 2));
        AudioHandle h = audio.StreamCreateFile(path);
        ASSERT_NE(h, 0u);
        const Samples whole = decodeAll(audio, h);
        ASSERT_EQ(whole.size(), source.size());
        for (std::int64_t frame : {100000, 7, 44100, 150001, 1153, 0, 176000}) {
            SCOPED_TRACE(frame);
            ASSERT_TRUE(audio.ChannelSetPosition(h, frame * 4));
            EXPECT_EQ(audio.ChannelGetPosition(h), frame * 4);
            Samples got = decodeFrames(audio, h, 1000, 2);
            const auto end = std::min<std::size_t>(whole.size(), (frame + 1000) * 2);
            Samples want(whole.begin() + frame * 2, whole.begin() + static_cast<long>(end));
            ASSERT_EQ(got.size(), want.size());
            // Decoding after a seek primes the decoder afresh; allow the last
            // bit of rounding but no shift.
            int worst = 0;
            for (std::size_t i = 0; i < got.size(); ++i)
                worst = std::max(worst, std::abs(got[i] - want[i]));
            EXPECT_LE(worst, 2);
        }
        audio.StreamFree(h);
    }
}

TEST(EngineCompressedDecoders, MpegWithoutEncoderHeaderIsScannedForItsLength) {
    TempDir dir;
    AudioLibrary audio;
    Samples source = sineSweep(44100, 2, 44100 * 2, 300, 5000);
    const std::string tagged = mp3File(source, 44100, 2);
    auto first = parseMpegHeader(reinterpret_cast<const std::uint8_t*>(tagged.data()));
    ASSERT_TRUE(first);
    // Without the Info frame nobody tells the decoder the length.
    const std::string bare = tagged.substr(first->bytes);
    // A tagged file whose end was lost claims more than it holds.
    const std::string cut = tagged.substr(0, tagged.size() * 2 / 3);

    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {{"no Info frame", bare},
                          {"Info frame, file cut short", cut},
                          {"layer II", silentMpegFrames(2, 40)},
                          {"layer I", silentMpegFrames(1, 40)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file("scan.mp3");
        writeFile(path, c.bytes);
        AudioHandle h = audio.StreamCreateFile(path);
        ASSERT_NE(h, 0u) << "error " << audio.ErrorGetCode();
        // Nothing here knows where the music ends to the sample: the player
        // must not trust such an end.
        const auto info = audio.ChannelGetInfo(h);
        ASSERT_TRUE(info);
        EXPECT_EQ(info->flags & kSampleExactEnd, 0u);
        const std::int64_t length = audio.StreamGetLength(h);
        Samples decoded = decodeAll(audio, h);
        EXPECT_EQ(static_cast<std::int64_t>(decoded.size() * 2), length);
        EXPECT_GT(length, 0);
        audio.StreamFree(h);
    }
    // Silent frames of known size: the length is frames x samples per frame.
    writeFile(dir.file("l2.mp2"), silentMpegFrames(2, 40));
    AudioHandle l2 = audio.StreamCreateFile(dir.file("l2.mp2"));
    EXPECT_EQ(audio.StreamGetLength(l2), 40 * 1152 * 4);
    writeFile(dir.file("l1.mp1"), silentMpegFrames(1, 40));
    AudioHandle l1 = audio.StreamCreateFile(dir.file("l1.mp1"));
    EXPECT_EQ(audio.StreamGetLength(l1), 40 * 384 * 4);
}

} // namespace
} // namespace kesto::test
