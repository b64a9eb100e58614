#include "stream/recorder.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <unistd.h>

namespace kesto {

namespace {

constexpr std::size_t kWriteChunk = 64 * 1024;
// The ring holds seconds: the writer can sleep between looks without losing a block.
constexpr auto kWriterNap = std::chrono::milliseconds(40);
constexpr auto kProbeEvery = std::chrono::milliseconds(250);

} // namespace

void Recorder::start(RecorderOptions options) {
    stop();
    options_ = std::move(options);
    if (!options_.freeSpace)
        options_.freeSpace = freeBytesOf;
    std::size_t bytes = options_.ringBytes;
    if (bytes == 0)
        bytes = std::max<std::size_t>(options_.format.bytesPerSecond() * 4u, kWriteChunk);
    ring_.assign(bytes, 0);
    head_ = 0;
    tail_ = 0;
    recording_ = false;
    recordFrom_ = UINT64_MAX;
    recordSeen_ = false;
    dropped_ = 0;
    quit_ = false;
    stop_ = RecorderStop::None;
    free_ = UINT64_MAX;
    fd_ = -1;
    ringIndex_ = 0;
    lastRing_ = 0;
    inRecording_ = false;
    lowSpace_ = false;
    consumed_ = 0;
    currentSize_ = 0;
    sizes_.fill(0);
    written_.fill(false);
    failedPath_.clear();
    failedTakenByOther_ = false;
    // The first figure is there before the first block: a folder already
    // nearly full stops a recording at once.
    probeFreeSpace();
    writer_ = std::thread([this] { writerLoop(); });
}

void Recorder::capture(const void* data, std::size_t size) noexcept {
    if (size == 0 || ring_.empty())
        return;
    const std::uint64_t head = head_.load(std::memory_order_relaxed);
    if (!recordSeen_ && recording_.load(std::memory_order_acquire)) {
        recordSeen_ = true;
        recordFrom_.store(head, std::memory_order_release);
    }
    const std::uint64_t used = head - tail_.load(std::memory_order_acquire);
    if (size > ring_.size() - used) {
        dropped_.fetch_add(size, std::memory_order_relaxed);
        return;
    }
    const std::size_t at = static_cast<std::size_t>(head % ring_.size());
    const std::size_t first = std::min(size, ring_.size() - at);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    std::memcpy(ring_.data() + at, bytes, first);
    std::memcpy(ring_.data(), bytes + first, size - first);
    head_.store(head + size, std::memory_order_release);
}

void Recorder::stop() {
    if (!writer_.joinable())
        return;
    quit_.store(true, std::memory_order_release);
    writer_.join();
    std::vector<std::uint8_t>().swap(ring_);
}

std::vector<int> Recorder::filesToJoin() const {
    std::vector<int> files;
    for (int n : assemblyOrder(lastRing_))
        if (written_[static_cast<std::size_t>(n)])
            files.push_back(n);
    return files;
}

void Recorder::writerLoop() {
    std::vector<std::uint8_t> chunk(kWriteChunk);
    auto nextProbe = std::chrono::steady_clock::now() + kProbeEvery;
    for (;;) {
        // Read the flag first: a block captured before the hook went is in the ring by then.
        const bool quit = quit_.load(std::memory_order_acquire);
        const std::size_t got = pop(chunk.data(), chunk.size());
        if (got > 0)
            consume(chunk.data(), got);
        else if (quit)
            break;
        else
            std::this_thread::sleep_for(kWriterNap);
        if (std::chrono::steady_clock::now() >= nextProbe) {
            probeFreeSpace();
            nextProbe = std::chrono::steady_clock::now() + kProbeEvery;
        }
    }
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

void Recorder::probeFreeSpace() {
    const std::optional<std::uint64_t> free = options_.freeSpace(options_.folder);
    // A file system that cannot say is taken as roomy; a write that fails still stops.
    free_.store(free.value_or(UINT64_MAX), std::memory_order_relaxed);
    lowSpace_ = free && *free < options_.minFreeBytes;
}

std::size_t Recorder::pop(std::uint8_t* out, std::size_t max) {
    const std::uint64_t tail = tail_.load(std::memory_order_relaxed);
    const std::uint64_t head = head_.load(std::memory_order_acquire);
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(head - tail, max));
    if (n == 0)
        return 0;
    const std::size_t at = static_cast<std::size_t>(tail % ring_.size());
    const std::size_t first = std::min(n, ring_.size() - at);
    std::memcpy(out, ring_.data() + at, first);
    std::memcpy(out + first, ring_.data(), n - first);
    tail_.store(tail + n, std::memory_order_release);
    return n;
}

void Recorder::consume(const std::uint8_t* data, std::size_t size) {
    const std::uint64_t from = recordFrom_.load(std::memory_order_acquire);
    if (consumed_ < from) {
        const std::size_t before =
            static_cast<std::size_t>(std::min<std::uint64_t>(size, from - consumed_));
        writeRing(data, before);
        data += before;
        size -= before;
        consumed_ += before;
    }
    if (size > 0) {
        writeRecording(data, size);
        consumed_ += size;
    }
}

void Recorder::writeRing(const std::uint8_t* data, std::size_t size) {
    const std::uint64_t align = std::max<std::uint16_t>(options_.format.blockAlign(), 1);
    // A ring file is full once it holds more than a third of the cache: one
    // frame past that, wherever the blocks that came in happen to end.
    const std::uint64_t full = static_cast<std::uint64_t>(std::max(options_.cacheSeconds, 0) / 3) *
                                   options_.format.bytesPerSecond() +
                               align;
    while (size > 0) {
        // Nothing more goes to a disk that is nearly full, or after a failure.
        if (lowSpace_ || stop_.load(std::memory_order_relaxed) != RecorderStop::None)
            return;
        if (fd_ < 0 || currentSize_ >= full) {
            ringIndex_ = ringIndex_ % 4 + 1;
            if (!openFile(ringIndex_))
                return;
        }
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(size, full - currentSize_));
        if (!append(data, n))
            return;
        data += n;
        size -= n;
    }
}

void Recorder::writeRecording(const std::uint8_t* data, std::size_t size) {
    if (!inRecording_) {
        inRecording_ = true;
        lastRing_ = ringIndex_;
        ringIndex_ = 0;
        if (!openFile(0))
            return;
    }
    if (stop_.load(std::memory_order_relaxed) != RecorderStop::None)
        return;
    if (lowSpace_) {
        fail(RecorderStop::DiskFull);
        return;
    }
    std::uint64_t held = sizes_[0];
    for (int n = 1; n < kTempFileCount; ++n)
        held += sizes_[static_cast<std::size_t>(n)];
    std::uint64_t room = options_.dataLimit > held ? options_.dataLimit - held : 0;
    if (const std::uint16_t align = options_.format.blockAlign())
        room -= room % align;
    if (size > room) {
        // What fits is kept; the recording ends before the WAV would overflow.
        if (room > 0)
            append(data, static_cast<std::size_t>(room));
        fail(RecorderStop::SizeLimit);
        return;
    }
    append(data, size);
}

bool Recorder::openFile(int n) {
    if (fd_ >= 0)
        ::close(fd_);
    const std::string path = tempFilePath(options_.folder, n);
    TempFileError error = TempFileError::None;
    fd_ = createTempFile(path, error);
    const auto index = static_cast<std::size_t>(n);
    sizes_[index] = 0;
    currentSize_ = 0;
    if (fd_ < 0) {
        written_[index] = false;
        failedPath_ = path;
        failedTakenByOther_ = error == TempFileError::TakenByOther;
        fail(RecorderStop::FileError);
        return false;
    }
    written_[index] = true;
    return true;
}

bool Recorder::append(const std::uint8_t* data, std::size_t size) {
    if (fd_ < 0)
        return false;
    const auto index = static_cast<std::size_t>(inRecording_ ? 0 : ringIndex_);
    while (size > 0) {
        const ssize_t n = ::write(fd_, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // Whatever part of a block reached the file stays counted below.
            if (n < 0 && errno != ENOSPC && errno != EDQUOT)
                failedPath_ = tempFilePath(options_.folder, static_cast<int>(index));
            fail(n < 0 && errno != ENOSPC && errno != EDQUOT ? RecorderStop::FileError
                                                             : RecorderStop::DiskFull);
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
        sizes_[index] += static_cast<std::uint64_t>(n);
        currentSize_ += static_cast<std::uint64_t>(n);
    }
    return true;
}

void Recorder::fail(RecorderStop reason) {
    RecorderStop expected = RecorderStop::None;
    stop_.compare_exchange_strong(expected, reason, std::memory_order_release);
}

} // namespace kesto
