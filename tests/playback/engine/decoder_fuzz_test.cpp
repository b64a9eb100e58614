#include "playback/engine/decoder_factory.h"
#include "support/audio_fixtures.h"

#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace kesto::test {
namespace {

// Mutates the bytes where the readers make their decisions (the first few
// hundred bytes) and now and then anywhere, or cuts the file short.
std::string mutate(const std::string& base, std::mt19937& rng) {
    std::string s = base;
    const int edits = 1 + static_cast<int>(rng() % 8);
    for (int i = 0; i < edits; ++i) {
        const std::size_t span = (rng() % 4 == 0) ? s.size() : std::min<std::size_t>(s.size(), 300);
        if (span == 0)
            break;
        const std::size_t at = rng() % span;
        switch (rng() % 4) {
        case 0:
            s[at] = static_cast<char>(rng());
            break;
        case 1:
            s[at] = static_cast<char>(0xFF); // sizes and sync words love 0xFF
            break;
        case 2:
            s[at] = 0;
            break;
        case 3:
            s.resize(at);
            break;
        }
    }
    return s;
}

TEST(EngineDecoderFuzz, MutatedFilesNeverCrashOrOverrun) {
    const Samples pcm = sineSweep(22050, 2, 4410, 200, 4000);
    const std::vector<std::string> bases = {
        wavFile(pcm, 22050, 2),
        wavFile(pcm, 22050, 2, WavEncoding::S24, true),
        wavFile(pcm, 22050, 2, WavEncoding::F32),
        mp3File(pcm, 22050, 2, 64),
        oggFile(pcm, 22050, 2, 0.1f),
        silentMpegFrames(2, 4),
    };
    std::mt19937 rng(20240611);
    std::vector<std::int16_t> block(8192);
    int opened = 0;
    const int rounds = 1000;
    for (int round = 0; round < rounds; ++round) {
        for (const auto& base : bases) {
            AudioError error = AudioError::Ok;
            auto decoder = openDecoder(std::make_unique<MemorySource>(mutate(base, rng)), error);
            if (!decoder) {
                EXPECT_NE(error, AudioError::Ok);
                continue;
            }
            ++opened;
            const auto format = decoder->format();
            ASSERT_GE(format.channels, 1u);
            ASSERT_LE(format.channels, 8u);
            const std::int64_t length = decoder->lengthFrames();
            std::int64_t total = 0;
            const std::int64_t perRead = static_cast<std::int64_t>(block.size() / format.channels);
            for (int reads = 0; reads < 1000; ++reads) {
                ReadResult r = decoder->read(block.data(), perRead);
                ASSERT_GE(r.frames, 0);
                ASSERT_LE(r.frames, perRead);
                total += r.frames;
                if (r.status != ReadStatus::Ok)
                    break;
            }
            // Never more than the length it promised.
            if (length >= 0) {
                EXPECT_LE(total, length);
            }
            if (length > 0) {
                decoder->seek(length / 2);
                decoder->read(block.data(), perRead);
            }
        }
    }
    // The mutations must leave some files readable, or the loop tests nothing past the headers.
    EXPECT_GT(opened, rounds / 2);
}

} // namespace
} // namespace kesto::test
