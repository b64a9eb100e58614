#pragma once

// The contract between an output stream and a sound device. A device opens
// one channel per playing stream; the channel pulls PCM from the stream's
// buffer on the device's own schedule and reports how much it has played.
// Three devices implement it: PulseAudio, Null (a silent clock) and a WAV
// file writer (paced by a clock, or driven by the feeder as fast as it can).

#include "playback/engine/audio_types.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace kesto {

struct PcmFormat {
    std::uint32_t rate = 44100;
    std::uint32_t channels = 2;
    std::uint32_t frameBytes() const { return channels * 2; }
    std::int64_t bytesFor(std::int64_t ms) const {
        return static_cast<std::int64_t>(rate) * ms / 1000 * frameBytes();
    }
};

// What a device channel pulls from. Both calls come from the device's thread
// (or from the feeder for a feeder-driven channel) and never block on the
// stream's control lock.
class PcmSource {
public:
    virtual ~PcmSource() = default;
    // Copies up to `max` bytes of whole frames, volume applied; sets `drained`
    // once the stream has ended and nothing is left to give.
    virtual std::size_t pull(std::uint8_t* dst, std::size_t max, bool& drained) = 0;
    // The device has played the last byte after the end.
    virtual void deviceDrained() = 0;
    // The device can play no more (the sound server went away or dropped the
    // stream): the stream stops where it is, and says why.
    virtual void deviceFailed() = 0;
};

class DeviceChannel {
public:
    virtual ~DeviceChannel() = default; // stops pulling before it returns

    // Starts pulling; the stream calls it once the first block is buffered.
    virtual void start() = 0;
    virtual void setPaused(bool paused) = 0;
    // The feeder appended data; a device that waits on an empty buffer may resume.
    virtual void dataAdded() {}
    // Bytes played since start(): never more than were pulled.
    virtual std::int64_t playedBytes() = 0;

    // A channel without a clock of its own is advanced by the feeder, by the
    // amount of audio a real device would have played in one update period.
    virtual bool feederDriven() const { return false; }
    virtual void advance(std::int64_t /*bytes*/) {}
};

class OutputDevice {
public:
    virtual ~OutputDevice() = default;
    virtual std::unique_ptr<DeviceChannel> openChannel(const PcmFormat& format, PcmSource& source,
                                                       AudioError& error) = 0;
    // The most audio the device may hold between pulling and playing it.
    virtual std::int64_t latencyBytes(const PcmFormat& format) const = 0;
};

} // namespace kesto
