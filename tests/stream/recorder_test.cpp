// The recorder's capture side and its files, fed block by block from the
// test thread standing in for the audio thread: the ring of temp files and
// the order they are joined in, the WAV header, the temp files in a shared
// folder, the 32-bit size limit and a disk that fills up.

#include "stream/recorder.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <sys/mount.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace kesto::test {
namespace {

using namespace std::chrono_literals;

// 100 Hz mono 16-bit: 200 bytes a second, so a few seconds are a few blocks.
constexpr WavFormat kTiny{100, 1, 16};
constexpr std::size_t kBlock = 100; // half a second

// Block `n`: 50 samples counting on from n * 50, so any join or loss shows.
std::vector<std::uint8_t> block(int n) {
    std::vector<std::uint8_t> b(kBlock);
    for (std::size_t i = 0; i < kBlock / 2; ++i) {
        const auto v = static_cast<std::uint16_t>(static_cast<std::size_t>(n) * 50 + i);
        b[2 * i] = static_cast<std::uint8_t>(v);
        b[2 * i + 1] = static_cast<std::uint8_t>(v >> 8);
    }
    return b;
}

std::vector<std::uint16_t> samplesOf(const std::string& bytes, std::size_t from) {
    std::vector<std::uint16_t> s;
    for (std::size_t i = from; i + 1 < bytes.size(); i += 2)
        s.push_back(static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes[i]) |
                                               static_cast<std::uint8_t>(bytes[i + 1]) << 8));
    return s;
}

// Feeds blocks first..last-1, waiting for room as the audio thread cannot.
void feed(Recorder& r, int first, int last) {
    for (int n = first; n < last; ++n) {
        const auto b = block(n);
        r.capture(b.data(), b.size());
    }
}

bool waitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 5000 && !done(); ++i)
        std::this_thread::sleep_for(1ms);
    return done();
}

std::uint64_t fileSize(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

class RecorderTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string folder = dir.path() + "/";
    std::string wav = dir.file("out.wav");

    RecorderOptions options(int cacheSeconds = 3) {
        RecorderOptions o;
        o.folder = folder;
        o.format = kTiny;
        o.cacheSeconds = cacheSeconds;
        o.minFreeBytes = 0;
        o.ringBytes = 1 << 20;
        return o;
    }
    std::string save(const Recorder& r) {
        EXPECT_TRUE(assembleWav(folder, r.filesToJoin(), kTiny, wav));
        return readFile(wav);
    }
};

TEST(RecorderFiles, HeaderAndJoinOrder) {
    struct Case {
        WavFormat format;
        std::uint32_t bytesPerSecond;
        std::uint16_t blockAlign;
    };
    for (const Case& c : {Case{{44100, 2, 16}, 176400, 4}, Case{{22050, 1, 16}, 44100, 2},
                          Case{{8000, 1, 8}, 8000, 1}}) {
        const auto h = WriteWavHeader(c.format);
        const std::string b(h.begin(), h.end());
        ASSERT_EQ(b.size(), 44u);
        EXPECT_EQ(b.substr(0, 4), "RIFF");
        EXPECT_EQ(le32(b, 4), 36u);
        EXPECT_EQ(b.substr(8, 8), "WAVEfmt ");
        EXPECT_EQ(le32(b, 16), 16u);
        EXPECT_EQ(le32(b, 20) & 0xFFFF, 1u);
        EXPECT_EQ(le32(b, 20) >> 16, c.format.channels);
        EXPECT_EQ(le32(b, 24), c.format.rate);
        EXPECT_EQ(le32(b, 28), c.bytesPerSecond);
        EXPECT_EQ(le32(b, 32) & 0xFFFF, c.blockAlign);
        EXPECT_EQ(le32(b, 32) >> 16, c.format.bitsPerSample);
        EXPECT_EQ(b.substr(36, 4), "data");
        EXPECT_EQ(le32(b, 40), 0u);
    }
    EXPECT_EQ(assemblyOrder(0), (std::vector<int>{1, 2, 3, 4, 0}));
    EXPECT_EQ(assemblyOrder(2), (std::vector<int>{3, 4, 1, 2, 0}));
    EXPECT_EQ(assemblyOrder(4), (std::vector<int>{1, 2, 3, 4, 0}));
    EXPECT_EQ(assemblyOrder(1), (std::vector<int>{2, 3, 4, 1, 0}));
}

// Without pre-recording the WAV is exactly the blocks from the record start on.
TEST_F(RecorderTest, RecordingIsEveryBlockFromTheStart) {
    Recorder r;
    r.start(options());
    r.setRecording();
    feed(r, 0, 40);
    r.stop();
    EXPECT_EQ(r.stopReason(), RecorderStop::None);
    EXPECT_EQ(r.filesToJoin(), std::vector<int>{0});
    const std::string w = save(r);
    ASSERT_EQ(w.size(), 44u + 40 * kBlock);
    EXPECT_EQ(le32(w, 4), w.size() - 8);
    EXPECT_EQ(le32(w, 40), w.size() - 44);
    const auto s = samplesOf(w, 44);
    for (std::size_t i = 0; i < s.size(); ++i)
        ASSERT_EQ(s[i], i) << "sample " << i;
    struct stat st {};
    ASSERT_EQ(::stat(tempFilePath(folder, 0).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    DeleteTempFiles(folder);
    EXPECT_FALSE(fileExists(tempFilePath(folder, 0)));
}

// The ring keeps between the cache and 4/3 of it, oldest first, and the
// recording follows on without a gap, whichever ring file was current.
TEST_F(RecorderTest, PreRecordingKeepsTheLastCacheSecondsJoinedInOrder) {
    // cache 3 s: a ring file is full past 1 s (200 bytes), so at 201 bytes.
    for (int listened : {7, 16, 29, 40}) {
        SCOPED_TRACE(listened);
        Recorder r;
        r.start(options(3));
        feed(r, 0, listened);
        r.setRecording();
        feed(r, listened, listened + 6);
        r.stop();
        const std::string w = save(r);
        const auto s = samplesOf(w, 44);
        ASSERT_FALSE(s.empty());
        // Contiguous to the last recorded sample.
        const std::size_t end = static_cast<std::size_t>(listened + 6) * 50;
        ASSERT_EQ(s.back(), end - 1);
        for (std::size_t i = 1; i < s.size(); ++i)
            ASSERT_EQ(s[i], s[i - 1] + 1) << "at " << i;
        const std::size_t before = static_cast<std::size_t>(listened) * 50 - s.front();
        const std::size_t heard = static_cast<std::size_t>(listened) * 50;
        if (heard > 4 * 101) {
            EXPECT_GE(before, 3 * 100u); // at least the cache: 3 s of 100 samples
            EXPECT_LE(before, 4 * 101u); // at most four ring files
        } else {
            EXPECT_EQ(before, heard); // not yet round the ring: all of it
        }
        DeleteTempFiles(folder);
    }
}

// A file of an earlier session that this one did not write is no part of the WAV.
TEST_F(RecorderTest, StaleRingFilesAreNotJoined) {
    writeFile(tempFilePath(folder, 4), std::string(400, 'x'));
    Recorder r;
    r.start(options(3));
    feed(r, 0, 3);
    r.setRecording();
    feed(r, 3, 5);
    r.stop();
    EXPECT_EQ(r.filesToJoin(), (std::vector<int>{1, 2, 0}));
    const auto s = samplesOf(save(r), 44);
    ASSERT_EQ(s.size(), 250u);
    EXPECT_EQ(s.front(), 0u);
    EXPECT_EQ(s.back(), 249u);
}

// Someone's link under a temp file's name: what it points at stays as it was.
TEST_F(RecorderTest, PlantedLinksNeverReachTheirTarget) {
    TempDir elsewhere;
    const std::string victim = elsewhere.file("precious.txt");
    writeFile(victim, "keep me");
    const std::string link0 = tempFilePath(folder, 0);
    ASSERT_EQ(::symlink(victim.c_str(), link0.c_str()), 0);
    {
        // Our own link: it is replaced by a private file of ours.
        Recorder r;
        r.start(options());
        r.setRecording();
        feed(r, 0, 4);
        r.stop();
        EXPECT_EQ(r.stopReason(), RecorderStop::None);
        EXPECT_EQ(readFile(victim), "keep me");
        struct stat st {};
        ASSERT_EQ(::lstat(link0.c_str(), &st), 0);
        EXPECT_TRUE(S_ISREG(st.st_mode));
        EXPECT_EQ(st.st_mode & 0777, 0600u);
        EXPECT_EQ(st.st_size, static_cast<off_t>(4 * kBlock));
    }
    if (::geteuid() != 0)
        GTEST_SKIP() << "a link of another user needs root to plant";
    // Another user's link, in a ring slot and in slot 0: refused, left in place.
    for (int n : {1, 0}) {
        SCOPED_TRACE(n);
        DeleteTempFiles(folder);
        const std::string link = tempFilePath(folder, n);
        ASSERT_EQ(::symlink(victim.c_str(), link.c_str()), 0);
        ASSERT_EQ(::lchown(link.c_str(), 65534, 65534), 0);
        Recorder r;
        r.start(options());
        if (n == 0)
            r.setRecording();
        feed(r, 0, 4);
        r.stop();
        EXPECT_EQ(r.stopReason(), RecorderStop::FileError);
        EXPECT_TRUE(r.failedTakenByOther());
        EXPECT_EQ(r.failedPath(), link);
        EXPECT_EQ(readFile(victim), "keep me");
        struct stat st {};
        ASSERT_EQ(::lstat(link.c_str(), &st), 0);
        EXPECT_TRUE(S_ISLNK(st.st_mode));
        // Nor does deleting the temp files remove what is not ours.
        DeleteTempFiles(folder);
        EXPECT_EQ(::lstat(link.c_str(), &st), 0);
        ::unlink(link.c_str());
    }
}

// The WAV size fields are 32-bit: the recording stops with what fits, in whole frames.
TEST_F(RecorderTest, StopsBeforeTheWavSizeLimit) {
    struct Case {
        int preBlocks;
        std::uint64_t limit;
    };
    for (const Case c : {Case{0, 1001}, Case{3, 701}}) {
        SCOPED_TRACE(c.preBlocks);
        RecorderOptions o = options(30);
        o.dataLimit = c.limit;
        Recorder r;
        r.start(o);
        feed(r, 0, c.preBlocks);
        r.setRecording();
        feed(r, c.preBlocks, 20);
        ASSERT_TRUE(waitFor([&] { return r.stopReason() != RecorderStop::None; }));
        r.stop();
        EXPECT_EQ(r.stopReason(), RecorderStop::SizeLimit);
        const auto s = samplesOf(save(r), 44);
        // 1001 and 701 are cut to whole 2-byte frames.
        EXPECT_EQ(s.size() * 2, c.limit - 1);
        for (std::size_t i = 0; i < s.size(); ++i)
            ASSERT_EQ(s[i], i);
        DeleteTempFiles(folder);
    }
}

// Below the free-space minimum the recording stops; what came before stays.
TEST_F(RecorderTest, StopsWhenTheDiskIsNearlyFull) {
    std::atomic<std::uint64_t> free{100 << 20};
    RecorderOptions o = options();
    o.minFreeBytes = kMinFreeBytes;
    o.freeSpace = [&](const std::string& f) {
        EXPECT_EQ(f, folder);
        return std::optional<std::uint64_t>(free.load());
    };
    Recorder r;
    r.start(o);
    r.setRecording();
    feed(r, 0, 10);
    ASSERT_TRUE(waitFor([&] { return fileSize(tempFilePath(folder, 0)) == 10 * kBlock; }));
    EXPECT_EQ(r.freeBytes(), 100u << 20);
    free = kMinFreeBytes - 1;
    ASSERT_TRUE(waitFor([&] { return r.freeBytes() == kMinFreeBytes - 1; }));
    feed(r, 10, 20);
    ASSERT_TRUE(waitFor([&] { return r.stopReason() != RecorderStop::None; }));
    r.stop();
    EXPECT_EQ(r.stopReason(), RecorderStop::DiskFull);
    EXPECT_EQ(samplesOf(save(r), 44).size(), 10 * kBlock / 2);

    // Already nearly full at the start: nothing is written at all.
    Recorder late;
    late.start(o);
    late.setRecording();
    feed(late, 0, 5);
    ASSERT_TRUE(waitFor([&] { return late.stopReason() != RecorderStop::None; }));
    late.stop();
    EXPECT_EQ(late.stopReason(), RecorderStop::DiskFull);
    EXPECT_EQ(fileSize(tempFilePath(folder, 0)), 0u);
}

// A real small file system: statvfs sees it nearly full, and a write that
// finds it full stops the recording the same way.
TEST_F(RecorderTest, SmallTmpfsFillsUp) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting a tmpfs needs root";
    TempDir mountPoint;
    if (::mount("tmpfs", mountPoint.path().c_str(), "tmpfs", 0, "size=1m,mode=0700") != 0)
        GTEST_SKIP() << "tmpfs cannot be mounted here";
    const std::string small = mountPoint.path() + "/";
    {
        RecorderOptions o = options();
        o.folder = small;
        o.freeSpace = nullptr; // the real statvfs
        o.minFreeBytes = kMinFreeBytes;
        Recorder r;
        r.start(o);
        EXPECT_LT(r.freeBytes(), kMinFreeBytes);
        EXPECT_GT(r.freeBytes(), 0u);
        r.setRecording();
        feed(r, 0, 2);
        ASSERT_TRUE(waitFor([&] { return r.stopReason() != RecorderStop::None; }));
        r.stop();
        EXPECT_EQ(r.stopReason(), RecorderStop::DiskFull);
    }
    {
        // No minimum: writing goes on until the disk itself refuses.
        RecorderOptions o = options();
        o.folder = small;
        o.freeSpace = nullptr;
        o.ringBytes = 4 << 20;
        Recorder r;
        r.start(o);
        r.setRecording();
        std::vector<std::uint8_t> big(64 * 1024, 0x11);
        for (int i = 0; i < 40; ++i) // 2.5 MB into 1 MB
            r.capture(big.data(), big.size());
        ASSERT_TRUE(waitFor([&] { return r.stopReason() != RecorderStop::None; }));
        r.stop();
        EXPECT_EQ(r.stopReason(), RecorderStop::DiskFull);
        const std::uint64_t kept = fileSize(tempFilePath(small, 0));
        EXPECT_GT(kept, 0u);
        EXPECT_LE(kept, 1u << 20);
        // Saved elsewhere, whole frames of what the disk took.
        ASSERT_TRUE(assembleWav(small, r.filesToJoin(), kTiny, wav));
        EXPECT_EQ(fileSize(wav), 44 + kept - kept % 2);
    }
    DeleteTempFiles(small);
    ::umount(mountPoint.path().c_str());
}

} // namespace
} // namespace kesto::test
