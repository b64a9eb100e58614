#pragma once

// The devices without sound hardware: Null plays into nothing and the WAV
// device into a file. Both take 10 ms of audio per tick. Paced, a tick comes
// every 10 ms of the monotonic clock, on a thread of the channel's own; in
// fast mode the feeder drives the ticks itself, as many per update period as
// a real device would take, so the blocks the fill callback sees are the same
// and the file comes out identical, only without the waiting.

#include "playback/engine/output_device.h"
#include "playback/engine/wav_file_writer.h"

#include <memory>

namespace kesto {

class ClockedDevice final : public OutputDevice {
public:
    // `writer` null = the Null device.
    ClockedDevice(std::shared_ptr<WavFileWriter> writer, bool fast)
        : writer_(std::move(writer)), fast_(fast) {}

    std::unique_ptr<DeviceChannel> openChannel(const PcmFormat& format, PcmSource& source,
                                               AudioError& error) override;
    std::int64_t latencyBytes(const PcmFormat& format) const override;

    static constexpr int kPeriodMs = 10;

private:
    std::shared_ptr<WavFileWriter> writer_;
    bool fast_;
};

} // namespace kesto
