#pragma once

// The recorder's capture side: the output's DSP hook hands every block to
// capture() on the audio thread, which only copies it into a fixed ring in
// memory; a writer thread of the recorder's own moves it from there into
// the temp files. So the audio thread never waits on a disk, and no audio
// piles up in memory, however long the recording.
//
// Without a recording the blocks go round a ring of four files (1..4), each
// switched for the next once it holds more than a third of the cache
// seconds: the four always hold between the cache and about 4/3 of it. From
// the first block after setRecording() everything goes to file 0.
//
// Who touches what:
//   the audio thread  capture(): head_, recordFrom_ and recordSeen_, and
//                     reads tail_ and recording_;
//   the writer thread the files and their bookkeeping, tail_, free_ and stop_;
//   the UI thread     start(), setRecording(), stop() and the read-outs;
//                     the file bookkeeping only once stop() has joined the writer.

#include "stream/recorder_files.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace kesto {

// Below this much free space a recording stops (and nothing more is written).
inline constexpr std::uint64_t kMinFreeBytes = 20971520;

// Why the writer stopped writing the recording.
enum class RecorderStop {
    None,
    DiskFull,  // free space fell below the minimum, or the disk said it was full
    SizeLimit, // the next block would not fit in a WAV file
    FileError, // a temp file could not be created or written
};

struct RecorderOptions {
    std::string folder; // the temp folder, a plain prefix
    WavFormat format;
    int cacheSeconds = 120;
    std::uint64_t dataLimit = kWavDataLimit;
    std::uint64_t minFreeBytes = kMinFreeBytes;
    // Free bytes of the temp folder's file system; unset: statvfs.
    std::function<std::optional<std::uint64_t>(const std::string& folder)> freeSpace;
    // Size of the memory ring between the threads; 0: four seconds of audio.
    std::size_t ringBytes = 0;
};

class Recorder {
public:
    Recorder() = default;
    ~Recorder() { stop(); }
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    // UI thread, before the hook is installed: a fresh capture session.
    void start(RecorderOptions options);
    // Audio thread. Never blocks, allocates or touches a file; a block the
    // ring has no room for is dropped and counted.
    void capture(const void* data, std::size_t size) noexcept;
    // UI thread: the recording proper starts with the next captured block.
    void setRecording() { recording_.store(true, std::memory_order_release); }
    // UI thread, after the hook is removed: writes what is left in the ring,
    // closes the file and ends the writer. Harmless when not started.
    void stop();

    bool active() const { return writer_.joinable(); }
    RecorderStop stopReason() const { return stop_.load(std::memory_order_acquire); }
    // The latest free-space figure of the temp folder (probed by the writer).
    std::uint64_t freeBytes() const { return free_.load(std::memory_order_relaxed); }
    std::uint64_t droppedBytes() const { return dropped_.load(std::memory_order_relaxed); }
    const RecorderOptions& options() const { return options_; }

    // After stop():
    // The temp files this session wrote, in the order they are joined.
    std::vector<int> filesToJoin() const;
    // The file that failed, and whether another user's file held its name.
    const std::string& failedPath() const { return failedPath_; }
    bool failedTakenByOther() const { return failedTakenByOther_; }

private:
    void writerLoop();
    void probeFreeSpace();
    std::size_t pop(std::uint8_t* out, std::size_t max);
    void consume(const std::uint8_t* data, std::size_t size);
    void writeRing(const std::uint8_t* data, std::size_t size);
    void writeRecording(const std::uint8_t* data, std::size_t size);
    bool openFile(int n);
    bool append(const std::uint8_t* data, std::size_t size);
    void fail(RecorderStop reason);

    RecorderOptions options_;

    // The memory ring: byte counts since start, never wrapped.
    std::vector<std::uint8_t> ring_;
    std::atomic<std::uint64_t> head_{0}; // written by the audio thread
    std::atomic<std::uint64_t> tail_{0}; // written by the writer
    std::atomic<bool> recording_{false};
    // The ring position where the recording proper starts; max = not yet.
    std::atomic<std::uint64_t> recordFrom_{UINT64_MAX};
    bool recordSeen_ = false; // audio thread only
    std::atomic<std::uint64_t> dropped_{0};

    std::thread writer_;
    std::atomic<bool> quit_{false};
    std::atomic<RecorderStop> stop_{RecorderStop::None};
    std::atomic<std::uint64_t> free_{UINT64_MAX};

    // Writer thread only, until stop() joins it.
    int fd_ = -1;
    int ringIndex_ = 0;
    int lastRing_ = 0;
    bool inRecording_ = false;
    bool lowSpace_ = false;
    std::uint64_t consumed_ = 0;
    std::uint64_t currentSize_ = 0;
    std::array<std::uint64_t, kTempFileCount> sizes_{};
    std::array<bool, kTempFileCount> written_{};
    std::string failedPath_;
    bool failedTakenByOther_ = false;
};

} // namespace kesto
