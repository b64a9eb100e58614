#pragma once

// Where a decoder's bytes come from: a file, memory, or the download ring of
// an internet stream, so the decoders never know the difference.

#include "playback/engine/audio_types.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace kesto {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Like read(2): bytes read, 0 at the end, -1 on an error.
    virtual std::int64_t read(void* buffer, std::size_t size) = 0;
    // Like lseek(2) with SEEK_SET, SEEK_CUR or SEEK_END; -1 when it cannot.
    virtual std::int64_t seek(std::int64_t offset, int whence) = 0;
    virtual std::int64_t tell() const = 0;
    // Total size in bytes, -1 when not known (a live stream).
    virtual std::int64_t size() const = 0;
    // Bytes available so far; a file has them all.
    virtual std::int64_t downloaded() const { return size(); }
    virtual bool seekable() const { return true; }
    // A live stream may have nothing to give now and more later: a read that
    // returns 0 while this is true means "not yet", not "the end".
    virtual bool moreToCome() const { return false; }
};

// A regular file, opened read-only. Anything else (a folder, a pipe, a device
// node) is refused: reading /dev/zero or a FIFO without a writer would never end.
//
// Decoders ask for a few hundred bytes at a time (an MPEG frame header, then
// its body); a system call for each was most of what reading cost. Small
// reads are served from a buffer filled kChunk bytes at a time, and a seek
// within the buffered bytes costs nothing.
class FileSource final : public ByteSource {
public:
    static constexpr std::size_t kChunk = 32 * 1024;

    static std::unique_ptr<FileSource> open(const std::string& path, AudioError& error);
    ~FileSource() override;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    // Fills `size` bytes unless the file ends or fails first.
    std::int64_t read(void* buffer, std::size_t size) override;
    std::int64_t seek(std::int64_t offset, int whence) override;
    std::int64_t tell() const override { return offset_; }
    std::int64_t size() const override { return size_; }

private:
    FileSource(int fd, std::int64_t size) : fd_(fd), size_(size) {}
    std::int64_t readFile(void* buffer, std::size_t size);

    int fd_;
    std::int64_t size_;
    std::int64_t offset_ = 0; // where the caller is; the descriptor is ahead by the unread buffer
    std::unique_ptr<unsigned char[]> buffer_;
    std::size_t buffered_ = 0; // bytes in buffer_
    std::size_t used_ = 0;     // of which the caller has read these
};

// Bytes held in memory; tests and fuzzers feed readers through it.
class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::string bytes) : bytes_(std::move(bytes)) {}
    std::int64_t read(void* buffer, std::size_t size) override;
    std::int64_t seek(std::int64_t offset, int whence) override;
    std::int64_t tell() const override { return offset_; }
    std::int64_t size() const override { return static_cast<std::int64_t>(bytes_.size()); }

private:
    std::string bytes_;
    std::int64_t offset_ = 0;
};

// Reads exactly `size` bytes unless the source ends first; returns the count read.
std::size_t readFully(ByteSource& source, void* buffer, std::size_t size);

} // namespace kesto
