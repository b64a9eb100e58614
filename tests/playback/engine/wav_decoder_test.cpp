#include "playback/engine/engine_test_util.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace kesto::test {
namespace {

struct FormatCase {
    const char* name;
    WavEncoding encoding;
    bool extensible;
    std::uint32_t channels;
    std::uint32_t rate;
};

Samples testSignal(std::uint32_t rate, std::uint32_t channels, std::int64_t frames, bool eightBit) {
    Samples s = sineSweep(rate, channels, frames, 50, 15000, 0.6);
    Samples n = whiteNoise(channels, frames, 7, 0.2);
    for (std::size_t i = 0; i < s.size(); ++i) {
        int v = s[i] + n[i];
        s[i] = static_cast<std::int16_t>(eightBit ? (v & ~0xFF) : v);
    }
    return s;
}

TEST(EngineWavDecoder, EverySampleFormatDecodesToTheSourceExactly) {
    const FormatCase cases[] = {
        {"u8 mono", WavEncoding::U8, false, 1, 8000},
        {"s16 stereo", WavEncoding::S16, false, 2, 44100},
        {"s16 mono 48k", WavEncoding::S16, false, 1, 48000},
        {"s24 stereo", WavEncoding::S24, false, 2, 96000},
        {"s32 stereo", WavEncoding::S32, false, 2, 44100},
        {"f32 stereo", WavEncoding::F32, false, 2, 44100},
        {"f64 mono", WavEncoding::F64, false, 1, 22050},
        {"extensible s16 6ch", WavEncoding::S16, true, 6, 48000},
        {"extensible s24", WavEncoding::S24, true, 2, 44100},
        {"extensible f32", WavEncoding::F32, true, 2, 44100},
    };
    TempDir dir;
    AudioLibrary audio;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::int64_t frames = 12345;
        const bool eightBit = c.encoding == WavEncoding::U8;
        Samples source = testSignal(c.rate, c.channels, frames, eightBit);
        std::string bytes = wavFile(source, c.rate, c.channels, c.encoding, c.extensible);
        const std::string path = dir.file(std::string(c.name) + ".wav");
        writeFile(path, bytes);

        AudioHandle h = audio.StreamCreateFile(path, kStreamDecode);
        ASSERT_NE(h, 0u) << "error " << audio.ErrorGetCode();
        auto info = audio.ChannelGetInfo(h);
        ASSERT_TRUE(info);
        EXPECT_EQ(info->rate, c.rate);
        EXPECT_EQ(info->channels, c.channels);
        EXPECT_EQ(info->flags & kSample8Bit, eightBit ? kSample8Bit : 0u);
        EXPECT_EQ(audio.StreamGetLength(h), frames * c.channels * 2);
        EXPECT_EQ(audio.StreamGetFilePosition(h, FilePositionMode::Size),
                  static_cast<std::int64_t>(bytes.size()));
        // An odd block size must not split frames or lose the remainder.
        Samples decoded = decodeAll(audio, h, 4099);
        EXPECT_EQ(decoded, source);
        EXPECT_EQ(audio.ChannelIsActive(h), ChannelState::Stopped);
        EXPECT_EQ(audio.ChannelGetData(h, decoded.data(), 64), -1);
        EXPECT_TRUE(audio.StreamFree(h));
    }
}

std::string withChunk(std::string wav, std::size_t at, const std::string& chunk) {
    wav.insert(at, chunk);
    // RIFF size is not consulted by the reader; keep it plausible anyway.
    return wav;
}

TEST(EngineWavDecoder, OddHeadersStillYieldTheFramesPresent) {
    const std::uint32_t rate = 44100;
    Samples source = testSignal(rate, 2, 4000, false);
    const std::string plain = wavFile(source, rate, 2);
    const std::size_t dataHeader = plain.size() - source.size() * 2 - 8;

    struct Case {
        const char* name;
        std::string bytes;
        std::size_t expectedFrames;
    };
    std::string oddList = std::string("LIST") + std::string("\x03\0\0\0", 4) + "abc" + '\0';
    std::string huge = plain;
    huge[dataHeader + 4] = huge[dataHeader + 5] = huge[dataHeader + 6] = huge[dataHeader + 7] =
        static_cast<char>(0xFF);
    std::string truncated = plain.substr(0, plain.size() - 4 * 100 - 3);
    std::string trailing = plain + "junk" + std::string("\x04\0\0\0", 4) + "zzzz";

    const Case cases[] = {
        {"odd chunk with pad byte before fmt", withChunk(plain, 12, oddList), 4000},
        {"odd chunk with pad byte before data", withChunk(plain, dataHeader, oddList), 4000},
        {"data size 0xFFFFFFFF", huge, 4000},
        {"file cut inside a frame", truncated, 4000 - 101},
        {"chunk after the data", trailing, 4000},
    };
    TempDir dir;
    AudioLibrary audio;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file("odd.wav");
        writeFile(path, c.bytes);
        AudioHandle h = audio.StreamCreateFile(path);
        ASSERT_NE(h, 0u) << "error " << audio.ErrorGetCode();
        EXPECT_EQ(audio.StreamGetLength(h), static_cast<std::int64_t>(c.expectedFrames * 4));
        Samples expected(source.begin(), source.begin() + c.expectedFrames * 2);
        EXPECT_EQ(decodeAll(audio, h), expected);
        audio.StreamFree(h);
    }
}

TEST(EngineWavDecoder, SetPositionLandsOnTheRequestedFrame) {
    TempDir dir;
    const std::uint32_t rate = 44100;
    Samples source = testSignal(rate, 2, 50000, false);
    const std::string path = dir.file("seek.wav");
    writeFile(path, wavFile(source, rate, 2, WavEncoding::S24));
    AudioLibrary audio;
    AudioHandle h = audio.StreamCreateFile(path);
    ASSERT_NE(h, 0u);
    for (std::int64_t frame : {0, 1, 4410, 33333, 49900, 12}) {
        SCOPED_TRACE(frame);
        ASSERT_TRUE(audio.ChannelSetPosition(h, frame * 4));
        EXPECT_EQ(audio.ChannelGetPosition(h), frame * 4);
        EXPECT_EQ(audio.ChannelIsActive(h), ChannelState::Playing);
        Samples got = decodeFrames(audio, h, 100, 2);
        Samples want(source.begin() + frame * 2,
                     source.begin() + std::min<std::int64_t>(frame + 100, 50000) * 2);
        EXPECT_EQ(got, want);
    }
    // The end itself is a valid position and leaves the decoder ended.
    EXPECT_TRUE(audio.ChannelSetPosition(h, 50000 * 4));
    EXPECT_EQ(audio.ChannelIsActive(h), ChannelState::Stopped);
    EXPECT_FALSE(audio.ChannelSetPosition(h, 50001 * 4));
    EXPECT_EQ(audio.ErrorGetCode(), static_cast<int>(AudioError::Position));
    EXPECT_FALSE(audio.ChannelSetPosition(h, -4));
    // A seek back revives an ended decoder.
    EXPECT_TRUE(audio.ChannelSetPosition(h, 0));
    EXPECT_EQ(decodeAll(audio, h), source);
}

} // namespace
} // namespace kesto::test
