#include "playback/engine/engine_test_util.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>

namespace kesto::test {
namespace {

std::string patched(std::string bytes, std::size_t at, std::initializer_list<unsigned char> v) {
    for (unsigned char b : v)
        bytes[at++] = static_cast<char>(b);
    return bytes;
}

std::string randomBytes(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (auto& c : s)
        c = static_cast<char>(rng());
    return s;
}

TEST(EngineOpenErrors, EachBrokenFileGivesItsErrorCode) {
    const Samples pcm = sineTone(44100, 2, 2000, 440);
    const std::string wav = wavFile(pcm, 44100, 2);
    const std::string mp3 = mp3File(sineTone(44100, 2, 44100, 440), 44100, 2);
    const std::string ogg = oggFile(sineTone(44100, 2, 44100, 440), 44100, 2);
    std::string noData = wav.substr(0, 36);
    std::string zeroData = patched(noData + "data" + std::string(4, '\0'), 4, {28, 0, 0, 0});
    std::string fmtOnly16 = wav.substr(0, 12) + "fmt " + std::string("\x0a\0\0\0", 4) +
                            std::string(10, '\x01') + wav.substr(36);
    std::string id3Only = std::string("ID3\x04\0\0\0\0\0\x20", 10) + std::string(32, '\0');
    std::string extensibleUnknown = wavFile(pcm, 44100, 2, WavEncoding::S16, true);
    extensibleUnknown[36 + 8 + 10] = 0x55; // corrupt the subformat GUID

    struct Case {
        const char* name;
        std::string bytes;
        AudioError expected;
    };
    const Case cases[] = {
        {"zero-length file", "", AudioError::FileFormat},
        {"plain text named .mp3", "Just some words, no audio here.\n", AudioError::FileFormat},
        {"PNG picture", std::string("\x89PNG\r\n\x1a\n", 8) + randomBytes(3000, 1),
         AudioError::FileFormat},
        {"random bytes", randomBytes(200000, 2), AudioError::FileFormat},
        {"RIFF but AVI", patched(wav, 8, {'A', 'V', 'I', ' '}), AudioError::FileFormat},
        {"RIFF WAVE without fmt", wav.substr(0, 12) + wav.substr(36), AudioError::FileFormat},
        {"fmt chunk too short", fmtOnly16, AudioError::FileFormat},
        {"header cut at 20 bytes", wav.substr(0, 20), AudioError::FileFormat},
        {"MP3 cut to its first 100 bytes", mp3.substr(0, 100), AudioError::FileFormat},
        {"OGG cut inside its headers", ogg.substr(0, 200), AudioError::FileFormat},
        {"OGG page of another codec", ogg.substr(0, 28) + "OpusHead" + randomBytes(200, 3),
         AudioError::FileFormat},
        {"WAV without a data chunk", noData, AudioError::NotAudio},
        {"WAV with an empty data chunk", zeroData, AudioError::NotAudio},
        {"ID3 tag and nothing else", id3Only, AudioError::NotAudio},
        {"ADPCM WAV", patched(wav, 20, {2, 0}), AudioError::SampleFormat},
        {"64-bit integer WAV", patched(wav, 32, {16, 0, 64, 0}), AudioError::SampleFormat},
        {"no channels", patched(wav, 22, {0, 0}), AudioError::SampleFormat},
        {"block align 0", patched(wav, 32, {0, 0}), AudioError::SampleFormat},
        {"block align not a multiple of channels", patched(wav, 32, {3, 0}),
         AudioError::SampleFormat},
        {"extensible with an unknown subformat", extensibleUnknown, AudioError::SampleFormat},
        {"rate 0", patched(wav, 24, {0, 0, 0, 0}), AudioError::BadRate},
        {"rate 500000", patched(wav, 24, {0x20, 0xA1, 0x07, 0}), AudioError::BadRate},
    };
    TempDir dir;
    AudioLibrary audio;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file("broken.mp3");
        writeFile(path, c.bytes);
        EXPECT_EQ(audio.StreamCreateFile(path), 0u);
        EXPECT_EQ(audio.ErrorGetCode(), static_cast<int>(c.expected));
    }
}

TEST(EngineOpenErrors, WhatIsNotARegularFileCannotBeOpened) {
    TempDir dir;
    const std::string fifo = dir.file("pipe.mp3");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // A FIFO without a writer would block open() and /dev/zero would never
    // end; both are refused at once.
    for (const std::string& path :
         {dir.file("missing.mp3"), dir.path(), fifo, std::string("/dev/zero")}) {
        SCOPED_TRACE(path);
        AudioLibrary audio;
        EXPECT_EQ(audio.StreamCreateFile(path), 0u);
        EXPECT_EQ(audio.ErrorGetCode(), static_cast<int>(AudioError::FileOpen));
    }
}

TEST(EngineOpenErrors, TheContentDecidesNotTheExtension) {
    TempDir dir;
    AudioLibrary audio;
    const Samples pcm = sineSweep(44100, 2, 30000, 100, 3000);
    writeFile(dir.file("really-a-wav.mp3"), wavFile(pcm, 44100, 2));
    writeFile(dir.file("really-an-mp3.ogg"), mp3File(pcm, 44100, 2));
    writeFile(dir.file("really-an-ogg.wav"), oggFile(pcm, 44100, 2));
    for (const char* name : {"really-a-wav.mp3", "really-an-mp3.ogg", "really-an-ogg.wav"}) {
        SCOPED_TRACE(name);
        AudioHandle h = audio.StreamCreateFile(dir.file(name));
        ASSERT_NE(h, 0u) << "error " << audio.ErrorGetCode();
        EXPECT_EQ(audio.StreamGetLength(h), 30000 * 4);
    }
}

} // namespace
} // namespace kesto::test
