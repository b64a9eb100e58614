// Reading a file through its buffer must give exactly what the file holds,
// wherever the decoder seeks and however much it asks for.

#include "playback/engine/byte_source.h"
#include "support/audio_fixtures.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <random>

namespace kesto::test {
namespace {

std::string patternBytes(std::size_t n) {
    std::mt19937 rng(11);
    std::string s(n, '\0');
    for (auto& c : s)
        c = static_cast<char>(rng());
    return s;
}

TEST(EngineFileSource, RandomReadsAndSeeksMatchTheFile) {
    TempDir dir;
    // A few chunks and a ragged end.
    const std::string bytes = patternBytes(3 * FileSource::kChunk + 1234);
    writeFile(dir.file("f.bin"), bytes);
    AudioError error = AudioError::Ok;
    auto source = FileSource::open(dir.file("f.bin"), error);
    ASSERT_TRUE(source);
    const auto size = static_cast<std::int64_t>(bytes.size());
    EXPECT_EQ(source->size(), size);

    std::mt19937 rng(5);
    std::int64_t at = 0;
    std::string got;
    for (int step = 0; step < 4000; ++step) {
        const int what = static_cast<int>(rng() % 10);
        if (what < 6) {
            // Mostly frame-sized reads, now and then one larger than a chunk.
            const std::size_t want =
                rng() % 8 == 0 ? rng() % (2 * FileSource::kChunk) : rng() % 1500;
            got.assign(want, '\0');
            const std::int64_t n = source->read(got.data(), want);
            const std::int64_t expected =
                std::clamp<std::int64_t>(size - at, 0, static_cast<std::int64_t>(want));
            ASSERT_EQ(n, expected) << "step " << step << " at " << at << " want " << want;
            ASSERT_EQ(got.substr(0, static_cast<std::size_t>(n)),
                      bytes.substr(static_cast<std::size_t>(std::min(at, size)),
                                   static_cast<std::size_t>(n)))
                << "step " << step;
            at += n;
        } else {
            const int whence = what == 6 ? SEEK_SET : what == 7 ? SEEK_END : SEEK_CUR;
            // Near targets (inside the buffer) as often as far ones.
            const std::int64_t delta = rng() % 2 ? static_cast<std::int64_t>(rng() % 3000) - 1500
                                                 : static_cast<std::int64_t>(rng() % size);
            const std::int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_END ? size : at;
            const std::int64_t target = base + (whence == SEEK_SET ? std::abs(delta) : delta);
            const std::int64_t r =
                source->seek(whence == SEEK_SET ? std::abs(delta) : delta, whence);
            if (target < 0) {
                EXPECT_EQ(r, -1) << "step " << step;
            } else {
                ASSERT_EQ(r, target) << "step " << step;
                at = target;
            }
        }
        ASSERT_EQ(source->tell(), at) << "step " << step;
    }
}

TEST(EngineFileSource, AFileThatGrowsIsReadOnPastItsOldEnd) {
    TempDir dir;
    const std::string first = patternBytes(1000);
    writeFile(dir.file("g.bin"), first);
    AudioError error = AudioError::Ok;
    auto source = FileSource::open(dir.file("g.bin"), error);
    ASSERT_TRUE(source);
    std::string got(4000, '\0');
    EXPECT_EQ(source->read(got.data(), 4000), 1000);
    EXPECT_EQ(source->read(got.data(), 10), 0);
    // Still being written, as a recording is.
    std::ofstream(dir.file("g.bin"), std::ios::binary | std::ios::app) << "more bytes";
    EXPECT_EQ(source->read(got.data(), 100), 10);
    EXPECT_EQ(got.substr(0, 10), "more bytes");
    EXPECT_EQ(source->tell(), 1010);
}

} // namespace
} // namespace kesto::test
