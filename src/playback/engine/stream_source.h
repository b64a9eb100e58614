#pragma once

// The bytes of an internet stream on their way from the download thread to
// a decoder: a ring of fixed size, filled by one writer and emptied by one
// reader, and the ByteSource a decoder reads it through.
//
// The ring is allocated once; however long a stream plays, it holds at most
// its capacity. A writer that finds it full waits for room (the network then
// waits for us), so the download never runs ahead of the listener by more
// than the ring. Cancelling wakes both sides at once: a stream being freed
// never waits for the network.

#include "playback/engine/byte_source.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

namespace kesto {

class StreamRing {
public:
    using Clock = std::chrono::steady_clock;

    explicit StreamRing(std::size_t capacity);
    StreamRing(const StreamRing&) = delete;
    StreamRing& operator=(const StreamRing&) = delete;

    // Writer: copies all of `data`, waiting for room as needed. False when
    // the ring was cancelled first (the rest is dropped).
    bool write(const std::uint8_t* data, std::size_t size);
    // Writer: no more bytes will come; what is in the ring can still be read.
    void finish();
    // Either side, or the owner: ends the stream now and wakes every wait.
    void cancel();

    // Reader: takes up to `size` bytes. Waits until at least one byte is
    // there, the stream is over, or `until` has passed (a time in the past
    // does not wait at all).
    std::size_t read(std::uint8_t* data, std::size_t size, Clock::time_point until);
    // Reader: waits like read() until `size` bytes are there (or the stream
    // is over), then copies what there is without taking it.
    std::size_t peek(std::uint8_t* data, std::size_t size, Clock::time_point until);

    // True once nothing is left and nothing more will come.
    bool exhausted() const;
    // True once nothing more will come (there may be bytes left).
    bool finished() const;
    bool cancelled() const { return cancelled_.load(); }
    std::size_t capacity() const { return capacity_; }
    // Bytes written and read since the start.
    std::uint64_t written() const { return written_.load(); }
    std::uint64_t taken() const { return taken_.load(); }

private:
    std::size_t copyOut(std::uint8_t* data, std::size_t size) const; // with mutex_ held

    const std::size_t capacity_;
    const std::unique_ptr<std::uint8_t[]> bytes_;

    mutable std::mutex mutex_;
    std::condition_variable readable_;
    std::condition_variable writable_;
    // Guarded by mutex_:
    std::size_t head_ = 0; // where the next read starts
    std::size_t fill_ = 0; // bytes in the ring
    bool finished_ = false;

    // Written under mutex_, read without it by the position queries.
    std::atomic<bool> cancelled_{false};
    std::atomic<std::uint64_t> written_{0};
    std::atomic<std::uint64_t> taken_{0};
};

// A decoder's view of the ring. While the decoder is being opened, reads wait
// for bytes until a deadline (the format has to be found before the connect
// call returns); once playing, a read takes what is there and returns 0 when
// the ring has run dry, and moreToCome() tells that apart from the end.
class StreamSource final : public ByteSource {
public:
    explicit StreamSource(std::shared_ptr<StreamRing> ring) : ring_(std::move(ring)) {}

    std::int64_t read(void* buffer, std::size_t size) override;
    // Only the position we are at can be asked for: a live stream cannot go back.
    std::int64_t seek(std::int64_t offset, int whence) override;
    std::int64_t tell() const override { return offset_; }
    std::int64_t size() const override { return -1; }
    std::int64_t downloaded() const override { return static_cast<std::int64_t>(ring_->written()); }
    bool seekable() const override { return false; }
    bool moreToCome() const override { return !ring_->exhausted(); }

    // Reads wait until `until`; StreamRing::Clock::time_point{} = never wait.
    void waitUntil(StreamRing::Clock::time_point until) { until_ = until; }

private:
    std::shared_ptr<StreamRing> ring_;
    StreamRing::Clock::time_point until_{};
    std::int64_t offset_ = 0;
};

} // namespace kesto
