#pragma once

// The output stream's buffer between the feeder (which appends what the fill
// callback returns) and the device (which pulls whole frames). Positions are
// absolute byte counts since the stream started playing. Besides the data
// still to be played, the buffer keeps `history` bytes behind the device's
// read point: the device's own queue holds that much, and the level meter
// reads the samples being heard from it.
//
// Every method takes the buffer's own lock, which is a leaf: nothing else is
// locked or called while it is held.

#include "playback/engine/volume_ramp.h"

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace kesto {

struct PullResult {
    std::size_t bytes = 0;
    bool drained = false; // the end was appended and everything before it is pulled
};

class PlaybackBuffer {
public:
    PlaybackBuffer(std::size_t bufferBytes, std::size_t historyBytes, std::uint32_t frameBytes);

    // Empties the buffer and counts from 0 again; the volume stays.
    void reset();

    // Feeder side: room for new data (whole frames), and appending a block.
    std::size_t space() const;
    void append(const std::uint8_t* data, std::size_t size, bool end);
    bool endQueued() const;

    // Device side: copies up to `max` bytes of whole frames with the volume applied.
    PullResult pull(std::uint8_t* dst, std::size_t max);
    // True when a pull found nothing while the stream had not ended.
    bool starved() const;

    // Copies the bytes at absolute position `at` without consuming them;
    // returns how many were still held.
    std::size_t peek(std::int64_t at, std::uint8_t* dst, std::size_t size) const;
    std::int64_t written() const;
    std::int64_t consumed() const;

    void setGain(double gain);
    void slideGain(double target, std::int64_t frames);
    double gain() const;

private:
    void copyOut(std::int64_t at, std::uint8_t* dst, std::size_t size) const;

    const std::size_t bufferBytes_;
    const std::size_t historyBytes_;
    const std::uint32_t frameBytes_;

    mutable std::mutex mutex_;
    // Guarded by mutex_:
    std::vector<std::uint8_t> data_;
    std::int64_t written_ = 0;
    std::int64_t consumed_ = 0;
    bool end_ = false;
    bool starved_ = false;
    VolumeRamp volume_;
};

} // namespace kesto
